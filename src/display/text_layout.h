#pragma once
// Pure layout of message text: pages, choice lists and glyph positions.
// Text is CP932 bytes; nothing here draws.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zepa::display {

/// Line pitch of all message text and the advance of a full-width character.
constexpr int kLinePitchPixels = 21;
/// Bytes a laid-out page (or choice list) may hold.
constexpr size_t kPageTextBytes = 1023;

/// The message window's configured shape, already bounded to a working one.
struct MessageGeometry {
  int lines = 6;           // MESSAGELINE: lines per page
  int mojisuu = 56;        // MESSAGEMOJISUU: half-width units per line
  int width = 630;         // MESSAGEWIDTH in pixels
  int interval_ms = 500;   // INTERVAL: blink half-period of the wait icon
};

/// Bounds the configuration values to a geometry every layout routine can
/// work with (see the rule beside the definition).
MessageGeometry ClampMessageGeometry(int lines, int mojisuu, int width, int interval_ms);

struct PageLayout {
  std::string page;                        // lines separated by line feeds, at most kPageTextBytes
  std::optional<size_t> next_page_start;   // start of the page's second line; none when the text
                                           // ended within the first line
  bool text_complete = false;              // the text ended on this page
};

/// `LayoutPage`'s building step: one page of `text` from byte `start`.
PageLayout LayoutPage(std::string_view text, size_t start, const MessageGeometry& geometry);

struct ChoiceLayout {
  std::string select_text;   // option lines separated by line feeds
  int select_number = 0;     // number of option lines, at least 1
};

/// The option lines of "sel": at most `geometry.lines` of them, a long option
/// wrapping onto further lines that count as options of their own.
ChoiceLayout LayoutChoices(std::string_view text, const MessageGeometry& geometry);

/// Where one character of a text is drawn.
struct GlyphPlacement {
  int x = 0;
  int y = 0;
  size_t offset = 0;  // first byte of the character in the text
  size_t length = 0;  // 1 or 2 bytes
};

/// The reveal's glyph positions for `text` drawn from (x, y): a character
/// starts at x + floor(singles / 2) + floor(units * 21 / 2), where units are
/// the half-width units before it on its line and singles the single-byte
/// characters so far in the whole text (including this one); line feeds move
/// 21 pixels down and are not placed. A character with a lead byte 0xFA-0xFC
/// keeps the two single-byte units the layout gives it but is placed as one
/// glyph of two bytes at its first unit.
std::vector<GlyphPlacement> PlaceGlyphs(std::string_view text, int x, int y);

/// The width in pixels a line drawn by that rule covers (the widest line when
/// `text` has line feeds).
int TextWidth(std::string_view text);

/// Splits a page at line feeds; a line feed at the very end yields no empty
/// line, and an empty page no line at all.
std::vector<std::string_view> SplitPageLines(std::string_view page);

}  // namespace zepa::display
