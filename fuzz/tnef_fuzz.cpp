// Each input is a TNEF stream (the bytes of a winmail.dat), handed to
// MimeTnefZQV as host code hands over an attachment's Data, then read back
// through every member the plugin registered, the files included.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz_host.h"
#include "object_walk.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  emu::Host& host = fuzzing::FuzzHost();
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  {
    // An attachment's Data carries no encoding.
    emu::Obj tnef = host.construct("MimeTnefZQV", "Constructor(Data As String)",
                                   {host.string(bytes, kREALTextEncodingUnknown)});
    (void)host.takeException();
    fuzzing::ObjectWalker walker(host);
    walker.walk(tnef);
  }
  fuzzing::RequireCleanHost(host, "a TNEF stream");
  return 0;
}
