#include "sound/sound.h"

#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "platform/ascii.h"
#include "platform/cp932.h"
#include "platform/files.h"
#include "platform/log.h"
#include "platform/scope_restore.h"
#include "script/arguments.h"

namespace zepa::sound {
namespace {

using platform::MediaMode;
using platform::MediaNotice;

std::string_view SkipBlanks(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  return s.substr(i);
}

bool StartsWithDigit(std::string_view s) { return !s.empty() && s[0] >= '0' && s[0] <= '9'; }

bool StartsWithNoCase(std::string_view s, std::string_view lower_prefix) {
  return platform::StartsWithNoCase(s, lower_prefix);
}

}  // namespace

std::optional<MusicRequest> ParseMusicRequest(std::string_view name) {
  MusicRequest r;
  if (name.find(',') == std::string_view::npos) {
    r.name = name;
    return r;
  }
  const std::optional<script::Position> pos = script::ParsePosition(name);
  if (!pos) return std::nullopt;
  r.x = pos->x;
  r.y = pos->y;
  r.name = pos->rest;
  return r;
}

std::string_view MusicExtension(std::string_view name) {
  const size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return {};
  return name.substr(dot, 9);
}

bool IsMovieName(std::string_view extension) {
  for (std::string_view movie : {".avi", ".mpg", ".qt", ".mov", ".mpe"})
    if (StartsWithNoCase(extension, movie)) return true;
  return false;
}

bool IsDriveLetter(std::string_view drive) {
  const auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
  if (drive.size() < 2 || drive.size() > 3 || !letter(drive[0]) || drive[1] != ':') return false;
  return drive.size() == 2 || drive[2] == '\\' || drive[2] == '/';
}

uint32_t FadeStepSize(uint32_t user_volume, uint32_t fade_time_ms, uint32_t fade_level) {
  const uint32_t ticks = fade_time_ms / kTimerIntervalMs;
  // A fade shorter than a tick ends on the next tick; a step that the integer
  // division makes 0 would never end the fade, so it is at least 1.
  if (ticks == 0) return fade_level;
  const uint32_t step = user_volume / ticks;
  return step == 0 ? 1 : step;
}

Sound::Sound(platform::Host& host, platform::Media* media, Resolver resolve)
    : host_(host), media_(media), resolve_(std::move(resolve)) {
  if (media_) {
    media_->SetNoticeHandler([this](int player, MediaNotice notice) {
      if (player == 0) {
        OnMusicNotice(notice);
      } else {
        MediaPlayer2Notify(notice);
      }
    });
  }
}

Sound::~Sound() {
  if (media_) media_->SetNoticeHandler(nullptr);
}

void Sound::Warn(const std::string& message) {
  if (warn_) {
    warn_(message);
  } else {
    platform::LogWarning("zepa: %s\n", message.c_str());
  }
}

platform::MediaPlayer* Sound::Player(int index) {
  return media_ ? &media_->Player(index) : nullptr;
}

void Sound::SetPlayerVolumes(int music_percent, int effect_percent) {
  if (platform::MediaPlayer* music = Player(0)) music->SetVolumePercent(music_percent);
  if (platform::MediaPlayer* effect = Player(1)) effect->SetVolumePercent(effect_percent);
}

void Sound::ResetState() {
  fade_time_ = 2000;
  fade_direction_ = 0;
  next_music_.clear();
  music_name_.clear();
  effect_name_.clear();
  set_music_loop(0);
  set_effect_loop(0);
}

void Sound::set_music_loop(int32_t v) {
  music_loop_ = v;
  // The player repeats the music itself where it can, so a loop has no gap
  // for the round trip through the end notice.
  if (platform::MediaPlayer* player = Player(0)) player->SetRepeat(v != 0);
}

void Sound::set_effect_loop(int32_t v) {
  effect_loop_ = v;
  // As for music: the effect player repeats by itself where it can.
  if (platform::MediaPlayer* player = Player(1)) player->SetRepeat(v != 0);
}

void Sound::BgmCommand(std::string_view name) {
  StopFade();
  PlayMusic(name);
}

void Sound::CdCommand(int32_t track) {
  StopFade();
  PlayCdTrack(track);
}

void Sound::WavCommand(std::string_view name) {
  StopFade();
  PlayEffect(name);
}

void Sound::FadeTimeCommand(int32_t ms) { fade_time_ = ms < 1 ? 2000 : ms; }

void Sound::EndBgmCommand(std::string_view name) {
  if (name.size() > kNameMaxBytes) {
    Warn("the end music name is longer than " + std::to_string(kNameMaxBytes) + " bytes");
  } else {
    end_music_ = std::string(name);
  }
}

void Sound::StopPlayer(platform::MediaPlayer& player, bool always_close_test) {
  const bool was_playing = player.Mode() == MediaMode::kPlaying;
  if (was_playing) player.Stop();
  if ((was_playing || always_close_test) && player.Mode() == MediaMode::kStopped) player.Close();
}

void Sound::PlayMusic(std::string_view name) {
  platform::MediaPlayer* player = Player(0);
  if (player) StopPlayer(*player, false);
  music_name_.clear();
  if (name.empty()) return;
  if (name.size() > kNameMaxBytes) {
    Warn("music name longer than " + std::to_string(kNameMaxBytes) + " bytes: nothing plays");
    return;
  }
  const std::optional<MusicRequest> request = ParseMusicRequest(name);
  if (!request) return;
  const std::string_view rest = SkipBlanks(request->name);
  if (StartsWithDigit(rest)) {
    PlayCdTrack(script::DecimalArgument(rest));
    return;
  }
  const bool movie = IsMovieName(MusicExtension(request->name));
  const std::string path = resolve_(request->name);
  if (path.size() > kNameMaxBytes) {
    Warn("music path longer than " + std::to_string(kNameMaxBytes) +
         " bytes: " + platform::Cp932ToUtf8(path));
    return;
  }
  if (!OpenPlayer(player, path)) return;
  music_name_ = path;
  if (movie) {
    PlayMovie(request->x, request->y);
  } else {
    player->Play(std::nullopt, std::nullopt);
  }
}

bool Sound::OpenPlayer(platform::MediaPlayer* player, const std::string& path) {
  if (!player) {
    Warn("cannot play " + platform::Cp932ToUtf8(path) + ": no sound device");
    return false;
  }
  if (const platform::Status opened = player->Open(path); !opened.ok()) {
    Warn("cannot play " + platform::Cp932ToUtf8(path) + ": " + opened.message());
    return false;
  }
  return true;
}

bool Sound::OpenCdFolder(platform::MediaPlayer& player) {
  if (cd_drive_.size() > kCdDriveMaxBytes) {
    Warn("the CD folder name is longer than " + std::to_string(kCdDriveMaxBytes) + " bytes");
    return false;
  }
  // A drive letter names the disc drive of the machine the game was made
  // for; here the tracks are ripped into the game's folders, as they are for
  // a configured folder that is not there.
  if (!cd_drive_.empty() && !IsDriveLetter(cd_drive_)) {
    if (player.OpenCd(resolve_(cd_drive_)).ok()) return true;
  }
  // The tracks lie in the game's "cd" folder or else beside the game itself.
  if (player.OpenCd(resolve_("cd")).ok() && player.Mode() != MediaMode::kNotReady) return true;
  const std::string game_dir = resolve_(".");
  const platform::Status opened = player.OpenCd(game_dir);
  if (opened.ok()) return true;
  Warn("cannot open the CD folder " + platform::Cp932ToUtf8(game_dir) + ": " + opened.message());
  return false;
}

void Sound::PlayCdTrack(int32_t track) {
  platform::MediaPlayer* player = Player(0);
  if (player) StopPlayer(*player, true);
  music_name_.clear();
  if (track == 0) return;
  if (!player) return;
  if (!OpenCdFolder(*player)) return;
  music_name_ = std::to_string(track);
  const MediaMode mode = player->Mode();
  if (mode == MediaMode::kNotReady || mode == MediaMode::kOpen) return;
  const std::optional<platform::CdTrackSpan> span = player->CdTrack(track);
  if (!span || span->length_ms == 0) return;  // a track the folder lacks: no disc
  player->Play(span->start_ms, span->start_ms + span->length_ms - 1);
}

void Sound::PlayEffect(std::string_view name) {
  // The loop flag is off while the old effect stops, so its end notice can
  // never restart it; it comes back however this operation ends.
  const auto loop_off = platform::SetForScope(effect_loop_, int32_t{0});
  platform::MediaPlayer* player = Player(1);
  if (player) StopPlayer(*player, false);
  effect_name_.clear();
  if (name.empty()) return;
  if (name.size() > kNameMaxBytes) {
    Warn("effect name longer than " + std::to_string(kNameMaxBytes) + " bytes: nothing plays");
    return;
  }
  const std::string path = resolve_(name);
  if (path.size() > kNameMaxBytes) {
    Warn("effect path longer than " + std::to_string(kNameMaxBytes) +
         " bytes: " + platform::Cp932ToUtf8(path));
    return;
  }
  effect_name_ = path;
  if (!OpenPlayer(player, path)) return;
  player->Play(std::nullopt, std::nullopt);
}

void Sound::PlayNamed(std::string_view name) {
  const std::string_view rest = SkipBlanks(name);
  if (StartsWithDigit(rest)) {
    PlayCdTrack(script::DecimalArgument(rest));
  } else {
    PlayMusic(name);
  }
}

void Sound::StartFade(std::string_view name, int direction) {
  if (name.size() > kNameMaxBytes) {
    Warn("music name longer than " + std::to_string(kNameMaxBytes) + " bytes: nothing plays");
    name = {};
  }
  if (!name.empty()) {
    music_name_ = std::string(name);
  } else {
    music_name_.clear();
    if (direction != kFadeOut) {
      SetOutputVolume(user_volume_);
      return;
    }
  }
  fade_direction_ = direction;
  if (direction == kFadeOut) {
    next_music_ = std::string(name);
  } else {
    SetOutputVolume(0);
    PlayNamed(name);
  }
  fade_level_ = user_volume_;
}

void Sound::StopFade() {
  fade_level_ = 0;
  SetOutputVolume(user_volume_);
}

void Sound::FadeStep() {
  if (fade_level_ == 0) return;
  const uint32_t step = FadeStepSize(user_volume_, static_cast<uint32_t>(fade_time_), fade_level_);
  fade_level_ = fade_level_ > step ? fade_level_ - step : 0;
  if (fade_direction_ != kFadeOut) {
    SetOutputVolume(user_volume_ - fade_level_);
    return;
  }
  SetOutputVolume(fade_level_);
  if (fade_level_ > 0) return;
  StopMusic();
  if (platform::MediaPlayer* player = Player(0)) player->WaitWhilePlaying(1000);
  StopFade();
  if (!next_music_.empty()) {
    // Emptied first: the next music may be a movie that pumps, and a nested
    // tick must not start it a second time.
    const std::string next = std::move(next_music_);
    next_music_.clear();
    PlayNamed(next);
  }
}

void Sound::OnMusicNotice(MediaNotice notice) {
  platform::MediaPlayer* player = Player(0);
  if (!player || music_loop_ == 0 || notice != MediaNotice::kSuccessful) return;
  if (player->Mode() == MediaMode::kPlaying) return;
  if (movie_) {
    // The movie's own loop plays it again, so a looping movie does not nest
    // one playback inside the other for as long as it runs.
    movie_->replay = true;
    return;
  }
  const std::string name = music_name_;
  PlayMusic(name);
}

void Sound::MediaPlayer2Notify(MediaNotice notice) {
  platform::MediaPlayer* player = Player(1);
  if (!player || effect_loop_ == 0 || notice != MediaNotice::kSuccessful) return;
  if (player->Mode() == MediaMode::kPlaying) return;
  const std::string name = effect_name_;
  PlayEffect(name);
}

bool Sound::FindVolumeControl() {
  if (control_found_) return true;
  if (!media_) return false;
  if (!mixer_open_) {
    if (!media_->OpenMixer()) return false;
    mixer_open_ = true;
  }
  gain_min_ = platform::Media::kGainMin;
  gain_max_ = platform::Media::kGainMax;
  if (gain_max_ <= gain_min_) return false;
  control_found_ = true;
  return true;
}

bool Sound::ReadOutputVolume(uint32_t* percent) {
  if (!FindVolumeControl()) return false;
  uint32_t v = 0;
  if (!media_->ReadGain(&v)) return false;
  const uint32_t span = gain_max_ - gain_min_;
  *percent = ((v - gain_min_) * 100u + span / 2) / span;
  return true;
}

bool Sound::SetOutputVolume(uint32_t percent) {
  if (!FindVolumeControl()) return false;
  return media_->WriteGain(gain_min_ + ((gain_max_ - gain_min_) * percent) / 100u);
}

void Sound::CloseMixer() {
  if (mixer_open_ && media_) media_->CloseMixer();
  mixer_open_ = false;
  control_found_ = false;
}

void Sound::Startup(int volume_percent) {
  user_volume_ = 0;
  if (!FindVolumeControl()) return;
  const uint32_t p = static_cast<uint32_t>(std::clamp(volume_percent, 0, 100));
  media_->WriteGain(gain_min_ + ((gain_max_ - gain_min_) * p) / 100u);
  uint32_t read = 0;
  if (ReadOutputVolume(&read)) user_volume_ = read;
}

void Sound::Shutdown() {
  if (user_volume_ > 0) SetOutputVolume(user_volume_);
  CloseMixer();
  if (platform::MediaPlayer* player = Player(0)) {
    if (player->Mode() == MediaMode::kPlaying) {
      player->Stop();
      if (player->Mode() == MediaMode::kStopped) player->Close();
    }
  }
}

bool Sound::MusicPlaying() {
  platform::MediaPlayer* player = Player(0);
  return player && player->Mode() == MediaMode::kPlaying;
}

bool Sound::EffectPlaying() {
  platform::MediaPlayer* player = Player(1);
  return player && player->Mode() == MediaMode::kPlaying;
}

std::optional<uint32_t> Sound::PlayEndSound() {
  set_effect_loop(0);
  StopMusic();
  platform::MediaPlayer* player = Player(1);
  if (!player || end_music_.empty()) return std::nullopt;
  const std::string path = resolve_(end_music_);
  if (platform::ProbePath(path) != platform::PathKind::kRegular) return std::nullopt;
  StopPlayer(*player, false);
  if (!OpenPlayer(player, path)) return std::nullopt;
  if (!player->Play(std::nullopt, std::nullopt)) return std::nullopt;
  return player->LengthMs();
}

SoundSave Sound::SaveFields() {
  SoundSave s;
  if (MusicPlaying()) s.music_name = music_name_;
  if (EffectPlaying()) s.effect_name = effect_name_;
  s.music_loop = music_loop_;
  s.effect_loop = effect_loop_;
  s.fade_time = fade_time_;
  return s;
}

void Sound::RestoreSave(const SoundSave& save) {
  fade_time_ = save.fade_time;
  StopFade();
  if (!save.music_name.empty()) PlayMusic(std::string(save.music_name));
  if (!save.effect_name.empty()) PlayEffect(std::string(save.effect_name));
  set_music_loop(save.music_loop);
  set_effect_loop(save.effect_loop);
}

void Sound::AddToDump(nlohmann::ordered_json& j) {
  auto text = [](std::string_view s) { return platform::Cp932ToUtf8(s); };
  j["music_name"] = text(music_name_);
  j["effect_name"] = text(effect_name_);
  j["music_playing"] = MusicPlaying();
  j["effect_playing"] = EffectPlaying();
  j["music_loop"] = music_loop_;
  j["effect_loop"] = effect_loop_;
  j["fade_level"] = fade_level_;
  j["fade_direction"] = fade_direction_;
  j["fade_time"] = fade_time_;
  j["next_music"] = text(next_music_);
  j["user_volume"] = user_volume_;
  uint32_t output = 0;
  if (control_found_ && ReadOutputVolume(&output)) {
    j["output_volume"] = output;
  } else {
    j["output_volume"] = nullptr;
  }
  j["end_music"] = text(end_music_);
  if (movie_) {
    j["movie"] = {{"path", text(movie_->path)},
                  {"x", movie_->left},
                  {"y", movie_->top},
                  {"width", movie_->size.width},
                  {"height", movie_->size.height}};
  }
}

}  // namespace zepa::sound
