// `zepa new`: the game it makes checks clean and plays to its end, and it
// never writes over anything.
#include "check/new_game.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "check/check.h"
#include "engine/game_fixture.h"
#include "script/source_text.h"

namespace zepa::engine {
namespace {

namespace fs = std::filesystem;

class EveryGlyphFont final : public platform::Font {
 public:
  bool RenderGlyph(char32_t, platform::GlyphImage*) override { return true; }
  bool HasGlyph(char32_t) override { return true; }
  const std::string& FilePath() const override { return path_; }

 private:
  std::string path_ = "/fonts/every.ttf";
};

class NewGameTest : public testing::GameFixture {
 protected:
  CheckReport CheckIt(bool strict) {
    CheckOptions o;
    o.game_dir = dir_.string();
    o.strict = strict;
    o.open_font = [](const platform::FontRequest&) -> std::unique_ptr<platform::Font> {
      return std::make_unique<EveryGlyphFont>();
    };
    return CheckGame(o);
  }
};

TEST_F(NewGameTest, MakesAGameThatChecksCleanAndPlaysToItsEnd) {
  fs::remove_all(dir_);
  // A Japanese title goes through the Shift-JIS conversion.
  const platform::Status written = WriteNewGame(dir_.string(), "海へ行く日");
  ASSERT_TRUE(written.ok()) << written.message();
  const CheckReport report = CheckIt(false);
  EXPECT_EQ(report.errors, 0u) << FormatCheckText(report);
  EXPECT_EQ(report.notes, 0u) << FormatCheckText(report);
  // Even the strict check finds only the labels the run falls into: every
  // file, the icons and the end sound included, is there.
  const CheckReport strict = CheckIt(true);
  EXPECT_EQ(strict.errors, 0u) << FormatCheckText(strict);
  for (const Finding& f : strict.findings)
    EXPECT_NE(f.message.find("nothing jumps here"), std::string::npos) << f.message;
  EXPECT_EQ(script::GameSourceToUtf8(Read("story.kvs")).text, Read("story.txt"));

  // Click on, and take the second option when the choice is up.
  std::string events;
  for (int t = 3000; t < 60000; t += 2000)
    events += std::to_string(t) + " move 100 400\n" + std::to_string(t + 5) + " click 100 400\n";
  Create(events);
  game_->Run();
  EXPECT_EQ(Var("SELECT"), 2);
  EXPECT_EQ(State().scene_name, "#ending");
  // Past the [end] line: the end screen ran and closed the game.
  ASSERT_TRUE(State().current_line.has_value());
  EXPECT_EQ(*State().current_line, State().scenario_text.size());
  EXPECT_TRUE(host_->Closed());
  EXPECT_FALSE(host_->error_shown());
}

TEST(NewGame, WritesNothingOverAFolderInUseOrForATitleTheGameCannotShow) {
  const fs::path root = fs::temp_directory_path() / "zepa_new_game_refusals";
  fs::remove_all(root);
  fs::create_directories(root / "used");
  std::ofstream(root / "used" / "notes.txt") << "mine";
  std::ofstream(root / "file") << "mine";
  struct Case {
    std::string dir, title, phrase;
  };
  const std::vector<Case> cases = {
      {"used", "T", "exists and is not empty"}, {"file", "T", "is not a folder"},
      {"fresh", "雪だるま☃", "U+2603"},         {"fresh", "two\nlines", "one line"},
      {"fresh", "a [b]", "cannot hold ["},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.phrase);
    const platform::Status written = WriteNewGame((root / c.dir).string(), c.title);
    EXPECT_FALSE(written.ok());
    EXPECT_NE(written.message().find(c.phrase), std::string::npos) << written.message();
  }
  EXPECT_FALSE(fs::exists(root / "fresh"));
  EXPECT_EQ(fs::file_size(root / "file"), 4u);
  EXPECT_EQ(std::distance(fs::directory_iterator(root / "used"), fs::directory_iterator()), 1);

  // The command line: a folder is needed, and --title takes a text.
  std::ostringstream out, err;
  EXPECT_EQ(RunNewGameCommand({}, out, err), 2);
  EXPECT_EQ(RunNewGameCommand({(root / "x").string(), "--title"}, out, err), 2);
  EXPECT_EQ(RunNewGameCommand({(root / "used").string()}, out, err), 1);
  EXPECT_EQ(RunNewGameCommand({(root / "empty").string(), "--title", "Mine"}, out, err), 0);
  std::string first;
  {
    // Closed before the folder is removed, which Windows refuses for a file
    // still open.
    std::ifstream readme(root / "empty" / "README");
    std::getline(readme, first);
  }
  EXPECT_EQ(first, "Mine: a game for zepa.");
  fs::remove_all(root);
}

}  // namespace
}  // namespace zepa::engine
