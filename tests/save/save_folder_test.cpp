// The save folder on its own, over real files: where saves go and are
// found, which are listed, and their bytes in and out.
#include "save/save_folder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "platform/cp932.h"
#include "platform/posix/posix_files.h"

namespace zepa::save {
namespace {

namespace fs = std::filesystem;

class SaveFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("zepa_save_folder_" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "game");
    paths_ = std::make_unique<script::PathResolver>((dir_ / "game").string());
    paths_->sjis_to_utf8 = [](std::string_view s) { return platform::Cp932ToUtf8(s); };
    folder_ = std::make_unique<SaveFolder>(files_.get(), *paths_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  static void Put(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
  }
  static std::string Get(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  static std::span<const uint8_t> Bytes(const std::string& s) {
    return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
  }
  std::string Read(std::string_view name, std::string* why = nullptr) {
    const auto bytes = folder_->ReadSaveFile(name);
    if (!bytes.ok() && why) *why = bytes.message();
    return bytes.ok() ? std::string(bytes->begin(), bytes->end()) : "<none>";
  }

  fs::path dir_;
  std::unique_ptr<platform::Files> files_ = platform::CreatePosixFiles();
  std::unique_ptr<script::PathResolver> paths_;
  std::unique_ptr<SaveFolder> folder_;
};

TEST_F(SaveFolderTest, SaveDirectoryIsMadeOnTheFirstSaveAndBothPlacesAreListedAndRead) {
  const fs::path game = dir_ / "game", saves = dir_ / "saves" / "deep";
  Put(game / "old.kvd", "old");
  Put(game / "DATA2.kvd", "in the game");
  Put(game / "story.KVS", "scenario");
  Put(game / "notes.txt", "not listed");
  fs::create_directories(game / "folder.kvd");
  folder_->SetSaveDir(saves.string());
  EXPECT_EQ(folder_->ListedDirs(), (std::vector<std::string>{saves.string(), game.string()}));

  const SaveWrite first = folder_->WriteSaveFile(SlotFileName(1), Bytes("one"));
  ASSERT_TRUE(first.written()) << first.status.message();
  EXPECT_EQ(first.path, (saves / "DATA1.kvd").string());
  EXPECT_EQ(Get(saves / "DATA1.kvd"), "one");
  ASSERT_TRUE(folder_->WriteSaveFile("DATA2", Bytes("in the saves")).written());

  for (int slot = 1; slot <= kSlotCount; ++slot)
    EXPECT_EQ(folder_->SlotUsed(slot), slot <= 2) << slot;
  // Listed once each, plain files only, in byte order.
  EXPECT_EQ(folder_->ListFiles("kvd"),
            (std::vector<std::string>{"DATA1.kvd", "DATA2.kvd", "old.kvd"}));
  EXPECT_EQ(folder_->ListFiles("kvs"), (std::vector<std::string>{"story.KVS"}));

  // A bare name is read from the save directory first, then the game's.
  EXPECT_EQ(Read("DATA2.kvd"), "in the saves");
  EXPECT_EQ(Read("old.kvd"), "old");
  EXPECT_TRUE(folder_->SaveReplaces("DATA2"));
  EXPECT_FALSE(folder_->SaveReplaces("DATA3"));
}

TEST_F(SaveFolderTest, UnreadableSavesSayWhyAndUnwritableOnesKeepTheOldFile) {
  const fs::path game = dir_ / "game";
  fs::create_directories(game / "folder.kvd");
  ASSERT_EQ(::mkfifo((game / "pipe.kvd").c_str(), 0600), 0);
  struct Case {
    const char* name;
    const char* why;
  };
  for (const Case& c :
       {Case{"missing.kvd", "missing.kvd"}, Case{"folder.kvd", "not a regular file"},
        Case{"pipe.kvd", "not a regular file"}}) {
    std::string why;
    EXPECT_EQ(Read(c.name, &why), "<none>") << c.name;
    EXPECT_NE(why.find(c.why), std::string::npos) << c.name << ": " << why;
    EXPECT_NE(why.find(c.name), std::string::npos) << why;
  }

  Put(game / "keep.kvd", "old");
  Put(game / "blocker", "a file, not a directory");
  const SaveWrite blocked = folder_->WriteSaveFile("blocker/x", Bytes("new"));
  EXPECT_FALSE(blocked.written());
  EXPECT_EQ(blocked.path, (game / "blocker" / "x.kvd").string());
  EXPECT_FALSE(folder_->WriteSaveFile("folder.kvd", Bytes("new")).written());
  EXPECT_TRUE(fs::is_directory(game / "folder.kvd"));
  EXPECT_EQ(Get(game / "keep.kvd"), "old");

  SaveFolder no_files(nullptr, *paths_);
  const SaveWrite none = no_files.WriteSaveFile("keep", Bytes("new"));
  EXPECT_EQ(none.status.message(), "no file system");
  EXPECT_EQ(no_files.SaveDir(), game.string());
  EXPECT_EQ(Get(game / "keep.kvd"), "old");
}

// A Japanese name typed in the dialog arrives in Shift-JIS; the desktop
// shows UTF-8 names.
TEST_F(SaveFolderTest, JapaneseNamesGoToDiskInUtf8AndAnOldRawFileIsWrittenWhereItIs) {
  const fs::path game = dir_ / "game";
  const std::string sjis = "\x83\x5A\x81\x5B\x83\x75";  // セーブ
  const std::string utf8 = "\xE3\x82\xBB\xE3\x83\xBC\xE3\x83\x96";
  EXPECT_FALSE(folder_->SaveReplaces(sjis));
  ASSERT_TRUE(folder_->WriteSaveFile(sjis, Bytes("first")).written());
  EXPECT_EQ(Get(game / (utf8 + ".kvd")), "first");
  EXPECT_FALSE(fs::exists(game / (sjis + ".kvd")));
  // The window warns of the overwrite, and the load finds the file, by the
  // name typed.
  EXPECT_TRUE(folder_->SaveReplaces(sjis));
  EXPECT_TRUE(folder_->SaveReplaces((game / sjis).string()));
  EXPECT_EQ(Read(sjis + ".kvd"), "first");
  ASSERT_TRUE(folder_->WriteSaveFile(sjis, Bytes("second")).written());
  EXPECT_EQ(Read(sjis + ".kvd"), "second");

  // The same below a save directory of its own.
  folder_->SetSaveDir((dir_ / "saves").string());
  ASSERT_TRUE(folder_->WriteSaveFile(sjis, Bytes("in the saves")).written());
  EXPECT_EQ(Get(dir_ / "saves" / (utf8 + ".kvd")), "in the saves");
  EXPECT_EQ(Read(sjis + ".kvd"), "in the saves");
  folder_->SetSaveDir("");

  const std::string other = "\x83\x66\x81\x5B\x83\x5E";  // データ
  Put(game / (other + ".kvd"), "raw");
  ASSERT_TRUE(folder_->WriteSaveFile(other + ".kvd", Bytes("over")).written());
  EXPECT_EQ(Get(game / (other + ".kvd")), "over");
  EXPECT_FALSE(fs::exists(game / (platform::Cp932ToUtf8(other) + ".kvd")));
}

}  // namespace
}  // namespace zepa::save
