#pragma once
// The game timer and the small windows' timers, shared by both hosts so that
// the window and a headless run time alike. The host owns the clock and the
// sleeping; this decides when each timer is due, which quiet ticks may be
// slept through, and runs those owed ticks on waking with the clock each
// would have had (see InputHandler::TimerQuietMs).
#include <cstdint>
#include <functional>
#include <map>
#include <optional>

#include "platform/host.h"

namespace zepa::platform {

class TickScheduler {
 public:
  /// Intervals below `min_interval_ms` are raised to it.
  explicit TickScheduler(uint32_t min_interval_ms);

  /// Off, every tick wakes the host on its own (no quiet ticks are skipped).
  void SetElide(bool elide) { elide_ = elide; }

  void SetEnabled(bool enabled, uint64_t now_ms);
  bool enabled() const { return enabled_; }
  /// A new interval restarts the period, as re-creating a Windows timer does.
  void SetInterval(uint32_t interval_ms, uint64_t now_ms);
  uint64_t next_due_ms() const { return next_due_ms_; }

  bool Due(uint64_t now_ms) const { return enabled_ && next_due_ms_ <= now_ms; }
  /// Fires the due timer: rescheduled before the handler runs, so that pumps
  /// nested in it see the next due time; a timer late by a whole interval
  /// fires once, not in a burst, as Windows coalesces its timer messages.
  void Fire(uint64_t now_ms, InputHandler* handler);

  /// When the game timer must next wake the host: its due time, or the first
  /// tick that the handler says could change something (the ticks before it
  /// are then owed). Nullopt: no tick matters before other input.
  std::optional<uint64_t> WakeMs(uint64_t now_ms, InputHandler* handler);
  bool owed() const { return owed_; }
  /// Gives up the owed ticks: they will fire one by one as they fall due.
  void ForgetOwed() { owed_ = false; }
  /// Runs the owed ticks that fell due before `now_ms`, each seeing its own
  /// due time as the clock (`tick_clock`), while `go_on` holds. True when
  /// one ran.
  bool RunOwed(uint64_t now_ms, InputHandler* handler, const std::function<bool()>& go_on);
  /// The clock the owed tick running now sees; nothing outside one.
  std::optional<uint32_t> tick_clock() const { return tick_clock_ms_; }
  void ClearTickClock() { tick_clock_ms_.reset(); }
  uint64_t owed_ticks_run() const { return owed_ticks_run_; }

  /// A small window's own timer, first due one interval after it opens.
  /// An interval of 0 has none.
  void AddWindowTimer(const ToolWindow* window, uint32_t interval_ms, uint64_t now_ms);
  void RemoveWindowTimer(const ToolWindow* window);
  std::optional<uint64_t> NextWindowDueMs() const;
  /// True when `window`'s timer is due; it is then rescheduled as Fire does.
  bool TakeWindowDue(const ToolWindow* window, uint64_t now_ms);

 private:
  struct WindowTimer {
    uint32_t interval_ms;
    uint64_t due_ms;
  };
  uint32_t min_interval_ms_;
  bool elide_ = true;
  bool enabled_ = false;
  uint32_t interval_ms_ = 50;
  uint64_t next_due_ms_ = 0;
  bool owed_ = false;
  std::optional<uint32_t> tick_clock_ms_;
  uint64_t owed_ticks_run_ = 0;
  std::map<const ToolWindow*, WindowTimer> window_timers_;
};

}  // namespace zepa::platform
