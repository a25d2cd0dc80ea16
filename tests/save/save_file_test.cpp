// The save file as bytes: the writer's layout, the reader's two forms, and
// what broken files leave behind.
#include "save/save_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "display/picture.h"
#include "script/codec.h"

namespace zepa::save {
namespace {

std::span<const uint8_t> Bytes(const std::string& s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

std::string AsString(const std::vector<uint8_t>& v) { return std::string(v.begin(), v.end()); }

SaveContents Sample() {
  SaveContents c;
  SavedValues& s = c.state;
  s.script = "story.kvs";
  s.scene = "#\x83\x56\x81\x5b\x83\x93";  // "#シーン"
  s.picture = "BG01.BMP";
  s.bgm = "bgm\\m1.mid";
  s.wav = "";
  s.chara = "a.bmp,b.bmp";
  s.frame = 1;
  s.bgm_loop = 1;
  s.wav_loop = 0;
  s.text_color = 0x123456;
  s.bg_text_color = 0xabcdef;
  s.select_color = 0x010203;
  s.select_back_color = 0xff0000;
  s.select_text_color = 0x00ffff;
  s.pen_color = 0x00ff00;
  s.brush_color = 0xfedcba;
  s.sound_fade_time_ms = 1500;
  s.adv_mode = 3;
  s.wait_mode = 2;
  s.skip_mode = 1;
  s.message_exist = 1;
  s.select_x = 40;
  s.select_y = 369;
  s.wait_bmp = 4;
  s.select_now = 2;
  s.select_number = 3;
  s.select_text = "one\ntwo\n\x82\xa0\x82\xa2\n";
  c.now = 1234;
  c.variables = {{"a", "5"}, {"name", "\x91\xbe\x98\x59"}, {"q", "say \"hi\" a=b"}, {"e", ""}};
  return c;
}

TEST(SaveFile, RoundTripKeepsEverySettingAndVariable) {
  const SaveContents c = Sample();
  ReadReport report;
  const SaveContents back = ReadSaveBytes(WriteSaveBytes(c), SavedValues{}, &report);
  EXPECT_TRUE(report.encoded);
  EXPECT_TRUE(report.end_marker);
  SavedValues expected = c.state;
  expected.wait_mode = 1;  // a shown icon is always written as 1
  EXPECT_EQ(back.state, expected);
  EXPECT_EQ(back.now, 1234);
  // Quotes, "=" and double-byte text come back whole, and an empty value too.
  EXPECT_EQ(back.variables, c.variables);
}

TEST(SaveFile, IconAndChoiceLinesFollowTheirConditions) {
  SaveContents c = Sample();
  auto settings = [](const SaveContents& contents) {
    return script::DecodeText(AsString(WriteSaveBytes(contents)).substr(1));
  };
  std::string text = settings(c);
  EXPECT_NE(text.find("wait_mode:1\n"), std::string::npos);
  EXPECT_NE(text.find("select_now:2\nselect_number:3\n"), std::string::npos);

  // Another icon: no choice position; no icon at all: neither icon line.
  c.state.wait_bmp = 3;
  text = settings(c);
  EXPECT_NE(text.find("wait_bmp:3\n"), std::string::npos);
  EXPECT_EQ(text.find("select_now:"), std::string::npos);
  c.state.wait_mode = 0;
  c.state.adv_mode = 2;
  text = settings(c);
  EXPECT_EQ(text.find("wait_mode:"), std::string::npos);
  EXPECT_EQ(text.find("wait_bmp:"), std::string::npos);
  EXPECT_EQ(text.find("select_text:"), std::string::npos);

  // Defaults stand in for what the file lacks.
  SavedValues defaults;
  defaults.wait_bmp = 3;
  defaults.select_now = 7;
  const SaveContents back = ReadSaveBytes(WriteSaveBytes(c), defaults);
  EXPECT_EQ(back.state.wait_bmp, 3);
  EXPECT_EQ(back.state.select_now, 7);
  EXPECT_EQ(back.state.wait_mode, 0);
}

TEST(SaveFile, BytesOnDiskAreLaidOutRowByRow) {
  SaveContents c;
  c.state.script = "s.kvs";
  c.state.adv_mode = 3;
  c.state.select_text = "A\nB\n";
  c.pictures.push_back({PictureSlot::kDisplay, {0xff, 0x0a, 0x00}, 0});
  c.pictures.push_back({PictureSlot::kMessageBackup, {0x0d}, 0});
  c.variables = {{"x", "1"}};
  const std::string got = AsString(WriteSaveBytes(c));

  const std::string settings =
      "script:s.kvs\nscene:\nnow:0\npicture:\nbgm:\nwav:\nchara:\nFRAME:0\nBGMLOOP:0\n"
      "WAVLOOP:0\ntextcolor:0\nbgtextcolor:0\nselectcolor:0\nselectbackcolor:0\n"
      "selecttextcolor:0\ngraphicpencolor:0\ngraphicbrushcolor:0\nsoundfadetime:0\n"
      "adv_mode:3\nskip_mode:0\nmessage_exist:0\nselect_x:0\nselect_y:0\n";
  std::string expected = "X" + script::EncodeText(settings);
  expected += script::EncodeText("bDISPLAY_IMAGE:3\n") + "\n" + std::string("\xff\x0a\x00", 3);
  expected += script::EncodeText("bMESSAAGE_BAK:1\n") + "\n\r";
  // The choice text is encoded once inside its line and again with it.
  expected += script::EncodeText("select_text:" + script::EncodeText("A\nB\n") + "\n") + "\n";
  expected += script::EncodeText("SETTING_END\n") + script::EncodeText("x=1\n");
  expected.push_back('\0');
  EXPECT_EQ(got, expected);

  // Raw LF and CR bytes inside the pictures do not confuse the reader.
  const SaveContents back = ReadSaveBytes(Bytes(got), SavedValues{});
  ASSERT_EQ(back.pictures.size(), 2u);
  EXPECT_EQ(back.pictures[0].jpeg, (std::vector<uint8_t>{0xff, 0x0a, 0x00}));
  EXPECT_EQ(back.pictures[1].slot, PictureSlot::kMessageBackup);
  EXPECT_EQ(back.pictures[1].jpeg, (std::vector<uint8_t>{0x0d}));
  EXPECT_EQ(back.state.select_text, "A\nB\n");
  EXPECT_EQ(back.variables, c.variables);
}

TEST(SaveFile, PlainFormIsReadLineByLine) {
  SavedValues defaults;
  defaults.text_color = 0xffffff;
  const std::string plain =
      "script:story.kvs\r\nnow:12\r\nunknown:3\r\nbDISPLAY_IMAGE:4\r\nab\ncSETTING_END\r\n"
      "a=5\r\nnovalue\r\n";
  ReadReport report;
  const SaveContents c = ReadSaveBytes(Bytes(plain), defaults, &report);
  EXPECT_FALSE(report.encoded);
  EXPECT_EQ(c.state.script, "story.kvs");
  EXPECT_EQ(c.now, 12);
  EXPECT_EQ(c.state.text_color, 0xffffffu);
  ASSERT_EQ(c.pictures.size(), 1u);
  EXPECT_EQ(AsString(c.pictures[0].jpeg), "ab\nc");
  ASSERT_EQ(c.variables.size(), 1u);
  EXPECT_EQ(c.variables[0], (std::pair<std::string, std::string>{"a", "5"}));
}

TEST(SaveFile, EncodedPairsMayBeSplitAcrossLinesOnlyAtPairBoundaries) {
  // Line breaks between pairs carry no meaning.
  const std::string letters = script::EncodeText("now:7\nSETTING_END\nv=1\n");
  std::string split = "X";
  for (size_t i = 0; i < letters.size(); i += 2) split += letters.substr(i, 2) + "\r\n";
  const SaveContents c = ReadSaveBytes(Bytes(split), SavedValues{});
  EXPECT_EQ(c.now, 7);
  ASSERT_EQ(c.variables.size(), 1u);
  EXPECT_EQ(c.variables[0].second, "1");
}

TEST(SaveFile, ResumePositionFindsTheCommandLine) {
  const std::string text = "#start\n[set]a=1\n[text]line one\ncontinued\n[sel]x\ny\n";
  const size_t set = text.find("[set]");
  const size_t txt = text.find("[text]");
  const size_t sel = text.find("[sel]");
  struct Case {
    size_t current;
    size_t expected;
  };
  const Case cases[] = {
      {0, 0},                             // nothing before: the start
      {3, 0},                             // inside the label line at the top
      {set, set},                         // a line start resumes exactly there
      {set + 3, set + 3},                 // inside another command: as it stands
      {txt, txt},                         // the start of a text line
      {txt + 8, txt},                     // inside the text
      {text.find("continued") + 2, txt},  // on its continuation line
      {sel + 7, sel + 7},                 // inside a choice list
      {text.size(), text.size()},         // the end, after a choice command
      {text.size() + 50, text.size()},    // beyond the end is the end
  };
  for (const Case& c : cases) EXPECT_EQ(ResumePosition(text, c.current), c.expected) << c.current;
}

TEST(SaveFile, NumbersAreReadLikeTheGameReadsThem) {
  EXPECT_EQ(ParseSavedInt("  -42x"), -42);
  EXPECT_EQ(ParseSavedInt("+7"), 7);
  EXPECT_EQ(ParseSavedInt(""), 0);
  EXPECT_EQ(ParseSavedInt("abc"), 0);
  EXPECT_EQ(ParseSavedInt("2147483648"), 2147483647);
  EXPECT_EQ(ParseSavedInt("-2147483648"), -2147483647 - 1);
  EXPECT_EQ(ParseSavedInt("99999999999999999999999"), 2147483647);
}

TEST(SaveFile, BrokenFilesLeaveBoundedValues) {
  const SavedValues none;
  const std::vector<uint8_t> good = WriteSaveBytes(Sample());
  // Every truncation of a real file reads without fault.
  for (size_t n = 0; n <= good.size(); ++n) {
    ReadSaveBytes(std::span<const uint8_t>(good.data(), n), none);
  }
  EXPECT_EQ(ReadSaveBytes({}, none).state, none);
  EXPECT_EQ(ReadSaveBytes(Bytes("X"), none).now, 0);

  // Block counts below zero, huge or past the end stop the reading there.
  for (const char* count : {"-1", "2147483648", "200"}) {
    const std::string plain =
        std::string("now:3\nbBUFFER_IMAGE:") + count + "\nshort\nSETTING_END\nv=1\n";
    ReadReport report;
    const SaveContents c = ReadSaveBytes(Bytes(plain), none, &report);
    EXPECT_TRUE(report.pictures_cut) << count;
    EXPECT_TRUE(c.pictures.empty()) << count;
    EXPECT_TRUE(c.variables.empty()) << count;
    EXPECT_EQ(c.now, 3);
  }

  // Long lines and values are cut to their fields; NUL bytes end a line.
  std::string huge = "scene:" + std::string(1 << 20, 'q') + "\nchara:ab" + std::string(1, '\0') +
                     "cd\nSETTING_END\nv=" + std::string(1 << 20, 'z') + "\n" +
                     std::string(300, 'n') + "=1\n";
  const SaveContents c = ReadSaveBytes(Bytes(huge), none);
  EXPECT_EQ(c.state.scene.size(), 255u);
  EXPECT_EQ(c.state.chara, "ab");
  ASSERT_EQ(c.variables.size(), 2u);
  EXPECT_EQ(c.variables[0].second.size(), 255u);
  EXPECT_EQ(c.variables[1].first.size(), 63u);

  // Many variable lines are all read; the table decides what it keeps.
  std::string many = "SETTING_END\n";
  for (int i = 0; i < 100000; ++i) many += "v" + std::to_string(i) + "=" + std::to_string(i) + "\n";
  EXPECT_EQ(ReadSaveBytes(Bytes(many), none).variables.size(), 100000u);
}

TEST(SaveFile, PicturesSurviveJpegWithinTolerance) {
  platform::Surface s(64, 48);
  for (int y = 0; y < s.height; ++y)
    for (int x = 0; x < s.width; ++x) s.Set(x, y, platform::MakeColor(x * 4, y * 5, (x + y) * 2));
  const auto jpeg = display::EncodeJpeg(s, 90);
  ASSERT_TRUE(jpeg);
  // Baseline: the start-of-frame marker is SOF0.
  const std::string bytes = AsString(*jpeg);
  EXPECT_NE(bytes.find("\xff\xc0"), std::string::npos);
  EXPECT_EQ(bytes.find("\xff\xc2"), std::string::npos);
  const auto back = display::DecodeJpeg(*jpeg);
  ASSERT_TRUE(back);
  ASSERT_EQ(back->width, 64);
  ASSERT_EQ(back->height, 48);
  double total[3] = {0, 0, 0};
  for (size_t i = 0; i < s.pixels.size(); ++i)
    total[i % 3] += std::abs(s.pixels[i] - back->pixels[i]);
  for (double channel : total) EXPECT_LT(channel / (s.pixels.size() / 3.0), 3.0);
  EXPECT_FALSE(display::EncodeJpeg(platform::Surface(), 90));
}

}  // namespace
}  // namespace zepa::save
