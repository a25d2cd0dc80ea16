#include "platform/files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace zepa::platform {
namespace {

namespace fs = std::filesystem;

class Files : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[] = "/tmp/zepa_files_XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    dir_ = name;
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string P(const std::string& name) const { return dir_ + "/" + name; }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  std::string dir_;
};

TEST_F(Files, ReadsOnlyRegularFilesWithinTheirBound) {
  std::ofstream(P("a")) << "12345";
  ReadResult r = ReadRegularFile(P("a"), 5);
  EXPECT_EQ(r.status, ReadStatus::kOk);
  EXPECT_EQ(r.bytes, "12345");
  r = ReadRegularFile(P("a"), 4);
  EXPECT_EQ(r.status, ReadStatus::kTooLarge);
  EXPECT_TRUE(r.bytes.empty());
  EXPECT_EQ(r.error, P("a") + ": larger than 4 bytes");

  EXPECT_EQ(ReadRegularFile(P("none"), 10).status, ReadStatus::kMissing);
  r = ReadRegularFile(dir_, 10);
  EXPECT_EQ(r.status, ReadStatus::kNotRegular);
  EXPECT_EQ(r.error, dir_ + ": is a directory");
  // A FIFO with no writer would block a plain open for ever.
  ASSERT_EQ(mkfifo(P("fifo").c_str(), 0600), 0);
  EXPECT_EQ(ReadRegularFile(P("fifo"), 10).status, ReadStatus::kNotRegular);
}

TEST_F(Files, WholeFileWritesNameTheFileWhenTheyFail) {
  std::string error;
  ASSERT_TRUE(WriteWholeFile(P("out.json"), "{}", &error)) << error;
  ASSERT_TRUE(WriteWholeFile(P("out.json"), "[]\n", &error)) << error;
  EXPECT_EQ(Read(P("out.json")), "[]\n");
  EXPECT_FALSE(WriteWholeFile(dir_, "{}", &error));
  EXPECT_EQ(error, dir_ + ": Is a directory");
  EXPECT_FALSE(WriteWholeFile(P("no/out.json"), "{}", &error));
  EXPECT_EQ(error, P("no/out.json") + ": No such file or directory");
}

TEST_F(Files, ReplacingRefusesWhatIsNotARegularFile) {
  fs::create_directory(P("sub"));
  ReplaceResult r = ReplaceFileContents(P("sub"), "x");
  EXPECT_EQ(r.status, ReplaceStatus::kFailed);
  EXPECT_EQ(r.error, P("sub") + ": not a regular file");
  // A link loop is an error, not a hang.
  fs::create_symlink(P("loop2"), P("loop1"));
  fs::create_symlink(P("loop1"), P("loop2"));
  r = ReplaceFileContents(P("loop1"), "x");
  EXPECT_EQ(r.status, ReplaceStatus::kFailed);
  EXPECT_NE(r.error.find("symbolic links"), std::string::npos) << r.error;
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 3);
}

}  // namespace
}  // namespace zepa::platform
