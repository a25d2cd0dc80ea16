// Looking at files and reading them in pieces, on Windows, through the
// wide-character API as the rest of platform/win32 does.
#include <windows.h>

#include <algorithm>
#include <cstdio>

#include "platform/files.h"
#include "platform/system_files.h"
#include "platform/win32/win32_text.h"

namespace zepa::platform {
namespace {

constexpr int64_t kNsPerSecond = 1'000'000'000;
// File times count 100 ns from 1601-01-01; this many of them lie before 1970.
constexpr int64_t kEpochIn100Ns = 116'444'736'000'000'000;

int64_t NsSinceEpoch(const FILETIME& t) {
  const int64_t ticks =
      static_cast<int64_t>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
  return (ticks - kEpochIn100Ns) * 100;
}

uint64_t SizeOf(DWORD high, DWORD low) { return (static_cast<uint64_t>(high) << 32) | low; }

PathKind KindOfAttributes(DWORD attributes) {
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return PathKind::kDirectory;
  if (attributes & FILE_ATTRIBUTE_DEVICE) return PathKind::kOther;
  return PathKind::kRegular;
}

// Opens what is at `wide` only to look at it: no access asked, nothing shut
// out, folders too; a link leads to its target.
HANDLE OpenToLook(const std::wstring& wide) {
  return CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                     nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

class Win32FileReader : public PieceReader {
 public:
  Win32FileReader(HANDLE h, uint64_t size_bytes) : PieceReader(size_bytes), h_(h) {}
  ~Win32FileReader() override { CloseHandle(h_); }
  Win32FileReader(const Win32FileReader&) = delete;
  Win32FileReader& operator=(const Win32FileReader&) = delete;

 protected:
  size_t ReadOnce(uint64_t offset, char* out, size_t size) override {
    // The offset rides in the OVERLAPPED, as pread takes it.
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
    DWORD n = 0;
    return ReadFile(h_, out, chunk, &n, &at) ? n : 0;
  }

 private:
  HANDLE h_;
};

// "\\?\C:\x" and "\\?\UNC\host\share\x" as the rest of the program spells
// them: "C:/x" and "//host/share/x".
std::string PlainName(std::wstring name) {
  if (name.rfind(L"\\\\?\\UNC\\", 0) == 0) {
    name.erase(0, 8);
    name.insert(0, L"\\\\");
  } else if (name.rfind(L"\\\\?\\", 0) == 0) {
    name.erase(0, 4);
  }
  std::string out = win32::Utf8FromWide(name);
  for (char& c : out)
    if (c == '\\') c = '/';
  return out;
}

// The name of the file open as `h` after every link on the way; empty when
// the system cannot tell.
std::string FinalNameOf(HANDLE h) {
  std::wstring name(MAX_PATH, L'\0');
  DWORD n =
      GetFinalPathNameByHandleW(h, name.data(), static_cast<DWORD>(name.size()), VOLUME_NAME_DOS);
  if (n >= name.size()) {
    name.resize(n + 1);
    n = GetFinalPathNameByHandleW(h, name.data(), static_cast<DWORD>(name.size()), VOLUME_NAME_DOS);
  }
  if (n == 0 || n >= name.size()) return {};
  name.resize(n);
  return PlainName(std::move(name));
}

}  // namespace

PathInfo StatPath(const std::string& path) {
  PathInfo info;
  const std::wstring wide = win32::WidePath(path);
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data)) {
    info.kind = win32::IsMissingError(GetLastError()) ? PathKind::kMissing : PathKind::kFailed;
    return info;
  }
  DWORD attributes = data.dwFileAttributes;
  FILETIME written = data.ftLastWriteTime;
  uint64_t size = SizeOf(data.nFileSizeHigh, data.nFileSizeLow);
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    // What was looked at is the link; its target is what is meant.
    const HANDLE h = OpenToLook(wide);
    BY_HANDLE_FILE_INFORMATION target;
    const bool ok = h != INVALID_HANDLE_VALUE && GetFileInformationByHandle(h, &target);
    const DWORD error = GetLastError();
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    if (!ok) {
      info.kind = win32::IsMissingError(error) ? PathKind::kMissing : PathKind::kFailed;
      return info;
    }
    attributes = target.dwFileAttributes;
    written = target.ftLastWriteTime;
    size = SizeOf(target.nFileSizeHigh, target.nFileSizeLow);
  }
  info.kind = KindOfAttributes(attributes);
  if (info.kind == PathKind::kRegular) info.size_bytes = size;
  info.modified_ns = NsSinceEpoch(written);
  return info;
}

bool FileTimeSettled(int64_t modified_ns) {
  // Two seconds covers the coarsest file times in use (FAT's).
  constexpr int64_t kSettleNs = 2 * kNsPerSecond;
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  return NsSinceEpoch(now) - modified_ns >= kSettleNs;
}

std::optional<FileStamp> StampOf(const std::string& path) { return StampOfInfo(StatPath(path)); }

std::string LocalDateTimeText(int64_t seconds) {
  // The earliest moment a file time holds, and the last a SYSTEMTIME does.
  constexpr int64_t kFirstSecond = -kEpochIn100Ns / 10'000'000;
  constexpr int64_t kLastSecond = 253'402'300'799;  // 9999-12-31 23:59:59
  if (seconds < kFirstSecond || seconds > kLastSecond) return {};
  const uint64_t ticks = static_cast<uint64_t>(seconds * 10'000'000 + kEpochIn100Ns);
  FILETIME utc_time{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
  SYSTEMTIME utc, local;
  // The zone's rule for that date, summer time included, as localtime does.
  if (!FileTimeToSystemTime(&utc_time, &utc) ||
      !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local))
    return {};
  char text[32];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u", unsigned{local.wYear},
                unsigned{local.wMonth}, unsigned{local.wDay}, unsigned{local.wHour},
                unsigned{local.wMinute});
  return text;
}

std::unique_ptr<FileReader> OpenFileReader(const std::string& path) {
  const HANDLE h = CreateFileW(win32::WidePath(path).c_str(), GENERIC_READ,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return nullptr;
  // A console, a pipe or a device under a file's name is no file to read.
  BY_HANDLE_FILE_INFORMATION info;
  if (GetFileType(h) != FILE_TYPE_DISK || !GetFileInformationByHandle(h, &info) ||
      (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE))) {
    CloseHandle(h);
    return nullptr;
  }
  return std::make_unique<Win32FileReader>(h, SizeOf(info.nFileSizeHigh, info.nFileSizeLow));
}

std::string CanonicalPath(const std::string& path) {
  if (path.empty()) return {};
  // Folded by name first, then the longest leading part that exists is
  // asked for its final name; the missing rest is kept as it is spelled.
  const std::string full = AbsolutePath(path);
  size_t end = full.size();
  for (;;) {
    const std::wstring wide = win32::WidePath(full.substr(0, end));
    if (GetFileAttributesW(wide.c_str()) != INVALID_FILE_ATTRIBUTES) {
      const HANDLE h = OpenToLook(wide);
      if (h == INVALID_HANDLE_VALUE) return {};
      std::string final_name = FinalNameOf(h);
      CloseHandle(h);
      // Without an answer the name as folded is the best there is.
      if (final_name.empty()) return full;
      std::string rest = full.substr(end);
      if (!rest.empty() && rest.front() == '/') rest.erase(0, 1);
      if (!rest.empty() && final_name.back() != '/') final_name += '/';
      return final_name + rest;
    }
    if (!win32::IsMissingError(GetLastError())) return {};
    const bool at_root = end == 1 || (end == 3 && full[1] == ':');
    const size_t slash = end > 1 ? full.find_last_of('/', end - 2) : std::string::npos;
    // Nothing of it exists, not even the drive: folded by name is all.
    if (at_root || slash == std::string::npos) return full;
    // A root keeps its separator ("C:/", "/"); a folder is named without.
    const bool root = slash == 0 || (slash == 2 && full[1] == ':');
    end = root ? slash + 1 : slash;
  }
}

}  // namespace zepa::platform
