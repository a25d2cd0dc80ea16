// The menu and the quit confirmation: their codes, the screen notice, and
// both windows in a running game, driven through scripted input.
#include "windows/menu.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "engine/game_fixture.h"

namespace zepa::windows {
namespace {

TEST(ScreenNotice, NamesTheSwitchOnlyWhenItChangesWhatThePlayerSees) {
  struct Row {
    int full_screen, screen_width;
    const char* notice;
  };
  // A 640-wide screen is full screen already, whichever the flag.
  const Row rows[] = {{1, 1920, "フルスクリーンに変更"},
                      {0, 1920, ""},
                      {1, 640, ""},
                      {0, 640, "ウインドウ表示に変更"},
                      {1, 800, "フルスクリーンに変更"}};
  for (const Row& r : rows)
    EXPECT_EQ(ScreenNotice(r.full_screen, r.screen_width), r.notice)
        << r.full_screen << " " << r.screen_width;
}

TEST(MenuButtons, EachChoiceLeavesItsCodeAndCloses) {
  struct Row {
    const char* button;
    int code;
  };
  // The codes are numbers the opener and the state dump agree on.
  const Row rows[] = {
      {"Button_FILE", 1}, {"Button_HELP", 2}, {"Button_EXIT", 3}, {"Button_CLOSE", 0}};
  for (const Row& r : rows) {
    WindowState state;
    int full_screen = 0;
    platform::ToolWindow menu;
    BuildMenu(menu, state, full_screen, 1920);
    EXPECT_TRUE(menu.Press(r.button)) << r.button;
    EXPECT_TRUE(menu.closed()) << r.button;
    EXPECT_EQ(static_cast<int>(state.dialog_choice), r.code) << r.button;
    EXPECT_EQ(full_screen, 0);
  }
  // The menu's design: outer 129 x 211, at the pointer.
  WindowState state;
  int full_screen = 0;
  platform::ToolWindow menu;
  BuildMenu(menu, state, full_screen, 1920);
  EXPECT_EQ(menu.OuterWidth(), 129);
  EXPECT_EQ(menu.OuterHeight(), 211);
  EXPECT_EQ(menu.caption, "めにゅ～");
  EXPECT_EQ(menu.placement, platform::Placement::kAtPointer);
}

TEST(QuitButtons, OnlyTheQuitButtonConfirms) {
  WindowState state;
  state.dialog_choice = DialogChoice::kQuit;
  platform::ToolWindow box;
  BuildQuitConfirmation(box, state);
  EXPECT_EQ(box.OuterWidth(), 189);
  EXPECT_EQ(box.OuterHeight(), 95);
  EXPECT_EQ(box.Find("Image1")->picture.width, 60);
  EXPECT_EQ(box.Find("Image1")->picture.height, 52);
  EXPECT_TRUE(box.Press("Button_CANCEL"));
  EXPECT_TRUE(box.closed());
  EXPECT_EQ(state.dialog_choice, DialogChoice::kQuit);  // left as it was
  platform::ToolWindow again;
  BuildQuitConfirmation(again, state);
  EXPECT_TRUE(again.Press("Button_END"));
  EXPECT_EQ(static_cast<int>(state.dialog_choice), 9);
}

class MenuInGame : public engine::testing::GameFixture {
 protected:
  nlohmann::json Dump(const std::string& name) { return nlohmann::json::parse(Read(name)); }
  std::string Path(const std::string& name) { return (dir_ / name).string(); }
  std::string DumpAt(int ms, const std::string& name) {
    return std::to_string(ms) + " dump " + Path(name) + "\n";
  }
  static const nlohmann::json& Control(const nlohmann::json& window, const std::string& name) {
    for (const auto& c : window["controls"])
      if (c["name"] == name) return c;
    static const nlohmann::json none;
    return none;
  }
  static int N(const nlohmann::json& dump) {
    return std::stoi(dump["variables"]["n"].get<std::string>());
  }
  // Counts one line per tick for a long time.
  static constexpr const char* kCounter = "[set]n=0\n#l\n[set]n=n+1\n[if]n<100000[go]#l\n";
};

TEST_F(MenuInGame, RightClickOpensTheMenuAtThePointerWithTheTimerStopped) {
  Play(kCounter, "1000 rclick 100 50\n" + DumpAt(1100, "a.json") + DumpAt(2000, "b.json") +
                     "2100 press Button_CLOSE\n" + DumpAt(3100, "c.json") + "3200 quit\n");
  const auto a = Dump("a.json"), b = Dump("b.json"), c = Dump("c.json");
  ASSERT_EQ(a["windows"].size(), 1u);
  EXPECT_EQ(a["windows"][0]["name"], "Form7");
  EXPECT_EQ(a["windows"][0]["position"][0].get<int>() - b["windows"][0]["position"][0].get<int>(),
            0);
  int left = 0, top = 0;
  host_->GetWindowPosition(&left, &top);
  EXPECT_EQ(a["windows"][0]["position"], nlohmann::json::array({left + 100, top + 50}));
  EXPECT_EQ(Control(a["windows"][0], "Label1")["text"], "");
  EXPECT_EQ(a["dialog_choice"], 0);
  // No tick while the menu was open; ticks again once it closed.
  EXPECT_EQ(N(a), N(b));
  EXPECT_GE(N(c), N(b) + 4);
  EXPECT_TRUE(c["windows"].empty());
  EXPECT_EQ(c["dialog_choice"], 0);
  EXPECT_FALSE(host_->full_screen());
}

TEST_F(MenuInGame, ScreenButtonOnAWideScreenSwitchesAfterTheMenuCloses) {
  Play(kCounter, "500 rclick 10 10\n600 press Button_SCREEN\n" + DumpAt(700, "once.json") +
                     "800 press Button_CLOSE\n" + DumpAt(900, "after.json") + "1000 quit\n");
  const auto once = Dump("once.json"), after = Dump("after.json");
  EXPECT_EQ(Control(once["windows"][0], "Label1")["text"], "フルスクリーンに変更");
  EXPECT_EQ(once["full_screen"], 1);  // the flag flips at once...
  EXPECT_TRUE(after["windows"].empty());
  EXPECT_EQ(after["full_screen"], 1);  // ...and the switch is made after the menu
  EXPECT_EQ(game_->full_screen(), 1);
}

TEST_F(MenuInGame, ScreenButtonPressedTwiceChangesNothing) {
  Play(kCounter, "500 rclick 10 10\n600 press Button_SCREEN\n700 press Button_SCREEN\n" +
                     DumpAt(800, "twice.json") + "900 press Button_CLOSE\n1000 quit\n");
  EXPECT_EQ(Control(Dump("twice.json")["windows"][0], "Label1")["text"], "");
  EXPECT_FALSE(host_->full_screen());
  EXPECT_EQ(game_->full_screen(), 0);
}

TEST_F(MenuInGame, ScreenButtonOnA640WideScreenLeavesFullScreen) {
  platform::HeadlessOptions options;
  options.screen_width = 640;
  options.screen_height = 480;
  Play(kCounter,
       "500 rclick 10 10\n600 press Button_SCREEN\n" + DumpAt(700, "notice.json") +
           "800 press Button_CLOSE\n900 quit\n",
       options);
  EXPECT_EQ(Control(Dump("notice.json")["windows"][0], "Label1")["text"], "ウインドウ表示に変更");
  EXPECT_EQ(game_->full_screen(), 0);
  EXPECT_FALSE(host_->full_screen());
}

TEST_F(MenuInGame, VersionButtonOpensTheAboutBoxAndLoadSaveTheSaveLoadWindow) {
  Play(kCounter, "500 rclick 10 10\n600 press Button_HELP\n" + DumpAt(700, "about.json") +
                     "800 press OKButton\n900 rclick 10 10\n1000 press Button_FILE\n" +
                     DumpAt(1100, "file.json") + "1200 key Escape\n1300 quit\n");
  const auto about = Dump("about.json"), file = Dump("file.json");
  ASSERT_EQ(about["windows"].size(), 1u);
  EXPECT_EQ(about["windows"][0]["name"], "AboutBox");
  EXPECT_EQ(about["dialog_choice"], 2);
  // Opened at once, not through a request; it starts with nothing chosen.
  ASSERT_EQ(file["windows"].size(), 1u);
  EXPECT_EQ(file["windows"][0]["name"], "Form5");
  EXPECT_EQ(file["dialog_choice"], 0);
  EXPECT_EQ(file["window_request"], 0);
}

TEST_F(MenuInGame, QuitThenThinkAgainReturnsToTheGameAsItWas) {
  Play("[text]hello\n[set]n=1\n", DumpAt(1500, "before.json") +
                                      "1600 rclick 10 10\n1700 press Button_EXIT\n" +
                                      DumpAt(1800, "quit.json") + "1900 press Button_CANCEL\n" +
                                      DumpAt(2000, "after.json") + "2100 quit\n");
  auto before = Dump("before.json"), quit = Dump("quit.json"), after = Dump("after.json");
  ASSERT_EQ(quit["windows"].size(), 1u);
  EXPECT_EQ(quit["windows"][0]["name"], "Form6");
  EXPECT_EQ(quit["windows"][0]["caption"], "ゲームをやめますか？");
  // Centred on the 1920 x 1080 screen by its outer size.
  EXPECT_EQ(quit["windows"][0]["position"],
            nlohmann::json::array({(1920 - 189) / 2, (1080 - 95) / 2}));
  EXPECT_TRUE(after["windows"].empty());
  // Everything but the window list and the last code is as it was.
  for (auto* j : {&before, &after}) {
    j->erase("windows");
    j->erase("dialog_choice");
    j->erase("clock_ms");
    j->erase("wait_mode");  // the wait icon's blink phase
  }
  EXPECT_EQ(before.dump(), after.dump());
}

TEST_F(MenuInGame, QKeyAsksWithTheTimerRunningAndQuittingEndsTheGame) {
  Play(kCounter, "1000 key Q\n" + DumpAt(1100, "a.json") + DumpAt(2000, "b.json") +
                     "2100 press Button_END\n");
  const auto a = Dump("a.json"), b = Dump("b.json");
  ASSERT_EQ(a["windows"].size(), 1u);
  EXPECT_EQ(a["windows"][0]["name"], "Form6");
  EXPECT_GT(N(b), N(a) + 3);
  // The end screen ran: the picture faded in over 2 s, then the close.
  EXPECT_TRUE(host_->Closed());
  EXPECT_GE(Now(), 2100u + 2000u);
  EXPECT_LE(Now(), 2100u + 2100u);
}

}  // namespace
}  // namespace zepa::windows
