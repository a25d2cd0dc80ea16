#pragma once
// The SDL host's parts, shared by the files that implement it: the core
// (start-up, the timer, the pump) in sdl_host.cpp, input in sdl_input.cpp,
// the window and full screen in sdl_window.cpp, the game window's frames in
// sdl_frames.cpp and the small windows in sdl_small_windows.cpp.
#include <SDL.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/host.h"
#include "platform/media.h"
#include "platform/sdl/presenter.h"
#include "platform/sdl/sdl_host.h"
#include "platform/tap_latch.h"
#include "platform/tick_scheduler.h"
#include "platform/toolkit/tool_window_view.h"
#include "platform/window_place.h"

namespace zepa::platform {

inline constexpr int kDisplayWidth = 640;
inline constexpr int kDisplayHeight = 480;
inline constexpr const char* kErrorCaption = "ZEPA Adventure SYSTEM";

class SdlHost : public Host, public Overlay {
 public:
  explicit SdlHost(const SdlOptions& options);
  ~SdlHost() override;
  bool Open();
  void Reveal();

  uint32_t NowMs() override;
  void SetHandler(InputHandler* handler) override { handler_ = handler; }
  void SetTimerEnabled(bool enabled) override;
  bool TimerEnabled() const override { return ticks_.enabled(); }
  void SetTimerIntervalMs(uint32_t interval_ms) override;
  bool Pump(bool has_deadline, uint32_t deadline_ms) override;
  bool OutOfScriptedInput() const override { return false; }
  bool IsHeld(HeldKey key) override;
  void DiscardInput() override;
  void Present(const Surface& display) override;
  void PresentWholeFrame(const Surface& display) override;
  void Invalidate(const Surface& display) override;
  Overlay* overlay() override { return this; }
  void ShowOverlay(int left, int top, const Surface& image) override;
  void HideOverlay() override;
  void ShowBadge(int left, int top, const Surface& image) override;
  int WindowScale() const override;
  std::optional<WindowView> DescribeWindow() const override;
  void SetScaleMode(ScaleMode mode) override;
  void RestoreWindowLook(const WindowLook& look) override;
  std::optional<WindowLook> CurrentWindowLook() const override;
  uint32_t FramePeriodMs() const override { return frame_ms_; }
  ScreenSize GetScreenSize() override;
  bool SetFullScreen(bool full) override;
  void SetWindowPosition(int left, int top) override;
  void GetWindowPosition(int* left, int* top) override;
  void SetCaption(std::string_view utf8) override;
  void ShowError(std::string_view utf8) override;
  void OpenWindow(ToolWindow* window) override;
  void CloseWindow(ToolWindow* window) override;
  void OpenUrl(std::string_view utf8) override;
  void Close() override { closed_ = true; }
  bool Closed() const override { return closed_; }
  Sockets* Net() override;
  Files* FileOps() override;

 private:
  // A small window on the screen: its own SDL window and renderer, drawn
  // only when something changed, so an idle dialog costs nothing.
  struct SmallWindow {
    ToolWindow* window = nullptr;
    SDL_Window* sdl = nullptr;
    SDL_Renderer* renderer = nullptr;
    std::unique_ptr<ToolWindowView> view;
    uint32_t id = 0;
    int scale = 1;  // shown enlarged by whole pixels, as the game is
    int frames_due = 0;
    uint64_t drawn_revision = ~uint64_t{0};
  };
  // ImGui settles hover and click states over a couple of frames after
  // each input; three frames cover a press and its release.
  static constexpr int kFramesAfterInput = 3;
  SmallWindow* FindSmall(uint32_t window_id);
  static SDL_HitTestResult CaptionHitTest(SDL_Window*, const SDL_Point* point, void* data);
  // The whole-pixel scale the small windows open at: the game's.
  int SmallWindowScale() const;
  bool SmallWindowsWantFrames() const;
  // Draws the small windows that want it, at most once per display
  // refresh; true when one was drawn.
  bool DrawSmallWindows();
  // When the small windows may draw again (0 when they want no frame).
  uint64_t NextSmallFrameMs() const;
  // Routes an event while small windows are open; false when it belongs to
  // the game window's own handling.
  bool DispatchToSmallWindows(const SDL_Event& event);
  void DestroySmall(SmallWindow* small);
  // Fires the small windows' own timers that are due.
  void FireWindowTimers(uint64_t now_ms);

  // Waits up to `timeout_ms` (negative: no limit) for an event.
  bool WaitEvent(int64_t timeout_ms, SDL_Event* event);
  void Dispatch(const SDL_Event& event);
  void DispatchWindowEvent(const SDL_Event& event);
  void RepaintIfDirty();
  // Moves the window so that its client area's top-left is at (x, y).
  void PlaceClientArea(int x, int y);
  // Present's pacing and the close request it answers.
  void FinishFrame();
  // Runs the owed ticks that fell due before `now_ms`, each with the clock
  // it would have had. True when one ran.
  bool RunOwedTicks(uint64_t now_ms);
  // Keeps the windowed size, place and maximised state as the player left
  // them (nothing while full screen).
  void NoteWindowLook();
  // The window's size for a first start: the factor asked or the desktop's,
  // as far as the usable screen allows.
  WindowSize OpeningSize();
  // The usable part of the screen the window is on.
  DesktopRect UsableBounds() const;

  int scale_;           // the factor the window opened at
  bool size_given_;     // --scale: the size is not the player's to keep
  bool scaling_given_;  // --scaling: the first mode the settings give is not used
  ScaleMode scale_mode_;
  WindowLook look_;  // windowed size and maximised state
  SDL_Window* window_ = nullptr;
  Presenter presenter_;
  bool blocking_wait_ = false;
  bool has_screen_ = false;
  uint32_t frame_ms_ = 16;
  uint64_t last_present_ms_ = 0;
  uint64_t last_small_frame_ms_ = 0;
  uint64_t frames_presented_ = 0;  // reported at exit when ZEPA_STATS is set
  uint64_t frames_pushed_ = 0;

  InputHandler* handler_ = nullptr;
  // Windows refuses shorter timer periods too; it also keeps a 0 ms timer
  // from firing on every pump.
  TickScheduler ticks_{10};
  // Taps of the hurry keys, seen as SDL queues them (an event watch), so
  // that one shorter than a look at the key state still counts.
  TapLatch taps_;
  static int WatchTaps(void* host, SDL_Event* event);

  const Surface* shown_ = nullptr;  // the game's display lives for the whole run
  bool dirty_ = false;
  bool full_screen_ = false;
  bool borderless_full_ = false;
  bool revealed_ = false;  // the game window has been shown
  int windowed_left_ = 0;
  int windowed_top_ = 0;
  bool closed_ = false;
  std::unique_ptr<Sockets> net_;
  std::vector<std::unique_ptr<SmallWindow>> small_;  // bottom to top
  std::unique_ptr<Files> files_;
};

/// The standard error box: the message and an OK button, modal.
void BuildErrorBox(const std::string& message, ToolWindow* box);

/// The window an event is aimed at (0 when it names none).
uint32_t EventWindowId(const SDL_Event& event);

}  // namespace zepa::platform
