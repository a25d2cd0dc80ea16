// The slot window: its labels for the files there are, what each choice
// says in the memo, and that only a chosen name is saved.
#include "windows/save_file_window.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "windows/save_preview_panel.h"
#include "windows/window_game.h"

namespace zepa::windows {
namespace {

namespace fs = std::filesystem;

class SaveFileWindowTest : public testing::WindowGame {};

TEST_F(SaveFileWindowTest, SlotLabelsShowTheSavedSlotsAndTheMemoWarnsOfOverwriting) {
  Play("[set]v=1\n");
  ASSERT_TRUE(game_->WriteSaveData("DATA2.kvd", 0));
  ASSERT_TRUE(game_->WriteSaveData("DATA5", 0));
  WindowState state;
  state.dialog_choice = DialogChoice::kQuitConfirmed;
  state.dialog_file_name = "left over";
  SaveFileWindow w(*host_, state, game_->save_folder());
  platform::ToolWindow& tw = w.window();
  // Creation clears what an earlier window left.
  EXPECT_EQ(state.dialog_choice, DialogChoice::kNothing);
  EXPECT_EQ(state.dialog_file_name, "");
  EXPECT_EQ(tw.name, "Form_SAVE");
  EXPECT_EQ(tw.caption, "SAVE");
  EXPECT_EQ(tw.client_width, 210 + kPreviewPanelWidth);  // the preview beside the slots
  EXPECT_EQ(tw.client_height, 286);
  const char* labels[] = {"セーブされていません。", "保存されています。", "セーブされていません。",
                          "セーブされていません。", "保存されています。"};
  for (int k = 1; k <= 5; ++k) {
    const std::string n = std::to_string(k);
    EXPECT_EQ(tw.Find("Label_SAVE" + n)->text, labels[k - 1]) << k;
    EXPECT_EQ(tw.Find("Button_SAVE" + n)->text, "DATA" + n);
    EXPECT_EQ(tw.Find("Button_SAVE" + n)->rect.y, 8 + 32 * (k - 1));
    EXPECT_EQ(tw.Find("Label_SAVE" + n)->rect.y, 16 + 32 * (k - 1));
  }
  EXPECT_EQ(tw.Find("Label1")->text, "（他の名前で保存）");

  ASSERT_TRUE(tw.Press("Button_SAVE2"));
  EXPECT_EQ(state.dialog_file_name, "DATA2.kvd");
  EXPECT_EQ(tw.Find("Memo1")->text, "DATA2 にゲームを保存します。\n（上書きします）");
  ASSERT_TRUE(tw.Press("Button_SAVE3"));
  EXPECT_EQ(state.dialog_file_name, "DATA3.kvd");
  EXPECT_EQ(tw.Find("Memo1")->text, "DATA3 にゲームを保存します。");
  EXPECT_EQ(state.dialog_choice, DialogChoice::kNothing);  // choosing is not saving
  ASSERT_TRUE(tw.Press("BitBtn_OK"));
  EXPECT_TRUE(tw.closed());
  EXPECT_EQ(static_cast<int>(state.dialog_choice), 1);
}

TEST_F(SaveFileWindowTest, OkBeforeAnyChoiceAndCancelAfterOneSaveNothing) {
  Play("[set]v=1\n[savewin]\n[text]wait\n[savewin]\n[text]again\n",
       "2000 press BitBtn_OK\n" + DumpAt(2100, "ok.json") + "3000 key Return\n" +
           "4000 press Button_SAVE4\n4100 press BitBtn1\n" + DumpAt(4200, "cancel.json") +
           "5000 quit\n");
  auto ok = Dump("ok.json"), cancel = Dump("cancel.json");
  EXPECT_EQ(ok["dialog_choice"], 0);
  EXPECT_TRUE(ok["windows"].empty());
  EXPECT_EQ(cancel["dialog_choice"], 0);
  EXPECT_EQ(cancel["dialog_file_name"], "DATA4.kvd");
  for (const auto& e : fs::directory_iterator(dir_))
    EXPECT_NE(e.path().extension(), ".kvd") << e.path();
  EXPECT_FALSE(host_->error_shown());
}

TEST_F(SaveFileWindowTest, EtcSavesUnderTheNameChosenInTheDialog) {
  fs::create_directories(dir_ / "saves");
  Play("[set]v=4\n[text]here\n",
       "2000 key S\n2100 press Button_SAVE\n2200 press Button_ETC\n2300 file saves/other\n" +
           DumpAt(2400, "named.json") + "2500 press BitBtn_OK\n" +
           // Once it exists, choosing it again warns that it is replaced.
           "3000 key S\n3100 press Button_SAVE\n3200 press Button_ETC\n" +
           DumpAt(3250, "dialog.json") + "3300 file saves/other.kvd\n" +
           DumpAt(3400, "again.json") + "3500 press BitBtn1\n3600 key Escape\n4000 quit\n");
  auto named = Dump("named.json"), dialog = Dump("dialog.json"), again = Dump("again.json");
  EXPECT_EQ(Text(named, "Form_SAVE", "Memo1"), "other にゲームを保存します。");
  EXPECT_EQ(named["dialog_file_name"], (dir_ / "saves" / "other").string());
  ASSERT_TRUE(fs::is_regular_file(dir_ / "saves" / "other.kvd"));
  // The save dialog starts in the game directory.
  EXPECT_EQ(Text(dialog, "SaveDialog1", "Label_DIRECTORY"), dir_.string());
  EXPECT_EQ(Text(again, "Form_SAVE", "Memo1"), "other にゲームを保存します。\n（上書きします）");
  EXPECT_TRUE(again["windows"].size() == 2u);

  Create();
  ASSERT_EQ(game_->ReadSaveData((dir_ / "saves" / "other.kvd").string()),
            engine::ReadResult::kRestored);
  EXPECT_EQ(Var("v"), 4);
}

// A Japanese name typed in the dialog arrives in Shift-JIS; the save goes
// to disk under the UTF-8 spelling the desktop shows and loads by the name
// typed.
TEST_F(SaveFileWindowTest, JapaneseNameFromTheDialogIsWrittenInUtf8AndLoadsByItsTypedName) {
  const std::string sjis = "\x83\x5A\x81\x5B\x83\x75";  // セーブ
  const std::string utf8 = "\xE3\x82\xBB\xE3\x83\xBC\xE3\x83\x96";
  Play("[set]v=6\n[text]here\n",
       "2000 key S\n2100 press Button_SAVE\n2200 press Button_ETC\n2300 file " + sjis +
           "\n2500 press BitBtn_OK\n3000 quit\n");
  ASSERT_EQ(platform::ProbePath(dir_.string() + "/" + utf8 + ".kvd"), platform::PathKind::kRegular);
  const std::vector<std::string> names = Listed();
  EXPECT_NE(std::find(names.begin(), names.end(), utf8 + ".kvd"), names.end());
  EXPECT_EQ(std::find(names.begin(), names.end(), sjis + ".kvd"), names.end());
  EXPECT_FALSE(host_->error_shown());

  Create();
  ASSERT_EQ(game_->ReadSaveData(sjis + ".kvd"), engine::ReadResult::kRestored);
  EXPECT_EQ(Var("v"), 6);
}

}  // namespace
}  // namespace zepa::windows
