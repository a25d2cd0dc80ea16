// The configuration's write-back on a POSIX system: modes, symlinks, a
// read-only folder, FIFOs, and writers in other processes that race or die.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/ini_file.h"
#include "unprivileged.h"

namespace zepa::engine {
namespace {

namespace fs = std::filesystem;

// The write-back of the configuration: the files of a shared game folder.
class IniSave : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[] = "/tmp/zepa_ini_XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    dir_ = name;
    // The unprivileged child must be able to work in it.
    fs::permissions(dir_, fs::perms::all);
    path_ = dir_ + "/rurirora.ini";
  }
  void TearDown() override {
    std::error_code ec;
    fs::permissions(dir_, fs::perms::all, ec);
    fs::remove_all(dir_, ec);
  }
  static void Write(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  // Names in the folder other than the ini (a temporary file left behind).
  std::vector<std::string> Leftovers() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_))
      if (e.path().filename().string().rfind("rurirora.ini.", 0) == 0) names.push_back(e.path());
    return names;
  }
  static IniFile WithFull(int v) {
    IniFile ini = IniFile::Parse("[SCREEN]\r\nFULL=1\r\n");
    ini.SetInt("SCREEN", "FULL", v);
    return ini;
  }
  static mode_t Mode(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
  }

  std::string dir_, path_;
  zepa::testing::Unprivileged user_ = zepa::testing::FindUnprivilegedUser();
};

TEST_F(IniSave, CreatesReplacesAndFailsCleanly) {
  ASSERT_TRUE(WithFull(0).Save(path_).ok());
  EXPECT_EQ(IniFile::Load(path_).GetInt("SCREEN", "FULL", 1), 0);
  ASSERT_TRUE(WithFull(1).Save(path_).ok());
  EXPECT_EQ(Read(path_), "[SCREEN]\r\nFULL=1\r\n");
  EXPECT_TRUE(Leftovers().empty());
  // A folder that does not exist: nothing is written, no crash.
  EXPECT_FALSE(WithFull(0).Save(dir_ + "/missing/rurirora.ini").ok());
  EXPECT_TRUE(Leftovers().empty());
}

TEST_F(IniSave, KeepsTheModeAndNeverWritesAReadOnlyFile) {
  Write(path_, "[SCREEN]\r\nFULL=1\r\n");
  fs::permissions(path_, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  ASSERT_TRUE(WithFull(0).Save(path_).ok());
  EXPECT_EQ(Mode(path_), 0640u);

  // Read-only holds even for root: the author meant the file to stay.
  fs::permissions(path_, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  EXPECT_FALSE(WithFull(1).Save(path_).ok());
  EXPECT_EQ(Read(path_), "[SCREEN]\r\nFULL=0\r\n");
  EXPECT_EQ(Mode(path_), 0444u);
  EXPECT_TRUE(Leftovers().empty());

  // Another user's file that is not writable for us, in a folder that is.
  ZEPA_REQUIRE_UNPRIVILEGED(user_);
  fs::permissions(path_, fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);
  if (geteuid() == 0) {
    ASSERT_EQ(chown(path_.c_str(), 0, 0), 0);
  }
  ZEPA_EXPECT_UNPRIVILEGED(user_, [&] { return !WithFull(1).Save(path_).ok(); });
  EXPECT_EQ(Read(path_), "[SCREEN]\r\nFULL=0\r\n");
  EXPECT_TRUE(Leftovers().empty());
}

TEST_F(IniSave, WritesThroughASymlinkIntoItsTargetsFolder) {
  const std::string real_dir = dir_ + "/real";
  fs::create_directories(real_dir);
  Write(real_dir + "/settings.ini", "[A]\r\nB=1\r\n");
  fs::permissions(real_dir + "/settings.ini", fs::perms::owner_read | fs::perms::owner_write);
  fs::create_symlink("real/settings.ini", path_);
  ASSERT_TRUE(WithFull(0).Save(path_).ok());
  EXPECT_TRUE(fs::is_symlink(path_));
  EXPECT_EQ(Read(real_dir + "/settings.ini"), "[SCREEN]\r\nFULL=0\r\n");
  EXPECT_EQ(Mode(real_dir + "/settings.ini"), 0600u);
  // A dangling link creates its target.
  fs::remove(real_dir + "/settings.ini");
  ASSERT_TRUE(WithFull(1).Save(path_).ok());
  EXPECT_EQ(Read(real_dir + "/settings.ini"), "[SCREEN]\r\nFULL=1\r\n");
  EXPECT_TRUE(fs::is_empty(real_dir) == false);
  EXPECT_EQ(std::distance(fs::directory_iterator(real_dir), fs::directory_iterator()), 1);
}

TEST_F(IniSave, WritableFileInAReadOnlyFolderIsWrittenInPlace) {
  ZEPA_REQUIRE_UNPRIVILEGED(user_);
  Write(path_, "[SCREEN]\r\nFULL=1\r\n; a long comment that the shorter file must not keep\r\n");
  if (geteuid() == 0) {
    ASSERT_EQ(chown(path_.c_str(), user_.uid, user_.gid), 0);
  }
  fs::permissions(path_, fs::perms::owner_read | fs::perms::owner_write);
  // The folder belongs to someone else and is not writable for the user.
  if (geteuid() == 0) {
    ASSERT_EQ(chown(dir_.c_str(), 0, 0), 0);
  }
  fs::permissions(dir_, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                            fs::perms::others_read | fs::perms::others_exec);
  ZEPA_EXPECT_UNPRIVILEGED(user_, [&] {
    if (geteuid() != 0 && access(dir_.c_str(), W_OK) == 0) return true;  // cannot test here
    return WithFull(0).Save(path_).ok();
  });
  EXPECT_EQ(Read(path_), "[SCREEN]\r\nFULL=0\r\n");
  EXPECT_EQ(Mode(path_), 0600u);
  EXPECT_TRUE(Leftovers().empty());
}

TEST_F(IniSave, AFileThatCouldNotBeReadIsNeverOverwritten) {
  ZEPA_REQUIRE_UNPRIVILEGED(user_);
  Write(path_, "[POS]\r\nMESSAGELINE=8\r\n");
  if (geteuid() == 0) {
    ASSERT_EQ(chown(path_.c_str(), user_.uid, user_.gid), 0);
  }
  fs::permissions(path_, fs::perms::owner_write);  // write-only
  ZEPA_EXPECT_UNPRIVILEGED(user_, [&] {
    IniFile ini = IniFile::Load(path_);
    ini.SetInt("SCREEN", "FULL", 0);
    return !ini.Save(path_).ok();
  });
  EXPECT_EQ(Read(path_), "[POS]\r\nMESSAGELINE=8\r\n");
}

TEST_F(IniSave, AFifoNeverBlocksAndIsLeftAlone) {
  ASSERT_EQ(mkfifo(path_.c_str(), 0666), 0);
  // In a child with an alarm, so a blocking open fails the test instead of
  // hanging it.
  const pid_t pid = fork();
  if (pid == 0) {
    alarm(10);
    IniFile ini = IniFile::Load(path_);
    const bool ok = ini.GetInt("SCREEN", "FULL", 7) == 7 && !WithFull(0).Save(path_).ok();
    _exit(ok ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
  struct stat st;
  ASSERT_EQ(lstat(path_.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  EXPECT_TRUE(Leftovers().empty());
}

// Two games exiting together in one folder: the file, read at any moment
// while they write and after, is always one of the two contents, whole.
TEST_F(IniSave, TwoWritersAtOnceNeverTearTheFile) {
  auto content = [](char c, size_t length) {
    IniFile ini;
    for (int i = 0; i < 2000; ++i) ini.Set("S" + std::to_string(i), "KEY", std::string(length, c));
    return ini;
  };
  // Different lengths, so a mixture of the two cannot look whole.
  const IniFile a = content('a', 20), b = content('b', 7);
  for (int round = 0; round < 100; ++round) {
    int gate[2];
    ASSERT_EQ(pipe(gate), 0);
    pid_t pids[2];
    for (int w = 0; w < 2; ++w) {
      pids[w] = fork();
      if (pids[w] == 0) {
        // Both start together when the parent closes the gate.
        close(gate[1]);
        char c;
        (void)!read(gate[0], &c, 1);
        bool ok = true;
        for (int k = 0; k < 3; ++k) ok = (w == 0 ? a : b).Save(path_).ok() && ok;
        _exit(ok ? 0 : 1);
      }
    }
    close(gate[0]);
    close(gate[1]);
    int running = 2;
    while (running > 0) {
      for (pid_t& pid : pids) {
        int status = 0;
        if (pid > 0 && waitpid(pid, &status, WNOHANG) == pid) {
          ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "round " << round;
          pid = -1;
          --running;
        }
      }
      const std::string text = Read(path_);
      ASSERT_TRUE(text.empty() || text == a.Text() || text == b.Text())
          << "torn in round " << round;
    }
    const std::string text = Read(path_);
    ASSERT_TRUE(text == a.Text() || text == b.Text()) << "torn in round " << round;
  }
  EXPECT_TRUE(Leftovers().empty());
}

// A game killed while it writes leaves the old or the new file, whole; an
// ordinary kill (SIGTERM) also leaves no temporary file behind.
TEST_F(IniSave, AKillLeavesNoTornFile) {
  IniFile a, b;
  for (int i = 0; i < 3000; ++i) {
    a.Set("S" + std::to_string(i), "K", "aaaaaaaaaaaaaaaa");
    b.Set("S" + std::to_string(i), "K", "bbbbbbbbbbbbbbbb");
  }
  ASSERT_TRUE(a.Save(path_).ok());
  for (int round = 0; round < 60; ++round) {
    const pid_t pid = fork();
    if (pid == 0) {
      for (int i = 0;; ++i) (void)(i % 2 ? a : b).Save(path_);
    }
    usleep(static_cast<useconds_t>(200 + (round * 7919) % 3000));
    kill(pid, round % 2 ? SIGKILL : SIGTERM);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    const std::string text = Read(path_);
    ASSERT_TRUE(text == a.Text() || text == b.Text()) << "torn in round " << round;
    // Only SIGKILL, which cannot be held back, may leave a temporary file.
    if (round % 2 == 0) {
      ASSERT_TRUE(Leftovers().empty()) << "SIGTERM left " << Leftovers().front();
    } else {
      for (const std::string& name : Leftovers()) fs::remove(name);
    }
  }
}

}  // namespace
}  // namespace zepa::engine
