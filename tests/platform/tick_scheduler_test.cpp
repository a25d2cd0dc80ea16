// The one timer logic both hosts run, on a clock the test moves by hand.
#include "platform/tick_scheduler.h"

#include <gtest/gtest.h>

#include <vector>

namespace zepa::platform {
namespace {

// Says how long no tick matters, and records the clock each tick saw.
class QuietHandler : public InputHandler {
 public:
  explicit QuietHandler(const TickScheduler& ticks) : ticks_(ticks) {}
  void OnKeyDown(int, bool, bool) override {}
  void OnMouseDown(MouseButton, int, int) override {}
  void OnMouseMove(int, int) override {}
  void OnMouseWheel(int) override {}
  void OnCloseRequest() override {}
  void OnTimer() override { seen.push_back(ticks_.tick_clock() ? *ticks_.tick_clock() : now); }
  uint32_t TimerQuietMs(uint32_t) override { return quiet_ms; }

  uint32_t quiet_ms = 0;
  uint64_t now = 0;
  std::vector<uint64_t> seen;

 private:
  const TickScheduler& ticks_;
};

TEST(TickScheduler, FiresOnItsPeriodAndCoalescesALateTimer) {
  TickScheduler ticks(10);
  QuietHandler h(ticks);
  ticks.SetInterval(50, 0);
  EXPECT_FALSE(ticks.Due(1000));  // off
  ticks.SetEnabled(true, 0);
  EXPECT_FALSE(ticks.Due(49));
  EXPECT_TRUE(ticks.Due(50));
  h.now = 50;
  ticks.Fire(50, &h);
  EXPECT_EQ(ticks.next_due_ms(), 100u);
  // Three intervals late: one tick, and the period starts again from now.
  h.now = 260;
  ticks.Fire(260, &h);
  EXPECT_EQ(ticks.next_due_ms(), 310u);
  EXPECT_EQ(h.seen, (std::vector<uint64_t>{50, 260}));
  // A new interval restarts the period; one below the floor is raised.
  ticks.SetInterval(1, 300);
  EXPECT_EQ(ticks.next_due_ms(), 310u);
  ticks.SetInterval(20, 300);
  EXPECT_EQ(ticks.next_due_ms(), 320u);
}

TEST(TickScheduler, SleepsThroughQuietTicksAndRunsThemWithTheirOwnClock) {
  TickScheduler ticks(1);
  QuietHandler h(ticks);
  ticks.SetInterval(50, 0);
  ticks.SetEnabled(true, 0);  // due at 50, 100, 150, ...
  // Nothing changes for 120 ms from 10: the tick at 150 is the first to see it.
  h.quiet_ms = 120;
  EXPECT_EQ(ticks.WakeMs(10, &h), 150u);
  EXPECT_TRUE(ticks.owed());
  // Waking at 150: the ticks of 50 and 100 run now, each seeing its own time;
  // the one due now is the host's to fire.
  EXPECT_TRUE(ticks.RunOwed(150, &h, [] { return true; }));
  EXPECT_EQ(h.seen, (std::vector<uint64_t>{50, 100}));
  EXPECT_FALSE(ticks.tick_clock().has_value());
  EXPECT_TRUE(ticks.Due(150));
  // A quiet time ending before the next tick owes nothing.
  h.quiet_ms = 20;
  h.now = 150;
  ticks.Fire(150, &h);
  h.seen.clear();
  EXPECT_EQ(ticks.WakeMs(160, &h), 200u);
  EXPECT_FALSE(ticks.owed());
  // Quiet for good: no wake at all, and input at 420 runs the owed ticks
  // until the handler's host closes.
  h.quiet_ms = InputHandler::kQuietForever;
  EXPECT_EQ(ticks.WakeMs(160, &h), std::nullopt);
  int left = 3;
  ticks.RunOwed(420, &h, [&] { return left-- > 0; });
  EXPECT_EQ(h.seen, (std::vector<uint64_t>{200, 250, 300}));
  // Without elision every tick wakes the host.
  ticks.SetElide(false);
  EXPECT_EQ(ticks.WakeMs(420, &h), ticks.next_due_ms());
}

TEST(TickScheduler, WindowTimersKeepTheirOwnPeriods) {
  TickScheduler ticks(10);
  ToolWindow monitor, other, none;
  ticks.AddWindowTimer(&monitor, 200, 0);
  ticks.AddWindowTimer(&other, 300, 50);
  ticks.AddWindowTimer(&none, 0, 0);  // no timer
  EXPECT_EQ(ticks.NextWindowDueMs(), 200u);
  EXPECT_FALSE(ticks.TakeWindowDue(&monitor, 199));
  EXPECT_TRUE(ticks.TakeWindowDue(&monitor, 200));
  EXPECT_FALSE(ticks.TakeWindowDue(&monitor, 200));
  EXPECT_FALSE(ticks.TakeWindowDue(&none, 1000));
  EXPECT_EQ(ticks.NextWindowDueMs(), 350u);
  // Late by more than a period: once, then a period from now.
  EXPECT_TRUE(ticks.TakeWindowDue(&monitor, 900));
  EXPECT_FALSE(ticks.TakeWindowDue(&monitor, 1099));
  EXPECT_TRUE(ticks.TakeWindowDue(&monitor, 1100));
  ticks.RemoveWindowTimer(&monitor);
  ticks.RemoveWindowTimer(&other);
  EXPECT_EQ(ticks.NextWindowDueMs(), std::nullopt);
}

}  // namespace
}  // namespace zepa::platform
