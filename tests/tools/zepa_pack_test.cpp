// The tool's command line, run in-process through the library entry point
// that the zepa-pack binary is a thin wrapper around.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "display/packfile.h"
#include "pack_tool.h"
#include "tool_fixture.h"

namespace zepa::display {
namespace {

namespace fs = std::filesystem;
using tools::RunPackTool;

class ZepaPackTest : public testing_tools::ToolFixture {
 protected:
  ZepaPackTest() : ToolFixture("zepa_pack_tool_", RunPackTool) {}
  void SetUp() override {
    ToolFixture::SetUp();
    std::filesystem::create_directories(dir_ / "src" / "pics");
  }
};

TEST_F(ZepaPackTest, CreateListExtractRoundTrip) {
  std::string binary;
  for (int i = 0; i < 300; ++i) binary.push_back(static_cast<char>(i));
  Write("src/pics/Bg.BMP", binary);
  Write("src/ch.jpg", "\n\r\n jpeg bytes\n");
  ASSERT_EQ(Run({"create", P("game.dat"), P("src/pics/Bg.BMP"), P("src/ch.jpg")}), 0) << err_.str();

  // The engine's lookup finds what the tool stored, by bare name.
  auto bg = FindInPackFile(P("game.dat"), "bg.bmp");
  ASSERT_TRUE(bg);
  EXPECT_EQ(std::string(bg->begin(), bg->end()), binary);

  ASSERT_EQ(Run({"list", P("game.dat")}), 0) << err_.str();
  std::string first_offset = std::to_string(std::string("Bg.BMP").size() + 1 + 4);
  EXPECT_EQ(out_.str().substr(0, out_.str().find('\n')), first_offset + "\t300\tBg.BMP");
  EXPECT_NE(out_.str().find("\t15\tch.jpg\n"), std::string::npos) << out_.str();

  ASSERT_EQ(Run({"extract", P("game.dat"), P("out/x")}), 0) << err_.str();
  EXPECT_EQ(Read(P("out/x/Bg.BMP")), binary);
  EXPECT_EQ(Read(P("out/x/ch.jpg")), "\n\r\n jpeg bytes\n");
}

TEST_F(ZepaPackTest, ErrorsExitOneBadUsageExitsTwo) {
  EXPECT_EQ(Run({}), 2);
  EXPECT_NE(err_.str().find("usage:"), std::string::npos);
  EXPECT_EQ(Run({"create", P("x.dat")}), 2);
  EXPECT_EQ(Run({"list"}), 2);
  EXPECT_EQ(Run({"frobnicate", "a"}), 2);
  EXPECT_EQ(Run({"--help"}), 0);
  EXPECT_NE(out_.str().find("zepa-pack create"), std::string::npos);

  EXPECT_EQ(Run({"create", P("x.dat"), P("src/missing.bmp")}), 1);
  EXPECT_EQ(err_.str(), "zepa-pack: cannot read " + P("src/missing.bmp") + "\n");
  EXPECT_FALSE(fs::exists(P("x.dat")));  // nothing half-written

  Write("src/a.bmp", "1");
  Write("src/pics/A.BMP", "2");
  EXPECT_EQ(Run({"create", P("x.dat"), P("src/a.bmp"), P("src/pics/A.BMP")}), 1);
  EXPECT_NE(err_.str().find("two files"), std::string::npos);

  // A name whose stored form would hold a backslash cannot be packed.
  std::string bad(1, static_cast<char>(511 - 256 - '\\'));
  Write("src/" + bad + ".bmp", "1");
  EXPECT_EQ(Run({"create", P("x.dat"), P("src/" + bad + ".bmp")}), 1);
  EXPECT_NE(err_.str().find("backslash or colon"), std::string::npos);

  EXPECT_EQ(Run({"list", P("none.dat")}), 1);
  Write("broken.dat", BuildPackEntry("a.bmp", std::vector<uint8_t>(10, 1))->substr(0, 12));
  EXPECT_EQ(Run({"list", P("broken.dat")}), 1);
  EXPECT_EQ(Run({"extract", P("broken.dat"), P("out")}), 1);
  const std::string message = err_.str();
  EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << message;
}

TEST_F(ZepaPackTest, ExtractNeverWritesOutsideItsDirectory) {
  // Written by hand, as a hostile file would be: our writer refuses the name.
  std::string name = "../evil.bmp";
  ScrambleLine(name);
  std::string size = "2";
  ScrambleLine(size);
  Write("evil.dat", name + "\n" + size + "\n\x01\x02");
  EXPECT_EQ(Run({"extract", P("evil.dat"), P("out")}), 1);
  EXPECT_FALSE(fs::exists(P("evil.bmp")));
}

// An old file in the target folder is replaced, not written through (a
// hard link keeps its other name's content); symbolic links there are
// tried in posix/.
TEST_F(ZepaPackTest, ExtractNeverWritesThroughHardLinks) {
  Write("src/a.bmp", "new a");
  Write("src/b.bmp", "new b");
  ASSERT_EQ(Run({"create", P("game.dat"), P("src/a.bmp"), P("src/b.bmp")}), 0) << err_.str();
  fs::create_directories(P("out"));
  Write("victim", "precious");
  Write("out/a.bmp", "old a");
  fs::create_hard_link(P("victim"), P("out/b.bmp"));
  ASSERT_EQ(Run({"extract", P("game.dat"), P("out")}), 0) << err_.str();
  EXPECT_EQ(Read(P("out/a.bmp")), "new a");
  EXPECT_EQ(Read(P("out/b.bmp")), "new b");
  EXPECT_EQ(Read(P("victim")), "precious");
}

}  // namespace
}  // namespace zepa::display
