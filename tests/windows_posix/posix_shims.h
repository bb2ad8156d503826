// The handful of POSIX calls the test suite makes, in terms of the Windows C
// runtime, so that one suite runs on both systems. Included ahead of every
// test source in the Windows build.
#pragma once

#include <stdlib.h>

inline int setenv(const char* name, const char* value, int overwrite) {
  if (!overwrite && std::getenv(name) != nullptr) return 0;
  // The C runtime holds no empty values: "" removes the variable, which
  // reads as unset where POSIX would read it as empty.
  return _putenv_s(name, value) == 0 ? 0 : -1;
}

inline int unsetenv(const char* name) { return _putenv_s(name, "") == 0 ? 0 : -1; }
