#include "platform/sdl/sdl_host.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/media.h"
#include "platform/sdl/keymap.h"
#include "platform/posix/posix_files.h"
#include "platform/sdl/posix_sockets.h"
#include "platform/sdl/tool_window_view.h"
#include "platform/sdl/user_events.h"

namespace zepa::platform {
namespace {

constexpr int kDisplayWidth = 640;
constexpr int kDisplayHeight = 480;
constexpr const char* kErrorCaption = "ZEPA Adventure SYSTEM";
// Windows refuses shorter timer periods too; it also keeps a 0 ms timer
// from firing on every pump.
constexpr uint32_t kMinTimerIntervalMs = 10;
// Drivers without a blocking wait (dummy, offscreen) would make SDL poll
// every millisecond; napping in longer steps keeps an idle engine idle.
constexpr uint32_t kPollNapMs = 10;

// Video drivers whose SDL_WaitEventTimeout really sleeps until an event.
bool DriverBlocksInWait(const char* driver) {
  if (!driver) return false;
  for (const char* name : {"x11", "wayland", "windows", "cocoa"}) {
    if (std::strcmp(driver, name) == 0) return true;
  }
  return false;
}

bool DriverHasScreen(const char* driver) {
  return driver && std::strcmp(driver, "dummy") != 0 && std::strcmp(driver, "offscreen") != 0;
}

class SdlHost : public Host, public Overlay {
 public:
  explicit SdlHost(const SdlOptions& options) : scale_(std::clamp(options.scale, 1, 16)) {}
  ~SdlHost() override;
  bool Open();
  void Reveal();

  uint32_t NowMs() override { return SDL_GetTicks(); }
  void SetHandler(InputHandler* handler) override { handler_ = handler; }
  void SetTimerEnabled(bool enabled) override;
  bool TimerEnabled() const override { return timer_enabled_; }
  void SetTimerIntervalMs(uint32_t interval_ms) override;
  bool Pump(bool has_deadline, uint32_t deadline_ms) override;
  bool OutOfScriptedInput() const override { return false; }
  bool IsHeld(HeldKey key) override;
  void DiscardInput() override;
  void Present(const Surface& display) override;
  void Invalidate(const Surface& display) override;
  Overlay* overlay() override { return this; }
  void ShowOverlay(int left, int top, const Surface& image) override;
  void HideOverlay() override;
  ScreenSize GetScreenSize() override;
  bool SetFullScreen(bool full) override;
  bool borderless_full_ = false;
  void SetWindowPosition(int left, int top) override;
  void GetWindowPosition(int* left, int* top) override;
  void SetCaption(std::string_view utf8) override;
  void ShowError(std::string_view utf8) override;
  void OpenWindow(ToolWindow* window) override;
  void CloseWindow(ToolWindow* window) override;
  void OpenUrl(std::string_view utf8) override;
  void Close() override { closed_ = true; }
  bool Closed() const override { return closed_; }
  Sockets* Net() override {
    if (!net_) net_ = CreatePosixSockets();
    return net_.get();
  }
  Files* FileOps() override {
    if (!files_) files_ = CreatePosixFiles();
    return files_.get();
  }

 private:
  // A small window on the screen: its own SDL window and renderer, drawn
  // only when something changed, so an idle dialog costs nothing.
  struct SmallWindow {
    ToolWindow* window = nullptr;
    SDL_Window* sdl = nullptr;
    SDL_Renderer* renderer = nullptr;
    std::unique_ptr<ToolWindowView> view;
    uint32_t id = 0;
    int frames_due = 0;
    uint64_t drawn_revision = ~uint64_t{0};
    uint64_t timer_due_ms = 0;  // the window's own timer, when it has one
  };
  // ImGui settles hover and click states over a couple of frames after
  // each input; three frames cover a press and its release.
  static constexpr int kFramesAfterInput = 3;
  SmallWindow* FindSmall(uint32_t window_id);
  bool SmallWindowsWantFrames() const;
  // Draws the small windows that want it; true when one was drawn.
  bool DrawSmallWindows();
  // Routes an event while small windows are open; false when it belongs to
  // the game window's own handling.
  bool DispatchToSmallWindows(const SDL_Event& event);
  void DestroySmall(SmallWindow* small);
  // The small windows' own timers: the earliest due time (negative: none),
  // and firing those that are due.
  int64_t NextWindowTimer() const;
  void FireWindowTimers(uint64_t now_ms);

  // Waits up to `timeout_ms` (negative: no limit) for an event.
  bool WaitEvent(int64_t timeout_ms, SDL_Event* event);
  void Dispatch(const SDL_Event& event);
  bool Draw(const Surface& display);
  void RepaintIfDirty();
  bool TimerDue(uint64_t now_ms) const { return timer_enabled_ && next_due_ms_ <= now_ms; }
  void FireTimer(uint64_t now_ms);
  bool InsideDisplay(int x, int y) const {
    return x >= 0 && y >= 0 && x < logical_width_ && y < logical_height_;
  }

  int scale_;
  SDL_Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  // The movie panel, drawn over the display on every repaint.
  SDL_Texture* overlay_texture_ = nullptr;
  Surface overlay_image_;
  bool overlay_shown_ = false;
  bool overlay_stale_ = false;
  // The display texture holds the surface as last given; a repaint for the
  // overlay alone (a movie picture) then skips uploading it again.
  bool display_current_ = false;
  int overlay_left_ = 0;
  int overlay_top_ = 0;
  int texture_width_ = 0;
  int texture_height_ = 0;
  int logical_width_ = kDisplayWidth;
  int logical_height_ = kDisplayHeight;
  bool blocking_wait_ = false;
  bool has_screen_ = false;
  uint32_t frame_ms_ = 16;
  uint64_t last_present_ms_ = 0;
  uint64_t frames_presented_ = 0;  // reported at exit when ZEPA_STATS is set

  InputHandler* handler_ = nullptr;
  bool timer_enabled_ = false;
  uint32_t interval_ms_ = 50;
  uint64_t next_due_ms_ = 0;

  const Surface* shown_ = nullptr;  // the game's display lives for the whole run
  bool dirty_ = false;
  bool full_screen_ = false;
  bool revealed_ = false;  // the game window has been shown
  int windowed_left_ = 0;
  int windowed_top_ = 0;
  bool closed_ = false;
  std::unique_ptr<Sockets> net_;
  std::vector<std::unique_ptr<SmallWindow>> small_;  // bottom to top
  std::unique_ptr<Files> files_;
};

SdlHost::~SdlHost() {
  while (!small_.empty()) DestroySmall(small_.back().get());
  if (std::getenv("ZEPA_STATS"))
    std::fprintf(stderr, "zepa: %llu frames presented\n", static_cast<unsigned long long>(frames_presented_));
  if (texture_) SDL_DestroyTexture(texture_);
  if (overlay_texture_) SDL_DestroyTexture(overlay_texture_);
  if (renderer_) SDL_DestroyRenderer(renderer_);
  if (window_) SDL_DestroyWindow(window_);
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
  SDL_Quit();
}

bool SdlHost::Open() {
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "zepa: SDL video: %s\n", SDL_GetError());
    return false;
  }
  const char* driver = SDL_GetCurrentVideoDriver();
  blocking_wait_ = DriverBlocksInWait(driver);
  has_screen_ = DriverHasScreen(driver);

  window_ = SDL_CreateWindow(kErrorCaption, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                             kDisplayWidth * scale_, kDisplayHeight * scale_, SDL_WINDOW_HIDDEN);
  if (!window_) {
    std::fprintf(stderr, "zepa: cannot create the window: %s\n", SDL_GetError());
    return false;
  }
  SDL_GetWindowPosition(window_, &windowed_left_, &windowed_top_);
  // Scaled pixels stay sharp, like the original's pixel-doubled screen modes.
  SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
  renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC);
  if (!renderer_) renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
  if (!renderer_) {
    std::fprintf(stderr, "zepa: cannot create a renderer: %s\n", SDL_GetError());
    return false;
  }
  // The logical size letterboxes full screen and maps mouse coordinates
  // back to display pixels at any scale.
  SDL_RenderSetLogicalSize(renderer_, kDisplayWidth, kDisplayHeight);
  SDL_DisplayMode mode;
  if (SDL_GetDesktopDisplayMode(std::max(SDL_GetWindowDisplayIndex(window_), 0), &mode) == 0 &&
      mode.refresh_rate > 0) {
    frame_ms_ = std::max(1000u / static_cast<uint32_t>(mode.refresh_rate), 1u);
  }
  SDL_StopTextInput();
  // A full-screen game window must stay up while a small window has the
  // focus above it.
  SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
  SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
  SDL_RenderClear(renderer_);
  SDL_RenderPresent(renderer_);
  return true;
}

void SdlHost::SetTimerEnabled(bool enabled) {
  if (enabled == timer_enabled_) return;
  timer_enabled_ = enabled;
  if (enabled) next_due_ms_ = SDL_GetTicks64() + interval_ms_;
}

void SdlHost::SetTimerIntervalMs(uint32_t interval_ms) {
  interval_ms = std::max(interval_ms, kMinTimerIntervalMs);
  if (interval_ms == interval_ms_) return;
  interval_ms_ = interval_ms;
  if (timer_enabled_) next_due_ms_ = SDL_GetTicks64() + interval_ms_;
}

void SdlHost::FireTimer(uint64_t now_ms) {
  // Rescheduled before the handler runs, so nested pumps see the next due
  // time; a timer late by a whole interval fires once, as Windows coalesces.
  next_due_ms_ += interval_ms_;
  if (next_due_ms_ <= now_ms) next_due_ms_ = now_ms + interval_ms_;
  if (handler_) handler_->OnTimer();
}

bool SdlHost::WaitEvent(int64_t timeout_ms, SDL_Event* event) {
  if (blocking_wait_) {
    if (timeout_ms < 0) return SDL_WaitEvent(event) == 1;
    return SDL_WaitEventTimeout(event, static_cast<int>(std::min<int64_t>(timeout_ms, 1 << 30))) == 1;
  }
  const uint32_t nap_ms =
      timeout_ms < 0 ? kPollNapMs : static_cast<uint32_t>(std::min<int64_t>(timeout_ms, kPollNapMs));
  SDL_Delay(nap_ms);
  return SDL_PollEvent(event) == 1;
}

bool SdlHost::Pump(bool has_deadline, uint32_t deadline_ms) {
  if (closed_) return false;
  RepaintIfDirty();
  // A frame's callbacks may close a window: the caller's loop looks first.
  if (DrawSmallWindows()) return !closed_;
  SDL_Event event;
  bool have_event = SDL_PollEvent(&event) == 1;
  while (!have_event) {
    const uint64_t now_ms = SDL_GetTicks64();
    if (TimerDue(now_ms)) break;
    const int64_t window_due_ms = NextWindowTimer();
    if (window_due_ms >= 0 && static_cast<uint64_t>(window_due_ms) <= now_ms) break;
    int64_t timeout_ms = -1;
    if (timer_enabled_) timeout_ms = static_cast<int64_t>(next_due_ms_ - now_ms);
    if (window_due_ms >= 0) {
      const int64_t ahead = window_due_ms - static_cast<int64_t>(now_ms);
      timeout_ms = timeout_ms < 0 ? ahead : std::min(timeout_ms, ahead);
    }
    if (has_deadline) {
      // Wrap-aware, like the game's own elapsed-time comparisons.
      const int32_t ahead = static_cast<int32_t>(deadline_ms - static_cast<uint32_t>(now_ms));
      if (ahead <= 0) break;
      timeout_ms = timeout_ms < 0 ? ahead : std::min<int64_t>(timeout_ms, ahead);
    }
    if (SmallWindowsWantFrames())
      timeout_ms = timeout_ms < 0 ? frame_ms_ : std::min<int64_t>(timeout_ms, frame_ms_);
    have_event = WaitEvent(timeout_ms, &event);
    if (!have_event && DrawSmallWindows()) return !closed_;
  }
  // Input first, then the timer: timer messages come last in a message loop.
  while (have_event && !closed_) {
    Dispatch(event);
    if (closed_) break;
    have_event = SDL_PollEvent(&event) == 1;
  }
  if (!closed_) {
    const uint64_t now_ms = SDL_GetTicks64();
    if (TimerDue(now_ms)) FireTimer(now_ms);
  }
  if (!closed_) FireWindowTimers(SDL_GetTicks64());
  if (!closed_) RepaintIfDirty();
  if (!closed_) DrawSmallWindows();
  return !closed_;
}

void SdlHost::Dispatch(const SDL_Event& event) {
  if (!small_.empty() && DispatchToSmallWindows(event)) return;
  switch (event.type) {
    case SDL_QUIT:
      if (handler_) {
        handler_->OnCloseRequest();
      } else {
        Close();
      }
      return;
    case SDL_WINDOWEVENT:
      if (event.window.event == SDL_WINDOWEVENT_EXPOSED ||
          event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
        dirty_ = shown_ != nullptr;
      }
      // With a modeless window open, closing the game window sends no
      // SDL_QUIT (that comes only with the last window); a modal window
      // keeps the game window from closing, as it disabled it of old.
      if (event.window.event == SDL_WINDOWEVENT_CLOSE && !small_.empty() &&
          event.window.windowID == SDL_GetWindowID(window_) &&
          std::none_of(small_.begin(), small_.end(), [](const auto& s) { return s->window->modal; })) {
        if (handler_) {
          handler_->OnCloseRequest();
        } else {
          Close();
        }
      }
      return;
    default:
      if (DispatchUserEvent(event)) return;
      break;
  }
  if (!handler_) return;
  switch (event.type) {
    case SDL_KEYDOWN: {
      // Auto-repeat comes through as well: Windows repeats key-down messages.
      const int vk_code = VirtualKeyFromSdl(event.key.keysym.sym);
      const uint16_t mod = event.key.keysym.mod;
      if (vk_code != 0) handler_->OnKeyDown(vk_code, (mod & KMOD_SHIFT) != 0, (mod & KMOD_CTRL) != 0);
      break;
    }
    case SDL_MOUSEBUTTONDOWN: {
      MouseButton button;
      if (event.button.button == SDL_BUTTON_LEFT) {
        button = MouseButton::kLeft;
      } else if (event.button.button == SDL_BUTTON_RIGHT) {
        button = MouseButton::kRight;
      } else if (event.button.button == SDL_BUTTON_MIDDLE) {
        button = MouseButton::kMiddle;
      } else {
        break;
      }
      // Clicks on the letterbox borders miss the display.
      if (InsideDisplay(event.button.x, event.button.y))
        handler_->OnMouseDown(button, event.button.x, event.button.y);
      break;
    }
    case SDL_MOUSEMOTION:
      if (InsideDisplay(event.motion.x, event.motion.y))
        handler_->OnMouseMove(event.motion.x, event.motion.y);
      break;
    case SDL_MOUSEWHEEL: {
      int steps = event.wheel.y;
      if (event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) steps = -steps;
      if (steps != 0) handler_->OnMouseWheel(steps);
      break;
    }
    default:
      break;
  }
}

bool SdlHost::IsHeld(HeldKey key) {
  // Refreshes SDL's key state; the events themselves stay queued for Pump.
  SDL_PumpEvents();
  const Uint8* keys = SDL_GetKeyboardState(nullptr);
  switch (key) {
    case HeldKey::kShift:
      return keys[SDL_SCANCODE_LSHIFT] || keys[SDL_SCANCODE_RSHIFT];
    case HeldKey::kSpace:
      return keys[SDL_SCANCODE_SPACE];
    case HeldKey::kReturn:
      return keys[SDL_SCANCODE_RETURN] || keys[SDL_SCANCODE_KP_ENTER];
    case HeldKey::kMiddleButton:
      return (SDL_GetMouseState(nullptr, nullptr) & SDL_BUTTON_MMASK) != 0;
  }
  return false;
}

void SdlHost::DiscardInput() {
  SDL_PumpEvents();
  SDL_FlushEvents(SDL_KEYDOWN, SDL_TEXTINPUT);
  SDL_FlushEvents(SDL_MOUSEMOTION, SDL_MOUSEWHEEL);
}

bool SdlHost::Draw(const Surface& display) {
  if (display.Empty() ||
      display.pixels.size() < static_cast<size_t>(display.width) * display.height * 3) {
    return false;
  }
  if (!texture_ || texture_width_ != display.width || texture_height_ != display.height) {
    if (texture_) SDL_DestroyTexture(texture_);
    texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_BGR24, SDL_TEXTUREACCESS_STREAMING,
                                 display.width, display.height);
    if (!texture_) return false;
    texture_width_ = display.width;
    texture_height_ = display.height;
    logical_width_ = display.width;
    logical_height_ = display.height;
    SDL_RenderSetLogicalSize(renderer_, display.width, display.height);
    display_current_ = false;
  }
  if (!display_current_) SDL_UpdateTexture(texture_, nullptr, display.pixels.data(), display.Stride());
  display_current_ = true;
  SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
  SDL_RenderClear(renderer_);
  SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
  if (overlay_shown_ && !overlay_image_.Empty()) {
    if (overlay_stale_ || !overlay_texture_) {
      int w = 0, h = 0;
      if (overlay_texture_) SDL_QueryTexture(overlay_texture_, nullptr, nullptr, &w, &h);
      if (!overlay_texture_ || w != overlay_image_.width || h != overlay_image_.height) {
        if (overlay_texture_) SDL_DestroyTexture(overlay_texture_);
        overlay_texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_BGR24, SDL_TEXTUREACCESS_STREAMING,
                                             overlay_image_.width, overlay_image_.height);
      }
      if (overlay_texture_)
        SDL_UpdateTexture(overlay_texture_, nullptr, overlay_image_.pixels.data(), overlay_image_.Stride());
      overlay_stale_ = false;
    }
    if (overlay_texture_) {
      const SDL_Rect dst{overlay_left_, overlay_top_, overlay_image_.width, overlay_image_.height};
      SDL_RenderCopy(renderer_, overlay_texture_, nullptr, &dst);
    }
  }
  return true;
}

void SdlHost::ShowOverlay(int left, int top, const Surface& image) {
  overlay_image_ = image;
  overlay_left_ = left;
  overlay_top_ = top;
  overlay_shown_ = true;
  overlay_stale_ = true;
  dirty_ = shown_ != nullptr;
}

void SdlHost::HideOverlay() {
  if (!overlay_shown_) return;
  overlay_shown_ = false;
  overlay_image_ = Surface();
  dirty_ = shown_ != nullptr;
}

void SdlHost::Reveal() {
  // The game window appears once the game first places, names or draws it,
  // so that the title window shown before it stands alone.
  if (revealed_ || !window_) return;
  revealed_ = true;
  SDL_ShowWindow(window_);
}

void SdlHost::Present(const Surface& display) {
  Reveal();
  shown_ = &display;
  dirty_ = false;
  display_current_ = false;
  if (Draw(display)) SDL_RenderPresent(renderer_);
  ++frames_presented_;
  // Without a working vsync RenderPresent returns at once; pacing by the
  // refresh period keeps busy effects from spinning.
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
  display_current_ = false;
}

void SdlHost::RepaintIfDirty() {
  if (!dirty_ || !shown_) return;
  dirty_ = false;
  if (Draw(*shown_)) SDL_RenderPresent(renderer_);
}

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
    SDL_GetWindowSize(window_, &w, &h);
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

uint32_t EventWindowId(const SDL_Event& event) {
  switch (event.type) {
    case SDL_WINDOWEVENT:
      return event.window.windowID;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      return event.key.windowID;
    case SDL_TEXTINPUT:
      return event.text.windowID;
    case SDL_TEXTEDITING:
      return event.edit.windowID;
    case SDL_MOUSEMOTION:
      return event.motion.windowID;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      return event.button.windowID;
    case SDL_MOUSEWHEEL:
      return event.wheel.windowID;
    default:
      return 0;
  }
}

SDL_HitTestResult CaptionHitTest(SDL_Window*, const SDL_Point* point, void* data) {
  const auto* window = static_cast<const ToolWindow*>(data);
  return ToolWindowView::InCaptionBar(*window, point->x, point->y) ? SDL_HITTEST_DRAGGABLE
                                                                   : SDL_HITTEST_NORMAL;
}

void SdlHost::OpenWindow(ToolWindow* window) {
  if (!window) return;
  for (const auto& s : small_)
    if (s->window == window) return;
  const int w = window->OuterWidth(), h = window->OuterHeight();
  SDL_Rect bounds{0, 0, kDisplayWidth, kDisplayHeight};
  SDL_GetDisplayBounds(std::max(SDL_GetWindowDisplayIndex(window_), 0), &bounds);
  switch (window->placement) {
    case Placement::kScreenCenter:
      window->left = bounds.x + (bounds.w - w) / 2;
      window->top = bounds.y + (bounds.h - h) / 2;
      break;
    case Placement::kAtPointer:
      SDL_GetGlobalMouseState(&window->left, &window->top);
      break;
    case Placement::kBesideGame: {
      int x = 0, y = 0, gw = 0;
      SDL_GetWindowPosition(window_, &x, &y);
      SDL_GetWindowSize(window_, &gw, nullptr);
      window->left = x + gw;
      window->top = y;
      break;
    }
    case Placement::kAt:
      break;
  }
  auto small = std::make_unique<SmallWindow>();
  small->window = window;
  // Borderless with a frame of its own: it looks alike with any window
  // manager or none, and "always on top" keeps it above a full-screen game.
  small->sdl =
      SDL_CreateWindow(window->caption.c_str(), window->left, window->top, w, h,
                       SDL_WINDOW_HIDDEN | SDL_WINDOW_BORDERLESS | SDL_WINDOW_ALWAYS_ON_TOP);
  if (small->sdl) small->renderer = SDL_CreateRenderer(small->sdl, -1, SDL_RENDERER_SOFTWARE);
  if (small->renderer)
    small->view = std::make_unique<ToolWindowView>(small->sdl, small->renderer, *window);
  if (!small->view || !small->view->ok()) {
    std::fprintf(stderr, "zepa: cannot show the window %s: %s\n", window->name.c_str(),
                 small->view ? small->view->error().c_str() : SDL_GetError());
    if (small->renderer) SDL_DestroyRenderer(small->renderer);
    if (small->sdl) SDL_DestroyWindow(small->sdl);
    // A window nobody can see or close must not hold the game: it closes
    // as its close button would.
    window->RequestClose();
    return;
  }
  small->id = SDL_GetWindowID(small->sdl);
  SDL_SetWindowHitTest(small->sdl, CaptionHitTest, window);
  small->frames_due = kFramesAfterInput;
  small->timer_due_ms = SDL_GetTicks64() + window->timer_interval_ms;
  SDL_ShowWindow(small->sdl);
  if (window->modal) {
    SDL_RaiseWindow(small->sdl);
  } else {
    // A modeless window opens without taking the keyboard: the game goes
    // on receiving the player's keys until the player clicks into it.
    SDL_SetWindowInputFocus(window_);
  }
  if (small_.empty()) SDL_StartTextInput();
  small_.push_back(std::move(small));
}

int64_t SdlHost::NextWindowTimer() const {
  int64_t first = -1;
  for (const auto& s : small_) {
    if (s->window->timer_interval_ms == 0) continue;
    const auto due = static_cast<int64_t>(s->timer_due_ms);
    if (first < 0 || due < first) first = due;
  }
  return first;
}

void SdlHost::FireWindowTimers(uint64_t now_ms) {
  // A handler may open or close windows: walk a copy and skip the gone.
  std::vector<SmallWindow*> order;
  for (const auto& s : small_) order.push_back(s.get());
  for (SmallWindow* s : order) {
    if (std::none_of(small_.begin(), small_.end(), [&](const auto& p) { return p.get() == s; }))
      continue;
    const uint32_t interval_ms = s->window->timer_interval_ms;
    if (interval_ms == 0 || s->timer_due_ms > now_ms) continue;
    s->timer_due_ms += interval_ms;
    if (s->timer_due_ms <= now_ms) s->timer_due_ms = now_ms + interval_ms;
    if (s->window->on_timer) {
      const auto handler = s->window->on_timer;
      handler();
    }
    if (closed_) return;
  }
}

void SdlHost::DestroySmall(SmallWindow* small) {
  small->view.reset();
  SDL_DestroyRenderer(small->renderer);
  SDL_DestroyWindow(small->sdl);
  std::erase_if(small_, [&](const std::unique_ptr<SmallWindow>& s) { return s.get() == small; });
}

void SdlHost::CloseWindow(ToolWindow* window) {
  for (const auto& s : small_) {
    if (s->window != window) continue;
    DestroySmall(s.get());
    // Without a window manager the keyboard focus would fall to nobody
    // when the focused window goes: hand it back explicitly, to the modal
    // window below or else the game window, never to a modeless one (the
    // debug monitor), which must not take the game's keys.
    SDL_Window* next = window_;
    for (const auto& other : small_)
      if (other->window->modal) next = other->sdl;
    if (small_.empty()) SDL_StopTextInput();
    SDL_RaiseWindow(next);
    SDL_SetWindowInputFocus(next);
    dirty_ = shown_ != nullptr;
    return;
  }
}

void SdlHost::OpenUrl(std::string_view utf8) { SDL_OpenURL(std::string(utf8).c_str()); }

SdlHost::SmallWindow* SdlHost::FindSmall(uint32_t window_id) {
  for (const auto& s : small_)
    if (s->id == window_id) return s.get();
  return nullptr;
}

bool SdlHost::SmallWindowsWantFrames() const {
  for (const auto& s : small_)
    if (s->frames_due > 0 || s->window->revision() != s->drawn_revision) return true;
  return false;
}

bool SdlHost::DrawSmallWindows() {
  bool drawn = false;
  // A callback run by a frame may open a nested window (and run its loop)
  // before this returns, so walk a copy and skip what has gone meanwhile.
  std::vector<SmallWindow*> order;
  for (const auto& s : small_) order.push_back(s.get());
  for (SmallWindow* s : order) {
    if (std::none_of(small_.begin(), small_.end(), [&](const auto& p) { return p.get() == s; }))
      continue;
    if (s->frames_due <= 0 && s->window->revision() == s->drawn_revision) continue;
    if (s->window->revision() != s->drawn_revision) s->frames_due = std::max(s->frames_due, 2);
    --s->frames_due;
    s->drawn_revision = s->window->revision();
    s->view->Frame(*s->window);
    drawn = true;
  }
  return drawn;
}

bool SdlHost::DispatchToSmallWindows(const SDL_Event& event) {
  SmallWindow* top_modal = nullptr;
  for (const auto& s : small_)
    if (s->window->modal) top_modal = s.get();
  SmallWindow* target = FindSmall(EventWindowId(event));
  // Keys belong to the top modal window wherever the focus is, as a modal
  // dialog holds the keyboard on the old desktop; without one, a modeless
  // window takes the keys typed into it and the game the rest.
  auto key_receiver = [&]() -> SmallWindow* { return top_modal ? top_modal : target; };
  switch (event.type) {
    case SDL_WINDOWEVENT:
      if (!target) return false;  // the game window's own exposes and closes
      if (event.window.event == SDL_WINDOWEVENT_CLOSE) {
        if (!top_modal || target == top_modal) target->window->RequestClose();
      } else {
        if (event.window.event == SDL_WINDOWEVENT_MOVED) {
          target->window->left = event.window.data1;
          target->window->top = event.window.data2;
        }
        target->view->ProcessEvent(event);
        target->frames_due = kFramesAfterInput;
      }
      return true;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
    case SDL_TEXTINPUT:
    case SDL_TEXTEDITING: {
      SmallWindow* receiver = key_receiver();
      if (!receiver) return false;
      if (event.type == SDL_KEYDOWN) {
        const SDL_Keycode sym = event.key.keysym.sym;
        if (sym == SDLK_RETURN || sym == SDLK_KP_ENTER) {
          receiver->window->PressDefault();
          receiver->frames_due = kFramesAfterInput;
          return true;
        }
        if (sym == SDLK_ESCAPE) {
          receiver->window->Escape();
          receiver->frames_due = kFramesAfterInput;
          return true;
        }
      }
      receiver->view->ProcessEvent(event);
      receiver->frames_due = kFramesAfterInput;
      return true;
    }
    case SDL_MOUSEMOTION:
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
    case SDL_MOUSEWHEEL:
      // Under a modal window, the windows below it and the game window take
      // no clicks.
      if (target && (!top_modal || target == top_modal)) {
        target->view->ProcessEvent(event);
        target->frames_due = kFramesAfterInput;
        return true;
      }
      return top_modal != nullptr || target != nullptr;
    default:
      return false;
  }
}

}  // namespace

std::unique_ptr<Host> CreateSdlHost(const SdlOptions& options) {
  auto host = std::make_unique<SdlHost>(options);
  if (!host->Open()) return nullptr;
  return host;
}

}  // namespace zepa::platform
