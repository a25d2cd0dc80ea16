#pragma once
// Names and messages between the game's bytes and the wide-character API.
#include <string>
#include <string_view>

namespace zepa::platform::win32 {

/// The wide form of a path the game names, each component read on its own:
/// UTF-8 when its bytes are valid UTF-8, else Shift-JIS (code page 932),
/// whatever the system's code page, so both spellings of a Japanese name
/// find the same file, below a folder spelled either way. "/" becomes "\".
std::wstring WidePath(std::string_view path);

/// Where the last component of `path` begins: after its last "/" or
/// backslash, read as WidePath reads it (the second byte of a Shift-JIS
/// character is no separator).
size_t LastNameStart(std::string_view path);

/// UTF-8 from UTF-16, as the rest of the program spells names.
std::string Utf8FromWide(std::wstring_view wide);

/// UTF-16 from UTF-8 text (not a path: no separators are changed).
std::wstring WideFromUtf8(std::string_view utf8);

/// The system's message for a Win32 error code, in English where the
/// system has it, without the trailing line break.
std::string ErrorText(unsigned long code);

/// True for the Win32 error codes that mean nothing is at a path.
bool IsMissingError(unsigned long code);

/// "PATH: reason" for the calling thread's last error.
std::string DescribeLastError(const std::string& path);

/// True when the bytes are well-formed UTF-8.
bool IsValidUtf8(std::string_view bytes);

}  // namespace zepa::platform::win32
