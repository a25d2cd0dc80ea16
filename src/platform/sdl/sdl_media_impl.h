#pragma once
// The SDL media's parts, shared by the files that implement it: the media
// itself (the device, the gain and the notices) in sdl_media.cpp, the music
// stream (music, CD tracks, movies) in sdl_music_player.cpp and the effect
// channel in sdl_effect_player.cpp.
#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/log.h"
#include "platform/media.h"
#include "platform/sdl/audio_device.h"
#include "platform/sdl/movie_decoder.h"
#include "platform/sdl/user_events.h"

namespace zepa::platform::sdl_media_parts {

inline constexpr int kEffectChannel = 0;
inline constexpr int kMovieAudioRate = 44100;

class SdlMedia;
extern SdlMedia* g_media;  // SDL_mixer's hooks take no user pointer

// Each play gets a number; a notice counts only while its play is current,
// so a stop (which forgets the number first) never yields a notice.
class PlayTicket {
 public:
  uint32_t Issue() {
    if (++next_ == 0) next_ = 1;
    current_.store(next_);
    return next_;
  }
  void Cancel() { current_.store(0); }
  uint32_t current() const { return current_.load(); }
  // True once for the current play.
  bool Redeem(uint32_t ticket) {
    uint32_t expected = ticket;
    return ticket != 0 && current_.compare_exchange_strong(expected, 0);
  }

 private:
  std::atomic<uint32_t> current_{0};
  uint32_t next_ = 0;
};

class MusicPlayer : public MediaPlayer {
 public:
  explicit MusicPlayer(SdlMedia& media) : media_(media) {}
  ~MusicPlayer() override { Close(); }

  Status Open(const std::string& path) override;
  Status OpenCd(const std::string& folder) override;
  void Close() override;
  bool IsOpen() const override { return open_; }
  bool Play(std::optional<uint32_t> from_ms, std::optional<uint32_t> to_ms) override;
  void SetRepeat(bool repeat) override;
  void SetVolumePercent(int percent) override;
  void Stop() override;
  MediaMode Mode() override;
  void WaitWhilePlaying(uint32_t max_ms) override;
  uint32_t LengthMs() override { return length_ms_; }
  std::optional<CdTrackSpan> CdTrack(int track) override;
  VideoSize MovieSize() override { return movie_ ? movie_->size() : VideoSize{}; }
  bool TakeFrame(Surface* frame) override;
  std::optional<uint32_t> NextFrameMs() override;

  PlayTicket ticket;
  // The movie's sound, decoded by the music stream's hook as the device
  // asks for it; replaced only while the hook is off.
  std::unique_ptr<MovieSound> movie_sound;
  std::atomic<bool> movie_audio_on{false};
  // The mixer's music level does not reach a hooked stream, so the movie's
  // sound is scaled by this itself.
  std::atomic<int> volume_percent{100};

 private:
  Status LoadMusic(const std::string& path);
  void FreeMusic();
  uint32_t MovieElapsedMs() const;

  SdlMedia& media_;
  Mix_Music* music_ = nullptr;
  bool open_ = false;
  bool cd_ = false;
  bool playing_ = false;
  bool repeat_ = false;
  uint32_t length_ms_ = 0;
  std::map<int, std::string> tracks_;
  std::map<int, uint32_t> track_lengths_;
  std::unique_ptr<MovieDecoder> movie_;
  uint32_t movie_start_ms_ = 0;
  SDL_TimerID movie_timer_ = 0;
};

class EffectPlayer : public MediaPlayer {
 public:
  explicit EffectPlayer(SdlMedia& media) : media_(media) {}
  ~EffectPlayer() override { Close(); }

  Status Open(const std::string& path) override;
  Status OpenCd(const std::string&) override {
    return {StatusCode::kRefused, "the effect player has no CD audio"};
  }
  void Close() override;
  bool IsOpen() const override { return chunk_ != nullptr; }
  bool Play(std::optional<uint32_t> from_ms, std::optional<uint32_t> to_ms) override;
  void SetRepeat(bool repeat) override;
  void SetVolumePercent(int percent) override;
  void Stop() override;
  MediaMode Mode() override;
  void WaitWhilePlaying(uint32_t max_ms) override;
  uint32_t LengthMs() override { return length_ms_; }
  std::optional<CdTrackSpan> CdTrack(int) override { return std::nullopt; }
  VideoSize MovieSize() override { return {}; }
  bool TakeFrame(Surface*) override { return false; }
  std::optional<uint32_t> NextFrameMs() override { return std::nullopt; }

  PlayTicket ticket;

 private:
  SdlMedia& media_;
  Mix_Chunk* chunk_ = nullptr;
  bool playing_ = false;
  bool repeat_ = false;
  uint32_t length_ms_ = 0;
  uint32_t start_ms_ = 0;
  int volume_percent_ = 100;
};

// A level of 0-100 as the mixer's 0-MIX_MAX_VOLUME.
inline int MixerVolume(int percent) { return std::clamp(percent, 0, 100) * MIX_MAX_VOLUME / 100; }

class SdlMedia : public Media {
 public:
  SdlMedia() : music_(*this), effect_(*this) {
    g_media = this;
    event_type_ = RegisterUserEvent([this](const SDL_Event& e) { OnNotice(e); });
  }
  ~SdlMedia() override {
    if (audio_ok_) {
      Mix_HookMusicFinished(nullptr);
      Mix_ChannelFinished(nullptr);
      Mix_SetPostMix(nullptr, nullptr);
      music_.Close();
      effect_.Close();
    }
    if (event_type_) UnregisterUserEvent(event_type_);
    g_media = nullptr;
    if (audio_ok_) ReleaseAudio();
  }

  // The audio device opens when the first sound is opened: an open device
  // keeps a thread waking for every buffer, and its libraries and buffers
  // in memory, which a game that plays nothing never needs.
  bool EnsureAudio() {
    if (audio_ok_) return true;
    if (audio_failed_) return false;
    const Status acquired = AcquireAudio(false);
    audio_ok_ = acquired.ok();
    if (!audio_ok_) {
      audio_error_ = acquired.message();
      audio_failed_ = true;
      LogWarning("zepa: no sound: %s\n", audio_error_.c_str());
      return false;
    }
    Mix_HookMusicFinished(&SdlMedia::MusicFinished);
    Mix_ChannelFinished(&SdlMedia::ChannelFinished);
    Mix_SetPostMix(&SdlMedia::PostMix, this);
    return true;
  }

  MediaPlayer& Player(int index) override {
    if (index == 0) return music_;
    return effect_;
  }
  void SetNoticeHandler(std::function<void(int, MediaNotice)> handler) override {
    handler_ = std::move(handler);
  }
  // The output gain is ours and needs no device; only a device that
  // failed to open takes the volume control away.
  bool OpenMixer() override { return !audio_failed_; }
  bool ReadGain(uint32_t* raw) override {
    if (audio_failed_) return false;
    *raw = gain_.load();
    return true;
  }
  bool WriteGain(uint32_t raw) override {
    if (audio_failed_) return false;
    gain_.store(std::min(raw, kGainMax));
    return true;
  }
  void CloseMixer() override {}

  bool audio_ok() const { return audio_ok_; }
  const std::string& audio_error() const { return audio_error_; }

  // Called on the audio thread (or inside a halt on the game thread).
  void Post(int player, uint32_t ticket) {
    if (ticket == 0 || event_type_ == 0) return;
    SDL_Event e;
    SDL_zero(e);
    e.type = event_type_;
    e.user.code = player;
    e.user.data1 = reinterpret_cast<void*>(static_cast<uintptr_t>(ticket));
    SDL_PushEvent(&e);
  }

  static void MusicFinished() {
    if (g_media) g_media->Post(0, g_media->music_.ticket.current());
  }
  static void ChannelFinished(int channel) {
    if (g_media && channel == kEffectChannel) g_media->Post(1, g_media->effect_.ticket.current());
  }
  // Music and effects are mixed by now: the gain scales the whole output.
  static void PostMix(void* self, Uint8* stream, int len) {
    const uint32_t gain = static_cast<SdlMedia*>(self)->gain_.load();
    if (gain >= kGainMax) return;
    auto* samples = reinterpret_cast<int16_t*>(stream);
    const int count = len / 2;
    for (int i = 0; i < count; ++i)
      samples[i] = static_cast<int16_t>(static_cast<int32_t>(samples[i]) *
                                        static_cast<int32_t>(gain) / 65535);
  }
  static void MovieSound(void* self, Uint8* stream, int len) {
    auto* player = static_cast<MusicPlayer*>(self);
    std::memset(stream, 0, static_cast<size_t>(len));
    if (!player->movie_audio_on.load() || !player->movie_sound) return;
    auto* samples = reinterpret_cast<int16_t*>(stream);
    const size_t n = player->movie_sound->Read(samples, static_cast<size_t>(len) / 2);
    const int percent = player->volume_percent.load();
    if (percent < 100)
      for (size_t i = 0; i < n; ++i)
        samples[i] = static_cast<int16_t>(static_cast<int32_t>(samples[i]) * percent / 100);
  }
  void PostMovieEnd() { Post(0, music_.ticket.current()); }

 private:
  void OnNotice(const SDL_Event& e) {
    MediaPlayer* player = e.user.code == 0 ? static_cast<MediaPlayer*>(&music_) : &effect_;
    PlayTicket& ticket = e.user.code == 0 ? music_.ticket : effect_.ticket;
    const auto t = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(e.user.data1));
    if (!ticket.Redeem(t)) return;
    (void)player;
    if (handler_) handler_(e.user.code == 0 ? 0 : 1, MediaNotice::kSuccessful);
  }

  MusicPlayer music_;
  EffectPlayer effect_;
  bool audio_ok_ = false;
  bool audio_failed_ = false;
  std::string audio_error_;
  uint32_t event_type_ = 0;
  std::atomic<uint32_t> gain_{kGainMax};
  std::function<void(int, MediaNotice)> handler_;
};

// Posts the end of the current movie; an SDL timer callback.
Uint32 MovieTimerDone(Uint32, void*);

}  // namespace zepa::platform::sdl_media_parts
