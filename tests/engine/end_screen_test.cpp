// The end screen through headless runs: the end sound's length decides how
// long the picture stays and whether it fades to white before the close.
#include "engine/end_screen.h"

#include <gtest/gtest.h>

#include "display/pixels.h"
#include "engine/game_fixture.h"
#include "platform/headless/image_writer.h"
#include "platform/media_files.h"

namespace zepa::engine {
namespace {

class EndScreen : public testing::GameFixture {
 protected:
  std::string Path(const std::string& name) { return (dir_ / name).string(); }
  platform::Surface Shot(const std::string& name) {
    auto picture = platform::ReadPng(Path(name));
    EXPECT_TRUE(picture.has_value()) << name;
    return picture ? *picture : platform::Surface();
  }
  void Sound(const std::string& name, uint32_t ms) {
    platform::testing::WriteBytes(dir_ / name, platform::testing::Wav(ms, 8000));
  }
  // The time the end sequence starts: the start scenario's 500 ms fade, then
  // the first tick runs "end".
  uint32_t Start() {
    Play("[set]n=0\n", "");
    return Now();
  }
};

// A corner pixel is white on the end screen; the centre of the built-in
// picture (a gradient sky) is not.
bool ShowsPicture(const platform::Surface& s) {
  return s.Get(0, 0) == 0xffffff && s.Get(320, 200) != 0xffffff;
}
bool AllWhite(const platform::Surface& s) {
  for (int y = 0; y < s.height; y += 7)
    for (int x = 0; x < s.width; x += 7)
      if (s.Get(x, y) != 0xffffff) return false;
  return true;
}

TEST_F(EndScreen, BuiltInPictureSitsCentredOnWhite) {
  const platform::Surface& picture = BuiltInEndPicture();
  ASSERT_EQ(picture.width, 322);
  ASSERT_EQ(picture.height, 229);
  platform::Surface buffer(640, 480, 0x000000);
  const script::PathResolver paths(dir_.string());
  GamePictures pictures(paths);
  ComposeEndPicture(buffer, pictures, "ZEPA");
  EXPECT_EQ(buffer.Get(158, 125), 0xffffffu);
  EXPECT_EQ(buffer.Get(159, 124), 0xffffffu);
  EXPECT_EQ(buffer.Get(159, 125), picture.Get(0, 0));
  EXPECT_EQ(buffer.Get(159 + 321, 125 + 228), picture.Get(321, 228));
  EXPECT_EQ(buffer.Get(159 + 322, 125 + 228), 0xffffffu);
  // An empty name leaves plain white.
  ComposeEndPicture(buffer, pictures, "");
  EXPECT_TRUE(AllWhite(buffer));
}

TEST_F(EndScreen, OtherNamesAreLookedUpAsFilesEvenZepaInLowerCase) {
  const script::PathResolver paths(dir_.string());
  GamePictures pictures(paths);
  platform::Surface buffer(640, 480);
  // No file of that name: plain white, not the built-in picture.
  ComposeEndPicture(buffer, pictures, "zepa");
  EXPECT_TRUE(AllWhite(buffer));
  // A 101 x 51 picture goes to ((640 - 101) / 2, (480 - 51) / 2), halves down.
  platform::Surface small(101, 51, 0x0000ff);
  ASSERT_TRUE(platform::WriteImage(small, Path("zepa.bmp")));
  ComposeEndPicture(buffer, pictures, "zepa.bmp");
  EXPECT_EQ(buffer.Get(269, 214), 0x0000ffu);
  EXPECT_EQ(buffer.Get(268, 214), 0xffffffu);
  EXPECT_EQ(buffer.Get(269, 213), 0xffffffu);
  EXPECT_EQ(buffer.Get(369, 264), 0x0000ffu);
  EXPECT_EQ(buffer.Get(370, 264), 0xffffffu);
}

TEST_F(EndScreen, TenSecondSoundHoldsThePictureThenFadesToWhiteBeforeItEnds) {
  const uint32_t s = Start();
  TearDown();
  SetUp();
  Sound("se/sleep.wav", 10000);
  const auto at = [&](uint32_t ms) { return std::to_string(s + ms); };
  Play("[end]\n", at(1000) + " shot " + Path("fading_in.png") + "\n" + at(7900) + " shot " +
                      Path("held.png") + "\n" + at(9000) + " shot " + Path("fading_out.png") +
                      "\n");
  const uint32_t closed = Now();
  EXPECT_TRUE(host_->Closed());
  EXPECT_GE(closed, s + 10000);
  EXPECT_LE(closed, s + 10100);
  const platform::Surface in = Shot("fading_in.png"), held = Shot("held.png"),
                          out = Shot("fading_out.png");
  EXPECT_TRUE(ShowsPicture(held));
  EXPECT_EQ(held.Get(200, 300), BuiltInEndPicture().Get(41, 175));
  // Half-way through either fade the shot is the blend of white and the
  // picture at the fade's weight, 32 of 65536 per ms of its 2000 ms, as of
  // the frame drawn in the millisecond before the shot. The fade-in begins
  // with the sequence; the fade-out 1 ms after the sound's last 2000 ms begin.
  const auto blend = [](platform::Color from, platform::Color to, uint32_t weight) {
    platform::Surface a(1, 1, from), b(1, 1, to), blended(1, 1);
    display::BlendFrames(a, b, blended, weight);
    return blended.Get(0, 0);
  };
  const platform::Color sky = held.Get(200, 300);
  EXPECT_EQ(in.Get(200, 300), blend(0xffffff, sky, (1000 - 1) * 32));
  EXPECT_EQ(out.Get(200, 300), blend(sky, 0xffffff, (9000 - 1 - 8001) * 32));
  EXPECT_NE(out.Get(200, 300), 0xffffffu);
  EXPECT_TRUE(AllWhite(game_->display()));
}

TEST_F(EndScreen, ShortSoundClosesWhenItEndsWithoutFadingToWhite) {
  const uint32_t s = Start();
  TearDown();
  SetUp();
  // 3.5 s: the fade to white is due at 1.5 s, inside the fade-in, so it runs
  // right after it; the sound ends during it and the window closes at 4 s.
  Sound("se/sleep.wav", 3500);
  Play("[end]\n");
  EXPECT_GE(Now(), s + 4000);
  EXPECT_LE(Now(), s + 4100);
  EXPECT_TRUE(AllWhite(game_->display()));
  TearDown();
  SetUp();
  Sound("se/sleep.wav", 1500);
  Play("[end]\n");
  // The sound ended during the fade-in; the window closes as that ends.
  EXPECT_GE(Now(), s + 2000);
  EXPECT_LE(Now(), s + 2050);
  EXPECT_TRUE(ShowsPicture(game_->display()));
}

TEST_F(EndScreen, MissingSoundClosesRightAfterTheFadeIn) {
  const uint32_t s = Start();
  TearDown();
  SetUp();
  Play("[endbgm]nothing.wav\n[end]\n");
  EXPECT_TRUE(host_->Closed());
  EXPECT_GE(Now(), s + 50 + 2000);
  EXPECT_LE(Now(), s + 50 + 2050);
  EXPECT_TRUE(ShowsPicture(game_->display()));
}

TEST_F(EndScreen, HeldHurryInputEndsTheWaitAtOnce) {
  const uint32_t s = Start();
  TearDown();
  SetUp();
  Sound("se/sleep.wav", 10000);
  Play("[end]\n", std::to_string(s + 4000) + " hold Space 500\n");
  EXPECT_GE(Now(), s + 4000);
  EXPECT_LE(Now(), s + 4050);
  EXPECT_TRUE(ShowsPicture(game_->display()));
}

}  // namespace
}  // namespace zepa::engine
