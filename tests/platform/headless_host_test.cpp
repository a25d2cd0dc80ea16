#include "platform/headless/headless_host.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/headless/image_writer.h"
#include "platform/recording_handler.h"

namespace zepa::platform {
namespace {

using ::testing::ElementsAre;
using testing::RecordingHandler;

struct Rig {
  explicit Rig(HeadlessOptions options = {}, const std::string& events = "")
      : host(options), handler(&host) {
    const auto loaded = host.LoadEvents(events);
    EXPECT_TRUE(loaded.ok()) << loaded.message();
    host.SetHandler(&handler);
  }
  HeadlessHost host;
  RecordingHandler handler;
};

TEST(HeadlessClock, PumpJumpsToTheNextTimerTickOrDeadline) {
  Rig r;
  r.host.SetTimerEnabled(true);
  EXPECT_TRUE(r.host.Pump(false, 0));
  EXPECT_TRUE(r.host.Pump(false, 0));
  EXPECT_THAT(r.handler.log, ElementsAre("50 timer", "100 timer"));

  // A deadline before the tick stops the clock there without firing.
  EXPECT_TRUE(r.host.Pump(true, 130));
  EXPECT_EQ(r.host.NowMs(), 130u);
  EXPECT_EQ(r.handler.timer_calls, 2);
  // A deadline already passed returns at once.
  EXPECT_TRUE(r.host.Pump(true, 120));
  EXPECT_EQ(r.host.NowMs(), 130u);
  EXPECT_TRUE(r.host.Pump(true, 1000));
  EXPECT_EQ(r.host.NowMs(), 150u);

  // A new interval restarts the period from now.
  r.host.SetTimerIntervalMs(20);
  r.host.Pump(false, 0);
  EXPECT_EQ(r.host.NowMs(), 170u);

  // Disabled timers never fire; re-enabling starts a full period.
  r.host.SetTimerEnabled(false);
  r.host.Pump(true, 300);
  EXPECT_EQ(r.handler.timer_calls, 4);
  r.host.SetTimerEnabled(true);
  r.host.Pump(false, 0);
  EXPECT_EQ(r.host.NowMs(), 320u);
}

TEST(HeadlessClock, LateTimerFiresOnceAndReschedulesFromNow) {
  HeadlessOptions o;
  o.quantum_ms = 170;  // one frame covers three intervals
  Rig r(o);
  r.host.SetTimerEnabled(true);
  Surface s(2, 2);
  r.host.Present(s);
  EXPECT_EQ(r.handler.timer_calls, 0);  // Present dispatches nothing
  r.host.Pump(false, 0);
  r.host.Pump(false, 0);
  EXPECT_THAT(r.handler.log, ElementsAre("170 timer", "220 timer"));

  // Late by less than one interval keeps the phase.
  HeadlessOptions o2;
  o2.quantum_ms = 30;
  Rig r2(o2);
  r2.host.SetTimerEnabled(true);
  r2.host.Present(s);
  r2.host.Present(s);  // 60: due at 50, late by 10
  r2.host.Pump(false, 0);
  r2.host.Pump(false, 0);
  EXPECT_THAT(r2.handler.log, ElementsAre("60 timer", "100 timer"));
}

TEST(HeadlessPump, TimerKeepsFiringInPumpsNestedInAHandler) {
  Rig r;
  r.host.SetTimerEnabled(true);
  int depth = 0;
  std::vector<std::string> nested;
  r.handler.on_timer = [&] {
    if (depth > 0) {
      nested.push_back(std::to_string(r.host.NowMs()));
      return;
    }
    ++depth;
    const uint32_t deadline = r.host.NowMs() + 120;
    while (r.host.Pump(true, deadline) && static_cast<int32_t>(r.host.NowMs() - deadline) < 0) {
    }
    --depth;
  };
  r.host.Pump(false, 0);
  EXPECT_THAT(nested, ElementsAre("100", "150"));
  EXPECT_EQ(r.host.NowMs(), 170u);
  r.handler.on_timer = nullptr;
  r.host.Pump(false, 0);
  EXPECT_EQ(r.host.NowMs(), 200u);  // the period was kept through the nesting
}

TEST(HeadlessPump, InputArrivingDuringPresentWaitsForThePump) {
  Rig r({}, "10 click 5 6\n20 key ctrl+shift+L\n25 wheel -2\n");
  Surface s(4, 4);
  for (int i = 0; i < 30; ++i) r.host.Present(s);
  EXPECT_EQ(r.host.NowMs(), 30u);
  EXPECT_TRUE(r.handler.log.empty());
  EXPECT_FALSE(r.host.OutOfScriptedInput());  // queued but not handled yet
  r.host.Pump(false, 0);
  EXPECT_THAT(r.handler.log,
              ElementsAre("30 down left 5,6", "30 key 76 shift ctrl", "30 wheel -2"));
  EXPECT_TRUE(r.host.OutOfScriptedInput());
}

TEST(HeadlessPump, ACloseRequestReachesTheGameDuringPresent) {
  // Busy effects pump nothing; the close request must not wait for them.
  Rig r({}, "10 click 5 6\n26 quit\n");
  Surface s(4, 4);
  for (int i = 0; i < 30 && !r.host.Closed(); ++i) r.host.Present(s);
  EXPECT_THAT(r.handler.log, ElementsAre("26 close"));
  EXPECT_EQ(r.host.NowMs(), 26u);
  EXPECT_FALSE(r.host.Pump(false, 0));
  EXPECT_THAT(r.handler.log, ElementsAre("26 close"));  // input after the close is not handled
}

TEST(HeadlessPump, DiscardInputDropsQueuedInputButNotTheCloseRequest) {
  Rig r({}, "5 move 1 2\n6 rclick 3 4\n7 quit\n8 mclick 9 9\n");
  Surface s(1, 1);
  for (int i = 0; i < 7; ++i) r.host.Present(s);
  r.host.DiscardInput();
  EXPECT_FALSE(r.host.Pump(false, 0));
  EXPECT_THAT(r.handler.log, ElementsAre("7 close"));
  // The event after the discard still comes once its time is reached.
  Rig r2({}, "5 move 1 2\n8 mclick 9 9\n");
  for (int i = 0; i < 6; ++i) r2.host.Present(s);
  r2.host.DiscardInput();
  EXPECT_TRUE(r2.host.Pump(false, 0));
  EXPECT_THAT(r2.handler.log, ElementsAre("8 down middle 9,9"));
}

TEST(HeadlessPump, QueuedInputGoesBeforeTheTimerDueAtTheSameTime) {
  Rig r({}, "50 move 7 7\n50 key 0\n");
  r.host.SetTimerEnabled(true);
  r.host.Pump(false, 0);
  EXPECT_THAT(r.handler.log, ElementsAre("50 move 7,7", "50 key 48", "50 timer"));
}

TEST(HeadlessPump, HoldReadsAsHeldForItsWindowOnly) {
  Rig r({}, "100 hold Space 50\n120 hold mbutton 10\n");
  EXPECT_FALSE(r.host.IsHeld(HeldKey::kSpace));
  r.host.Pump(true, 99);
  EXPECT_FALSE(r.host.IsHeld(HeldKey::kSpace));
  r.host.Pump(true, 1000);  // the hold event wakes the pump
  EXPECT_EQ(r.host.NowMs(), 100u);
  EXPECT_TRUE(r.host.IsHeld(HeldKey::kSpace));
  EXPECT_FALSE(r.host.IsHeld(HeldKey::kShift));
  EXPECT_FALSE(r.host.IsHeld(HeldKey::kMiddleButton));
  r.host.Pump(true, 125);
  EXPECT_TRUE(r.host.IsHeld(HeldKey::kMiddleButton));
  r.host.Pump(true, 130);
  EXPECT_FALSE(r.host.IsHeld(HeldKey::kMiddleButton));
  r.host.Pump(true, 149);
  EXPECT_TRUE(r.host.IsHeld(HeldKey::kSpace));
  r.host.Pump(true, 150);
  EXPECT_FALSE(r.host.IsHeld(HeldKey::kSpace));
  EXPECT_TRUE(r.handler.log.empty());  // a hold sends no press
}

// A movie pumps, then looks at the hurry keys: a tapped key or middle click
// between two looks must stop it, as a held one does.
TEST(HeadlessPump, ATapBetweenTwoLooksReadsAsHeldAtTheNextLook) {
  Rig r({}, "100 key Space\n200 key Return\n300 key Shift\n400 mclick 5 5\n2000 key Space\n");
  for (const uint32_t at : {100u, 200u, 300u, 400u}) {
    const HeldKey key = at == 100   ? HeldKey::kSpace
                        : at == 200 ? HeldKey::kReturn
                        : at == 300 ? HeldKey::kShift
                                    : HeldKey::kMiddleButton;
    // Looking every 40 ms, as the movie loop does at least every timer tick.
    bool seen = false;
    while (!seen && r.host.NowMs() < at + 40) {
      seen = r.host.IsHeld(key);
      r.host.Pump(true, r.host.NowMs() + 40);
    }
    seen = seen || r.host.IsHeld(key);
    EXPECT_TRUE(seen) << at;
    EXPECT_FALSE(r.host.IsHeld(key)) << at;  // once only
  }
  // The press at 2000 comes long after the last look: it is the player's
  // key, which must not hurry whatever it starts.
  r.host.Pump(true, 2001);
  EXPECT_EQ(r.host.NowMs(), 2000u);
  EXPECT_FALSE(r.host.IsHeld(HeldKey::kSpace));
}

TEST(HeadlessPump, UntilStopsTheClockThereAndCloses) {
  HeadlessOptions o;
  o.until_ms = 120;
  Rig r(o, "130 click 1 1\n");
  r.host.SetTimerEnabled(true);
  EXPECT_TRUE(r.host.Pump(false, 0));
  EXPECT_TRUE(r.host.Pump(false, 0));
  EXPECT_FALSE(r.host.Pump(false, 0));
  EXPECT_TRUE(r.host.Closed());
  EXPECT_EQ(r.host.NowMs(), 120u);
  EXPECT_THAT(r.handler.log, ElementsAre("50 timer", "100 timer"));

  // A busy effect's frames run into it as well.
  HeadlessOptions o2;
  o2.until_ms = 10;
  o2.quantum_ms = 4;
  Rig r2(o2);
  Surface s(1, 1);
  int frames = 0;
  while (!r2.host.Closed() && frames < 100) {
    r2.host.Present(s);
    ++frames;
  }
  EXPECT_EQ(frames, 3);
  EXPECT_EQ(r2.host.NowMs(), 10u);
}

TEST(HeadlessPump, StalledHostClosesInsteadOfHanging) {
  Rig r({}, "500 move 3 3\n");
  EXPECT_FALSE(r.host.OutOfScriptedInput());
  EXPECT_TRUE(r.host.Pump(false, 0));  // timer off: the event is the next thing
  EXPECT_THAT(r.handler.log, ElementsAre("500 move 3,3"));
  EXPECT_TRUE(r.host.OutOfScriptedInput());
  EXPECT_FALSE(r.host.Pump(false, 0));
  EXPECT_TRUE(r.host.Closed());
  EXPECT_EQ(r.host.NowMs(), 500u);
  EXPECT_FALSE(r.host.Pump(true, 600));  // closed stays closed
}

TEST(HeadlessPump, ShotAndDumpActWhenTheClockReachesThem) {
  const auto dir = std::filesystem::temp_directory_path() / "zepa_headless_shot_test";
  std::filesystem::create_directories(dir);
  const std::string shot = (dir / "frame one.png").string();
  Rig r({}, "3 shot " + shot + "\n4 dump state.json\n");
  Surface first(3, 2, MakeColor(10, 20, 30));
  first.Set(2, 1, MakeColor(255, 0, 128));
  Surface second(3, 2, 0);
  r.host.Present(first);
  r.host.Present(first);
  r.host.Present(first);  // reaches 3: the shot sees this frame
  r.host.Invalidate(second);
  r.host.Present(second);  // reaches 4: the dump, inside Present
  EXPECT_THAT(r.handler.log, ElementsAre("4 dump state.json"));
  auto read = ReadPng(shot);
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ(*read, first);
  std::filesystem::remove_all(dir);
}

// Scripted outputs that cannot be written are remembered for the exit
// status, each naming its file.
TEST(HeadlessPump, ShotsAndDumpsThatFailAreReported) {
  const auto dir = std::filesystem::temp_directory_path() / "zepa_headless_fail_test";
  std::filesystem::create_directories(dir);
  const std::string early = (dir / "early.png").string();
  const std::string missing = (dir / "missing" / "a.png").string();
  const std::string folder = (dir / "folder.png").string();
  std::filesystem::create_directories(folder);
  Rig r({}, "0 shot " + early + "\n2 shot " + missing + "\n2 shot " + folder +
                "\n3 dump unwritable.json\n4 dump fine.json\n");
  EXPECT_TRUE(r.host.output_failures().empty());
  r.host.Pump(true, 0);  // the shot at 0 comes before anything was shown
  const Surface frame(3, 2, 0);
  r.host.Present(frame);
  r.host.Present(frame);
  r.host.Present(frame);
  EXPECT_THAT(r.host.output_failures(),
              ElementsAre("cannot write the shot " + early + ": nothing has been shown yet",
                          "cannot write the shot " + missing + ": no such directory",
                          "cannot write the shot " + folder + ": is a directory",
                          "cannot write the dump unwritable.json: refused"));
  std::filesystem::remove_all(dir);
}

TEST(HeadlessHost, AddEventKeepsTimeOrderAndBadScriptsAddNothing) {
  Rig r;
  ScriptedEvent late;
  late.at_ms = 40;
  late.action = EventAction::kMove;
  late.x = 4;
  ScriptedEvent early = late;
  early.at_ms = 20;
  early.x = 2;
  r.host.AddEvent(late);
  r.host.AddEvent(early);
  r.host.Pump(false, 0);
  r.host.Pump(false, 0);
  EXPECT_THAT(r.handler.log, ElementsAre("20 move 2,0", "40 move 4,0"));

  const Status loaded = r.host.LoadEvents("10 move 1 1\n5 move 1 1\n");
  EXPECT_EQ(loaded.code(), StatusCode::kInvalid);
  EXPECT_EQ(loaded.message().rfind("line 2: ", 0), 0u) << loaded.message();
  EXPECT_TRUE(r.host.OutOfScriptedInput());  // a bad script adds nothing

  r.host.ShowError("boom");
  EXPECT_TRUE(r.host.error_shown());  // the run's exit status depends on it
}

// Given a window, scripted points are the window's: mapped to the game,
// dropped on the bars, and full screen maps through the screen's size.
TEST(HeadlessWindow, PointsAreTheWindowsAndTheShotShowsItsBars) {
  HeadlessOptions options;
  options.window_width = 1000;
  options.window_height = 600;
  options.screen_width = 1280;
  options.screen_height = 1024;
  Rig r(options,
        "1 click 100 0\n2 click 99 300\n3 move 899 599\n4 rclick 600 300\n"
        "6 click 0 0\n7 click 0 512\n");
  Surface game(640, 480, MakeColor(0, 0, 255));
  game.Set(0, 0, MakeColor(255, 0, 0));
  r.host.Present(game);
  auto pump_until = [](HeadlessHost& host, uint32_t ms) {
    while (host.NowMs() < ms && host.Pump(true, ms)) {
    }
  };
  using ::testing::EndsWith;
  pump_until(r.host, 5);
  EXPECT_THAT(r.handler.log, ElementsAre(EndsWith(" down left 0,0"), EndsWith(" move 639,479"),
                                         EndsWith(" down right 400,240")));
  const std::optional<WindowView> view = r.host.DescribeWindow();
  ASSERT_TRUE(view);
  EXPECT_EQ(view->game_rect, (GameRect{100, 0, 800, 600}));
  EXPECT_EQ(view->scale_mode, ScaleMode::kSharp);

  const Surface shot = r.host.WindowShot();
  ASSERT_EQ(shot.width, 1000);
  ASSERT_EQ(shot.height, 600);
  EXPECT_EQ(shot.Get(99, 300), 0u);                   // the bar
  EXPECT_EQ(shot.Get(100, 0), MakeColor(255, 0, 0));  // the corner pixel, kept pure
  EXPECT_EQ(shot.Get(500, 300), MakeColor(0, 0, 255));
  EXPECT_EQ(shot.Get(900, 300), 0u);

  // Full screen: the screen is the window, 1280 x 960 at y 32.
  r.handler.log.clear();
  r.host.SetFullScreen(true);
  pump_until(r.host, 8);
  EXPECT_THAT(r.handler.log, ElementsAre(EndsWith(" down left 0,240")));
  EXPECT_EQ(r.host.DescribeWindow()->game_rect, (GameRect{0, 32, 1280, 960}));
  EXPECT_EQ(r.host.WindowShot().height, 1024);

  // Without a window, points are the game's and the dump has no window.
  Rig plain({}, "1 click 600 10\n");
  plain.host.Present(game);
  pump_until(plain.host, 2);
  EXPECT_THAT(plain.handler.log, ElementsAre(EndsWith(" down left 600,10")));
  EXPECT_FALSE(plain.host.DescribeWindow());
}

}  // namespace
}  // namespace zepa::platform
