// Where the game window goes, and what its position reads back as.
#include "platform/window_place.h"

#include <gtest/gtest.h>

namespace zepa::platform {
namespace {

constexpr DesktopRect kScreen{0, 0, 1920, 1080};

TEST(WindowPlace, AScaledWindowIsCentredOnItsOwnSizeAndStaysOnTheScreen) {
  const FrameSize none;
  // The default position of a 640 x 480 window on 1920 x 1080.
  const ClientPosition one = PlaceGameWindow(640, 300, 1, kScreen, none);
  EXPECT_EQ(one.x, 640);
  EXPECT_EQ(one.y, 300);
  // Doubled: 1280 x 960 centred on the same point.
  const ClientPosition two = PlaceGameWindow(640, 300, 2, kScreen, none);
  EXPECT_EQ(two.x, 320);
  EXPECT_EQ(two.y, 60);
  // With a frame, and a panel taking the bottom 80 px, it still fits whole.
  const FrameSize frame{20, 1, 1, 1};
  const ClientPosition framed = PlaceGameWindow(640, 300, 2, {0, 0, 1920, 1000}, frame);
  EXPECT_EQ(framed.x, 320);
  EXPECT_EQ(framed.y, 1000 - 960 - 1);
  EXPECT_GE(framed.y - frame.top, 0);
  // Positions off the screen come back onto it.
  const ClientPosition far = PlaceGameWindow(5000, -300, 1, kScreen, frame);
  EXPECT_EQ(far.x, 1920 - 640 - 1);
  EXPECT_EQ(far.y, 20);
  // Larger than the screen: the caption stays reachable.
  const ClientPosition big = PlaceGameWindow(640, 300, 3, kScreen, frame);
  EXPECT_EQ(big.x, 1);
  EXPECT_EQ(big.y, 20);
  // A second screen to the right keeps the window on it.
  const ClientPosition right = PlaceGameWindow(2560, 300, 2, {1920, 0, 1920, 1080}, none);
  EXPECT_EQ(right.x, 2240);
}

TEST(WindowPlace, WhatIsReadBackPlacesTheWindowWhereItWas) {
  for (int scale = 1; scale <= 4; ++scale) {
    const ClientPosition placed = PlaceGameWindow(100, 50, scale, {0, 0, 4000, 3000}, {});
    const ClientPosition game = GamePositionOf(placed, scale);
    const ClientPosition again = PlaceGameWindow(game.x, game.y, scale, {0, 0, 4000, 3000}, {});
    EXPECT_EQ(again.x, placed.x) << scale;
    EXPECT_EQ(again.y, placed.y) << scale;
  }
  EXPECT_EQ(GamePositionOf({320, 60}, 2).x, 640);
  EXPECT_EQ(GamePositionOf({320, 60}, 2).y, 300);
}

TEST(WindowPlace, TheOpeningSizeFitsTheScreenAndFollowsTheDesktopScale) {
  const FrameSize frame{30, 2, 2, 2};
  // --scale 2 on 1920 x 1080 with a 40 px panel: 960 + 32 fits in 1040.
  EXPECT_EQ(FitScaleToScreen(2, {0, 0, 1920, 1040}, frame), 2);
  // On 1366 x 768 only 1x fits; on 3840 x 2160, 4x of a wish for 8.
  EXPECT_EQ(FitScaleToScreen(2, {0, 0, 1366, 728}, frame), 1);
  EXPECT_EQ(FitScaleToScreen(8, {0, 0, 3840, 2120}, frame), 4);
  EXPECT_EQ(FitScaleToScreen(3, {}, frame), 3);  // nothing known of the screen
  // A kept size larger than the screen is cut down to it, but no smaller
  // than the least.
  EXPECT_EQ(FitSizeToScreen({2000, 1500}, {320, 240}, {0, 0, 1920, 1040}, frame),
            (WindowSize{1916, 1008}));
  EXPECT_EQ(FitSizeToScreen({100, 100}, {320, 240}, {0, 0, 1920, 1040}, frame),
            (WindowSize{320, 240}));
  // A sized window is placed as a scaled one with the same size.
  EXPECT_EQ(PlaceSizedGameWindow(640, 300, 1280, 960, kScreen, {}).x,
            PlaceGameWindow(640, 300, 2, kScreen, {}).x);
  const ClientPosition odd = PlaceSizedGameWindow(500, 200, 1000, 750, {0, 0, 4000, 3000}, {});
  const ClientPosition back = GamePositionOfSized(odd, 1000, 750);
  EXPECT_EQ(back.x, 500);
  EXPECT_EQ(back.y, 200);

  struct Row {
    const char* gdk;
    double xft, display;
    int want;
  };
  const Row rows[] = {
      {"", 0, 0, 1},    {"2", 0, 0, 2},  {"2", 96, 96, 2}, {"x", 192, 0, 2}, {"", 144, 0, 2},
      {"", 120, 0, 1},  {"", 0, 96, 1},  {"", 0, 288, 3},  {"", 96, 288, 1}, {"0", 0, 0, 1},
      {"", 2000, 0, 8}, {"", 0, 157, 1}, {"", 0, 170, 2},
  };
  for (const Row& r : rows)
    EXPECT_EQ(DesktopScaleFactor({r.gdk, r.xft, r.display}), r.want)
        << r.gdk << " " << r.xft << " " << r.display;
  EXPECT_EQ(ParseXftDpi("Xft.antialias:\t1\nXft.dpi:\t144\nXft.hinting:\t1\n"), 144);
  EXPECT_EQ(ParseXftDpi("Xft.dpi: 96.5"), 96.5);
  EXPECT_EQ(ParseXftDpi("*.dpi:\t120\nXft.dpi:\tlots\n"), 0);
  EXPECT_EQ(ParseXftDpi(""), 0);
}

}  // namespace
}  // namespace zepa::platform
