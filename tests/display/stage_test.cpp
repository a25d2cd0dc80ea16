// The stage built alone: a headless host, pictures in memory, no game.
#include "display/stage.h"
#include "script/wait_state.h"

#include <gtest/gtest.h>

#include <vector>

#include "memory_pictures.h"
#include "platform/headless/headless_host.h"

namespace zepa::display {
namespace {

using platform::Color;
using platform::Surface;

// Remembers the wait state that every presented frame was shown in.
class WatchingHost : public platform::HeadlessHost {
 public:
  explicit WatchingHost(const int& adv_mode) : HeadlessHost({}), adv_mode_(adv_mode) {}
  void Present(const Surface& display) override {
    modes_seen.push_back(adv_mode_);
    HeadlessHost::Present(display);
  }
  std::vector<int> modes_seen;

 private:
  const int& adv_mode_;
};

// One colour inside a white (key) border of one pixel.
Surface Keyed(int w, int h, Color c) {
  Surface s(w, h, 0xffffff);
  for (int y = 1; y < h - 1; ++y)
    for (int x = 1; x < w - 1; ++x) s.Set(x, y, c);
  return s;
}

class StageAlone : public ::testing::Test {
 protected:
  int adv_mode_ = script::adv::kRun;
  WatchingHost host_{adv_mode_};
  testing::MemoryPictures pictures_;
  Stage stage_{host_, pictures_, adv_mode_};
};

TEST_F(StageAlone, ComposesBackgroundCharactersAndFrameOnTheBackBuffer) {
  pictures_.pictures["bg.bmp"] = Surface(640, 480, 0xa0b0c0);
  pictures_.pictures["a.bmp"] = Keyed(200, 300, 0x0000ff);
  pictures_.pictures["frame\\frame2.bmp"] = Surface(640, 100, 0x7f7f7f);
  pictures_.pictures["frame\\frame.bmp"] = Surface(640, 100, 0xffffff);  // all key: no picture

  stage_.PicCommand("bg.bmp");
  EXPECT_EQ(stage_.picture_path(), "/game/bg.bmp");
  EXPECT_EQ(stage_.frame_shown(), 1);
  EXPECT_EQ(stage_.back_buffer().Get(5, 400), 0x203040u);  // max(0, c + 127 - 255) per channel

  // A character drawn while the frame is shown goes under the frame.
  stage_.CharaCommand("a.bmp");
  EXPECT_EQ(stage_.character_record(), "a.bmp");
  EXPECT_EQ(stage_.character_count(), 1);
  EXPECT_EQ(stage_.back_buffer().Get(230, 200), 0x0000ffu);  // top-left (220, 180)
  EXPECT_EQ(stage_.back_buffer().Get(230, 420), 0x00007fu);  // shaded by the frame again
  EXPECT_EQ(stage_.frame_shown(), 1);

  // Erasing the characters puts the background back; nothing reached the display.
  stage_.RemoveFrame();
  stage_.CharaCommand("");
  EXPECT_EQ(stage_.back_buffer(), Surface(640, 480, 0xa0b0c0));
  EXPECT_EQ(stage_.display(), Surface(640, 480, 0xffffff));
  EXPECT_EQ(stage_.character_count(), 0);
}

TEST_F(StageAlone, FadeHoldsTheGameBusyAndEndsOnTheBackBuffer) {
  int replaced = 0;
  stage_.SetDisplayReplacedHandler([&] { ++replaced; });
  stage_.FillBuffer(0x000000);
  adv_mode_ = script::adv::kTextEnd;
  stage_.FadeToBuffer(300);
  EXPECT_EQ(stage_.display(), stage_.back_buffer());
  EXPECT_EQ(replaced, 1);
  EXPECT_EQ(adv_mode_, script::adv::kTextEnd);  // given back afterwards
  ASSERT_FALSE(host_.modes_seen.empty());
  for (int mode : host_.modes_seen) EXPECT_EQ(mode, script::adv::kBusy);
  EXPECT_GE(host_.NowMs(), 300u);

  // Held Shift completes a fade at once.
  platform::ScriptedEvent hold;
  hold.at_ms = host_.NowMs();
  hold.action = platform::EventAction::kHold;
  hold.vk_code = platform::vk::kShift;
  hold.hold_ms = 10000;
  host_.AddEvent(hold);
  stage_.FillBuffer(0x00ff00);
  const uint32_t before = host_.NowMs();
  stage_.FadeToBuffer(65535);
  EXPECT_EQ(stage_.display().Get(0, 0), 0x00ff00u);
  EXPECT_LT(host_.NowMs() - before, 10u);
  EXPECT_EQ(replaced, 2);
}

TEST_F(StageAlone, FlipAndShapesWorkOnTheDisplay) {
  stage_.FillCommand(0x112233);
  stage_.Flip();
  EXPECT_EQ(stage_.display().Get(100, 100), 0x112233u);
  stage_.SetPenColor(0x0000ff);
  stage_.SetBrushColor(0x00ff00);
  stage_.CircleCommand({100, 100, 50, 1, 0});
  EXPECT_EQ(stage_.display().Get(100, 100), 0x00ff00u);  // filled with the brush
  EXPECT_EQ(stage_.back_buffer().Get(100, 100), 0x112233u);
  stage_.Reset();
  EXPECT_EQ(stage_.pen_color(), 0x00ff00u);
  EXPECT_EQ(stage_.brush_color(), 0xff0000u);
}

}  // namespace
}  // namespace zepa::display
