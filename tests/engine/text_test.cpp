// Text, choices and input through the headless host.
#include <nlohmann/json.hpp>

#include "game_fixture.h"

namespace zepa::engine::testing {
namespace {

namespace adv = script::adv;
using Text = GameFixture;

// "あいうえお" and friends in Shift-JIS.
const std::string kA = "\x82\xa0";  // あ
const std::string kI = "\x82\xa2";  // い

bool HasColor(const platform::Surface& s, int x0, int y0, int x1, int y1, platform::Color c) {
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x)
      if (s.Get(x, y) == c) return true;
  return false;
}

TEST_F(Text, ClickEndsTheTextWaitAndErasesTheMessage) {
  Play("[fill]000000\n[flip]\n[text]" + kA + kI + "\n[set]after=1\n", "5000 click 100 100\n");
  EXPECT_EQ(Var("after"), 1);
  // The message area is back to the black background.
  EXPECT_FALSE(HasColor(game_->display(), 12, 348, 100, 369, 0xffffff));
}

TEST_F(Text, TextStaysWithTheEndIconUntilThePlayerActs) {
  Play("[fill]000000\n[flip]\n[textcolor]ffffff\n[text]" + kA + kA + kA + "\n[set]after=1\n");
  EXPECT_EQ(State().adv_mode, adv::kTextEnd);
  EXPECT_EQ(Var("after"), 0);
  // White glyph pixels in the first line of the window.
  EXPECT_TRUE(HasColor(game_->display(), 12, 348, 80, 369, 0xffffff));
}

TEST_F(Text, TextColourReachesThePixels) {
  Play("[fill]000000\n[flip]\n[textcolor]ff0000\n[text]" + kA + kA + "\n");
  EXPECT_TRUE(HasColor(game_->display(), 12, 348, 60, 369, 0x0000ff));
  EXPECT_FALSE(HasColor(game_->display(), 12, 348, 60, 369, 0xffffff));
}

TEST_F(Text, ReturnPagesThroughALongText) {
  // Seven lines with six per page: the first page waits with more to come.
  std::string lines;
  for (int i = 0; i < 7; ++i) lines += kA + "\\n";
  const std::string d1 = (dir_ / "d1.json").string(), d2 = (dir_ / "d2.json").string();
  Play("[text]" + lines + "\n[set]after=1\n",
       "2900 dump " + d1 + "\n3000 key Return\n4900 dump " + d2 + "\n5000 key Space\n");
  EXPECT_EQ(nlohmann::json::parse(Read("d1.json"))["adv_mode"], adv::kMoreText);
  EXPECT_EQ(nlohmann::json::parse(Read("d2.json"))["adv_mode"], adv::kTextEnd);
  EXPECT_EQ(Var("after"), 1);
}

TEST_F(Text, HeldReturnHurriesTheReveal) {
  const std::string many(40, 'a');
  Play("[textwait]100\n[text]" + many + "\n", "0 hold Return 100000\n");
  // 40 characters at 100 ms would take 4 s; held Return draws them at once.
  EXPECT_EQ(State().adv_mode, adv::kTextEnd);
  EXPECT_LT(Now(), 2000u);
}

// The message area of the display, without the wait icon.
platform::Surface TextArea(const platform::Surface& display) {
  platform::Surface area(600, 120);
  for (int y = 0; y < area.height; ++y)
    for (int x = 0; x < area.width; ++x) area.Set(x, y, display.Get(x, 340 + y));
  return area;
}

TEST_F(Text, AHurriedRevealEqualsAnUnhurriedOne) {
  // Glyphs already revealed must not be blended a second time when the rest
  // of the line is drawn at once: their anti-aliased edges would darken.
  const std::string line = "[fill]402010\n[flip]\n[textwait]100\n[text]" + kA + kI + kA + kI + kA +
                           kI + "abcdef\\n" + kA + kI + kA + "\n";
  Play(line);
  ASSERT_EQ(State().adv_mode, adv::kTextEnd);
  const platform::Surface calm = TextArea(game_->display());
  for (const char* hold_at : {"1000", "1250", "1890"}) {
    game_.reset();
    media_.reset();
    host_.reset();
    Play(line, std::string(hold_at) + " hold Return 100000\n");
    ASSERT_EQ(State().adv_mode, adv::kTextEnd);
    EXPECT_TRUE(TextArea(game_->display()) == calm) << "hold from " << hold_at;
  }
  // A caption over two lines, hurried, lands where its reveal puts it too.
  const std::string telo =
      "[fill]402010\n[flip]\n[textwait]100\n[telo]12,348,ab" + kA + "\\ncd" + kI + "\n[text]x\n";
  game_.reset();
  media_.reset();
  host_.reset();
  Play(telo);
  const platform::Surface calm_caption = TextArea(game_->display());
  game_.reset();
  media_.reset();
  host_.reset();
  Play(telo, "700 hold Shift 300\n");
  EXPECT_TRUE(TextArea(game_->display()) == calm_caption);
}

TEST_F(Text, AClickDuringTheRevealDoesNotEndTheNextWait) {
  Play("[textwait]100\n[text]abcdefghij\n[set]after=1\n", "700 click 100 100\n");
  EXPECT_EQ(State().adv_mode, adv::kTextEnd);
  EXPECT_EQ(Var("after"), 0);
}

TEST_F(Text, SkipModeAbandonsAText) {
  Play("[skip]\n[text]hello\n[set]x=1\n#next\n[set]y=1\n", "3000 key Return\n");
  EXPECT_EQ(Var("x"), 0);
  EXPECT_EQ(Var("y"), 1);
}

TEST_F(Text, ChoiceByClickAfterMovingOntoTheOption) {
  Play("[text]q\n[sel]one\\ntwo\\nthree\n[if]SELECT=2[go]#two\n[end]\n#two\n[set]ok=1\n",
       // The list starts on the line below the text: y 369.
       "3000 move 40 395\n3100 click 40 395\n");
  EXPECT_EQ(Var("SELECT"), 2);
  EXPECT_EQ(Var("ok"), 1);
}

// In a window of 1000 x 600 the game is 800 x 600 from x 100: a click on
// the bar (which, taken as a game point, would pick the first option) does
// nothing, and the point over the second option picks it. The dump tells
// the window.
TEST_F(Text, AChoiceIsTakenThroughAWindowOfAnotherSize) {
  platform::HeadlessOptions options;
  options.window_width = 1000;
  options.window_height = 600;
  Play("[text]q\n[sel]one\\ntwo\\nthree\n[if]SELECT=2[go]#two\n[end]\n#two\n[set]ok=1\n",
       "3000 move 50 380\n3050 click 50 380\n3100 move 150 494\n3200 click 150 494\n", options);
  EXPECT_EQ(Var("SELECT"), 2);
  EXPECT_EQ(Var("ok"), 1);
  const nlohmann::json window = nlohmann::json::parse(game_->DumpJson())["window"];
  EXPECT_EQ(window, nlohmann::json::parse(R"({"width": 1000, "height": 600, "scale_mode": "sharp",
      "game_rect": {"x": 100, "y": 0, "width": 800, "height": 600}})"));
}

TEST_F(Text, HighlightUsesTheChoiceColours) {
  Play("[fill]000000\n[flip]\n[sel]one\\ntwo\n", "3000 move 40 360\n");
  EXPECT_EQ(State().adv_mode, adv::kChoice);
  // Option 1 on a blue ground with yellow text; option 2 cyan on black.
  EXPECT_TRUE(HasColor(game_->display(), 33, 349, 60, 369, 0xff0000));
  EXPECT_TRUE(HasColor(game_->display(), 33, 349, 60, 369, 0x00ffff));
  EXPECT_TRUE(HasColor(game_->display(), 33, 370, 60, 390, 0xffff00));
}

TEST_F(Text, OptionAreaEdgesAreOpen) {
  Play("[sel]one\\ntwo\n", "3000 move 32 360\n3100 move 40 348\n");
  EXPECT_EQ(nlohmann::json::parse(game_->DumpJson())["select_now"], 0);
}

TEST_F(Text, KeysMoveTheHighlightWithoutWrapping) {
  Play(
      "[sel]a\\nb\\nc\n",
      "3000 key Down\n3100 key Down\n3200 key Down\n3300 key Down\n3400 key Up\n3500 key Return\n");
  EXPECT_EQ(Var("SELECT"), 2);
}

TEST_F(Text, ReturnWithoutAHighlightChoosesNothing) {
  Play("[sel]a\\nb\n", "3000 key Return\n");
  EXPECT_EQ(State().adv_mode, adv::kChoice);
}

TEST_F(Text, ClickWithoutHighlightPicksTheOptionUnderThePointer) {
  // No text: the list starts at MESSAGEY 348, so y 375 is option 2.
  Play("[sel]a\\nb\\nc\n", "3000 click 40 375\n");
  EXPECT_EQ(Var("SELECT"), 2);
}

TEST_F(Text, MouseCommandWritesTheClickPosition) {
  Play("[mouse]X,Y\n[set]after=1\n", "3000 click 100 200\n");
  EXPECT_EQ(Var("X"), 100);
  EXPECT_EQ(Var("Y"), 200);
  EXPECT_EQ(Var("after"), 1);
}

TEST_F(Text, F1DuringAChoiceRunsTheMenuLabel) {
  Play("[sel]a\\nb\n[set]never=1\n#MENU\n[set]menu=1\n", "3000 key F1\n");
  EXPECT_EQ(Var("menu"), 1);
  EXPECT_EQ(Var("never"), 0);
}

TEST_F(Text, CtrlLRestartsTheScenario) {
  Play("[set]runs=runs+1\n[set]keep=5\n[text]x\n", "3000 key ctrl+L\n");
  // After the restart the state was reset: runs counts from 0 again.
  EXPECT_EQ(Var("runs"), 1);
  EXPECT_EQ(State().adv_mode, adv::kTextEnd);
  EXPECT_GT(Now(), 3000u);
}

TEST_F(Text, BadTextNeverCrashes) {
  std::string text(5000, 'x');
  text += "\x82";  // a lone lead byte at the end
  Play("[text]" + text + "\n[text]\x82\x20\xff\xfc\x81\n[sel]" + std::string(20, 'o') +
           "\\n1\\n2\\n3\\n4\\n5\\n6\\n7\\n8\\n9\\n10\\n11\\n12\\n13\\n14\\n15\\n16\\n17\\n18\\n19"
           "\n",
       "0 hold Return 100000\n1000 click 5 5\n4000 click 5 5\n");
  // The 2047 bytes kept of the long text still page one line at a time.
  EXPECT_EQ(State().adv_mode, adv::kMoreText);
  for (int i = 0; i < 60 && State().adv_mode != adv::kChoice; ++i) {
    game_->OnMouseDown(platform::MouseButton::kLeft, -50, -50);
    game_->Tick();
    game_->Tick();
  }
  ASSERT_EQ(State().adv_mode, adv::kChoice);
  EXPECT_EQ(nlohmann::json::parse(game_->DumpJson())["select_number"], 6);
  // Off-screen pointer positions pick nothing.
  game_->OnMouseMove(-50, -99999);
  game_->OnMouseDown(platform::MouseButton::kLeft, 5000, 5000);
  EXPECT_EQ(State().adv_mode, adv::kChoice);
}

}  // namespace
}  // namespace zepa::engine::testing
