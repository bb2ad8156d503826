#ifdef _WIN32

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <ctime>

#include "runtime/platform.h"

namespace platform {

namespace {

// Local and UTC broken-down times of one instant lie at most a day apart, so
// the day of the year tells the calendar step, and a change of year means the
// dates are neighbours across New Year.
int64_t SecondsBetween(const std::tm& local, const std::tm& utc) {
  int64_t days = local.tm_yday - utc.tm_yday;
  if (local.tm_year != utc.tm_year) days = local.tm_year > utc.tm_year ? 1 : -1;
  return ((days * 24 + (local.tm_hour - utc.tm_hour)) * 60 + (local.tm_min - utc.tm_min)) * 60 +
         (local.tm_sec - utc.tm_sec);
}

}  // namespace

// wchar_t is a UTF-16 unit here, so the path goes to the C runtime unchanged.
FILE* OpenFileUTF16(const uint16_t* path) {
  if (path == nullptr) return nullptr;
  FILE* stream = nullptr;
  if (_wfopen_s(&stream, reinterpret_cast<const wchar_t*>(path), L"rb") != 0) return nullptr;
  return stream;
}

int64_t TellFile(FILE* stream) {
  if (std::fseek(stream, 0, SEEK_END) != 0) return -1;
  return _ftelli64(stream);
}

// With GMEM_FIXED the handle GlobalAlloc gives is the block's address.
void* HeapAllocZeroed(uint64_t size) {
  // A size beyond the address space of a 32-bit target must not wrap to a
  // small block.
  if constexpr (sizeof(SIZE_T) < sizeof(uint64_t)) {
    if (size > SIZE_MAX) return nullptr;
  }
  return GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, static_cast<SIZE_T>(size));
}

void HeapFree(void* block) {
  if (block != nullptr) GlobalFree(block);
}

void WriteDebugLine(const char* line) { OutputDebugStringA(line); }

int CompareIgnoringCase(const char* a, const char* b) { return _stricmp(a, b); }

// _localtime64 and _gmtime64 fill one buffer of the calling thread, so the
// local time is copied out before the UTC time overwrites it.
int64_t LocalOffsetSeconds() {
  const __time64_t now = _time64(nullptr);
  const std::tm* shown = _localtime64(&now);
  if (shown == nullptr) return 0;
  const std::tm local = *shown;
  shown = _gmtime64(&now);
  if (shown == nullptr) return 0;
  return SecondsBetween(local, *shown);
}

}  // namespace platform

#endif  // _WIN32
