// The game window's frames: busy effects present them one per refresh,
// other changes are repainted when the pump next runs. Either way only
// what changed reaches the screen (see presenter.h).
#include <SDL.h>

#include "platform/sdl/sdl_host_impl.h"

namespace zepa::platform {

void SdlHost::Reveal() {
  // The game window appears once the game first places, names or draws it,
  // so that the title window shown before it stands alone.
  if (revealed_ || !window_) return;
  revealed_ = true;
  SDL_ShowWindow(window_);
}

void SdlHost::Present(const Surface& display) {
  // A tick that presents is doing real work: from here on it sees the real
  // clock, so that an effect it runs can end.
  ticks_.ClearTickClock();
  Reveal();
  shown_ = &display;
  dirty_ = false;
  if (presenter_.Show(display)) ++frames_pushed_;
  FinishFrame();
}

void SdlHost::PresentWholeFrame(const Surface& display) {
  ticks_.ClearTickClock();
  Reveal();
  shown_ = &display;
  dirty_ = false;
  if (presenter_.ShowWhole(display)) ++frames_pushed_;
  FinishFrame();
}

void SdlHost::FinishFrame() {
  ++frames_presented_;
  // A software path has no vsync to wait for: pacing by the refresh period
  // keeps busy effects from spinning, and sleeping keeps them cheap.
  const uint64_t now_ms = SDL_GetTicks64();
  const uint64_t next_ms = last_present_ms_ + frame_ms_;
  if (now_ms < next_ms) SDL_Delay(static_cast<uint32_t>(next_ms - now_ms));
  last_present_ms_ = SDL_GetTicks64();
  // A close request does not wait for the busy effect to end; other input
  // stays queued for the next Pump.
  SDL_PumpEvents();
  SDL_Event quit;
  if (!closed_ && SDL_PeepEvents(&quit, 1, SDL_GETEVENT, SDL_QUIT, SDL_QUIT) == 1) Dispatch(quit);
}

void SdlHost::Invalidate(const Surface& display) {
  Reveal();
  shown_ = &display;
  dirty_ = true;
}

void SdlHost::RepaintIfDirty() {
  if (!dirty_ || !shown_) return;
  dirty_ = false;
  if (presenter_.Show(*shown_)) ++frames_pushed_;
}

void SdlHost::ShowOverlay(int left, int top, const Surface& image) {
  presenter_.SetOverlay(left, top, image);
  dirty_ = shown_ != nullptr;
}

void SdlHost::ShowBadge(int left, int top, const Surface& image) {
  presenter_.SetBadge(left, top, image);
  dirty_ = shown_ != nullptr;
}

void SdlHost::HideOverlay() {
  if (!presenter_.overlay_shown()) return;
  presenter_.ClearOverlay();
  dirty_ = shown_ != nullptr;
}

}  // namespace zepa::platform
