#include "display/text_layout.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace zepa::display {
namespace {

// Shift-JIS bytes of a few full-width characters.
constexpr char kA[] = "\x82\xa0";    // あ
constexpr char kI[] = "\x82\xa2";    // い
constexpr char kU[] = "\x82\xa4";    // う
constexpr char kKan[] = "\x8a\xbf";  // 漢

MessageGeometry Geometry(int lines = 6, int mojisuu = 56) {
  return ClampMessageGeometry(lines, mojisuu, 630, 500);
}

std::string Repeat(std::string_view s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

std::vector<std::string> Lines(const PageLayout& layout) {
  std::vector<std::string> out;
  for (std::string_view line : SplitPageLines(layout.page)) out.emplace_back(line);
  return out;
}

TEST(LayoutPage, TextOfExactlyMessageLineLinesIsComplete) {
  const std::string text = "1\n2\n3\n4\n5\n6";
  const PageLayout page = LayoutPage(text, 0, Geometry());
  EXPECT_EQ(page.page, text);
  EXPECT_TRUE(page.text_complete);
  // The remembered position is still the second line; completeness is what
  // tells the engine there is no further page.
  EXPECT_EQ(page.next_page_start, 2u);

  const PageLayout one_line = LayoutPage("only", 0, Geometry());
  EXPECT_EQ(one_line.page, "only");
  EXPECT_TRUE(one_line.text_complete);
  EXPECT_FALSE(one_line.next_page_start.has_value());
}

TEST(LayoutPage, OneLineMoreScrollsByOneLinePerPage) {
  const std::string text = "1\n2\n3\n4\n5\n6\n7";
  const PageLayout first = LayoutPage(text, 0, Geometry());
  EXPECT_EQ(Lines(first), (std::vector<std::string>{"1", "2", "3", "4", "5", "6"}));
  EXPECT_FALSE(first.text_complete);
  ASSERT_EQ(first.next_page_start, 2u);

  const PageLayout second = LayoutPage(text, *first.next_page_start, Geometry());
  EXPECT_EQ(Lines(second), (std::vector<std::string>{"2", "3", "4", "5", "6", "7"}));
  EXPECT_TRUE(second.text_complete);
  EXPECT_EQ(second.next_page_start, 4u);
}

TEST(LayoutPage, WrapsAtTheUnitCountWithoutSplittingCharacters) {
  // 27 full-width + 1 half-width = 55 units: the next full-width character
  // still goes on the line, which then holds 57 bytes.
  const std::string text = Repeat(kA, 27) + "x" + kI + kU;
  const PageLayout page = LayoutPage(text, 0, Geometry());
  const std::vector<std::string> lines = Lines(page);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].size(), 57u);
  EXPECT_EQ(lines[0], Repeat(kA, 27) + "x" + kI);
  EXPECT_EQ(lines[1], kU);
  EXPECT_EQ(page.next_page_start, 57u);
  EXPECT_TRUE(page.text_complete);

  // 28 full-width characters fill the line exactly; the 29th wraps.
  const std::vector<std::string> even = Lines(LayoutPage(Repeat(kKan, 29), 0, Geometry()));
  ASSERT_EQ(even.size(), 2u);
  EXPECT_EQ(even[0], Repeat(kKan, 28));
  EXPECT_EQ(even[1], kKan);

  // 60 half-width characters: 56 and 4.
  const std::vector<std::string> narrow = Lines(LayoutPage(std::string(60, 'a'), 0, Geometry()));
  EXPECT_EQ(narrow, (std::vector<std::string>{std::string(56, 'a'), "aaaa"}));

  // A line that is full exactly where an explicit break follows takes the
  // break as its end, not as an extra blank line.
  const std::vector<std::string> full_then_break =
      Lines(LayoutPage(std::string(56, 'a') + "\nb", 0, Geometry()));
  EXPECT_EQ(full_then_break, (std::vector<std::string>{std::string(56, 'a'), "b"}));
}

TEST(LayoutPage, BlankLinesTakeALineAndAPageHoldsAtMostMessageLineLines) {
  EXPECT_EQ(Lines(LayoutPage("a\n\nb", 0, Geometry())), (std::vector<std::string>{"a", "", "b"}));

  const std::string text = std::string(8, '\n') + "x";
  const PageLayout page = LayoutPage(text, 0, Geometry());
  EXPECT_EQ(Lines(page), std::vector<std::string>(6, ""));
  EXPECT_FALSE(page.text_complete);
  EXPECT_EQ(page.next_page_start, 1u);

  const PageLayout three = LayoutPage("a\nb\nc", 0, Geometry(3));
  EXPECT_EQ(Lines(three).size(), 3u);
  EXPECT_TRUE(three.text_complete);
  const PageLayout two = LayoutPage("a\nb\nc", 0, Geometry(2));
  EXPECT_EQ(Lines(two), (std::vector<std::string>{"a", "b"}));
  EXPECT_FALSE(two.text_complete);
}

TEST(LayoutPage, TrailingLineBreakLaysOutLikeNone) {
  const std::vector<std::string> texts = {
      "a", "a\nb", "1\n2\n3\n4\n5\n6", "1\n2\n3\n4\n5\n6\n7", std::string(56, 'a'), Repeat(kA, 30)};
  for (const std::string& text : texts) {
    SCOPED_TRACE(text);
    const PageLayout plain = LayoutPage(text, 0, Geometry());
    const PageLayout with_break = LayoutPage(text + "\n", 0, Geometry());
    EXPECT_EQ(with_break.page, plain.page);
    EXPECT_EQ(with_break.next_page_start, plain.next_page_start);
    EXPECT_EQ(with_break.text_complete, plain.text_complete);
  }
}

TEST(LayoutPage, LoneLeadBytesAreCopiedAlone) {
  // At the end of the text.
  const PageLayout end = LayoutPage("ab\x82", 0, Geometry());
  EXPECT_EQ(end.page, "ab\x82");
  EXPECT_TRUE(end.text_complete);
  // Before a line feed: the break still ends the line.
  EXPECT_EQ(Lines(LayoutPage("a\x82\nb", 0, Geometry())), (std::vector<std::string>{"a\x82", "b"}));
  // A lead byte in the last unit of a line followed by the text's end.
  const std::string tail = std::string(55, 'a') + "\x82";
  EXPECT_EQ(LayoutPage(tail, 0, Geometry()).page, tail);
}

TEST(LayoutPage, BadInputStaysBounded) {
  // A 5000-byte text without breaks, with a geometry asking for far more than
  // the page buffer holds.
  const std::string long_text(5000, 'a');
  for (const MessageGeometry& g :
       {Geometry(), Geometry(1000, 1000), Geometry(1000, 2), Geometry(INT_MAX, INT_MAX)}) {
    const PageLayout page = LayoutPage(long_text, 0, g);
    EXPECT_LE(page.page.size(), kPageTextBytes);
    EXPECT_FALSE(page.text_complete);
  }
  // Worst case per line: MESSAGEMOJISUU + 1 bytes and a line feed.
  const std::string worst = Repeat(std::string("a") + Repeat(kA, 50) + "\n", 100);
  const PageLayout page = LayoutPage(worst, 0, Geometry(1000, 100));
  EXPECT_LE(page.page.size(), kPageTextBytes);
  EXPECT_EQ(Lines(page).size(), 10u);
  EXPECT_EQ(Lines(page)[0].size(), 101u);

  // A start beyond the text, an empty text, and a NUL that ends the text.
  EXPECT_TRUE(LayoutPage("abc", 100, Geometry()).page.empty());
  EXPECT_TRUE(LayoutPage("abc", 100, Geometry()).text_complete);
  const PageLayout empty = LayoutPage("", 0, Geometry());
  EXPECT_TRUE(empty.page.empty());
  EXPECT_TRUE(empty.text_complete);
  EXPECT_FALSE(empty.next_page_start.has_value());
  EXPECT_EQ(LayoutPage(std::string_view("ab\0\ncd", 6), 0, Geometry()).page, "ab");
}

TEST(LayoutChoices, EachLaidOutLineIsAnOption) {
  const ChoiceLayout three = LayoutChoices("A\nB\nC", Geometry());
  EXPECT_EQ(three.select_text, "A\nB\nC");
  EXPECT_EQ(three.select_number, 3);

  // A long option continues on a line that counts as an option of its own.
  const ChoiceLayout wide = LayoutChoices(std::string(60, 'a') + "\nB", Geometry());
  EXPECT_EQ(wide.select_text, std::string(56, 'a') + "\naaaa\nB");
  EXPECT_EQ(wide.select_number, 3);

  // Options beyond MESSAGELINE lines are dropped.
  const ChoiceLayout eight = LayoutChoices("1\n2\n3\n4\n5\n6\n7\n8", Geometry(6));
  EXPECT_EQ(eight.select_text, "1\n2\n3\n4\n5\n6");
  EXPECT_EQ(eight.select_number, 6);

  // Unlike a page, a trailing break makes one more, empty, option.
  const ChoiceLayout trailing = LayoutChoices("A\nB\n", Geometry());
  EXPECT_EQ(trailing.select_text, "A\nB\n");
  EXPECT_EQ(trailing.select_number, 3);

  const ChoiceLayout empty = LayoutChoices("", Geometry());
  EXPECT_EQ(empty.select_text, "");
  EXPECT_EQ(empty.select_number, 1);
  const ChoiceLayout blank_middle = LayoutChoices("A\n\nB", Geometry());
  EXPECT_EQ(blank_middle.select_number, 3);

  // Full-width options wrap without splitting a character.
  const ChoiceLayout kanji = LayoutChoices(Repeat(kKan, 30), Geometry());
  EXPECT_EQ(kanji.select_text, Repeat(kKan, 28) + "\n" + Repeat(kKan, 2));
  EXPECT_EQ(kanji.select_number, 2);

  // The option list is bounded like a page.
  const ChoiceLayout huge = LayoutChoices(std::string(5000, 'a'), Geometry(1000, 40));
  EXPECT_LE(huge.select_text.size(), kPageTextBytes);
  EXPECT_EQ(huge.select_number, 1023 / 42);
}

TEST(PlaceGlyphs, StepsTenAndAHalfPixelsPerUnitPlusHalfAPixelPerSingle) {
  // x = x0 + singles / 2 + units * 21 / 2, singles counting this character.
  const std::string text = std::string("a") + kA + "b" + kI;
  const std::vector<GlyphPlacement> g = PlaceGlyphs(text, 12, 348);
  ASSERT_EQ(g.size(), 4u);
  EXPECT_EQ(g[0].x, 12);           // singles 1, units 0
  EXPECT_EQ(g[1].x, 12 + 10);      // singles 1, units 1
  EXPECT_EQ(g[2].x, 12 + 1 + 31);  // singles 2 -> 1, units 3 -> 31
  EXPECT_EQ(g[3].x, 12 + 1 + 42);  // singles 2 -> 1, units 4 -> 42
  for (const GlyphPlacement& p : g) EXPECT_EQ(p.y, 348);
  EXPECT_EQ(g[1].offset, 1u);
  EXPECT_EQ(g[1].length, 2u);
  EXPECT_EQ(g[2].offset, 3u);
  EXPECT_EQ(g[2].length, 1u);

  const std::vector<GlyphPlacement> wide = PlaceGlyphs(Repeat(kA, 3), 0, 0);
  ASSERT_EQ(wide.size(), 3u);
  EXPECT_EQ(wide[1].x, 21);
  EXPECT_EQ(wide[2].x, 42);

  const std::vector<GlyphPlacement> narrow = PlaceGlyphs("aaaa", 0, 0);
  ASSERT_EQ(narrow.size(), 4u);
  EXPECT_EQ(narrow[1].x, 1 + 10);
  EXPECT_EQ(narrow[2].x, 1 + 21);
  EXPECT_EQ(narrow[3].x, 2 + 31);
}

TEST(PlaceGlyphs, LineFeedsGoDownButDoNotResetSingles) {
  const std::vector<GlyphPlacement> g = PlaceGlyphs("ab\ncd", 0, 100);
  ASSERT_EQ(g.size(), 4u);
  EXPECT_EQ(g[2].x, 1);  // singles 3 -> 1: not reset by the line feed
  EXPECT_EQ(g[2].y, 121);
  EXPECT_EQ(g[3].x, 2 + 10);
  EXPECT_EQ(g[2].offset, 3u);

  // Blank lines count.
  const std::vector<GlyphPlacement> blank = PlaceGlyphs(std::string(kA) + "\n\n" + kI, 5, 0);
  ASSERT_EQ(blank.size(), 2u);
  EXPECT_EQ(blank[1].x, 5);
  EXPECT_EQ(blank[1].y, 42);

  // A lead byte before a line feed is a one-byte glyph and the break holds.
  const std::vector<GlyphPlacement> lone = PlaceGlyphs("\x82\nx", 0, 0);
  ASSERT_EQ(lone.size(), 2u);
  EXPECT_EQ(lone[0].length, 1u);
  EXPECT_EQ(lone[1].y, 21);

  // Extreme origins do not overflow.
  const std::vector<GlyphPlacement> far = PlaceGlyphs("ab\ncd", INT_MAX - 5, INT_MAX - 5);
  ASSERT_EQ(far.size(), 4u);
  EXPECT_EQ(far[3].x, INT_MAX);
  EXPECT_EQ(far[3].y, INT_MAX);
}

TEST(PlaceGlyphs, IbmExtensionCharactersAreOneGlyphOverTheirTwoUnits) {
  // 髙 (FB FC) keeps the two single-byte units of the layout, so "b" sits
  // where it always did, but it is one glyph at its first unit.
  const std::vector<GlyphPlacement> g = PlaceGlyphs("a\xfb\xfc" "b", 0, 0);
  ASSERT_EQ(g.size(), 3u);
  EXPECT_EQ(g[1].offset, 1u);
  EXPECT_EQ(g[1].length, 2u);
  EXPECT_EQ(g[1].x, 1 + 10);      // singles 2, units 1
  EXPECT_EQ(g[2].x, 2 + 31);      // singles 4, units 3: as two singles
  EXPECT_EQ(g[2].offset, 3u);

  // 﨑 (FA B1) at the start of a line after a break.
  const std::vector<GlyphPlacement> next_line = PlaceGlyphs("x\n\xfa\xb1", 0, 0);
  ASSERT_EQ(next_line.size(), 2u);
  EXPECT_EQ(next_line[1].length, 2u);
  EXPECT_EQ(next_line[1].y, 21);

  // Not a pair: split by a line feed, a second byte the layout takes as a
  // lead byte, a byte that forms no character, and the text's end.
  for (const std::string text : {"\xfa\n\xb1", "\xfa\x82\xa0", "\xfc\x30", "\xfb"}) {
    for (const GlyphPlacement& p : PlaceGlyphs(text, 0, 0)) {
      if (static_cast<uint8_t>(text[p.offset]) >= 0xfa) {
        EXPECT_EQ(p.length, 1u) << text;
      }
    }
  }
}

TEST(TextWidth, CoversTheWidestLineByThePlacementRule) {
  EXPECT_EQ(TextWidth(""), 0);
  EXPECT_EQ(TextWidth(kA), 21);
  EXPECT_EQ(TextWidth("a"), 10);
  EXPECT_EQ(TextWidth("aa"), 1 + 21);
  EXPECT_EQ(TextWidth(Repeat(kA, 28)), 28 * 21);
  EXPECT_EQ(TextWidth(std::string(kA) + "\n" + kA + kA), 42);
  EXPECT_EQ(TextWidth(std::string(kA) + kA + "\n" + kA), 42);
}

TEST(SplitPageLines, SplitsAtLineFeedsWithoutATrailingEmptyLine) {
  EXPECT_TRUE(SplitPageLines("").empty());
  EXPECT_EQ(SplitPageLines("a\nb\n"), (std::vector<std::string_view>{"a", "b"}));
  EXPECT_EQ(SplitPageLines("a\n\nb"), (std::vector<std::string_view>{"a", "", "b"}));
  EXPECT_EQ(SplitPageLines("\n"), (std::vector<std::string_view>{""}));
}

TEST(ClampMessageGeometry, KeepsEveryPageInsideThePageBuffer) {
  const MessageGeometry shipped = ClampMessageGeometry(6, 56, 630, 500);
  EXPECT_EQ(shipped.lines, 6);
  EXPECT_EQ(shipped.mojisuu, 56);
  EXPECT_EQ(shipped.width, 630);
  EXPECT_EQ(shipped.interval_ms, 500);

  const MessageGeometry low = ClampMessageGeometry(0, 1, -5, 0);
  EXPECT_EQ(low.lines, 1);
  EXPECT_EQ(low.mojisuu, 2);  // a full-width character must fit a line
  EXPECT_GE(low.width, 0);
  EXPECT_EQ(low.interval_ms, 1);

  // The line width is kept and lines that do not fit are dropped.
  const MessageGeometry tall = ClampMessageGeometry(100, 56, 630, 500);
  EXPECT_EQ(tall.mojisuu, 56);
  EXPECT_EQ(tall.lines, 1023 / 58);

  for (int lines : {INT_MIN, -1, 0, 1, 6, 17, 18, 500, INT_MAX}) {
    for (int mojisuu : {INT_MIN, 0, 2, 56, 57, 1021, 1022, 5000, INT_MAX}) {
      const MessageGeometry g = ClampMessageGeometry(lines, mojisuu, 630, INT_MIN);
      SCOPED_TRACE(testing::Message() << lines << " x " << mojisuu);
      EXPECT_GE(g.lines, 1);
      EXPECT_GE(g.mojisuu, 2);
      EXPECT_LE(static_cast<long long>(g.lines) * (g.mojisuu + 2), 1023);
      EXPECT_GE(g.interval_ms, 1);
    }
  }
}

}  // namespace
}  // namespace zepa::display
