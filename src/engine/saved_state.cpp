#include "engine/saved_state.h"

#include <algorithm>

#include "display/text_layout.h"

namespace zepa::engine {

int WaitBmpCode(display::WaitIconKind icon) {
  switch (icon) {
    case display::WaitIconKind::kMouse:
      return 1;
    case display::WaitIconKind::kEnd:
      return 2;
    case display::WaitIconKind::kNext:
      return 3;
    case display::WaitIconKind::kSelect:
      return 4;
  }
  return 0;
}

std::optional<display::WaitIconKind> WaitIconOfCode(int code) {
  switch (code) {
    case 1:
      return display::WaitIconKind::kMouse;
    case 2:
      return display::WaitIconKind::kEnd;
    case 3:
      return display::WaitIconKind::kNext;
    case 4:
      return display::WaitIconKind::kSelect;
    default:
      return std::nullopt;
  }
}

SavedState CaptureSavedState(const GameRooms& rooms) {
  const script::InterpreterState& st = rooms.interpreter;
  const display::Stage& stage = rooms.stage;
  const display::MessageWindow& message = rooms.message;
  const Choices& choices = rooms.choices;
  const sound::SoundSave sound = rooms.sound.SaveFields();
  SavedState s;
  s.script = st.scenario_name;
  s.scene = st.scene_name;
  s.now = st.current_line;
  s.picture = stage.picture_path();
  s.bgm = sound.music_name;
  s.wav = sound.effect_name;
  s.chara = stage.character_record();
  s.frame = stage.frame_shown();
  s.bgm_loop = sound.music_loop;
  s.wav_loop = sound.effect_loop;
  s.text_color = message.text_color();
  s.bg_text_color = message.bg_text_color();
  s.select_color = choices.color();
  s.select_back_color = choices.back_color();
  s.select_text_color = choices.text_color();
  s.pen_color = stage.pen_color();
  s.brush_color = stage.brush_color();
  s.sound_fade_time_ms = sound.fade_time;
  s.adv_mode = st.adv_mode;
  s.wait_mode = message.wait_mode();
  s.skip_mode = st.skip_mode;
  s.message_exist = message.message_exist();
  s.select_x = choices.select_x();
  s.select_y = message.select_y();
  s.wait_bmp = WaitBmpCode(message.wait_icon());
  s.select_now = choices.select_now();
  s.select_number = choices.select_number();
  s.select_text = choices.select_text();
  return s;
}

SavedState DrawableState(const SavedState& state) {
  // Whatever a file says, the choice list starts no further than a screen
  // away and holds no more lines than the screen has: the drawing and the
  // hit test add and multiply these without further checks.
  SavedState s = state;
  constexpr int kMaxLines = display::kStageHeight / display::kLinePitchPixels;
  s.select_x = std::clamp(state.select_x, -display::kStageWidth, display::kStageWidth);
  s.select_y = std::clamp(state.select_y, -display::kStageHeight, display::kStageHeight);
  s.select_number = std::clamp(state.select_number, 0, kMaxLines);
  s.select_now = std::clamp(state.select_now, 0, kMaxLines);
  return s;
}

void ApplySavedState(const SavedState& s, GameRooms& rooms) {
  const SavedState b = DrawableState(s);
  script::InterpreterState& st = rooms.interpreter;
  st.scenario_name = s.script;
  st.scene_name = s.scene;
  st.current_line = s.now;
  st.adv_mode = s.adv_mode;
  st.skip_mode = s.skip_mode;
  rooms.stage.RestoreRecord(s.picture, s.chara, s.frame);
  rooms.stage.SetPenColor(s.pen_color);
  rooms.stage.SetBrushColor(s.brush_color);
  rooms.sound.set_music_loop(s.bgm_loop);
  rooms.sound.set_effect_loop(s.wav_loop);
  rooms.sound.set_fade_time(s.sound_fade_time_ms);
  rooms.message.RestoreRecord(s.text_color, s.bg_text_color, s.message_exist, b.select_y,
                              WaitIconOfCode(s.wait_bmp));
  rooms.choices.RestoreRecord(s.select_text, b.select_number, b.select_now, b.select_x,
                              s.select_color, s.select_back_color, s.select_text_color);
}

}  // namespace zepa::engine
