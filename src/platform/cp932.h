#pragma once
// Conversions between the games' code page 932 text and Unicode. They go
// through the C library's own CP932 converter, so every mapping quirk of the
// code page (NEC and IBM extensions, half-width katakana) is the library's.
#include <string>
#include <string_view>

namespace zepa::platform {

/// The replacement for bytes that do not form a CP932 character.
constexpr char32_t kReplacementChar = 0xFFFD;

/// Converts CP932 text to code points. Bytes that do not convert become
/// U+FFFD each run, and conversion goes on with the bytes that follow.
std::u32string Cp932ToUtf32(std::string_view cp932);

/// Converts one CP932 character (one byte, or a lead byte and its second
/// byte). An invalid pair, a lone lead byte or an empty view gives U+FFFD.
char32_t Cp932CharToUtf32(std::string_view one_char);

/// Converts CP932 text to UTF-8, with the same replacement as Cp932ToUtf32.
std::string Cp932ToUtf8(std::string_view cp932);

/// Converts UTF-8 text to CP932. A character CP932 lacks, and every byte
/// that is not valid UTF-8, becomes '?'.
std::string Utf8ToCp932(std::string_view utf8);

/// Appends the UTF-8 form of `cp` (U+FFFD for values that are not scalar
/// values) to `out`.
void AppendUtf8(char32_t cp, std::string* out);

}  // namespace zepa::platform
