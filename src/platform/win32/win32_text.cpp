#include "platform/win32/win32_text.h"

#include <windows.h>

#include "platform/cp932.h"

namespace zepa::platform::win32 {

bool IsValidUtf8(std::string_view bytes) {
  if (bytes.empty()) return true;
  return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(),
                             static_cast<int>(bytes.size()), nullptr, 0) > 0;
}

std::wstring WideFromUtf8(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int n =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
  return wide;
}

std::wstring WidePath(std::string_view path) {
  // Our own table of the code page, never the system's ANSI page, which on
  // a Western system would read the second bytes of kanji as letters.
  std::wstring wide = IsValidUtf8(path) ? WideFromUtf8(path) : WideFromUtf8(Cp932ToUtf8(path));
  for (wchar_t& c : wide)
    if (c == L'/') c = L'\\';
  return wide;
}

std::string Utf8FromWide(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr,
                                    0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), n,
                      nullptr, nullptr);
  return utf8;
}

std::string ErrorText(unsigned long code) {
  // The reasons players meet most are worded as on the other systems, so a
  // message reads the same wherever the game runs.
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
      return "No such file or directory";
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
      return "Permission denied";
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return "File exists";
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return "No space left on device";
    case ERROR_WRITE_PROTECT:
      return "Read-only file system";
    case ERROR_DIRECTORY:
      return "Not a directory";
    case ERROR_DIR_NOT_EMPTY:
      return "Directory not empty";
    default:
      break;
  }
  wchar_t* buffer = nullptr;
  DWORD n = 0;
  for (DWORD language : {DWORD{MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)}, DWORD{0}}) {
    n = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, language, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    if (n != 0) break;
  }
  if (n == 0) return "error " + std::to_string(code);
  std::string text = Utf8FromWide(std::wstring_view(buffer, n));
  LocalFree(buffer);
  while (!text.empty() &&
         (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '.'))
    text.pop_back();
  return text;
}

bool IsMissingError(unsigned long code) {
  return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND ||
         code == ERROR_INVALID_NAME || code == ERROR_BAD_NETPATH || code == ERROR_BAD_PATHNAME ||
         code == ERROR_INVALID_DRIVE;
}

std::string DescribeLastError(const std::string& path) {
  return path + ": " + ErrorText(GetLastError());
}

}  // namespace zepa::platform::win32
