// The one way bytes become a host string tagged with an encoding, on hosts
// old and new. Below the string builders and the exceptions, which both need
// it; it raises and logs nothing.
#pragma once

#include <cstdint>

#include "runtime/host_ref.h"

// Strings can be built already tagged from this host version on.
constexpr double kFirstHostWithTaggedBuild = 2012.0;
// The host takes string lengths as 32-bit values.
constexpr int64_t kLargestHostStringLength = 0x7FFFFFFF;

// A host string of `length` bytes tagged `encoding`, with one reference for
// the caller; nil for null bytes, a length below 1 or above
// kLargestHostStringLength, or when the host makes none.
HostString BuildTaggedString(const void* bytes, int64_t length, HostEncoding encoding);
