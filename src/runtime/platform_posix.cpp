#ifndef _WIN32

// Files of 2 GB and more are sized with a 64-bit off_t on 32-bit targets too
// (on 64-bit ones it is 64 bits anyway). It must come before any header.
#define _FILE_OFFSET_BITS 64

#include <sys/types.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "runtime/platform.h"

namespace platform {

namespace {

bool IsHighSurrogate(uint32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(uint32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

char* AppendUTF8(char* out, uint32_t codePoint) {
  if (codePoint < 0x80) {
    *out++ = static_cast<char>(codePoint);
  } else if (codePoint < 0x800) {
    *out++ = static_cast<char>(0xC0 | (codePoint >> 6));
    *out++ = static_cast<char>(0x80 | (codePoint & 0x3F));
  } else if (codePoint < 0x10000) {
    *out++ = static_cast<char>(0xE0 | (codePoint >> 12));
    *out++ = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    *out++ = static_cast<char>(0x80 | (codePoint & 0x3F));
  } else {
    *out++ = static_cast<char>(0xF0 | (codePoint >> 18));
    *out++ = static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
    *out++ = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    *out++ = static_cast<char>(0x80 | (codePoint & 0x3F));
  }
  return out;
}

// File names here are UTF-8 bytes. A lone surrogate has no UTF-8 form; it
// becomes U+FFFD, which names no file the host could have meant.
char* PathToUTF8(const uint16_t* path) {
  size_t units = 0;
  while (path[units] != 0) ++units;
  // Three bytes per unit covers every case: a surrogate pair takes four.
  char* utf8 = static_cast<char*>(std::calloc(units * 3 + 1, 1));
  if (utf8 == nullptr) return nullptr;

  char* out = utf8;
  for (size_t i = 0; i < units; ++i) {
    uint32_t codePoint = path[i];
    if (IsHighSurrogate(codePoint) && IsLowSurrogate(path[i + 1])) {
      codePoint = 0x10000 + ((codePoint - 0xD800) << 10) + (path[i + 1] - 0xDC00u);
      ++i;
    } else if (IsHighSurrogate(codePoint) || IsLowSurrogate(codePoint)) {
      codePoint = 0xFFFD;
    }
    out = AppendUTF8(out, codePoint);
  }
  return utf8;
}

int FoldAsciiCase(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c; }

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

FILE* OpenFileUTF16(const uint16_t* path) {
  if (path == nullptr) return nullptr;
  char* utf8Path = PathToUTF8(path);
  if (utf8Path == nullptr) return nullptr;
  FILE* stream = std::fopen(utf8Path, "rb");
  std::free(utf8Path);
  return stream;
}

int64_t TellFile(FILE* stream) {
  if (fseeko(stream, 0, SEEK_END) != 0) return -1;
  return static_cast<int64_t>(ftello(stream));
}

void* HeapAllocZeroed(uint64_t size) {
  // A size beyond the address space of a 32-bit target must not wrap to a
  // small block.
  if constexpr (sizeof(size_t) < sizeof(uint64_t)) {
    if (size > SIZE_MAX) return nullptr;
  }
  return std::calloc(static_cast<size_t>(size), 1);
}

void HeapFree(void* block) { std::free(block); }

// Standard error needs the newline that the debugger output does without.
void WriteDebugLine(const char* line) { std::fprintf(stderr, "%s\n", line); }

int CompareIgnoringCase(const char* a, const char* b) {
  const auto* left = reinterpret_cast<const unsigned char*>(a);
  const auto* right = reinterpret_cast<const unsigned char*>(b);
  while (*left != 0 && FoldAsciiCase(*left) == FoldAsciiCase(*right)) {
    ++left;
    ++right;
  }
  return FoldAsciiCase(*left) - FoldAsciiCase(*right);
}

int64_t LocalOffsetSeconds() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  std::tm utc{};
  if (localtime_r(&now, &local) == nullptr || gmtime_r(&now, &utc) == nullptr) return 0;
  return SecondsBetween(local, utc);
}

}  // namespace platform

#endif  // _WIN32
