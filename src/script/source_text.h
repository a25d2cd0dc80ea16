#pragma once
// A scenario as an author edits it (UTF-8, any line ends) and as the game
// reads it (Shift-JIS, CR LF). Neither direction ever guesses: a character
// that the other side cannot hold is a fault naming where it stands.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace zepa::script {

struct SourceFault {
  size_t line = 0;    // from 1
  size_t column = 0;  // from 1, in characters
  std::string message;
};

struct SourceConversion {
  std::string text;  // empty when `fault` is set
  std::optional<SourceFault> fault;
};

/// UTF-8 text (LF, CR LF or CR line ends; a leading byte-order mark is
/// dropped) as the game's Shift-JIS with CR LF line ends.
SourceConversion Utf8ToGameSource(std::string_view utf8);

/// A scenario file as the game reads it (plain Shift-JIS with any line ends,
/// or the letter-encoded form) as UTF-8 with LF line ends.
SourceConversion GameSourceToUtf8(std::string_view file_bytes);

}  // namespace zepa::script
