// The message font through the system's font configuration. These tests need
// a Japanese TrueType/OpenType face installed (IPAGothic serves).
#include "platform/font.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace zepa::platform {
namespace {

struct Ink {
  int total = 0;  // sum of coverage
  int left = -1, right = -1, top = -1, bottom = -1;
};

Ink Measure(const GlyphImage& g) {
  Ink ink;
  for (int y = 0; y < g.height; ++y) {
    for (int x = 0; x < g.width; ++x) {
      if (g.At(x, y) == 0) continue;
      ink.total += g.At(x, y);
      if (ink.left < 0 || x < ink.left) ink.left = x;
      if (x > ink.right) ink.right = x;
      if (ink.top < 0) ink.top = y;
      ink.bottom = y;
    }
  }
  return ink;
}

std::unique_ptr<Font> DefaultFont() {
  auto font = OpenFont(FontRequest{});
  EXPECT_TRUE(font.ok()) << font.message();
  return font.ok() ? std::move(*font) : nullptr;
}

TEST(OpenFont, DefaultRequestFindsAJapaneseFace) {
  std::unique_ptr<Font> font = DefaultFont();
  ASSERT_NE(font, nullptr);
  EXPECT_FALSE(font->FilePath().empty());

  GlyphImage a;
  ASSERT_TRUE(font->RenderGlyph(0x3042, &a));  // あ
  ASSERT_EQ(a.coverage.size(), static_cast<size_t>(a.width) * a.height);
  EXPECT_NEAR(a.width, kCharHeightPx, 2);
  EXPECT_GE(a.height, kCharHeightPx);
  EXPECT_LE(a.height, kMaxGlyphCellPx);
  const Ink kana = Measure(a);
  EXPECT_GT(kana.total, 0);
  // The ink of a full-width glyph fills most of the cell and sits in it.
  EXPECT_GE(kana.right - kana.left + 1, 12);
  EXPECT_GE(kana.bottom - kana.top + 1, 12);
  EXPECT_LT(kana.bottom, kCharHeightPx + 2);

  GlyphImage kanji;
  ASSERT_TRUE(font->RenderGlyph(0x6F22, &kanji));  // 漢
  EXPECT_GT(Measure(kanji).total, 0);

  GlyphImage latin;
  ASSERT_TRUE(font->RenderGlyph(U'A', &latin));
  EXPECT_GT(Measure(latin).total, 0);
  EXPECT_LT(latin.width, a.width);
  EXPECT_NEAR(latin.width, kCharHeightPx / 2, 2);
  // Both glyphs share one baseline: their bottoms are close.
  EXPECT_NEAR(Measure(latin).bottom, kana.bottom, 3);

  // A repeated glyph (from the cache) is the same image.
  GlyphImage again;
  ASSERT_TRUE(font->RenderGlyph(0x3042, &again));
  EXPECT_EQ(again.width, a.width);
  EXPECT_EQ(again.height, a.height);
  EXPECT_EQ(again.coverage, a.coverage);

  // A space is a glyph of its advance with no ink.
  GlyphImage space;
  font->RenderGlyph(U' ', &space);
  EXPECT_EQ(Measure(space).total, 0);
  EXPECT_LE(space.width, kMaxGlyphCellPx);
}

TEST(OpenFont, ExplicitFileIsUsedAndSizesStayInsideTheCell) {
  std::unique_ptr<Font> found = DefaultFont();
  ASSERT_NE(found, nullptr);
  auto opened = OpenFont(FontRequest{found->FilePath(), 1000});
  ASSERT_TRUE(opened.ok()) << opened.message();
  const std::unique_ptr<Font>& font = *opened;
  EXPECT_EQ(font->FilePath(), found->FilePath());
  // Even an absurd size hands out glyphs that fit the reveal's cell.
  for (char32_t cp :
       {char32_t{0x3042}, char32_t{U'W'}, char32_t{0x6F22}, char32_t{0xFFFD}, char32_t{0x10FFFF}}) {
    GlyphImage g;
    font->RenderGlyph(cp, &g);
    EXPECT_LE(g.width, kMaxGlyphCellPx);
    EXPECT_LE(g.height, kMaxGlyphCellPx);
    EXPECT_EQ(g.coverage.size(), static_cast<size_t>(g.width) * g.height);
  }
}

TEST(OpenFont, BogusFileFailsWithAMessage) {
  const auto missing = OpenFont(FontRequest{"no-such-dir/no-such-font.ttf"});
  ASSERT_FALSE(missing.ok());
  EXPECT_NE(missing.message().find("no-such-dir/no-such-font.ttf"), std::string::npos);
  EXPECT_NE(missing.message().find("font"), std::string::npos);

  // A file that exists but is no font.
  const std::string not_a_font = std::string(ZEPA_TEST_DATA_DIR) + "/platform/font_test.cpp";
  const auto bogus = OpenFont(FontRequest{not_a_font});
  ASSERT_FALSE(bogus.ok());
  EXPECT_FALSE(bogus.message().empty());
}

}  // namespace
}  // namespace zepa::platform
