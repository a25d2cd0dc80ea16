#include "engine/paths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace zepa::engine {
namespace {

namespace fs = std::filesystem;

class PathsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("zepa_paths_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    fs::remove_all(dir);
    fs::create_directories(dir / "Frame");
    std::ofstream(dir / "Frame" / "frame.BMP") << "x";
    std::ofstream(dir / "bg01.bmp") << "x";
    std::ofstream(dir / "\xe3\x81\x82.kvs") << "x";  // a UTF-8 name
  }
  void TearDown() override { fs::remove_all(dir); }
  fs::path dir;
};

TEST_F(PathsTest, MatchesComponentsCaseInsensitively) {
  PathResolver r(dir.string());
  EXPECT_EQ(r.Resolve("BG01.BMP"), (dir / "bg01.bmp").string());
  EXPECT_EQ(r.Resolve("frame\\frame.bmp"), (dir / "Frame" / "frame.BMP").string());
  EXPECT_EQ(r.Resolve("frame/FRAME.bmp"), (dir / "Frame" / "frame.BMP").string());
  // Missing files keep their spelling below the game directory.
  EXPECT_EQ(r.Resolve("DATA1.kvd"), (dir / "DATA1.kvd").string());
  EXPECT_EQ(r.Resolve("no\\such.bmp"), (dir / "no" / "such.bmp").string());
  // A full POSIX path stays; a drive name is just a relative name here.
  EXPECT_EQ(r.Resolve("/tmp/x"), "/tmp/x");
  EXPECT_EQ(r.Resolve("C:x.bmp"), (dir / "C:x.bmp").string());
}

TEST_F(PathsTest, TriesTheUtf8FormOfAShiftJisName) {
  PathResolver r(dir.string());
  r.sjis_to_utf8 = [](std::string_view s) {
    return s == "\x82\xa0.kvs" ? std::string("\xe3\x81\x82.kvs") : std::string();
  };
  EXPECT_EQ(r.Resolve("\x82\xa0.kvs"), (dir / "\xe3\x81\x82.kvs").string());
}

TEST_F(PathsTest, RelativeToGame) {
  PathResolver r(dir.string());
  EXPECT_EQ(r.RelativeToGame(r.Resolve("bg01.bmp")), "bg01.bmp");
  EXPECT_EQ(r.RelativeToGame(r.Resolve("frame\\frame.bmp")), "Frame\\frame.BMP");
  EXPECT_EQ(r.RelativeToGame("/somewhere/else.kvs"), "/somewhere/else.kvs");
}

}  // namespace
}  // namespace zepa::engine
