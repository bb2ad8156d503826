// The handful of POSIX calls the test suite makes, in terms of the Windows C
// runtime, so that one suite runs on both systems. Included ahead of every
// test source in the Windows build.
#pragma once

#include <direct.h>
#include <io.h>
#include <stdlib.h>

#include <cstring>

inline int setenv(const char* name, const char* value, int overwrite) {
  if (!overwrite && std::getenv(name) != nullptr) return 0;
  // The C runtime holds no empty values: "" removes the variable, which
  // reads as unset where POSIX would read it as empty.
  return _putenv_s(name, value) == 0 ? 0 : -1;
}

inline int unsetenv(const char* name) { return _putenv_s(name, "") == 0 ? 0 : -1; }

// Replaces the trailing XXXXXX with a name no file has yet and makes that
// directory.
inline char* mkdtemp(char* pathTemplate) {
  if (_mktemp_s(pathTemplate, std::strlen(pathTemplate) + 1) != 0) return nullptr;
  return _mkdir(pathTemplate) == 0 ? pathTemplate : nullptr;
}
