#pragma once
// The sound settings the engine keeps today: what the scenario asked for and
// what the save data records. The sound room replaces this struct whole; the
// main window owns it in one member so that the swap is made in one place.
#include <string>

namespace zepa::engine {

struct SoundSettings {
  int fade_time_ms = 2000;  // `FadeTime`
  int fade_direction = 0;   // `FadeDirection`
  std::string next_music;   // `NextMusic`
  int music_loop = 0;       // `MusicLoop`
  int effect_loop = 0;      // `EffectLoop`
  std::string music_name;   // `MusicName`
  std::string effect_name;  // `EffectName`
  std::string end_music;    // the end sound; "endbgm" replaces it for the run

  /// The sound part of `ResetState`; the end sound stays.
  void Reset() {
    fade_time_ms = 2000;
    fade_direction = 0;
    next_music.clear();
    music_loop = 0;
    effect_loop = 0;
    music_name.clear();
    effect_name.clear();
  }
};

}  // namespace zepa::engine
