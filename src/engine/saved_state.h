#pragma once
// The game state that a save file holds, in the order of its settings lines,
// gathered from the rooms that own each value and given back to them. Save
// data, the debug monitor and the state dump read the game through this and
// the rooms' own accessors, never through their private fields.
#include <cstdint>
#include <optional>
#include <string>

#include "display/message_window.h"
#include "display/stage.h"
#include "engine/choices.h"
#include "platform/surface.h"
#include "script/interpreter.h"
#include "sound/sound.h"

namespace zepa::engine {

/// The rooms that own the saved values.
struct GameRooms {
  script::InterpreterState& interpreter;
  display::Stage& stage;
  display::MessageWindow& message;
  Choices& choices;
  sound::Sound& sound;
};

struct SavedState {
  std::string script;                     // "script:" `ScenarioName`
  std::string scene;                      // "scene:" `SceneName`
  std::optional<size_t> now;              // "now:" `CurrentLine`, as the interpreter holds it
  std::string picture;                    // "picture:" `PicturePath`
  std::string bgm;                        // "bgm:" `MusicName`
  std::string wav;                        // "wav:" `EffectName`
  std::string chara;                      // "chara:" `CharacterRecord`
  int frame = 0;                          // "FRAME:" `FrameShown`
  int bgm_loop = 0;                       // "BGMLOOP:" `MusicLoop`
  int wav_loop = 0;                       // "WAVLOOP:" `EffectLoop`
  platform::Color text_color = 0;         // "textcolor:"
  platform::Color bg_text_color = 0;      // "bgtextcolor:"
  platform::Color select_color = 0;       // "selectcolor:"
  platform::Color select_back_color = 0;  // "selectbackcolor:"
  platform::Color select_text_color = 0;  // "selecttextcolor:"
  platform::Color pen_color = 0;          // "graphicpencolor:"
  platform::Color brush_color = 0;        // "graphicbrushcolor:"
  int sound_fade_time_ms = 0;             // "soundfadetime:" `FadeTime`
  int adv_mode = 0;                       // "adv_mode:"
  int wait_mode = 0;                      // "wait_mode:" (0 hidden, 1 and 2 shown)
  int skip_mode = 0;                      // "skip_mode:"
  int message_exist = 0;                  // "message_exist:"
  int select_x = 0;                       // "select_x:"
  int select_y = 0;                       // "select_y:"
  int wait_bmp = 0;                       // "wait_bmp:" 1 mouse, 2 end, 3 next, 4 select icon
  int select_now = 0;                     // "select_now:"
  int select_number = 0;                  // "select_number:"
  std::string select_text;                // "select_text:"

  bool operator==(const SavedState&) const = default;

  static SavedState Capture(const GameRooms& rooms);
  /// The same values with the choice list's place and size bounded to the
  /// screen, as `Apply` gives them back.
  SavedState Drawable() const;
  /// Gives every value back to its room as a plain value. Redrawing what the
  /// values describe (characters, frame, the wait icon, the choice list) and
  /// restarting the saved music and effect (`bgm`, `wav`) are the save
  /// reader's next steps; the icon is made current but not shown.
  void Apply(GameRooms& rooms) const;
};

/// The "wait_bmp:" code of an icon, and the icon of a code (none for codes
/// that name no icon).
int WaitBmpCode(display::WaitIconKind icon);
std::optional<display::WaitIconKind> WaitIconOfCode(int code);

}  // namespace zepa::engine
