// Checks and conversions of Unicode text in plain memory, with no host
// involved.
#pragma once

#include <cstdint>

bool IsWellFormedUTF8(const void* bytes, int64_t length);
// Writes UTF-16 units for `count` code points into `out` (room for 2*count+1)
// and a terminating 0; returns the units written without the terminator.
int64_t ConvertUTF32ToUTF16(const uint32_t* codePoints, int64_t count, uint16_t* out);
