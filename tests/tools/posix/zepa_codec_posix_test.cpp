// zepa-codec and what POSIX systems alone have: links, modes and FIFOs.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "codec_tool.h"
#include "script/codec.h"
#include "script/scenario.h"
#include "tools/tool_fixture.h"

namespace zepa::tools {
namespace {

namespace fs = std::filesystem;

class ZepaCodecPosix : public testing_tools::ToolFixture {
 protected:
  ZepaCodecPosix() : ToolFixture("zepa_codec_posix_", RunCodecTool) {}
};

// A link named OUT.tmp stays as it was, and OUT keeps its mode. A FIFO as
// IN is refused, not waited on.
TEST_F(ZepaCodecPosix, WritesOutWithoutTouchingLinksAndRefusesAFifo) {
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
