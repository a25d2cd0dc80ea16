#include "engine/input_rules.h"

#include <gtest/gtest.h>

#include "platform/host.h"
#include "script/interpreter.h"

namespace zepa::engine {
namespace {

using platform::vk::kDown;
using platform::vk::kEscape;
using platform::vk::kF1;
using platform::vk::kReturn;
using platform::vk::kShift;
using platform::vk::kSpace;
using platform::vk::kUp;
namespace adv = script::adv;

TEST(KeyActionFor, FollowsTheKeyTableInOrder) {
  struct Row {
    int key;
    bool ctrl;
    int skip;
    int mode;
    KeyAction want;
  };
  const Row rows[] = {
      {'L', true, 0, adv::kChoice, KeyAction::kRestart},  // Ctrl+L before L
      {'L', false, 0, adv::kRun, KeyAction::kLoadWindow},
      {kF1, false, 1, adv::kChoice, KeyAction::kMenuJump},
      {kShift, false, 1, adv::kTextEnd, KeyAction::kNone},
      {kEscape, false, 0, adv::kRun, KeyAction::kAbout},
      {'S', false, 0, adv::kBusy, KeyAction::kSaveLoadWindow},
      {'Q', true, 0, adv::kRun, KeyAction::kConfirmQuit},
      // Skip mode wins over every wait state.
      {kReturn, false, 1, adv::kChoice, KeyAction::kSkipToLabel},
      {kSpace, false, 1, adv::kRun, KeyAction::kSkipToLabel},
      {kReturn, false, 0, adv::kMoreText, KeyAction::kContinueText},
      {kSpace, false, 0, adv::kTextEnd, KeyAction::kContinueText},
      {kReturn, false, 0, adv::kChoice, KeyAction::kChoose},
      {kUp, false, 0, adv::kChoice, KeyAction::kHighlightUp},
      {kDown, false, 0, adv::kChoice, KeyAction::kHighlightDown},
      // Outside a choice the arrows and confirm keys do nothing.
      {kDown, false, 0, adv::kTextEnd, KeyAction::kNone},
      {kReturn, false, 0, adv::kRun, KeyAction::kNone},
      {kReturn, false, 0, adv::kMousePosition, KeyAction::kNone},
      {'A', false, 0, adv::kChoice, KeyAction::kNone},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(KeyActionFor(r.key, r.ctrl, r.skip, r.mode), r.want)
        << "key " << r.key << " ctrl " << r.ctrl << " skip " << r.skip << " mode " << r.mode;
  }
}

TEST(ClickActionFor, SkipModeFirstThenTheWaitState) {
  EXPECT_EQ(ClickActionFor(1, adv::kChoice), ClickAction::kSkipToLabel);
  EXPECT_EQ(ClickActionFor(1, adv::kBusy), ClickAction::kSkipToLabel);
  EXPECT_EQ(ClickActionFor(0, adv::kMoreText), ClickAction::kContinueText);
  EXPECT_EQ(ClickActionFor(0, adv::kTextEnd), ClickAction::kContinueText);
  EXPECT_EQ(ClickActionFor(0, adv::kChoice), ClickAction::kChoose);
  EXPECT_EQ(ClickActionFor(0, adv::kMousePosition), ClickAction::kMousePosition);
  EXPECT_EQ(ClickActionFor(0, adv::kRun), ClickAction::kNone);
  EXPECT_EQ(ClickActionFor(0, adv::kBusy), ClickAction::kNone);
}

TEST(WheelContinuesText, OnlyTowardsThePlayerWhileTextWaitsOutsideSkipMode) {
  EXPECT_TRUE(WheelContinuesText(-1, 0, adv::kMoreText));
  EXPECT_TRUE(WheelContinuesText(-3, 0, adv::kTextEnd));
  EXPECT_FALSE(WheelContinuesText(1, 0, adv::kMoreText));
  EXPECT_FALSE(WheelContinuesText(-1, 1, adv::kMoreText));
  EXPECT_FALSE(WheelContinuesText(-1, 0, adv::kChoice));
}

}  // namespace
}  // namespace zepa::engine
