#include "platform/win32/win32_text.h"

#include <windows.h>

#include "platform/cp932.h"
#include "platform/cp932_bytes.h"

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

namespace {

// One name of a path, or several joined by backslashes: UTF-8 when valid, else
// Shift-JIS through our own table of the code page, never the system's
// ANSI page, which on a Western system would read kanji as letters.
std::wstring WideName(std::string_view name) {
  return IsValidUtf8(name) ? WideFromUtf8(name) : WideFromUtf8(Cp932ToUtf8(name));
}

// True for the backslash at `i` of a part between "/" when it is the second
// byte of a Shift-JIS character; `lead` carries the scan from byte to byte.
bool IsTrailBackslash(std::string_view part, size_t start, size_t i, bool* lead) {
  const uint8_t b = static_cast<uint8_t>(part[i]);
  const bool trail = *lead && IsCp932Trail(b);
  *lead = !trail && IsCp932Lead(b);
  return trail && !IsValidUtf8(part.substr(start, i - start));
}

// A part between "/" that is not UTF-8 as a whole: split at each backslash
// that is a separator, so that a folder in UTF-8 and a name in Shift-JIS
// below it each keep their own reading.
std::wstring WideMixedPart(std::string_view part) {
  std::wstring wide;
  size_t start = 0;
  bool lead = false;
  for (size_t i = 0; i < part.size(); ++i) {
    if (!IsTrailBackslash(part, start, i, &lead) && part[i] == '\\') {
      wide += WideName(part.substr(start, i - start));
      wide += L'\\';
      start = i + 1;
    }
  }
  return wide + WideName(part.substr(start));
}

}  // namespace

std::wstring WidePath(std::string_view path) {
  // Each part between "/" is read on its own: the game's own folder may be
  // named in UTF-8 (as the system gave it) and a file below it in Shift-JIS
  // (as a scenario names it). "/" is never a byte of a Shift-JIS character.
  std::wstring wide;
  for (size_t start = 0;;) {
    const size_t slash = path.find('/', start);
    const std::string_view part = path.substr(start, slash - start);
    wide += IsValidUtf8(part) ? WideFromUtf8(part) : WideMixedPart(part);
    if (slash == std::string_view::npos) break;
    wide += L'\\';
    start = slash + 1;
  }
  return wide;
}

size_t LastNameStart(std::string_view path) {
  const size_t slash = path.rfind('/');
  const size_t part = slash == std::string_view::npos ? 0 : slash + 1;
  const std::string_view last = path.substr(part);
  if (IsValidUtf8(last)) {
    const size_t backslash = last.rfind('\\');
    return backslash == std::string_view::npos ? part : part + backslash + 1;
  }
  size_t start = 0;
  bool lead = false;
  for (size_t i = 0; i < last.size(); ++i)
    if (!IsTrailBackslash(last, start, i, &lead) && last[i] == '\\') start = i + 1;
  return part + start;
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
