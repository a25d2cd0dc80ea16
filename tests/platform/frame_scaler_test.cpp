#include "platform/frame_scaler.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "platform/window_scaler.h"

namespace zepa::platform {
namespace {

Surface Noise(int w, int h, unsigned seed) {
  Surface s(w, h, 0);
  std::mt19937 rng(seed);
  for (uint8_t& b : s.pixels) b = static_cast<uint8_t>(rng());
  return s;
}

// The scaled rectangle as the plain resizers make it, one mode at a time.
Surface Reference(const Surface& game, const GameRect& rect, ScaleMode mode) {
  switch (mode) {
    case ScaleMode::kInteger:
    case ScaleMode::kNearest:
      return ResizeNearest(game, rect.width, rect.height);
    case ScaleMode::kSmooth:
      return ResizeBilinear(game, rect.width, rect.height);
    case ScaleMode::kSharp:
      break;
  }
  const int k = WholeFactor(rect, game.width, game.height);
  Surface even = ResizeNearest(game, game.width * k, game.height * k);
  if (even.width == rect.width && even.height == rect.height) return even;
  return ResizeBilinear(even, rect.width, rect.height);
}

std::vector<uint32_t> ScreenPixels(const Surface& s) {
  std::vector<uint32_t> out(static_cast<size_t>(s.width) * s.height);
  ToScreenPixels(s, DamageRect{0, 0, s.width, s.height}, reinterpret_cast<uint8_t*>(out.data()),
                 s.width * 4);
  return out;
}

TEST(FrameScaler, MatchesThePlainResizersInEveryModeAndSize) {
  const ScaleMode modes[] = {ScaleMode::kSharp, ScaleMode::kInteger, ScaleMode::kNearest,
                             ScaleMode::kSmooth};
  struct Case {
    int game_w, game_h, window_w, window_h;
  } cases[] = {
      {640, 480, 1280, 960},   // whole factor 2
      {640, 480, 1920, 1080},  // full screen: 2.25 with bars
      {640, 480, 1000, 750},   // below a factor of 2
      {640, 480, 2000, 1500},  // 3.125
      {640, 480, 320, 240},    // shrunk
      {7, 5, 23, 17},          // rows and columns that end in the plain loops
      {3, 3, 13, 13},          // whole factor 4 with bars
  };
  for (const Case& c : cases) {
    const Surface game = Noise(c.game_w, c.game_h, static_cast<unsigned>(c.window_w));
    for (ScaleMode mode : modes) {
      const GameRect rect = FitGameRect(c.window_w, c.window_h, c.game_w, c.game_h, mode);
      const Surface want = Reference(game, rect, mode);
      const Surface shot = ScaleToWindow(game, c.window_w, c.window_h, mode);
      int wrong = 0;
      for (int y = 0; y < c.window_h && wrong < 5; ++y)
        for (int x = 0; x < c.window_w && wrong < 5; ++x) {
          const bool inside = x >= rect.x && y >= rect.y && x < rect.x + rect.width &&
                              y < rect.y + rect.height;
          const Color expected = inside ? want.Get(x - rect.x, y - rect.y) : 0;
          if (shot.Get(x, y) != expected) {
            ADD_FAILURE() << ScaleModeName(mode) << " " << c.window_w << "x" << c.window_h
                          << " at " << x << "," << y << ": " << std::hex << shot.Get(x, y)
                          << " not " << expected;
            ++wrong;
          }
        }
    }
  }
}

// A frame that changed in one place is redrawn over the reach of the change
// only, and the window then holds what a whole redraw gives: no seams.
TEST(FrameScaler, RedrawingTheReachOfAChangeEqualsAWholeRedraw) {
  const ScaleMode modes[] = {ScaleMode::kSharp, ScaleMode::kNearest, ScaleMode::kSmooth};
  const DamageRect changes[] = {{100, 50, 37, 21}, {0, 0, 1, 1}, {639, 479, 1, 1}, {300, 0, 5, 480}};
  for (const auto& [w, h] : {std::pair{1280, 960}, std::pair{1440, 1080}, std::pair{900, 675}}) {
    for (ScaleMode mode : modes) {
      const GameRect rect{0, 0, w, h};
      const ScalePlan plan = PlanScale(640, 480, rect, mode);
      Surface before = Noise(640, 480, 1);
      std::vector<uint32_t> window(static_cast<size_t>(w) * h);
      DrawScaled(plan, ScreenPixels(before).data(), 640, DamageRect{0, 0, w, h}, window.data(), w);
      for (const DamageRect& change : changes) {
        Surface after = before;
        const Surface patch = Noise(change.w, change.h, 9);
        for (int y = 0; y < change.h; ++y)
          for (int x = 0; x < change.w; ++x)
            after.Set(change.x + x, change.y + y, patch.Get(x, y));
        const std::vector<uint32_t> source = ScreenPixels(after);
        const DamageRect reach = ReachOf(plan, change);
        ASSERT_FALSE(reach.Empty());
        DrawScaled(plan, source.data(), 640, reach, window.data(), w);
        std::vector<uint32_t> whole(window.size());
        DrawScaled(plan, source.data(), 640, DamageRect{0, 0, w, h}, whole.data(), w);
        EXPECT_EQ(window, whole) << ScaleModeName(mode) << " " << w << " change at " << change.x
                                 << "," << change.y;
        // The reach is near the change, not the whole window.
        if (change.w < 10) {
          EXPECT_LT(reach.w, w / 2);
        }
        before = after;
      }
    }
  }
}

TEST(FrameScaler, SharpMixesOnlyAtTheEdgesOfSourcePixels) {
  // 640 into 1440: the whole factor 2, then 1.125 smoothed. Every source
  // pixel keeps at least one pure column; only columns between two copies
  // of different pixels mix.
  const ScalePlan plan = PlanScale(640, 480, GameRect{240, 0, 1440, 1080}, ScaleMode::kSharp);
  ASSERT_EQ(plan.whole, 0);
  std::vector<int> pure(640, 0);
  int mixed = 0;
  for (size_t i = 0; i < plan.across.index.size(); ++i) {
    if (plan.across.weight[i] == 0) ++pure[static_cast<size_t>(plan.across.index[i])];
    else ++mixed;
  }
  EXPECT_GT(mixed, 0);
  for (int x = 0; x < 640; ++x) EXPECT_GE(pure[static_cast<size_t>(x)], 1) << x;
  // Smooth at the same size mixes nearly everywhere.
  int smooth_mixed = 0;
  for (uint16_t w : PlanScale(640, 480, GameRect{240, 0, 1440, 1080}, ScaleMode::kSmooth).across.weight)
    smooth_mixed += w != 0;
  EXPECT_GT(smooth_mixed, mixed);
  for (size_t i = 1; i < plan.across.index.size(); ++i)
    EXPECT_LE(plan.across.index[i] - plan.across.index[i - 1], 1);
  EXPECT_EQ(PlanScale(640, 480, GameRect{320, 60, 1280, 960}, ScaleMode::kSharp).whole, 2);
  EXPECT_EQ(PlanScale(640, 480, GameRect{0, 0, 1280, 960}, ScaleMode::kSmooth).whole, 0);
}

}  // namespace
}  // namespace zepa::platform
