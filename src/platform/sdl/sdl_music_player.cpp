#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <utility>

#include "platform/log.h"
#include "platform/media_checks.h"
#include "platform/sdl/sdl_media_impl.h"

namespace zepa::platform::sdl_media_parts {

Uint32 MovieTimerDone(Uint32, void*) {
  if (g_media) g_media->PostMovieEnd();
  return 0;
}

Status MusicPlayer::LoadMusic(const std::string& path) {
  if (Status checked = CheckMediaFile(path); !checked.ok()) return checked;
  if (IsMidiFile(path) && !MidiPatchesReady())
    return Status::Failed("no MIDI patch set (install the freepats package)");
  music_ = Mix_LoadMUS(path.c_str());
  if (!music_) return Status::Failed(Mix_GetError());
  const double seconds = Mix_MusicDuration(music_);
  length_ms_ = seconds > 0 && seconds < 4.0e6 ? static_cast<uint32_t>(seconds * 1000.0 + 0.5) : 0;
  if (const std::optional<uint32_t> limit = WaveDataLimitMs(path))
    length_ms_ = std::min(length_ms_, *limit);
  return {};
}

void MusicPlayer::FreeMusic() {
  if (!music_) return;
  ticket.Cancel();
  Mix_HaltMusic();
  Mix_FreeMusic(music_);
  music_ = nullptr;
}

Status MusicPlayer::Open(const std::string& path) {
  Close();
  if (!media_.EnsureAudio()) return Status::Failed(media_.audio_error());
  if (IsMovieFile(path)) {
    if (Status checked = CheckMediaFile(path); !checked.ok()) return checked;
    auto opened = MovieDecoder::Open(path);
    if (!opened.ok()) return opened.status();
    movie_ = std::move(*opened);
    length_ms_ = movie_->duration_ms();
    open_ = true;
    return {};
  }
  if (Status loaded = LoadMusic(path); !loaded.ok()) return loaded;
  open_ = true;
  return {};
}

Status MusicPlayer::OpenCd(const std::string& folder) {
  Close();
  if (!media_.EnsureAudio()) return Status::Failed(media_.audio_error());
  auto tracks = OpenCdFolder(folder);
  if (!tracks.ok()) return tracks.status();
  tracks_ = std::move(*tracks);
  cd_ = true;
  open_ = true;
  return {};
}

void MusicPlayer::Close() {
  Stop();
  FreeMusic();
  movie_sound.reset();
  movie_.reset();
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
      const Result<uint32_t> length = ProbeMusicLength(path);
      it = track_lengths_.emplace(n, length.ok() ? *length : 0).first;
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
    if (const Status loaded = LoadMusic(path); !loaded.ok()) {
      LogError("zepa: cannot play %s: %s\n", path.c_str(), loaded.message().c_str());
      return false;
    }
    offset_ms = *from_ms - start;
  }
  const uint32_t t = ticket.Issue();
  if (movie_) {
    movie_->Rewind();
    // The hook is off since the Stop above: the sound can be replaced.
    movie_sound = movie_->OpenSound(kMovieAudioRate);
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
  Mix_VolumeMusic(MixerVolume(volume_percent.load()));
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

void MusicPlayer::SetVolumePercent(int percent) {
  volume_percent.store(std::clamp(percent, 0, 100));
  // Before the device opens there is no mixer to tell; the next play does.
  if (media_.audio_ok()) Mix_VolumeMusic(MixerVolume(percent));
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
}  // namespace zepa::platform::sdl_media_parts
