#include "display/packfile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

namespace zepa::display {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

class PackFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("zepa_pack_" + std::to_string(std::random_device{}()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string PathOf(const std::string& name) const { return (dir_ / name).string(); }
  void Write(const std::string& name, std::string_view bytes) const {
    std::ofstream(PathOf(name), std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  static std::string Entry(std::string_view name, std::string_view content) {
    std::string error;
    std::string e = BuildPackEntry(name, Bytes(content.begin(), content.end()), &error);
    EXPECT_FALSE(e.empty()) << error;
    return e;
  }
  static std::string Text(const std::optional<Bytes>& b) {
    return b ? std::string(b->begin(), b->end()) : "<none>";
  }

  fs::path dir_;
};

TEST(ScrambleLine, IsItsOwnInverseAndNeverMakesLineBreaksOrNul) {
  std::string all;
  for (int i = 0; i < 600; ++i) all.push_back(static_cast<char>(i % 256));
  std::mt19937 rng(3);
  for (int round = 0; round < 200; ++round) {
    std::string line = round == 0 ? all : std::string(rng() % 520, '\0');
    if (round > 0) {
      for (char& c : line) c = static_cast<char>(rng());
    }
    std::string once = line;
    ScrambleLine(once);
    for (size_t i = 0; i < once.size(); ++i) {
      const uint8_t b = static_cast<uint8_t>(line[i]), n = static_cast<uint8_t>(once[i]);
      // A byte may only stay 0, CR or LF if it was that byte to begin with.
      if (n == 0 || n == '\r' || n == '\n') {
        EXPECT_EQ(n, b) << i;
      }
    }
    std::string twice = once;
    ScrambleLine(twice);
    EXPECT_EQ(twice, line);
  }
  // The rule itself on a few bytes: position 0 'a' (97) -> 414 mod 256 = 158;
  // position 1 'a' -> 157; LF stays.
  std::string s = "aa\n";
  ScrambleLine(s);
  EXPECT_EQ(s, "\x9e\x9d\n");
  std::string keep = "\xf5";  // 511 - 245 = 266 -> 10: stays as it is
  ScrambleLine(keep);
  EXPECT_EQ(keep, "\xf5");
}

TEST_F(PackFileTest, FindsEntriesByBareNameIgnoringCaseBeforeLooseFiles) {
  Write("data.dat", Entry("first.jpg", "11") + Entry("a.bmp", "packed") + Entry("z.bmp", ""));
  Write("a.bmp", "loose");
  Write("b.bmp", "loose b");
  const std::string pack = PathOf("data.dat");
  EXPECT_EQ(Text(FindInPackFile(pack, "a.bmp")), "packed");
  EXPECT_EQ(Text(FindInPackFile(pack, "A.BMP")), "packed");
  EXPECT_EQ(Text(FindInPackFile(pack, "z.bmp")), "");  // an empty entry is still found
  EXPECT_FALSE(FindInPackFile(pack, "c.bmp"));
  EXPECT_FALSE(FindInPackFile(PathOf("missing.dat"), "a.bmp"));
  EXPECT_EQ(Text(OpenPicture(pack, PathOf("a.bmp"))), "packed");
  EXPECT_EQ(Text(OpenPicture(pack, "pics\\A.Bmp")), "packed");
  EXPECT_EQ(Text(OpenPicture(pack, "c:a.bmp")), "packed");
  EXPECT_EQ(Text(OpenPicture(pack, PathOf("b.bmp"))), "loose b");
  EXPECT_EQ(Text(OpenPicture(PathOf("missing.dat"), PathOf("a.bmp"))), "loose");
  Write("empty.bmp", "");
  EXPECT_FALSE(OpenPicture(pack, PathOf("empty.bmp")));
  EXPECT_FALSE(OpenPicture(pack, PathOf("nothing.bmp")));
  EXPECT_FALSE(OpenPicture(pack, dir_.string()));  // a directory is not a picture
  Write("empty.dat", "");
  EXPECT_EQ(Text(OpenPicture(PathOf("empty.dat"), PathOf("b.bmp"))), "loose b");
}

TEST_F(PackFileTest, StoredNamesAreCutAtTheirLastBackslashOrColonAsStored) {
  // A name line whose stored bytes hold a backslash is cut there.
  std::string stored = "junk\\";
  std::string name = "pic.bmp";
  ScrambleLine(name);
  std::string size = "3";
  ScrambleLine(size);
  Write("d.dat", stored + name + "\r\n" + size + "\r\nabc");
  EXPECT_EQ(Text(FindInPackFile(PathOf("d.dat"), "pic.bmp")), "abc");
}

TEST_F(PackFileTest, AnOverlongNameLineBreaksEveryLaterEntry) {
  // 509 + LF = 510 bytes: still fits. Letters are picked so that the
  // stored form holds no backslash or colon.
  std::string long_name;
  for (size_t i = 0; i < 509; ++i) {
    const unsigned n = (511 - 'x' - i) % 256;
    long_name.push_back(n == '\\' || n == ':' ? 'y' : 'x');
  }
  Write("ok.dat", Entry(long_name, "L") + Entry("after.bmp", "A"));
  EXPECT_EQ(Text(FindInPackFile(PathOf("ok.dat"), long_name)), "L");
  EXPECT_EQ(Text(FindInPackFile(PathOf("ok.dat"), "after.bmp")), "A");

  std::string error;
  EXPECT_TRUE(BuildPackEntry(std::string(510, 'x'), Bytes{1}, &error).empty());
  EXPECT_NE(error.find("longer"), std::string::npos);
  // Written by hand: a 510-byte name and its LF are read as two lines, and
  // every entry after it is out of step.
  std::string over(510, 'y');
  std::string over_scrambled = over;
  ScrambleLine(over_scrambled);
  std::string size = "1";
  ScrambleLine(size);
  Write("broken.dat", Entry("before.bmp", "B") + over_scrambled + "\n" + size + "\nQ" +
                          Entry("after.bmp", "A"));
  EXPECT_EQ(Text(FindInPackFile(PathOf("broken.dat"), "before.bmp")), "B");
  EXPECT_FALSE(FindInPackFile(PathOf("broken.dat"), "after.bmp"));
}

TEST_F(PackFileTest, DamagedSizesAndTruncatedContentFailSanely) {
  auto raw_entry = [](std::string name, std::string size, std::string_view content) {
    ScrambleLine(name);
    ScrambleLine(size);
    return name + "\n" + size + "\n" + std::string(content);
  };
  // A negative size must not seek backwards into an endless loop.
  Write("neg.dat", raw_entry("a.bmp", "-9", "xxxxxxxxx") + Entry("b.bmp", "B"));
  EXPECT_FALSE(FindInPackFile(PathOf("neg.dat"), "b.bmp"));
  EXPECT_FALSE(FindInPackFile(PathOf("neg.dat"), "a.bmp"));
  // Sizes beyond the file, for the wanted entry and for one skipped over.
  Write("big.dat", raw_entry("a.bmp", "99999999999", "abc"));
  EXPECT_FALSE(FindInPackFile(PathOf("big.dat"), "a.bmp"));
  EXPECT_FALSE(FindInPackFile(PathOf("big.dat"), "b.bmp"));
  Write("trunc.dat", Entry("a.bmp", "A") + raw_entry("b.bmp", "10", "short"));
  EXPECT_FALSE(FindInPackFile(PathOf("trunc.dat"), "b.bmp"));
  EXPECT_EQ(Text(FindInPackFile(PathOf("trunc.dat"), "a.bmp")), "A");
  // Sizes read like script numbers: blanks skipped, junk ends the digits.
  Write("loose.dat", raw_entry("a.bmp", " 1 2x7", "0123456789ab") + Entry("b.bmp", "B"));
  EXPECT_EQ(Text(FindInPackFile(PathOf("loose.dat"), "a.bmp")), "0123456789ab");
  EXPECT_EQ(Text(FindInPackFile(PathOf("loose.dat"), "b.bmp")), "B");
  // A size line that never comes.
  std::string name = "a.bmp";
  ScrambleLine(name);
  Write("nosize.dat", name + "\n");
  EXPECT_FALSE(FindInPackFile(PathOf("nosize.dat"), "a.bmp"));
  // Garbage of any kind ends the lookup, never hangs or crashes.
  std::mt19937 rng(5);
  std::string good = Entry("a.bmp", "AAAA") + Entry("b.bmp", "BB") + Entry("c.bmp", "C");
  for (int i = 0; i < 200; ++i) {
    std::string bad = good.substr(0, rng() % (good.size() + 1));
    for (int k = 0; k < 3 && !bad.empty(); ++k) bad[rng() % bad.size()] = static_cast<char>(rng());
    Write("fuzz.dat", bad);
    auto found = FindInPackFile(PathOf("fuzz.dat"), "c.bmp");
    if (found) {
      EXPECT_LE(found->size(), bad.size());
    }
  }
}

// A file or entry over 65 MiB is refused before it is read; the largest
// picture a decoder accepts (4096 x 4096 at 32 bits) stays readable.
TEST_F(PackFileTest, FilesOverTheSizeBoundAreNotRead) {
  constexpr uintmax_t kBound = 65u << 20;
  Write("huge.bmp", "BM");
  fs::resize_file(PathOf("huge.bmp"), kBound + 1);  // sparse: costs no disk
  EXPECT_FALSE(OpenPicture(PathOf("none.dat"), PathOf("huge.bmp")));
  fs::resize_file(PathOf("huge.bmp"), kBound);
  auto at_bound = OpenPicture(PathOf("none.dat"), PathOf("huge.bmp"));
  ASSERT_TRUE(at_bound);
  EXPECT_EQ(at_bound->size(), kBound);

  std::string name = "big.bmp";
  std::string size = std::to_string(kBound + 1);
  ScrambleLine(name);
  ScrambleLine(size);
  Write("big.dat", name + "\n" + size + "\n");
  fs::resize_file(PathOf("big.dat"), fs::file_size(PathOf("big.dat")) + kBound + 1);
  EXPECT_FALSE(FindInPackFile(PathOf("big.dat"), "big.bmp"));
}

TEST_F(PackFileTest, BuildPackEntryRefusesNamesAReaderCouldNotFind) {
  std::string error;
  EXPECT_TRUE(BuildPackEntry("", Bytes{1}, &error).empty());
  EXPECT_TRUE(BuildPackEntry("a\nb.bmp", Bytes{1}, &error).empty());
  // Find a byte that scrambles to a backslash at position 0: 511 - b = 92 + 256.
  std::string bad(1, static_cast<char>(511 - 256 - '\\'));
  std::string check = bad;
  ScrambleLine(check);
  ASSERT_EQ(check, "\\");
  error.clear();
  EXPECT_TRUE(BuildPackEntry(bad + ".bmp", Bytes{1}, &error).empty());
  EXPECT_NE(error.find("backslash or colon"), std::string::npos) << error;
}

TEST_F(PackFileTest, ListsEntriesWithSizesAndOffsets) {
  std::string a = Entry("a.bmp", "AAAA");
  Write("d.dat", a + Entry("B.JPG", "BB"));
  std::string error;
  auto entries = ListPackFile(PathOf("d.dat"), &error);
  ASSERT_TRUE(entries) << error;
  ASSERT_EQ(entries->size(), 2u);
  EXPECT_EQ((*entries)[0].name, "a.bmp");
  EXPECT_EQ((*entries)[0].size_bytes, 4u);
  EXPECT_EQ((*entries)[0].offset, a.size() - 4);
  EXPECT_EQ((*entries)[1].name, "B.JPG");
  EXPECT_EQ(Text(ReadPackEntry(PathOf("d.dat"), (*entries)[1])), "BB");

  Write("bad.dat", a + Entry("b.bmp", "BB").substr(0, 9));
  EXPECT_FALSE(ListPackFile(PathOf("bad.dat"), &error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(ListPackFile(PathOf("none.dat"), &error));
}

}  // namespace
}  // namespace zepa::display
