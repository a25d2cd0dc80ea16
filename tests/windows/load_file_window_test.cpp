// The load window: the list laid out in its scroll box, its order and cap,
// and what each way of choosing loads.
#include "windows/load_file_window.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/headless/image_writer.h"
#include "windows/save_preview_panel.h"
#include "windows/window_game.h"

namespace zepa::windows {
namespace {

namespace fs = std::filesystem;

class LoadFileWindowTest : public testing::WindowGame {
 protected:
  // The buttons of the list in layout order: (name, caption, top).
  struct Row {
    std::string name, caption;
    int top;
    bool operator==(const Row&) const = default;
  };
  static std::vector<Row> ListButtons(const platform::ToolWindow& w) {
    std::vector<Row> rows;
    for (const platform::Control& c : w.controls)
      if (c.parent == "ScrollBox1" && c.kind == platform::ControlKind::kButton &&
          c.name != "Button_MANUAL")
        rows.push_back({c.name, c.text, c.rect.y});
    return rows;
  }
};

TEST_F(LoadFileWindowTest, AnEmptyDirectoryGivesTheThreeLabelsAndTheManualButton) {
  // The scenario lies elsewhere, so the game directory holds neither kind.
  const fs::path elsewhere = dir_.string() + "_scenario";
  fs::create_directories(elsewhere);
  std::ofstream(elsewhere / "s.kvs") << "[text]x\n";
  Create("", {}, {(elsewhere / "s.kvs").string()});
  ASSERT_EQ(State().scenario_name, (elsewhere / "s.kvs").string());
  fs::remove_all(elsewhere);
  WindowState state;
  LoadFileWindow w(*host_, state, game_->save_folder());
  const platform::ToolWindow& tw = w.window();
  EXPECT_EQ(tw.name, "Form_LOAD");
  EXPECT_EQ(tw.caption, "LOAD");
  EXPECT_EQ(tw.client_width, 218 + kPreviewPanelWidth);  // the preview beside the list
  EXPECT_EQ(tw.client_height, 335);
  EXPECT_TRUE(ListButtons(tw).empty());
  struct Top {
    const char* name;
    int top;
  };
  // 8, then each label's height and 8 more, 8 between the groups, and the
  // bevel 16 below the button.
  for (const Top& t : {Top{"Label_SAVEDATA", 8}, Top{"Label_SCENARIO", 36}, Top{"Label_ALL", 64},
                       Top{"Button_MANUAL", 84}, Top{"Bevel1", 125}}) {
    const platform::Control* c = tw.Find(t.name);
    ASSERT_NE(c, nullptr) << t.name;
    EXPECT_EQ(c->rect.y, t.top) << t.name;
    EXPECT_EQ(c->parent, "ScrollBox1") << t.name;
  }
  EXPECT_EQ(tw.Find("Label_SAVEDATA")->text, "セーブデータ");
  EXPECT_EQ(tw.Find("Label_SCENARIO")->text, "シナリオ");
  EXPECT_EQ(tw.Find("Label_ALL")->text, "ファイル名を指定");
  EXPECT_EQ(tw.Find("Button_MANUAL")->text, "その他");
  EXPECT_EQ(tw.Find("Button_MANUAL")->rect.width, 161);
  EXPECT_EQ(tw.Find("Bevel1")->rect.x, 0);
}

TEST_F(LoadFileWindowTest, ListsAreSortedByBytesCappedAtAHundredAndSpacedBy32) {
  Write("b.kvd", "x");
  Write("B.kvd", "x");
  Write("\xe3\x81\x82.kvd", "x");  // "あ": its bytes sort after the letters
  Write("a.KVD", "x");
  Write("DATA1.kvs", "[text]x\n");
  Write("DATA1.kvd", "x");
  Write("notes.txt", "x");
  Play("[text]x\n");
  WindowState state;
  LoadFileWindow w(*host_, state, game_->save_folder());
  std::vector<Row> save_rows = {{"B.kvd", "B", 0},
                               {"DATA1.kvd", "DATA1", 0},
                               {"a.KVD", "a", 0},
                               {"b.kvd", "b", 0},
                               {"\xe3\x81\x82.kvd", "\xe3\x81\x82", 0}};
  // Where the system folds case (Windows) "B.kvd" was written over "b.kvd".
  if (platform::ProbePath(dir_.string() + "/STORY.KVS") != platform::PathKind::kMissing)
    save_rows.erase(save_rows.begin());
  std::vector<Row> expected;
  for (Row row : save_rows) {
    row.top = 28 + 32 * static_cast<int>(expected.size());
    expected.push_back(row);
  }
  const int scenarios = 28 + 32 * static_cast<int>(save_rows.size()) + 8;  // 196 for five saves
  expected.push_back({"DATA1.kvs", "DATA1", scenarios + 20});
  expected.push_back({"story.kvs", "story", scenarios + 52});
  EXPECT_EQ(ListButtons(w.window()), expected);
  EXPECT_EQ(w.window().Find("Label_SCENARIO")->rect.y, scenarios);
  // A save and a scenario of one stem stay apart by their names; the
  // caption finds the first, the save.
  ASSERT_TRUE(w.window().Press("DATA1.kvs"));
  EXPECT_EQ(state.dialog_file_name, "DATA1.kvs");
  EXPECT_EQ(w.window().Find("Memo1")->text, "DATA1 のシナリオを読み込みます。");
  ASSERT_TRUE(w.window().Press("DATA1"));
  EXPECT_EQ(state.dialog_file_name, "DATA1.kvd");
  EXPECT_EQ(w.window().Find("Memo1")->text, "DATA1 をロードします。");
  EXPECT_EQ(state.dialog_choice, DialogChoice::kNothing);

  for (int i = 0; i < 120; ++i) Write("s" + std::to_string(1000 + i) + ".kvd", "x");
  LoadFileWindow full(*host_, state, game_->save_folder());
  std::vector<std::string> saves;
  for (const Row& r : ListButtons(full.window()))
    if (r.name.ends_with(".kvd") || r.name.ends_with(".KVD")) saves.push_back(r.name);
  EXPECT_EQ(saves.size(), 100u);
  EXPECT_TRUE(
      std::is_sorted(saves.begin(), saves.end(), [](const std::string& a, const std::string& b) {
        return std::lexicographical_compare(
            a.begin(), a.end(), b.begin(), b.end(),
            [](char x, char y) { return static_cast<uint8_t>(x) < static_cast<uint8_t>(y); });
      }));
}

TEST_F(LoadFileWindowTest, ChoosingFromTheListLoadsSavesAndScenarios) {
  Write("next.kvs", "[set]next=1\n[text]in next\n");
  Play("[set]v=5\n[text]first\n[set]v=6\n",
       // A save under an upper-case extension, made through the slot window.
       "2000 key S\n2100 press Button_SAVE\n2200 press Button_ETC\n2300 file UP.KVD\n"
       "2400 press BitBtn_OK\n"
       "3000 key Return\n" +
           DumpAt(3500, "moved.json") + "4000 key L\n4100 press UP\n4200 press BitBtn_OK\n" +
           DumpAt(4300, "restored.json") + "5000 key L\n5100 press next\n5200 press BitBtn_OK\n" +
           DumpAt(6500, "next.json") + "7000 quit\n");
  auto moved = Dump("moved.json"), restored = Dump("restored.json"), next = Dump("next.json");
  ASSERT_TRUE(fs::is_regular_file(dir_ / "UP.KVD"));
  EXPECT_EQ(Number(moved, "v"), 6);
  // .KVD is save data: the saved wait state and variables come back.
  EXPECT_EQ(restored["adv_mode"], script::adv::kTextEnd);
  EXPECT_EQ(Number(restored, "v"), 5);
  EXPECT_TRUE(restored["windows"].empty());
  // A scenario resets the game and starts it.
  EXPECT_EQ(next["scenario"], "next.kvs");
  EXPECT_EQ(Number(next, "v"), 0);
  EXPECT_EQ(Number(next, "next"), 1);
  EXPECT_EQ(next["adv_mode"], script::adv::kTextEnd);
  EXPECT_FALSE(host_->error_shown());
}

TEST_F(LoadFileWindowTest, ManualChoiceLoadsOnOkAndCancelTakesItBack) {
  fs::create_directories(dir_ / "saves");
  Play("[set]v=1\n[text]first\n[set]v=2\n[text]second\n",
       "2000 key S\n2100 press Button_SAVE\n2200 press Button_ETC\n2300 file saves/other.kvd\n"
       "2400 press BitBtn_OK\n3000 key Return\n"
       // Picked, then cancelled: nothing is loaded.
       "4000 key L\n4100 press Button_MANUAL\n" +
           DumpAt(4150, "dialog.json") + "4200 file saves/other.kvd\n" +
           DumpAt(4300, "picked.json") + "4400 press BitBtn_CANCEL\n" +
           DumpAt(4500, "cancelled.json") +
           // Picked, then OK: loaded.
           "5000 key L\n5100 press Button_MANUAL\n5200 file saves/other.kvd\n5300 press "
           "BitBtn_OK\n" +
           DumpAt(5400, "loaded.json") + "6000 quit\n");
  auto dialog = Dump("dialog.json"), picked = Dump("picked.json"),
       cancelled = Dump("cancelled.json"), loaded = Dump("loaded.json");
  EXPECT_EQ(Window(dialog, "OpenDialog1")["caption"], "ゲームをロードします");
  EXPECT_EQ(Text(dialog, "OpenDialog1", "Label_DIRECTORY"), dir_.string());
  EXPECT_EQ(Text(picked, "Form_LOAD", "Memo1"), "other をロードします。");
  EXPECT_EQ(picked["dialog_choice"], 2);
  EXPECT_EQ(cancelled["dialog_choice"], 0);
  EXPECT_EQ(Number(cancelled, "v"), 2);
  EXPECT_EQ(Number(loaded, "v"), 1);
  EXPECT_EQ(loaded["adv_mode"], script::adv::kTextEnd);
}

// The preview shows the save under the pointer, else the one chosen, and
// reading it changes nothing of the game; a file that is no save, or a
// scenario, leaves the frame empty. The controls of the list keep their
// places beside it.
TEST_F(LoadFileWindowTest, PreviewShowsTheSaveUnderThePointerOrChosenAndLoadsNothing) {
  Write("broken.kvd", "not a save");
  Play("#hill\n[set]v=5\n[fill]0000ff\n[flip]\n[text]first\n[set]v=6\n#room\n[text]second\n",
       "2000 key S\n2100 press Button_SAVE\n2200 press Button_SAVE1\n2300 press BitBtn_OK\n"
       "2400 shot " +
           Path("display.png") +
           "\n3000 key Return\n"
           "5000 key L\n5100 hover DATA1\n" +
           DumpAt(5200, "over_save.json") + "5300 hover broken\n" +
           DumpAt(5400, "over_broken.json") + "5500 press story\n5600 hover DATA1\n5700 hover\n" +
           DumpAt(5800, "chosen_story.json") + "5900 press DATA1\n6000 hover story\n" +
           DumpAt(6100, "chosen_save.json") + "6200 shot " + Path("load.png") +
           " Form_LOAD\n6300 press BitBtn_CANCEL\n" + DumpAt(6400, "after.json") + "7000 quit\n");
  const auto over_save = Dump("over_save.json"), over_broken = Dump("over_broken.json"),
             chosen_story = Dump("chosen_story.json"), chosen_save = Dump("chosen_save.json"),
             after = Dump("after.json");
  EXPECT_EQ(Text(over_save, "Form_LOAD", "Label_PREVIEW_FILE"), "DATA1");
  EXPECT_EQ(Text(over_save, "Form_LOAD", "Label_PREVIEW_SCENE"), "#hill");
  EXPECT_EQ(Text(over_save, "Form_LOAD", "Label_PREVIEW_DATE").size(), 16u);  // YYYY-MM-DD HH:MM
  // Looking at the save loaded nothing: the game is still past it.
  EXPECT_EQ(Number(over_save, "v"), 6);
  EXPECT_EQ(over_save["scene"], "#room");
  for (const char* label : {"Label_PREVIEW_FILE", "Label_PREVIEW_DATE", "Label_PREVIEW_SCENE"}) {
    EXPECT_EQ(Text(over_broken, "Form_LOAD", label), "") << label;
    EXPECT_EQ(Text(chosen_story, "Form_LOAD", label), "") << label;
  }
  EXPECT_EQ(Text(chosen_save, "Form_LOAD", "Label_PREVIEW_FILE"), "DATA1");
  EXPECT_EQ(Text(chosen_save, "Form_LOAD", "Memo1"), "DATA1 をロードします。");
  EXPECT_EQ(Number(after, "v"), 6);
  EXPECT_FALSE(host_->error_shown());

  // The saved display fills the frame beside the list: its middle is the
  // colour the game's display had when saved (a JPEG's, so nearly).
  const std::optional<platform::Surface> shot = platform::ReadPng(Path("load.png"));
  const std::optional<platform::Surface> display = platform::ReadPng(Path("display.png"));
  ASSERT_TRUE(shot && display);
  const platform::Color saved = display->Get(display->width / 2, display->height / 3);
  const platform::Color shown =
      shot->Get(platform::kFrameBorderPx + 218 + 2 + 80,
                platform::kFrameBorderPx + platform::kCaptionBarPx + 8 + 2 + 40);
  for (int shift : {0, 8, 16})
    EXPECT_NEAR((saved >> shift) & 0xff, (shown >> shift) & 0xff, 24)
        << std::hex << saved << " " << shown;
}

}  // namespace
}  // namespace zepa::windows
