// The player's keys through the headless host: skip, auto, the history and
// settings windows, the quick save and screenshots. None may change what
// the game itself does.
#include <nlohmann/json.hpp>

#include "game_fixture.h"
#include "platform/headless/image_writer.h"

namespace zepa::engine::testing {
namespace {

namespace adv = script::adv;
using PlayerKeys = GameFixture;

nlohmann::json Dump(const std::string& text) { return nlohmann::json::parse(text); }

// Three texts, each on its own line (lines 0, 1, 2), then a mark.
const std::string kThreeTexts = "[text]one\n[text]two\n[text]three\n[set]after=1\n";

TEST_F(PlayerKeys, TabSkipsReadTextAndStopsAtTheFirstUnreadLine) {
  Write("story.kvs", kThreeTexts);
  Create("100 key Tab\n");
  game_->player().marks.Mark("story.kvs", 0);
  game_->player().marks.Mark("story.kvs", 1);
  game_->Run();
  EXPECT_EQ(State().adv_mode, adv::kTextEnd);
  EXPECT_EQ(Var("after"), 0);
  EXPECT_FALSE(game_->player().skip_toggled);  // unread text ended it
  const std::vector<std::string> want = {"one", "two", "three"};
  EXPECT_EQ(game_->player().history.PageTexts(), want);
  EXPECT_EQ(game_->player().marks.count(), 3u);
  // Skipped, the two read texts took a few ticks, not a click each.
  EXPECT_LT(Now(), 2000u);
}

TEST_F(PlayerKeys, HeldCtrlSkipsOnlyWhileHeldAndStopsAtAChoice) {
  const std::string d1 = (dir_ / "d1.json").string();
  Write("story.kvs",
        "[textwait]200\n[text]aaaaaaaaaa\n[wait]1000\n[text]b\n[text]c\n[sel]yes\\nno\n"
        "[set]after=1\n");
  // Ctrl is let go during the timed wait, which it does not shorten; held
  // again, it runs on to the choice and no further.
  Create("1000 hold Ctrl 200\n3000 dump " + d1 + "\n3500 hold Ctrl 1000\n6000 key Tab\n");
  for (size_t line = 0; line < 6; ++line) game_->player().marks.Mark("story.kvs", line);
  game_->Run();
  const nlohmann::json early = Dump(Read("d1.json"));
  EXPECT_EQ(early["current_line"], 50);  // waiting at "b" (the line after it)
  EXPECT_EQ(early["adv_mode"], adv::kTextEnd);
  EXPECT_EQ(early["skip"], 0);
  EXPECT_EQ(State().adv_mode, adv::kChoice);
  EXPECT_EQ(Var("after"), 0);
  // Tab at a choice does not start a skip past it.
  EXPECT_FALSE(game_->player().skip_toggled);
}

TEST_F(PlayerKeys, AutoEndsATextAfterTheDelayForItsLengthAndAClickStopsIt) {
  const std::string d1 = (dir_ / "d1.json").string(), d2 = (dir_ / "d2.json").string();
  // "ab" waits 1000 + 2 x 60 ms once shown; A is pressed after it is shown.
  Write("story.kvs", "[textwait]1\n[text]ab\n[set]first=TIME\n[text]cd\n[set]after=1\n");
  Create("1000 key A\n2050 dump " + d1 + "\n2500 dump " + d2 + "\n3000 click 10 10\n");
  game_->Run();
  EXPECT_EQ(Dump(Read("d1.json"))["adv_mode"], adv::kTextEnd);  // 1050 ms after A
  const nlohmann::json later = Dump(Read("d2.json"));
  EXPECT_EQ(later["auto"], 1);
  EXPECT_EQ(later["history"].size(), 2u);  // the second text is up
  // The click ended the second wait as any click does, and auto with it.
  EXPECT_EQ(Var("after"), 1);
  EXPECT_FALSE(game_->player().auto_on);
}

TEST_F(PlayerKeys, TextSpeedFromTheSettingsWindowQuickensTheReveal) {
  const std::string d1 = (dir_ / "d1.json").string();
  // 40 glyphs at 100 ms take 4 s; at 400 % they take 1 s.
  Write("story.kvs", "[textwait]100\n[text]" + std::string(40, 'a') + "\n");
  Create("100 key F2\n200 type Edit_TEXT_SPEED 400\n300 key Return\n2500 dump " + d1 + "\n");
  game_->Run();
  EXPECT_EQ(game_->player().settings.text_speed_percent, 400);
  const nlohmann::json j = Dump(Read("d1.json"));
  EXPECT_EQ(j["adv_mode"], adv::kTextEnd);
  EXPECT_EQ(j["text_wait"], 100);  // the game's own wait is untouched
}

TEST_F(PlayerKeys, QuickSaveAndLoadFollowTheGamesSaveRules) {
  Write("story.kvs",
        "[set]v=1\n[text]a\n[set]v=2\n[text]b\n[savedisable]\n[set]v=3\n[text]c\n[set]v=4\n");
  // Saved at "a", loaded at "b"; at "c" saving is disabled and F5 is
  // refused, so the F9 there brings back "a" again.
  Create(
      "1000 key F5\n1500 key Return\n2500 key F9\n3000 key Return\n3500 key Return\n"
      "4500 key F5\n5000 key F9\n");
  game_->Run();
  EXPECT_EQ(Var("v"), 1);
  EXPECT_EQ(State().adv_mode, adv::kTextEnd);
  EXPECT_FALSE(Read("QUICK.kvd").empty());
  // The load's notice is over the window, not in the game's display.
  EXPECT_FALSE(host_->badge().Empty());
  EXPECT_EQ(game_->player().badge_shown, "Quick loaded");
}

// The game drops the keys pressed while it reveals a text; the player's
// keys are none of its own and are kept, so a quick load pressed during a
// reveal loads once the reveal is done.
TEST_F(PlayerKeys, AQuickLoadPressedDuringARevealIsNotDropped) {
  Write("story.kvs", "[textwait]1\n[set]v=1\n[text]a\n[set]v=2\n[textwait]100\n[text]" +
                         std::string(20, 'b') + "\n[set]v=3\n");
  Create("500 key F5\n1000 key Return\n1500 key F9\n");
  game_->Run();
  EXPECT_EQ(Var("v"), 1);
  EXPECT_EQ(State().adv_mode, adv::kTextEnd);
  EXPECT_EQ(game_->player().badge_shown, "Quick loaded");
  // It waited for the whole reveal, then brought "a" back.
  const std::vector<std::string> pages = {"a", std::string(20, 'b'), "a"};
  EXPECT_EQ(game_->player().history.PageTexts(), pages);
}

TEST_F(PlayerKeys, HistoryWindowOpensOnPageUpOrTheWheelAndHoldsTheGame) {
  const std::string d1 = (dir_ / "d1.json").string(), d2 = (dir_ / "d2.json").string();
  Write("story.kvs", "[text]q\n[sel]yes\\nno\n[text]after\n[wait]100\n[set]done=1\n");
  Create("500 key Return\n900 key Down\n1000 key Return\n1500 key PageUp\n1600 dump " + d1 +
         "\n2000 key Escape\n2100 wheel 1\n2200 key PageDown\n2300 key PageDown\n2400 dump " + d2 +
         "\n2500 key Return\n");
  game_->Run();
  const nlohmann::json open = Dump(Read("d1.json"));
  ASSERT_EQ(open["windows"].size(), 1u);
  EXPECT_EQ(open["windows"][0]["name"], "History");
  // Scrolling down past the newest line closes it again.
  EXPECT_EQ(Dump(Read("d2.json"))["windows"].size(), 0u);
  const auto& entries = game_->player().history.entries();
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[1].kind, player::HistoryEntry::Kind::kChoice);
  EXPECT_EQ(entries[1].text, "yes");
  EXPECT_EQ(Var("done"), 1);
}

TEST_F(PlayerKeys, ScreenshotIsTheDisplayAndReadMarksOutliveTheRun) {
  player_paths_.screenshots = (dir_ / "shots").string();
  player_paths_.read_marks = (dir_ / "data" / "read").string();
  Play("[fill]ff0000\n[flip]\n[text]one\n", "1000 key F12\n");
  std::vector<std::filesystem::path> shots;
  for (const auto& e : std::filesystem::directory_iterator(dir_ / "shots")) shots.push_back(e);
  ASSERT_EQ(shots.size(), 1u);
  EXPECT_EQ(shots[0].extension(), ".png");
  const std::optional<platform::Surface> shot = platform::ReadPng(shots[0].string());
  ASSERT_TRUE(shot);
  EXPECT_EQ(shot->pixels, game_->display().pixels);
  game_->Shutdown();
  // A second run knows the line was read.
  Create();
  EXPECT_TRUE(game_->player().marks.IsRead("story.kvs", 2));
}

TEST_F(PlayerKeys, DumpsOfRunsWithoutPlayerKeysStayAsTheyWere) {
  const std::string d1 = (dir_ / "d1.json").string();
  Play(kThreeTexts, "1000 dump " + d1 + "\n");
  const nlohmann::json j = Dump(Read("d1.json"));
  for (const char* key : {"history", "skip", "auto", "read_lines"})
    EXPECT_FALSE(j.contains(key)) << key;
}

}  // namespace
}  // namespace zepa::engine::testing
