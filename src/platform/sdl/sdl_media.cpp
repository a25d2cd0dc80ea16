#include "platform/sdl/sdl_media.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <vector>

#include "platform/sdl/audio_device.h"
#include "platform/sdl/movie_decoder.h"
#include "platform/sdl/user_events.h"

namespace zepa::platform {
namespace {

constexpr int kEffectChannel = 0;
constexpr int kMovieAudioRate = 44100;
// A movie's sound is decoded whole before it plays; this bounds the memory.
constexpr uint32_t kMaxMovieAudioMs = 10 * 60 * 1000;

class SdlMedia;
SdlMedia* g_media = nullptr;  // SDL_mixer's hooks take no user pointer

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

  bool Open(const std::string& path, std::string* error) override;
  bool OpenCd(const std::string& folder, std::string* error) override;
  void Close() override;
  bool IsOpen() const override { return open_; }
  bool Play(std::optional<uint32_t> from_ms, std::optional<uint32_t> to_ms) override;
  void SetRepeat(bool repeat) override;
  void Stop() override;
  MediaMode Mode() override;
  void WaitWhilePlaying(uint32_t max_ms) override;
  uint32_t LengthMs() override { return length_ms_; }
  std::optional<CdTrackSpan> CdTrack(int track) override;
  VideoSize MovieSize() override { return movie_ ? movie_->size() : VideoSize{}; }
  bool TakeFrame(Surface* frame) override;
  std::optional<uint32_t> NextFrameMs() override;

  PlayTicket ticket;
  // The movie's sound, fed to the music stream by a hook.
  std::vector<int16_t> movie_audio;
  std::atomic<size_t> movie_audio_pos{0};
  std::atomic<bool> movie_audio_on{false};

 private:
  bool LoadMusic(const std::string& path, std::string* error);
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

  bool Open(const std::string& path, std::string* error) override;
  bool OpenCd(const std::string&, std::string* error) override {
    *error = "the effect player has no CD audio";
    return false;
  }
  void Close() override;
  bool IsOpen() const override { return chunk_ != nullptr; }
  bool Play(std::optional<uint32_t> from_ms, std::optional<uint32_t> to_ms) override;
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
  uint32_t length_ms_ = 0;
};

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
    audio_ok_ = AcquireAudio(false, &audio_error_);
    if (!audio_ok_) {
      audio_failed_ = true;
      std::fprintf(stderr, "zepa: no sound: %s\n", audio_error_.c_str());
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
    if (!player->movie_audio_on.load()) return;
    const size_t want = static_cast<size_t>(len) / 2;
    const size_t pos = player->movie_audio_pos.load();
    const size_t have = player->movie_audio.size() > pos ? player->movie_audio.size() - pos : 0;
    const size_t n = std::min(want, have);
    if (n > 0) std::memcpy(stream, player->movie_audio.data() + pos, n * 2);
    player->movie_audio_pos.store(pos + n);
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

Uint32 MovieTimerDone(Uint32, void*) {
  if (g_media) g_media->PostMovieEnd();
  return 0;
}

// ---- music ----

bool MusicPlayer::LoadMusic(const std::string& path, std::string* error) {
  if (!CheckMediaFile(path, error)) return false;
  if (IsMidiFile(path) && !MidiPatchesReady()) {
    *error = "no MIDI patch set (install the freepats package)";
    return false;
  }
  music_ = Mix_LoadMUS(path.c_str());
  if (!music_) {
    *error = Mix_GetError();
    return false;
  }
  const double seconds = Mix_MusicDuration(music_);
  length_ms_ = seconds > 0 && seconds < 4.0e6 ? static_cast<uint32_t>(seconds * 1000.0 + 0.5) : 0;
  if (const std::optional<uint32_t> limit = WaveDataLimitMs(path))
    length_ms_ = std::min(length_ms_, *limit);
  return true;
}

void MusicPlayer::FreeMusic() {
  if (!music_) return;
  ticket.Cancel();
  Mix_HaltMusic();
  Mix_FreeMusic(music_);
  music_ = nullptr;
}

bool MusicPlayer::Open(const std::string& path, std::string* error) {
  Close();
  if (!media_.EnsureAudio()) {
    *error = media_.audio_error();
    return false;
  }
  if (IsMovieFile(path)) {
    if (!CheckMediaFile(path, error)) return false;
    movie_ = MovieDecoder::Open(path, error);
    if (!movie_) return false;
    if (movie_->has_audio()) movie_audio = movie_->DecodeAudio(kMovieAudioRate, kMaxMovieAudioMs);
    length_ms_ = movie_->duration_ms();
    open_ = true;
    return true;
  }
  if (!LoadMusic(path, error)) return false;
  open_ = true;
  return true;
}

bool MusicPlayer::OpenCd(const std::string& folder, std::string* error) {
  Close();
  if (!media_.EnsureAudio()) {
    *error = media_.audio_error();
    return false;
  }
  std::error_code ec;
  if (!std::filesystem::is_directory(folder, ec)) {
    *error = "no such folder";
    return false;
  }
  tracks_ = FindCdTracks(folder);
  cd_ = true;
  open_ = true;
  return true;
}

void MusicPlayer::Close() {
  Stop();
  FreeMusic();
  movie_.reset();
  movie_audio.clear();
  movie_audio.shrink_to_fit();
  tracks_.clear();
  track_lengths_.clear();
  cd_ = false;
  open_ = false;
  length_ms_ = 0;
}

std::optional<CdTrackSpan> MusicPlayer::CdTrack(int track) {
  if (!cd_ || !tracks_.count(track)) return std::nullopt;
  // Tracks lie end to end on the disc's time line, in number order.
  uint32_t start = 0;
  for (const auto& [n, path] : tracks_) {
    auto it = track_lengths_.find(n);
    if (it == track_lengths_.end()) {
      uint32_t length = 0;
      std::string ignored;
      if (!ProbeMusicLength(path, &length, &ignored)) length = 0;
      it = track_lengths_.emplace(n, length).first;
    }
    if (n == track) return CdTrackSpan{start, it->second};
    start += it->second;
  }
  return std::nullopt;
}

bool MusicPlayer::Play(std::optional<uint32_t> from_ms, std::optional<uint32_t>) {
  if (!open_) return false;
  Stop();
  uint32_t offset_ms = 0;
  if (cd_) {
    if (!from_ms) return false;
    uint32_t start = 0;
    std::string path;
    for (const auto& [n, file] : tracks_) {
      const std::optional<CdTrackSpan> span = CdTrack(n);
      if (span && *from_ms >= span->start_ms && *from_ms < span->start_ms + span->length_ms) {
        path = file;
        start = span->start_ms;
        break;
      }
    }
    if (path.empty()) return false;
    FreeMusic();
    std::string error;
    if (!LoadMusic(path, &error)) {
      std::fprintf(stderr, "zepa: cannot play %s: %s\n", path.c_str(), error.c_str());
      return false;
    }
    offset_ms = *from_ms - start;
  }
  const uint32_t t = ticket.Issue();
  if (movie_) {
    movie_->Rewind();
    movie_audio_pos.store(0);
    movie_audio_on.store(true);
    Mix_HookMusic(&SdlMedia::MovieSound, this);
    movie_start_ms_ = SDL_GetTicks();
    playing_ = true;
    // The end of the movie is its length on the clock; a file that does not
    // say how long it is ends with its last picture.
    if (length_ms_ > 0)
      movie_timer_ = SDL_AddTimer(std::max<uint32_t>(length_ms_, 1), MovieTimerDone, nullptr);
    (void)t;
    return true;
  }
  // The decoder starts a repeating file again inside the same mixer buffer.
  if (!music_ || Mix_FadeInMusicPos(music_, repeat_ ? -1 : 0, 0, offset_ms / 1000.0) != 0) {
    ticket.Cancel();
    return false;
  }
  playing_ = true;
  return true;
}

void MusicPlayer::SetRepeat(bool repeat) {
  if (repeat == repeat_) return;
  repeat_ = repeat;
  if (!playing_ || !music_ || movie_ || !Mix_PlayingMusic()) return;
  // The mixer takes the repeat count only when a play starts, so the play
  // goes on from where the decoder is with the new count.
  const double position = Mix_GetMusicPosition(music_);
  if (position < 0) return;
  ticket.Cancel();
  const uint32_t t = ticket.Issue();
  if (Mix_FadeInMusicPos(music_, repeat ? -1 : 0, 0, position) != 0) {
    ticket.Cancel();
    playing_ = false;
  }
  (void)t;
}

void MusicPlayer::Stop() {
  ticket.Cancel();
  if (movie_timer_) {
    SDL_RemoveTimer(movie_timer_);
    movie_timer_ = 0;
  }
  if (movie_audio_on.exchange(false)) Mix_HookMusic(nullptr, nullptr);
  if (playing_ && music_) Mix_HaltMusic();
  playing_ = false;
}

uint32_t MusicPlayer::MovieElapsedMs() const { return SDL_GetTicks() - movie_start_ms_; }

MediaMode MusicPlayer::Mode() {
  if (!open_) return MediaMode::kNotReady;
  if (cd_ && tracks_.empty()) return MediaMode::kNotReady;
  if (!playing_) return MediaMode::kStopped;
  if (movie_) {
    const bool more =
        length_ms_ > 0 ? MovieElapsedMs() < length_ms_ : movie_->NextFrameMs().has_value();
    if (!more) {
      playing_ = false;
      // Without a length there was no timer; the end is noticed here.
      if (length_ms_ == 0) media_.PostMovieEnd();
    }
    return more ? MediaMode::kPlaying : MediaMode::kStopped;
  }
  return Mix_PlayingMusic() ? MediaMode::kPlaying : MediaMode::kStopped;
}

void MusicPlayer::WaitWhilePlaying(uint32_t max_ms) {
  const uint32_t start = SDL_GetTicks();
  while (Mode() == MediaMode::kPlaying && SDL_GetTicks() - start <= max_ms) SDL_Delay(5);
}

bool MusicPlayer::TakeFrame(Surface* frame) {
  if (!movie_ || !playing_) return false;
  return movie_->FrameAt(MovieElapsedMs(), frame);
}

std::optional<uint32_t> MusicPlayer::NextFrameMs() {
  if (!movie_ || !playing_) return std::nullopt;
  const std::optional<uint32_t> next = movie_->NextFrameMs();
  if (!next) return std::nullopt;
  return movie_start_ms_ + *next;
}

// ---- effects ----

bool EffectPlayer::Open(const std::string& path, std::string* error) {
  Close();
  if (!media_.EnsureAudio()) {
    *error = media_.audio_error();
    return false;
  }
  if (!CheckMediaFile(path, error)) return false;
  chunk_ = Mix_LoadWAV(path.c_str());
  if (!chunk_) {
    *error = Mix_GetError();
    return false;
  }
  int freq = 0, channels = 0;
  Uint16 format = 0;
  length_ms_ = 0;
  if (Mix_QuerySpec(&freq, &format, &channels) && freq > 0 && channels > 0) {
    const uint64_t frame_bytes = static_cast<uint64_t>(SDL_AUDIO_BITSIZE(format) / 8) * channels;
    if (frame_bytes > 0)
      length_ms_ = static_cast<uint32_t>(chunk_->alen / frame_bytes * 1000 / freq);
  }
  return true;
}

void EffectPlayer::Close() {
  Stop();
  if (chunk_) {
    Mix_HaltChannel(kEffectChannel);
    Mix_FreeChunk(chunk_);
    chunk_ = nullptr;
  }
}

bool EffectPlayer::Play(std::optional<uint32_t>, std::optional<uint32_t>) {
  if (!chunk_) return false;
  Stop();
  ticket.Issue();
  if (Mix_PlayChannel(kEffectChannel, chunk_, 0) < 0) {
    ticket.Cancel();
    return false;
  }
  playing_ = true;
  return true;
}

void EffectPlayer::Stop() {
  ticket.Cancel();
  if (playing_) Mix_HaltChannel(kEffectChannel);
  playing_ = false;
}

MediaMode EffectPlayer::Mode() {
  if (!chunk_) return MediaMode::kNotReady;
  if (!playing_) return MediaMode::kStopped;
  return Mix_Playing(kEffectChannel) ? MediaMode::kPlaying : MediaMode::kStopped;
}

void EffectPlayer::WaitWhilePlaying(uint32_t max_ms) {
  const uint32_t start = SDL_GetTicks();
  while (Mode() == MediaMode::kPlaying && SDL_GetTicks() - start <= max_ms) SDL_Delay(5);
}

}  // namespace

std::unique_ptr<Media> CreateSdlMedia() { return std::make_unique<SdlMedia>(); }

}  // namespace zepa::platform
