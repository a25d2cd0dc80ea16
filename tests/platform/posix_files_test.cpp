// Atomic replacement of files: a process killed at any moment of a save
// leaves the old file or the new one, whole.
#include "platform/posix/posix_files.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

namespace zepa::platform {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<uint8_t> Filled(size_t n, uint8_t byte) { return std::vector<uint8_t>(n, byte); }

class PosixFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("zepa_files_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_;
  std::unique_ptr<Files> files_ = CreatePosixFiles();
};

TEST_F(PosixFilesTest, ReplacesWholeAndReportsFailures) {
  const std::string path = (dir_ / "a.kvd").string();
  EXPECT_TRUE(files_->AtomicWriteFile(path, Filled(10, 'x')).ok());
  EXPECT_TRUE(files_->AtomicWriteFile(path, Filled(3, 'y')).ok());
  EXPECT_EQ(ReadAll(path), "yyy");
  EXPECT_EQ(fs::status(path).permissions() & fs::perms::owner_read, fs::perms::owner_read);

  EXPECT_FALSE(files_->AtomicWriteFile((dir_ / "none" / "b.kvd").string(), Filled(1, 'z')).ok());
  fs::create_directories(dir_ / "d.kvd");
  EXPECT_FALSE(files_->AtomicWriteFile((dir_ / "d.kvd").string(), Filled(1, 'z')).ok());
  EXPECT_TRUE(fs::is_directory(dir_ / "d.kvd"));
  // Only the two real files are there: no temporary is left behind.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 2);

  EXPECT_TRUE(files_->DirectoryWritable(dir_.string()));
  EXPECT_FALSE(files_->DirectoryWritable(path));
  EXPECT_TRUE(files_->CreateDirectories((dir_ / "x" / "y").string()).ok());
  EXPECT_TRUE(fs::is_directory(dir_ / "x" / "y"));
}

TEST_F(PosixFilesTest, KillDuringASaveLoopNeverLeavesATornFile) {
  const std::string path = (dir_ / "DATA1.kvd").string();
  const std::vector<uint8_t> a = Filled(300000, 'A');
  const std::vector<uint8_t> b = Filled(200000, 'B');
  ASSERT_TRUE(files_->AtomicWriteFile(path, a).ok());
  std::mt19937 random(12345);
  for (int run = 0; run < 200; ++run) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      std::unique_ptr<Files> files = CreatePosixFiles();
      for (int i = 0;; ++i) (void)files->AtomicWriteFile(path, i % 2 ? a : b);
    }
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 20000));
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    const std::string now = ReadAll(path);
    ASSERT_TRUE(now == std::string(a.begin(), a.end()) || now == std::string(b.begin(), b.end()))
        << "run " << run << ": " << now.size() << " bytes";
  }
}

// A save goes where the player's file really is and stays the player's file:
// through a link, with its mode kept, and a file made read-only is refused
// with a reason rather than replaced.
TEST_F(PosixFilesTest, SavesKeepTheFileTheyReplace) {
  const fs::path real = dir_ / "real.kvd";
  ASSERT_TRUE(files_->AtomicWriteFile(real.string(), Filled(4, 'a')).ok());
  fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  fs::create_symlink("real.kvd", dir_ / "DATA1.kvd");
  ASSERT_TRUE(files_->AtomicWriteFile((dir_ / "DATA1.kvd").string(), Filled(2, 'b')).ok());
  EXPECT_TRUE(fs::is_symlink(dir_ / "DATA1.kvd"));
  EXPECT_EQ(ReadAll(real), "bb");
  EXPECT_EQ(fs::status(real).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

  fs::permissions(real, fs::perms::owner_read);
  const Status refused = files_->AtomicWriteFile(real.string(), Filled(1, 'c'));
  EXPECT_EQ(refused.code(), StatusCode::kRefused);
  const std::string& reason = refused.message();
  EXPECT_NE(reason, "");
  // The caller names the file; the reason does not name it again.
  EXPECT_EQ(reason.find(real.string() + ": "), std::string::npos) << reason;
  EXPECT_EQ(ReadAll(real), "bb");
}

}  // namespace
}  // namespace zepa::platform
