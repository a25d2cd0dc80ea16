// zepa-codec run in-process: the encoded form it writes, what the game reads
// back from it, and the files it refuses.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "codec_tool.h"
#include "script/codec.h"
#include "script/scenario.h"
#include "tool_fixture.h"

namespace zepa::tools {
namespace {

namespace fs = std::filesystem;

class ZepaCodecTest : public testing_tools::ToolFixture {
 protected:
  ZepaCodecTest() : ToolFixture("zepa_codec_tool_", RunCodecTool) {}
};

// "X", then each line's letters with its LF, then a line break; a last line
// without LF is given one.
TEST_F(ZepaCodecTest, EncodeWritesOneLetterLinePerScenarioLine) {
  Write("s.kvs", "aaa\r\nb");
  ASSERT_EQ(Run({"encode", P("s.kvs"), P("e.kvs")}), 0) << err_.str();
  EXPECT_EQ(Read(P("e.kvs")), "XGEgean\ngfan\n");
  ASSERT_EQ(Run({"decode", P("e.kvs"), P("d.kvs")}), 0) << err_.str();
  EXPECT_EQ(Read(P("d.kvs")), "aaa\nb\n");
}

// Every scenario of the repository survives encode then decode, and the
// game reads the encoded file as the same text as the plain one.
TEST_F(ZepaCodecTest, RoundTripsEveryScenario) {
  std::vector<fs::path> scenarios;
  for (const char* root : {"tests", "games"})
    for (const auto& entry : fs::recursive_directory_iterator(fs::path(ZEPA_SOURCE_DIR) / root))
      if (entry.is_regular_file() && entry.path().extension() == ".kvs")
        scenarios.push_back(entry.path());
  ASSERT_FALSE(scenarios.empty());
  for (const fs::path& path : scenarios) {
    SCOPED_TRACE(path.string());
    const std::string plain = Read(path.string());
    std::string text = script::DecodeScenarioFile(plain).text;
    if (!text.empty() && text.back() != '\n') text.push_back('\n');
    if (plain.empty() || plain[0] == 'X') {
      ASSERT_EQ(Run({"decode", path.string(), P("d.kvs")}), 0) << err_.str();
      EXPECT_EQ(Read(P("d.kvs")), text);
      continue;
    }
    ASSERT_EQ(Run({"encode", path.string(), P("e.kvs")}), 0) << err_.str();
    const std::string encoded = Read(P("e.kvs"));
    EXPECT_EQ(script::DecodeScenarioFile(encoded).text, text);
    EXPECT_TRUE(script::DecodeScenarioFile(encoded).encoded);
    ASSERT_EQ(Run({"decode", P("e.kvs"), P("d.kvs")}), 0) << err_.str();
    EXPECT_EQ(Read(P("d.kvs")), text);
  }
}

TEST_F(ZepaCodecTest, RefusesWrongInputAndKeepsTheTarget) {
  Write("plain.kvs", "[text]hi\n");
  Write("enc.kvs", "X" + script::EncodeText("[text]hi\n") + "\n");
  Write("bad.kvs", "Xgegf\ngz\n");
  Write("keep.kvs", "old");

  EXPECT_EQ(Run({"encode", P("enc.kvs"), P("keep.kvs")}), 1);
  EXPECT_NE(err_.str().find("is already encoded"), std::string::npos);
  EXPECT_EQ(Run({"decode", P("plain.kvs"), P("keep.kvs")}), 1);
  EXPECT_NE(err_.str().find("is not encoded"), std::string::npos);
  EXPECT_EQ(Run({"decode", P("bad.kvs"), P("keep.kvs")}), 1);
  EXPECT_NE(
      err_.str().find("bad.kvs:2: does not decode: second letter of a pair is \"z\", not d-s"),
      std::string::npos)
      << err_.str();
  EXPECT_EQ(Run({"encode", P("missing.kvs"), P("keep.kvs")}), 1);
  EXPECT_EQ(Run({"encode", P("plain.kvs"), P("no/such/dir/out.kvs")}), 1);
  EXPECT_NE(err_.str().find("cannot write"), std::string::npos);
  EXPECT_EQ(Read(P("keep.kvs")), "old");

  EXPECT_EQ(Run({"encode", P("plain.kvs")}), 2);
  EXPECT_EQ(Run({"pack", P("plain.kvs"), P("x")}), 2);
  EXPECT_EQ(Run({"--help"}), 0);
  EXPECT_NE(out_.str().find("zepa-codec encode IN OUT"), std::string::npos);

  // Writing over the input itself is safe.
  ASSERT_EQ(Run({"encode", P("plain.kvs"), P("plain.kvs")}), 0);
  EXPECT_EQ(script::DecodeScenarioFile(Read(P("plain.kvs"))).text, "[text]hi\n");
}

// OUT.tmp is nobody's reserved name: a file of that name stays as it was
// (a link there, OUT's mode and a FIFO as IN are tried in posix/).
TEST_F(ZepaCodecTest, WritesOutWithoutTouchingOtherFiles) {
  Write("s.kvs", "[text]hi\r\n");
  Write("out.kvs", "old");
  Write("out.kvs.tmp", "other");
  ASSERT_EQ(Run({"encode", P("s.kvs"), P("out.kvs")}), 0) << err_.str();
  EXPECT_EQ(Read(P("out.kvs.tmp")), "other");
  EXPECT_EQ(script::DecodeScenarioFile(Read(P("out.kvs"))).text, "[text]hi\n");
}

// An author's UTF-8 text becomes the game's Shift-JIS with CR LF whatever its
// line ends, and comes back as the same text with LF.
TEST_F(ZepaCodecTest, Utf8SourcesBecomeTheGamesTextAndBack) {
  // "こんにちは" and "①" (a row of the code page's own extensions) in Shift-JIS.
  const std::string hello = "\x82\xb1\x82\xf1\x82\xc9\x82\xbf\x82\xcd";
  const std::string circled_one = "\x87\x40";
  Write("s.txt", "\xEF\xBB\xBF#start\n[text]こんにちは\r\n①\r[end]");
  ASSERT_EQ(Run({"from-utf8", P("s.txt"), P("s.kvs")}), 0) << err_.str();
  EXPECT_EQ(Read(P("s.kvs")), "#start\r\n[text]" + hello + "\r\n" + circled_one + "\r\n[end]");
  ASSERT_EQ(Run({"to-utf8", P("s.kvs"), P("back.txt")}), 0) << err_.str();
  EXPECT_EQ(Read(P("back.txt")), "#start\n[text]こんにちは\n①\n[end]");

  // The encoded form is read as the game reads it.
  ASSERT_EQ(Run({"encode", P("s.kvs"), P("e.kvs")}), 0) << err_.str();
  ASSERT_EQ(Run({"to-utf8", P("e.kvs"), P("e.txt")}), 0) << err_.str();
  EXPECT_EQ(Read(P("e.txt")), "#start\n[text]こんにちは\n①\n[end]\n");
}

// What one side cannot hold is refused at its line and column (counted in
// characters), never written as '?', and OUT is left as it was.
TEST_F(ZepaCodecTest, CharactersTheOtherSideLacksAreRefusedWhereTheyStand) {
  struct Case {
    std::string command, input, where;
  };
  const std::vector<Case> cases = {
      {"from-utf8", "[text]ok\n[text]雪だ☃です",
       "in.txt:2:9: \"☃\" (U+2603) has no Shift-JIS form"},
      {"from-utf8", "ab\xff", "in.txt:1:3: byte 0xFF is not UTF-8 text"},
      {"from-utf8", "\xe3\x81", "in.txt:1:1: byte 0xE3 is not UTF-8 text"},
      {"from-utf8", std::string("a\r\nb\0c", 6), "in.txt:2:2: a NUL character"},
      {"to-utf8", "ok\r\n\x82\xa0\x80", "in.txt:2:2: byte 0x80 is not a Shift-JIS character"},
      {"to-utf8", "\x82\xa0\x85\x40", "in.txt:1:2: bytes 0x85 0x40 are not a Shift-JIS character"},
      {"to-utf8", "Xgegf\ngz\n", "in.txt:2:1: the encoded scenario does not decode"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.where);
    Write("in.txt", c.input);
    Write("keep", "old");
    EXPECT_EQ(Run({c.command, P("in.txt"), P("keep")}), 1);
    EXPECT_NE(err_.str().find(c.where), std::string::npos) << err_.str();
    EXPECT_EQ(Read(P("keep")), "old");
  }
}

}  // namespace
}  // namespace zepa::tools
