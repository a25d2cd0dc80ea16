#pragma once
// The values a save file holds, in the order of its settings lines. A plain
// record: gathering it from the rooms and giving it back to them is the
// engine's business (engine/saved_state.h); the file format only reads and
// writes it.
#include <cstddef>
#include <optional>
#include <string>

#include "platform/surface.h"

namespace zepa::save {

struct SavedValues {
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

  bool operator==(const SavedValues&) const = default;
};

}  // namespace zepa::save
