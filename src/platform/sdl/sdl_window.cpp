// The game window on the desktop: its place, its caption, full screen,
// and the error box.
#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/log.h"
#include "platform/sdl/sdl_host_impl.h"
#include "platform/window_place.h"
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

// Before the window is mapped its frame is unknown: room for a caption bar
// and thin borders is kept, as most window managers draw them.
constexpr FrameSize kFrameGuess{32, 2, 2, 2};

// The X server's Xft.dpi resource, which desktops set to their text scale;
// 0 when there is none or the window is not on X11.
double XftDpi(SDL_Window* window) {
#if defined(SDL_VIDEO_DRIVER_X11)
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (SDL_GetWindowWMInfo(window, &info) == SDL_TRUE && info.subsystem == SDL_SYSWM_X11) {
    if (const char* resources = XResourceManagerString(info.info.x11.display))
      return ParseXftDpi(resources);
  }
#else
  (void)window;
#endif
  return 0;
}

}  // namespace

DesktopRect SdlHost::UsableBounds() const {
  const int index = window_ ? std::max(SDL_GetWindowDisplayIndex(window_), 0) : 0;
  SDL_Rect usable{0, 0, 0, 0};
  if (SDL_GetDisplayUsableBounds(index, &usable) != 0) return {};
  return {usable.x, usable.y, usable.w, usable.h};
}

WindowSize SdlHost::OpeningSize() {
  int want = scale_;
  const char* driver = SDL_GetCurrentVideoDriver();
  // A Wayland compositor scales the window by the desktop's factor itself.
  if (!size_given_ && !(driver && std::strcmp(driver, "wayland") == 0)) {
    DesktopScaleFacts facts;
    const char* gdk = SDL_getenv("GDK_SCALE");
    facts.gdk_scale = gdk ? gdk : "";
    facts.xft_dpi = XftDpi(window_);
    float ddpi = 0;
    if (SDL_GetDisplayDPI(std::max(SDL_GetWindowDisplayIndex(window_), 0), &ddpi, nullptr,
                          nullptr) == 0)
      facts.display_dpi = ddpi;
    want = DesktopScaleFactor(facts);
  }
  const DesktopRect usable = UsableBounds();
  scale_ = FitScaleToScreen(want, usable, kFrameGuess);
  return FitSizeToScreen({kDisplayWidth * scale_, kDisplayHeight * scale_},
                         {kDisplayWidth / 2, kDisplayHeight / 2}, usable, kFrameGuess);
}

void SdlHost::NoteWindowLook() {
  if (full_screen_ || !window_) return;
  const bool maximized = (SDL_GetWindowFlags(window_) & SDL_WINDOW_MAXIMIZED) != 0;
  look_.maximized = maximized;
  if (maximized) return;
  SDL_GetWindowSize(window_, &look_.width, &look_.height);
  if (revealed_) SDL_GetWindowPosition(window_, &windowed_left_, &windowed_top_);
}

void SdlHost::RestoreWindowLook(const WindowLook& look) {
  if (size_given_ || !window_ || full_screen_) return;
  if (look.width > 0 && look.height > 0) {
    FrameSize frame;
    if (SDL_GetWindowBordersSize(window_, &frame.top, &frame.left, &frame.bottom, &frame.right) !=
        0)
      frame = kFrameGuess;
    const WindowSize size = FitSizeToScreen(
        {look.width, look.height}, {kDisplayWidth / 2, kDisplayHeight / 2}, UsableBounds(), frame);
    // The same centre as before, inside the screen.
    const ClientPosition game =
        GamePositionOfSized({windowed_left_, windowed_top_}, look_.width, look_.height);
    look_.width = size.width;
    look_.height = size.height;
    SDL_SetWindowSize(window_, size.width, size.height);
    const ClientPosition client =
        PlaceSizedGameWindow(game.x, game.y, size.width, size.height, UsableBounds(), frame);
    windowed_left_ = client.x;
    windowed_top_ = client.y;
    if (revealed_) PlaceClientArea(client.x, client.y);
  }
  if (look.maximized) {
    look_.maximized = true;
    SDL_MaximizeWindow(window_);
  }
  presenter_.Resized();
  dirty_ = shown_ != nullptr;
}

std::optional<WindowLook> SdlHost::CurrentWindowLook() const {
  if (size_given_ || !has_screen_) return std::nullopt;
  return look_;
}

void SdlHost::SetScaleMode(ScaleMode mode) {
  if (scaling_given_) {
    scaling_given_ = false;
    return;
  }
  scale_mode_ = mode;
  presenter_.SetScaleMode(mode);
  dirty_ = shown_ != nullptr;
}

std::optional<WindowView> SdlHost::DescribeWindow() const {
  return WindowView{presenter_.output_width(), presenter_.output_height(), scale_mode_,
                    presenter_.game_rect()};
}

int SdlHost::WindowScale() const { return RoundedFactor(presenter_.game_rect(), kDisplayWidth); }

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
    if (look_.maximized) {
      SDL_MaximizeWindow(window_);
    } else {
      SDL_SetWindowSize(window_, look_.width, look_.height);
      PlaceClientArea(windowed_left_, windowed_top_);
    }
  }
  presenter_.Resized();
  dirty_ = shown_ != nullptr;
  return true;
}

void SdlHost::SetWindowPosition(int left, int top) {
  Reveal();
  FrameSize frame;
  if (SDL_GetWindowBordersSize(window_, &frame.top, &frame.left, &frame.bottom, &frame.right) != 0)
    frame = FrameSize{};
  const ClientPosition client =
      PlaceSizedGameWindow(left, top, look_.width, look_.height, UsableBounds(), frame);
  windowed_left_ = client.x;
  windowed_top_ = client.y;
  // A full-screen or maximised window keeps its place; the position
  // applies on leaving.
  if (!full_screen_ && !look_.maximized) PlaceClientArea(client.x, client.y);
}

void SdlHost::PlaceClientArea(int x, int y) {
  // With a window manager, the frame it adds comes a moment after the
  // window is mapped; until SDL knows the frame, it puts the frame's corner
  // where the client area's belongs. Asking again by the error seen makes
  // the client area land where it was asked, so that the position read back
  // at exit is the one restored at the next start.
  int ask_x = x, ask_y = y;
  SDL_SetWindowPosition(window_, ask_x, ask_y);
  for (int attempt = 0; attempt < 5; ++attempt) {
    SDL_PumpEvents();
    int got_x = 0, got_y = 0;
    SDL_GetWindowPosition(window_, &got_x, &got_y);
    if (got_x == x && got_y == y) return;
    ask_x -= got_x - x;
    ask_y -= got_y - y;
    SDL_Delay(20);
    SDL_SetWindowPosition(window_, ask_x, ask_y);
  }
}

void SdlHost::GetWindowPosition(int* left, int* top) {
  ClientPosition client{windowed_left_, windowed_top_};
  if (!full_screen_ && !look_.maximized) SDL_GetWindowPosition(window_, &client.x, &client.y);
  const ClientPosition game = GamePositionOfSized(client, look_.width, look_.height);
  if (left) *left = game.x;
  if (top) *top = game.y;
}

void SdlHost::SetCaption(std::string_view utf8) {
  Reveal();
  SDL_SetWindowTitle(window_, std::string(utf8).c_str());
}

void SdlHost::ShowError(std::string_view utf8) {
  const std::string message(utf8);
  LogError("%s\n", message.c_str());
  if (!has_screen_ || closed_) return;
  ToolWindow box;
  BuildErrorBox(message, &box);
  OpenWindow(&box);
  // A small window of our own, not the system's message box: its loop is
  // our pump, so a close request or a SIGTERM (which SDL turns into one)
  // reaches the game and ends the program, as from any other modal window.
  while (!box.closed() && Pump(false, 0)) {
  }
  CloseWindow(&box);
}

void BuildErrorBox(const std::string& message, ToolWindow* box) {
  constexpr int kLinePx = 16;
  constexpr int kMarginPx = 12;
  constexpr int kButtonWidthPx = 75, kButtonHeightPx = 25;
  int lines = 1;
  size_t widest = 0, run = 0;
  for (const char c : message) {
    if (c == '\n') {
      ++lines;
      run = 0;
      continue;
    }
    // Bytes of a UTF-8 sequence after the first add no width of their own.
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) widest = std::max(widest, ++run);
  }
  box->name = "ErrorBox";
  box->caption = kErrorCaption;
  box->placement = Placement::kScreenCenter;
  // Wide characters take two cells of 7 px; the box stays within 600 px.
  box->client_width = std::clamp(static_cast<int>(widest) * 14 + 2 * kMarginPx, 220, 600);
  box->client_height = kMarginPx + lines * kLinePx + kMarginPx + kButtonHeightPx + kMarginPx;
  box->controls.clear();
  Control text;
  text.name = "Label_MESSAGE";
  text.kind = ControlKind::kLabel;
  text.rect = {kMarginPx, kMarginPx, box->client_width - 2 * kMarginPx, lines * kLinePx};
  text.text = message;
  box->controls.push_back(std::move(text));
  Control ok;
  ok.name = "Button_OK";
  ok.kind = ControlKind::kButton;
  ok.text = "OK";
  ok.is_default = true;
  ok.rect = {(box->client_width - kButtonWidthPx) / 2,
             box->client_height - kMarginPx - kButtonHeightPx, kButtonWidthPx, kButtonHeightPx};
  ok.on_click = [box] { box->Close(); };
  box->controls.push_back(std::move(ok));
  box->on_escape = [box] { box->Close(); };
}

void SdlHost::OpenUrl(std::string_view utf8) { SDL_OpenURL(std::string(utf8).c_str()); }

}  // namespace zepa::platform
