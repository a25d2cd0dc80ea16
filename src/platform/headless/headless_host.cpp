#include "platform/headless/headless_host.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "platform/headless/image_writer.h"
#include "platform/sdl/posix_files.h"
#include "platform/sdl/posix_sockets.h"

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
  }
  return 0;
}

}  // namespace

HeadlessHost::HeadlessHost(const HeadlessOptions& options)
    : options_(options), screen_{options.screen_width, options.screen_height} {
  // A zero quantum would let a busy effect run forever on a frozen clock.
  options_.quantum_ms = std::max<uint32_t>(options_.quantum_ms, 1);
}

bool HeadlessHost::LoadEvents(std::string_view text, std::string* error) {
  std::vector<ScriptedEvent> parsed;
  if (!ParseEventScript(text, &parsed, error)) return false;
  for (ScriptedEvent& e : parsed) AddEvent(std::move(e));
  return true;
}

void HeadlessHost::AddEvent(ScriptedEvent event) {
  auto pending = events_.begin() + static_cast<std::ptrdiff_t>(next_event_);
  auto at = std::upper_bound(pending, events_.end(), event.at_ms,
                             [](uint32_t t, const ScriptedEvent& e) { return t < e.at_ms; });
  events_.insert(at, std::move(event));
}

void HeadlessHost::SetTimerEnabled(bool enabled) {
  if (enabled == timer_enabled_) return;
  timer_enabled_ = enabled;
  if (enabled) next_due_ms_ = now_ms_ + interval_ms_;
}

void HeadlessHost::SetTimerIntervalMs(uint32_t interval_ms) {
  interval_ms = std::max<uint32_t>(interval_ms, 1);
  if (interval_ms == interval_ms_) return;
  interval_ms_ = interval_ms;
  // A new interval restarts the period, as re-creating a Windows timer does.
  if (timer_enabled_) next_due_ms_ = now_ms_ + interval_ms_;
}

bool HeadlessHost::MoveClock(uint64_t target_ms) {
  if (closed_) return false;
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
      WriteShot(event.path);
      break;
    case EventAction::kDump:
      if (handler_) handler_->OnDumpRequest(event.path);
      break;
    default:
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
  if (!handler_) return;
  switch (e.action) {
    case EventAction::kClick:
      handler_->OnMouseDown(MouseButton::kLeft, e.x, e.y);
      break;
    case EventAction::kRightClick:
      handler_->OnMouseDown(MouseButton::kRight, e.x, e.y);
      break;
    case EventAction::kMiddleClick:
      handler_->OnMouseDown(MouseButton::kMiddle, e.x, e.y);
      break;
    case EventAction::kMove:
      handler_->OnMouseMove(e.x, e.y);
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

void HeadlessHost::FireTimer() {
  // Rescheduled before the handler runs, so pumps nested in it see the next
  // due time. A timer late by a whole interval fires once, not in a burst.
  next_due_ms_ += interval_ms_;
  if (next_due_ms_ <= now_ms_) next_due_ms_ = now_ms_ + interval_ms_;
  if (handler_) handler_->OnTimer();
}

bool HeadlessHost::Pump(bool has_deadline, uint32_t deadline_ms) {
  if (!MoveClock(now_ms_)) return false;  // events added for a time already past
  if (queue_.empty() && !TimerDue()) {
    std::optional<uint64_t> wake_ms;
    auto consider = [&](uint64_t t) {
      if (!wake_ms || t < *wake_ms) wake_ms = t;
    };
    if (timer_enabled_) consider(next_due_ms_);
    if (next_event_ < events_.size()) consider(std::max<uint64_t>(events_[next_event_].at_ms, now_ms_));
    if (has_deadline) {
      // Wrap-aware, like the game's own elapsed-time comparisons.
      const int32_t ahead = static_cast<int32_t>(deadline_ms - now());
      consider(now_ms_ + static_cast<uint64_t>(std::max(ahead, 0)));
    }
    if (!wake_ms) {
      // Nothing could ever happen: closing beats hanging.
      Close();
      return false;
    }
    if (!MoveClock(*wake_ms)) return false;
  }
  while (!queue_.empty() && !closed_) {
    const ScriptedEvent event = std::move(queue_.front());
    queue_.pop_front();
    Dispatch(event);
  }
  if (!closed_ && TimerDue()) FireTimer();
  return !closed_;
}

Files* HeadlessHost::FileOps() {
  if (!files_) files_ = CreatePosixFiles();
  return files_.get();
}

Sockets* HeadlessHost::Net() {
  if (!net_) net_ = CreatePosixSockets();
  return net_.get();
}

bool HeadlessHost::OutOfScriptedInput() const {
  return next_event_ >= events_.size() && queue_.empty();
}

bool HeadlessHost::IsHeld(HeldKey key) {
  const int vk_code = HeldKeyVk(key);
  std::erase_if(holds_, [&](const Hold& h) { return h.until_ms <= now_ms_; });
  return std::any_of(holds_.begin(), holds_.end(), [&](const Hold& h) {
    return h.vk_code == vk_code && h.from_ms <= now_ms_;
  });
}

void HeadlessHost::DiscardInput() {
  std::erase_if(queue_, [](const ScriptedEvent& e) { return IsQueuedInput(e.action); });
}

void HeadlessHost::Present(const Surface& display) {
  shown_ = &display;
  ++frames_presented_;
  MoveClock(now_ms_ + options_.quantum_ms);
  // A close request does not wait for the busy effect to end.
  const auto quit = std::find_if(queue_.begin(), queue_.end(),
                                 [](const ScriptedEvent& e) { return e.action == EventAction::kQuit; });
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
  std::fprintf(stderr, "%.*s\n", static_cast<int>(utf8.size()), utf8.data());
}

void HeadlessHost::WriteShot(const std::string& path) {
  if (!shown_) {
    std::fprintf(stderr, "zepa: shot %s: nothing has been shown yet\n", path.c_str());
    return;
  }
  if (!WriteImage(*shown_, path)) std::fprintf(stderr, "zepa: cannot write %s\n", path.c_str());
}

std::unique_ptr<HeadlessHost> CreateHeadlessHost(const HeadlessOptions& options) {
  return std::make_unique<HeadlessHost>(options);
}

}  // namespace zepa::platform
