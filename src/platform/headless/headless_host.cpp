#include "platform/headless/headless_host.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "platform/headless/image_writer.h"
#include "platform/headless/stop_signals.h"
#include "platform/log.h"
#include "platform/system.h"
#include "platform/toolkit/tool_window_view.h"

namespace zepa::platform {
namespace {

int HeldKeyVk(HeldKey key) {
  switch (key) {
    case HeldKey::kShift:
      return vk::kShift;
    case HeldKey::kSpace:
      return vk::kSpace;
    case HeldKey::kReturn:
      return vk::kReturn;
    case HeldKey::kMiddleButton:
      return kVkMiddleButton;
    case HeldKey::kControl:
      return vk::kControl;
  }
  return 0;
}

// The hurry key that a tapped key or button is, if any.
std::optional<HeldKey> TappedHurryKey(const ScriptedEvent& e) {
  if (e.action == EventAction::kMiddleClick) return HeldKey::kMiddleButton;
  if (e.action != EventAction::kKey) return std::nullopt;
  switch (e.vk_code) {
    case vk::kShift:
      return HeldKey::kShift;
    case vk::kSpace:
      return HeldKey::kSpace;
    case vk::kReturn:
      return HeldKey::kReturn;
    default:
      return std::nullopt;
  }
}

}  // namespace

HeadlessHost::HeadlessHost(const HeadlessOptions& options)
    : options_(options),
      screen_{options.screen_width, options.screen_height},
      scale_mode_(options.scaling.value_or(ScaleMode::kSharp)),
      keep_given_mode_(options.scaling.has_value()) {
  // A zero quantum would let a busy effect run forever on a frozen clock.
  options_.quantum_ms = std::max<uint32_t>(options_.quantum_ms, 1);
}

Status HeadlessHost::LoadEvents(std::string_view text) {
  std::vector<ScriptedEvent> parsed;
  // With a window, points are the window's, or the screen's while full
  // screen.
  PointArea area;
  if (options_.window_width > 0 && options_.window_height > 0)
    area = {std::max(options_.window_width, screen_.width),
            std::max(options_.window_height, screen_.height), true};
  if (Status status = ParseEventScript(text, &parsed, area); !status.ok()) return status;
  for (ScriptedEvent& e : parsed) AddEvent(std::move(e));
  return {};
}

void HeadlessHost::AddEvent(ScriptedEvent event) {
  auto pending = events_.begin() + static_cast<std::ptrdiff_t>(next_event_);
  auto at = std::upper_bound(pending, events_.end(), event.at_ms,
                             [](uint32_t t, const ScriptedEvent& e) { return t < e.at_ms; });
  events_.insert(at, std::move(event));
}

void HeadlessHost::SetTimerEnabled(bool enabled) { ticks_.SetEnabled(enabled, now_ms_); }

void HeadlessHost::SetTimerIntervalMs(uint32_t interval_ms) {
  ticks_.SetInterval(interval_ms, now_ms_);
}

bool HeadlessHost::MoveClock(uint64_t target_ms) {
  if (closed_) return false;
  if (CaughtStopSignal() != 0) {
    Close();
    return false;
  }
  bool stop = false;
  if (options_.until_ms && target_ms > *options_.until_ms) {
    target_ms = std::max<uint64_t>(*options_.until_ms, now_ms_);
    stop = true;
  }
  while (next_event_ < events_.size() && events_[next_event_].at_ms <= target_ms) {
    // A copy: a dump handler may add events and move the vector.
    const ScriptedEvent event = events_[next_event_++];
    now_ms_ = std::max<uint64_t>(now_ms_, event.at_ms);
    Arrive(event);
    if (closed_) return false;
  }
  now_ms_ = std::max(now_ms_, target_ms);
  if (stop) Close();
  return !closed_;
}

void HeadlessHost::Arrive(const ScriptedEvent& event) {
  switch (event.action) {
    case EventAction::kHold:
      holds_.push_back({event.vk_code, event.at_ms, uint64_t{event.at_ms} + event.hold_ms});
      break;
    case EventAction::kShot:
      if (event.window.empty()) {
        WriteShot(event.path);
      } else {
        WriteWindowShot(event);
      }
      break;
    case EventAction::kFile:
      file_answer_ = std::optional<std::string>(event.path);
      file_answer_line_ = event.line;
      break;
    case EventAction::kFileCancel:
      file_answer_ = std::optional<std::string>();
      file_answer_line_ = event.line;
      break;
    case EventAction::kDump: {
      const Status dumped = handler_ ? handler_->OnDumpRequest(event.path)
                                     : Status::Failed(event.path + ": no game to dump");
      if (!dumped.ok()) ReportOutputFailure("cannot write the dump " + dumped.message());
      break;
    }
    default:
      if (const std::optional<HeldKey> tapped = TappedHurryKey(event))
        taps_.Press(*tapped, now_ms_);
      queue_.push_back(event);  // input and the close request wait for Pump
      break;
  }
}

void HeadlessHost::Dispatch(const ScriptedEvent& e) {
  if (e.action == EventAction::kQuit) {
    if (handler_) {
      handler_->OnCloseRequest();
    } else {
      Close();
    }
    return;
  }
  const bool modal_open =
      std::any_of(windows_.begin(), windows_.end(), [](const ToolWindow* w) { return w->modal; });
  const bool for_window = e.action == EventAction::kPress || e.action == EventAction::kType ||
                          e.action == EventAction::kHover;
  if ((for_window && !windows_.empty()) || modal_open) {
    DispatchToWindow(e);
    return;
  }
  if (for_window) {
    LogError("zepa: line %d: %s %s: no window is open\n", e.line,
             e.action == EventAction::kPress   ? "press"
             : e.action == EventAction::kHover ? "hover"
                                               : "type",
             e.target.c_str());
    return;
  }
  int x = e.x, y = e.y;
  if (e.action == EventAction::kClick || e.action == EventAction::kRightClick ||
      e.action == EventAction::kMiddleClick || e.action == EventAction::kMove) {
    if (const std::optional<WindowView> view = DescribeWindow()) {
      const int game_w = shown_ ? shown_->width : 640, game_h = shown_ ? shown_->height : 480;
      const std::optional<GamePoint> at = WindowToGame(view->game_rect, game_w, game_h, x, y);
      if (!at) return;  // on the bars
      x = at->x;
      y = at->y;
    }
    pointer_x_ = x;
    pointer_y_ = y;
  }
  if (!handler_) return;
  switch (e.action) {
    case EventAction::kClick:
      handler_->OnMouseDown(MouseButton::kLeft, x, y);
      break;
    case EventAction::kRightClick:
      handler_->OnMouseDown(MouseButton::kRight, x, y);
      break;
    case EventAction::kMiddleClick:
      handler_->OnMouseDown(MouseButton::kMiddle, x, y);
      break;
    case EventAction::kMove:
      handler_->OnMouseMove(x, y);
      break;
    case EventAction::kWheel:
      handler_->OnMouseWheel(e.wheel_steps);
      break;
    case EventAction::kKey:
      handler_->OnKeyDown(e.vk_code, e.shift, e.ctrl);
      break;
    default:
      break;
  }
}

void HeadlessHost::RunOwedTicks() {
  ticks_.RunOwed(now_ms_, handler_, [this] { return !closed_; });
}

bool HeadlessHost::Pump(bool has_deadline, uint32_t deadline_ms) {
  ticks_.ClearTickClock();
  RunOwedTicks();
  if (!MoveClock(now_ms_)) return false;  // events added for a time already past
  if (AnswerFileDialog()) return !closed_;
  if (queue_.empty() && !TimerDue()) {
    std::optional<uint64_t> wake_ms;
    auto consider = [&](uint64_t t) {
      if (!wake_ms || t < *wake_ms) wake_ms = t;
    };
    InputHandler* quiet_source = options_.elide_quiet_ticks ? handler_ : nullptr;
    if (const std::optional<uint64_t> timer_ms = ticks_.WakeMs(now_ms_, quiet_source))
      consider(*timer_ms);
    if (waker_) {
      if (const std::optional<uint64_t> t = waker_->NextWakeMs()) consider(std::max(*t, now_ms_));
    }
    if (const auto window_due = ticks_.NextWindowDueMs()) consider(*window_due);
    if (next_event_ < events_.size())
      consider(std::max<uint64_t>(events_[next_event_].at_ms, now_ms_));
    if (has_deadline) {
      // Wrap-aware, like the game's own elapsed-time comparisons.
      const int32_t ahead = static_cast<int32_t>(deadline_ms - now());
      consider(now_ms_ + static_cast<uint64_t>(std::max(ahead, 0)));
    }
    if (!wake_ms && ticks_.owed()) {
      // Only the quiet ticks are left: they run one by one, as they would
      // without the elision, until the run's end time closes the host.
      ticks_.ForgetOwed();
      wake_ms = ticks_.next_due_ms();
    }
    if (!wake_ms) {
      // Nothing could ever happen: closing beats hanging.
      Close();
      return false;
    }
    ++pump_wakes_;
    if (!MoveClock(*wake_ms)) return false;
    RunOwedTicks();
    if (AnswerFileDialog()) return !closed_;
  }
  RunOwedTicks();
  while (!queue_.empty() && !closed_) {
    const ScriptedEvent event = std::move(queue_.front());
    queue_.pop_front();
    Dispatch(event);
  }
  if (!closed_ && waker_) waker_->Wake(now_ms_);
  if (!closed_ && TimerDue()) ticks_.Fire(now_ms_, handler_);
  if (!closed_) FireWindowTimers();
  return !closed_;
}

Files* HeadlessHost::FileOps() {
  if (!files_) files_ = CreateSystemFiles();
  return files_.get();
}

void HeadlessHost::FireWindowTimers() {
  // A handler may open or close windows: walk a copy and skip the gone.
  const std::vector<ToolWindow*> open = windows_;
  for (ToolWindow* w : open) {
    if (!ticks_.TakeWindowDue(w, now_ms_)) continue;
    if (w->on_timer) {
      const auto handler = w->on_timer;
      handler();
    }
    if (closed_) return;
  }
}

Sockets* HeadlessHost::Net() {
  if (!net_) net_ = CreateSystemSockets();
  return net_.get();
}

bool HeadlessHost::OutOfScriptedInput() const {
  // A file answer counts as input only while a dialog could still take it.
  const bool answer_waits =
      file_answer_ && !windows_.empty() && windows_.back()->on_file_answer != nullptr;
  return next_event_ >= events_.size() && queue_.empty() && !answer_waits;
}

bool HeadlessHost::IsHeld(HeldKey key) {
  const int vk_code = HeldKeyVk(key);
  std::erase_if(holds_, [&](const Hold& h) { return h.until_ms <= now_ms_; });
  const bool held = std::any_of(holds_.begin(), holds_.end(), [&](const Hold& h) {
    return h.vk_code == vk_code && h.from_ms <= now_ms_;
  });
  // Ctrl is polled on every tick while the player skips: such looks must
  // not take the taps meant for a busy effect.
  if (key == HeldKey::kControl) return held;
  return taps_.Look(key, held, now_ms_);
}

void HeadlessHost::DiscardInput() {
  taps_.Discard();
  std::erase_if(queue_, [this](const ScriptedEvent& e) {
    return IsQueuedInput(e.action) && !(e.action == EventAction::kKey && KeptKey(e.vk_code));
  });
}

void HeadlessHost::Present(const Surface& display) {
  // A tick that presents is doing real work: it sees the moving clock, so
  // that an effect it runs can end.
  ticks_.ClearTickClock();
  shown_ = &display;
  ++frames_presented_;
  MoveClock(now_ms_ + options_.quantum_ms);
  // A close request does not wait for the busy effect to end.
  const auto quit = std::find_if(queue_.begin(), queue_.end(), [](const ScriptedEvent& e) {
    return e.action == EventAction::kQuit;
  });
  if (quit != queue_.end() && !closed_) {
    const ScriptedEvent event = *quit;
    queue_.erase(quit);
    Dispatch(event);
  }
}

// Frames only matter to a screenshot taken while the next frame is shown.
bool HeadlessHost::FrameWanted() {
  const uint64_t until = now_ms_ + options_.quantum_ms;
  for (size_t i = next_event_; i < events_.size() && events_[i].at_ms <= until; ++i)
    if (events_[i].action == EventAction::kShot) return true;
  return false;
}

bool HeadlessHost::SetFullScreen(bool full) {
  full_screen_ = full;
  return true;
}

void HeadlessHost::SetWindowPosition(int left, int top) {
  left_ = left;
  top_ = top;
}

void HeadlessHost::GetWindowPosition(int* left, int* top) {
  if (left) *left = left_;
  if (top) *top = top_;
}

void HeadlessHost::ShowError(std::string_view utf8) {
  errors_.emplace_back(utf8);
  LogError("%.*s\n", static_cast<int>(utf8.size()), utf8.data());
}

void HeadlessHost::ReportOutputFailure(const std::string& message) {
  output_failures_.push_back(message);
  LogError("zepa: %s\n", message.c_str());
}

void HeadlessHost::WriteShot(const std::string& path) {
  if (!shown_) {
    ReportOutputFailure("cannot write the shot " + path + ": nothing has been shown yet");
    return;
  }
  if (const Status written = WriteImageFile(Composed(), path); !written.ok())
    ReportOutputFailure("cannot write the shot " + written.message());
}

void HeadlessHost::ShowOverlay(int left, int top, const Surface& image) {
  overlay_image_ = image;
  overlay_left_ = left;
  overlay_top_ = top;
  overlay_shown_ = true;
}

Surface HeadlessHost::Composed() const {
  if (!shown_) return Surface();
  Surface out = *shown_;
  if (!overlay_shown_) return out;
  for (int y = 0; y < overlay_image_.height; ++y) {
    const int dy = overlay_top_ + y;
    if (dy < 0 || dy >= out.height) continue;
    for (int x = 0; x < overlay_image_.width; ++x) {
      const int dx = overlay_left_ + x;
      if (dx >= 0 && dx < out.width) out.Set(dx, dy, overlay_image_.Get(x, y));
    }
  }
  return out;
}

std::unique_ptr<HeadlessHost> CreateHeadlessHost(const HeadlessOptions& options) {
  return std::make_unique<HeadlessHost>(options);
}

}  // namespace zepa::platform
