#pragma once
// setenv and unsetenv, which the tests use to pick SDL's drivers and which
// the Windows C library names _putenv_s. Included first in every test
// program built for Windows.
#include <stdlib.h>

inline int setenv(const char* name, const char* value, int overwrite) {
  if (!overwrite && getenv(name)) return 0;
  return _putenv_s(name, value);
}

inline int unsetenv(const char* name) { return _putenv_s(name, ""); }
