#include "runtime/debug_log.h"

#include <cstdio>
#include <cstdlib>

#include "runtime/platform.h"

namespace {

bool debugLogEnabled = false;

constexpr char kPrefix[] = "ZQV Debug: ";
// A longer line is cut, not split: one call to the system per line.
constexpr size_t kLineSize = 4096;

}  // namespace

bool DebugLogEnabled() { return debugLogEnabled; }

void ReadDebugSwitch() {
  const char* value = std::getenv("ZQVDEBUG");
  debugLogEnabled = value != nullptr && (platform::CompareIgnoringCase(value, "1") == 0 ||
                                         platform::CompareIgnoringCase(value, "true") == 0 ||
                                         platform::CompareIgnoringCase(value, "yes") == 0);
}

void DebugLog(const char* message) {
  char line[kLineSize] = {};
  std::snprintf(line, sizeof line, "%s%s", kPrefix, message);
  platform::WriteDebugLine(line);
}

void DebugLogText(const char* message, const char* text) {
  char line[kLineSize] = {};
  std::snprintf(line, sizeof line, "%s%s %s", kPrefix, message, text);
  platform::WriteDebugLine(line);
}

void DebugLogUnsigned(const char* message, uint32_t value) {
  char line[kLineSize] = {};
  std::snprintf(line, sizeof line, "%s%s %u", kPrefix, message, static_cast<unsigned>(value));
  platform::WriteDebugLine(line);
}

void DebugLogDouble(const char* message, double value) {
  char line[kLineSize] = {};
  std::snprintf(line, sizeof line, "%s%s %f", kPrefix, message, value);
  platform::WriteDebugLine(line);
}

void DebugLogPointer(const char* message, const void* value) {
  char line[kLineSize] = {};
  std::snprintf(line, sizeof line, "%s%s %p", kPrefix, message, value);
  platform::WriteDebugLine(line);
}

void DebugLogSix(const char* message, int64_t a, int64_t b, int64_t c, int64_t d, int64_t e,
                 int64_t f) {
  char line[kLineSize] = {};
  std::snprintf(line, sizeof line, "%s%s %lld, %lld, %lld, %lld, %lld, %lld", kPrefix, message,
                static_cast<long long>(a), static_cast<long long>(b), static_cast<long long>(c),
                static_cast<long long>(d), static_cast<long long>(e), static_cast<long long>(f));
  platform::WriteDebugLine(line);
}

void DebugLogSigned(const char* message, int64_t value) {
  char line[kLineSize] = {};
  std::snprintf(line, sizeof line, "%s%s %lld", kPrefix, message, static_cast<long long>(value));
  platform::WriteDebugLine(line);
}

void DebugLogUnsigned64(const char* message, uint64_t value) {
  char line[kLineSize] = {};
  std::snprintf(line, sizeof line, "%s%s %llu", kPrefix, message,
                static_cast<unsigned long long>(value));
  platform::WriteDebugLine(line);
}
