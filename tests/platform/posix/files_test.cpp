#include "platform/files.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "unprivileged.h"

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
  ASSERT_TRUE(WriteWholeFile(P("out.json"), "{}").ok());
  ASSERT_TRUE(WriteWholeFile(P("out.json"), "[]\n").ok());
  EXPECT_EQ(Read(P("out.json")), "[]\n");
  EXPECT_EQ(WriteWholeFile(dir_, "{}").message(), dir_ + ": Is a directory");
  EXPECT_EQ(WriteWholeFile(P("no/out.json"), "{}").message(),
            P("no/out.json") + ": No such file or directory");
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

TEST_F(Files, StaleTemporariesOfKilledWritesGoWhenTheFolderIsNextWritten) {
  std::ofstream(P("DATA1.kvd")) << "save";
  std::ofstream(P("DATA1.kvd.a1B2c3")) << "left by a kill";
  std::ofstream(P("rurirora.ini.Zz9yX8")) << "left by a kill of a first write";
  std::ofstream(P("DATA1.kvd.fresh1")) << "being written right now";
  std::ofstream(P("notes.txt.abc123")) << "the author's, beside no notes.txt";
  std::ofstream(P("DATA1.kvd.bak")) << "not our pattern";
  const time_t old = time(nullptr) - 3600;
  const utimbuf times{old, old};
  for (const char* name :
       {"DATA1.kvd.a1B2c3", "rurirora.ini.Zz9yX8", "notes.txt.abc123", "DATA1.kvd.bak"})
    ASSERT_EQ(utime(P(name).c_str(), &times), 0);

  ASSERT_TRUE(ReplaceFileContents(P("rurirora.ini"), "[SCREEN]\r\n").written());
  EXPECT_FALSE(fs::exists(P("DATA1.kvd.a1B2c3")));
  EXPECT_FALSE(fs::exists(P("rurirora.ini.Zz9yX8")));
  EXPECT_TRUE(fs::exists(P("DATA1.kvd.fresh1")));
  EXPECT_TRUE(fs::exists(P("notes.txt.abc123")));
  EXPECT_TRUE(fs::exists(P("DATA1.kvd.bak")));
  EXPECT_EQ(Read(P("DATA1.kvd")), "save");
}

TEST_F(Files, NewFilesGetTheirUtf8NameAndOldOnesKeepTheirs) {
  const std::string sjis = "\x83\x65\x83\x58\x83\x67.kvs";  // "テスト.kvs" in Shift-JIS
  EXPECT_EQ(NewFileSpelling(P(sjis)), P("テスト.kvs"));
  std::ofstream(P(sjis)) << "x";
  EXPECT_EQ(NewFileSpelling(P(sjis)), P(sjis));
  EXPECT_EQ(NewFileSpelling(P("plain.kvs")), P("plain.kvs"));
  // Already UTF-8 (not valid Shift-JIS): left as entered.
  EXPECT_EQ(NewFileSpelling(P("\xE3\x81\x82.kvs")), P("\xE3\x81\x82.kvs"));
}

TEST_F(Files, ProbingNeverOpensAndTellsWhatIsThere) {
  std::ofstream(P("a")) << "1";
  ASSERT_EQ(mkfifo(P("fifo").c_str(), 0600), 0);
  EXPECT_EQ(ProbePath(P("a")), PathKind::kRegular);
  EXPECT_EQ(ProbePath(dir_), PathKind::kDirectory);
  EXPECT_EQ(ProbePath(P("fifo")), PathKind::kOther);
  EXPECT_EQ(ProbePath("/dev/zero"), PathKind::kOther);
  EXPECT_EQ(ProbePath(P("none")), PathKind::kMissing);
  EXPECT_EQ(ProbePath(P("a/b")), PathKind::kMissing);
}

TEST_F(Files, ListingNamesEachEntryWithWhatItIsAndRefusesNonFolders) {
  std::ofstream(P("a.kvs")) << "1";
  fs::create_directory(P("sub"));
  fs::create_symlink(P("sub"), P("to_sub"));
  fs::create_symlink(P("nowhere"), P("dangling"));
  auto listed = ListFolder(dir_ + "/");
  ASSERT_TRUE(listed.has_value());
  std::vector<std::pair<std::string, PathKind>> got;
  for (const DirEntry& e : *listed) got.emplace_back(e.name, e.kind);
  std::sort(got.begin(), got.end());
  const std::vector<std::pair<std::string, PathKind>> want = {{"a.kvs", PathKind::kRegular},
                                                              {"dangling", PathKind::kMissing},
                                                              {"sub", PathKind::kDirectory},
                                                              {"to_sub", PathKind::kDirectory}};
  EXPECT_EQ(got, want);
  EXPECT_EQ(ListFolder(P("sub"))->size(), 0u);
  EXPECT_FALSE(ListFolder(P("a.kvs")).has_value());
  EXPECT_FALSE(ListFolder(P("none")).has_value());
}

// What the caches of listings and packed pictures compare: kind, size and a
// time that changes with the content; and a large file read piece by piece.
TEST_F(Files, LooksAtFilesAndReadsThemInPieces) {
  std::ofstream(P("a.dat")) << "0123456789";
  const timespec times[2] = {{1000, 0}, {1'700'000'000, 123'456'789}};
  ASSERT_EQ(utimensat(AT_FDCWD, P("a.dat").c_str(), times, 0), 0);
  fs::create_directory(P("sub"));
  ASSERT_EQ(mkfifo(P("fifo").c_str(), 0600), 0);
  const PathInfo file = StatPath(P("a.dat"));
  EXPECT_EQ(file.kind, PathKind::kRegular);
  EXPECT_EQ(file.size_bytes, 10u);
  EXPECT_EQ(file.modified_ns, 1'700'000'000'123'456'789);
  EXPECT_TRUE(FileTimeSettled(file.modified_ns));
  EXPECT_EQ(StatPath(P("sub")).kind, PathKind::kDirectory);
  EXPECT_EQ(StatPath(P("fifo")).kind, PathKind::kOther);
  EXPECT_EQ(StatPath(P("none")).kind, PathKind::kMissing);
  EXPECT_EQ(StatPath(P("a.dat/x")).kind, PathKind::kMissing);
  // A file written just now may change again unseen within the file times'
  // resolution, and one with a time ahead of the clock is not settled either.
  std::ofstream(P("new.dat")) << "x";
  EXPECT_FALSE(FileTimeSettled(StatPath(P("new.dat")).modified_ns));
  const timespec ahead[2] = {{0, UTIME_OMIT}, {4'000'000'000, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, P("new.dat").c_str(), ahead, 0), 0);
  EXPECT_FALSE(FileTimeSettled(StatPath(P("new.dat")).modified_ns));

  std::unique_ptr<FileReader> reader = OpenFileReader(P("a.dat"));
  ASSERT_NE(reader, nullptr);
  EXPECT_EQ(reader->size_bytes(), 10u);
  char piece[8] = {};
  EXPECT_EQ(reader->ReadAt(3, piece, 4), 4u);
  EXPECT_EQ(std::string(piece, 4), "3456");
  EXPECT_EQ(reader->ReadAt(7, piece, 8), 3u);  // short at the end
  EXPECT_EQ(std::string(piece, 3), "789");
  EXPECT_EQ(reader->ReadAt(10, piece, 8), 0u);
  // A FIFO would block a plain open until a writer came; it is refused.
  EXPECT_EQ(OpenFileReader(P("fifo")), nullptr);
  EXPECT_EQ(OpenFileReader(P("sub")), nullptr);
  EXPECT_EQ(OpenFileReader(P("none")), nullptr);
}

// A full disk while the file is rewritten in place (its folder is not ours
// to create in) must leave the old content whole.
class FullDisk : public Files {
 protected:
  void SetUp() override {
    Files::SetUp();
    if (geteuid() != 0) GTEST_SKIP() << "mounting a small tmpfs needs root";
    user_ = zepa::testing::FindUnprivilegedUser();
    ZEPA_REQUIRE_UNPRIVILEGED(user_);
    fs::permissions(dir_, fs::perms(0755));
    mnt_ = P("mnt");
    fs::create_directory(mnt_);
    if (mount("tmpfs", mnt_.c_str(), "tmpfs", 0, "size=256k,mode=0755") != 0)
      GTEST_SKIP() << "cannot mount a tmpfs here: " << std::strerror(errno);
    mounted_ = true;
  }
  void TearDown() override {
    if (mounted_) umount2(mnt_.c_str(), MNT_DETACH);
    Files::TearDown();
  }
  // A file the unprivileged user may write in a folder it may not.
  std::string SharedFile(const std::string& content) {
    const std::string path = mnt_ + "/rurirora.ini";
    std::ofstream(path) << content;
    EXPECT_EQ(chown(path.c_str(), user_.uid, user_.gid), 0);
    return path;
  }
  void FillUntilFree(size_t free_bytes) {
    std::ofstream filler(mnt_ + "/filler", std::ios::binary);
    const std::string block(4096, 'f');
    while (fs::space(mnt_).available > free_bytes && filler.write(block.data(), block.size()))
      filler.flush();
  }
  zepa::testing::Unprivileged user_;
  std::string mnt_;
  bool mounted_ = false;
};

TEST_F(FullDisk, InPlaceRewriteIsRefusedWholeAndSucceedsWhereThereIsRoom) {
  const std::string old_text(20000, 'o');
  const std::string path = SharedFile(old_text);
  FillUntilFree(8192);
  const std::string big(64 * 1024, 'n');
  ZEPA_EXPECT_UNPRIVILEGED(user_, [&] {
    const ReplaceResult r = ReplaceFileContents(path, big);
    return r.status == ReplaceStatus::kFailed &&
           r.error.find("No space left on device") != std::string::npos;
  });
  EXPECT_EQ(Read(path), old_text);

  // A smaller content fits in the file's own blocks.
  const std::string small(5000, 's');
  ZEPA_EXPECT_UNPRIVILEGED(user_, [&] {
    return ReplaceFileContents(path, small).status == ReplaceStatus::kWrittenInPlace;
  });
  EXPECT_EQ(Read(path), small);
}

}  // namespace
}  // namespace zepa::platform
