#pragma once
// setenv and unsetenv, which the tests use to pick SDL's drivers and which
// the Windows C library names _putenv_s, and utimes, which it lacks (its
// utime cannot open a folder). Included first in every test program built
// for Windows.
#include <stdlib.h>

inline int setenv(const char* name, const char* value, int overwrite) {
  if (!overwrite && getenv(name)) return 0;
  return _putenv_s(name, value);
}

inline int unsetenv(const char* name) { return _putenv_s(name, ""); }

struct timeval;
/// Sets the access and change times of a file or folder named in UTF-8;
/// 0, or -1 when it could not.
int utimes(const char* path, const struct timeval times[2]);
