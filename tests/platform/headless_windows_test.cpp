// The headless host with small windows open: scripted input goes to the top
// window, the display below takes none, and shots draw windows offscreen.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/headless/headless_host.h"
#include "platform/headless/image_writer.h"
#include "platform/recording_handler.h"

namespace zepa::platform {
namespace {

using ::testing::ElementsAre;
using testing::RecordingHandler;

struct Rig {
  explicit Rig(const std::string& events, HeadlessOptions options = {})
      : host(options), handler(&host) {
    const auto loaded = host.LoadEvents(events);
    EXPECT_TRUE(loaded.ok()) << loaded.message();
    host.SetHandler(&handler);
  }
  HeadlessHost host;
  RecordingHandler handler;
};

ToolWindow Dialog(std::string name, std::vector<std::string>* log) {
  ToolWindow w;
  w.name = name;
  w.caption = "質問";
  w.client_width = 120;
  w.client_height = 60;
  Control ok;
  ok.name = "Button_OK";
  ok.kind = ControlKind::kButton;
  ok.rect = {10, 30, 50, 20};
  ok.text = "OK";
  ok.is_default = true;
  ok.on_click = [log, name] { log->push_back(name + " ok"); };
  w.controls.push_back(ok);
  Control edit;
  edit.name = "Edit_PARAM";
  edit.kind = ControlKind::kEdit;
  edit.rect = {10, 5, 100, 20};
  w.controls.push_back(edit);
  w.on_escape = [log, name] { log->push_back(name + " escape"); };
  return w;
}

// Pumps until the script has been played out.
void Drain(HeadlessHost& host) {
  for (int i = 0; i < 100 && !host.OutOfScriptedInput(); ++i) host.Pump(false, 0);
}

TEST(HeadlessWindows, InputGoesToTheTopWindowAndNeverToTheDisplayBelow) {
  Rig r(
      "10 press Button_OK\n"
      "20 click 5 5\n"
      "30 key Return\n"
      "40 key Escape\n"
      "50 key A\n"
      "60 type Edit_PARAM いいえ\n"
      "70 press Missing\n");
  std::vector<std::string> log;
  ToolWindow bottom = Dialog("Bottom", &log);
  ToolWindow top = Dialog("Top", &log);
  r.host.OpenWindow(&bottom);
  r.host.OpenWindow(&top);
  r.host.OpenWindow(&top);  // opening twice keeps one entry
  ASSERT_EQ(r.host.windows().size(), 2u);
  Drain(r.host);
  EXPECT_THAT(log, ElementsAre("Top ok", "Top ok", "Top escape"));
  EXPECT_EQ(top.Find("Edit_PARAM")->text, "いいえ");
  EXPECT_TRUE(r.handler.log.empty());  // neither the click nor the keys reached the game

  r.host.CloseWindow(&top);
  r.host.CloseWindow(&top);  // closing again does nothing
  ASSERT_EQ(r.host.windows().size(), 1u);
  EXPECT_EQ(r.host.windows().back(), &bottom);
}

TEST(HeadlessWindows, AModelessWindowLeavesTheGameItsInput) {
  Rig r(
      "10 click 5 5\n"
      "20 key A\n"
      "30 press Button_OK\n");
  std::vector<std::string> log;
  ToolWindow monitor = Dialog("Form_DEBUG", &log);
  monitor.modal = false;
  r.host.OpenWindow(&monitor);
  Drain(r.host);
  EXPECT_THAT(r.handler.log, ElementsAre("10 down left 5,5", "20 key 65"));
  EXPECT_THAT(log, ElementsAre("Form_DEBUG ok"));

  // A modal window over it takes the keys, not the monitor below.
  ASSERT_TRUE(r.host.LoadEvents("40 key Escape\n").ok());
  ToolWindow modal = Dialog("Modal", &log);
  r.host.OpenWindow(&modal);
  r.host.OpenWindow(&monitor);
  Drain(r.host);
  EXPECT_THAT(log, ElementsAre("Form_DEBUG ok", "Modal escape"));
}

TEST(HeadlessWindows, TheTimerGoesOnWhileAWindowIsOpen) {
  Rig r("120 press Button_OK\n");
  std::vector<std::string> log;
  ToolWindow w = Dialog("W", &log);
  r.host.SetTimerEnabled(true);
  r.host.OpenWindow(&w);
  Drain(r.host);
  EXPECT_THAT(r.handler.log, ElementsAre("50 timer", "100 timer"));
  EXPECT_THAT(log, ElementsAre("W ok"));
}

// A window's own timer (the debug monitor's refresh) runs while a modal
// window above it waits and the game timer stands still, without a tick.
TEST(HeadlessWindows, AWindowTimerRunsUnderAModalWindowWithoutGameTicks) {
  Rig r("");
  std::vector<std::string> log;
  ToolWindow monitor = Dialog("Form_DEBUG", &log);
  monitor.modal = false;
  monitor.timer_interval_ms = 200;
  monitor.on_timer = [&] { log.push_back(std::to_string(r.host.now()) + " refresh"); };
  r.host.SetTimerEnabled(false);
  r.host.OpenWindow(&monitor);
  ToolWindow modal = Dialog("Modal", &log);
  r.host.OpenWindow(&modal);
  while (r.host.now() < 700) ASSERT_TRUE(r.host.Pump(true, 700));
  EXPECT_THAT(log, ElementsAre("200 refresh", "400 refresh", "600 refresh"));
  EXPECT_TRUE(r.handler.log.empty());

  // Closed, its timer stops with it; a pump then sleeps to its deadline.
  r.host.CloseWindow(&monitor);
  r.host.CloseWindow(&modal);
  ASSERT_TRUE(r.host.Pump(true, 1500));
  EXPECT_EQ(r.host.now(), 1500u);
  EXPECT_EQ(log.size(), 3u);
}

TEST(HeadlessWindows, WindowsArePlacedAsTheyAsk) {
  HeadlessOptions options;
  options.screen_width = 1000;
  options.screen_height = 700;
  Rig r("5 click 100 50\n", options);
  r.host.SetWindowPosition(20, 30);
  std::vector<std::string> log;
  ToolWindow centred = Dialog("C", &log);
  r.host.OpenWindow(&centred);
  EXPECT_EQ(centred.left, (1000 - centred.OuterWidth()) / 2);
  EXPECT_EQ(centred.top, (700 - centred.OuterHeight()) / 2);
  r.host.CloseWindow(&centred);

  Drain(r.host);  // the click reaches the game and moves the pointer
  ToolWindow menu = Dialog("M", &log);
  menu.placement = Placement::kAtPointer;
  r.host.OpenWindow(&menu);
  EXPECT_EQ(menu.left, 120);
  EXPECT_EQ(menu.top, 80);
  r.host.CloseWindow(&menu);

  // Beside the game: past its right border, the frames' tops level.
  ToolWindow monitor = Dialog("Form_DEBUG", &log);
  monitor.placement = Placement::kBesideGame;
  r.host.OpenWindow(&monitor);
  EXPECT_EQ(monitor.left, 20 + 640 + 2 * kFrameBorderPx);
  EXPECT_EQ(monitor.top, 30 - kCaptionBarPx - kFrameBorderPx);
}

TEST(HeadlessWindows, AFileAnswerWaitsForADialog) {
  Rig r(
      "10 file saves/a.kvd\n"
      "20 press Button_OK\n");
  std::vector<std::string> log;
  std::vector<std::optional<std::string>> answers;
  ToolWindow plain = Dialog("Plain", &log);
  r.host.OpenWindow(&plain);
  r.host.Pump(false, 0);
  r.host.Pump(false, 0);
  EXPECT_THAT(log, ElementsAre("Plain ok"));
  EXPECT_TRUE(answers.empty());
  // The answer waits, but alone it keeps no run going: no dialog may come.
  EXPECT_TRUE(r.host.OutOfScriptedInput());

  ToolWindow dialog = Dialog("OpenDialog1", &log);
  dialog.on_file_answer = [&](const std::optional<std::string>& a) { answers.push_back(a); };
  r.host.OpenWindow(&dialog);
  EXPECT_FALSE(r.host.OutOfScriptedInput());  // now it has a taker
  r.host.Pump(false, 0);
  ASSERT_EQ(answers.size(), 1u);
  EXPECT_EQ(answers[0], "saves/a.kvd");
  EXPECT_TRUE(r.host.OutOfScriptedInput());
}

TEST(HeadlessWindows, FileCancelAnswersNothing) {
  Rig r("10 file-cancel\n");
  std::vector<std::string> log;
  std::vector<std::optional<std::string>> answers;
  ToolWindow dialog = Dialog("SaveDialog1", &log);
  dialog.on_file_answer = [&](const std::optional<std::string>& a) { answers.push_back(a); };
  r.host.OpenWindow(&dialog);
  Drain(r.host);
  r.host.Pump(false, 0);
  ASSERT_EQ(answers.size(), 1u);
  EXPECT_FALSE(answers[0].has_value());
}

TEST(HeadlessWindows, ShotDrawsTheNamedWindowWithItsFrame) {
  const auto dir = std::filesystem::temp_directory_path() / "zepa_headless_window_shot";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  const std::string file = (dir / "w.png").string();
  const std::string missing = (dir / "none.png").string();
  Rig r("10 shot " + file + " W\n" + "10 shot " + missing + " Other\n");
  std::vector<std::string> log;
  ToolWindow w = Dialog("W", &log);
  r.host.OpenWindow(&w);
  Drain(r.host);
  auto shot = ReadPng(file);
  ASSERT_TRUE(shot.has_value());
  EXPECT_EQ(shot->width, w.OuterWidth());
  EXPECT_EQ(shot->height, w.OuterHeight());
  EXPECT_FALSE(std::filesystem::exists(missing));  // no such window: reported, nothing written
  std::filesystem::remove_all(dir);
}

TEST(HeadlessWindows, OpenedAddressesAreRecorded) {
  Rig r("");
  r.host.OpenUrl("https://example.org/");
  EXPECT_THAT(r.host.urls_opened(), ElementsAre("https://example.org/"));
}

}  // namespace
}  // namespace zepa::platform
