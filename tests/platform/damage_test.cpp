#include "platform/damage.h"

#include <gtest/gtest.h>


namespace zepa::platform {
namespace {

constexpr int kW = 640;
constexpr int kH = 480;

// Every pixel that differs lies in some rectangle, and no two overlap.
void ExpectCovers(const Surface& before, const Surface& after, const std::vector<DamageRect>& rects) {
  for (int y = 0; y < after.height; ++y) {
    for (int x = 0; x < after.width; ++x) {
      if (before.Get(x, y) == after.Get(x, y)) continue;
      bool covered = false;
      for (const DamageRect& r : rects) covered = covered || (x >= r.x && x < r.Right() && y >= r.y && y < r.Bottom());
      ASSERT_TRUE(covered) << "pixel " << x << "," << y;
    }
  }
  for (size_t i = 0; i < rects.size(); ++i)
    for (size_t j = i + 1; j < rects.size(); ++j) {
      const DamageRect& a = rects[i];
      const DamageRect& b = rects[j];
      EXPECT_FALSE(a.x < b.Right() && b.x < a.Right() && a.y < b.Bottom() && b.y < a.Bottom());
    }
}

// Something glyph-like in the w x h cell at (x, y): a ring of strokes with
// untouched pixels inside, as the edges of a character leave them.
void DrawMark(Surface& s, int x, int y, int w, int h, Color c) {
  for (int dy = 0; dy < h; ++dy)
    for (int dx = 0; dx < w; ++dx)
      if (dy == 0 || dx == 0 || dy == h - 1 || dx == w - 1 || (dx + dy) % 3 == 0) s.Set(x + dx, y + dy, c);
}

TEST(Damage, AGlyphChangesOnlyWithinItsCell) {
  const Surface before(kW, kH, 0x336699);
  Surface after = before;
  // A glyph fading in at the message window's first cell.
  DrawMark(after, 12, 348, 21, 21, 0x99aabb);
  const std::vector<DamageRect> rects = FindDamage(before, after);
  ASSERT_EQ(rects.size(), 1u);
  EXPECT_EQ(rects[0], (DamageRect{12, 348, 21, 21}));
}

TEST(Damage, TheWaitIconAndAGlyphApartAreTwoRectangles) {
  const Surface before(kW, kH, 0x000000);
  Surface after = before;
  DrawMark(after, 604, 442, 32, 32, 0x2050e6);  // the wait icon's square
  DrawMark(after, 12, 348, 21, 21, 0xffffff);
  const std::vector<DamageRect> rects = FindDamage(before, after);
  ASSERT_EQ(rects.size(), 2u);
  ExpectCovers(before, after, rects);
  // Neither strays outside the cell it was drawn in.
  for (const DamageRect& r : rects) {
    const bool in_icon = r.x >= 604 && r.Right() <= 636 && r.y >= 442 && r.Bottom() <= 474;
    const bool in_glyph = r.x >= 12 && r.Right() <= 33 && r.y >= 348 && r.Bottom() <= 369;
    EXPECT_TRUE(in_icon || in_glyph) << r.x << "," << r.y << " " << r.w << "x" << r.h;
  }
}

TEST(Damage, AFullFrameFadeIsOneRectangleAndNoChangeIsNone) {
  const Surface from(kW, kH, 0x102030);
  Surface mid(kW, kH, 0x405060);
  EXPECT_EQ(FindDamage(from, mid), (std::vector<DamageRect>{{0, 0, kW, kH}}));
  EXPECT_TRUE(FindDamage(mid, mid).empty());
  // A different size, or nothing shown before, is the whole frame.
  EXPECT_EQ(FindDamage(Surface(), mid), (std::vector<DamageRect>{{0, 0, kW, kH}}));
  EXPECT_EQ(FindDamage(Surface(320, 240), mid), (std::vector<DamageRect>{{0, 0, kW, kH}}));
}

TEST(Damage, AChangeInTheLastByteOfTheFrameIsFound) {
  const Surface before(kW, kH, 0);
  Surface after = before;
  after.Set(kW - 1, kH - 1, 0x010000);  // blue only: the last byte of the last row
  EXPECT_EQ(FindDamage(before, after), (std::vector<DamageRect>{{kW - 1, kH - 1, 1, 1}}));
  // One byte in the middle of a long run of equal ones, and the first byte.
  Surface middle = before;
  middle.Set(333, 100, 0x000100);
  EXPECT_EQ(FindDamage(before, middle), (std::vector<DamageRect>{{333, 100, 1, 1}}));
  Surface start = before;
  start.Set(0, 0, 0x010000);
  EXPECT_EQ(FindDamage(before, start), (std::vector<DamageRect>{{0, 0, 1, 1}}));
}

TEST(Damage, StrokesOfOneGlyphWithGapsMergeIntoOne) {
  // Rows of a glyph with clean rows between them ("=" and the like) give
  // bands a pixel or two apart: one rectangle, not three.
  const Surface before(kW, kH, 0);
  Surface after = before;
  for (int x = 100; x < 118; ++x) {
    after.Set(x, 200, 0xffffff);
    after.Set(x, 203, 0xffffff);
    after.Set(x, 206, 0xffffff);
  }
  EXPECT_EQ(FindDamage(before, after), (std::vector<DamageRect>{{100, 200, 18, 7}}));
}

TEST(Damage, MergingJoinsNearRectanglesAndCapsTheCount) {
  // Within the gap: joined; beyond it: kept apart.
  EXPECT_EQ(MergeDamage({{0, 0, 10, 10}, {15, 0, 10, 10}}, 8, 8), (std::vector<DamageRect>{{0, 0, 25, 10}}));
  EXPECT_EQ(MergeDamage({{0, 0, 10, 10}, {30, 0, 10, 10}}, 8, 8).size(), 2u);
  // A join can bring a third one within reach.
  EXPECT_EQ(MergeDamage({{0, 0, 10, 10}, {30, 0, 10, 10}, {16, 0, 10, 10}}, 8, 8),
            (std::vector<DamageRect>{{0, 0, 40, 10}}));
  // Empty ones vanish.
  EXPECT_TRUE(MergeDamage({{5, 5, 0, 10}, {5, 5, 10, 0}}, 8, 8).empty());
  // Too many: their bounding box.
  std::vector<DamageRect> many;
  for (int i = 0; i < 10; ++i) many.push_back({i * 50, i * 40, 5, 5});
  EXPECT_EQ(MergeDamage(many, 8, 8), (std::vector<DamageRect>{{0, 0, 455, 365}}));
}

TEST(Damage, CopyRectsBringsTheShadowUpToTheFrame) {
  const Surface before(64, 48, 0x000000);
  Surface after = before;
  DrawMark(after, 10, 10, 21, 21, 0x00ff00);
  DrawMark(after, 40, 20, 5, 5, 0x0000ff);
  Surface shadow = before;
  CopyRects(after, shadow, FindDamage(before, after));
  EXPECT_TRUE(shadow == after);
}

}  // namespace
}  // namespace zepa::platform
