#pragma once
// A host without a window: a virtual clock that jumps over idle time,
// scripted input, and pictures written on request.
//
// The clock starts at 0. When the game would sleep, it jumps straight to the
// next timer due time, scripted event or deadline; each Present advances it
// by `quantum_ms`. Scripted input enters the queue when the clock reaches
// its time (also inside Present) and waits there for the next Pump.
//
// Order inside one Pump: scripted events that are due arrive first (input is
// queued, holds start, shots and dumps act at once); then all queued input is
// dispatched in order; then the timer fires once if it is due, and then the
// timers of small windows that are due. Control
// actions (press, type) go to the top small window; while a modal one is
// open, keys go to it too and clicks on the display are dropped. A `file`
// answer waits for a file dialog. Input before
// the timer is what the old message loop did too: timer messages are handed
// out only when no other message waits.
//
// Given a window size, the host has a window around the game as the real one
// does: scripted clicks and moves are then points of that window (of the
// screen while full screen), mapped to the game's pixels, and those on the
// bars are dropped.
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/headless/event_script.h"
#include "platform/host.h"
#include "platform/media.h"
#include "platform/tap_latch.h"
#include "platform/tick_scheduler.h"
#include "platform/window_scaler.h"

namespace zepa::platform {

struct HeadlessOptions {
  uint32_t quantum_ms = 1;  // virtual time per presented frame
  int screen_width = 1920;
  int screen_height = 1080;
  std::optional<uint32_t> until_ms;  // the host closes when the clock gets here
  /// Sleep through timer ticks that the handler says change nothing and
  /// run them on waking, as the window does (see InputHandler::TimerQuietMs).
  /// Off, every tick runs in its own pump; the game must not tell the two
  /// apart.
  bool elide_quiet_ticks = true;
  /// The window around the game; 0 x 0 for none (points are the game's).
  int window_width = 0;
  int window_height = 0;
  /// How the game is scaled to the window; nullopt leaves it to the
  /// player's settings.
  std::optional<ScaleMode> scaling;
};

/// Something on the virtual clock besides input and the timer (the silent
/// media players' ends of play). The pump sleeps no later than its next time
/// and lets it deliver what is due, between input and the timer.
class HeadlessWaker {
 public:
  virtual ~HeadlessWaker() = default;
  virtual std::optional<uint64_t> NextWakeMs() = 0;
  virtual void Wake(uint64_t now_ms) = 0;
};

class HeadlessHost : public Host, public Overlay {
 public:
  explicit HeadlessHost(const HeadlessOptions& options);

  /// Adds the events of a script (see event_script.h) after those already
  /// loaded. Fails when the script is malformed; nothing is added then.
  Status LoadEvents(std::string_view text);
  /// Adds one event; it keeps time order with the pending events. An event
  /// whose time has already passed arrives at the next chance.
  void AddEvent(ScriptedEvent event);

  uint32_t now() const { return static_cast<uint32_t>(now_ms_); }
  uint64_t now64() const { return now_ms_; }
  void SetWaker(HeadlessWaker* waker) { waker_ = waker; }
  /// The display with the overlay drawn over it, as a shot records it.
  Surface Composed() const;
  bool error_shown() const { return !errors_.empty(); }
  /// Messages of scripted shots and dumps that could not be written.
  const std::vector<std::string>& output_failures() const { return output_failures_; }
  /// Records (and prints) an output of the run that could not be written.
  void ReportOutputFailure(const std::string& message);
  const std::vector<std::string>& errors() const { return errors_; }
  bool full_screen() const { return full_screen_; }
  const std::string& caption() const { return caption_; }
  int frames_presented() const { return frames_presented_; }
  /// How often a pump slept and the clock jumped to what woke it.
  int pump_wakes() const { return pump_wakes_; }
  /// The surface last given to Present or Invalidate, or null.
  const Surface* shown() const { return shown_; }

  uint32_t NowMs() override { return ticks_.tick_clock() ? *ticks_.tick_clock() : now(); }
  void SetHandler(InputHandler* handler) override { handler_ = handler; }
  void SetTimerEnabled(bool enabled) override;
  bool TimerEnabled() const override { return ticks_.enabled(); }
  void SetTimerIntervalMs(uint32_t interval_ms) override;
  bool Pump(bool has_deadline, uint32_t deadline_ms) override;
  bool OutOfScriptedInput() const override;
  bool IsHeld(HeldKey key) override;
  void DiscardInput() override;
  void Present(const Surface& display) override;
  bool FrameWanted() override;
  void Invalidate(const Surface& display) override { shown_ = &display; }
  Overlay* overlay() override { return this; }
  void ShowOverlay(int left, int top, const Surface& image) override;
  void HideOverlay() override { overlay_shown_ = false; }
  void ShowBadge(int left, int top, const Surface& image) override {
    badge_ = image;
    badge_left_ = left;
    badge_top_ = top;
  }
  /// The player's mark as last shown (empty when none); shots leave it out.
  const Surface& badge() const { return badge_; }
  ScreenSize GetScreenSize() override { return screen_; }
  std::optional<WindowView> DescribeWindow() const override;
  void SetScaleMode(ScaleMode mode) override;
  /// What the window shows at its size (the screen's while full screen; 640
  /// x 480 without a window): the display scaled, with the bars.
  Surface WindowShot() const;
  bool SetFullScreen(bool full) override;
  void SetWindowPosition(int left, int top) override;
  void GetWindowPosition(int* left, int* top) override;
  void SetCaption(std::string_view utf8) override { caption_ = std::string(utf8); }
  void ShowError(std::string_view utf8) override;
  void OpenWindow(ToolWindow* window) override;
  void CloseWindow(ToolWindow* window) override;
  void OpenUrl(std::string_view utf8) override { urls_opened_.emplace_back(utf8); }
  void Close() override { closed_ = true; }
  bool Closed() const override { return closed_; }
  // Fetches are real even here: a headless run can play a served scenario.
  Sockets* Net() override;
  // Save files are real files too, so a headless run can save and load.
  Files* FileOps() override;

  /// The small windows on the screen, bottom to top.
  const std::vector<ToolWindow*>& windows() const { return windows_; }
  /// Every address given to OpenUrl, in order.
  const std::vector<std::string>& urls_opened() const { return urls_opened_; }

 private:
  struct Hold {
    int vk_code;
    uint64_t from_ms;
    uint64_t until_ms;
  };

  // Moves the clock forward to `target_ms`, delivering the scripted events on
  // the way; stops and closes at `until_ms`. False once closed.
  bool MoveClock(uint64_t target_ms);
  void Arrive(const ScriptedEvent& event);
  void Dispatch(const ScriptedEvent& event);
  bool TimerDue() const { return ticks_.Due(now_ms_); }
  // Runs the owed ticks due before now, each with the clock it would have had.
  void RunOwedTicks();
  void FireWindowTimers();
  void WriteShot(const std::string& path);
  void WriteWindowShot(const ScriptedEvent& event);
  // Scripted input that small windows take (see the order above).
  void DispatchToWindow(const ScriptedEvent& event);
  // Hands a pending `file` answer to a file dialog on top; true if it did.
  bool AnswerFileDialog();

  // The window's (or the full screen's) size.
  ScreenSize WindowSize() const;

  HeadlessOptions options_;
  ScreenSize screen_;
  ScaleMode scale_mode_ = ScaleMode::kSharp;
  bool keep_given_mode_ = false;  // the command line's mode outlives the first one set
  InputHandler* handler_ = nullptr;
  uint64_t now_ms_ = 0;

  TickScheduler ticks_{1};

  std::vector<ScriptedEvent> events_;  // in time order
  size_t next_event_ = 0;
  std::deque<ScriptedEvent> queue_;
  std::vector<Hold> holds_;
  TapLatch taps_;

  // The game's display surface lives for the whole run; shots read it.
  const Surface* shown_ = nullptr;
  HeadlessWaker* waker_ = nullptr;
  Surface overlay_image_;
  bool overlay_shown_ = false;
  Surface badge_;
  int badge_left_ = 0;
  int badge_top_ = 0;
  int overlay_left_ = 0;
  int overlay_top_ = 0;
  int frames_presented_ = 0;
  int pump_wakes_ = 0;
  bool full_screen_ = false;
  int left_ = 0;
  int top_ = 0;
  std::string caption_;
  std::vector<std::string> errors_;
  std::vector<std::string> output_failures_;
  bool closed_ = false;
  std::unique_ptr<Sockets> net_;
  std::vector<ToolWindow*> windows_;
  std::vector<std::string> urls_opened_;
  // The answer for the file dialog open now or opened next: a path, or
  // nullopt for a cancel.
  std::optional<std::optional<std::string>> file_answer_;
  int file_answer_line_ = 0;
  int pointer_x_ = 0;
  int pointer_y_ = 0;
  std::unique_ptr<Files> files_;
};

std::unique_ptr<HeadlessHost> CreateHeadlessHost(const HeadlessOptions& options);

}  // namespace zepa::platform
