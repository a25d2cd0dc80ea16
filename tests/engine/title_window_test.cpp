// The title window on the headless clock: how long each stage lasts for the
// settings, the cancelling inputs, and the blend.
#include "engine/title_window.h"

#include <gtest/gtest.h>

#include <optional>

#include "platform/headless/headless_host.h"

namespace zepa::engine {
namespace {

TEST(TitleSettings, DefaultsAndDebugForcesNoHold) {
  TitleSettings s = ReadTitleSettings(IniFile::Parse(""));
  EXPECT_EQ(s.time_s, 3);
  EXPECT_EQ(s.fade_ms, 3000);
  s = ReadTitleSettings(IniFile::Parse("[TITLE]\r\nTIME=5\r\nFADE=700\r\n"));
  EXPECT_EQ(s.time_s, 5);
  EXPECT_EQ(s.fade_ms, 700);
  s = ReadTitleSettings(IniFile::Parse("[TITLE]\r\nTIME=5\r\n[SYSTEM]\r\nDEBUG=1\r\n"));
  EXPECT_EQ(s.time_s, 0);
}

TEST(TitleBlend, WeighsEachByteIn16Bits) {
  platform::Surface bg(1, 1, 0xc8c8c8), fg(1, 1, 0x646464), out;  // bytes 200 and 100
  BlendTitle(bg, fg, 16384, out);
  // (200 * 49151 + 100 * 16384) >> 16 = 174: the weights sum to 65535, so
  // even a full foreground weight falls a little short.
  EXPECT_EQ(out.Get(0, 0), 0xaeaeaeu);
  BlendTitle(bg, fg, 65535, out);
  EXPECT_EQ(out.Get(0, 0), 0x636363u);
  BlendTitle(bg, fg, 0, out);
  EXPECT_EQ(out.Get(0, 0), 0xc7c7c7u);
}

TEST(TitleDesktop, CropsTheCentredAreaAndFillsTheRestBlack) {
  platform::Surface desktop(800, 600, 0x123456);
  desktop.Set((800 - 205) / 2, (600 - 203) / 2, 0xabcdef);
  const platform::Surface crop = CropDesktop(desktop, {800, 600});
  EXPECT_EQ(crop.width, 205);
  EXPECT_EQ(crop.Get(0, 0), 0xabcdefu);
  EXPECT_EQ(crop.Get(1, 1), 0x123456u);
  // A desktop picture smaller than the screen reaches only part of it.
  const platform::Surface partial = CropDesktop(platform::Surface(400, 300, 0xffffff), {800, 600});
  EXPECT_EQ(partial.Get(0, 0), 0xffffffu);
  EXPECT_EQ(partial.Get(204, 202), 0x000000u);
}

class TitleRun : public ::testing::Test {
 protected:
  struct Outcome {
    uint32_t closed_ms = 0;
    std::optional<uint32_t> hold_from_ms;  // the first look at the calendar
    bool cancelled = false;
    bool bare_shown = false;
    platform::Surface last_frame;
  };
  Outcome Run(TitleSettings settings, const std::string& events = "") {
    host_ = platform::CreateHeadlessHost(platform::HeadlessOptions{});
    const auto loaded = host_->LoadEvents(events);
    EXPECT_TRUE(loaded.ok()) << loaded.message();
    Outcome o;
    TitleWindow title(*host_, settings, platform::Surface(205, 203, 0x000000), nullptr, [&] {
      if (!o.hold_from_ms) o.hold_from_ms = host_->NowMs();
      return static_cast<int64_t>(host_->NowMs() / 1000);
    });
    title.Run();
    o.closed_ms = host_->NowMs();
    o.cancelled = title.cancelled();
    o.bare_shown = title.window().Find("Image1")->visible;
    o.last_frame = title.window().Find("Image2")->picture;
    EXPECT_TRUE(host_->windows().empty());
    return o;
  }
  std::unique_ptr<platform::HeadlessHost> host_;
};

TEST_F(TitleRun, NoHoldClosesOnTheFirstTickWithoutFading) {
  for (const TitleSettings s : {TitleSettings{0, 3000}, TitleSettings{0, 0}}) {
    const Outcome o = Run(s);
    EXPECT_EQ(o.closed_ms, 100u);
    EXPECT_FALSE(o.hold_from_ms.has_value());
    EXPECT_EQ(o.last_frame.Get(100, 100), 0x000000u);  // still the desktop
  }
}

TEST_F(TitleRun, NoFadeShowsTheBarePictureForTheHold) {
  const Outcome o = Run({2, 0});
  EXPECT_TRUE(o.bare_shown);
  ASSERT_TRUE(o.hold_from_ms.has_value());
  EXPECT_EQ(*o.hold_from_ms, 100u);
  // Whole seconds: from 0.1 s (second 0) until second 3 begins.
  EXPECT_GE(o.closed_ms - *o.hold_from_ms, 2000u);
  EXPECT_LE(o.closed_ms - *o.hold_from_ms, 3000u);
}

TEST_F(TitleRun, DefaultsFadeInHoldAndFadeOut) {
  const Outcome o = Run({3, 3000});
  EXPECT_FALSE(o.bare_shown);
  ASSERT_TRUE(o.hold_from_ms.has_value());
  // The fade-in starts on the first tick. Its integer step 65536 / 3000 = 21
  // makes it last until the weight passes 65535: 3121 ms, then the frame.
  EXPECT_GE(*o.hold_from_ms, 100u + 3121u);
  EXPECT_LE(*o.hold_from_ms, 100u + 3121u + 10u);
  // The hold lasts between 3 and 4 s, then the fade-out takes as long again.
  const uint32_t fade_out_from = o.closed_ms - 3130;
  EXPECT_GE(fade_out_from - *o.hold_from_ms, 3000u - 20u);
  EXPECT_LE(fade_out_from - *o.hold_from_ms, 4000u + 120u);
  // The fade-out ends near the background again.
  EXPECT_LT(platform::RedOf(o.last_frame.Get(100, 100)), 8);
}

TEST_F(TitleRun, HeldSpaceEndsTheFadeInAtItsFirstFrame) {
  const Outcome o = Run({3, 3000}, "0 hold Space 5000\n");
  EXPECT_TRUE(o.cancelled);
  // The first frame is the desktop itself; the next tick closes the window.
  EXPECT_EQ(o.last_frame.Get(100, 100), 0x000000u);
  EXPECT_EQ(o.closed_ms, 200u);
}

TEST_F(TitleRun, AClickClosesItAtOnce) {
  const Outcome o = Run({3, 3000}, "1500 press Image2\n");
  EXPECT_GE(o.closed_ms, 1500u);
  EXPECT_LE(o.closed_ms, 1520u);
  // Mid-fade: the last frame drawn is the one of 1490 ms, 1390 ms into the
  // fade that began on the first tick, weighing the picture at 1390 * 21 of
  // 65536 over the black desktop.
  const platform::Surface picture = TitleForeground(nullptr);
  const uint32_t weight = (1490 - 100) * (65536 / 3000);
  for (const auto& [x, y] : {std::pair{100, 100}, std::pair{20, 180}, std::pair{200, 5}}) {
    const platform::Color want = picture.Get(x, y);
    const auto part = [&](int shift) { return (((want >> shift) & 0xff) * weight) >> 16; };
    EXPECT_EQ(o.last_frame.Get(x, y), part(16) << 16 | part(8) << 8 | part(0)) << x << "," << y;
  }
  EXPECT_NE(o.last_frame.Get(100, 100), 0x000000u);
}

}  // namespace
}  // namespace zepa::engine
