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

}  // namespace
}  // namespace zepa::platform
