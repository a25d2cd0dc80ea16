#pragma once
// Scans of Shift-JIS file names for separators, extensions and file-name
// parts. The second byte of a double-byte character may be 0x5C, the byte of
// a backslash (表 is 95 5C, ソ 83 5C), so every scan here walks the name from
// its start and steps over double-byte characters.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zepa::script {

// A lead byte of a file name. File names take the whole lead range of the
// code page, 0xF0-0xFC too (unlike IsLeadByte), because the system the games
// were written for opened names such as 纊.bmp (FA 5C) correctly.
constexpr bool IsNameLeadByte(uint8_t b) {
  return (b >= 0x81 && b <= 0x9f) || (b >= 0xe0 && b <= 0xfc);
}

// A byte that can follow a lead byte. A lead byte before anything else (a
// line end, a slash, the end of the name) stands alone, so a stray byte never
// hides the separator after it.
constexpr bool IsNameTrailByte(uint8_t b) {
  return (b >= 0x40 && b <= 0x7e) || (b >= 0x80 && b <= 0xfc);
}

// The length of the character at `pos`: 2 for a lead byte with its trail
// byte, else 1.
size_t NameCharLength(std::string_view name, size_t pos);

// Position of the first / last byte of `name` that is one of `separators`
// and not the second byte of a double-byte character; npos when none.
size_t FindFirstSeparator(std::string_view name, std::string_view separators);
size_t FindLastSeparator(std::string_view name, std::string_view separators);

// The part of a path after its last '/', '\\' or ':'.
std::string_view FileNamePart(std::string_view path);

// The extension of the path's file-name part, from its last dot, the dot
// included; empty when the file name has no dot.
std::string_view FileExtension(std::string_view path);

// The name without the blanks and dots at its end, which the games' system
// ignored in file names ("two.kvs " opened two.kvs).
std::string_view TrimTrailingBlanksAndDots(std::string_view name);

// The path's components between '\\' and '/' separators; empty components
// (doubled or leading separators) are dropped.
template <typename Fn>
void ForEachPathComponent(std::string_view path, Fn&& fn) {
  size_t start = 0;
  for (size_t i = 0; i <= path.size();) {
    if (i == path.size() || path[i] == '\\' || path[i] == '/') {
      if (i > start) fn(path.substr(start, i - start));
      start = ++i;
    } else {
      i += NameCharLength(path, i);
    }
  }
}

// ASCII letters folded to lower case, other bytes kept: the key under which
// names that compare equal without regard to case are indexed.
std::string FoldAsciiCase(std::string_view name);

}  // namespace zepa::script
