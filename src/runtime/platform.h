// The few C-runtime services that differ between Windows and POSIX, each with
// the behaviour the plugin relies on. Callers never test the platform.
#pragma once

#include <cstdint>
#include <cstdio>

namespace platform {

// Opens a NUL-terminated UTF-16 path for binary reading (_wfopen_s on
// Windows; converted to UTF-8 and fopen elsewhere). Null on failure.
FILE* OpenFileUTF16(const uint16_t* path);
// Size of an open stream via _ftelli64/ftello after seeking to its end;
// negative when unknown. Leaves the position at the end.
int64_t TellFile(FILE* stream);
// Moves an open stream to `offset` bytes from its start (_fseeki64/fseeko),
// at any offset a file can have; false when the stream refuses.
bool SeekFile(FILE* stream, int64_t offset);

// Zero-filled fixed block (GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT)); null on failure.
void* HeapAllocZeroed(uint64_t size);
void HeapFree(void* block);

// One finished debug line to the debugger output (stderr off Windows).
void WriteDebugLine(const char* line);

// ASCII case-insensitive comparison in the "C" locale, like _stricmp.
int CompareIgnoringCase(const char* a, const char* b);

// Local time minus UTC, in seconds, at the present instant (_time64,
// _localtime64 and _gmtime64 on Windows; time, localtime_r, gmtime_r here).
int64_t LocalOffsetSeconds();

}  // namespace platform
