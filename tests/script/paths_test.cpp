#include "script/paths.h"

#include <gtest/gtest.h>

#include <sys/time.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>

#include "platform/cp932.h"
#include "platform/files.h"
#include "platform/system.h"
#include "script/double_byte_names.h"

namespace zepa::script {
namespace {

namespace fs = std::filesystem;
using namespace zepa::testing;

// The game's files are made through the platform layer, as the game's own
// writes are: a name keeps its bytes on POSIX systems, and on Windows its
// characters, read as UTF-8 or else Shift-JIS, are stored (std::filesystem
// would read the bytes in the system's code page there).
class PathsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = platform::AbsolutePath(fs::temp_directory_path().generic_string()) + "/zepa_paths_" +
          ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(dir);
    Make("Frame/frame.BMP");
    Make("bg01.bmp");
    Make("\xe3\x81\x82.kvs");  // a UTF-8 name
  }
  void TearDown() override { fs::remove_all(dir); }

  // A file below the game directory ("/" between folders).
  void Make(const std::string& name) {
    const std::string path = In(name);
    ASSERT_TRUE(files->CreateDirectories(path.substr(0, path.rfind('/'))).ok()) << path;
    ASSERT_TRUE(platform::WriteWholeFile(path, "x").ok()) << path;
  }
  std::string In(const std::string& name) const { return dir + "/" + name; }
  // The path of a file made by Make, spelled as the folders list it: its
  // bytes on POSIX, its characters in UTF-8 on Windows.
  std::string Listed(const std::string& name) const {
    std::string path = dir;
    for (size_t start = 0; start <= name.size();) {
      const size_t slash = std::min(name.find('/', start), name.size());
      const std::string part = name.substr(start, slash - start);
      std::string spelled = part;
      if (const auto entries = platform::ListFolder(path)) {
        bool exact = false;
        for (const platform::DirEntry& e : *entries) {
          exact = exact || e.name == part;
          if (!exact && e.name == platform::Cp932ToUtf8(part)) spelled = e.name;
        }
        if (exact) spelled = part;
      }
      path += "/" + spelled;
      start = slash + 1;
    }
    return path;
  }

  std::string dir;
  std::unique_ptr<platform::Files> files = platform::CreateSystemFiles();
};

TEST_F(PathsTest, MatchesComponentsCaseInsensitively) {
  PathResolver r(dir);
  EXPECT_EQ(r.Resolve("BG01.BMP"), In("bg01.bmp"));
  EXPECT_EQ(r.Resolve("frame\\frame.bmp"), In("Frame/frame.BMP"));
  EXPECT_EQ(r.Resolve("frame/FRAME.bmp"), In("Frame/frame.BMP"));
  // Missing files keep their spelling below the game directory.
  EXPECT_EQ(r.Resolve("DATA1.kvd"), In("DATA1.kvd"));
  EXPECT_EQ(r.Resolve("no\\such.bmp"), In("no/such.bmp"));
  // A full POSIX path stays; a drive name is just a relative name here.
  EXPECT_EQ(r.Resolve("/tmp/x"), "/tmp/x");
  EXPECT_EQ(r.Resolve("C:x.bmp"), In("C:x.bmp"));
}

TEST_F(PathsTest, TriesTheUtf8FormOfAShiftJisName) {
  PathResolver r(dir);
  r.sjis_to_utf8 = [](std::string_view s) {
    return s == "\x82\xa0.kvs" ? std::string("\xe3\x81\x82.kvs") : std::string();
  };
  EXPECT_EQ(r.Resolve("\x82\xa0.kvs"), In("\xe3\x81\x82.kvs"));
}

TEST_F(PathsTest, MissingFullPathIsFoundByItsTailInTheGameDirectory) {
  PathResolver r(dir);
  const std::string old_dir = "/nonexistent/moved/game";
  EXPECT_EQ(r.Resolve(old_dir + "/FRAME/frame.bmp"), In("Frame/frame.BMP"));
  EXPECT_EQ(r.Resolve(old_dir + "//BG01.BMP"), In("bg01.bmp"));
  // A full path that exists is kept, even when the game has the same name.
  const std::string other = dir + "_other";
  ASSERT_TRUE(files->CreateDirectories(other).ok());
  ASSERT_TRUE(platform::WriteWholeFile(other + "/bg01.bmp", "y").ok());
  EXPECT_EQ(r.Resolve(other + "/bg01.bmp"), other + "/bg01.bmp");
  fs::remove_all(other);
  // Nothing of it in the game: the name stays as written.
  EXPECT_EQ(r.Resolve(old_dir + "/none.bmp"), old_dir + "/none.bmp");
}

TEST_F(PathsTest, RelativeToGame) {
  PathResolver r(dir);
  EXPECT_EQ(r.RelativeToGame(r.Resolve("bg01.bmp")), "bg01.bmp");
  EXPECT_EQ(r.RelativeToGame(r.Resolve("frame\\frame.bmp")), "Frame\\frame.BMP");
  EXPECT_EQ(r.RelativeToGame("/somewhere/else.kvs"), "/somewhere/else.kvs");
}

TEST_F(PathsTest, DoubleByteNamesWithTrailByte5CInBothForms) {
  // Game directory: 表示.kvs and 纊.bmp under CP932 bytes, ソラ.bmp in UTF-8.
  // Sub-folders: 十 in CP932 holding 予.bmp in UTF-8; 能 in UTF-8 holding
  // 表示.bmp in CP932. (Windows stores each under its characters.)
  Make(Cp932(kHyoji, ".kvs"));
  Make(Cp932(kKou, ".bmp"));
  Make(Utf8(kSora, ".bmp"));
  Make(Cp932(kJu, "/") + Utf8(kYo, ".BMP"));
  Make(Utf8(kNo, "/") + Cp932(kHyoji, ".bmp"));

  PathResolver r(dir);
  r.sjis_to_utf8 = [](std::string_view s) { return platform::Cp932ToUtf8(s); };
  EXPECT_EQ(r.Resolve(Cp932(kHyoji, ".kvs")), Listed(Cp932(kHyoji, ".kvs")));
  EXPECT_EQ(r.Resolve(Cp932(kHyoji, ".KVS")), Listed(Cp932(kHyoji, ".kvs")));
  EXPECT_EQ(r.Resolve(Cp932(kKou, ".bmp")), Listed(Cp932(kKou, ".bmp")));
  EXPECT_EQ(r.Resolve(Cp932(kSora, ".bmp")), In(Utf8(kSora, ".bmp")));
  EXPECT_EQ(r.Resolve(Cp932(kJu, "\\") + Cp932(kYo, ".bmp")),
            Listed(Cp932(kJu, "/") + Utf8(kYo, ".BMP")));
  EXPECT_EQ(r.Resolve(Cp932(kJu, "/") + Cp932(kYo, ".bmp")),
            Listed(Cp932(kJu, "/") + Utf8(kYo, ".BMP")));
  EXPECT_EQ(r.Resolve(Cp932(kNo, "\\") + Cp932(kHyoji, ".bmp")),
            Listed(Utf8(kNo, "/") + Cp932(kHyoji, ".bmp")));
  // A missing name keeps its bytes whole, trail bytes included.
  EXPECT_EQ(r.Resolve(Cp932(kSora, "\\") + Cp932(kJu, ".bmp")),
            In(Cp932(kSora, "/") + Cp932(kJu, ".bmp")));
}

TEST_F(PathsTest, TrailingBlanksAndDotsAreTriedWithoutWhenTheExactNameIsMissing) {
  Make("two.kvs");
  Make("odd .kvs");  // an exact name with a blank wins
  Make("odd");
  Make(Utf8(kSora, ".bmp"));
  PathResolver r(dir);
  r.sjis_to_utf8 = [](std::string_view s) { return platform::Cp932ToUtf8(s); };
  EXPECT_EQ(r.Resolve("two.kvs "), In("two.kvs"));
  EXPECT_EQ(r.Resolve("TWO.KVS. . "), In("two.kvs"));
  EXPECT_EQ(r.Resolve("frame \\frame.bmp"), In("Frame/frame.BMP"));
  EXPECT_EQ(r.Resolve("odd .kvs"), In("odd .kvs"));
  EXPECT_EQ(r.Resolve("odd "), In("odd"));
  EXPECT_EQ(r.Resolve(Cp932(kSora, ".bmp  ")), In(Utf8(kSora, ".bmp")));
  // Nothing found either way: the name stays as written (on Windows ".. "
  // would open the parent folder).
  EXPECT_EQ(r.Resolve("three.kvs "), In("three.kvs "));
  EXPECT_EQ(r.Resolve(".. "), In(".. "));
}

// The listing is read once and again only when the directory changes; the
// answers are those of a scan of the listing, the first of a folded name
// winning. A name the system itself opens in any case (Windows) needs no
// listing; a missing one always does.
TEST_F(PathsTest, ListingsAreKeptUntilTheDirectoryChanges) {
  // A time long past, as a directory no one is changing has.
  auto settle = [&](int minutes) {
    const auto when = std::chrono::system_clock::now() - std::chrono::hours(2) +
                      std::chrono::minutes(minutes);
    const auto seconds = std::chrono::system_clock::to_time_t(when);
    const timeval t{static_cast<decltype(timeval::tv_sec)>(seconds), 0};
    const timeval times[2] = {t, t};
    ASSERT_EQ(utimes(dir.c_str(), times), 0);
  };
  Make("Twin.bmp");
  Make("TWIN.bmp");
  Make("twin.BMP");
  settle(0);
  std::string first;
  bool exact_twin = false;
  const auto entries = platform::ListFolder(dir);
  ASSERT_TRUE(entries);
  for (const platform::DirEntry& e : *entries) {
    const std::string& n = e.name;
    if (first.empty() && (n == "Twin.bmp" || n == "TWIN.bmp" || n == "twin.BMP")) first = n;
    exact_twin = exact_twin || n == "TWIN.bmp";
  }
  PathResolver r(dir);
  EXPECT_EQ(r.Resolve("twin.bmp"), In(first));
  // The exact name first; where names differing in case are one file
  // (NTFS), the three were written to the first.
  EXPECT_EQ(r.Resolve("TWIN.bmp"), In(exact_twin ? "TWIN.bmp" : first));
  EXPECT_EQ(r.Resolve("BG01.BMP"), In("bg01.bmp"));
  EXPECT_EQ(r.Resolve("missing.bmp"), In("missing.bmp"));
  const size_t read = r.listings_read();
  EXPECT_GE(read, 1u);
  EXPECT_EQ(r.Resolve("Bg01.Bmp"), In("bg01.bmp"));
  EXPECT_EQ(r.Resolve("absent.bmp"), In("absent.bmp"));
  EXPECT_EQ(r.listings_read(), read);

  Make("Missing.BMP");
  settle(1);
  EXPECT_EQ(r.Resolve("absent.bmp"), In("absent.bmp"));
  EXPECT_EQ(r.listings_read(), read + 1);
  EXPECT_EQ(r.Resolve("missing.bmp"), In("Missing.BMP"));
  EXPECT_EQ(r.listings_read(), read + 1);
  fs::remove(fs::path(In("bg01.bmp")));
  settle(2);
  EXPECT_EQ(r.Resolve("BG01.BMP"), In("BG01.BMP"));

  // A directory changed just now is listed again on every lookup, since a
  // change within its time's resolution would not show.
  Make("new.bmp");
  EXPECT_EQ(r.Resolve("NEW.BMP"), In("new.bmp"));
  Make("newer.bmp");
  EXPECT_EQ(r.Resolve("NEWER.BMP"), In("newer.bmp"));
  const size_t before = r.listings_read();
  EXPECT_EQ(r.Resolve("absent.bmp"), In("absent.bmp"));
  EXPECT_EQ(r.Resolve("absent.bmp"), In("absent.bmp"));
  EXPECT_EQ(r.listings_read(), before + 2);
}

// A game folder as a Japanese system holds it: every name on disk in its
// Unicode form (UTF-8 here), the folder itself under a Japanese name, and
// the scenario naming the files in Shift-JIS or UTF-8, in any case. Each
// spelling reads the file it names on every system the program is built
// for (the Windows build runs this under Wine). The folder is made through
// the platform layer, as the game's own writes are.
TEST(JapaneseGameFolder, ShiftJisAndUtf8NamesInAnyCaseFindTheirFiles) {
  const std::string game = platform::AbsolutePath(fs::temp_directory_path().generic_string()) +
                           "/zepa_\xe6\x97\xa5\xe6\x9c\xac_" +
                           std::to_string(::testing::UnitTest::GetInstance()->random_seed());
  auto files = platform::CreateSystemFiles();
  auto make = [&](const std::string& name, const std::string& bytes) {
    const std::string path = game + "/" + name;
    ASSERT_TRUE(files->CreateDirectories(path.substr(0, path.rfind('/'))).ok()) << path;
    ASSERT_TRUE(platform::WriteWholeFile(path, bytes).ok()) << path;
  };
  make(Utf8(kHyoji, ".kvs"), "scenario");
  make(Utf8(kSora, ".BMP"), "sky");
  make(Utf8(kJu, "/") + Utf8(kYo, ".bmp"), "notice");
  make("Bgm/" + Utf8(kNo, ".Mid"), "music");

  PathResolver r(game);
  r.sjis_to_utf8 = [](std::string_view s) { return platform::Cp932ToUtf8(s); };
  auto read = [&](const std::string& name) {
    const platform::ReadResult got = platform::ReadRegularFile(r.Resolve(name), 1 << 10);
    return got.status == platform::ReadStatus::kOk ? got.bytes : "missing: " + r.Resolve(name);
  };
  EXPECT_EQ(read(Cp932(kHyoji, ".kvs")), "scenario");
  EXPECT_EQ(read(Cp932(kHyoji, ".KVS")), "scenario");
  EXPECT_EQ(read(Utf8(kHyoji, ".Kvs")), "scenario");
  EXPECT_EQ(read(Cp932(kSora, ".bmp")), "sky");
  EXPECT_EQ(read(Utf8(kSora, ".bmp")), "sky");
  EXPECT_EQ(read(Cp932(kJu, "\\") + Cp932(kYo, ".BMP")), "notice");
  EXPECT_EQ(read(Utf8(kJu, "/") + Cp932(kYo, ".bmp")), "notice");
  EXPECT_EQ(read(Cp932(kJu, "\\") + Utf8(kYo, ".Bmp")), "notice");
  EXPECT_EQ(read("BGM\\" + Cp932(kNo, ".mid")), "music");
  EXPECT_EQ(read("bgm/" + Utf8(kNo, ".MID")), "music");
  // A name that is not there stays missing in either form.
  EXPECT_EQ(platform::ProbePath(r.Resolve(Cp932(kKou, ".bmp"))), platform::PathKind::kMissing);
  EXPECT_EQ(platform::ProbePath(r.Resolve("bgm\\" + Cp932(kHyoji, ".mid"))),
            platform::PathKind::kMissing);
  fs::remove_all(
      fs::path(std::u8string(reinterpret_cast<const char8_t*>(game.data()), game.size())));
}

}  // namespace
}  // namespace zepa::script
