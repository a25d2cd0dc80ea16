// The pre-play check on games made in a temporary directory, and on the demo.
#include "check/check.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>

#include "display/packfile.h"
#include "platform/cp932.h"
#include "platform/files.h"
#include "platform/system.h"
#include "platform/toolkit/ttf_font.h"

namespace zepa::engine {
namespace {

namespace fs = std::filesystem;

// A face with every glyph but the white star, so the glyph check is
// independent of the fonts installed.
class StarlessFont final : public platform::Font {
 public:
  bool RenderGlyph(char32_t, platform::GlyphImage*) override { return true; }
  bool HasGlyph(char32_t cp) override { return cp != U'☆'; }
  const std::string& FilePath() const override { return path_; }

 private:
  std::string path_ = "/fonts/starless.ttf";
};

class CheckTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("zepa_check_" + std::to_string(std::random_device{}()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
    // Present so that reports do not carry the note about the default end sound.
    Write("se/sleep.wav", "RIFF");
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Writes `utf8` as the game's Shift-JIS bytes (names too).
  void WriteSjis(const std::string& utf8_name, const std::string& utf8) {
    Write(platform::Utf8ToCp932(utf8_name), platform::Utf8ToCp932(utf8));
  }
  // Through the platform layer, as the game's own files are made: on
  // Windows std::filesystem would read a name's bytes in the code page.
  void Write(const std::string& name, const std::string& bytes) {
    const std::string path = dir_.string() + "/" + name;
    ASSERT_TRUE(platform::CreateSystemFiles()->CreateDirectories(path.substr(0, path.rfind('/'))).ok());
    ASSERT_TRUE(platform::WriteWholeFile(path, bytes).ok()) << path;
  }

  CheckReport Check(std::string scenario = "", bool strict = false) {
    CheckOptions o;
    o.game_dir = dir_.string();
    o.scenario = std::move(scenario);
    o.strict = strict;
    o.open_font = [](const platform::FontRequest&) -> std::unique_ptr<platform::Font> {
      return std::make_unique<StarlessFont>();
    };
    return CheckGame(o);
  }

  fs::path dir_;
};

// What a finding must say: where it is, how bad, and the phrases that carry
// its meaning. The wording around them may change freely.
struct Expected {
  std::string where;  // "file:line", or "file" for the file as a whole
  Severity severity;
  std::vector<std::string> phrases;
};
constexpr Severity kError = Severity::kError;
constexpr Severity kNote = Severity::kNote;

void ExpectFindings(const CheckReport& report, const std::vector<Expected>& table) {
  ASSERT_EQ(report.findings.size(), table.size()) << FormatCheckText(report);
  size_t errors = 0;
  for (size_t i = 0; i < table.size(); ++i) {
    const Finding& f = report.findings[i];
    const std::string where = f.line ? f.file + ":" + std::to_string(f.line) : f.file;
    EXPECT_EQ(where, table[i].where) << "finding " << i << ": " << f.message;
    EXPECT_EQ(f.severity, table[i].severity) << where << ": " << f.message;
    for (const std::string& phrase : table[i].phrases)
      EXPECT_NE(f.message.find(phrase), std::string::npos)
          << where << ": \"" << f.message << "\" lacks \"" << phrase << "\"";
    errors += table[i].severity == kError;
  }
  EXPECT_EQ(report.errors, errors);
  EXPECT_EQ(report.notes, table.size() - errors);
}

// One of each problem the check looks for, with the report it must give.
TEST_F(CheckTest, BrokenGameReportsEachProblemOnce) {
  Write("rurirora.ini",
        "[POS]\r\nMESSAGELINE=60\r\nMESAGEX=10\r\n[TEXT]\r\nTELOWAIT=fast\r\n"
        "[MAIN]\r\nSCENARIO=story.kvs\r\n");
  Write("BG_01.bmp", "BM");
  Write("chara_a.bmp", "BM");
  // The sound effect's Shift-JIS name as an archiver that read it as Latin-1
  // wrote it to disk.
  std::string mangled;
  for (char c : platform::Utf8ToCp932("効果"))
    platform::AppendUtf8(static_cast<uint8_t>(c), &mangled);
  Write(mangled + ".wav", "RIFF");
  WriteSjis("story.kvs",
            "#start\n"
            "[picture]bg01.bmp\n"
            "[bgm]theme.ogg\n"
            "[cd]3\n"
            "[bgm]10,20,op.avi\n"
            "[chara]chara_a.bmp,ruri.bmp\n"
            "[wav]効果.wav\n"
            "[go]#nowhere\n"
            "[if]a=1[go]#strat\n"
            "[go]#MENU\n"
            "[Text]こんにちは\n"
            "[gline]1,2\n"
            "[textcolor]ff00\n"
            "[gdot]1,2 // a dot\n"
            "[text]星☆を見た。\n"
            "続きも☆。\n"
            "#unused\n"
            "[load]part2.kvs\n"
            "[load]missing.kvs\n"
            "[go]#start\n");
  // Lead bytes are added by hand: the converter never writes a broken pair.
  { std::ofstream(dir_ / "story.kvs", std::ios::binary | std::ios::app) << "[text]abc\x82\n"; }
  Write("part2.kvs", "Xgegfgg\nzz\n");

  const CheckReport report = Check();
  ExpectFindings(
      report,
      {
          {"rurirora.ini:2", kError, {"POS/MESSAGELINE=60", "does not fit", "17 is used"}},
          {"rurirora.ini:3", kError, {"unknown key POS/MESAGEX", "did you mean POS/MESSAGEX?"}},
          {"rurirora.ini:5", kError, {"TEXT/TELOWAIT=fast", "not a number", "default is used"}},
          {"story.kvs:2", kError, {"picture \"bg01.bmp\" not found", "near match: BG_01.bmp"}},
          {"story.kvs:3", kError, {"music \"theme.ogg\" not found"}},
          {"story.kvs:4", kError, {"CD track 3 not found", "track03", "track_03", "cd/"}},
          {"story.kvs:5", kError, {"movie \"op.avi\" not found"}},
          {"story.kvs:6", kError, {"picture \"ruri.bmp\" not found"}},
          {"story.kvs:7",
           kError,
           {"sound effect \"効果.wav\" not found", "near match: " + mangled + ".wav"}},
          {"story.kvs:8", kError, {"no label #nowhere", "jump is ignored"}},
          {"story.kvs:9", kError, {"no label #strat", "jump is ignored"}},
          {"story.kvs:10", kError, {"no label #MENU", "clears the screen"}},
          {"story.kvs:11", kError, {"unknown command [Text]", "lower case: [text]"}},
          {"story.kvs:12", kError, {"[gline] needs 4 numbers, found 2"}},
          {"story.kvs:13", kError, {"[textcolor]", "\"ff00\"", "rrggbb"}},
          {"story.kvs:14", kError, {"// comment", "[gdot]", "part of the last value"}},
          {"story.kvs:15",
           kError,
           {"starless.ttf has no glyph for \"☆\" (U+2606)", "used 1 more time"}},
          // Line 17's label #unused is run into from the text above it: no note.
          {"story.kvs:19", kError, {"scenario \"missing.kvs\" not found"}},
          {"story.kvs:21", kError, {"invalid Shift-JIS", "lead byte 0x82 at byte 10"}},
          {"part2.kvs", kNote, {"encoded scenario", "decoded text"}},
          {"part2.kvs:2", kError, {"does not decode", "\"z\""}},
      });
  EXPECT_EQ(report.scenarios, 2u);
  EXPECT_EQ(report.lines, 22u);
  EXPECT_EQ(CheckExitStatus(report), 1);
}

TEST_F(CheckTest, JsonCarriesTheSameFindings) {
  Write("rurirora.ini", "[MAIN]\r\nSCENARIO=s.kvs\r\n");
  WriteSjis("s.kvs", "[go]#x\n[text]\"quoted\"\n");
  const CheckReport report = Check();
  EXPECT_EQ(FormatCheckJson(report),
            "{\"findings\":[\n"
            "{\"file\":\"s.kvs\",\"line\":1,\"severity\":\"error\",\"message\":\"no label #x: the "
            "jump is "
            "ignored and the scenario goes on\"}],\n"
            "\"errors\":1,\"notes\":0,\"scenarios\":1,\"lines\":2}\n");
}

// The CD folder holds trackN, trackNN, track_N or track_NN in any case.
// A WAVE file whose header cannot play is reported where it is used, once.
TEST_F(CheckTest, WavesWithImpossibleHeadersAreReported) {
  std::string mute = "RIFF";
  mute += std::string("\x24\x00\x00\x00WAVEfmt \x10\x00\x00\x00\x01\x00", 18);
  mute += std::string("\x00\x00\x22\x56\x00\x00\x44\xAC\x00\x00\x02\x00\x10\x00", 14);
  mute += std::string("data\x00\x00\x00\x00", 8);
  Write("bgm/mute.wav", mute);
  Write("se/mute.wav", mute);
  std::string fine = mute;
  fine[22] = 1;  // one channel
  Write("se/fine.wav", fine);
  WriteSjis("story.kvs",
            "[bgm]bgm/mute.wav\n[wav]se/mute.wav\n[wav]se/fine.wav\n[bgm]bgm/mute.wav\n");
  const CheckReport report = Check();
  ASSERT_EQ(report.findings.size(), 2u) << FormatCheckText(report);
  EXPECT_EQ(report.findings[0].line, 1u);
  EXPECT_EQ(report.findings[0].message,
            "music \"bgm/mute.wav\" is refused: the header says 0 channels (1 to 8 play); "
            "used 1 more time");
  EXPECT_EQ(report.findings[1].line, 2u);
  EXPECT_EQ(report.findings[1].message,
            "sound effect \"se/mute.wav\" is refused: the header says 0 channels (1 to 8 play)");
}

TEST_F(CheckTest, CdTracksAreFoundInTheCdFolderOrTheGameDirectory) {
  Write("cd/TRACK02.OGG", "x");
  Write("track_3.flac", "x");
  Write("Track_04.mp3", "x");
  WriteSjis("story.kvs", "[cd]2\n[cd]3\n[cd]4\n[cd]0\n[bgm]5\n[bgmfadein]6\n[cd]-1\n");
  const CheckReport report = Check();
  ASSERT_EQ(report.findings.size(), 3u) << FormatCheckText(report);
  EXPECT_EQ(report.findings[0].line, 5u);
  EXPECT_NE(report.findings[0].message.find("CD track 5 not found"), std::string::npos);
  EXPECT_EQ(report.findings[1].line, 6u);
  EXPECT_EQ(report.findings[2].message, "CD track -1 cannot exist: tracks count from 1");

  // A BGM/CDDRIVE folder replaces both places.
  Write("rurirora.ini", "[BGM]\r\nCDDRIVE=music\r\n");
  Write("music/track5.wav", "x");
  WriteSjis("story.kvs", "[cd]5\n[cd]2\n");
  const CheckReport moved = Check();
  ASSERT_EQ(moved.findings.size(), 1u) << FormatCheckText(moved);
  EXPECT_EQ(moved.findings[0].message,
            "CD track 2 not found: no track02 or track_02 (.ogg, .flac, .wav, .mp3) in music/");
}

// Argument forms: what is fine, and what the engine would read otherwise.
TEST_F(CheckTest, ArgumentFormsAndConditions) {
  Write("a.bmp", "BM");
  Write("frame/frame.bmp", "BM");
  Write("frame/frame2.bmp", "BM");
  WriteSjis("story.kvs",
            "#top\n"
            "[gsquare]1,2,3,4,1\n"
            "[gcircle]x+1,(2),3,4\n"
            "[gdot]1,2,3\n"
            "[fill]255,0\n"
            "[gbcolor]255,0,0\n"
            "[gpcolor]FFaa00 // orange\n"
            "[wait]1s\n"
            "[wait] 200\n"
            "[if]a 1[go]#top\n"
            "[if]a=1 // note\n"
            "[set]count\n"
            "[set]t=\"open\n"
            "[bpic]10,a.bmp\n"
            "[bpic]10,20,a.bmp:150\n"
            "[bpicture]a.bmp\n"
            "[chara]a.bmp,a.bmp,a.bmp,a.bmp\n"
            "[bgm]10,op.avi\n"
            "[pic]a.gif\n"
            "[go]top\n"
            "[if]a=1[flip]\n"
            "  [wait]1\n");
  const CheckReport report = Check();
  std::vector<std::string> lines;
  for (const Finding& f : report.findings)
    lines.push_back(std::to_string(f.line) + " " + f.message);
  const std::vector<std::string> expected = {
      // Line 1's label #top begins the game: no note, though the only [go]
      // to it follows a condition that never holds.
      "4 [gdot] needs 2 numbers, found 3: the last value reads \"2,3\" as one expression",
      "5 [fill] colour \"255,0\" needs r,g,b: it reads as black",
      "8 [wait] takes a whole number: \"1s\" reads as 1",
      "10 [if] condition has no <, =, > or !: it never holds",
      "11 a // comment in an [if] condition becomes part of its right side",
      "12 [set] \"count\" has no =: it changes nothing",
      "13 [set] text value has no closing \": it changes nothing",
      "14 [bpic] \"10,a.bmp\" draws nothing: a position needs x,y,name",
      "15 [bpic] opacity 150 is outside 0-100 and counts as 0",
      "17 [chara] draws three characters at most: \"a.bmp\" is ignored",
      "18 [bgm] \"10,op.avi\" has one comma: a position needs x,y,name, so nothing plays",
      "19 picture \"a.gif\" is not drawn: only .bmp, .jpg and .jpe pictures are read",
      "20 [go] top does not begin with #: it never reaches a label",
  };
  EXPECT_EQ(lines, expected);
}

TEST_F(CheckTest, LabelsPackFileAndMissingStartScenario) {
  // A picture held only by the packed file is found there, by bare name.
  const std::vector<uint8_t> bytes = {'B', 'M'};
  Write("pics.dat", *display::BuildPackEntry("In_Pack.BMP", bytes) +
                        *display::BuildPackEntry("frame2.bmp", bytes));
  Write("rurirora.ini", "[FILE]\r\nDATA=pics.dat\r\n[END]\r\nPIC=end.jpg\r\n");
  WriteSjis(
      "story.kvs",
      "[go]#b\n#a\n#b // comment\n#b\n[p]pics\\in_pack.bmp\n[p]inpack.bmp\n[p]inpack.bmp\n#MENU\n");
  ExpectFindings(
      Check(),
      {
          {"rurirora.ini:4", kError, {"picture \"end.jpg\" not found", "and pics.dat"}},
          {"story.kvs:2", kNote, {"label #a", "nothing jumps here"}},
          {"story.kvs:4", kNote, {"label #b repeats the one on line 3"}},
          {"story.kvs:5", kError, {"picture \"frame\\frame.bmp\" not found", "frame/frame.bmp"}},
          {"story.kvs:6",
           kError,
           {"picture \"inpack.bmp\" not found", "near match: In_Pack.BMP in pics.dat",
            "used 1 more time"}},
      });

  fs::remove(dir_ / "pics.dat");
  const CheckReport gone = Check("other.kvs");
  ExpectFindings(gone,
                 {
                     {"rurirora.ini:2", kError, {"FILE/DATA names \"pics.dat\"", "does not exist"}},
                     {"rurirora.ini:4", kError, {"picture \"end.jpg\" not found"}},
                     {"zepa", kError, {"scenario \"other.kvs\" not found"}},
                 });
  EXPECT_EQ(gone.scenarios, 0u);
}

// What the readers themselves lose: NUL bytes and repeated keys. A long
// line is read in pieces but comes out whole.
TEST_F(CheckTest, ReaderLimitsAndRepeatedKeys) {
  Write("rurirora.ini", "[TEXT]\r\nTELOWAIT=30\r\n[text]\r\nTELOWAIT=10\r\n");
  Write("story.kvs", std::string(2046, 'a') + "\r\n" + std::string(2047, 'b') + "\n" +
                         std::string("ab\0cd\n", 6));
  const CheckReport report = Check();
  EXPECT_EQ(report.lines, 3u);
  ExpectFindings(
      report, {
                  {"rurirora.ini:4", kNote, {"text/TELOWAIT is given again", "only the first"}},
                  {"story.kvs:3", kError, {"a NUL byte at byte 3", "drops the rest of the line"}},
              });
}

// Which of a repeated name is read: the first section of a name (in any
// case) and the first key in it; a key only in a later section of the same
// name is never read.
TEST_F(CheckTest, OnlyTheFirstSectionAndKeyOfANameAreRead) {
  Write("rurirora.ini",
        "TELOWAIT=1\r\n[TEXT]\r\nTELOWAIT=30\r\ntelowait=x\r\n[MESSAGE]\r\nINTERVAL=10\r\n"
        "[Text]\r\nTELOWAIT=-4\r\n[message]\r\nSELECT_X=9999\r\n");
  WriteSjis("story.kvs", "[text]a\n");
  const CheckReport report = Check();
  // -4 and 9999 would be errors if they were read; "x" would not be a number.
  ExpectFindings(report, {
                             {"rurirora.ini:4", kNote, {"TEXT/telowait is given again"}},
                             {"rurirora.ini:8", kNote, {"Text/TELOWAIT is given again"}},
                             {"rurirora.ini:10", kNote, {"message/SELECT_X is given again"}},
                         });
}

// The game writes its configuration back with every default filled in; a
// key that holds its default is judged as if it were left out.
TEST_F(CheckTest, KeysWrittenWithTheirDefaultAreJudgedAsTheDefault) {
  fs::remove(dir_ / "se/sleep.wav");
  WriteSjis("story.kvs", "[text]a\n");
  for (const char* icon : {"wait_next.bmp", "wait_ent.bmp", "wait_q.bmp", "wait_mouse.bmp"})
    Write(icon, "BM");
  // The missing default is noted only when asked for.
  ExpectFindings(Check(), {});
  const CheckReport left_out = Check("", true);
  ExpectFindings(left_out, {{"rurirora.ini", kNote, {"se\\sleep.wav", "END/BGM", "is missing"}}});

  Write("rurirora.ini",
        "[END]\r\nBGM=se\\sleep.wav\r\nPIC=ZEPA\r\n[FILE]\r\nDATA=zepaadv.dat\r\n"
        "[SCREEN]\r\nFULL=1\r\n[POS]\r\nTOP=0\r\nLEFT=0\r\n");
  const CheckReport written = Check("", true);
  EXPECT_EQ(FormatCheckText(written), FormatCheckText(left_out));

  // Other values are still the author's, and checked as such.
  Write("rurirora.ini", "[END]\r\nBGM=se\\wake.wav\r\n[FILE]\r\nDATA=pics.dat\r\n");
  ExpectFindings(Check(),
                 {
                     {"rurirora.ini:2", kError, {"end sound", "se\\wake.wav", "not found"}},
                     {"rurirora.ini:4", kError, {"FILE/DATA names \"pics.dat\"", "does not exist"}},
                 });
}

// A label that the run reaches from the lines above it is no finding, nor is
// a built-in wait icon; --strict notes both. The frame is reported where the
// first text needs it, not at the picture command that draws it.
TEST_F(CheckTest, OnlyLabelsNothingReachesAndFramesTheTextNeedsAreReported) {
  Write("bg.bmp", "BM");
  Write("wait_q.bmp", "BM");
  WriteSjis("next.kvs", "#top\n[end]\n");
  WriteSjis("story.kvs",
            "#start\n"
            "[pic]bg.bmp\n"
            "[set]a=1\n"
            "#run_into\n"
            "[go]#later\n"
            "\n"
            "// a comment\n"
            "#after_go\n"
            "[if]a=1[go]#later\n"
            "#after_if\n"
            "[go]#nowhere\n"
            "#after_missing_go\n"
            "[end]\n"
            "#after_end\n"
            "#later\n"
            "[text]hello\n"
            "[sel]a\\nb\n"
            "[mouse]x,y\n"
            "[load]next.kvs\n"
            "#after_load\n");
  const std::vector<Expected> plain = {
      {"story.kvs:8", kNote, {"label #after_go", "nothing jumps here"}},
      {"story.kvs:11", kError, {"no label #nowhere"}},
      {"story.kvs:14", kNote, {"label #after_end"}},
      {"story.kvs:16",
       kError,
       {"shades the message strip", "\"frame\\frame2.bmp\" not found",
        "first needed under the text"}},
      {"story.kvs:16", kError, {"frame picture", "\"frame\\frame.bmp\" not found"}},
      {"story.kvs:20", kNote, {"label #after_load"}},
  };
  ExpectFindings(Check(), plain);

  const std::vector<Expected> strict = {
      {"story.kvs:1", kNote, {"label #start", "nothing jumps here"}},
      {"story.kvs:4", kNote, {"label #run_into"}},
      plain[0],
      {"story.kvs:10", kNote, {"label #after_if"}},
      plain[1],
      {"story.kvs:12", kNote, {"label #after_missing_go"}},
      plain[2],
      plain[3],
      plain[4],
      {"story.kvs:16", kNote, {"wait icon for more text", "wait_next.bmp", "built-in icon"}},
      {"story.kvs:16", kNote, {"end of a text", "wait_ent.bmp", "built-in icon"}},
      {"story.kvs:18", kNote, {"[mouse]", "wait_mouse.bmp", "built-in icon"}},
      plain[5],
      {"next.kvs:1", kNote, {"label #top"}},
  };
  ExpectFindings(Check("", true), strict);
}

// The bundled demo is clean. It is checked with the font the game would open;
// without one the glyph check is skipped with a note.
TEST(CheckDemo, DemoGameHasNoErrors) {
  CheckOptions o;
  o.game_dir = std::string(ZEPA_SOURCE_DIR) + "/games/demo";
  o.open_font = platform::OpenFont;
  const CheckReport report = CheckGame(o);
  EXPECT_EQ(report.errors, 0u) << FormatCheckText(report);
  EXPECT_EQ(report.scenarios, 1u);
  EXPECT_EQ(CheckExitStatus(report), 0);
}

// Ten thousand lines of every kind of command are checked in well under a
// second; the figure is printed for the record.
TEST_F(CheckTest, TenThousandLinesInUnderASecond) {
  Write("bg.bmp", "BM");
  Write("frame/frame.bmp", "BM");
  Write("frame/frame2.bmp", "BM");
  Write("se.wav", "RIFF");
  std::string story;
  for (int i = 0; i < 1000; ++i) {
    const std::string n = std::to_string(i);
    story += "#scene" + n + "\n[pic]bg.bmp\n[text]第" + n + "場面。ここでは何かが起こる。\n" +
             "[sel]はい\\nいいえ\n[if]SELECT=1[go]#scene" + std::to_string((i + 1) % 1000) + "\n" +
             "[wav]se.wav\n[gline]1,2,3,4\n[textcolor]ffffff\n[set]n=n+1\n[go]#scene" + n + "\n";
  }
  WriteSjis("story.kvs", story);
  const auto t0 = std::chrono::steady_clock::now();
  const CheckReport report = Check();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  EXPECT_EQ(report.lines, 10000u);
  EXPECT_EQ(report.errors, 0u) << FormatCheckText(report);
  EXPECT_LT(seconds, 1.0);
  std::printf("checked %zu lines in %.3f s\n", report.lines, seconds);
}

}  // namespace
}  // namespace zepa::engine
