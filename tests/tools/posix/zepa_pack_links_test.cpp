// zepa-pack's extract and symbolic links, which POSIX systems make freely
// (Windows asks for a privilege).
#include <gtest/gtest.h>

#include <filesystem>

#include "pack_tool.h"
#include "tools/tool_fixture.h"

namespace zepa::display {
namespace {

namespace fs = std::filesystem;
using tools::RunPackTool;

class ZepaPackLinks : public testing_tools::ToolFixture {
 protected:
  ZepaPackLinks() : ToolFixture("zepa_pack_links_", RunPackTool) {}
  void SetUp() override {
    ToolFixture::SetUp();
    fs::create_directories(dir_ / "src");
  }
};

// Links in the target folder named like an entry are never followed, and an
// old file there is replaced, not written through (a hard link keeps its
// other name's content).
TEST_F(ZepaPackLinks, ExtractNeverWritesThroughLinks) {
  Write("src/a.bmp", "new a");
  Write("src/b.bmp", "new b");
  Write("src/c.bmp", "new c");
  ASSERT_EQ(Run({"create", P("game.dat"), P("src/a.bmp"), P("src/b.bmp"), P("src/c.bmp")}), 0)
      << err_.str();
  fs::create_directories(P("out"));
  Write("victim", "precious");
  Write("out/a.bmp", "old a");
  fs::create_hard_link(P("victim"), P("out/b.bmp"));
  ASSERT_EQ(Run({"extract", P("game.dat"), P("out")}), 0) << err_.str();
  EXPECT_EQ(Read(P("out/a.bmp")), "new a");
  EXPECT_EQ(Read(P("out/b.bmp")), "new b");
  EXPECT_EQ(Read(P("victim")), "precious");

  fs::remove(P("out/c.bmp"));
  fs::create_symlink(P("victim"), P("out/c.bmp"));
  EXPECT_EQ(Run({"extract", P("game.dat"), P("out")}), 1);
  EXPECT_EQ(err_.str(),
            "zepa-pack: cannot write " + P("out/c.bmp") + ": is a symbolic link, not followed\n");
  EXPECT_EQ(Read(P("victim")), "precious");
  EXPECT_TRUE(fs::is_symlink(P("out/c.bmp")));
  // A dangling link is refused too: it would create a file elsewhere.
  fs::remove(P("out/c.bmp"));
  fs::create_symlink(P("elsewhere.bmp"), P("out/c.bmp"));
  EXPECT_EQ(Run({"extract", P("game.dat"), P("out")}), 1);
  EXPECT_FALSE(fs::exists(P("elsewhere.bmp")));
}

}  // namespace
}  // namespace zepa::display
