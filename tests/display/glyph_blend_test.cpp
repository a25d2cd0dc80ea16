#include "display/glyph_blend.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "box_font.h"

namespace zepa::display {
namespace {

using platform::Color;
using platform::GlyphImage;
using platform::MakeColor;
using platform::Surface;
using testing::BoxFont;
using testing::Solid;

int CountPixels(const Surface& s, Color c) {
  int n = 0;
  for (int y = 0; y < s.height; ++y)
    for (int x = 0; x < s.width; ++x) n += s.Get(x, y) == c ? 1 : 0;
  return n;
}

TEST(BlendGlyph, CoverageAndWeightMixGlyphColourIntoTheBackground) {
  const Color kBack = MakeColor(0xba, 0xdc, 0xfe);
  const Color kInk = MakeColor(0x12, 0x34, 0x56);
  const Surface background(4, 3, kBack);
  GlyphImage glyph = Solid(2, 2, 0);
  glyph.coverage = {0, 255, 128, 255};
  Surface out;

  BlendGlyph(background, glyph, kInk, kFullFadeWeight, out);
  ASSERT_EQ(out.width, 4);
  ASSERT_EQ(out.height, 3);
  EXPECT_EQ(out.Get(0, 0), kBack);  // coverage 0 leaves the background
  EXPECT_EQ(out.Get(1, 0), kInk);   // full coverage at full weight is the colour exactly
  EXPECT_EQ(out.Get(1, 1), kInk);
  const Color half = out.Get(0, 1);
  EXPECT_NE(half, kBack);
  EXPECT_NE(half, kInk);
  EXPECT_NEAR(platform::RedOf(half), (0xba + 0x12) / 2, 2);
  EXPECT_NEAR(platform::BlueOf(half), (0xfe + 0x56) / 2, 2);
  // Outside the glyph nothing changes.
  EXPECT_EQ(out.Get(2, 0), kBack);
  EXPECT_EQ(out.Get(3, 2), kBack);

  // Weight 0 leaves all of it; weights above full are full.
  BlendGlyph(background, glyph, kInk, 0, out);
  EXPECT_EQ(out, background);
  BlendGlyph(background, glyph, kInk, 0xffffffffu, out);
  EXPECT_EQ(out.Get(1, 0), kInk);

  // Extreme colours are reached exactly as well.
  const Surface black(1, 1, 0);
  BlendGlyph(black, Solid(1, 1), 0xffffff, kFullFadeWeight, out);
  EXPECT_EQ(out.Get(0, 0), 0xffffffu);
  BlendGlyph(Surface(1, 1, 0xffffff), Solid(1, 1), 0, kFullFadeWeight, out);
  EXPECT_EQ(out.Get(0, 0), 0u);
}

TEST(BlendGlyph, MovesMonotonicallyFromBackgroundToColourAsTheWeightGrows) {
  for (uint8_t coverage : {1, 64, 128, 200, 254, 255}) {
    for (const auto& [back, ink] : {std::pair<Color, Color>{0x000000, 0xffffff},
                                    {0xffffff, 0x000000},
                                    {MakeColor(10, 200, 90), MakeColor(250, 20, 90)}}) {
      SCOPED_TRACE(::testing::Message() << "coverage " << int{coverage} << " back " << back);
      const Surface background(1, 1, back);
      Surface out;
      int previous_distance = INT_MAX;
      for (uint32_t t = 0; t <= kFullFadeWeight; t += 1024) {
        BlendGlyph(background, Solid(1, 1, coverage), ink, t, out);
        const Color c = out.Get(0, 0);
        // Distance to the ink colour, channel by channel, never grows.
        const int distance = std::abs(platform::RedOf(c) - platform::RedOf(ink)) +
                             std::abs(platform::GreenOf(c) - platform::GreenOf(ink)) +
                             std::abs(platform::BlueOf(c) - platform::BlueOf(ink));
        EXPECT_LE(distance, previous_distance) << "t " << t;
        previous_distance = distance;
      }
      if (coverage == 255) {
        EXPECT_EQ(previous_distance, 0);
      }
    }
  }
}

TEST(BlendGlyph, ToleratesGlyphsThatDoNotMatchTheBackground) {
  const Surface background(3, 2, 0x102030);
  Surface out(7, 7, 0);  // resized to the background
  BlendGlyph(background, Solid(10, 10), 0xffffff, kFullFadeWeight, out);
  EXPECT_EQ(out, Surface(3, 2, 0xffffff));

  // Coverage shorter than width x height: only the rows it has are drawn.
  GlyphImage short_glyph = Solid(3, 2);
  short_glyph.height = 50;
  short_glyph.coverage.resize(3);
  BlendGlyph(background, short_glyph, 0xffffff, kFullFadeWeight, out);
  EXPECT_EQ(out.Get(0, 0), 0xffffffu);
  EXPECT_EQ(out.Get(0, 1), 0x102030u);

  BlendGlyph(background, GlyphImage{}, 0xffffff, kFullFadeWeight, out);
  EXPECT_EQ(out, background);
}

TEST(DrawGlyph, ClipsAtEveryEdge) {
  const Surface blank(4, 4, 0);
  Surface s = blank;
  DrawGlyph(s, -2, -3, Solid(5, 5), 0xffffff);
  // Columns 0..2, rows 0..1 of the surface are the glyph's bottom-right.
  EXPECT_EQ(CountPixels(s, 0xffffff), 3 * 2);
  EXPECT_EQ(s.Get(2, 1), 0xffffffu);
  EXPECT_EQ(s.Get(3, 1), 0u);
  EXPECT_EQ(s.Get(2, 2), 0u);

  s = blank;
  DrawGlyph(s, 3, 3, Solid(5, 5), 0xffffff);
  EXPECT_EQ(CountPixels(s, 0xffffff), 1);
  EXPECT_EQ(s.Get(3, 3), 0xffffffu);

  for (const auto& [x, y] : {std::pair{INT_MIN, INT_MIN},
                             {INT_MAX, INT_MAX},
                             {INT_MAX - 2, 0},
                             {0, INT_MAX - 2},
                             {-5, 0},
                             {0, -5},
                             {4, 0},
                             {0, 4}}) {
    s = blank;
    DrawGlyph(s, x, y, Solid(5, 5), 0xffffff);
    EXPECT_EQ(s, blank) << x << "," << y;
  }

  // Partial coverage blends with what is there.
  s = Surface(1, 1, 0);
  DrawGlyph(s, 0, 0, Solid(1, 1, 128), 0xffffff);
  EXPECT_NEAR(platform::RedOf(s.Get(0, 0)), 128, 1);
}

TEST(DrawTextLine, PlacesGlyphsByTheRevealRuleAndClipsToTheSurface) {
  const std::string text = "\x82\xa0\x82\xa2";  // あい
  Surface s(40, 30, 0);
  BoxFont font;
  DrawTextLine(s, -15, -10, text, 0xffffff, font);
  EXPECT_EQ(font.requested, (std::vector<char32_t>{0x3042, 0x3044}));
  // あ covers x -15..5 and い x 6..26, both rows -10..10.
  EXPECT_EQ(s.Get(0, 0), 0xffffffu);
  EXPECT_EQ(s.Get(26, 10), 0xffffffu);
  EXPECT_EQ(s.Get(27, 0), 0u);
  EXPECT_EQ(s.Get(0, 11), 0u);
  EXPECT_EQ(CountPixels(s, 0xffffff), 27 * 11);

  // Line feeds go 21 pixels down; a line above the surface draws nothing.
  s = Surface(40, 30, 0);
  DrawTextLine(s, 0, -21, "\x82\xa0\n\x82\xa2", 0x0000ff, font);
  EXPECT_EQ(CountPixels(s, 0x0000ff), 21 * 21);
  EXPECT_EQ(s.Get(20, 20), 0x0000ffu);
  EXPECT_EQ(s.Get(0, 21), 0u);

  // Entirely off the surface in every direction.
  const Surface blank(40, 30, 0);
  for (const auto& [x, y] : {std::pair{1000, 0},
                             {0, 1000},
                             {-1000, 0},
                             {0, -1000},
                             {INT_MIN, INT_MIN},
                             {INT_MAX, INT_MAX}}) {
    s = blank;
    DrawTextLine(s, x, y, text + "\nabc", 0xffffff, font);
    EXPECT_EQ(s, blank) << x << "," << y;
  }
}

TEST(DrawTextLine, DrawsAnIbmExtensionCharacterAsOneGlyph) {
  // 髙 (FB FC) and 﨑 (FA B1): one glyph each, not two boxes of U+FFFD.
  Surface s(80, 21, 0);
  BoxFont font;
  DrawTextLine(s, 0, 0, "\xfb\xfc\xfa\xb1", 0xffffff, font);
  EXPECT_EQ(font.requested, (std::vector<char32_t>{0x9AD9, 0xFA11}));
  // Each covers 21 pixels from its first unit: x 0..20 and 22..42 (the
  // half pixel per single-byte unit adds up to one by then).
  EXPECT_EQ(s.Get(20, 0), 0xffffffu);
  EXPECT_EQ(s.Get(21, 0), 0u);
  EXPECT_EQ(s.Get(42, 0), 0xffffffu);
  EXPECT_EQ(s.Get(43, 0), 0u);
}

TEST(DrawTextLine, DrawsAtMost1023BytesAndReplacesInvalidPairs) {
  // 1000 lines of one character: only the first 1023 bytes (512 glyphs) count.
  std::string text;
  for (int i = 0; i < 1000; ++i) text += "a\n";
  // Singles are not reset at line feeds, so the 512th glyph sits at x 256.
  Surface tall(300, 21 * 520, 0);
  BoxFont font;
  DrawTextLine(tall, 0, 0, text, 0xffffff, font);
  EXPECT_EQ(font.requested.size(), 512u);
  EXPECT_EQ(tall.Get(256, 21 * 511), 0xffffffu);
  EXPECT_EQ(tall.Get(257, 21 * 512), 0u);

  Surface s(80, 21, 0);
  BoxFont bad_font;
  DrawTextLine(s, 0, 0, "a\x85\x40z\x82", 0xffffff, bad_font);
  EXPECT_EQ(bad_font.requested, (std::vector<char32_t>{U'a', 0xFFFD, U'z', 0xFFFD}));
}

}  // namespace
}  // namespace zepa::display
