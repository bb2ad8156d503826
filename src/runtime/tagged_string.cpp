#include "runtime/tagged_string.h"

#include "runtime/host_binding.h"

HostString BuildTaggedString(const void* bytes, int64_t length, HostEncoding encoding) {
  if (bytes == nullptr || length < 1 || length > kLargestHostStringLength) return {};
  const int32_t hostLength = static_cast<int32_t>(length);
  if (HostVersion() >= kFirstHostWithTaggedBuild) {
    return HostString(REALBuildStringWithEncoding(bytes, hostLength, encoding));
  }
  HostString built(REALBuildString(bytes, hostLength));
  if (built) REALSetStringEncoding(built.get(), encoding);
  return built;
}
