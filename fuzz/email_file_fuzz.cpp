// A smoke target for the file constructor: each input is written to a
// temporary file and handed over as a FolderItem, as host code opening a
// saved message does; a nil FolderItem is tried once per input as well.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz_host.h"
#include "object_walk.h"

namespace {

std::string WriteTemporaryFile(const uint8_t* data, size_t size) {
  char path[] = "/tmp/zqv-fuzz-XXXXXX";
  const int descriptor = mkstemp(path);
  if (descriptor < 0) {
    std::perror("mkstemp");
    std::abort();
  }
  for (size_t written = 0; written < size;) {
    const ssize_t count = write(descriptor, data + written, size - written);
    if (count <= 0) {
      std::perror("write");
      std::abort();
    }
    written += static_cast<size_t>(count);
  }
  close(descriptor);
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  emu::Host& host = fuzzing::FuzzHost();
  const std::string path = WriteTemporaryFile(data, size);
  {
    emu::Obj message = host.construct("MimeEmailZQV", "Constructor(File as FolderItem)",
                                      {host.folderItem(path)});
    (void)host.takeException();
    fuzzing::ObjectWalker walker(host);
    walker.walk(message);
    emu::Obj unread = host.construct("MimeEmailZQV", "Constructor(File as FolderItem)",
                                     {emu::Value(emu::Obj())});
    (void)host.takeException();
    walker.walk(unread);
  }
  std::remove(path.c_str());
  fuzzing::RequireCleanHost(host, "a message file");
  return 0;
}
