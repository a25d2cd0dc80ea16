#include "platform/tick_scheduler.h"

#include <algorithm>

namespace zepa::platform {

TickScheduler::TickScheduler(uint32_t min_interval_ms)
    : min_interval_ms_(std::max<uint32_t>(min_interval_ms, 1)),
      interval_ms_(std::max<uint32_t>(50, min_interval_ms_)) {}

void TickScheduler::SetEnabled(bool enabled, uint64_t now_ms) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  owed_ = false;
  if (enabled) next_due_ms_ = now_ms + interval_ms_;
}

void TickScheduler::SetInterval(uint32_t interval_ms, uint64_t now_ms) {
  interval_ms = std::max(interval_ms, min_interval_ms_);
  if (interval_ms == interval_ms_) return;
  interval_ms_ = interval_ms;
  owed_ = false;
  if (enabled_) next_due_ms_ = now_ms + interval_ms_;
}

void TickScheduler::Fire(uint64_t now_ms, InputHandler* handler) {
  next_due_ms_ += interval_ms_;
  if (next_due_ms_ <= now_ms) next_due_ms_ = now_ms + interval_ms_;
  if (handler) handler->OnTimer();
}

std::optional<uint64_t> TickScheduler::WakeMs(uint64_t now_ms, InputHandler* handler) {
  if (!enabled_) return std::nullopt;
  if (next_due_ms_ <= now_ms || !handler || !elide_) return next_due_ms_;
  const uint32_t quiet_ms = handler->TimerQuietMs(static_cast<uint32_t>(now_ms));
  if (quiet_ms == 0) return next_due_ms_;
  if (quiet_ms == InputHandler::kQuietForever) {
    owed_ = true;
    return std::nullopt;
  }
  const uint64_t quiet_end_ms = now_ms + quiet_ms;
  if (next_due_ms_ >= quiet_end_ms) return next_due_ms_;
  // The first tick at or after the quiet end: the one that sees the change.
  const uint64_t skipped = (quiet_end_ms - next_due_ms_ + interval_ms_ - 1) / interval_ms_;
  owed_ = true;
  return next_due_ms_ + skipped * interval_ms_;
}

bool TickScheduler::RunOwed(uint64_t now_ms, InputHandler* handler,
                            const std::function<bool()>& go_on) {
  if (!owed_) return false;
  owed_ = false;
  bool ran = false;
  // Each owed tick runs as if it had fired on time: the game sees the same
  // ticks with the same clock as without the elision, only later.
  while (enabled_ && next_due_ms_ < now_ms && go_on()) {
    const uint64_t due_ms = next_due_ms_;
    next_due_ms_ += interval_ms_;
    ++owed_ticks_run_;
    tick_clock_ms_ = static_cast<uint32_t>(due_ms);
    if (handler) handler->OnTimer();
    tick_clock_ms_.reset();
    ran = true;
  }
  return ran;
}

void TickScheduler::AddWindowTimer(const ToolWindow* window, uint32_t interval_ms,
                                   uint64_t now_ms) {
  if (interval_ms == 0) return;
  window_timers_[window] = WindowTimer{interval_ms, now_ms + interval_ms};
}

void TickScheduler::RemoveWindowTimer(const ToolWindow* window) { window_timers_.erase(window); }

std::optional<uint64_t> TickScheduler::NextWindowDueMs() const {
  std::optional<uint64_t> first;
  for (const auto& [window, timer] : window_timers_)
    if (!first || timer.due_ms < *first) first = timer.due_ms;
  return first;
}

bool TickScheduler::TakeWindowDue(const ToolWindow* window, uint64_t now_ms) {
  const auto it = window_timers_.find(window);
  if (it == window_timers_.end() || it->second.due_ms > now_ms) return false;
  WindowTimer& t = it->second;
  t.due_ms += t.interval_ms;
  if (t.due_ms <= now_ms) t.due_ms = now_ms + t.interval_ms;
  return true;
}

}  // namespace zepa::platform
