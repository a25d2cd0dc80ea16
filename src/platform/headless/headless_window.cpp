// The headless host's window around the game: its size, the scaling, and
// what it shows.
#include "platform/headless/headless_host.h"
#include "platform/window_scaler.h"

namespace zepa::platform {

void HeadlessHost::SetScaleMode(ScaleMode mode) {
  if (keep_given_mode_) {
    keep_given_mode_ = false;
    return;
  }
  scale_mode_ = mode;
}

ScreenSize HeadlessHost::WindowSize() const {
  if (full_screen_) return screen_;
  if (options_.window_width > 0 && options_.window_height > 0)
    return {options_.window_width, options_.window_height};
  return {640, 480};
}

std::optional<WindowView> HeadlessHost::DescribeWindow() const {
  // Only a run given a window has one to tell of: other dumps stay as
  // they were.
  if (options_.window_width <= 0 || options_.window_height <= 0) return std::nullopt;
  const ScreenSize size = WindowSize();
  const int game_w = shown_ ? shown_->width : 640, game_h = shown_ ? shown_->height : 480;
  return WindowView{size.width, size.height, scale_mode_,
                    FitGameRect(size.width, size.height, game_w, game_h, scale_mode_)};
}

Surface HeadlessHost::WindowShot() const {
  const ScreenSize size = WindowSize();
  return ScaleToWindow(Composed(), size.width, size.height, scale_mode_);
}

}  // namespace zepa::platform
