#pragma once
// How a scenario command is recognised on its line and how its argument is
// read. Positions are byte offsets into the scenario text; the text ends at
// its size (the scenario never holds a NUL byte).
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/surface.h"

namespace zepa::script {

class VariableTable;

/// Arguments are copied into buffers of this size: at most 2047 bytes.
constexpr size_t kArgumentBytes = 2048;

/// Skips blanks at `pos`; the line must then hold "[" + name + "]".
/// Returns the position right after the "]" or nullopt.
std::optional<size_t> MatchCommand(std::string_view name, std::string_view text, size_t pos);

/// Every byte but spaces and tabs, up to LF, CR, NUL or "//".
std::string CompactArgument(std::string_view text, size_t pos);

/// Leading blanks skipped, then everything up to LF, CR or NUL.
std::string LineArgument(std::string_view text, size_t pos);

/// The rest of the line at `pos` (up to LF, CR or NUL), blanks kept.
std::string_view RestOfLine(std::string_view text, size_t pos);

/// `count` (2, 4 or 5) comma-separated expressions; missing ones are 0.
std::array<int32_t, 5> NumberList(VariableTable& vars, std::string_view line, int count);

/// A colour written red first: six hexadecimal digits or r,g,b.
platform::Color ColorArgument(VariableTable& vars, std::string_view line);

/// A decimal integer as a standard conversion reads it: leading blanks and
/// a sign allowed, stops at the first non-digit (wrapping, never undefined).
int32_t DecimalArgument(std::string_view text);

struct Position {
  int32_t x = 0;
  int32_t y = 0;
  std::string_view rest;  // everything after the second comma
};
/// "x,y,rest"; nullopt without two commas.
std::optional<Position> ParsePosition(std::string_view arg);

}  // namespace zepa::script
