#include "script/paths.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "platform/cp932.h"
#include "platform/files.h"
#include "platform/system.h"
#include "script/double_byte_names.h"

namespace zepa::script {
namespace {

namespace fs = std::filesystem;

class PathsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("zepa_paths_" +
           std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
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
  PathResolver r(dir.generic_string());
  EXPECT_EQ(r.Resolve("BG01.BMP"), (dir / "bg01.bmp").generic_string());
  EXPECT_EQ(r.Resolve("frame\\frame.bmp"), (dir / "Frame" / "frame.BMP").generic_string());
  EXPECT_EQ(r.Resolve("frame/FRAME.bmp"), (dir / "Frame" / "frame.BMP").generic_string());
  // Missing files keep their spelling below the game directory.
  EXPECT_EQ(r.Resolve("DATA1.kvd"), (dir / "DATA1.kvd").generic_string());
  EXPECT_EQ(r.Resolve("no\\such.bmp"), (dir / "no" / "such.bmp").generic_string());
  // A full POSIX path stays; a drive name is just a relative name here.
  EXPECT_EQ(r.Resolve("/tmp/x"), "/tmp/x");
  EXPECT_EQ(r.Resolve("C:x.bmp"), (dir / "C:x.bmp").generic_string());
}

TEST_F(PathsTest, TriesTheUtf8FormOfAShiftJisName) {
  PathResolver r(dir.generic_string());
  r.sjis_to_utf8 = [](std::string_view s) {
    return s == "\x82\xa0.kvs" ? std::string("\xe3\x81\x82.kvs") : std::string();
  };
  EXPECT_EQ(r.Resolve("\x82\xa0.kvs"), (dir / "\xe3\x81\x82.kvs").generic_string());
}

TEST_F(PathsTest, MissingFullPathIsFoundByItsTailInTheGameDirectory) {
  PathResolver r(dir.generic_string());
  const std::string old_dir = "/nonexistent/moved/game";
  EXPECT_EQ(r.Resolve(old_dir + "/FRAME/frame.bmp"), (dir / "Frame" / "frame.BMP").generic_string());
  EXPECT_EQ(r.Resolve(old_dir + "//BG01.BMP"), (dir / "bg01.bmp").generic_string());
  // A full path that exists is kept, even when the game has the same name.
  const fs::path other = dir.generic_string() + "_other";
  fs::create_directories(other);
  std::ofstream(other / "bg01.bmp") << "y";
  EXPECT_EQ(r.Resolve((other / "bg01.bmp").generic_string()), (other / "bg01.bmp").generic_string());
  fs::remove_all(other);
  // Nothing of it in the game: the name stays as written.
  EXPECT_EQ(r.Resolve(old_dir + "/none.bmp"), old_dir + "/none.bmp");
}

TEST_F(PathsTest, RelativeToGame) {
  PathResolver r(dir.generic_string());
  EXPECT_EQ(r.RelativeToGame(r.Resolve("bg01.bmp")), "bg01.bmp");
  EXPECT_EQ(r.RelativeToGame(r.Resolve("frame\\frame.bmp")), "Frame\\frame.BMP");
  EXPECT_EQ(r.RelativeToGame("/somewhere/else.kvs"), "/somewhere/else.kvs");
}

using namespace zepa::testing;

TEST_F(PathsTest, DoubleByteNamesWithTrailByte5CInBothForms) {
  // Game directory: 表示.kvs and 纊.bmp under CP932 bytes, ソラ.bmp in UTF-8.
  // Sub-folders: 十 in CP932 holding 予.bmp in UTF-8; 能 in UTF-8 holding
  // 表示.bmp in CP932.
  std::ofstream(dir / Cp932(kHyoji, ".kvs")) << "x";
  std::ofstream(dir / Cp932(kKou, ".bmp")) << "x";
  std::ofstream(dir / Utf8(kSora, ".bmp")) << "x";
  fs::create_directories(dir / Cp932(kJu));
  std::ofstream(dir / Cp932(kJu) / Utf8(kYo, ".BMP")) << "x";
  fs::create_directories(dir / Utf8(kNo));
  std::ofstream(dir / Utf8(kNo) / Cp932(kHyoji, ".bmp")) << "x";

  PathResolver r(dir.generic_string());
  r.sjis_to_utf8 = [](std::string_view s) { return platform::Cp932ToUtf8(s); };
  EXPECT_EQ(r.Resolve(Cp932(kHyoji, ".kvs")), (dir / Cp932(kHyoji, ".kvs")).generic_string());
  EXPECT_EQ(r.Resolve(Cp932(kHyoji, ".KVS")), (dir / Cp932(kHyoji, ".kvs")).generic_string());
  EXPECT_EQ(r.Resolve(Cp932(kKou, ".bmp")), (dir / Cp932(kKou, ".bmp")).generic_string());
  EXPECT_EQ(r.Resolve(Cp932(kSora, ".bmp")), (dir / Utf8(kSora, ".bmp")).generic_string());
  EXPECT_EQ(r.Resolve(Cp932(kJu, "\\") + Cp932(kYo, ".bmp")),
            (dir / Cp932(kJu) / Utf8(kYo, ".BMP")).generic_string());
  EXPECT_EQ(r.Resolve(Cp932(kJu, "/") + Cp932(kYo, ".bmp")),
            (dir / Cp932(kJu) / Utf8(kYo, ".BMP")).generic_string());
  EXPECT_EQ(r.Resolve(Cp932(kNo, "\\") + Cp932(kHyoji, ".bmp")),
            (dir / Utf8(kNo) / Cp932(kHyoji, ".bmp")).generic_string());
  // A missing name keeps its bytes whole, trail bytes included.
  EXPECT_EQ(r.Resolve(Cp932(kSora, "\\") + Cp932(kJu, ".bmp")),
            (dir / Cp932(kSora) / Cp932(kJu, ".bmp")).generic_string());
}

TEST_F(PathsTest, TrailingBlanksAndDotsAreTriedWithoutWhenTheExactNameIsMissing) {
  std::ofstream(dir / "two.kvs") << "x";
  std::ofstream(dir / "odd .kvs") << "x";  // an exact name with a blank wins
  std::ofstream(dir / "odd") << "x";
  std::ofstream(dir / Utf8(kSora, ".bmp")) << "x";
  PathResolver r(dir.generic_string());
  r.sjis_to_utf8 = [](std::string_view s) { return platform::Cp932ToUtf8(s); };
  EXPECT_EQ(r.Resolve("two.kvs "), (dir / "two.kvs").generic_string());
  EXPECT_EQ(r.Resolve("TWO.KVS. . "), (dir / "two.kvs").generic_string());
  EXPECT_EQ(r.Resolve("frame \\frame.bmp"), (dir / "Frame" / "frame.BMP").generic_string());
  EXPECT_EQ(r.Resolve("odd .kvs"), (dir / "odd .kvs").generic_string());
  EXPECT_EQ(r.Resolve("odd "), (dir / "odd").generic_string());
  EXPECT_EQ(r.Resolve(Cp932(kSora, ".bmp  ")), (dir / Utf8(kSora, ".bmp")).generic_string());
  // Nothing found either way: the name stays as written.
  EXPECT_EQ(r.Resolve("three.kvs "), (dir / "three.kvs ").generic_string());
  EXPECT_EQ(r.Resolve(".. "), (dir / ".. ").generic_string());
}

// The listing is read once and again only when the directory changes; the
// answers are those of a scan of the listing, the first of a folded name
// winning.
TEST_F(PathsTest, ListingsAreKeptUntilTheDirectoryChanges) {
  auto settle = [&](const fs::path& p, int minutes) {
    fs::last_write_time(p, fs::file_time_type::clock::now() - std::chrono::hours(2) +
                               std::chrono::minutes(minutes));
  };
  std::ofstream(dir / "Twin.bmp") << "x";
  std::ofstream(dir / "TWIN.bmp") << "x";
  std::ofstream(dir / "twin.BMP") << "x";
  settle(dir, 0);
  std::string first;
  for (const auto& e : fs::directory_iterator(dir)) {
    const std::string n = e.path().filename().generic_string();
    if (first.empty() && (n == "Twin.bmp" || n == "TWIN.bmp" || n == "twin.BMP")) first = n;
  }
  PathResolver r(dir.generic_string());
  EXPECT_EQ(r.Resolve("twin.bmp"), (dir / first).generic_string());
  EXPECT_EQ(r.Resolve("TWIN.bmp"), (dir / "TWIN.bmp").generic_string());  // exact first
  EXPECT_EQ(r.Resolve("BG01.BMP"), (dir / "bg01.bmp").generic_string());
  EXPECT_EQ(r.Resolve("missing.bmp"), (dir / "missing.bmp").generic_string());
  const size_t read = r.listings_read();
  EXPECT_EQ(r.Resolve("Bg01.Bmp"), (dir / "bg01.bmp").generic_string());
  EXPECT_EQ(r.listings_read(), read);

  std::ofstream(dir / "Missing.BMP") << "x";
  settle(dir, 1);
  EXPECT_EQ(r.Resolve("missing.bmp"), (dir / "Missing.BMP").generic_string());
  EXPECT_EQ(r.listings_read(), read + 1);
  fs::remove(dir / "bg01.bmp");
  settle(dir, 2);
  EXPECT_EQ(r.Resolve("BG01.BMP"), (dir / "BG01.BMP").generic_string());

  // A directory changed just now is listed again on every lookup, since a
  // change within its time's resolution would not show.
  std::ofstream(dir / "new.bmp") << "x";
  EXPECT_EQ(r.Resolve("NEW.BMP"), (dir / "new.bmp").generic_string());
  std::ofstream(dir / "newer.bmp") << "x";
  EXPECT_EQ(r.Resolve("NEWER.BMP"), (dir / "newer.bmp").generic_string());
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
