#include "windows/file_dialog.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/headless/headless_host.h"

namespace zepa::windows {
namespace {

namespace fs = std::filesystem;

TEST(FileFilter, ReadsDescriptionsAndPatternLists) {
  const auto f = ParseFilter("ロード可能なデータ|*.kvd;*.kvs|ゲームデータ|*.kvd|すべて");
  ASSERT_EQ(f.size(), 3u);
  EXPECT_EQ(f[0].description, "ロード可能なデータ");
  EXPECT_EQ(f[0].patterns, (std::vector<std::string>{"*.kvd", "*.kvs"}));
  EXPECT_EQ(f[1].patterns, (std::vector<std::string>{"*.kvd"}));
  EXPECT_TRUE(f[2].patterns.empty());  // a description alone matches every file
  EXPECT_TRUE(ParseFilter("").empty());
}

TEST(FileFilter, PatternsMatchLikeTheOldFileSystem) {
  struct Row {
    const char* name;
    const char* pattern;
    bool match;
  };
  const Row table[] = {
      {"DATA1.kvd", "*.kvd", true},
      {"data1.KVD", "*.kvd", true},
      {"story.kvs", "*.kvd", false},
      {"a.kvd.bak", "*.kvd", false},
      {"x.kvd", "?.kvd", true},
      {"xy.kvd", "?.kvd", false},
      {"", "*", true},
      {"abc", "a*b*c", true},
      {"abcb", "a*b", true},
      {"ab", "a*b*c", false},
  };
  for (const Row& r : table)
    EXPECT_EQ(MatchesPattern(r.name, r.pattern), r.match) << r.name << " " << r.pattern;
}

class FileDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("zepa_file_dialog_" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "sub");
    for (const char* name : {"a.kvd", "B.KVD", "s.kvs", "notes.txt", "sub/inner.kvd"})
      std::ofstream(dir_ / name) << "x";
  }
  void TearDown() override { fs::remove_all(dir_); }

  FileDialogOptions Options(FileDialogOptions::Mode mode) const {
    FileDialogOptions o;
    o.mode = mode;
    o.filter = "ロード可能なデータ|*.kvd;*.kvs|ゲームデータ|*.kvd";
    o.default_ext = "kvd";
    o.directory = dir_.string();
    return o;
  }
  static const std::vector<std::string>& Entries(FileDialog& d) {
    return d.window().Find("ListBox_FILES")->items;
  }

  fs::path dir_;
};

TEST_F(FileDialogTest, ListsFoldersThenFilesOfTheChosenFilter) {
  FileDialog d(Options(FileDialogOptions::Mode::kOpen));
  EXPECT_EQ(d.window().caption, "ファイルを開く");
  EXPECT_EQ(Entries(d), (std::vector<std::string>{"[フォルダ] sub", "B.KVD", "a.kvd", "s.kvs"}));
  platform::Control* combo = d.window().Find("ComboBox_FILTER");
  ASSERT_EQ(combo->items.size(), 2u);
  combo->on_select(1);
  EXPECT_EQ(Entries(d), (std::vector<std::string>{"[フォルダ] sub", "B.KVD", "a.kvd"}));

  // Picking a folder enters it; "上へ" comes back.
  d.window().Find("ListBox_FILES")->on_select(0);
  EXPECT_EQ(d.directory(), (dir_ / "sub").string());
  EXPECT_EQ(Entries(d), (std::vector<std::string>{"inner.kvd"}));
  EXPECT_TRUE(d.window().Press("Button_UP"));
  EXPECT_EQ(d.directory(), dir_.string());
}

TEST_F(FileDialogTest, OpenTakesOnlyAFileThatExists) {
  FileDialog d(Options(FileDialogOptions::Mode::kOpen));
  d.window().Find("ListBox_FILES")->on_select(2);  // a.kvd
  EXPECT_EQ(d.window().Find("Edit_FILENAME")->text, "a.kvd");
  ASSERT_TRUE(d.window().SetText("Edit_FILENAME", "missing"));
  EXPECT_TRUE(d.window().PressDefault());
  EXPECT_FALSE(d.window().closed());
  EXPECT_EQ(d.window().Find("Label_STATUS")->text, "ファイルが見つかりません: missing.kvd");
  ASSERT_TRUE(d.window().SetText("Edit_FILENAME", "a"));  // the default extension completes it
  d.Accept();
  EXPECT_TRUE(d.window().closed());
  EXPECT_EQ(d.result(), (dir_ / "a.kvd").string());
}

TEST_F(FileDialogTest, SaveAddsTheDefaultExtensionToANewName) {
  FileDialog d(Options(FileDialogOptions::Mode::kSave));
  EXPECT_EQ(d.window().Find("Button_OK")->text, "保存");
  ASSERT_TRUE(d.window().SetText("Edit_FILENAME", "slot"));
  d.Accept();
  EXPECT_EQ(d.result(), (dir_ / "slot.kvd").string());

  FileDialog e(Options(FileDialogOptions::Mode::kSave));
  ASSERT_TRUE(e.window().SetText("Edit_FILENAME", "notes.txt"));  // an extension of its own stays
  e.Accept();
  EXPECT_EQ(e.result(), (dir_ / "notes.txt").string());
}

TEST_F(FileDialogTest, ScriptedAnswersAndEscapeThroughTheModalLoop) {
  struct Case {
    std::string events;
    std::optional<std::string> want;
  };
  const std::vector<Case> cases = {
      {"10 file sub/inner\n", (dir_ / "sub" / "inner.kvd").string()},
      {"10 file-cancel\n", std::nullopt},
      {"10 key Escape\n", std::nullopt},
      // The answer may come before the dialog opens.
      {"0 file s.kvs\n", (dir_ / "s.kvs").string()},
  };
  for (const Case& c : cases) {
    platform::HeadlessHost host(platform::HeadlessOptions{});
    const auto loaded = host.LoadEvents(c.events);
    ASSERT_TRUE(loaded.ok()) << loaded.message();
    WindowState state;
    EXPECT_EQ(RunFileDialog(host, state, Options(FileDialogOptions::Mode::kOpen)), c.want)
        << c.events;
    EXPECT_FALSE(host.Closed()) << c.events;
  }
}

TEST_F(FileDialogTest, AnUnreadableDirectoryListsNothingAndTheNameFieldStillWorks) {
  FileDialogOptions o = Options(FileDialogOptions::Mode::kSave);
  o.directory = (dir_ / "gone").string();
  FileDialog d(o);
  EXPECT_TRUE(Entries(d).empty());
  ASSERT_TRUE(d.window().SetText("Edit_FILENAME", (dir_ / "x").string()));
  d.Accept();
  EXPECT_EQ(d.result(), (dir_ / "x.kvd").string());
}

}  // namespace
}  // namespace zepa::windows
