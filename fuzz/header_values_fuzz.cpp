// Each input is one line of header text, handed to every class that host
// code can make from text (a field, an address, a mailbox, their lists, a
// group: whichever the plugin registers), and each object is read back.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_host.h"
#include "object_walk.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  emu::Host& host = fuzzing::FuzzHost();
  static const std::vector<std::string> classes = fuzzing::ClassesParsingText(host);
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  fuzzing::SetFormatExceptions(host, (size & 1) != 0);
  for (const std::string& className : classes) {
    emu::Obj parsed = host.construct(className, fuzzing::kParseTextConstructor, {host.string(text)});
    (void)host.takeException();
    fuzzing::ObjectWalker walker(host);
    walker.walk(parsed);
  }
  fuzzing::RequireCleanHost(host, "a line of header text");
  return 0;
}
