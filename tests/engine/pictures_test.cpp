// Back-buffer composition and transitions through the headless host.
#include <nlohmann/json.hpp>

#include "display/packfile.h"
#include "display/picture.h"
#include "game_fixture.h"

namespace zepa::engine::testing {
namespace {

using platform::Color;
using platform::Surface;

class Pictures : public GameFixture {
 protected:
  void WriteBmp(const std::string& name, const Surface& s) {
    const auto bytes = display::EncodeBmp24(s);
    Write(name, std::string(bytes.begin(), bytes.end()));
  }
  // A picture of one colour with a white (key) border of one pixel.
  Surface Keyed(int w, int h, Color c) {
    Surface s(w, h, 0xffffff);
    for (int y = 1; y < h - 1; ++y)
      for (int x = 1; x < w - 1; ++x) s.Set(x, y, c);
    return s;
  }
  const Surface& Back() { return game_->back_buffer(); }
  const Surface& Display() { return game_->display(); }
};

TEST_F(Pictures, PShowsTheBackgroundWithTheFrameAfterAFade) {
  WriteBmp("bg.bmp", Surface(640, 480, 0xc0c0c0));
  WriteBmp("frame/frame2.bmp", Surface(640, 100, 0x7f7f7f));
  Surface frame(640, 100, 0xffffff);  // white, the top-left pixel, is the key
  for (int y = 49; y <= 51; ++y)
    for (int x = 10; x <= 12; ++x) frame.Set(x, y, 0x0000ff);
  WriteBmp("frame/frame.bmp", frame);
  Play("[set]a=TIME\n[p]BG.BMP\n[set]b=TIME\n");
  EXPECT_EQ(Display().Get(5, 5), 0xc0c0c0u);
  EXPECT_EQ(Display().Get(5, 400), 0x404040u);   // max(0, 192 + 127 - 255)
  EXPECT_EQ(Display().Get(11, 430), 0x0000ffu);  // inside the frame picture
  EXPECT_EQ(Display().Get(10, 430), 0x000040u);  // next to the key: B + F - 255
  const auto j = nlohmann::json::parse(game_->DumpJson());
  EXPECT_EQ(j["frame_shown"], 1);
  EXPECT_GE(Var("b") - Var("a"), 1000);
}

TEST_F(Pictures, CharactersAreCentredAndErasedInReverse) {
  WriteBmp("bg.bmp", Surface(640, 480, 0x203040));
  WriteBmp("a.bmp", Keyed(200, 300, 0x0000ff));
  WriteBmp("b.bmp", Keyed(100, 100, 0x00ff00));
  WriteBmp("c.bmp", Keyed(300, 200, 0xff0000));
  Play("[picture]bg.bmp\n[chara]a.bmp\n[flip]\n[set]step=1\n");
  // 200 x 300 alone: top-left at (220, 180); the key border stays background.
  EXPECT_EQ(Back().Get(220, 180), 0x203040u);
  EXPECT_EQ(Back().Get(230, 200), 0x0000ffu);
  EXPECT_EQ(Back().Get(219, 300), 0x203040u);

  game_.reset();
  media_.reset();
  host_.reset();
  Play("[picture]bg.bmp\n[chara]c.bmp\n[chara]a.bmp, b.bmp\n");
  // c is gone; a centred at 200, b at 440.
  EXPECT_EQ(Back().Get(200, 250), 0x0000ffu);
  EXPECT_EQ(Back().Get(440, 420), 0x00ff00u);
  EXPECT_EQ(Back().Get(320, 300), 0x203040u);
  const auto j = nlohmann::json::parse(game_->DumpJson());
  EXPECT_EQ(j["chara"], "a.bmp,b.bmp");
  EXPECT_EQ(j["character_count"], 2);

  game_.reset();
  media_.reset();
  host_.reset();
  Play("[picture]bg.bmp\n[chara]a.bmp,c.bmp,b.bmp\n[chara]\n");
  // Erasing in reverse order restores the back buffer exactly.
  EXPECT_EQ(Back(), Surface(640, 480, 0x203040));
}

TEST_F(Pictures, BpicOpacityAndPosition) {
  WriteBmp("bg.bmp", Surface(640, 480, 0x000000));
  WriteBmp("x.bmp", Keyed(20, 20, 0xc8c8c8));
  Play("[picture]bg.bmp\n[bpic]10,20,x.bmp:50\n[bpic]x.bmp\n[bpic]10,x.bmp\n[bpic]-1,-1,x.bmp:1000\n");
  // Inside, away from the edge: half picture, half background.
  EXPECT_EQ(Back().Get(10 + 5, 20 + 5), 0x646464u);
  // Centred opaque copy: (640-20)/2 = 310, (480-20)/2 = 230.
  EXPECT_EQ(Back().Get(315, 235), 0xc8c8c8u);
}

TEST_F(Pictures, BpicUnderTheFrameRedrawsTheFrameOnTop) {
  WriteBmp("bg.bmp", Surface(640, 480, 0xffffff));
  WriteBmp("frame/frame2.bmp", Surface(640, 100, 0x7f7f7f));
  WriteBmp("x.bmp", Keyed(40, 40, 0xffffff - 1));
  Play("[pic]bg.bmp\n[bpic]0,400,x.bmp\n");
  // The picture lies in the shaded strip: it is shaded too.
  EXPECT_EQ(Back().Get(10, 410), 0x7f7f7eu);  // shaded once, not twice
  EXPECT_EQ(Back().Get(300, 450), 0x7f7f7fu);
}

TEST_F(Pictures, PackedFileEntryHidesALooseFile) {
  WriteBmp("bg.bmp", Surface(640, 480, 0x0000ff));
  const auto packed = display::EncodeBmp24(Surface(640, 480, 0x00ff00));
  const auto entry = display::BuildPackEntry("BG.bmp", packed);
  ASSERT_TRUE(entry.ok()) << entry.message();
  Write("zepaadv.dat", *entry);
  Play("[picture]pics\\bg.BMP\n[flip]\n");
  EXPECT_EQ(Display().Get(1, 1), 0x00ff00u);
}

TEST_F(Pictures, FadeDurationsOnTheVirtualClock) {
  Play("[fill]000000\n[set]a=TIME\n[fade]0\n[set]b=TIME\n[fill]ffffff\n[fade]70000\n[set]c=TIME\n");
  EXPECT_GE(Var("b") - Var("a"), 1000);
  EXPECT_LT(Var("b") - Var("a"), 1100);
  EXPECT_GE(Var("c") - Var("b"), 65535);
  EXPECT_LT(Var("c") - Var("b"), 65535 + 200);
  EXPECT_EQ(Display().Get(0, 0), 0xffffffu);
}

TEST_F(Pictures, HeldSpaceShowsTheBackBufferAtOnce) {
  Play("[fill]0000ff\n[set]a=TIME\n[fade]5000\n[set]b=TIME\n", "0 hold Space 100000\n");
  EXPECT_LT(Var("b") - Var("a"), 200);
  EXPECT_EQ(Display().Get(0, 0), 0xff0000u);  // blue, written red first
}

TEST_F(Pictures, DrawingsGoToTheDisplayAndVanishWithAFlip) {
  Play("[fill]000000\n[flip]\n[gpcolor]ff0000\n[gbcolor]0,255,0\n"
       "[gsquare]10,10,20,20,1\n[gcircle]100,100,50,0\n[gdot]300,300\n[gline]0,200,10,200\n");
  EXPECT_EQ(Display().Get(10, 10), 0x0000ffu);  // outline in the pen
  EXPECT_EQ(Display().Get(15, 15), 0x00ff00u);  // inside in the brush
  EXPECT_EQ(Display().Get(20, 15), 0u);         // right edge excluded
  EXPECT_EQ(Display().Get(300, 300), 0x0000ffu);
  EXPECT_EQ(Display().Get(0, 200), 0x0000ffu);
  EXPECT_EQ(Display().Get(10, 200), 0u);        // a line leaves out its end point
  EXPECT_EQ(Display().Get(100, 100), 0u);       // circle not filled
  EXPECT_EQ(Back().Get(15, 15), 0u);            // the back buffer is untouched
  game_.reset();
  media_.reset();
  host_.reset();
  Play("[fill]000000\n[flip]\n[gdot]5,5\n[flip]\n");
  EXPECT_EQ(Display().Get(5, 5), 0u);
}

TEST_F(Pictures, BadPicturesDrawNothing) {
  Write("trunc.bmp", "BM\x10\x00\x00\x00garbage");
  Write("bad.jpg", "\xff\xd8\xff\xe0 not really a jpeg");
  Write("empty.bmp", "");
  Play("[fill]123456\n[picture]trunc.bmp\n[bpic]bad.jpg\n[chara]empty.bmp,missing.bmp\n"
       "[bpic]0,0,trunc.bmp:-5\n[gline]-2147483648,-5,2147483647,900000\n"
       "[gellipse]-100000,-100000,100000,100000,1\n[flip]\n");
  EXPECT_EQ(Back().Get(320, 240), 0x563412u);
}

}  // namespace
}  // namespace zepa::engine::testing
