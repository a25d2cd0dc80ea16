// The saved values gathered from the rooms and given back to them.
#include "engine/saved_state.h"

#include "display/text_layout.h"
#include "game_fixture.h"

namespace zepa::engine::testing {
namespace {

using SavedStateTest = GameFixture;

TEST_F(SavedStateTest, CapturesEveryRoomsValuesAndAppliesThemToAnotherGame) {
  Play(
      "[textcolor]ff0000\n[bgtextcolor]102030\n[selectcolor]00ff00\n[selectbackcolor]000080\n"
      "[selecttextcolor]808000\n[gpcolor]0000ff\n[gbcolor]ff00ff\n[bgmloop]2\n[wavloop]3\n["
      "bgmfadetime]300\n"
      "[picture]bg.bmp\n[chara]a.bmp\n[frame]\n#scene\n[text]q\n[sel]one\\ntwo\n",
      "5000 move 40 395\n");
  const SavedState saved = game_->CaptureState();
  EXPECT_EQ(saved.script, "story.kvs");
  EXPECT_EQ(saved.scene, "#scene");
  EXPECT_EQ(saved.picture, (dir_ / "bg.bmp").generic_string());
  EXPECT_EQ(saved.chara, "a.bmp");
  EXPECT_EQ(saved.frame, 1);
  EXPECT_EQ(saved.bgm_loop, 2);
  EXPECT_EQ(saved.wav_loop, 3);
  EXPECT_EQ(saved.text_color, 0x0000ffu);
  EXPECT_EQ(saved.bg_text_color, 0x302010u);
  EXPECT_EQ(saved.select_color, 0x00ff00u);
  EXPECT_EQ(saved.select_back_color, 0x800000u);
  EXPECT_EQ(saved.select_text_color, 0x008080u);
  EXPECT_EQ(saved.pen_color, 0xff0000u);
  EXPECT_EQ(saved.brush_color, 0xff00ffu);
  EXPECT_EQ(saved.sound_fade_time_ms, 300);
  EXPECT_EQ(saved.adv_mode, script::adv::kChoice);
  EXPECT_NE(saved.wait_mode, 0);
  EXPECT_EQ(saved.message_exist, 1);
  EXPECT_EQ(saved.select_x, 32);
  EXPECT_EQ(saved.select_y, 348 + 21);  // below the one line of text
  EXPECT_EQ(saved.wait_bmp, 4);         // the choice icon
  EXPECT_EQ(saved.select_now, 2);
  EXPECT_EQ(saved.select_number, 2);
  EXPECT_EQ(saved.select_text, "one\ntwo");

  // Another game takes every value back; only the icon's showing is left to
  // the save reader.
  game_.reset();
  media_.reset();
  host_.reset();
  Play("[set]x=1\n");
  game_->ApplyState(saved);
  SavedState again = game_->CaptureState();
  EXPECT_EQ(again.wait_mode, 0);
  again.wait_mode = saved.wait_mode;
  EXPECT_EQ(again, saved);
}

TEST_F(SavedStateTest, ChoiceListFromAFileIsBoundedToTheScreen) {
  Play("[text]q\n[sel]one\ntwo\n", "5000 move 40 395\n");
  SavedState saved = game_->CaptureState();
  const SavedState fair = saved;
  saved.select_x = INT32_MAX;
  saved.select_y = INT32_MIN;
  saved.select_number = INT32_MAX;
  saved.select_now = INT32_MAX;
  game_->ApplyState(saved);
  const SavedState applied = game_->CaptureState();
  EXPECT_EQ(applied.select_x, display::kStageWidth);
  EXPECT_EQ(applied.select_y, -display::kStageHeight);
  const int lines = display::kStageHeight / display::kLinePitchPixels;
  EXPECT_EQ(applied.select_number, lines);
  EXPECT_EQ(applied.select_now, lines);
  // Drawing and pointing at such a list stays within int arithmetic.
  game_->choices().DrawChoices(1);
  EXPECT_FALSE(game_->choices().InOptionArea(INT32_MAX, 0));

  // Values a game can have come back unchanged.
  game_->ApplyState(fair);
  EXPECT_EQ(game_->CaptureState().select_x, fair.select_x);
  EXPECT_EQ(game_->CaptureState().select_y, fair.select_y);
  EXPECT_EQ(game_->CaptureState().select_number, fair.select_number);
  EXPECT_EQ(game_->CaptureState().select_now, fair.select_now);
}

TEST(WaitBmpCode, NamesTheFourIconsBothWays) {
  for (auto icon : {display::WaitIconKind::kMouse, display::WaitIconKind::kEnd,
                    display::WaitIconKind::kNext, display::WaitIconKind::kSelect})
    EXPECT_EQ(WaitIconOfCode(WaitBmpCode(icon)), icon);
  EXPECT_EQ(WaitBmpCode(display::WaitIconKind::kMouse), 1);
  EXPECT_EQ(WaitBmpCode(display::WaitIconKind::kSelect), 4);
  EXPECT_FALSE(WaitIconOfCode(0));
  EXPECT_FALSE(WaitIconOfCode(5));
}

}  // namespace
}  // namespace zepa::engine::testing
