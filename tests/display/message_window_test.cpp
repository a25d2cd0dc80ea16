// The message window built alone: a headless host, two surfaces, box glyphs.
#include "display/message_window.h"

#include <gtest/gtest.h>

#include <optional>

#include "box_font.h"
#include "display/text_layout.h"
#include "memory_pictures.h"
#include "platform/headless/headless_host.h"
#include "script/interpreter.h"

namespace zepa::display {
namespace {

namespace adv = script::adv;
using platform::Surface;

constexpr platform::Color kGround = 0x402010;

class MessageWindowAlone : public ::testing::Test {
 protected:
  void SetUp() override {
    MessageLayout layout;
    layout.geometry.lines = 2;  // two lines a page, so paging shows quickly
    layout.icon_x = 600;
    layout.icon_y = 440;
    window_.Configure(layout, /*text_wait=*/10, std::make_unique<testing::BoxFont>());
    window_.LoadWaitIcons();
  }
  // Some pixel of the n-th message line (0-based) shows text.
  bool LineShown(int n) const { return display_.Get(13, 348 + 21 * n + 5) == 0xffffffu; }

  platform::HeadlessHost host_{{}};
  Surface display_{640, 480, kGround};
  Surface back_buffer_{640, 480, kGround};
  testing::MemoryPictures pictures_;
  int adv_mode_ = adv::kBusy;
  MessageWindow window_{host_, display_, back_buffer_, pictures_, adv_mode_};
};

TEST_F(MessageWindowAlone, PagesScrollByOneLineAndTheEndErasesTheText) {
  const Surface before = display_;
  window_.ShowText("a\nb\nc", false);
  EXPECT_EQ(adv_mode_, adv::kMoreText);
  EXPECT_EQ(window_.wait_icon(), WaitIconKind::kNext);
  EXPECT_EQ(window_.message_exist(), 2);
  EXPECT_EQ(window_.select_y(), 348 + 42);
  EXPECT_TRUE(LineShown(0));
  EXPECT_TRUE(LineShown(1));

  window_.ContinueText();  // lines b and c
  EXPECT_EQ(adv_mode_, adv::kTextEnd);
  EXPECT_EQ(window_.wait_icon(), WaitIconKind::kEnd);
  EXPECT_EQ(window_.text_pending(), 0);

  window_.ContinueText();
  EXPECT_EQ(adv_mode_, adv::kRun);
  EXPECT_EQ(window_.message_exist(), 0);
  EXPECT_EQ(window_.wait_mode(), 0);
  EXPECT_EQ(display_, before);  // text and icon gone
  EXPECT_EQ(back_buffer_, Surface(640, 480, kGround));
}

TEST_F(MessageWindowAlone, RevealTakesTheTextWaitPerGlyphAndHoldsTheGameBusy) {
  adv_mode_ = adv::kRun;
  const uint32_t start = host_.NowMs();
  window_.SetTextWait(100);
  EXPECT_EQ(window_.RevealLine(12, 348, "abcd"), 0);
  EXPECT_GE(host_.NowMs() - start, 400u);
  EXPECT_LT(host_.NowMs() - start, 420u);
  EXPECT_EQ(adv_mode_, adv::kRun);  // busy only while a glyph fades
}

// Keeps the display as it was presented once the virtual clock reached a
// moment, so a test can look inside a reveal that is still running.
class SnapshotHost final : public platform::HeadlessHost {
 public:
  SnapshotHost() : HeadlessHost({}) {}
  void Present(const Surface& display) override {
    if (!snapshot && NowMs() >= snapshot_at_ms) snapshot = display;
    HeadlessHost::Present(display);
  }
  // Headless runs draw only the frames a shot will see; this one looks at all.
  bool FrameWanted() override { return true; }
  uint32_t snapshot_at_ms = 0;
  std::optional<Surface> snapshot;
};

TEST(MessageWindowReveal, PartWayThroughALineTheEarlierGlyphsAreWholeAndTheLaterOnesAbsent) {
  SnapshotHost host;
  Surface display(640, 480, kGround), back_buffer(640, 480, kGround);
  testing::MemoryPictures pictures;
  int adv_mode = adv::kRun;
  MessageWindow window(host, display, back_buffer, pictures, adv_mode);
  window.Configure(MessageLayout{}, /*text_wait=*/100, std::make_unique<testing::BoxFont>());
  // Two glyphs of 100 ms each have faded in by 250 ms, the third is half
  // way, the last has not begun.
  host.snapshot_at_ms = host.NowMs() + 250;
  ASSERT_EQ(window.RevealLine(12, 348, "abcd"), 0);
  ASSERT_TRUE(host.snapshot);
  const std::vector<GlyphPlacement> glyphs = PlaceGlyphs("abcd", 12, 348);
  ASSERT_EQ(glyphs.size(), 4u);
  auto shown = [&](int i) { return host.snapshot->Get(glyphs[i].x + 2, 353); };
  EXPECT_EQ(shown(0), 0xffffffu);
  EXPECT_EQ(shown(1), 0xffffffu);
  const platform::Color half = shown(2);
  EXPECT_NE(half, kGround);
  EXPECT_NE(half, 0xffffffu);
  // Half way from the ground to white, channel by channel, within a step of
  // the frame's clock.
  for (int shift : {0, 8, 16}) {
    const int ground = (kGround >> shift) & 0xff;
    const int mid = ground + (255 - ground) / 2;
    EXPECT_NEAR(static_cast<int>((half >> shift) & 0xff), mid, 6) << shift;
  }
  EXPECT_EQ(shown(3), kGround);
  int glyphs_begun = 0;
  for (int i = 0; i < 4; ++i) glyphs_begun += shown(i) != kGround;
  EXPECT_EQ(glyphs_begun, 3);
  // Afterwards every glyph is whole.
  for (int i = 0; i < 4; ++i) EXPECT_EQ(display.Get(glyphs[i].x + 2, 353), 0xffffffu) << i;
}

TEST_F(MessageWindowAlone, TheWaitIconBlinksEveryInterval) {
  window_.ShowWaitIcon(WaitIconKind::kSelect);
  const platform::Color icon_pixel = display_.Get(616, 456);
  ASSERT_NE(icon_pixel, kGround);
  // Ticks run the blink step every 50 ms; the first, still in the visible
  // half-period, leaves the icon drawn.
  window_.BlinkWaitIcon();
  EXPECT_EQ(display_.Get(616, 456), icon_pixel);
  for (int half = 1; half <= 4; ++half) {
    host_.Pump(true, host_.NowMs() + 500);
    window_.BlinkWaitIcon();
    EXPECT_EQ(display_.Get(616, 456), half % 2 == 1 ? kGround : icon_pixel)
        << "half-period " << half;
  }
  window_.HideWaitIcon();
  EXPECT_EQ(display_, Surface(640, 480, kGround));
}

}  // namespace
}  // namespace zepa::display
