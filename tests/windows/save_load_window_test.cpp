// The combined save/load window in a running game: when its SAVE button
// shows, the URL box, the timer and wait state while it is open, and the
// ways it is opened.
#include "windows/save_load_window.h"

#include <gtest/gtest.h>

#include "windows/window_game.h"

namespace zepa::windows {
namespace {

namespace fs = std::filesystem;

class SaveLoadWindowTest : public testing::WindowGame {
 protected:
  bool SaveShown(const nlohmann::json& dump) {
    return Control(Window(dump, "Form5"), "Button_SAVE")["visible"].get<bool>();
  }
};

// Counts one line per tick for a long time.
constexpr const char* kCounter = "[set]n=0\n#l\n[set]n=n+1\n[if]n<100000[go]#l\n";

TEST_F(SaveLoadWindowTest, SaveButtonFollowsSaveAllowedAndTwoIsUsedUpByOneShowing) {
  // 1: shown, and stays 1.
  Play("[text]hello\n", "3000 key S\n" + DumpAt(3100, "one.json") + "3200 key Escape\n3300 quit\n");
  auto one = Dump("one.json");
  EXPECT_TRUE(SaveShown(one));
  EXPECT_EQ(one["save_allowed"], 1);
  EXPECT_EQ(Window(one, "Form5")["caption"], "SAVE/LOAD");
  EXPECT_EQ(Window(one, "Form5")["client_size"],
            nlohmann::json::array({261 - 2 * platform::kFrameBorderPx,
                                   189 - platform::kCaptionBarPx - 2 * platform::kFrameBorderPx}));
  EXPECT_EQ(State().save_allowed, script::SavePermission::kAllowed);

  // 0: hidden.
  Play("[savedisable]\n[text]hello\n",
       "3000 key S\n" + DumpAt(3100, "zero.json") + "3200 key Escape\n3300 quit\n");
  auto zero = Dump("zero.json");
  EXPECT_FALSE(SaveShown(zero));
  EXPECT_FALSE(Control(Window(zero, "Form5"), "Button_LOAD").is_null());
  EXPECT_EQ(State().save_allowed, script::SavePermission::kDisabled);

  // "save" turns 0 into 2: the window it opens shows SAVE once, the next
  // one does not.
  Play("[savedisable]\n[save]\n[text]hello\n",
       DumpAt(2000, "first.json") + "2100 press Button_CLOSE\n4000 key S\n" +
           DumpAt(4100, "second.json") + "4200 press Button_CLOSE\n4300 quit\n");
  auto first = Dump("first.json"), second = Dump("second.json");
  EXPECT_TRUE(SaveShown(first));
  EXPECT_EQ(first["save_allowed"], 0);
  EXPECT_FALSE(SaveShown(second));
  EXPECT_TRUE(second["windows"].size() == 1u);
}

TEST_F(SaveLoadWindowTest, LayoutHasTheBuiltInPictureAndTheButtonColumn) {
  Play("[set]v=1\n");
  WindowState state;
  script::SavePermission save_allowed = script::SavePermission::kAllowed;
  SaveLoadWindow w(*host_, state, game_->save_folder(), save_allowed);
  const platform::ToolWindow& tw = w.window();
  EXPECT_EQ(tw.OuterWidth(), 261);
  EXPECT_EQ(tw.OuterHeight(), 189);
  const platform::Control* picture = tw.Find("Image1");
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture->picture.width, 150);
  EXPECT_EQ(picture->picture.height, 150);
  struct Button {
    const char* name;
    int top;
    const char* caption;
  };
  for (const Button& b : {Button{"Button_SAVE", 8, "SAVE"}, Button{"Button_LOAD", 40, "LOAD"},
                          Button{"Button_URL", 72, "URL"}, Button{"Button_CLOSE", 136, "閉じる"}}) {
    const platform::Control* c = tw.Find(b.name);
    ASSERT_NE(c, nullptr) << b.name;
    EXPECT_EQ(c->rect.x, 168) << b.name;
    EXPECT_EQ(c->rect.y, b.top) << b.name;
    EXPECT_EQ(c->text, b.caption) << b.name;
  }
}

TEST_F(SaveLoadWindowTest, WhileOpenTheTimerStandsStillAndTheSaveRecordsTheWaitFromBefore) {
  Play("[text]hello\n[set]after=1\n",
       "3000 key S\n" + DumpAt(3100, "open.json") + DumpAt(4000, "later.json") +
           "4100 press Button_SAVE\n4200 press Button_SAVE1\n4300 press BitBtn_OK\n" +
           DumpAt(4400, "closed.json") + "5000 quit\n");
  auto open = Dump("open.json"), later = Dump("later.json"), closed = Dump("closed.json");
  EXPECT_EQ(open["adv_mode"], script::adv::kBusy);
  // No tick: the wait icon's blink does not move on either.
  EXPECT_EQ(open["wait_mode"], later["wait_mode"]);
  EXPECT_EQ(closed["adv_mode"], script::adv::kTextEnd);
  EXPECT_TRUE(closed["windows"].empty());
  EXPECT_TRUE(host_->TimerEnabled());
  EXPECT_EQ(Number(closed, "after"), 0);
  ASSERT_TRUE(fs::is_regular_file(dir_ / "DATA1.kvd"));

  Create();
  ASSERT_EQ(game_->ReadSaveData("DATA1.kvd"), engine::ReadResult::kRestored);
  EXPECT_EQ(State().adv_mode, script::adv::kTextEnd);

  // The counter stands still while the window is open and runs after it.
  Play(kCounter, "1000 key S\n" + DumpAt(1100, "a.json") + DumpAt(2000, "b.json") +
                     "2100 key Escape\n" + DumpAt(3000, "c.json") + "3100 quit\n");
  auto a = Dump("a.json"), b = Dump("b.json"), c = Dump("c.json");
  EXPECT_EQ(Number(a, "n"), Number(b, "n"));
  EXPECT_GE(Number(c, "n"), Number(b, "n") + 4);
  EXPECT_EQ(b["adv_mode"], script::adv::kBusy);
  EXPECT_TRUE(c["windows"].empty());
}

TEST_F(SaveLoadWindowTest, MenuCodeOneOpensItWithTheTimerStillStopped) {
  Play(kCounter, "1000 rclick 100 50\n1100 press Button_FILE\n" + DumpAt(1200, "open.json") +
                     DumpAt(2000, "later.json") + "2100 press Button_CLOSE\n" +
                     DumpAt(3000, "after.json") + "3100 quit\n");
  auto open = Dump("open.json"), later = Dump("later.json"), after = Dump("after.json");
  ASSERT_EQ(open["windows"].size(), 1u);
  EXPECT_EQ(open["windows"][0]["name"], "Form5");
  EXPECT_EQ(open["dialog_choice"], 0);
  EXPECT_EQ(Number(open, "n"), Number(later, "n"));
  EXPECT_GE(Number(after, "n"), Number(later, "n") + 4);
  EXPECT_TRUE(host_->TimerEnabled());
}

TEST_F(SaveLoadWindowTest, UrlBoxOffersTheDefaultAndAnEmptyAddressIsRefused) {
  Play("[text]hello\n[set]after=1\n[text]second\n",
       "3000 key S\n3100 press Button_URL\n" + DumpAt(3200, "box.json") +
           "3300 press Button_CANCEL\n" + DumpAt(3400, "cancelled.json") +
           "3500 press Button_URL\n3600 type Edit_TEXT \n3700 press Button_OK\n" +
           DumpAt(3800, "refused.json") + "6000 quit\n");
  auto box = Dump("box.json"), cancelled = Dump("cancelled.json"), refused = Dump("refused.json");
  EXPECT_EQ(Window(box, "InputBox")["caption"], "URL Input BOX");
  EXPECT_EQ(Text(box, "InputBox", "Label_PROMPT"), "URLを入力してください。");
  EXPECT_EQ(Text(box, "InputBox", "Edit_TEXT"), kDefaultScenarioUrl);
  EXPECT_NE(std::string(kDefaultScenarioUrl).find("/pk/rurirora/story.kvs"), std::string::npos);
  // Cancel leaves the window open and nothing chosen.
  ASSERT_EQ(cancelled["windows"].size(), 1u);
  EXPECT_EQ(cancelled["dialog_choice"], 0);
  // The empty text is taken as a name: neither a scenario nor save data.
  EXPECT_TRUE(refused["windows"].empty());
  EXPECT_EQ(refused["dialog_choice"], 2);
  EXPECT_EQ(refused["dialog_file_name"], "");
  ASSERT_EQ(host_->errors().size(), 1u);
  EXPECT_EQ(host_->errors()[0], "このデータには対応していません。");
  // adv_mode 0 afterwards: the game goes on past the text it waited at.
  EXPECT_EQ(Var("after"), 1);
}

}  // namespace
}  // namespace zepa::windows
