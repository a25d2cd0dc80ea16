// zepa-codec run in-process: the encoded form it writes, what the game reads
// back from it, and the files it refuses.
#include <gtest/gtest.h>
#include <sys/stat.h>

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

// OUT.tmp is nobody's reserved name: a link or a file of that name stays as
// it was, and OUT keeps its mode. A FIFO as IN is refused, not waited on.
TEST_F(ZepaCodecTest, WritesOutWithoutTouchingOtherFiles) {
  Write("s.kvs", "[text]hi\r\n");
  Write("victim", "other");
  Write("out.kvs", "old");
  fs::permissions(P("out.kvs"), fs::perms(0640));
  fs::create_symlink(P("victim"), P("out.kvs.tmp"));
  ASSERT_EQ(Run({"encode", P("s.kvs"), P("out.kvs")}), 0) << err_.str();
  EXPECT_EQ(Read(P("victim")), "other");
  EXPECT_TRUE(fs::is_symlink(P("out.kvs.tmp")));
  EXPECT_EQ(script::DecodeScenarioFile(Read(P("out.kvs"))).text, "[text]hi\n");
  EXPECT_EQ(fs::status(P("out.kvs")).permissions() & fs::perms::all, fs::perms(0640));

  ASSERT_EQ(mkfifo(P("fifo").c_str(), 0600), 0);
  EXPECT_EQ(Run({"encode", P("fifo"), P("out2.kvs")}), 1);
  EXPECT_NE(err_.str().find("not a regular file"), std::string::npos) << err_.str();
}

}  // namespace
}  // namespace zepa::tools
