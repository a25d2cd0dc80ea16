#include "display/text_layout.h"

#include <algorithm>
#include <cstdint>

#include "platform/cp932.h"
#include "script/sjis.h"

namespace zepa::display {
namespace {

using script::IsLeadByte;

// Texts come from NUL-terminated buffers in the games' own engine; a NUL byte
// that reaches us still ends the text.
std::string_view UpToNul(std::string_view text) {
  const size_t nul = text.find('\0');
  return nul == std::string_view::npos ? text : text.substr(0, nul);
}

// Length in bytes of the character at `pos`: a lead byte pairs with the byte
// after it, unless that is a line feed or the end of the text.
size_t CharLength(std::string_view text, size_t pos) {
  if (IsLeadByte(text[pos]) && pos + 1 < text.size() && text[pos + 1] != '\n') return 2;
  return 1;
}

// Lays out one line from `*pos` into `*out`, at most `mojisuu` units except
// that a double-byte character starting in the last unit is still placed.
// Stops before the line feed or at the end of the text.
void LayoutLine(std::string_view text, size_t* pos, int mojisuu, std::string* out) {
  if (*pos < text.size() && text[*pos] == '\n') return;
  int units = 0;
  while (units < mojisuu && *pos < text.size()) {
    const size_t length = CharLength(text, *pos);
    out->append(text.substr(*pos, length));
    *pos += length;
    if (*pos >= text.size() || text[*pos] == '\n') return;
    units += static_cast<int>(length);
  }
}

// Positions from a script may be any int; keep the sums inside int.
int AddClamped(int base, int64_t offset) {
  const int64_t sum = static_cast<int64_t>(base) + offset;
  return static_cast<int>(std::clamp<int64_t>(sum, INT32_MIN, INT32_MAX));
}

// The IBM extension characters (lead bytes 0xFA-0xFC) count as two
// single-byte characters in the layout, which decides the line breaks the
// games were written for. Their picture is still the one character: true when
// the byte at `pos` and the one after it form such a character on one line.
// A second byte that the layout takes as a lead byte of its own stays apart,
// so no character the layout placed loses its glyph.
bool IsExtensionPair(std::string_view text, size_t pos) {
  const auto b = static_cast<uint8_t>(text[pos]);
  if (b < 0xfa || b > 0xfc || pos + 1 >= text.size()) return false;
  const char next = text[pos + 1];
  if (next == '\n' || IsLeadByte(next)) return false;
  return platform::Cp932CharToUtf32(text.substr(pos, 2)) != platform::kReplacementChar;
}

}  // namespace

// Every line holds at most MESSAGEMOJISUU + 1 bytes and its line feed, so a
// page fits the 1023-byte page buffer when lines x (mojisuu + 2) <= 1023: we
// keep the line width (at least 2 units, so a full-width character fits) and
// drop the lines that do not fit, leaving at least one.
MessageGeometry ClampMessageGeometry(int lines, int mojisuu, int width, int interval_ms) {
  constexpr int kPageBytes = static_cast<int>(kPageTextBytes);
  MessageGeometry g;
  g.mojisuu = std::clamp(mojisuu, 2, kPageBytes - 2);
  g.lines = std::clamp(lines, 1, kPageBytes / (g.mojisuu + 2));
  g.width = std::clamp(width, 0, 640);
  g.interval_ms = std::max(interval_ms, 1);
  return g;
}

PageLayout LayoutPage(std::string_view text, size_t start, const MessageGeometry& geometry) {
  const MessageGeometry g = ClampMessageGeometry(geometry.lines, geometry.mojisuu, geometry.width,
                                                 geometry.interval_ms);
  text = UpToNul(text);
  PageLayout result;
  size_t pos = std::min(start, text.size());
  for (int k = 0; k < g.lines;) {
    LayoutLine(text, &pos, g.mojisuu, &result.page);
    if (pos < text.size() && text[pos] == '\n') ++pos;
    // A break that is the text's last byte ends the text here, so a trailing
    // line break lays out exactly like the text without it (and a text of
    // MESSAGELINE lines plus a break does not ask for an empty next page).
    if (pos >= text.size()) {
      result.text_complete = true;
      break;
    }
    result.page.push_back('\n');
    ++k;
    if (k == 1) result.next_page_start = pos;
  }
  return result;
}

ChoiceLayout LayoutChoices(std::string_view text, const MessageGeometry& geometry) {
  const MessageGeometry g = ClampMessageGeometry(geometry.lines, geometry.mojisuu, geometry.width,
                                                 geometry.interval_ms);
  text = UpToNul(text);
  ChoiceLayout result;
  size_t pos = 0;
  while (result.select_number < g.lines) {
    if (result.select_number > 0) result.select_text.push_back('\n');
    LayoutLine(text, &pos, g.mojisuu, &result.select_text);
    ++result.select_number;
    // Unlike a page, a trailing line break here makes one more, empty, option.
    if (pos >= text.size()) break;
    if (text[pos] == '\n') ++pos;
  }
  return result;
}

std::vector<GlyphPlacement> PlaceGlyphs(std::string_view text, int x, int y) {
  text = UpToNul(text);
  std::vector<GlyphPlacement> out;
  int64_t units = 0;
  int64_t singles = 0;
  int64_t line = 0;
  size_t pos = 0;
  while (pos < text.size()) {
    if (text[pos] == '\n') {
      units = 0;
      ++line;
      ++pos;
      continue;
    }
    // A lead byte before a line feed is a glyph of its own, as the layout
    // copied it, and the line feed still breaks the line.
    if (IsExtensionPair(text, pos)) {
      // Drawn where its first byte would be; the layout's two units follow.
      ++singles;
      GlyphPlacement g;
      g.x = AddClamped(x, singles / 2 + units * kLinePitchPixels / 2);
      g.y = AddClamped(y, kLinePitchPixels * line);
      g.offset = pos;
      g.length = 2;
      out.push_back(g);
      ++singles;
      units += 2;
      pos += 2;
      continue;
    }
    const size_t length = CharLength(text, pos);
    const bool single = !IsLeadByte(text[pos]);
    if (single) ++singles;
    GlyphPlacement g;
    g.x = AddClamped(x, singles / 2 + units * kLinePitchPixels / 2);
    g.y = AddClamped(y, kLinePitchPixels * line);
    g.offset = pos;
    g.length = length;
    out.push_back(g);
    units += single ? 1 : 2;
    pos += length;
  }
  return out;
}

int TextWidth(std::string_view text) {
  text = UpToNul(text);
  int64_t widest = 0;
  int64_t units = 0;
  int64_t singles = 0;
  size_t pos = 0;
  while (pos < text.size()) {
    if (text[pos] == '\n') {
      units = 0;
      ++pos;
      continue;
    }
    const size_t length = CharLength(text, pos);
    const bool single = !IsLeadByte(text[pos]);
    if (single) ++singles;
    units += single ? 1 : 2;
    pos += length;
    widest = std::max(widest, singles / 2 + units * kLinePitchPixels / 2);
  }
  return static_cast<int>(std::min<int64_t>(widest, INT32_MAX));
}

std::vector<std::string_view> SplitPageLines(std::string_view page) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  while (start < page.size()) {
    const size_t lf = page.find('\n', start);
    if (lf == std::string_view::npos) {
      lines.push_back(page.substr(start));
      break;
    }
    lines.push_back(page.substr(start, lf - start));
    start = lf + 1;
  }
  return lines;
}

}  // namespace zepa::display
