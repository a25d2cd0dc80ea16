#include "engine/config.h"

#include <gtest/gtest.h>

#include <string>

#include "game_fixture.h"

namespace zepa::engine {
namespace {

// Screen positions and sizes are bounded to -32768..32767 where they are
// read, so no value in the file makes the drawing code's int sums overflow.
TEST(ReadConfig, PositionAndGeometryKeysAreBounded) {
  struct Case {
    const char* value;
    int want;
  };
  const Case cases[] = {{"2147483647", 32767},
                        {"2147483626", 32767},
                        {"-2147483648", -32768},
                        {"40000", 32767},
                        {"-40000", -32768},
                        {"32767", 32767},
                        {"-32768", -32768},
                        {"12", 12},
                        {"-5", -5}};
  for (const Case& c : cases) {
    std::string text =
        "[SYSTEM]\nDEBUG_X=V\nDEBUG_Y=V\n[POS]\nTOP=V\nLEFT=V\nMESSAGELINE=V\n"
        "MESSAGEMOJISUU=V\nMESSAGEWIDTH=V\nMESSAGEX=V\nMESSAGEY=V\nMESSAGEPX=V\n"
        "MESSAGEPY=V\n[MESSAGE]\nSELECT_X=V\nINTERVAL=V\n[TEXT]\nTELOWAIT=V\n";
    for (size_t at; (at = text.find("=V")) != std::string::npos;) text.replace(at + 1, 1, c.value);
    const Config config = ReadConfig(IniFile::Parse(text), 1024, 768);
    for (int got :
         {config.debug_x, config.debug_y, config.pos_top, config.pos_left, config.message_line,
          config.message_mojisuu, config.message_width, config.message_x, config.message_y,
          config.message_px, config.message_py, config.select_x})
      EXPECT_EQ(got, c.want) << c.value;
    // Times are no positions: they keep their value (and are written back).
    EXPECT_EQ(config.text_wait, std::stoi(c.value)) << c.value;
    EXPECT_EQ(config.interval, std::stoi(c.value)) << c.value;
  }
  // Defaults are untouched.
  const Config defaults = ReadConfig(IniFile::Parse(""), 1024, 768);
  EXPECT_EQ(defaults.message_y, 348);
  EXPECT_EQ(defaults.pos_top, 144);
}

class AbsurdGeometry : public testing::GameFixture {
 protected:
  void PlayWith(const std::string& value) {
    Write("rurirora.ini",
          "[SCREEN]\r\nFULL=0\r\n[POS]\r\nMESSAGEX=" + value + "\r\nMESSAGEY=" + value +
              "\r\nMESSAGEPX=" + value + "\r\nMESSAGEPY=" + value + "\r\nMESSAGEWIDTH=" + value +
              "\r\nMESSAGELINE=" + value + "\r\nMESSAGEMOJISUU=" + value + "\r\nTOP=" + value +
              "\r\nLEFT=" + value + "\r\n[MESSAGE]\r\nSELECT_X=" + value + "\r\n");
    // A text, a page, a choice picked by keys and by a click, all with the
    // window and the list far off the screen.
    Play(
        "[text]\x82\xa0\x82\xa2\\n\x82\xa4\n[sel]one\\ntwo\n[set]picked=SELECT\n[sel]a\\nb\n"
        "[set]after=1\n",
        "3000 click 10 10\n4000 key Down\n4100 key Return\n5000 move 40 360\n5100 click 40 360\n");
  }
};

// Run under the undefined-behaviour sanitizer, these overflowed int sums
// in the text and choice code before the bound.
TEST_F(AbsurdGeometry, NearTwoToThe31) {
  PlayWith("2147483647");
  EXPECT_EQ(Var("picked"), 1);
  EXPECT_NE(State().adv_mode, script::adv::kBusy);
}

TEST_F(AbsurdGeometry, NearMinusTwoToThe31) {
  PlayWith("-2147483648");
  EXPECT_EQ(Var("picked"), 1);
  EXPECT_NE(State().adv_mode, script::adv::kBusy);
}

TEST(Config, VolumeKeyIsHeldToItsRange) {
  const std::pair<const char*, int> cases[] = {
      {"", 100},
      {"[ZEPA]\r\nVOLUME=80\r\n", 80},
      {"[ZEPA]\r\nVOLUME=150\r\n", 100},
      {"[ZEPA]\r\nVOLUME=-3\r\n", 0},
      {"[ZEPA]\r\nVOLUME=abc\r\n", 100},
      {"[zepa]\r\nvolume=0\r\n", 0},
  };
  for (const auto& [text, want] : cases)
    EXPECT_EQ(ReadConfig(IniFile::Parse(text), 1920, 1080).volume, want) << text;
}

}  // namespace
}  // namespace zepa::engine
