// Where the game lies in a window of any size, where a click lands, and
// what the plain scaler draws in each mode.
#include "platform/game_rect.h"

#include <gtest/gtest.h>

#include "platform/window_scaler.h"

namespace zepa::platform {
namespace {

TEST(GameRect, FitsTheLargestRectWithTheAspectKeptCentred) {
  struct Row {
    int w, h;
    ScaleMode mode;
    GameRect want;
  };
  const Row rows[] = {
      {640, 480, ScaleMode::kSharp, {0, 0, 640, 480}},
      {1280, 960, ScaleMode::kSharp, {0, 0, 1280, 960}},
      // Full screen on 1920 x 1080: bars left and right.
      {1920, 1080, ScaleMode::kSharp, {240, 0, 1440, 1080}},
      {1920, 1080, ScaleMode::kSmooth, {240, 0, 1440, 1080}},
      {1920, 1080, ScaleMode::kInteger, {320, 60, 1280, 960}},
      // 1024 x 768 is 1.6 times: integer keeps 1 with bars all round.
      {1024, 768, ScaleMode::kNearest, {0, 0, 1024, 768}},
      {1024, 768, ScaleMode::kInteger, {192, 144, 640, 480}},
      // Tall and narrow: bars above and below.
      {800, 1000, ScaleMode::kSharp, {0, 200, 800, 600}},
      // Smaller than the game: shrunk in every mode, integer too.
      {320, 300, ScaleMode::kInteger, {0, 30, 320, 240}},
      {0, 480, ScaleMode::kSharp, {0, 0, 0, 0}},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(FitGameRect(r.w, r.h, 640, 480, r.mode), r.want)
        << r.w << "x" << r.h << " " << ScaleModeName(r.mode);
  }
  for (const char* name : {"sharp", "integer", "nearest", "smooth"})
    EXPECT_STREQ(ScaleModeName(*ParseScaleMode(name)), name);
  EXPECT_FALSE(ParseScaleMode("Sharp"));
  EXPECT_FALSE(ParseScaleMode(""));
}

TEST(GameRect, ClicksMapBackToTheGamePixelAndMissOnTheBars) {
  // Full screen 1920 x 1080 (scale 2.25, bars of 240 px either side).
  const GameRect full = FitGameRect(1920, 1080, 640, 480, ScaleMode::kSharp);
  EXPECT_EQ(WindowToGame(full, 640, 480, 240, 0), (GamePoint{0, 0}));
  EXPECT_EQ(WindowToGame(full, 640, 480, 1679, 1079), (GamePoint{639, 479}));
  EXPECT_EQ(WindowToGame(full, 640, 480, 960, 540), (GamePoint{320, 240}));
  EXPECT_FALSE(WindowToGame(full, 640, 480, 239, 500));
  EXPECT_FALSE(WindowToGame(full, 640, 480, 1680, 500));
  EXPECT_FALSE(WindowToGame(full, 640, 480, -1, -1));
  // Integer mode on the same screen: the bars are all round.
  const GameRect whole = FitGameRect(1920, 1080, 640, 480, ScaleMode::kInteger);
  EXPECT_FALSE(WindowToGame(whole, 640, 480, 960, 59));
  EXPECT_EQ(WindowToGame(whole, 640, 480, 321, 61), (GamePoint{0, 0}));
  EXPECT_EQ(WindowToGame(whole, 640, 480, 322, 62), (GamePoint{1, 1}));
  // At every size at least 1x, the first window pixel that shows a game
  // pixel maps back to it; a shrunk window still maps every point inside.
  for (const auto& [w, h] :
       {std::pair{640, 480}, {1280, 960}, {1000, 700}, {333, 250}, {2560, 1440}, {1366, 768}}) {
    const GameRect r = FitGameRect(w, h, 640, 480, ScaleMode::kSmooth);
    int wrong = 0;
    for (int gx = 0; gx < 640; gx += 7) {
      for (int gy = 0; gy < 480; gy += 5) {
        const int x = r.x + (gx * r.width + 639) / 640;
        const int y = r.y + (gy * r.height + 479) / 480;
        const std::optional<GamePoint> at = WindowToGame(r, 640, 480, x, y);
        if (!at || (r.width >= 640 && (at->x != gx || at->y != gy))) ++wrong;
      }
    }
    EXPECT_EQ(wrong, 0) << w << "x" << h;
  }
}

TEST(GameRect, TheWholeFactorsOfARect) {
  const GameRect full = FitGameRect(1920, 1080, 640, 480, ScaleMode::kSharp);
  EXPECT_EQ(WholeFactor(full, 640, 480), 2);
  EXPECT_EQ(RoundedFactor(full, 640), 2);
  const GameRect small = FitGameRect(1024, 768, 640, 480, ScaleMode::kSharp);
  EXPECT_EQ(WholeFactor(small, 640, 480), 1);
  EXPECT_EQ(RoundedFactor(small, 640), 2);  // 1.6 rounds up
  const GameRect slight = FitGameRect(800, 600, 640, 480, ScaleMode::kSharp);
  EXPECT_EQ(RoundedFactor(slight, 640), 1);  // 1.25 rounds down
  EXPECT_EQ(WholeFactor(FitGameRect(300, 200, 640, 480, ScaleMode::kSharp), 640, 480), 1);
  EXPECT_EQ(WholeFactor({0, 0, 2560, 1920}, 640, 480), 4);
}

// A 2 x 2 checker (black, white / white, black) scaled by the plain scaler.
Surface Checker() {
  Surface s(2, 2, 0);
  s.Set(1, 0, 0xffffff);
  s.Set(0, 1, 0xffffff);
  return s;
}

TEST(WindowScaler, EachModeDrawsTheGameAsItsNameSaysWithBlackBars) {
  const Surface game = Checker();
  // Window 9 x 4 for a 2 x 2 game: the rect is 4 x 4 at x 2 (integer: 4 x 4 too).
  const Surface nearest = ScaleToWindow(game, 9, 4, ScaleMode::kNearest);
  ASSERT_EQ(nearest.width, 9);
  for (int y = 0; y < 4; ++y) {
    EXPECT_EQ(nearest.Get(0, y), 0u);
    EXPECT_EQ(nearest.Get(1, y), 0u);
    EXPECT_EQ(nearest.Get(6, y), 0u);
    for (int x = 0; x < 4; ++x)
      EXPECT_EQ(nearest.Get(2 + x, y), game.Get(x / 2, y / 2)) << x << "," << y;
  }
  // Whole factor fills the rect: sharp is nearest exactly.
  EXPECT_EQ(ScaleToWindow(game, 9, 4, ScaleMode::kSharp), nearest);
  EXPECT_EQ(ScaleToWindow(game, 9, 4, ScaleMode::kInteger), nearest);
  // Smooth has greys between the squares.
  const Surface smooth = ScaleToWindow(game, 9, 4, ScaleMode::kSmooth);
  int greys = 0;
  for (int y = 0; y < 4; ++y)
    for (int x = 2; x < 6; ++x)
      if (smooth.Get(x, y) != 0 && smooth.Get(x, y) != 0xffffff) ++greys;
  EXPECT_GT(greys, 0);

  // A 1.5 factor (2 x 2 into 3 x 3): nearest makes uneven cells, sharp keeps
  // the corners pure and blends only the one middle row and column.
  const Surface sharp = ScaleToWindow(game, 3, 3, ScaleMode::kSharp);
  EXPECT_EQ(sharp.Get(0, 0), 0u);
  EXPECT_EQ(sharp.Get(2, 0), 0xffffffu);
  EXPECT_EQ(sharp.Get(0, 2), 0xffffffu);
  EXPECT_EQ(sharp.Get(2, 2), 0u);
  const Color mid = sharp.Get(1, 1);
  EXPECT_NE(mid, 0u);
  EXPECT_NE(mid, 0xffffffu);
  const Surface uneven = ScaleToWindow(game, 3, 3, ScaleMode::kNearest);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_TRUE(uneven.Get(x, y) == 0 || uneven.Get(x, y) == 0xffffff);
  // Integer mode cannot fit 2 x 2 into 3 x 3 but once: a centred copy.
  const Surface one = ScaleToWindow(game, 3, 3, ScaleMode::kInteger);
  EXPECT_EQ(one.Get(0, 0), game.Get(0, 0));
  EXPECT_EQ(one.Get(1, 0), game.Get(1, 0));
  EXPECT_EQ(one.Get(2, 2), 0u);  // bar
}

TEST(WindowScaler, BilinearKeepsFlatAreasAndEdgesAndBlendsBetween) {
  Surface s(2, 1, 0);
  s.Set(1, 0, MakeColor(200, 100, 0));
  const Surface wide = ResizeBilinear(s, 4, 1);
  // Centres at 0.25, 0.75, 1.25, 1.75 of the source: held at the ends.
  EXPECT_EQ(wide.Get(0, 0), 0u);
  EXPECT_EQ(wide.Get(3, 0), MakeColor(200, 100, 0));
  EXPECT_EQ(wide.Get(1, 0), MakeColor(50, 25, 0));
  EXPECT_EQ(wide.Get(2, 0), MakeColor(150, 75, 0));
  Surface flat(5, 3, MakeColor(10, 20, 30));
  EXPECT_EQ(ResizeBilinear(flat, 17, 11), Surface(17, 11, MakeColor(10, 20, 30)));
  EXPECT_EQ(ResizeNearest(flat, 3, 2), Surface(3, 2, MakeColor(10, 20, 30)));
}

}  // namespace
}  // namespace zepa::platform
