#include "display/packfile.h"

#include <gtest/gtest.h>

#include <chrono>
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

  // Joined as bytes: std::filesystem on Windows would read a Shift-JIS name
  // in the system's code page and not give its bytes back.
  std::string PathOf(const std::string& name) const { return dir_.string() + "/" + name; }
  void Write(const std::string& name, std::string_view bytes) const {
    std::ofstream(PathOf(name), std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  static std::string Entry(std::string_view name, std::string_view content) {
    const auto e = BuildPackEntry(name, Bytes(content.begin(), content.end()));
    EXPECT_TRUE(e.ok()) << e.message();
    return e.ok() ? *e : std::string();
  }
  // Gives the file a time long past, `minutes` apart for each version, as a
  // packed file that is not being written has.
  void Settle(const std::string& name, int minutes) const {
    fs::last_write_time(PathOf(name), fs::file_time_type::clock::now() - std::chrono::hours(2) +
                                          std::chrono::minutes(minutes));
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

  const auto too_long = BuildPackEntry(std::string(510, 'x'), Bytes{1});
  EXPECT_FALSE(too_long.ok());
  EXPECT_NE(too_long.message().find("longer"), std::string::npos);
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
  EXPECT_FALSE(BuildPackEntry("", Bytes{1}).ok());
  EXPECT_FALSE(BuildPackEntry("a\nb.bmp", Bytes{1}).ok());
  // Lookups use the part after a path's last separator: a name holding one
  // could never be asked for. The 0x5C inside 表 is no separator.
  for (const char* name : {"dir\\a.bmp", "c:a.bmp", "d/a.bmp", "\x95\xa6.b\\m\x8ep"}) {
    const auto refused = BuildPackEntry(name, Bytes{1});
    EXPECT_FALSE(refused.ok()) << name;
    EXPECT_NE(refused.message().find("separator"), std::string::npos) << name;
  }
  EXPECT_TRUE(BuildPackEntry("\x95\x5c.bmp", Bytes{1}).ok());
  // Find a byte that scrambles to a backslash at position 0: 511 - b = 92 + 256.
  std::string bad(1, static_cast<char>(511 - 256 - '\\'));
  std::string check = bad;
  ScrambleLine(check);
  ASSERT_EQ(check, "\\");
  const auto scrambled = BuildPackEntry(bad + ".bmp", Bytes{1});
  EXPECT_FALSE(scrambled.ok());
  EXPECT_NE(scrambled.message().find("backslash or colon"), std::string::npos)
      << scrambled.message();
}

TEST_F(PackFileTest, ListsEntriesWithSizesAndOffsets) {
  std::string a = Entry("a.bmp", "AAAA");
  Write("d.dat", a + Entry("B.JPG", "BB"));
  auto entries = ListPackFile(PathOf("d.dat"));
  ASSERT_TRUE(entries.ok()) << entries.message();
  ASSERT_EQ(entries->size(), 2u);
  EXPECT_EQ((*entries)[0].name, "a.bmp");
  EXPECT_EQ((*entries)[0].size_bytes, 4u);
  EXPECT_EQ((*entries)[0].offset, a.size() - 4);
  EXPECT_EQ((*entries)[1].name, "B.JPG");
  EXPECT_EQ(Text(ReadPackEntry(PathOf("d.dat"), (*entries)[1])), "BB");

  Write("bad.dat", a + Entry("b.bmp", "BB").substr(0, 9));
  const auto damaged = ListPackFile(PathOf("bad.dat"));
  EXPECT_FALSE(damaged.ok());
  EXPECT_FALSE(damaged.message().empty());
  EXPECT_FALSE(ListPackFile(PathOf("none.dat")).ok());
}

TEST_F(PackFileTest, DoubleByteNamesAreFoundAndNeverCutInsideACharacter) {
  // 表示 (95 5C 8E A6), ソ (83 5C), 十 (8F 5C), 予 (97 5C), 能 (94 5C).
  const std::string hyoji = "\x95\x5c\x8e\xa6.bmp";
  const std::string others = "\x83\x5c\x8f\x5c\x97\x5c\x94\x5c.jpg";
  // Stored as "j｢.bmp", whose scrambled form is a lead byte and then 0x5C: a
  // reader that cut at every 0x5C would see a name ".bmp"-less fragment.
  const std::string tricky = "j\xa2.bmp";
  std::string scrambled = tricky;
  ScrambleLine(scrambled);
  ASSERT_EQ(scrambled.substr(0, 2), "\x95\x5c");
  Write("d.dat", Entry(hyoji, "H") + Entry(others, "O") + Entry(tricky, "T"));
  const std::string pack = PathOf("d.dat");
  EXPECT_EQ(Text(FindInPackFile(pack, hyoji)), "H");
  EXPECT_EQ(Text(FindInPackFile(pack, others)), "O");
  EXPECT_EQ(Text(FindInPackFile(pack, tricky)), "T");
  EXPECT_EQ(Text(ScanPackFile(pack, tricky)), "T");
  EXPECT_EQ(Text(OpenPicture(pack, "\x95\x5c\\" + hyoji)), "H");  // in a folder named 表
  EXPECT_EQ(Text(OpenPicture(pack, PathOf(others))), "O");
  EXPECT_EQ(BareName("\x83\x5c\\\x94\x5c.bmp"), "\x94\x5c.bmp");
}

// The index must answer every name as the scan from the start does, on
// good files and damaged ones, also when it stops at its size bound.
TEST_F(PackFileTest, IndexAnswersExactlyAsTheScan) {
  auto raw_entry = [](std::string name, std::string size, std::string_view content) {
    ScrambleLine(name);
    ScrambleLine(size);
    return name + "\n" + size + "\n" + std::string(content);
  };
  const std::string good = Entry("a.bmp", "AAAA") + Entry("B.bmp", "BB") +
                           Entry("A.BMP", "second") + Entry("c.bmp", "C") +
                           raw_entry("d.bmp", "-1", "") + Entry("e.bmp", "E") +
                           raw_entry("f.bmp", "9999", "short");
  const std::vector<std::string> names = {"a.bmp", "b.bmp", "C.BMP", "d.bmp",
                                          "e.bmp", "f.bmp", "g.bmp", ""};
  std::mt19937 rng(11);
  PackIndex index;
  PackIndex small(2, 1 << 20);
  PackIndex tiny_names(100, 6);
  for (int round = 0; round < 300; ++round) {
    std::string bytes = good;
    if (round > 0) {
      bytes = good.substr(0, rng() % (good.size() + 1));
      for (int k = 0; k < 3 && !bytes.empty(); ++k)
        bytes[rng() % bytes.size()] = static_cast<char>(rng());
    }
    Write("r.dat", bytes);
    Settle("r.dat", round);
    const std::string pack = PathOf("r.dat");
    for (const std::string& name : names) {
      const std::string want = Text(ScanPackFile(pack, name));
      EXPECT_EQ(Text(index.Find(pack, name)), want) << "round " << round << " " << name;
      EXPECT_EQ(Text(small.Find(pack, name)), want) << "round " << round << " " << name;
      EXPECT_EQ(Text(tiny_names.Find(pack, name)), want) << "round " << round << " " << name;
    }
  }
  Write("r.dat", good);
  Settle("r.dat", 1000);
  EXPECT_EQ(Text(index.Find(PathOf("r.dat"), "A.bmp")), "AAAA");  // the first of a name wins
  EXPECT_FALSE(index.Find(PathOf("r.dat"), "e.bmp"));  // beyond the bad size: out of reach
}

TEST_F(PackFileTest, IndexIsReadAgainOnlyWhenTheFileChanges) {
  Write("d.dat", Entry("a.bmp", "one") + Entry("b.bmp", "B"));
  Settle("d.dat", 0);
  const std::string pack = PathOf("d.dat");
  PackIndex index;
  EXPECT_EQ(Text(index.Find(pack, "a.bmp")), "one");
  EXPECT_EQ(Text(index.Find(pack, "b.bmp")), "B");
  EXPECT_FALSE(index.Find(pack, "c.bmp"));
  EXPECT_EQ(index.builds(), 1u);

  // Same size, other content and time: read again.
  Write("d.dat", Entry("a.bmp", "two") + Entry("c.bmp", "C"));
  Settle("d.dat", 1);
  EXPECT_EQ(Text(index.Find(pack, "a.bmp")), "two");
  EXPECT_EQ(Text(index.Find(pack, "c.bmp")), "C");
  EXPECT_EQ(index.builds(), 2u);
  // Same time, other size: read again.
  Write("d.dat", Entry("a.bmp", "three"));
  Settle("d.dat", 1);
  EXPECT_EQ(Text(index.Find(pack, "a.bmp")), "three");
  EXPECT_EQ(index.builds(), 3u);
  // Another packed file, then a missing one.
  Write("e.dat", Entry("a.bmp", "other"));
  Settle("e.dat", 0);
  EXPECT_EQ(Text(index.Find(PathOf("e.dat"), "a.bmp")), "other");
  EXPECT_FALSE(index.Find(PathOf("none.dat"), "a.bmp"));
  EXPECT_EQ(Text(index.Find(pack, "a.bmp")), "three");

  // A file written just now may change again unseen within its time's
  // resolution, so it is read on every lookup until it has settled.
  Write("d.dat", Entry("a.bmp", "four"));
  const size_t builds = index.builds();
  EXPECT_EQ(Text(index.Find(pack, "a.bmp")), "four");
  Write("d.dat", Entry("a.bmp", "five"));
  EXPECT_EQ(Text(index.Find(pack, "a.bmp")), "five");
  EXPECT_EQ(index.builds(), builds + 2);
}

}  // namespace
}  // namespace zepa::display
