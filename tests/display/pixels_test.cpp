#include "display/pixels.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>

namespace zepa::display {
namespace {

using platform::MakeColor;

constexpr Color kKey = 0xff00ff;  // magenta

Surface Random(int w, int h, uint32_t seed) {
  Surface s(w, h, 0);
  std::mt19937 rng(seed);
  for (auto& b : s.pixels) b = static_cast<uint8_t>(rng());
  return s;
}

TEST(CopyRect, ClipsToTheSourceAndFillsTheRest) {
  Surface src(4, 3, 0);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) src.Set(x, y, MakeColor(x, y, 7));
  Surface inside = CopyRect(src, 1, 1, 2, 2);
  EXPECT_EQ(inside.Get(0, 0), MakeColor(1, 1, 7));
  EXPECT_EQ(inside.Get(1, 1), MakeColor(2, 2, 7));
  Surface over = CopyRect(src, -1, 2, 3, 3, 0x123456);
  ASSERT_EQ(over.width, 3);
  EXPECT_EQ(over.Get(0, 0), 0x123456u);
  EXPECT_EQ(over.Get(1, 0), MakeColor(0, 2, 7));
  EXPECT_EQ(over.Get(2, 0), MakeColor(1, 2, 7));
  EXPECT_EQ(over.Get(1, 1), 0x123456u);
  EXPECT_EQ(CopyRect(src, INT_MIN, INT_MAX, 2, 2), Surface(2, 2, 0xffffff));
  EXPECT_TRUE(CopyRect(src, 0, 0, -5, 2).Empty());
  EXPECT_TRUE(CopyRect(src, 0, 0, INT_MAX, INT_MAX).Empty());
}

TEST(Blit, ClipsNegativeOriginsAndOverhangs) {
  Surface target(3, 3, 0);
  Surface src(2, 2, 0xaaaaaa);
  src.Set(1, 1, 0x010203);
  Blit(target, src, -1, -1);
  EXPECT_EQ(target.Get(0, 0), 0x010203u);
  EXPECT_EQ(target.Get(1, 0), 0u);
  Blit(target, src, 2, 2);
  EXPECT_EQ(target.Get(2, 2), 0xaaaaaau);
  Surface before = target;
  Blit(target, src, INT_MAX, INT_MIN);
  Blit(target, src, INT_MIN, 0);
  EXPECT_EQ(target, before);
}

TEST(DrawKeyed, KeyPixelsKeepTheBackgroundEdgesDarken) {
  // A 3x3 block inside a key-coloured border.
  Surface pic(5, 5, kKey);
  for (int y = 1; y <= 3; ++y)
    for (int x = 1; x <= 3; ++x) pic.Set(x, y, MakeColor(200, 100, 50));
  Surface bg(5, 5, MakeColor(100, 200, 250));
  DrawKeyed(bg, pic, 0);
  EXPECT_EQ(bg.Get(0, 0), MakeColor(100, 200, 250));  // key: background stays
  EXPECT_EQ(bg.Get(4, 2), MakeColor(100, 200, 250));
  EXPECT_EQ(bg.Get(2, 2), MakeColor(200, 100, 50));   // no key neighbour: the picture
  // Pixels next to the key: max(0, B + F - 255) per channel.
  EXPECT_EQ(bg.Get(1, 1), MakeColor(45, 45, 45));
  EXPECT_EQ(bg.Get(2, 3), MakeColor(45, 45, 45));
}

TEST(DrawKeyed, OpacityMixesAndOnlyFourNeighboursMakeEdges) {
  Surface pic(3, 3, MakeColor(0, 10, 255));
  pic.Set(0, 0, kKey);  // the key is whatever the top-left pixel is
  pic.Set(2, 2, kKey);
  const Surface start(3, 3, MakeColor(200, 100, 0));
  Surface bg = start;
  DrawKeyed(bg, pic, 50);
  // (1,1) has key pixels only diagonally: a plain mix (B*50 + P*50) / 100.
  EXPECT_EQ(bg.Get(1, 1), MakeColor(100, 55, 127));
  // (1,0) touches the key on its left: the mix, then max(0, B + F - 255).
  EXPECT_EQ(bg.Get(1, 0), MakeColor(45, 0, 0));
  EXPECT_EQ(bg.Get(0, 0), MakeColor(200, 100, 0));
  // An opacity outside 0..100 counts as 0: the picture is opaque.
  bg = start;
  DrawKeyed(bg, pic, 101);
  EXPECT_EQ(bg.Get(1, 1), MakeColor(0, 10, 255));
  bg = start;
  DrawKeyed(bg, pic, -1);
  EXPECT_EQ(bg.Get(1, 1), MakeColor(0, 10, 255));
  // Integer division rounds down: (200*33 + 0*67) / 100 = 66, (100*33 + 10*67) / 100 = 39.
  bg = start;
  DrawKeyed(bg, pic, 33);
  EXPECT_EQ(bg.Get(1, 1), MakeColor(66, 39, 170));
  // 100: the background shows through entirely.
  bg = start;
  DrawKeyed(bg, pic, 100);
  EXPECT_EQ(bg.Get(1, 1), MakeColor(200, 100, 0));
}

TEST(DrawKeyed, OnlyTheOverlapIsWrittenAndNeighboursComeFromThePicture) {
  // Row 0: key P P; row 1: P P key. The area drawn on is the top row only.
  Surface pic(3, 2, MakeColor(100, 100, 100));
  pic.Set(0, 0, kKey);
  pic.Set(2, 1, kKey);
  Surface area(3, 1, MakeColor(200, 200, 200));
  DrawKeyed(area, pic, 0);
  // (2,0) has its key neighbour below, outside the area but inside the picture.
  EXPECT_EQ(area.Get(2, 0), MakeColor(45, 45, 45));
  Surface wide(5, 1, MakeColor(200, 200, 200));
  DrawKeyed(wide, pic, 0);
  EXPECT_EQ(wide.Get(3, 0), MakeColor(200, 200, 200));  // beyond the picture
  Surface empty;
  DrawKeyed(wide, empty, 0);
  DrawKeyed(empty, pic, 0);
}

TEST(ShadeStrip, GreyMasksDarkenWhiteKeepsBlackBlackens) {
  Surface strip(3, 2, MakeColor(200, 100, 50));
  Surface mask(2, 1, 0);
  mask.Set(0, 0, 0xffffff);
  mask.Set(1, 0, MakeColor(128, 200, 255));
  ShadeStrip(strip, mask);
  EXPECT_EQ(strip.Get(0, 0), MakeColor(200, 100, 50));
  EXPECT_EQ(strip.Get(1, 0), MakeColor(73, 45, 50));
  EXPECT_EQ(strip.Get(2, 0), MakeColor(200, 100, 50));  // outside the mask
  EXPECT_EQ(strip.Get(0, 1), MakeColor(200, 100, 50));
  Surface black(1, 1, 0);
  ShadeStrip(strip, black);
  EXPECT_EQ(strip.Get(0, 0), 0u);
}

TEST(BlendFrames, EqualsTheFixedPointFormulaExactly) {
  Surface from = Random(37, 11, 1);
  Surface to = Random(37, 11, 2);
  Surface out;
  for (uint32_t t : {0u, 1u, 255u, 256u, 32767u, 32768u, 40000u, 65535u, 65536u}) {
    BlendFrames(from, to, out, t);
    ASSERT_EQ(out.width, 37);
    ASSERT_EQ(out.height, 11);
    for (size_t i = 0; i < out.pixels.size(); ++i) {
      const uint64_t want = (uint64_t{from.pixels[i]} * (65536 - t) + uint64_t{to.pixels[i]} * t) >> 16;
      ASSERT_EQ(out.pixels[i], want) << "t=" << t << " i=" << i;
    }
  }
  BlendFrames(from, to, out, 1u << 20);  // past the end is the end
  EXPECT_EQ(out.pixels, to.pixels);
  Surface same = from;
  BlendFrames(from, same, out, 12345);
  EXPECT_EQ(out.pixels, from.pixels);
  BlendFrames(from, Random(3, 3, 4), out, 100);  // mismatched sizes: the target
  EXPECT_EQ(out, Random(3, 3, 4));
}

TEST(BlendFrames, EveryPairOfBytesAtEveryKindOfWeightBlendsExactly) {
  // A frame as wide as the game's, whose bytes run through all 65536 pairs
  // (from, to), so the wide path and the scalar tail both meet each pair;
  // weights on both sides of 32768, where the wide path changes its sum.
  Surface from(640, 103, 0), to(640, 103, 0), out;
  for (size_t i = 0; i < from.pixels.size(); ++i) {
    from.pixels[i] = static_cast<uint8_t>(i);
    to.pixels[i] = static_cast<uint8_t>((i >> 8) + (i >> 16));
  }
  for (uint32_t t : {1u, 2u, 127u, 4096u, 32767u, 32768u, 32769u, 49151u, 65534u, 65535u}) {
    BlendFrames(from, to, out, t);
    for (size_t i = 0; i < out.pixels.size(); ++i) {
      const uint64_t want = (uint64_t{from.pixels[i]} * (65536 - t) + uint64_t{to.pixels[i]} * t) >> 16;
      ASSERT_EQ(out.pixels[i], want) << "t=" << t << " from=" << int{from.pixels[i]} << " to=" << int{to.pixels[i]};
    }
  }
}

}  // namespace
}  // namespace zepa::display
