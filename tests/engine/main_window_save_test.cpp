// Saving and loading through the windows, end to end: a game saved into a
// slot comes back in a new game at the same place with the same screen, and
// windows opened inside a wait save and load sound states.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "engine/game_fixture.h"

namespace zepa::engine {
namespace {

namespace fs = std::filesystem;
using testing::ExpectClose;

class SaveThroughWindows : public testing::GameFixture {
 protected:
  void CopyDemo(const std::string& name) {
    fs::copy(fs::path(ZEPA_SOURCE_DIR) / "games/demo" / name, dir_ / name,
             fs::copy_options::recursive | fs::copy_options::overwrite_existing);
  }
};

TEST_F(SaveThroughWindows, ASlotSavedThroughTheWindowsLoadsInANewGameAtTheSamePlace) {
  CopyDemo("bg_room.jpg");
  CopyDemo("chara_a.bmp");
  CopyDemo("frame");
  // The saved place differs from where a new game stands at first: another
  // screen, other variables, another line.
  const std::string story =
      "[set]x=1\n[text]Press a key.\n"
      "[picture]bg_room.jpg\n[chara]chara_a.bmp\n[frame]\n[flip]\n[set]x=3\n"
      "[set]name=\"\x97\xb7\x90\x6c\"\n[text]A rest here.\n[set]after=1\n[text]the end\n";
  Play(story,
       "3000 key Return\n8000 key S\n8100 press Button_SAVE\n8200 press Button_SAVE1\n"
       "8300 press BitBtn_OK\n9000 quit\n");
  ASSERT_TRUE(fs::is_regular_file(dir_ / "DATA1.kvd"));
  ASSERT_EQ(State().adv_mode, script::adv::kTextEnd);
  ASSERT_EQ(Var("x"), 3);
  const size_t line = *State().current_line;
  const platform::Surface screen = game_->display();
  const platform::Surface buffer = game_->back_buffer();

  // Quit, start again: the new game waits at its first text until the
  // player loads the slot from the load window.
  const std::string load = "3000 key L\n3100 press DATA1\n3200 press BitBtn_OK\n";
  Create(load + "4000 quit\n");
  game_->Run();
  EXPECT_FALSE(host_->error_shown());
  EXPECT_EQ(State().adv_mode, script::adv::kTextEnd);
  EXPECT_EQ(*State().current_line, line);
  EXPECT_EQ(Var("x"), 3);
  EXPECT_EQ(std::string(game_->variables().VariableText("name")), "\x97\xb7\x90\x6c");
  EXPECT_EQ(Var("after"), 0);
  EXPECT_EQ(game_->stage().character_record(), "chara_a.bmp");
  EXPECT_EQ(game_->stage().frame_shown(), 1);
  ExpectClose(game_->display(), screen, "display");
  ExpectClose(game_->back_buffer(), buffer, "back buffer");
  // The player goes on from there.
  Create(load + "5000 key Return\n6000 quit\n");
  game_->Run();
  EXPECT_EQ(Var("after"), 1);
}

// A window opened from a key during a timed wait finds the interpreter busy.
// The save resumes at the wait and runs on; a load in the middle of a wait
// is not overtaken by the end of that wait.
TEST_F(SaveThroughWindows, WindowsOpenedDuringAWaitSaveAndLoadStatesThatRunOn) {
  const std::string story = "[set]a=1\n[wait]3000\n[set]b=1\n[text]end\n";
  Play(story,
       "1000 key S\n1100 press Button_SAVE\n1200 press Button_SAVE1\n"
       "1300 press BitBtn_OK\n8000 quit\n");
  ASSERT_EQ(Var("b"), 1);

  Create("1000 key L\n1100 press DATA1\n1200 press BitBtn_OK\n" + std::to_string(3900) + " dump " +
         (dir_ / "mid.json").string() + "\n8000 quit\n");
  game_->Run();
  const std::string mid = Read("mid.json");
  // The wait runs again in full from the load at 1.2 s, so b is not set at
  // 3.9 s, when the wait the load interrupted would have ended...
  EXPECT_EQ(mid.find("\"b\""), std::string::npos) << mid.substr(0, 200);
  // ...and the game reaches its end.
  EXPECT_EQ(Var("b"), 1);
  EXPECT_EQ(State().adv_mode, script::adv::kTextEnd);
}

}  // namespace
}  // namespace zepa::engine
