// Saving and loading the running game through real files: what comes back,
// where files go, and what the windows' requests do.
#include "engine/save_game.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "game_fixture.h"
#include "platform/media_files.h"
#include "script/file_names.h"

namespace zepa::engine {
namespace {

namespace fs = std::filesystem;
using save::kSlotCount;
using save::SlotFileName;
using testing::ExpectClose;

class SaveGameTest : public testing::GameFixture {
 protected:
  void CopyDemo(const std::string& name) {
    fs::copy(fs::path(ZEPA_SOURCE_DIR) / "games/demo" / name, dir_ / name,
             fs::copy_options::recursive | fs::copy_options::overwrite_existing);
  }
  // A fresh process: the window goes, a new one starts on the start scenario.
  void Restart(std::vector<std::string> args = {}) { Create("", {}, std::move(args)); }
  save::SaveFolder& Folder() { return game_->save_folder(); }
};

constexpr const char* kChoiceStory =
    "[textcolor]102030\n"
    "[selectbackcolor]00ff00\n"
    "[picture]bg_room.jpg\n"
    "[chara]chara_a.bmp\n"
    "[frame]\n"
    "[flip]\n"
    "[text]Which way?\n"
    "[sel]left\\nright\\nback\n"
    "[set]after=1\n";

TEST_F(SaveGameTest, ChoiceSavedInASlotComesBackHighlightedWithBothSurfaces) {
  CopyDemo("bg_room.jpg");
  CopyDemo("chara_a.bmp");
  CopyDemo("frame");
  Play(kChoiceStory);
  ASSERT_EQ(State().adv_mode, script::adv::kChoice);
  game_->choices().SetHighlight(2);
  game_->variables().SetVariableText("name", "\x91\xbe\x98\x59");
  game_->variables().SetVariableText("quoted", "say \"hi\" a=b");
  const platform::Surface display = game_->display();
  const platform::Surface buffer = game_->back_buffer();
  const platform::Surface backup = game_->message_window().message_backup();
  const size_t line = *State().current_line;
  ASSERT_TRUE(game_->WriteSaveData(SlotFileName(1), State().adv_mode));
  EXPECT_TRUE(fs::is_regular_file(dir_ / "DATA1.kvd"));
  // Saving leaves the game as it was.
  EXPECT_EQ(game_->back_buffer(), buffer);
  EXPECT_EQ(game_->display(), display);
  EXPECT_EQ(game_->stage().character_record(), "chara_a.bmp");
  EXPECT_EQ(game_->stage().frame_shown(), 1);

  Restart();
  game_->variables().SetVariableText("name", "other");
  EXPECT_EQ(game_->ReadSaveData("DATA1.kvd"), ReadResult::kRestored);
  EXPECT_EQ(State().adv_mode, script::adv::kChoice);
  EXPECT_EQ(game_->choices().select_now(), 2);
  EXPECT_EQ(game_->choices().select_number(), 3);
  EXPECT_EQ(game_->choices().back_color(), 0x00ff00u);
  EXPECT_EQ(game_->message_window().text_color(), 0x302010u);
  EXPECT_EQ(game_->stage().character_record(), "chara_a.bmp");
  EXPECT_EQ(game_->stage().frame_shown(), 1);
  EXPECT_EQ(game_->message_window().wait_mode(), 1);
  EXPECT_EQ(*State().current_line, line);
  EXPECT_EQ(std::string(game_->variables().VariableText("name")), "\x91\xbe\x98\x59");
  EXPECT_EQ(std::string(game_->variables().VariableText("quoted")), "say \"hi\" a=b");
  ExpectClose(game_->back_buffer(), buffer, "buffer");
  // The new window had shown no text, so the backup takes the saved size.
  ExpectClose(game_->message_window().message_backup(), backup, "message backup");
  ExpectClose(game_->display(), display, "display");
  // The highlighted option's background is drawn again on the display.
  const int y = game_->message_window().select_y() + 21 + 10;
  EXPECT_EQ(game_->display().Get(game_->choices().select_x() + 2, y), 0x00ff00u);
}

TEST_F(SaveGameTest, ResumePositionInsideTextAndAtALineStart) {
  const std::string story = "[set]a=1\n[text]first page\nmore text\n[set]b=2\n[set]c=3\n";
  Play(story);
  const size_t text_line = story.find("[text]");
  State().current_line = story.find("more") + 2;
  ASSERT_TRUE(game_->WriteSaveData("inside", 2));
  State().current_line = story.find("[set]c");
  ASSERT_TRUE(game_->WriteSaveData("start", 0));

  Restart();
  game_->ReadSaveData("inside.kvd");
  EXPECT_EQ(*State().current_line, text_line);
  EXPECT_EQ(State().adv_mode, 2);
  game_->ReadSaveData("start.kvd");
  EXPECT_EQ(*State().current_line, story.find("[set]c"));
  EXPECT_EQ(State().adv_mode, 0);
}

TEST_F(SaveGameTest, AnotherScenarioIsLoadedFirstAndTheFileReadAgain) {
  Write("two.kvs", "[set]in_two=1\n[set]more=2\n[set]end=3\n");
  Play("[set]start=1\n", "", {}, {"two.kvs"});
  ASSERT_EQ(State().scenario_name, "two.kvs");
  State().current_line = 14;  // "[set]more=2"
  ASSERT_TRUE(game_->WriteSaveData("two_save", 0));

  Restart();
  ASSERT_EQ(State().scenario_name, "story.kvs");
  EXPECT_EQ(game_->ReadSaveData("two_save.kvd"), ReadResult::kRestored);
  EXPECT_EQ(State().scenario_name, "two.kvs");
  EXPECT_EQ(State().scenario_text.substr(0, 14), "[set]in_two=1\n");
  EXPECT_EQ(*State().current_line, 14u);
  EXPECT_EQ(Var("in_two"), 1);  // the variables of the second read
  EXPECT_EQ(Var("start"), 0);

  // The same file name in another directory counts as the same scenario.
  fs::create_directories(dir_ / "sub");
  Write("sub/plain.kvd", "script:elsewhere/two.kvs\nnow:0\nSETTING_END\n");
  EXPECT_EQ(game_->ReadSaveData("sub/plain.kvd"), ReadResult::kRestored);
  EXPECT_EQ(State().scenario_name, "two.kvs");
}

TEST_F(SaveGameTest, SaveWhoseScenarioCannotBeReadLeavesTheGameAsItWas) {
  CopyDemo("bg_room.jpg");
  Play("[picture]bg_room.jpg\n[flip]\n[set]v=1\n[text]hold\n");
  const size_t line = *State().current_line;
  const int adv_mode = State().adv_mode;
  const std::string text = State().scenario_text;
  const platform::Surface display = game_->display();
  const platform::Surface buffer = game_->back_buffer();
  Write("other.kvd",
        "script:other_game.kvs\nnow:3\npicture:x.bmp\ntextcolor:255\nSETTING_END\nv=7\nz=5\n");
  EXPECT_EQ(game_->ReadSaveData("other.kvd"), ReadResult::kScenarioFailed);
  ASSERT_EQ(host_->errors().size(), 1u);
  EXPECT_NE(host_->errors()[0].find("other_game.kvs"), std::string::npos);
  EXPECT_EQ(Var("v"), 1);
  EXPECT_EQ(Var("z"), 0);
  EXPECT_EQ(State().scenario_name, "story.kvs");
  EXPECT_EQ(State().scenario_text, text);
  EXPECT_EQ(*State().current_line, line);
  EXPECT_EQ(State().adv_mode, adv_mode);
  EXPECT_EQ(game_->display(), display);
  EXPECT_EQ(game_->back_buffer(), buffer);
  EXPECT_EQ(game_->stage().picture_path(), (dir_ / "bg_room.jpg").generic_string());
}

TEST_F(SaveGameTest, UnreadableSaveArgumentIsReportedAndTheGameStarts) {
  // A FIFO, which POSIX systems alone have, is tried in posix/.
  fs::create_directories(dir_ / "folder.kvd");
  for (const char* arg : {"missing.kvd", "folder.kvd"}) {
    SCOPED_TRACE(arg);
    Play("[set]started=1\n", "", {}, {arg});
    ASSERT_EQ(host_->errors().size(), 1u);
    EXPECT_NE(host_->errors()[0].find(arg), std::string::npos);
    EXPECT_EQ(State().scenario_name, "story.kvs");
    EXPECT_EQ(Var("started"), 1);
  }
  // A save whose scenario is gone starts the game too, after its message.
  Write("lost.kvd", "script:gone.kvs\nnow:0\nSETTING_END\n");
  Play("[set]started=1\n", "", {}, {"lost.kvd"});
  EXPECT_EQ(host_->errors().size(), 1u);
  EXPECT_EQ(Var("started"), 1);
}

TEST_F(SaveGameTest, FullPathsOfAMovedGameFolderAreFoundInTheGameFolder) {
  Write("next.kvs", "[set]moved=1\n");
  const std::string old_dir = "/nonexistent/old/game";
  Write("moved.kvd", "script:" + old_dir + "/next.kvs\nnow:0\nSETTING_END\n");
  Play("[set]x=1\n");
  EXPECT_EQ(game_->ReadSaveData("moved.kvd"), ReadResult::kRestored);
  EXPECT_TRUE(host_->errors().empty());
  EXPECT_EQ(State().scenario_text, "[set]moved=1\n");
  game_->Run();
  EXPECT_EQ(Var("moved"), 1);
}

TEST_F(SaveGameTest, PlainFileSetsItsVariableAndKeepsTheDefaults) {
  Play("[textcolor]000000\n[set]x=1\n");
  Write("p.kvd", "script:story.kvs\nnow:9\nSETTING_END\na=5\n");
  EXPECT_EQ(game_->ReadSaveData("p.kvd"), ReadResult::kRestored);
  EXPECT_EQ(Var("a"), 5);
  EXPECT_EQ(Var("x"), 0);
  EXPECT_EQ(*State().current_line, 9u);
  EXPECT_EQ(State().adv_mode, 0);
  EXPECT_EQ(game_->message_window().text_color(), 0xffffffu);
  EXPECT_EQ(game_->sound().fade_time(), 2000);
  EXPECT_EQ(game_->choices().select_x(), 32);
  EXPECT_FALSE(host_->error_shown());
}

TEST_F(SaveGameTest, ExtensionRulesForWritingAndChoosing) {
  Play("[set]v=7\n");
  ASSERT_TRUE(game_->WriteSaveData("bare", 0));
  ASSERT_TRUE(game_->WriteSaveData("UPPER.KVD", 0));
  ASSERT_TRUE(game_->WriteSaveData("notes.txt", 0));
  EXPECT_TRUE(fs::exists(dir_ / "bare.kvd"));
  EXPECT_TRUE(fs::exists(dir_ / "UPPER.KVD"));
  EXPECT_FALSE(fs::exists(dir_ / "UPPER.KVD.kvd"));
  EXPECT_TRUE(fs::exists(dir_ / "notes.txt.kvd"));

  EXPECT_EQ(save::ChosenFileExtension("a.b\\c"), "");
  EXPECT_EQ(save::ChosenFileExtension("dir.x/name"), "");
  EXPECT_EQ(save::ChosenFileExtension("c:name"), "");
  EXPECT_EQ(save::ChosenFileExtension("x.KVDATA"), ".KVDATA");
  EXPECT_EQ(save::WithSaveExtension("/g/a.kvd.txt"), "/g/a.kvd.txt.kvd");
  EXPECT_EQ(save::WithSaveExtension("/g.kvd/a"), "/g.kvd/a.kvd");

  // An upper-case extension chosen in the load window is save data.
  game_->variables().SetVariableNumber("v", 0);
  game_->LoadChosenFile("UPPER.KVD", 2);
  EXPECT_EQ(Var("v"), 7);

  // A Japanese name typed in the dialog (Shift-JIS) is written under its
  // UTF-8 spelling, found again by the Shift-JIS one, and written over in
  // place the next time rather than beside itself.
  const std::string sjis = "\x83\x5A\x81\x5B\x83\x75";  // セーブ
  const std::string utf8 = "\xE3\x82\xBB\xE3\x83\xBC\xE3\x83\x96";
  ASSERT_TRUE(game_->WriteSaveData(sjis, 0));
  auto listed = [&](const std::string& name) {
    const std::vector<std::string> names = Listed();
    return std::find(names.begin(), names.end(), name) != names.end();
  };
  EXPECT_TRUE(listed(utf8 + ".kvd"));
  EXPECT_FALSE(listed(sjis + ".kvd"));
  game_->variables().SetVariableNumber("v", 8);
  ASSERT_TRUE(game_->WriteSaveData(sjis, 0));
  game_->variables().SetVariableNumber("v", 0);
  game_->LoadChosenFile(sjis + ".kvd", 2);
  EXPECT_EQ(Var("v"), 8);
  EXPECT_FALSE(listed(sjis + ".kvd"));
  int kvd_files = 0;
  for (const std::string& name : Listed())
    if (name.ends_with(".kvd")) ++kvd_files;
  EXPECT_EQ(kvd_files, 3);  // bare, notes.txt and the Japanese one
}

TEST_F(SaveGameTest, ChosenFilesFollowTheLoadTable) {
  Write("next.kvs", "[set]n=1\n");
  Play("[set]v=1\n");
  game_->LoadChosenFile("next.kvs", 2);
  EXPECT_EQ(State().scenario_name, "next.kvs");
  EXPECT_EQ(State().adv_mode, 0);
  EXPECT_EQ(Var("v"), 0);  // the game was reset
  EXPECT_FALSE(host_->error_shown());

  game_->LoadChosenFile("", 2);
  ASSERT_EQ(host_->errors().size(), 1u);
  EXPECT_EQ(host_->errors().back(), "このデータには対応していません。");
  EXPECT_EQ(State().adv_mode, 0);

  // A save that cannot be opened leaves the wait state from before.
  game_->LoadChosenFile("absent.kvd", 2);
  EXPECT_EQ(State().adv_mode, 2);
  EXPECT_EQ(host_->errors().size(), 1u);

  // A missing scenario is reported; the running one goes on in the wait
  // state it had.
  game_->LoadChosenFile("absent.kvs", 2);
  EXPECT_EQ(host_->errors().size(), 2u);
  EXPECT_EQ(State().scenario_name, "next.kvs");
  EXPECT_EQ(State().adv_mode, 2);
}

TEST_F(SaveGameTest, SlotsListsAndTheSaveButton) {
  Play("[set]v=1\n");
  EXPECT_TRUE(Folder().ListFiles("kvd").empty());
  for (int slot = 1; slot <= kSlotCount; ++slot) EXPECT_FALSE(Folder().SlotUsed(slot));
  ASSERT_TRUE(game_->WriteSaveData(SlotFileName(3), 0));
  ASSERT_TRUE(game_->WriteSaveData("b", 0));
  game_->variables().SetVariableNumber("v", 2);
  ASSERT_TRUE(game_->WriteSaveData("B", 0));
  fs::create_directories(dir_ / "folder.kvd");
  EXPECT_TRUE(Folder().SlotUsed(3));
  EXPECT_FALSE(Folder().SlotUsed(1));
  // "b" and "B" are two saves where the system keeps names apart by case;
  // where it does not (Windows), the second is written over the first.
  if (platform::ProbePath(dir_.string() + "/STORY.KVS") == platform::PathKind::kMissing) {
    EXPECT_EQ(Folder().ListFiles("kvd"), (std::vector<std::string>{"B.kvd", "DATA3.kvd", "b.kvd"}));
  } else {
    std::vector<std::string> listed = Folder().ListFiles("kvd");
    for (std::string& name : listed) name = script::FoldAsciiCase(name);
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed, (std::vector<std::string>{"b.kvd", "data3.kvd"}));
    game_->variables().SetVariableNumber("v", 0);
    game_->LoadChosenFile("b.kvd", 2);
    EXPECT_EQ(Var("v"), 2);
  }
  EXPECT_EQ(Folder().ListFiles("kvs"), (std::vector<std::string>{"story.kvs"}));

  using script::SavePermission;
  struct Case {
    SavePermission before, after;
    bool shown;
  };
  for (const Case& c : {Case{SavePermission::kDisabled, SavePermission::kDisabled, false},
                        Case{SavePermission::kAllowed, SavePermission::kAllowed, true},
                        Case{SavePermission::kNextWindowOnly, SavePermission::kDisabled, true}}) {
    SavePermission allowed = c.before;
    EXPECT_EQ(save::TakeSaveButton(&allowed), c.shown) << static_cast<int>(c.before);
    EXPECT_EQ(allowed, c.after) << static_cast<int>(c.before);
  }
}

TEST_F(SaveGameTest, UnwritableSavesAreReportedAndKeepTheOldFile) {
  Play("[set]v=1\n");
  ASSERT_TRUE(game_->WriteSaveData("keep", 0));
  const std::string old = Read("keep.kvd");
  Write("blocker", "a file, not a directory");
  EXPECT_FALSE(game_->WriteSaveData("blocker/x", 0));
  ASSERT_EQ(host_->errors().size(), 1u);
  EXPECT_NE(host_->errors()[0].find("blocker/x.kvd"), std::string::npos);
  fs::create_directories(dir_ / "dir.kvd");
  EXPECT_FALSE(game_->WriteSaveData("dir.kvd", 0));
  EXPECT_EQ(host_->errors().size(), 2u);
  EXPECT_TRUE(fs::is_directory(dir_ / "dir.kvd"));
  EXPECT_EQ(Read("keep.kvd"), old);
  EXPECT_EQ(Var("v"), 1);
  // No temporary file is left behind.
  for (const auto& e : fs::directory_iterator(dir_))
    EXPECT_EQ(e.path().filename().string().find(".kvd."), std::string::npos);
}

TEST_F(SaveGameTest, BadSaveFilesLeaveTheGameRunning) {
  Play("[set]v=1\n[set]w=2\n");
  const std::string before = Read("story.kvs");
  fs::create_directories(dir_ / "folder.kvd");
  EXPECT_EQ(game_->ReadSaveData("folder.kvd"), ReadResult::kNotOpened);
  EXPECT_EQ(Var("v"), 1);  // nothing changed

  Write("far.kvd", "script:story.kvs\nnow:2147483648\nSETTING_END\n");
  EXPECT_EQ(game_->ReadSaveData("far.kvd"), ReadResult::kRestored);
  EXPECT_EQ(*State().current_line, 0u);
  Write("neg.kvd", "script:story.kvs\nnow:-5\nSETTING_END\n");
  game_->ReadSaveData("neg.kvd");
  EXPECT_EQ(*State().current_line, 0u);

  Write("junk.kvd", "script:story.kvs\nbDISPLAY_IMAGE:6\n\xff\xd8junkSETTING_END\nz=1\n");
  EXPECT_EQ(game_->ReadSaveData("junk.kvd"), ReadResult::kRestored);
  EXPECT_EQ(Var("z"), 1);

  for (const char* script : {"missing.kvs", "../../x", "/nowhere/at/all.kvs"}) {
    Write("bad.kvd", std::string("script:") + script + "\nnow:3\nSETTING_END\n");
    const size_t errors = host_->errors().size();
    EXPECT_EQ(game_->ReadSaveData("bad.kvd"), ReadResult::kScenarioFailed) << script;
    EXPECT_EQ(host_->errors().size(), errors + 1) << script;
    EXPECT_EQ(State().scenario_name, "story.kvs") << script;
  }
  // Cut anywhere (inside a pair, a picture block, the variables), full of
  // variables or of long lines: the game reads what it can and runs on.
  ASSERT_TRUE(game_->WriteSaveData("whole", 1));
  const std::string whole = Read("whole.kvd");
  for (size_t cut = 0; cut < whole.size(); cut += whole.size() / 37 + 1) {
    Write("cut.kvd", whole.substr(0, cut));
    game_->ReadSaveData("cut.kvd");
    EXPECT_EQ(State().scenario_name, "story.kvs") << cut;
  }
  std::string many = "script:story.kvs\nscene:" + std::string(1 << 20, 's') + "\nSETTING_END\n";
  for (int i = 0; i < 100000; ++i) many += "v" + std::to_string(i) + "=" + std::to_string(i) + "\n";
  many += std::string("nul=a\0b\n", 8);
  Write("many.kvd", many);
  EXPECT_EQ(game_->ReadSaveData("many.kvd"), ReadResult::kRestored);
  EXPECT_EQ(Var("v511"), 511);  // the table holds 512 entries
  EXPECT_EQ(Var("v512"), 0);
  EXPECT_EQ(State().scene_name.size(), 255u);

  EXPECT_FALSE(host_->Closed());
  EXPECT_EQ(Read("story.kvs"), before);
  // Reading wrote nothing: only the files this test made are there.
  size_t files = 0;
  for (const auto& e : fs::directory_iterator(dir_)) files += e.is_regular_file() ? 1 : 0;
  EXPECT_EQ(files, 9u);  // rurirora.ini, story.kvs and seven saves
}

TEST_F(SaveGameTest, SaveFileOnTheCommandLineResumesIt) {
  Write("two.kvs", "[set]a=1\n[text]hello\n[set]b=2\n");
  Play("[set]s=1\n", "", {}, {"two.kvs"});
  ASSERT_EQ(State().adv_mode, 2);
  ASSERT_TRUE(game_->WriteSaveData(SlotFileName(2), State().adv_mode));
  Restart({"DATA2.kvd", "story.kvs"});
  EXPECT_EQ(State().scenario_name, "two.kvs");
  EXPECT_EQ(State().adv_mode, 2);
  EXPECT_EQ(Var("a"), 1);
  EXPECT_EQ(Var("s"), 0);
}

TEST_F(SaveGameTest, SaveDirectoryHoldsNewSavesAndBothPlacesAreListed) {
  Play("[set]v=3\n");
  ASSERT_TRUE(game_->WriteSaveData("old", 0));
  Folder().SetSaveDir((dir_ / "saves").string());
  ASSERT_TRUE(game_->WriteSaveData(SlotFileName(1), 0));
  EXPECT_TRUE(fs::exists(dir_ / "saves" / "DATA1.kvd"));
  EXPECT_FALSE(fs::exists(dir_ / "DATA1.kvd"));
  EXPECT_TRUE(Folder().SlotUsed(1));
  EXPECT_EQ(Folder().ListFiles("kvd"), (std::vector<std::string>{"DATA1.kvd", "old.kvd"}));
  game_->variables().SetVariableNumber("v", 0);
  EXPECT_EQ(game_->ReadSaveData("DATA1.kvd"), ReadResult::kRestored);
  EXPECT_EQ(Var("v"), 3);
  game_->variables().SetVariableNumber("v", 0);
  EXPECT_EQ(game_->ReadSaveData("old.kvd"), ReadResult::kRestored);
  EXPECT_EQ(Var("v"), 3);
}

// "bgm:" and "wav:" hold a name only while its player plays; a load plays the
// saved music again and keeps the loop flags.
TEST_F(SaveGameTest, PlayingMusicIsSavedAndPlaysAgainOnLoad) {
  platform::testing::WriteBytes(dir_ / "theme.wav", platform::testing::Wav(60000));
  platform::testing::WriteBytes(dir_ / "short.wav", platform::testing::Wav(100));
  Write("story.kvs", "[bgmloop]1\n[bgm]theme.wav\n[wav]short.wav\n[wait]1000\n[text]here\n");
  // Not Play: the run's end would shut the sound down.
  Create();
  while (!game_->IdleForPlayer() && host_->Pump(false, 0)) {
  }
  ASSERT_TRUE(game_->sound().MusicPlaying());
  ASSERT_FALSE(game_->sound().EffectPlaying());
  ASSERT_TRUE(game_->WriteSaveData("m.kvd", State().adv_mode));
  const std::string bytes = Read("m.kvd");

  Restart();
  game_->sound().StopMusic();
  ASSERT_FALSE(game_->sound().MusicPlaying());
  ASSERT_EQ(game_->ReadSaveData("m.kvd"), ReadResult::kRestored);
  EXPECT_TRUE(game_->sound().MusicPlaying());
  EXPECT_NE(game_->sound().music_name().find("theme.wav"), std::string::npos);
  EXPECT_EQ(game_->sound().music_loop(), 1);
  EXPECT_FALSE(game_->sound().EffectPlaying());
  EXPECT_FALSE(bytes.empty());
}

}  // namespace
}  // namespace zepa::engine
