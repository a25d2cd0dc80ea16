// The Files object on Windows; the operations themselves are in files.cpp.
#include <shlobj.h>
#include <windows.h>

#include <algorithm>

#include "platform/files.h"
#include "platform/system.h"
#include "platform/system_files.h"
#include "platform/win32/win32_text.h"

namespace zepa::platform {
namespace {

std::string ForwardSlashes(std::string path) {
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

std::string KnownFolder(REFKNOWNFOLDERID id) {
  PWSTR folder = nullptr;
  std::string out;
  if (SHGetKnownFolderPath(id, KF_FLAG_CREATE, nullptr, &folder) == S_OK)
    out = ForwardSlashes(win32::Utf8FromWide(folder));
  CoTaskMemFree(folder);
  return out;
}

class Win32Files : public Files {
 public:
  Status AtomicWriteFile(const std::string& path, std::span<const uint8_t> bytes) override {
    return AtomicWriteStatus(path, ReplaceFileContents(path, AsText(bytes)));
  }

  // Access lists do not answer "may I create here" without a try, so a
  // file is made and removed (a folder under Program Files says no).
  bool DirectoryWritable(const std::string& dir) override {
    if (ProbePath(dir) != PathKind::kDirectory) return false;
    const std::wstring probe =
        win32::WidePath(dir + "/.zepa-write-probe-" + std::to_string(GetCurrentProcessId()));
    HANDLE h = CreateFileW(
        probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
        FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    CloseHandle(h);
    return true;
  }

  Status CreateDirectories(const std::string& dir) override {
    std::wstring wide = win32::WidePath(AbsolutePath(dir));
    // Each missing folder from the top down; a drive or share root exists.
    for (size_t at = wide.find(L'\\', 3); at != std::wstring::npos || !wide.empty();
         at = wide.find(L'\\', at + 1)) {
      const std::wstring part = at == std::wstring::npos ? wide : wide.substr(0, at);
      if (!CreateDirectoryW(part.c_str(), nullptr)) {
        const DWORD e = GetLastError();
        if (e != ERROR_ALREADY_EXISTS && e != ERROR_ACCESS_DENIED)
          return Status::Failed(win32::ErrorText(e));
        if (e == ERROR_ACCESS_DENIED &&
            ProbePath(win32::Utf8FromWide(part)) != PathKind::kDirectory)
          return Status::Failed(win32::ErrorText(e));
      } else if (ProbePath(win32::Utf8FromWide(part)) != PathKind::kDirectory) {
        return Status::Failed("Not a directory");
      }
      if (at == std::wstring::npos) break;
    }
    if (ProbePath(dir) != PathKind::kDirectory) return Status::Failed("Not a directory");
    return {};
  }

  // The roaming application data (%APPDATA%), where a game's saves and the
  // player's settings go when the game's own folder cannot be written.
  std::string UserDataDir() override { return KnownFolder(FOLDERID_RoamingAppData); }
};

}  // namespace

bool IsFullPath(std::string_view path) {
  auto separator = [](char c) { return c == '/' || c == '\\'; };
  // One backslash in front stays a name below the game folder, as the
  // games mean it; a drive, a share or "/" make it full.
  if (path.rfind("\\\\", 0) == 0 || (!path.empty() && path.front() == '/')) return true;
  const bool drive = path.size() >= 3 &&
                     ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
  return drive && path[1] == ':' && separator(path[2]);
}

std::optional<UserFolderAnswer> SystemUserFolders() {
  const std::string data = KnownFolder(FOLDERID_RoamingAppData);
  return UserFolderAnswer{KnownFolder(FOLDERID_Profile), data, data};
}

std::unique_ptr<Files> CreateSystemFiles() { return std::make_unique<Win32Files>(); }

std::string ProgramFolder() {
  std::wstring name(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
    if (n == 0) return {};
    if (n < name.size()) {
      name.resize(n);
      break;
    }
    name.resize(name.size() * 2);
  }
  std::string path = ForwardSlashes(win32::Utf8FromWide(name));
  return path.substr(0, path.find_last_of('/'));
}

}  // namespace zepa::platform
