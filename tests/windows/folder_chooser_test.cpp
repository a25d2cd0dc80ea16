#include "windows/folder_chooser.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "platform/headless/headless_host.h"
#include "platform/system.h"
#include "windows/game_folder.h"

namespace zepa::windows {
namespace {

namespace fs = std::filesystem;

// A scratch folder with two games (one found by its configuration, one by
// its scenario alone) and a folder that holds only a save; the test runs
// inside `cwd`, which holds no game.
class GameFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("zepa_game_folder_" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    for (const char* d : {"game", "second", "saves", "cwd", "data"})
      fs::create_directories(dir_ / d);
    for (const char* f : {"game/RURIRORA.INI", "game/DATA1.kvd", "game/other.kvs",
                          "second/Story.KVS", "saves/x.kvd"})
      std::ofstream(dir_ / f) << "x";
    old_cwd_ = fs::current_path();
    fs::current_path(dir_ / "cwd");
  }
  void TearDown() override {
    fs::current_path(old_cwd_);
    fs::remove_all(dir_);
  }
  // Spelled as the platform layer spells paths, "/" between folders.
  std::string P(const char* rel) const { return (dir_ / rel).generic_string(); }

  fs::path dir_, old_cwd_;
};

TEST_F(GameFolderTest, TheArgumentsNameTheGameFolder) {
  struct Case {
    std::string option;
    std::vector<std::string> args;
    std::string game_dir;
    std::vector<std::string> args_left;
    bool error = false;
  };
  const std::vector<Case> cases = {
      {"", {P("game")}, P("game"), {}},
      {"", {P("second"), "run.kvs"}, P("second"), {"run.kvs"}},
      {"g", {}, "g", {}},
      {"g", {P("game")}, "", {}, true},
      {"", {P("game"), P("second")}, "", {}, true},
      // A save or scenario opened from a file manager plays its own game.
      {"", {P("game/DATA1.kvd")}, P("game"), {P("game/DATA1.kvd")}},
      {"", {P("game/other.kvs")}, P("game"), {"other.kvs"}},
      // One whose folder is no game, or a bare name, plays here.
      {"", {P("saves/x.kvd")}, ".", {P("saves/x.kvd")}},
      {"", {"DATA2.kvd"}, ".", {"DATA2.kvd"}},
      // Nothing names a game and none is here: the chooser asks.
      {"", {}, "", {}},
      {"", {"notes.txt"}, "", {"notes.txt"}},
  };
  for (const Case& c : cases) {
    const GameArguments got = ResolveGameArguments(c.option, c.args);
    const std::string what = c.option + " " + (c.args.empty() ? "" : c.args[0]);
    EXPECT_EQ(!got.error.empty(), c.error) << what << ": " << got.error;
    if (c.error) continue;
    EXPECT_EQ(got.game_dir, c.game_dir) << what;
    EXPECT_EQ(got.args, c.args_left) << what;
  }
  std::ofstream(dir_ / "cwd" / "rurirora.ini") << "";
  EXPECT_EQ(ResolveGameArguments("", {}).game_dir, ".");
}

TEST_F(GameFolderTest, TheListKeepsTheFoldersPlayedLastNewestFirst) {
  EXPECT_EQ(WithFolderFirst({"/a", "/b", "/c"}, "/b"),
            (std::vector<std::string>{"/b", "/a", "/c"}));
  std::vector<std::string> full;
  for (size_t i = 0; i < kRecentFoldersKept; ++i) full.push_back("/" + std::to_string(i));
  const auto cut = WithFolderFirst(full, "/new");
  ASSERT_EQ(cut.size(), kRecentFoldersKept);
  EXPECT_EQ(cut.front(), "/new");
  EXPECT_EQ(cut.back(), "/" + std::to_string(kRecentFoldersKept - 2));

  auto files = platform::CreateSystemFiles();
  const std::string list = RecentFoldersPath(P("data"));
  EXPECT_TRUE(ReadRecentFolders(list).empty());
  ASSERT_TRUE(RememberFolder(*files, list, P("game")).ok());
  ASSERT_TRUE(RememberFolder(*files, list, P("second")).ok());
  // A relative folder is kept as the full path it names.
  ASSERT_TRUE(RememberFolder(*files, list, "../game").ok());
  EXPECT_EQ(ReadRecentFolders(list), (std::vector<std::string>{P("game"), P("second")}));
  // Folders gone since, relative lines and repeats are not offered.
  fs::remove_all(dir_ / "second");
  std::ofstream(list, std::ios::app) << "relative\n" << P("game") << "\n";
  EXPECT_EQ(ReadRecentFolders(list), (std::vector<std::string>{P("game")}));
  EXPECT_FALSE(RememberFolder(*files, "", P("game")).ok());
}

std::optional<std::string> Drive(const std::string& events, const FolderChooserOptions& o,
                                 bool* closed = nullptr) {
  platform::HeadlessHost host(platform::HeadlessOptions{});
  const auto loaded = host.LoadEvents(events);
  EXPECT_TRUE(loaded.ok()) << loaded.message();
  auto got = RunFolderChooser(host, o);
  if (closed) *closed = host.Closed();
  return got;
}

TEST_F(GameFolderTest, TheChooserPlaysARecentFolderOrOneFoundInItsBrowser) {
  FolderChooserOptions o;
  o.recent = {P("second"), P("game")};
  o.start_dir = dir_.string();
  {
    FolderChooser c(o);
    EXPECT_EQ(c.window().caption, "ゲームのフォルダを選んでください");
    EXPECT_EQ(c.window().Find("Button_RECENT1")->text, P("second"));
    EXPECT_EQ(c.window().Find("Button_RECENT2")->text, P("game"));
    EXPECT_FALSE(c.window().Find("Button_RECENT3")->visible);
    // The browser marks the folders that hold a game.
    EXPECT_EQ(
        c.window().Find("ListBox_FOLDERS")->items,
        (std::vector<std::string>{"cwd", "data", "[ゲーム] game", "saves", "[ゲーム] second"}));
    // A folder without a game is refused with a message; the chooser stays.
    c.Choose("saves");
    EXPECT_FALSE(c.result());
    EXPECT_FALSE(c.window().closed());
    EXPECT_NE(c.window().Find("Label_STATUS")->text.find("ゲームがありません"), std::string::npos);
    c.window().Find("ListBox_FOLDERS")->on_select(2);
    EXPECT_EQ(c.directory(), P("game"));
    ASSERT_TRUE(c.window().Press("Button_OK"));  // an empty field plays the folder shown
    EXPECT_EQ(c.result(), P("game"));
  }
  struct Case {
    std::string events;
    std::optional<std::string> want;
  };
  const std::vector<Case> cases = {
      {"10 press Button_RECENT2\n", P("game")},
      {"10 type Edit_FOLDER second\n20 press Button_OK\n", P("second")},
      {"10 file game\n", P("game")},
      {"10 file saves\n20 file-cancel\n", std::nullopt},
      {"10 key Escape\n", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(Drive(c.events, o), c.want) << c.events;
  // Nobody left to answer: the run ends without a folder.
  bool closed = false;
  EXPECT_EQ(Drive("", o, &closed), std::nullopt);
  EXPECT_TRUE(closed);
}

}  // namespace
}  // namespace zepa::windows
