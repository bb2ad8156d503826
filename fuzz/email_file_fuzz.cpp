// A smoke target for the file constructor: each input is written to a
// temporary file and handed over as a FolderItem, as host code opening a
// saved message does; a nil FolderItem is tried once per input as well.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "fuzz_host.h"
#include "object_walk.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  emu::Host& host = fuzzing::FuzzHost();
  const std::string path = fuzzing::WriteTemporaryFile(data, size);
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
