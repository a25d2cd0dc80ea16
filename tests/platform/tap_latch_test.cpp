// Taps of the hurry keys between two looks at the key state.
#include "platform/tap_latch.h"

#include <gtest/gtest.h>

namespace zepa::platform {
namespace {

TEST(TapLatch, ATapBetweenTwoLooksCountsOnceAtTheNext) {
  TapLatch taps;
  EXPECT_FALSE(taps.Look(HeldKey::kMiddleButton, false, 1000));
  taps.Press(HeldKey::kMiddleButton, 1010);               // down and up before the next look
  EXPECT_FALSE(taps.Look(HeldKey::kSpace, false, 1020));  // another key's tap
  EXPECT_TRUE(taps.Look(HeldKey::kMiddleButton, false, 1040));
  EXPECT_FALSE(taps.Look(HeldKey::kMiddleButton, false, 1060));
  // The live state counts whatever the taps say.
  EXPECT_TRUE(taps.Look(HeldKey::kShift, true, 1070));
}

TEST(TapLatch, PressesNoLoopIsLookingForAreNotTaps) {
  TapLatch taps;
  // Nobody has looked yet: the key press only goes to its handler.
  taps.Press(HeldKey::kSpace, 10);
  EXPECT_FALSE(taps.Look(HeldKey::kSpace, false, 20));
  // A press long after the last look (the player reading a page) does not
  // hurry the reveal that it starts.
  taps.Press(HeldKey::kSpace, 20 + TapLatch::kLookGapMs + 1);
  EXPECT_FALSE(taps.Look(HeldKey::kSpace, false, 20 + TapLatch::kLookGapMs + 2));
  // A tap whose next look comes too late has gone stale.
  taps.Press(HeldKey::kReturn, 200);
  EXPECT_FALSE(taps.Look(HeldKey::kReturn, false, 200 + TapLatch::kLookGapMs + 1));
  // Discarded input takes the taps, and the looks before it.
  EXPECT_FALSE(taps.Look(HeldKey::kReturn, false, 400));
  taps.Press(HeldKey::kReturn, 410);
  taps.Discard();
  EXPECT_FALSE(taps.Look(HeldKey::kReturn, false, 420));
  taps.Discard();
  taps.Press(HeldKey::kReturn, 430);
  EXPECT_FALSE(taps.Look(HeldKey::kReturn, false, 440));
}

}  // namespace
}  // namespace zepa::platform
