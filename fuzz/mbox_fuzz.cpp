// The mbox reader on any file: each input is written to a temporary file,
// opened as a MimeMboxZQV and read to its end, every message walked. Beyond
// the sanitizers and the host-reference check, the reading must end, and
// Position must only grow, never pass Length, and reach it at the end.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz_host.h"
#include "object_walk.h"

namespace {

void Require(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "mbox reading broke its promise: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  emu::Host& host = fuzzing::FuzzHost();
  const std::string path = fuzzing::WriteTemporaryFile(data, size);
  {
    emu::Obj mbox = host.construct("MimeMboxZQV", "Constructor(File As FolderItem)",
                                   {host.folderItem(path)});
    const bool opened = !host.takeException().has_value();
    const int64_t length = host.get(mbox, "Length").integer();
    Require(length == (opened ? static_cast<int64_t>(size) : 0), "Length is the file's size");
    fuzzing::ObjectWalker walker(host);
    int64_t position = host.get(mbox, "Position").integer();
    // Every message but the last takes at least its envelope line.
    for (size_t steps = 0;; ++steps) {
      Require(steps <= size + 1, "the reading ends");
      emu::Obj message = host.call(mbox, "ReadMessage() As MimeEmailZQV").obj();
      const bool refused = host.takeException().has_value();
      walker.walk(message);
      const int64_t next = host.get(mbox, "Position").integer();
      Require(next >= position && next <= length, "Position grows within Length");
      position = next;
      if (message.isNil() && !refused) break;
    }
    Require(position == length, "Position reaches Length at the end");
  }
  std::remove(path.c_str());
  fuzzing::RequireCleanHost(host, "an mbox file");
  return 0;
}
