// Developer trace, off unless ZQVDEBUG is "1", "true" or "yes" (any case) at
// start-up. Every call site tests DebugLogEnabled() first; the log operations
// themselves always write. Lines go to the debugger output on Windows and to
// standard error elsewhere, each prefixed "ZQV Debug: ".
#pragma once

#include <cstdint>

bool DebugLogEnabled();
// Reads ZQVDEBUG; called once while the classes are registered.
void ReadDebugSwitch();

void DebugLog(const char* message);
void DebugLogText(const char* message, const char* text);
void DebugLogUnsigned(const char* message, uint32_t value);
void DebugLogDouble(const char* message, double value);
void DebugLogPointer(const char* message, const void* value);
void DebugLogSix(const char* message, int64_t a, int64_t b, int64_t c, int64_t d, int64_t e,
                 int64_t f);
void DebugLogSigned(const char* message, int64_t value);
void DebugLogUnsigned64(const char* message, uint64_t value);
