// The engine's spine through the headless host: start-up, the tick, jumps,
// waits, loads and the configuration written back.
#include <nlohmann/json.hpp>
#include <utility>

#include "game_fixture.h"
#include "script/codec.h"
#include "script/scenario.h"

namespace zepa::engine::testing {
namespace {

using Spine = GameFixture;

TEST_F(Spine, ALabelIsReachedTheTickAfterTheJump) {
  // One line per 50 ms tick: the go runs, the jump resolves in the same tick,
  // the label line runs on the next.
  Play("[go]#b\n[set]x=1\n#b\n[set]y=TIME\n");
  EXPECT_EQ(Var("x"), 0);
  EXPECT_EQ(State().scene_name, "#b");
  // Creation fades 500 ms; then ticks at go, label and set.
  EXPECT_GE(Var("y"), 500 + 3 * 50 - 50);
  EXPECT_LE(Var("y"), 500 + 3 * 50 + 50);
}

TEST_F(Spine, MissingLabelContinuesAfterTheGo) {
  Play("[go]#nowhere\n[set]x=1\n");
  EXPECT_EQ(Var("x"), 1);
}

TEST_F(Spine, MenuJumpFadesFromWhiteEvenWithoutALabel) {
  Play("[fill]000000\n[flip]\n[go]#MENU\n[set]t=TIME\n[set]after=1\n");
  EXPECT_EQ(Var("after"), 1);
  // The display was faded to the white back buffer.
  EXPECT_EQ(game_->display().Get(320, 100), 0xffffffu);
}

TEST_F(Spine, CounterLoopWithIfAndGo) {
  Play(
      "[set]n=0\n"
      "#loop\n"
      "[set]n=n+1\n"
      "[if]n<10[go]#loop\n"
      "[set]done=n*2\n");
  EXPECT_EQ(Var("n"), 10);
  EXPECT_EQ(Var("done"), 20);
}

TEST_F(Spine, BranchOnSelectLikeValues) {
  Play(
      "[set]SELECT=2\n"
      "[if]SELECT=1[go]#one\n"
      "[if]SELECT=2[go]#two\n"
      "#one\n[set]route=1\n[end]\n"
      "#two\n[set]route=2\n");
  EXPECT_EQ(Var("route"), 2);
}

TEST_F(Spine, WaitsRunOnTheVirtualClock) {
  Play("[set]a=TIME\n[wait]10000\n[set]b=TIME\n[start]\n[untiln]500\n[untiln]500\n[set]c=TIME\n");
  EXPECT_GE(Var("b") - Var("a"), 10000);
  EXPECT_LE(Var("b") - Var("a"), 10000 + 100);  // a tick each side
  EXPECT_GE(Var("c") - Var("b"), 1500);
  EXPECT_LT(Var("c") - Var("b"), 1500 + 150);
}

TEST_F(Spine, SkipModeClickJumpsToTheNextLabel) {
  // The click arrives during the wait; the skip abandons the rest.
  Play("[skip]\n[wait]5000\n[set]x=1\n#next\n[set]y=1\n", "1000 click 10 10\n");
  EXPECT_EQ(Var("x"), 0);
  EXPECT_EQ(Var("y"), 1);
  EXPECT_EQ(State().skip_mode, 0);
  EXPECT_LT(Now(), 5000u);
}

TEST_F(Spine, EncodedAndPlainScenariosRunAlike) {
  const std::string plain = "[set]a=1\r\n[set]b=a+1\r\n";
  Play(script::EncodeScenarioFile("[set]a=1\n[set]b=a+1\n"));
  EXPECT_EQ(Var("b"), 2);
  game_.reset();
  media_.reset();
  host_.reset();
  Play(plain);
  EXPECT_EQ(Var("b"), 2);
}

TEST_F(Spine, LoadCommandReplacesTheScenarioAndResets) {
  Write("second.kvs", "[set]second=b+1\n");
  Play("[set]b=5\n[load] second.kvs\n[set]never=1\n");
  EXPECT_EQ(Var("never"), 0);
  EXPECT_EQ(Var("second"), 1);  // the state was reset: b is gone
  EXPECT_EQ(State().scenario_name, "second.kvs");
}

TEST_F(Spine, LoadOfAMissingFileShowsTheErrorAndStaysBusy) {
  Play("[load]missing.kvs\n[set]never=1\n");
  EXPECT_TRUE(host_->error_shown());
  EXPECT_EQ(State().adv_mode, script::adv::kBusy);
  EXPECT_EQ(Var("never"), 0);
}

TEST_F(Spine, MissingStartScenarioLeavesAWhiteIdleWindow) {
  Create();
  game_->Run();
  EXPECT_TRUE(host_->error_shown());
  EXPECT_EQ(State().adv_mode, script::adv::kBusy);
  EXPECT_FALSE(State().current_line);
  EXPECT_EQ(game_->display().Get(0, 0), 0xffffffu);
}

TEST_F(Spine, ScenarioFilesOver64MiBAreRefusedWithAMessage) {
  // A sparse file: refusing it must not read it.
  Write("huge.kvs", "");
  std::filesystem::resize_file(dir_ / "huge.kvs", (uint64_t{64} << 20) + 1);
  Play("[load]huge.kvs\n[set]after=1\n");
  ASSERT_EQ(host_->errors().size(), 1u);
  EXPECT_NE(host_->errors()[0].find("larger than 64 MiB"), std::string::npos);
  // A failed load goes on with the next line.
  EXPECT_EQ(Var("after"), 1);
  EXPECT_EQ(State().scenario_name, "story.kvs");
}

TEST_F(Spine, ACloseRequestEndsEveryLongEffectAtOnce) {
  // Each of these would run for minutes or hours of game time.
  const std::string kHundredGlyphs(100, 'a');
  for (const std::string& scenario : std::vector<std::string>{
           "[textwait]65535\n[text]" + kHundredGlyphs + "\n",
           "[textwait]65535\n[telo]10,10," + kHundredGlyphs + "\n",
           "[fill]000000\n[fade]65535\n[set]after=1\n", "[wait]3600000\n[set]after=1\n",
           "[start]\n[until]3600000\n[set]after=1\n"}) {
    game_.reset();
    media_.reset();
    host_.reset();
    Play(scenario, "1000 quit\n");
    EXPECT_TRUE(host_->Closed()) << scenario;
    EXPECT_LT(Now(), 1100u) << scenario;
    EXPECT_EQ(Var("after"), 0) << scenario;
  }
}

// The tick opens the requested window, and clears the request once it has
// closed; the script goes on afterwards.
TEST_F(Spine, WindowRequestsOpenTheirWindowsAtTheTick) {
  const std::string save_dump = (dir_ / "save.json").string();
  const std::string load_dump = (dir_ / "load.json").string();
  Play("[savewin]\n[set]x=1\n[loadwin]\n[set]y=1\n",
       "1000 dump " + save_dump + "\n1100 press BitBtn1\n2000 dump " + load_dump +
           "\n2100 press BitBtn_CANCEL\n3000 quit\n");
  const auto saving = nlohmann::json::parse(Read("save.json"));
  const auto loading = nlohmann::json::parse(Read("load.json"));
  ASSERT_EQ(saving["windows"].size(), 1u);
  EXPECT_EQ(saving["windows"][0]["name"], "Form_SAVE");
  EXPECT_EQ(saving["variables"].count("x"), 0u);
  ASSERT_EQ(loading["windows"].size(), 1u);
  EXPECT_EQ(loading["windows"][0]["name"], "Form_LOAD");
  EXPECT_EQ(State().window_request, script::WindowRequest::kNone);
  EXPECT_EQ(Var("x"), 1);
  EXPECT_EQ(Var("y"), 1);
}

TEST_F(Spine, CommandLineChoosesTheFirstScenario) {
  Write("a.kvs", "[set]a=1\n");
  Write("b.KVS", "[set]b=1\n");
  Play("[set]story=1\n", "", {}, {"x.txt", "b.KVS", "a.kvs"});
  EXPECT_EQ(Var("b"), 1);
  EXPECT_EQ(Var("story"), 0);
}

TEST_F(Spine, SaveArgumentThatCannotBeReadStartsTheStartScenario) {
  // The save ends the scan: a scenario after it is not chosen.
  Write("a.kvs", "[set]a=1\n");
  Play("[set]story=1\n", "", {}, {"game.kvd", "a.kvs"});
  EXPECT_EQ(host_->errors().size(), 1u);
  EXPECT_EQ(Var("story"), 1);
  EXPECT_EQ(Var("a"), 0);
}

TEST_F(Spine, ConfigurationIsWrittenBackAtExit) {
  Write("rurirora.ini",
        "; keep me\r\n[SCREEN]\r\nFULL=0\r\n[POS]\r\nTOP=7\r\nLEFT=9\r\nMESSAGELINE=5\r\n"
        "[MAIN]\r\nSCENARIOSET=1\r\n");
  Write("sub/next.kvs", "[set]n=1\n");
  Play("[textwait]20\n[endbgm]x.wav\n[load]SUB\\next.kvs\n");
  game_->Shutdown();
  const IniFile ini = IniFile::Load((dir_ / "rurirora.ini").string());
  EXPECT_EQ(ini.GetInt("TEXT", "TELOWAIT", 0), 20);
  EXPECT_EQ(ini.GetString("END", "BGM", ""), "se\\sleep.wav");  // endbgm never persists
  EXPECT_EQ(ini.GetInt("POS", "MESSAGELINE", 0), 5);
  EXPECT_EQ(ini.GetInt("POS", "TOP", 0), 7);
  EXPECT_EQ(ini.GetString("MAIN", "SCENARIO", ""), "sub\\next.kvs");
  EXPECT_EQ(Read("rurirora.ini").rfind("; keep me\r\n", 0), 0u);
}

TEST_F(Spine, ScreenOf640x480ForcesFullScreenUnlessDebugging) {
  platform::HeadlessOptions o;
  o.screen_width = 640;
  o.screen_height = 480;
  Write("story.kvs", "[set]a=1\n");
  // FULL=0 is overruled: a 640 x 480 desktop has no room for a window.
  Create("", o);
  EXPECT_EQ(game_->full_screen(), 1);
  EXPECT_TRUE(host_->full_screen());
  // A larger desktop keeps the window FULL=0 asks for.
  Create("", {});
  EXPECT_EQ(game_->full_screen(), 0);
  EXPECT_FALSE(host_->full_screen());
  // Debugging keeps the window, so the debug monitor stays in sight.
  Write("rurirora.ini", "[SYSTEM]\r\nDEBUG=1\r\n[SCREEN]\r\nFULL=0\r\n");
  Create("", o);
  EXPECT_FALSE(host_->full_screen());
}

TEST_F(Spine, BrokenScenariosNeverHang) {
  std::string garbage;
  for (int i = 0; i < 20000; ++i) garbage.push_back(static_cast<char>((i * 7919) % 256));
  Play(garbage + "\n[set]" + std::string(3000, 'a') + "=1\n[go]#" + std::string(300, 'x') + "\n");
  EXPECT_EQ(*State().current_line, State().scenario_text.size());
}

TEST_F(Spine, DumpHasTheInterpreterState) {
  Play("#scene\n[set]name=\"\x83\x65\x83\x58\x83\x67\"\n[set]n=3\n");
  const auto j = nlohmann::json::parse(game_->DumpJson());
  EXPECT_EQ(j["scene"], "#scene");
  EXPECT_EQ(j["adv_mode"], 0);
  EXPECT_EQ(j["variables"]["n"], "3");
  EXPECT_EQ(j["variables"]["name"], "\xe3\x83\x86\xe3\x82\xb9\xe3\x83\x88");  // テスト
  EXPECT_EQ(j["current_line"], State().scenario_text.size());
}

}  // namespace
}  // namespace zepa::engine::testing
