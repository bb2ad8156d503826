// Each input is one message, handed to MimeEmailZQV as host code hands it
// over, then read back through every member the plugin registered.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz_host.h"
#include "object_walk.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  emu::Host& host = fuzzing::FuzzHost();
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  // The choices come from the input's length, so that every input replays
  // alike: the constructor, and whether unknown charsets raise.
  fuzzing::SetFormatExceptions(host, (size & 2) != 0);
  {
    emu::Obj message;
    if (size & 1) {
      message = host.construct("MimeEmailZQV", "Constructor(Content as MemoryBlock)",
                               {host.memoryBlock(bytes)});
    } else {
      // Text read from a file or socket in Xojo carries no encoding.
      message = host.construct("MimeEmailZQV", "Constructor(Content as string)",
                               {host.string(bytes, kREALTextEncodingUnknown)});
    }
    (void)host.takeException();
    fuzzing::ObjectWalker walker(host);
    walker.walk(message);
  }
  fuzzing::RequireCleanHost(host, "a message");
  return 0;
}
