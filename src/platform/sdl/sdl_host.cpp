// The SDL host's core: start-up, the game timer with its idle elision, and
// the pump that sleeps until something is due.
#include "platform/sdl/sdl_host.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/log.h"
#include "platform/sdl/sdl_host_impl.h"
#include "platform/sdl/x11_errors.h"
#include "platform/system.h"

namespace zepa::platform {
namespace {

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

}  // namespace

SdlHost::SdlHost(const SdlOptions& options)
    : scale_(std::clamp(options.scale, 1, 16)),
      size_given_(options.scale > 0),
      scaling_given_(options.scaling.has_value()),
      scale_mode_(options.scaling.value_or(ScaleMode::kSharp)) {}

SdlHost::~SdlHost() {
  SDL_DelEventWatch(WatchTaps, this);
  while (!small_.empty()) DestroySmall(small_.back().get());
  if (std::getenv("ZEPA_STATS")) {
    LogInfo("zepa: %llu frames presented, %llu pushed to the screen, %llu idle ticks run late\n",
            static_cast<unsigned long long>(frames_presented_),
            static_cast<unsigned long long>(frames_pushed_),
            static_cast<unsigned long long>(ticks_.owed_ticks_run()));
  }
  presenter_.Close();  // its renderer goes before the window
  if (window_) SDL_DestroyWindow(window_);
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
  SDL_Quit();
}

bool SdlHost::Open() {
  // Without this, SDL backs a window's surface with an accelerated renderer
  // and so loads a graphics driver for a window that needs none; the small
  // windows' software renderers draw on such surfaces too.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  // Scaled pixels stay sharp, like the original's pixel-doubled screen modes.
  SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    LogError("zepa: SDL video: %s\n", SDL_GetError());
    return false;
  }
  const char* driver = SDL_GetCurrentVideoDriver();
  if (driver && std::strcmp(driver, "x11") == 0) TolerateClosedWindowWakeups();
  blocking_wait_ = DriverBlocksInWait(driver);
  // For measuring what the elision saves: every tick then wakes the pump.
  ticks_.SetElide(SDL_getenv("ZEPA_NO_ELISION") == nullptr);
  has_screen_ = DriverHasScreen(driver);

  window_ = SDL_CreateWindow(kErrorCaption, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                             kDisplayWidth * scale_, kDisplayHeight * scale_,
                             SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI);
  if (!window_) {
    LogError("zepa: cannot create the window: %s\n", SDL_GetError());
    return false;
  }
  // Smaller than this, the game's text could no longer be read.
  SDL_SetWindowMinimumSize(window_, kDisplayWidth / 2, kDisplayHeight / 2);
  const WindowSize opening = OpeningSize();
  look_ = WindowLook{opening.width, opening.height, false};
  SDL_SetWindowSize(window_, opening.width, opening.height);
  SDL_SetWindowPosition(window_, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
  SDL_GetWindowPosition(window_, &windowed_left_, &windowed_top_);
  presenter_.SetScaleMode(scale_mode_);
  if (!presenter_.Open(window_)) {
    LogError("zepa: cannot draw on the window: %s\n", SDL_GetError());
    return false;
  }
  SDL_DisplayMode mode;
  if (SDL_GetDesktopDisplayMode(std::max(SDL_GetWindowDisplayIndex(window_), 0), &mode) == 0 &&
      mode.refresh_rate > 0) {
    frame_ms_ = std::max(1000u / static_cast<uint32_t>(mode.refresh_rate), 1u);
  }
  SDL_StopTextInput();
  SDL_AddEventWatch(WatchTaps, this);
  // A full-screen game window must stay up while a small window has the
  // focus above it.
  SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
  return true;
}

uint32_t SdlHost::NowMs() {
  if (const std::optional<uint32_t> clock = ticks_.tick_clock()) return *clock;
  return SDL_GetTicks();
}

Sockets* SdlHost::Net() {
  if (!net_) net_ = CreateSystemSockets();
  return net_.get();
}

Files* SdlHost::FileOps() {
  if (!files_) files_ = CreateSystemFiles();
  return files_.get();
}

void SdlHost::SetTimerEnabled(bool enabled) { ticks_.SetEnabled(enabled, SDL_GetTicks64()); }

void SdlHost::SetTimerIntervalMs(uint32_t interval_ms) {
  ticks_.SetInterval(interval_ms, SDL_GetTicks64());
}

bool SdlHost::RunOwedTicks(uint64_t now_ms) {
  return ticks_.RunOwed(now_ms, handler_, [this] { return !closed_; });
}

bool SdlHost::WaitEvent(int64_t timeout_ms, SDL_Event* event) {
  if (blocking_wait_) {
    if (timeout_ms < 0) return SDL_WaitEvent(event) == 1;
    return SDL_WaitEventTimeout(event, static_cast<int>(std::min<int64_t>(timeout_ms, 1 << 30))) ==
           1;
  }
  const uint32_t nap_ms = timeout_ms < 0
                              ? kPollNapMs
                              : static_cast<uint32_t>(std::min<int64_t>(timeout_ms, kPollNapMs));
  SDL_Delay(nap_ms);
  return SDL_PollEvent(event) == 1;
}

bool SdlHost::Pump(bool has_deadline, uint32_t deadline_ms) {
  if (closed_) return false;
  ticks_.ClearTickClock();
  RunOwedTicks(SDL_GetTicks64());
  RepaintIfDirty();
  // A frame's callbacks may close a window: the caller's loop looks first.
  if (DrawSmallWindows()) return !closed_;
  SDL_Event event;
  bool have_event = SDL_PollEvent(&event) == 1;
  while (!have_event && !closed_) {
    const uint64_t now_ms = SDL_GetTicks64();
    if (ticks_.Due(now_ms)) break;
    const std::optional<uint64_t> window_due_ms = ticks_.NextWindowDueMs();
    if (window_due_ms && *window_due_ms <= now_ms) break;
    int64_t timeout_ms = -1;
    auto sooner = [&](int64_t ahead) {
      timeout_ms = timeout_ms < 0 ? ahead : std::min(timeout_ms, ahead);
    };
    if (const std::optional<uint64_t> wake_ms = ticks_.WakeMs(now_ms, handler_))
      sooner(static_cast<int64_t>(*wake_ms - now_ms));
    if (window_due_ms) sooner(static_cast<int64_t>(*window_due_ms - now_ms));
    if (has_deadline) {
      // Wrap-aware, like the game's own elapsed-time comparisons.
      const int32_t ahead = static_cast<int32_t>(deadline_ms - static_cast<uint32_t>(now_ms));
      if (ahead <= 0) break;
      sooner(ahead);
    }
    if (const uint64_t frame_ms = NextSmallFrameMs())
      sooner(frame_ms > now_ms ? static_cast<int64_t>(frame_ms - now_ms) : 0);
    have_event = WaitEvent(timeout_ms, &event);
    // What the owed ticks drew is repainted as the pump ends.
    if (RunOwedTicks(SDL_GetTicks64())) break;
    if (!have_event && DrawSmallWindows()) return !closed_;
  }
  RunOwedTicks(SDL_GetTicks64());
  // Input first, then the timer: timer messages come last in a message loop.
  while (have_event && !closed_) {
    Dispatch(event);
    if (closed_) break;
    have_event = SDL_PollEvent(&event) == 1;
  }
  if (!closed_) {
    const uint64_t now_ms = SDL_GetTicks64();
    if (ticks_.Due(now_ms)) ticks_.Fire(now_ms, handler_);
  }
  if (!closed_) FireWindowTimers(SDL_GetTicks64());
  if (!closed_) RepaintIfDirty();
  if (!closed_) DrawSmallWindows();
  return !closed_;
}

std::unique_ptr<Host> CreateSdlHost(const SdlOptions& options) {
  auto host = std::make_unique<SdlHost>(options);
  if (!host->Open()) return nullptr;
  return host;
}

}  // namespace zepa::platform
