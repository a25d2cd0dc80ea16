#include <SDL.h>
#include <SDL_mixer.h>

#include "platform/media_checks.h"
#include "platform/sdl/sdl_media_impl.h"

namespace zepa::platform::sdl_media_parts {

Status EffectPlayer::Open(const std::string& path) {
  Close();
  if (!media_.EnsureAudio()) return Status::Failed(media_.audio_error());
  if (Status checked = CheckMediaFile(path); !checked.ok()) return checked;
  chunk_ = LoadChunk(path);
  if (!chunk_) return Status::Failed(Mix_GetError());
  int freq = 0, channels = 0;
  Uint16 format = 0;
  length_ms_ = 0;
  if (Mix_QuerySpec(&freq, &format, &channels) && freq > 0 && channels > 0) {
    const uint64_t frame_bytes = static_cast<uint64_t>(SDL_AUDIO_BITSIZE(format) / 8) * channels;
    if (frame_bytes > 0)
      length_ms_ = static_cast<uint32_t>(chunk_->alen / frame_bytes * 1000 / freq);
  }
  return {};
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
  Mix_Volume(kEffectChannel, MixerVolume(volume_percent_));
  // A repeating effect goes round inside the mixer, so no round waits for
  // the trip through the end notice.
  if (Mix_PlayChannel(kEffectChannel, chunk_, repeat_ ? -1 : 0) < 0) {
    ticket.Cancel();
    return false;
  }
  start_ms_ = SDL_GetTicks();
  playing_ = true;
  return true;
}

void EffectPlayer::SetVolumePercent(int percent) {
  volume_percent_ = std::clamp(percent, 0, 100);
  if (media_.audio_ok()) Mix_Volume(kEffectChannel, MixerVolume(volume_percent_));
}

void EffectPlayer::SetRepeat(bool repeat) {
  if (repeat == repeat_) return;
  repeat_ = repeat;
  if (!playing_ || !chunk_ || !Mix_Playing(kEffectChannel)) return;
  // Turned on: the round playing ends with its notice, and the next play
  // repeats. Turned off: the mixer keeps the count it started with, so the
  // play is ended where the round that sounds now ends.
  if (!repeat && length_ms_ > 0) {
    const uint32_t into_round = (SDL_GetTicks() - start_ms_) % length_ms_;
    Mix_ExpireChannel(kEffectChannel, static_cast<int>(length_ms_ - into_round));
  }
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
}  // namespace zepa::platform::sdl_media_parts
