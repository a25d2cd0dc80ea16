// utimes of posix_env.h: the times set through a handle opened with backup
// semantics, the only way the system lets a folder's times be set.
#include <sys/time.h>
#include <windows.h>

#include <string>

namespace {

FILETIME FileTimeOf(const timeval& t) {
  // File times count 100 ns from 1601-01-01, 11644473600 s before 1970.
  const ULONGLONG ticks =
      (static_cast<ULONGLONG>(t.tv_sec) + 11644473600ULL) * 10000000ULL + t.tv_usec * 10ULL;
  return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

}  // namespace

int utimes(const char* path, const struct timeval times[2]) {
  const int n = MultiByteToWideChar(CP_UTF8, 0, path, -1, nullptr, 0);
  if (n <= 0) return -1;
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, path, -1, wide.data(), n);
  HANDLE h = CreateFileW(wide.c_str(), FILE_WRITE_ATTRIBUTES,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return -1;
  const FILETIME accessed = FileTimeOf(times[0]), changed = FileTimeOf(times[1]);
  const bool ok = SetFileTime(h, nullptr, &accessed, &changed) != 0;
  CloseHandle(h);
  return ok ? 0 : -1;
}
