// The History and Settings windows as descriptions, without a host.
#include <gtest/gtest.h>

#include "windows/history_window.h"
#include "windows/settings_window.h"

namespace zepa::windows {
namespace {

TEST(HistoryPager, OpensAtTheNewestLinesAndClosesPastTheEnd) {
  HistoryPager pager(25, 10);
  EXPECT_EQ(pager.top(), 15);     // the last ten lines
  EXPECT_FALSE(pager.Scroll(1));  // down at the end: close
  EXPECT_TRUE(pager.Scroll(-10));
  EXPECT_EQ(pager.top(), 5);
  EXPECT_TRUE(pager.Scroll(-10));
  EXPECT_EQ(pager.top(), 0);  // held at the oldest line
  EXPECT_TRUE(pager.Scroll(100));
  EXPECT_EQ(pager.top(), 15);
  HistoryPager short_history(3, 10);
  EXPECT_EQ(short_history.top(), 0);
  EXPECT_FALSE(short_history.Scroll(1));
}

TEST(HistoryWindow, KeysAndTheWheelPageTheText) {
  std::vector<std::string> lines;
  for (int i = 0; i < 100; ++i) lines.push_back("line" + std::to_string(i));
  platform::ToolWindow w;
  BuildHistoryWindow(w, lines, false);
  const std::string& memo = w.Find("Memo_HISTORY")->text;
  EXPECT_NE(memo.find("line99"), std::string::npos);
  EXPECT_EQ(memo.find("line0\n"), std::string::npos);
  ASSERT_TRUE(w.Key(platform::vk::kPageUp));
  EXPECT_EQ(w.Find("Memo_HISTORY")->text.find("line99"), std::string::npos);
  w.Wheel(-100);  // back to the end, then past it
  EXPECT_FALSE(w.closed());
  w.Wheel(-1);
  EXPECT_TRUE(w.closed());
  platform::ToolWindow w2;
  BuildHistoryWindow(w2, lines, true);
  EXPECT_EQ(w2.Find("Memo_HISTORY")->font_px, 24);
  w2.RightClick();
  EXPECT_TRUE(w2.closed());
}

TEST(SettingsWindow, ChangesAreBoundedAndAppliedAtOnce) {
  player::Settings s;
  int applied = 0;
  bool full = false;
  SettingsActions actions;
  actions.apply = [&] { ++applied; };
  actions.full_screen = [&] { return full; };
  actions.toggle_full_screen = [&] { full = !full; };
  platform::ToolWindow w;
  BuildSettingsWindow(w, s, actions);
  ASSERT_TRUE(w.SetText("Edit_TEXT_SPEED", "9999"));
  EXPECT_EQ(s.text_speed_percent, 400);
  ASSERT_TRUE(w.SetText("Edit_AUTO_BASE", "12x"));  // not a number yet: nothing changes
  EXPECT_EQ(s.auto_base_ms, 1000);
  ASSERT_TRUE(w.SetText("Edit_EFFECT_VOLUME", "30"));
  EXPECT_EQ(s.effect_volume_percent, 30);
  EXPECT_EQ(applied, 2);
  ASSERT_TRUE(w.Press("Button_SKIP_UNREAD"));
  EXPECT_TRUE(s.skip_unread);
  EXPECT_EQ(w.Find("Button_SKIP_UNREAD")->text, "Skip unread text: on");
  ASSERT_TRUE(w.Press("Button_FULL_SCREEN"));
  EXPECT_TRUE(full);
  EXPECT_EQ(w.Find("Button_FULL_SCREEN")->text, "Full screen: on");
  EXPECT_EQ(applied, 4);
  // The scaling choice lists the modes and shows the one in force.
  const platform::Control* scaling = w.Find("ComboBox_SCALING");
  ASSERT_NE(scaling, nullptr);
  EXPECT_EQ(scaling->items, (std::vector<std::string>{"sharp", "integer", "nearest", "smooth"}));
  EXPECT_EQ(scaling->selected, 0);
  ASSERT_TRUE(scaling->on_select);
  scaling->on_select(3);
  EXPECT_EQ(s.scaling, platform::ScaleMode::kSmooth);
  EXPECT_EQ(applied, 5);
  s.scaling = platform::ScaleMode::kNearest;
  platform::ToolWindow again;
  BuildSettingsWindow(again, s, {});
  EXPECT_EQ(again.Find("ComboBox_SCALING")->selected, 2);
}

}  // namespace
}  // namespace zepa::windows
