#pragma once
// Music, CD tracks, sound effects, fades, loops and movies: the sound state
// of the main window and the operations on its two media players.
#include <cstdint>
#include <functional>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <string_view>

#include "platform/host.h"
#include "platform/media.h"
#include "platform/surface.h"

namespace zepa::sound {

/// The name fields hold 511 bytes; longer names are refused, never cut.
constexpr size_t kNameMaxBytes = 511;
constexpr size_t kCdDriveMaxBytes = 11;
/// The main timer's interval, which the fade arithmetic divides by.
constexpr uint32_t kTimerIntervalMs = 50;
/// The main window's client area, in which movies are centred.
constexpr int kClientWidth = 640;
constexpr int kClientHeight = 480;

constexpr int kFadeIn = 0;
constexpr int kFadeOut = 1;

/// Where "bgm" puts a movie and what it plays. Nothing when the name has a
/// comma but no second one (nothing plays then).
struct MusicRequest {
  std::optional<int32_t> x;  // absent: the movie is centred
  int32_t y = 0;
  std::string_view name;
};
std::optional<MusicRequest> ParseMusicRequest(std::string_view name);

/// The extension of `name`: from its last ".", at most 9 characters.
std::string_view MusicExtension(std::string_view name);

/// `IsMovieName`: the extension begins, ignoring case, with ".avi", ".mpg",
/// ".qt", ".mov" or ".mpe".
bool IsMovieName(std::string_view extension);

/// The panel's top-left: centred in the client area (truncating toward zero,
/// so a movie larger than the window gets a negative position) or at X, Y.
struct PanelPlace {
  int left = 0;
  int top = 0;
};
PanelPlace PlaceMoviePanel(std::optional<int32_t> x, int32_t y, platform::VideoSize size);

/// The fade step of one tick: `UserVolume` / (`FadeTime` / 50), but never 0,
/// and a fade shorter than one tick takes the whole level at once.
uint32_t FadeStepSize(uint32_t user_volume, uint32_t fade_time_ms, uint32_t fade_level);

/// Whether a CDDRIVE value is only a drive letter: "Q:", "D:\\" or "D:/".
bool IsDriveLetter(std::string_view drive);

/// What a save file records of the sound.
struct SoundSave {
  std::string music_name;   // "bgm": empty unless the music plays
  std::string effect_name;  // "wav": empty unless the effect plays
  int32_t music_loop = 0;
  int32_t effect_loop = 0;
  int32_t fade_time = 2000;
};

class Sound {
 public:
  using Resolver = std::function<std::string(std::string_view)>;
  using Warner = std::function<void(const std::string&)>;

  /// `media` may be null: then nothing plays and no mixer is found.
  Sound(platform::Host& host, platform::Media* media, Resolver resolve);
  ~Sound();
  Sound(const Sound&) = delete;
  Sound& operator=(const Sound&) = delete;

  /// The display presented under the movie panel while a movie plays.
  void SetDisplay(const platform::Surface* display) { display_ = display; }
  /// Where one-line warnings go (standard error unless set).
  void SetWarner(Warner warn) { warn_ = std::move(warn); }
  /// BGM/CDDRIVE: the folder of ripped CD tracks. A drive letter, or a
  /// folder that cannot be opened, means the game's "cd" folder, then the
  /// game folder.
  void SetCdDrive(std::string_view drive) { cd_drive_ = std::string(drive); }
  void SetEndMusic(std::string_view name) { end_music_ = std::string(name); }

  /// Start-up: the output gain is the player's level `volume_percent`
  /// (0-100) and `UserVolume` is read back from it.
  void Startup(int volume_percent);
  /// `ShutdownSound`: the output back at `UserVolume`, the mixer closed and
  /// the music stopped.
  void Shutdown();
  /// The sound part of `ResetState`.
  void ResetState();

  // The sound commands. "bgm", "cd" and "wav" end a running fade first.
  void BgmCommand(std::string_view name);
  void CdCommand(int32_t track);
  void WavCommand(std::string_view name);
  /// "bgmfadetime": a time below 1 ms is the default 2000.
  void FadeTimeCommand(int32_t ms);
  /// "endbgm": a name too long for its field is refused with a warning.
  void EndBgmCommand(std::string_view name);

  void PlayMusic(std::string_view name);
  void StopMusic() { PlayMusic({}); }
  void PlayCdTrack(int32_t track);
  void PlayEffect(std::string_view name);
  void StartFade(std::string_view name, int direction);
  void StopFade();
  void FadeStep();
  void OnMusicNotice(platform::MediaNotice notice);
  void MediaPlayer2Notify(platform::MediaNotice notice);

  /// The player's own levels (0-100) on the music and the effect player,
  /// on top of the output gain that the game sets and fades.
  void SetPlayerVolumes(int music_percent, int effect_percent);

  bool FindVolumeControl();
  bool ReadOutputVolume(uint32_t* percent);
  bool SetOutputVolume(uint32_t percent);
  void CloseMixer();

  /// "MUSIC": whether the music player reports playing.
  bool MusicPlaying();
  bool EffectPlaying();

  /// The end screen's sound: the effect loop off, the music stopped, then
  /// `EndMusic` on the effect player when its file exists. Its length in ms,
  /// or nothing when there is no end sound.
  std::optional<uint32_t> PlayEndSound();

  /// A mouse button went down at (x, y); true when it fell on the movie
  /// panel, which then takes it (a left click stops the movie).
  bool OnMouseDown(platform::MouseButton button, int x, int y);
  void PanelDisplayClick();
  bool MovieShowing() const { return movie_.has_value(); }

  SoundSave SaveFields();
  /// Restoring a save: `StopFade`, the saved music, the saved effect, and
  /// only then the loop flags.
  void RestoreSave(const SoundSave& save);

  void AddToDump(nlohmann::ordered_json& j);

  const std::string& music_name() const { return music_name_; }
  const std::string& effect_name() const { return effect_name_; }
  const std::string& next_music() const { return next_music_; }
  const std::string& end_music() const { return end_music_; }
  int32_t music_loop() const { return music_loop_; }
  int32_t effect_loop() const { return effect_loop_; }
  int32_t fade_time() const { return fade_time_; }
  uint32_t fade_level() const { return fade_level_; }
  int fade_direction() const { return fade_direction_; }
  uint32_t user_volume() const { return user_volume_; }
  void set_music_loop(int32_t v);
  void set_effect_loop(int32_t v);
  void set_fade_time(int32_t ms) { fade_time_ = ms; }

 private:
  struct Movie {
    std::string path;
    int left = 0;
    int top = 0;
    platform::VideoSize size;
    bool replay = false;  // a successful end with MusicLoop set: play again
  };
  void Warn(const std::string& message);
  platform::MediaPlayer* Player(int index);
  // Stops the player when it plays; closes it when it was playing and is
  // now stopped (or, with `always_close_test`, whenever it is stopped).
  void StopPlayer(platform::MediaPlayer& player, bool always_close_test);
  // Opens `path` on `player`; a missing device or a file that does not open
  // is warned about and gives false.
  bool OpenPlayer(platform::MediaPlayer* player, const std::string& path);
  bool OpenCdFolder(platform::MediaPlayer& player);
  void PlayMovie(std::optional<int32_t> x, int32_t y);
  void PlayNamed(std::string_view name);

  platform::Host& host_;
  platform::Media* media_;
  Resolver resolve_;
  Warner warn_;
  const platform::Surface* display_ = nullptr;

  uint32_t user_volume_ = 0;
  uint32_t fade_level_ = 0;
  int fade_direction_ = 0;
  int32_t fade_time_ = 2000;
  std::string next_music_;
  std::string music_name_;
  std::string effect_name_;
  int32_t music_loop_ = 0;
  int32_t effect_loop_ = 0;
  std::string cd_drive_;
  std::string end_music_;

  std::optional<Movie> movie_;
  platform::Surface frame_;

  bool mixer_open_ = false;
  bool control_found_ = false;
  uint32_t gain_min_ = 0;
  uint32_t gain_max_ = 0;
};

}  // namespace zepa::sound
