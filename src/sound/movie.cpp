// Movie playback: the movie runs on the music player in a panel over the
// display, pumping the event loop until it ends, is clicked away or hurried.
#include <algorithm>

#include "sound/sound.h"

namespace zepa::sound {

using platform::MediaMode;

PanelPlace PlaceMoviePanel(std::optional<int32_t> x, int32_t y, platform::VideoSize size) {
  if (x) return {*x, y};
  return {(kClientWidth - size.width) / 2, (kClientHeight - size.height) / 2};
}

void Sound::PlayMovie(std::optional<int32_t> x, int32_t y) {
  platform::MediaPlayer& player = *Player(0);
  platform::Overlay* overlay = host_.overlay();
  Movie movie;
  movie.path = music_name_;
  movie.size = player.MovieSize();
  const PanelPlace place = PlaceMoviePanel(x, y, movie.size);
  movie.left = place.left;
  movie.top = place.top;
  movie_ = movie;
  frame_.Reset(movie.size.width, movie.size.height, 0);
  if (display_) host_.Invalidate(*display_);
  if (overlay) overlay->ShowOverlay(movie.left, movie.top, frame_);
  player.Play(std::nullopt, std::nullopt);
  for (;;) {
    bool broken = false;
    while (player.Mode() == MediaMode::kPlaying) {
      uint32_t deadline_ms = host_.NowMs() + kTimerIntervalMs;
      if (const std::optional<uint32_t> due = player.NextFrameMs()) {
        const int32_t ahead = static_cast<int32_t>(*due - host_.NowMs());
        if (ahead < static_cast<int32_t>(kTimerIntervalMs))
          deadline_ms = host_.NowMs() + std::max(ahead, 0);
      }
      if (!host_.Pump(true, deadline_ms)) {
        broken = true;
        break;
      }
      // The host repaints the panel over the unchanged display on its next
      // pump; presenting the whole display for every picture costs far more.
      if (player.TakeFrame(&frame_) && overlay)
        overlay->ShowOverlay(movie_->left, movie_->top, frame_);
      if (host_.IsHeld(platform::HeldKey::kShift) || host_.IsHeld(platform::HeldKey::kSpace) ||
          host_.IsHeld(platform::HeldKey::kReturn) ||
          host_.IsHeld(platform::HeldKey::kMiddleButton)) {
        broken = true;
        break;
      }
    }
    if (broken || !movie_->replay || music_loop_ == 0 || !player.IsOpen()) break;
    movie_->replay = false;
    player.Play(std::nullopt, std::nullopt);
  }
  player.Stop();
  movie_.reset();
  if (overlay) overlay->HideOverlay();
  if (display_) host_.Invalidate(*display_);
}

bool Sound::OnMouseDown(platform::MouseButton button, int x, int y) {
  if (!movie_) return false;
  if (x < movie_->left || y < movie_->top || x >= movie_->left + movie_->size.width ||
      y >= movie_->top + movie_->size.height) {
    return false;
  }
  if (button == platform::MouseButton::kLeft) PanelDisplayClick();
  return true;
}

void Sound::PanelDisplayClick() {
  if (platform::MediaPlayer* player = Player(0)) player->Stop();
}

}  // namespace zepa::sound
