// The file operations on Windows, run under Wine by scripts/windows-tests.sh.
#include "platform/files.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>

#include "platform/system.h"

namespace zepa::platform {
namespace {

std::wstring Wide(const std::string& utf8) {
  std::wstring w(utf8.size(), L'\0');
  w.resize(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), w.data(),
                               static_cast<int>(w.size())));
  return w;
}

class Win32Files : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH];
    ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
    dir_w_ = std::wstring(temp) + L"zepa_files_" + std::to_wstring(GetCurrentProcessId());
    ASSERT_TRUE(CreateDirectoryW(dir_w_.c_str(), nullptr) ||
                GetLastError() == ERROR_ALREADY_EXISTS);
    dir_ = AbsolutePath(std::string(dir_w_.begin(), dir_w_.end()));  // the temp path is ASCII
  }
  void TearDown() override {
    if (auto entries = ListFolder(dir_)) {
      for (const DirEntry& e : *entries) {
        const std::wstring path = Wide(P(e.name));
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path.c_str());
      }
    }
    RemoveDirectoryW(dir_w_.c_str());
  }
  std::string P(const std::string& name) const { return dir_ + "/" + name; }
  // Made through the wide API, as Windows Explorer would.
  void Make(const std::string& utf8_name, const std::string& bytes) {
    HANDLE h = CreateFileW(Wide(P(utf8_name)).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD n = 0;
    WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr);
    CloseHandle(h);
  }
  std::string Read(const std::string& name) { return ReadRegularFile(P(name), 1 << 20).bytes; }
  std::wstring dir_w_;
  std::string dir_;
};

// The game names a file in Shift-JIS; the folder holds it under its Unicode
// name whatever the system's code page: both spellings find it.
TEST_F(Win32Files, ShiftJisAndUtf8NamesFindTheSameFile) {
  const std::string utf8 = "テスト.kvs";
  const std::string sjis = "\x83\x65\x83\x58\x83\x67.kvs";
  Make(utf8, "scenario");
  EXPECT_EQ(AbsolutePath(dir_).find('\\'), std::string::npos) << "names are split at '/'";
  EXPECT_EQ(ProbePath(P(sjis)), PathKind::kRegular);
  EXPECT_EQ(Read(sjis), "scenario");
  EXPECT_EQ(Read(utf8), "scenario");
  auto listed = ListFolder(dir_);
  ASSERT_TRUE(listed.has_value());
  ASSERT_EQ(listed->size(), 1u);
  EXPECT_EQ((*listed)[0].name, utf8);
  EXPECT_EQ((*listed)[0].kind, PathKind::kRegular);
  // A new file is created under the Unicode name.
  EXPECT_EQ(NewFileSpelling(P("\x83\x5a\x81\x5b\x83\x75.kvd")), P("セーブ.kvd"));
  ASSERT_TRUE(ReplaceFileContents(P("\x83\x5a\x81\x5b\x83\x75.kvd"), "save").written());
  EXPECT_EQ(Read("セーブ.kvd"), "save");

  EXPECT_EQ(ReadRegularFile(P("none"), 10).status, ReadStatus::kMissing);
  EXPECT_EQ(ReadRegularFile(P("none"), 10).error, P("none") + ": No such file or directory");
  EXPECT_EQ(ReadRegularFile(dir_, 10).status, ReadStatus::kNotRegular);
  EXPECT_EQ(ReadRegularFile(P("テスト.kvs"), 3).status, ReadStatus::kTooLarge);
  EXPECT_EQ(ProbePath(P("none/deeper")), PathKind::kMissing);
  EXPECT_FALSE(ListFolder(P("テスト.kvs")).has_value());
}

// A folder in UTF-8, as the system names it, holding a file the game names
// in Shift-JIS with 0x5C second bytes: each part of the path is read on its
// own, and the lookup answers with the folder's own spelling.
TEST_F(Win32Files, ShiftJisNamesBelowAUtf8FolderAndTheirListedSpelling) {
  ASSERT_TRUE(CreateDirectoryW(Wide(P("日本")).c_str(), nullptr));
  Make("日本/表示.kvs", "scenario");
  const std::string hyoji = "\x95\x5c\x8e\xa6";  // 表示
  EXPECT_EQ(Read("日本/" + hyoji + ".kvs"), "scenario");
  EXPECT_EQ(Read("日本\\" + hyoji + ".kvs"), "scenario");
  EXPECT_EQ(EntrySpelling(P("日本"), hyoji + ".KVS"), "表示.kvs");
  EXPECT_EQ(EntrySpelling(P("日本"), "表示.kvs. "), "表示.kvs");
  EXPECT_EQ(EntrySpelling(dir_, "日本"), "日本");
  EXPECT_EQ(EntrySpelling(P("日本"), ".. "), std::nullopt);
  EXPECT_EQ(EntrySpelling(P("日本"), "*.kvs"), std::nullopt);
  EXPECT_EQ(EntrySpelling(P("日本"), "none.kvs"), std::nullopt);
  // A new name in Shift-JIS, a 0x5C second byte in it, goes under UTF-8 in
  // the same folder.
  EXPECT_EQ(NewFileSpelling(P("日本/\x83\x5c\x83\x89.kvd")), P("日本/ソラ.kvd"));
  DeleteFileW(Wide(P("日本/表示.kvs")).c_str());
  RemoveDirectoryW(Wide(P("日本")).c_str());
}

TEST_F(Win32Files, ReplacingKeepsTheOldFileUntilTheNewOneIsWhole) {
  Make("DATA1.kvd", "old save");
  ASSERT_EQ(ReplaceFileContents(P("DATA1.kvd"), "new save").status, ReplaceStatus::kReplaced);
  EXPECT_EQ(Read("DATA1.kvd"), "new save");

  // A reader that does not share deletion (a scanner, an editor) holds the
  // file: the old content stays whole and the temporary goes.
  HANDLE holder = CreateFileW(Wide(P("DATA1.kvd")).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  EXPECT_EQ(ReplaceFileContents(P("DATA1.kvd"), "lost save").status, ReplaceStatus::kFailed);
  CloseHandle(holder);
  EXPECT_EQ(Read("DATA1.kvd"), "new save");
  EXPECT_EQ(ListFolder(dir_)->size(), 1u) << "no temporary left behind";
  HANDLE reader = CreateFileW(Wide(P("DATA1.kvd")).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  std::thread release([reader] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    CloseHandle(reader);
  });
  // Let go within the wait: the write then goes through.
  EXPECT_TRUE(ReplaceFileContents(P("DATA1.kvd"), "third save").written());
  release.join();
  EXPECT_EQ(Read("DATA1.kvd"), "third save");
  EXPECT_EQ(ListFolder(dir_)->size(), 1u) << "no temporary left behind";

  // The read-only attribute is the author's: nothing is written.
  Make("rurirora.ini", "[SCREEN]");
  SetFileAttributesW(Wide(P("rurirora.ini")).c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(ReplaceFileContents(P("rurirora.ini"), "x").status, ReplaceStatus::kNotWritable);
  EXPECT_EQ(Read("rurirora.ini"), "[SCREEN]");
  EXPECT_EQ(ReplaceFileContents(dir_, "x").status, ReplaceStatus::kFailed);

  const Status refused = WriteNewFile(dir_, "x");
  EXPECT_EQ(refused.code(), StatusCode::kRefused);
  EXPECT_EQ(refused.message(), dir_ + ": exists and is not a regular file");
  const Status first = WriteNewFile(P("shot.png"), "png");
  EXPECT_TRUE(first.ok()) << first.message();
  const Status second = WriteNewFile(P("shot.png"), "png2");
  EXPECT_TRUE(second.ok()) << second.message();
  EXPECT_EQ(Read("shot.png"), "png2");
  const Status failed = WriteWholeFile(P("no/out.json"), "{}");
  EXPECT_EQ(failed.code(), StatusCode::kFailed);
  EXPECT_EQ(failed.message(), P("no/out.json") + ": No such file or directory");
}

// What the packed pictures and the folder listings rely on: a look that
// tells kind, size and time, reads at any offset, and names that resolve
// the same whichever spelling the game used.
TEST_F(Win32Files, LookingAtFilesAndReadingThemInPieces) {
  FILETIME before;
  GetSystemTimeAsFileTime(&before);
  Make("テスト.pak", "0123456789");
  const std::string sjis = P("\x83\x65\x83\x58\x83\x67.pak");
  const PathInfo info = StatPath(sjis);
  EXPECT_EQ(info.kind, PathKind::kRegular);
  EXPECT_EQ(info.size_bytes, 10u);
  const int64_t before_ns =
      (static_cast<int64_t>((uint64_t{before.dwHighDateTime} << 32) | before.dwLowDateTime) -
       116444736000000000) *
      100;
  EXPECT_GE(info.modified_ns, before_ns - 2'000'000'000) << "the time is since 1970, in ns";
  EXPECT_LE(info.modified_ns, before_ns + 60'000'000'000);
  EXPECT_FALSE(FileTimeSettled(info.modified_ns)) << "just written";
  EXPECT_TRUE(FileTimeSettled(info.modified_ns - 10'000'000'000));
  ASSERT_TRUE(StampOf(sjis).has_value());
  EXPECT_EQ(*StampOf(sjis), (FileStamp{info.modified_ns, 10}));
  EXPECT_FALSE(StampOf(dir_).has_value());
  EXPECT_EQ(StatPath(dir_).kind, PathKind::kDirectory);
  EXPECT_EQ(StatPath(P("none/deeper")).kind, PathKind::kMissing);
  const std::string date = LocalDateTimeText(info.modified_ns / 1'000'000'000);
  EXPECT_EQ(date.size(), 16u) << date;
  EXPECT_EQ(date.substr(4, 1) + date.substr(7, 1) + date.substr(10, 1) + date.substr(13, 1),
            "-- :");

  std::unique_ptr<FileReader> reader = OpenFileReader(sjis);
  ASSERT_NE(reader, nullptr);
  EXPECT_EQ(reader->size_bytes(), 10u);
  char out[8] = {};
  EXPECT_EQ(reader->ReadAt(6, out, 8), 4u) << "fewer at the end";
  EXPECT_EQ(std::string(out, 4), "6789");
  EXPECT_EQ(reader->ReadAt(2, out, 3), 3u);
  EXPECT_EQ(std::string(out, 3), "234");
  EXPECT_EQ(reader->ReadAt(10, out, 1), 0u);
  EXPECT_EQ(OpenFileReader(dir_), nullptr);
  EXPECT_EQ(OpenFileReader(P("none")), nullptr);

  // Both spellings resolve to the folder's own name; a missing tail is kept.
  const std::string canonical = CanonicalPath(sjis);
  EXPECT_EQ(canonical.find('\\'), std::string::npos) << canonical;
  EXPECT_EQ(canonical, CanonicalPath(P("テスト.pak")));
  EXPECT_EQ(canonical.substr(canonical.size() - 14), "/テスト.pak");
  EXPECT_EQ(CanonicalPath(P("sub/../none/x.kvd")), CanonicalPath(dir_) + "/none/x.kvd");
  EXPECT_EQ(CanonicalPath(""), "");
}

TEST_F(Win32Files, StaleTemporariesOfKilledWritesGoWhenTheFolderIsNextWritten) {
  Make("DATA1.kvd", "save");
  Make("DATA1.kvd.a1B2c3", "left by a kill");
  Make("DATA1.kvd.fresh1", "being written right now");
  Make("notes.txt.abc123", "beside no notes.txt");
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER t{{now.dwLowDateTime, now.dwHighDateTime}};
  t.QuadPart -= 3600ull * 10000000ull;  // an hour ago
  const FILETIME old{t.LowPart, t.HighPart};
  for (const char* name : {"DATA1.kvd.a1B2c3", "notes.txt.abc123"}) {
    HANDLE h = CreateFileW(Wide(P(name)).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                           0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    SetFileTime(h, nullptr, nullptr, &old);
    CloseHandle(h);
  }
  ASSERT_TRUE(ReplaceFileContents(P("rurirora.ini"), "[SCREEN]\r\n").written());
  EXPECT_EQ(ProbePath(P("DATA1.kvd.a1B2c3")), PathKind::kMissing);
  EXPECT_EQ(ProbePath(P("DATA1.kvd.fresh1")), PathKind::kRegular);
  EXPECT_EQ(ProbePath(P("notes.txt.abc123")), PathKind::kRegular);
  EXPECT_EQ(Read("DATA1.kvd"), "save");
}

// Saves of a game whose folder cannot be written go to %APPDATA%.
TEST_F(Win32Files, TheUsersFoldersAreTheSystemsAnswer) {
  auto files = CreateSystemFiles();
  const std::string data = files->UserDataDir();
  ASSERT_FALSE(data.empty());
  EXPECT_EQ(data.find('\\'), std::string::npos);
  EXPECT_EQ(ProbePath(data), PathKind::kDirectory);
  const auto folders = SystemUserFolders();
  ASSERT_TRUE(folders.has_value());
  EXPECT_EQ(folders->data, data);
  EXPECT_TRUE(files->DirectoryWritable(dir_));
  EXPECT_FALSE(files->DirectoryWritable(P("none")));
  const Status made = files->CreateDirectories(P("a/b/c"));
  EXPECT_TRUE(made.ok()) << made.message();
  EXPECT_EQ(ProbePath(P("a/b/c")), PathKind::kDirectory);
  EXPECT_EQ(ListFolder(dir_)->size(), 1u) << "the write probe leaves nothing";
  for (const char* d : {"a/b/c", "a/b", "a"}) RemoveDirectoryW(Wide(P(d)).c_str());
  EXPECT_EQ(ProgramFolder().find('\\'), std::string::npos);
  EXPECT_EQ(ProbePath(ProgramFolder()), PathKind::kDirectory);
}

}  // namespace
}  // namespace zepa::platform
