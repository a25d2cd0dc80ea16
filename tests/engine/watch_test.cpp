// --watch, headless: a scenario saved while the game runs is read again and
// the game goes on at the label it was in, once the changes have settled.
#include <chrono>
#include <thread>

#include "game_fixture.h"
#include "platform/file_watch.h"
#include "script/scenario.h"

namespace zepa::engine {
namespace {

// Says "changed" when the test has changed something, and records what it
// was told to watch.
class FakeWatch final : public platform::FileWatch {
 public:
  void SetPaths(const std::vector<std::string>& paths) override { paths_ = paths; }
  bool Changed() override { return std::exchange(changed_, false); }
  bool changed_ = false;
  std::vector<std::string> paths_;
};

class WatchTest : public testing::GameFixture {
 protected:
  void Open(const std::string& story) {
    Write("story.kvs", story);
    game_.reset();
    media_.reset();
    host_ = platform::CreateHeadlessHost({});
    MainWindowOptions fo;
    fo.game_dir = dir_.string();
    fo.watch = &watch_;
    media_ = platform::CreateSilentMedia(*host_, probe_.get());
    fo.media = media_.get();
    game_ = std::make_unique<MainWindow>(*host_, fo);
    host_->SetHandler(game_.get());
    host_->SetTimerIntervalMs(50);
    host_->SetTimerEnabled(true);
    game_->Start();
  }
  // Runs the game for `ms` of the virtual clock.
  void RunFor(uint32_t ms) {
    const uint32_t end = Now() + ms;
    while (Now() < end && !host_->Closed()) host_->Pump(true, end);
  }
  size_t LineOf(const std::string& label) {
    return script::FindLabel(State().scenario_text, label).value();
  }
  FakeWatch watch_;
};

TEST_F(WatchTest, ReloadsAtTheLabelOrFromTheTop) {
  struct Case {
    const char* what;
    std::string new_story;
    const char* scene_after;  // the label the game is in once the reload has run
    int32_t kept;             // the variable set before the reload, as it stands after
  };
  const Case cases[] = {
      {"the label stays: the new text of its scene", "#a\n[text]one\n#b\n[text]two, rewritten\n",
       "#b", 7},
      {"the label is gone: from the top, afresh", "#a\n[text]one again\n#c\n[text]three\n", "#a",
       0},
  };
  for (const Case& c : cases) {
    Open("#a\n[set]V=7\n[go]#b\n#b\n[text]two\n");
    RunFor(2000);
    ASSERT_EQ(State().scene_name, "#b") << c.what;
    ASSERT_EQ(State().adv_mode, script::adv::kTextEnd) << c.what;
    EXPECT_EQ(watch_.paths_, std::vector<std::string>{(dir_ / "story.kvs").generic_string()}) << c.what;

    const uint32_t generation = State().game_generation;
    Write("story.kvs", c.new_story);
    watch_.changed_ = true;
    // Saved again 100 ms later: still one reload, 200 ms after the last change.
    RunFor(100);
    watch_.changed_ = true;
    RunFor(150);
    EXPECT_EQ(State().game_generation, generation)
        << c.what << ": reloaded before the changes settled";
    RunFor(1500);
    EXPECT_EQ(State().game_generation, generation + 1) << c.what;
    EXPECT_EQ(State().scenario_text, c.new_story) << c.what;
    EXPECT_EQ(State().scene_name, c.scene_after) << c.what;
    EXPECT_EQ(State().adv_mode, script::adv::kTextEnd) << c.what;
    EXPECT_EQ(Var("V"), c.kept) << c.what;
    EXPECT_GT(*State().current_line, LineOf(c.scene_after)) << c.what;
    // A short notice over the window says the game was read again.
    EXPECT_FALSE(host_->badge().Empty()) << c.what;
  }
}

// Without --watch a game waiting for the player sleeps until the icon's next
// blink; with it, no longer than the watch's poll.
TEST_F(WatchTest, OffUnlessAsked) {
  Play("[text]wait\n");
  EXPECT_GT(game_->TimerQuietMs(Now()), kWatchPollMs);
  Open("[text]wait\n");
  RunFor(1000);
  EXPECT_LE(game_->TimerQuietMs(Now()), kWatchPollMs);
}

// The polling watch on real files: a write, a replacement and a removal are
// each one change.
TEST(PollingFileWatch, SeesWritesReplacementsAndRemovals) {
  const auto dir = std::filesystem::temp_directory_path() / "zepa_polling_watch";
  std::filesystem::create_directories(dir);
  const std::string path = (dir / "story.kvs").string();
  std::ofstream(path) << "one";
  auto watch = platform::CreatePollingFileWatch();
  watch->SetPaths({path});
  EXPECT_FALSE(watch->Changed());
  std::ofstream(path) << "one, longer";
  EXPECT_TRUE(watch->Changed());
  EXPECT_FALSE(watch->Changed());
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  std::ofstream(path) << "two, longer";  // the same size: the time tells
  EXPECT_TRUE(watch->Changed());
  std::filesystem::remove(path);
  EXPECT_TRUE(watch->Changed());
  watch->SetPaths({path});
  EXPECT_FALSE(watch->Changed());
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace zepa::engine
