#include "windows/modal.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/headless/headless_host.h"
#include "platform/recording_handler.h"

namespace zepa::windows {
namespace {

using ::testing::ElementsAre;

struct Rig {
  explicit Rig(const std::string& events) : host(platform::HeadlessOptions{}), handler(&host) {
    const auto loaded = host.LoadEvents(events);
    EXPECT_TRUE(loaded.ok()) << loaded.message();
    host.SetHandler(&handler);
  }
  platform::HeadlessHost host;
  platform::testing::RecordingHandler handler;
};

platform::ToolWindow Box() {
  platform::ToolWindow w;
  w.name = "Box";
  w.caption = "箱";
  w.client_width = 100;
  w.client_height = 50;
  platform::Control ok;
  ok.name = "OKButton";
  ok.kind = platform::ControlKind::kButton;
  ok.rect = {10, 10, 50, 20};
  ok.text = "OK";
  w.controls.push_back(ok);
  return w;
}

TEST(ShowModal, TheCallerResumesOnlyAfterTheWindowClosesAndTicksGoOn) {
  Rig r("170 press OKButton\n500 quit\n");
  WindowState state;
  platform::ToolWindow box = Box();
  box.Find("OKButton")->on_click = [&] { box.Close(); };
  std::vector<size_t> open_at_tick;
  r.handler.on_timer = [&] { open_at_tick.push_back(state.open.size()); };
  r.host.SetTimerEnabled(true);
  EXPECT_EQ(ShowModal(r.host, box, state), ModalResult::kClosed);
  // Three ticks ran while the box waited, each seeing it listed.
  EXPECT_EQ(r.host.NowMs(), 170u);
  EXPECT_THAT(open_at_tick, ElementsAre(1u, 1u, 1u));
  EXPECT_TRUE(state.open.empty());
  EXPECT_TRUE(r.host.windows().empty());
  EXPECT_TRUE(state.left_open.empty());
}

TEST(ShowModal, ATimerStoppedByTheCallerStaysStopped) {
  // The mouse handler stops the timer before it opens the menu.
  Rig r("400 press OKButton\n");
  WindowState state;
  platform::ToolWindow box = Box();
  box.Find("OKButton")->on_click = [&] { box.Close(); };
  r.host.SetTimerEnabled(false);
  EXPECT_EQ(ShowModal(r.host, box, state), ModalResult::kClosed);
  EXPECT_EQ(r.handler.timer_calls, 0);
  EXPECT_EQ(r.host.NowMs(), 400u);
}

TEST(ShowModal, ARunWhoseScriptEndsWhileTheWindowWaitsEndsWithTheWindowKept) {
  Rig r("150 press OKButton\n");
  WindowState state;
  platform::ToolWindow outer = Box();
  platform::ToolWindow inner = Box();
  inner.name = "Inner";
  ModalResult inner_result = ModalResult::kClosed;
  // The outer box's button opens a second box over it.
  outer.Find("OKButton")->on_click = [&] { inner_result = ShowModal(r.host, inner, state); };
  r.host.SetTimerEnabled(true);
  EXPECT_EQ(ShowModal(r.host, outer, state), ModalResult::kAbandoned);
  EXPECT_EQ(inner_result, ModalResult::kAbandoned);
  EXPECT_TRUE(r.host.Closed());
  ASSERT_EQ(state.left_open.size(), 2u);
  EXPECT_EQ(state.left_open[0].name, "Box");
  EXPECT_EQ(state.left_open[1].name, "Inner");
  EXPECT_TRUE(state.open.empty());
}

TEST(WindowText, ConvertsBetweenTheGameAndTheWindowsInOnePlace) {
  const std::string cp932 = "\x8e\xbf\x96\xe2";  // "質問"
  EXPECT_EQ(ToWindowText(cp932), "質問");
  std::string back;
  ASSERT_TRUE(ToGameText("質問?", &back));
  EXPECT_EQ(back, cp932 + "?");
  back = "kept";
  EXPECT_FALSE(ToGameText("한", &back));
  EXPECT_EQ(back, "kept");

  WindowState state;
  state.SetDialogFileName(std::string(600, 'a'));
  EXPECT_EQ(state.dialog_file_name.size(), 511u);
}

}  // namespace
}  // namespace zepa::windows
