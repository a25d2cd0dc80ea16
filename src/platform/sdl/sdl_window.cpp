// The game window on the desktop: its place, its caption, full screen,
// and the error box.
#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "platform/sdl/sdl_host_impl.h"
// Last: it brings in Xlib, whose macros (Expose, None, Status) would
// rewrite the declarations above.
#include <SDL_syswm.h>

namespace zepa::platform {
namespace {

// The window's size as the window system has it. Without a window manager
// SDL reports the desktop's size for a full-screen window that was never
// resized, so on X11 the server is asked.
void RealWindowSize(SDL_Window* window, int* w, int* h) {
  SDL_GetWindowSize(window, w, h);
#if defined(SDL_VIDEO_DRIVER_X11)
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (SDL_GetWindowWMInfo(window, &info) == SDL_TRUE && info.subsystem == SDL_SYSWM_X11) {
    XWindowAttributes attributes;
    if (XGetWindowAttributes(info.info.x11.display, info.info.x11.window, &attributes) != 0) {
      *w = attributes.width;
      *h = attributes.height;
    }
  }
#endif
}

}  // namespace

ScreenSize SdlHost::GetScreenSize() {
  SDL_DisplayMode mode;
  const int index = window_ ? std::max(SDL_GetWindowDisplayIndex(window_), 0) : 0;
  if (SDL_GetDesktopDisplayMode(index, &mode) != 0) return {kDisplayWidth, kDisplayHeight};
  return {mode.w, mode.h};
}

bool SdlHost::SetFullScreen(bool full) {
  Reveal();
  if (full == full_screen_) return true;
  if (full) SDL_GetWindowPosition(window_, &windowed_left_, &windowed_top_);
  if (full) {
    if (SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) return false;
    // Without a window manager (a bare X server) the desktop full-screen
    // mode leaves the window as it was: cover the desktop with a borderless
    // window instead, which looks the same to the player.
    SDL_DisplayMode mode;
    const int index = std::max(SDL_GetWindowDisplayIndex(window_), 0);
    SDL_PumpEvents();
    SDL_Delay(50);
    SDL_PumpEvents();
    int w = 0, h = 0;
    RealWindowSize(window_, &w, &h);
    if (SDL_GetDesktopDisplayMode(index, &mode) == 0 && (w != mode.w || h != mode.h)) {
      SDL_SetWindowFullscreen(window_, 0);
      SDL_SetWindowBordered(window_, SDL_FALSE);
      SDL_SetWindowPosition(window_, 0, 0);
      SDL_SetWindowSize(window_, mode.w, mode.h);
      borderless_full_ = true;
    }
  } else if (borderless_full_) {
    SDL_SetWindowBordered(window_, SDL_TRUE);
    borderless_full_ = false;
  } else if (SDL_SetWindowFullscreen(window_, 0) != 0) {
    return false;
  }
  full_screen_ = full;
  if (!full) {
    SDL_SetWindowSize(window_, kDisplayWidth * scale_, kDisplayHeight * scale_);
    SDL_SetWindowPosition(window_, windowed_left_, windowed_top_);
  }
  dirty_ = shown_ != nullptr;
  return true;
}

void SdlHost::SetWindowPosition(int left, int top) {
  Reveal();
  windowed_left_ = left;
  windowed_top_ = top;
  // A full-screen window keeps its place; the position applies on leaving.
  if (!full_screen_) SDL_SetWindowPosition(window_, left, top);
}

void SdlHost::GetWindowPosition(int* left, int* top) {
  int x = windowed_left_, y = windowed_top_;
  if (!full_screen_) SDL_GetWindowPosition(window_, &x, &y);
  if (left) *left = x;
  if (top) *top = y;
}

void SdlHost::SetCaption(std::string_view utf8) {
  Reveal();
  SDL_SetWindowTitle(window_, std::string(utf8).c_str());
}

void SdlHost::ShowError(std::string_view utf8) {
  const std::string message(utf8);
  std::fprintf(stderr, "%s\n", message.c_str());
  if (has_screen_) {
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, kErrorCaption, message.c_str(), window_);
  }
}

void SdlHost::OpenUrl(std::string_view utf8) { SDL_OpenURL(std::string(utf8).c_str()); }

}  // namespace zepa::platform
