// The save folder on its own, over real files: where saves go and are
// found, which are listed, and their bytes in and out.
#include "save/save_folder.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/cp932.h"
#include "save/save_folder_fixture.h"

namespace zepa::save {
namespace {

namespace fs = std::filesystem;
using testing::SaveFolderTest;

TEST_F(SaveFolderTest, SaveDirectoryIsMadeOnTheFirstSaveAndBothPlacesAreListedAndRead) {
  const std::string saves = dir_ + "/saves/deep";
  Put(game_ + "/old.kvd", "old");
  Put(game_ + "/DATA2.kvd", "in the game");
  Put(game_ + "/story.KVS", "scenario");
  Put(game_ + "/notes.txt", "not listed");
  fs::create_directories(game_ + "/folder.kvd");
  folder_->SetSaveDir(saves);
  EXPECT_EQ(folder_->ListedDirs(), (std::vector<std::string>{saves, game_}));

  const SaveWrite first = folder_->WriteSaveFile(SlotFileName(1), Bytes("one"));
  ASSERT_TRUE(first.written()) << first.status.message();
  EXPECT_EQ(first.path, saves + "/DATA1.kvd");
  EXPECT_EQ(Get(saves + "/DATA1.kvd"), "one");
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
  fs::create_directories(game_ + "/folder.kvd");
  struct Case {
    const char* name;
    const char* why;
  };
  // A FIFO, which POSIX systems alone have, is tried in posix/.
  for (const Case& c :
       {Case{"missing.kvd", "missing.kvd"}, Case{"folder.kvd", "not a regular file"}}) {
    std::string why;
    EXPECT_EQ(Read(c.name, &why), "<none>") << c.name;
    EXPECT_NE(why.find(c.why), std::string::npos) << c.name << ": " << why;
    EXPECT_NE(why.find(c.name), std::string::npos) << why;
  }

  Put(game_ + "/keep.kvd", "old");
  Put(game_ + "/blocker", "a file, not a directory");
  const SaveWrite blocked = folder_->WriteSaveFile("blocker/x", Bytes("new"));
  EXPECT_FALSE(blocked.written());
  EXPECT_EQ(blocked.path, game_ + "/blocker/x.kvd");
  EXPECT_FALSE(folder_->WriteSaveFile("folder.kvd", Bytes("new")).written());
  EXPECT_TRUE(fs::is_directory(game_ + "/folder.kvd"));
  EXPECT_EQ(Get(game_ + "/keep.kvd"), "old");

  SaveFolder no_files(nullptr, *paths_);
  const SaveWrite none = no_files.WriteSaveFile("keep", Bytes("new"));
  EXPECT_EQ(none.status.message(), "no file system");
  EXPECT_EQ(no_files.SaveDir(), game_);
  EXPECT_EQ(Get(game_ + "/keep.kvd"), "old");
}

// A Japanese name typed in the dialog arrives in Shift-JIS; the desktop
// shows UTF-8 names.
TEST_F(SaveFolderTest, JapaneseNamesGoToDiskInUtf8AndAnOldRawFileIsWrittenWhereItIs) {
  const std::string sjis = "\x83\x5A\x81\x5B\x83\x75";  // セーブ
  const std::string utf8 = "\xE3\x82\xBB\xE3\x83\xBC\xE3\x83\x96";
  EXPECT_FALSE(folder_->SaveReplaces(sjis));
  ASSERT_TRUE(folder_->WriteSaveFile(sjis, Bytes("first")).written());
  EXPECT_EQ(Listed(game_), (std::vector<std::string>{utf8 + ".kvd"}));
  EXPECT_EQ(Get(game_ + "/" + utf8 + ".kvd"), "first");
  // The window warns of the overwrite, and the load finds the file, by the
  // name typed.
  EXPECT_TRUE(folder_->SaveReplaces(sjis));
  EXPECT_TRUE(folder_->SaveReplaces(game_ + "/" + sjis));
  EXPECT_EQ(Read(sjis + ".kvd"), "first");
  ASSERT_TRUE(folder_->WriteSaveFile(sjis, Bytes("second")).written());
  EXPECT_EQ(Read(sjis + ".kvd"), "second");
  EXPECT_EQ(Listed(game_), (std::vector<std::string>{utf8 + ".kvd"}));

  // The same below a save directory of its own.
  folder_->SetSaveDir(dir_ + "/saves");
  ASSERT_TRUE(folder_->WriteSaveFile(sjis, Bytes("in the saves")).written());
  EXPECT_EQ(Get(dir_ + "/saves/" + utf8 + ".kvd"), "in the saves");
  EXPECT_EQ(Listed(dir_ + "/saves"), (std::vector<std::string>{utf8 + ".kvd"}));
  EXPECT_EQ(Read(sjis + ".kvd"), "in the saves");
  folder_->SetSaveDir("");

  // A file made under the Shift-JIS bytes (where names are bytes; Windows
  // stores its characters) is written where it is, never beside itself.
  const std::string other = "\x83\x66\x81\x5B\x83\x5E";  // データ
  Put(game_ + "/" + other + ".kvd", "raw");
  const std::vector<std::string> before = Listed(game_);
  ASSERT_TRUE(folder_->WriteSaveFile(other + ".kvd", Bytes("over")).written());
  EXPECT_EQ(Get(game_ + "/" + other + ".kvd"), "over");
  EXPECT_EQ(Listed(game_), before);
}

}  // namespace
}  // namespace zepa::save
