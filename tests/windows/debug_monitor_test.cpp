// The debug monitor: the refresh texts at known states, the encode button,
// and the monitor's life in a running game.
#include "windows/debug_monitor.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <chrono>
#include <nlohmann/json.hpp>
#include <regex>

#include "engine/ini_file.h"
#include "windows/debug_monitor_fixture.h"
#include "platform/cp932.h"
#include "platform/headless/image_writer.h"
#include "script/scenario.h"

namespace zepa::windows {
namespace {

std::string Utf8(std::string_view cp932) { return platform::Cp932ToUtf8(cp932); }
std::string Sjis(std::string_view utf8) { return platform::Utf8ToCp932(utf8); }

TEST(DebugMonitorTexts, StatusRowShowsTheClockTheWaitAndTheSavePermission) {
  DebugView v;
  v.tick_time_ms = 123;
  DebugTexts t = RefreshTexts(v);
  EXPECT_EQ(t.time, "     123");
  // No wait: the idle text with its ten ideographic spaces.
  EXPECT_EQ(Utf8(t.until), "待機状態\u3000\u3000\u3000\u3000\u3000\u3000\u3000\u3000\u3000\u3000");
  EXPECT_EQ(Utf8(t.save), "セーブ可能");

  v.wait_remaining = 4950;
  v.until_target = 5000;
  v.save_allowed = script::SavePermission::kDisabled;
  t = RefreshTexts(v);
  EXPECT_EQ(Utf8(t.until), "待機：    4950 /    5000");
  EXPECT_EQ(Utf8(t.save), "セーブ禁止");

  // The clock is printed as the signed number "%d" makes of it.
  v.tick_time_ms = 0xFFFFFFFFu;
  v.wait_remaining = -5;  // overdue counts as no wait
  t = RefreshTexts(v);
  EXPECT_EQ(t.time, "      -1");
  EXPECT_EQ(Utf8(t.until).substr(0, 12), "待機状態");
}

TEST(DebugMonitorTexts, NamesShowTheirFileNamePartAndLoopsTheirFlag) {
  DebugView v;
  v.scenario_name = "scen\\chapter1.kvs";
  v.picture_path = "/games/demo/bg\\room.bmp";
  v.music_name = "3";  // a CD track is named by its number
  v.music_loop = 1;
  v.effect_name = "C:\\se\\door.wav";
  v.character_record = "a.bmp,b.bmp";
  v.character_count = 2;
  v.scene_name = Sjis("#第一章");
  const DebugTexts t = RefreshTexts(v);
  EXPECT_EQ(t.script_file, "chapter1.kvs");
  EXPECT_EQ(t.picture, "room.bmp");
  EXPECT_EQ(t.bgm, "3");
  EXPECT_EQ(t.bgm_loop, "LOOP ON ");
  EXPECT_EQ(t.wav, "door.wav");
  EXPECT_EQ(t.wav_loop, "LOOP OFF");
  EXPECT_EQ(t.chara, "a.bmp,b.bmp");
  EXPECT_EQ(t.exist, "(2) ");
  EXPECT_EQ(Utf8(t.scene), "#第一章");
  // A name whose double-byte character ends in the backslash byte is not cut there.
  v.picture_path = Sjis("bg\\表.bmp");
  EXPECT_EQ(Utf8(RefreshTexts(v).picture), "表.bmp");
}

TEST(DebugMonitorTexts, ScriptShowsTheLinesUpToTheNextCommandLine) {
  EXPECT_EQ(ScriptExcerpt("[text]a\nb\nc\n[sel]x\n", 0), "[text]a\nb\nc");
  // From the current line on only.
  EXPECT_EQ(ScriptExcerpt("[wait]1\n[text]a\nb\n", 8), "[text]a\nb\n");
  // A comment line ends the excerpt only when no command line follows.
  EXPECT_EQ(ScriptExcerpt("[text]a\n//note\nb\n[go]#x\n", 0), "[text]a\n//note\nb");
  EXPECT_EQ(ScriptExcerpt("#label\n//note\nb\n", 0), "#label");
  EXPECT_EQ(ScriptExcerpt("[text]a", 0), "[text]a");
  EXPECT_EQ(ScriptExcerpt("[text]a\n", 8), "");
  // At most 1023 bytes are looked at: a command line beyond them is not seen.
  const std::string long_text = "[text]" + std::string(1100, 'x') + "\n[go]#a\n";
  EXPECT_EQ(ScriptExcerpt(long_text, 0), long_text.substr(0, 1023));
  DebugView v;
  EXPECT_FALSE(RefreshTexts(v).script.has_value());  // no line: the label keeps its text
  v.scenario_text = "[text]a\n";
  v.current_line = 0;
  EXPECT_EQ(RefreshTexts(v).script, "[text]a\n");
}

TEST(DebugMonitorTexts, GridHasTheHeaderAndTheUsedEntriesInTableOrder) {
  script::VariableTable vars;
  DebugView v;
  v.variables = &vars;
  DebugTexts t = RefreshTexts(v);
  // No variables: the header and one empty row.
  ASSERT_EQ(t.grid.size(), 2u);
  EXPECT_EQ(Utf8(t.grid[0][0]), "変数名");
  EXPECT_EQ(Utf8(t.grid[0][1]), "内容");
  EXPECT_EQ(Utf8(t.grid[0][2]), "変更");
  EXPECT_THAT(t.grid[1], ::testing::ElementsAre("", "", ""));

  vars.SetVariableNumber("b", 2);
  vars.SetVariableText("a", "text");
  vars.SetVariableNumber("c", -7);
  // A freed entry in the middle is skipped, and a new name takes its place.
  vars.entry(0).name[0] = '\0';
  vars.SetVariableNumber("d", 9);
  t = RefreshTexts(v);
  ASSERT_EQ(t.grid.size(), 4u);
  EXPECT_THAT(t.grid[1], ::testing::ElementsAre("d", "9", ""));
  EXPECT_THAT(t.grid[2], ::testing::ElementsAre("a", "text", ""));
  EXPECT_THAT(t.grid[3], ::testing::ElementsAre("c", "-7", ""));
}

TEST(DebugMonitorEncode, TheTargetAlwaysGetsKvsAppended) {
  const auto resolve = [](std::string_view name) { return "/game/" + std::string(name); };
  EXPECT_EQ(EncodeTargetPath("story", resolve), "/game/story.kvs");
  EXPECT_EQ(EncodeTargetPath("story.kvs", resolve), "/game/story.kvs.kvs");
  EXPECT_EQ(EncodeTargetPath("story.txt", resolve), "/game/story.txt.kvs");
  // An empty name is the file ".kvs" in the game directory.
  EXPECT_EQ(EncodeTargetPath("", resolve), "/game/.kvs");
}

// A refresh that finds nothing new leaves the window as it was, so the
// backend does not redraw it; the window goes when the monitor closes.
TEST(DebugMonitorWindow, RepaintsOnlyWhatChangedAndClosesWithTheMonitor) {
  platform::HeadlessHost host(platform::HeadlessOptions{});
  WindowState state;
  DebugView view;
  view.scenario_name = "story.kvs";
  DebugMonitor monitor(
      host, state, [&] { return view; }, [](std::string_view name) { return std::string(name); });
  monitor.Open(120, 80);
  ASSERT_EQ(host.windows().size(), 1u);
  EXPECT_EQ(host.windows()[0]->left, 120);
  EXPECT_FALSE(host.windows()[0]->modal);
  EXPECT_EQ(monitor.window().Find("Label_SCRIPTFILE")->text, "story.kvs");
  const uint64_t painted = monitor.window().revision();
  monitor.Refresh();
  EXPECT_EQ(monitor.window().revision(), painted);
  view.tick_time_ms = 50;
  monitor.Refresh();
  EXPECT_GT(monitor.window().revision(), painted);
  EXPECT_EQ(monitor.window().Find("Label_TIME")->text, "      50");
  monitor.Close();
  EXPECT_TRUE(host.windows().empty());
  EXPECT_TRUE(state.open.empty());
}

using testing::DebugMonitorInGame;

TEST_F(DebugMonitorInGame, UntilAfterStartCountsDownNextToItsTarget) {
  Play("[set]score=10\n[start]\n[until]5000\n[text]done\n",
       DumpAt(2000, "a.json") + DumpAt(4000, "b.json") + DumpAt(7000, "c.json") + "7100 quit\n");
  const auto a = Dump("a.json"), b = Dump("b.json"), c = Dump("c.json");
  const std::regex waiting("待機： *([0-9]+) / *5000");
  for (const auto* dump : {&a, &b}) {
    const std::string until = Label(*dump, "Label_UNTIL");
    std::smatch m;
    ASSERT_TRUE(std::regex_match(until, m, waiting)) << until;
    EXPECT_EQ(until.size(), std::string("待機：").size() + 18);  // "%8d /%8d"
    // What was left at the last refresh, at most 200 ms and a tick ago.
    const int left_now = (*dump)["wait_start"].get<int>() + 5000 - (*dump)["clock_ms"].get<int>();
    EXPECT_GE(std::stoi(m[1]), left_now);
    EXPECT_LE(std::stoi(m[1]), left_now + 250);
    EXPECT_EQ(Label(*dump, "Label_SCRIPT"), "[until]5000");
  }
  EXPECT_EQ(Label(c, "Label_UNTIL").substr(0, 12), "待機状態");
  // The clock label is the tick's time, eight wide.
  const std::string time = Label(a, "Label_TIME");
  EXPECT_EQ(time.size(), 8u);
  EXPECT_GT(std::stoi(time), 1700);
  EXPECT_LE(std::stoi(time), 2000);
  EXPECT_EQ(Label(a, "Label_SAVE"), "セーブ可能");
  EXPECT_EQ(Label(a, "Label_SCRIPTFILE"), "story.kvs");
  // The text shown, the current line has reached the end of the scenario.
  EXPECT_EQ(Label(c, "Label_SCRIPT"), "");
  // The scenario's variable first, then the system's, in table order.
  const auto& grid = a["debug_monitor"]["grid"];
  ASSERT_EQ(grid.size(), 4u);
  EXPECT_EQ(grid[0], nlohmann::json::parse(R"(["変数名","内容","変更"])"));
  EXPECT_EQ(grid[1], nlohmann::json::parse(R"(["score","10",""])"));
  EXPECT_EQ(grid[2][0], "MUSIC");
  EXPECT_EQ(grid[3][0], "TIME");
  EXPECT_EQ(a["debug_monitor"]["position"], nlohmann::json::array({700, 30}));
}

TEST_F(DebugMonitorInGame, OpensOnTheFirstTickAndLeavesTheKeysToTheGame) {
  // The start-up fade runs before the first tick.
  Play("[text]one\n[text]two\n[set]x=1\n[text]three\n",
       DumpAt(20, "before.json") + DumpAt(2000, "a.json") + "2100 key Return\n" +
           DumpAt(4000, "b.json") + "4100 quit\n");
  const auto before = Dump("before.json"), a = Dump("a.json"), b = Dump("b.json");
  EXPECT_EQ(before["debug_state"], 1);
  EXPECT_FALSE(before.contains("debug_monitor"));
  EXPECT_EQ(a["debug_state"], 2);
  ASSERT_EQ(a["windows"].size(), 1u);
  EXPECT_EQ(a["windows"][0]["name"], "Form_DEBUG");
  EXPECT_EQ(a["windows"][0]["caption"], "Form_DEBUG");
  EXPECT_EQ(a["windows"][0]["client_size"],
            nlohmann::json::array({328 - 2 * platform::kFrameBorderPx,
                                   509 - platform::kCaptionBarPx - 2 * platform::kFrameBorderPx}));
  // No variables yet: the header and one empty row.
  EXPECT_EQ(a["debug_monitor"]["grid"],
            nlohmann::json::parse(R"([["変数名","内容","変更"],["","",""]])"));
  EXPECT_EQ(Label(a, "Label_SCRIPT"), "[text]two");
  EXPECT_EQ(Label(a, "Label_EXIST"), "(0) ");
  EXPECT_EQ(Label(a, "Label_BGMLOOP"), "LOOP OFF");
  // Return went to the game: the second text is showing.
  EXPECT_EQ(Label(b, "Label_SCRIPT"), "[set]x=1");
}

TEST_F(DebugMonitorInGame, EncodeButtonWritesTheScenarioUnderTheNamePlusKvs) {
  const std::string scenario = "#start\n[text]\x82\xa0\x82\xa0\n[wait]10\n[text]end";
  // The start-up fade takes the first 500 ms.
  Play(scenario,
       "1100 type Edit_ENCODE story\n"
       "1150 press Button_ENCODE\n"
       "1200 type Edit_ENCODE story.kvs\n"
       "1250 press Button_ENCODE\n" +
           DumpAt(1300, "a.json") + "1310 shot " + Path("monitor.png") +
           " Form_DEBUG\n"
           "1320 quit\n");
  for (const std::string name : {"story.kvs", "story.kvs.kvs"}) {
    const std::string bytes = Read(name);
    ASSERT_FALSE(bytes.empty()) << name;
    EXPECT_EQ(bytes[0], 'X');
    // One line of letters for each line of the scenario, each with its break.
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), 4);
    EXPECT_EQ(bytes.back(), '\n');
    const script::DecodedScenario decoded = script::DecodeScenarioFile(bytes);
    EXPECT_TRUE(decoded.encoded);
    // The letters of each line carry its LF, and a last line without one
    // is given one, so the file reads back as whole lines.
    EXPECT_EQ(decoded.text, scenario + "\n");
  }
  const auto a = Dump("a.json");
  EXPECT_EQ(a["debug_monitor"]["note_failed"], false);
  EXPECT_EQ(a["debug_monitor"]["encode_name"], "story.kvs");
  auto shot = platform::ReadPng(Path("monitor.png"));
  ASSERT_TRUE(shot.has_value());
  EXPECT_EQ(shot->width, 328);
  EXPECT_EQ(shot->height, 509);
}

TEST_F(DebugMonitorInGame, AFileThatCannotBeCreatedTurnsTheNoteRed) {
  Play("[text]ok\n",
       "1100 type Edit_ENCODE missing\\dir\\story\n"
       "1150 press Button_ENCODE\n" +
           DumpAt(1200, "failed.json") + "1300 type Edit_ENCODE story2\n" +
           "1350 press Button_ENCODE\n" + DumpAt(1400, "ok.json") + "1500 quit\n");
  const auto failed = Dump("failed.json"), ok = Dump("ok.json");
  EXPECT_EQ(failed["debug_monitor"]["note_failed"], true);
  EXPECT_EQ(Label(failed, "Label_NOTE"), "出力ファイルを作成できませんでした。");
  EXPECT_FALSE(std::filesystem::exists(dir_ / "missing"));
  EXPECT_EQ(ok["debug_monitor"]["note_failed"], false);
  EXPECT_EQ(Label(ok, "Label_NOTE"), "現在読みこまれているシナリオを暗号化して出力します。");
  EXPECT_EQ(script::DecodeScenarioFile(Read("story2.kvs")).text, "[text]ok\n");
  // The game was not touched: the same text waits for the player.
  EXPECT_EQ(ok["adv_mode"], failed["adv_mode"]);
  EXPECT_EQ(ok["current_line"], failed["current_line"]);
}

// A Japanese name, which the player types and the game holds in Shift-JIS,
// becomes a file the desktop shows by that name (a FIFO as the output is
// tried in posix/).
TEST_F(DebugMonitorInGame, EncodeOutputNamesAJapaneseFileInUtf8) {
  Play("[text]ok\n", "1300 type Edit_ENCODE 暗号化\n1350 press Button_ENCODE\n" +
                         DumpAt(1400, "named.json") + "1500 quit\n");
  EXPECT_EQ(Dump("named.json")["debug_monitor"]["note_failed"], false);
  EXPECT_EQ(script::DecodeScenarioFile(Read("暗号化.kvs")).text, "[text]ok\n");
  const std::vector<std::string> names = Listed();
  EXPECT_NE(std::find(names.begin(), names.end(), "暗号化.kvs"), names.end());
  EXPECT_EQ(std::find(names.begin(), names.end(), Sjis("暗号化") + ".kvs"), names.end());
}

TEST_F(DebugMonitorInGame, AnEncodedScenarioClosesTheMonitorForGood) {
  Write("enc.kvs", script::EncodeScenarioFile("[text]encoded\n[load]plain.kvs\n"));
  Write("plain.kvs", "[text]plain\n");
  Play("[wait]300\n[load]enc.kvs\n", DumpAt(700, "open.json") + DumpAt(3000, "closed.json") +
                                         "3100 key Return\n" + DumpAt(5000, "plain.json") +
                                         "5100 quit\n");
  const auto open = Dump("open.json"), closed = Dump("closed.json"), plain = Dump("plain.json");
  EXPECT_EQ(open["debug_state"], 2);
  EXPECT_TRUE(open.contains("debug_monitor"));
  EXPECT_EQ(closed["debug_state"], 0);
  EXPECT_FALSE(closed.contains("debug_monitor"));
  EXPECT_TRUE(closed["windows"].empty());
  // A plain scenario loaded afterwards does not bring it back.
  EXPECT_EQ(plain["scenario"], "plain.kvs");
  EXPECT_EQ(plain["debug_state"], 0);
  EXPECT_TRUE(plain["windows"].empty());
  // Off for the next run too, and its position is not written.
  const engine::IniFile ini = engine::IniFile::Load(Path("rurirora.ini"));
  EXPECT_EQ(ini.GetString("SYSTEM", "DEBUG", ""), "0");
  EXPECT_EQ(ini.GetString("SYSTEM", "DEBUG_X", ""), "700");  // as the file had it
}

TEST_F(DebugMonitorInGame, AnEncodedStartScenarioNeverOpensIt) {
  Play(script::EncodeScenarioFile("[text]encoded\n"), DumpAt(1500, "a.json") + "1600 quit\n");
  const auto a = Dump("a.json");
  EXPECT_EQ(a["debug_state"], 0);
  EXPECT_TRUE(a["windows"].empty());
  EXPECT_FALSE(a.contains("debug_monitor"));
  EXPECT_EQ(engine::IniFile::Load(Path("rurirora.ini")).GetString("SYSTEM", "DEBUG", ""), "0");
}

TEST_F(DebugMonitorInGame, PositionIsWrittenBackOnlyWhileTheMonitorIsOn) {
  Write("story.kvs", "[text]ok\n");
  Create();
  while (host_->windows().empty() && host_->NowMs() < 1000) host_->Pump(true, host_->NowMs() + 50);
  ASSERT_EQ(host_->windows().size(), 1u);
  // The player drags the monitor elsewhere; where it stands is written.
  host_->windows()[0]->left = 333;
  host_->windows()[0]->top = 44;
  game_->Shutdown();
  engine::IniFile ini = engine::IniFile::Load(Path("rurirora.ini"));
  EXPECT_EQ(ini.GetString("SYSTEM", "DEBUG", ""), "1");
  EXPECT_EQ(ini.GetString("SYSTEM", "DEBUG_X", ""), "333");
  EXPECT_EQ(ini.GetString("SYSTEM", "DEBUG_Y", ""), "44");
  EXPECT_TRUE(host_->windows().empty());  // destroyed at exit

  TearDown();
  SetUp();
  Write("rurirora.ini", "[SCREEN]\r\nFULL=0\r\n");
  Play("[text]ok\n", "500 quit\n");
  ini = engine::IniFile::Load(Path("rurirora.ini"));
  EXPECT_EQ(ini.GetString("SYSTEM", "DEBUG", "absent"), "absent");
  EXPECT_EQ(ini.GetString("SYSTEM", "DEBUG_X", "absent"), "absent");
  EXPECT_EQ(ini.GetString("SYSTEM", "DEBUG_Y", "absent"), "absent");
}

}  // namespace
}  // namespace zepa::windows
