#include "platform/headless/image_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace zepa::platform {
namespace {

class ImageWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           (std::string("zepa_image_writer_") +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  std::string Bytes(const std::string& name) const {
    std::ifstream in(dir_ / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  static Surface Sample() {
    Surface s(3, 2, 0);
    s.Set(0, 0, MakeColor(255, 0, 0));
    s.Set(1, 0, MakeColor(0, 255, 0));
    s.Set(2, 0, MakeColor(0, 0, 255));
    s.Set(0, 1, MakeColor(1, 2, 3));
    s.Set(2, 1, MakeColor(250, 251, 252));
    return s;
  }

  std::filesystem::path dir_;
};

TEST_F(ImageWriterTest, PngRoundTripsEveryPixel) {
  const Surface s = Sample();
  ASSERT_TRUE(WriteImage(s, Path("a.PNG")));  // the extension's case does not matter
  auto read = ReadPng(Path("a.PNG"));
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ(*read, s);
}

TEST_F(ImageWriterTest, BmpIsBottomUpWithPaddedRows) {
  ASSERT_TRUE(WriteImage(Sample(), Path("a.bmp")));
  const std::string b = Bytes("a.bmp");
  // 3 pixels of 3 bytes pad to 12-byte rows.
  ASSERT_EQ(b.size(), 54u + 2 * 12);
  auto u8 = [&](size_t i) { return static_cast<uint8_t>(b[i]); };
  auto le32 = [&](size_t i) { return u8(i) | u8(i + 1) << 8 | u8(i + 2) << 16 | u8(i + 3) << 24; };
  EXPECT_EQ(b.substr(0, 2), "BM");
  EXPECT_EQ(le32(2), b.size());
  EXPECT_EQ(le32(10), 54u);
  EXPECT_EQ(le32(18), 3u);
  EXPECT_EQ(le32(22), 2u);
  EXPECT_EQ(u8(28), 24);
  // First stored row is the bottom one: (1,2,3) stored B,G,R.
  EXPECT_EQ(u8(54), 3);
  EXPECT_EQ(u8(55), 2);
  EXPECT_EQ(u8(56), 1);
  EXPECT_EQ(u8(54 + 9), 0);  // padding
  // Second stored row is the top: red first.
  EXPECT_EQ(u8(54 + 12), 0);
  EXPECT_EQ(u8(54 + 12 + 2), 255);
}

TEST_F(ImageWriterTest, RefusesWhatItCannotWriteOrRead) {
  EXPECT_FALSE(WriteImage(Sample(), Path("a.jpg")));
  EXPECT_FALSE(WriteImage(Sample(), Path("noextension")));
  EXPECT_FALSE(WriteImage(Surface(), Path("empty.png")));
  Surface broken = Sample();
  broken.pixels.resize(5);  // shorter than its size says
  EXPECT_FALSE(WriteImage(broken, Path("broken.png")));
  EXPECT_FALSE(WriteImage(Sample(), Path("missing/dir/a.png")));

  EXPECT_FALSE(ReadPng(Path("nothing.png")).has_value());
  std::ofstream(dir_ / "junk.png", std::ios::binary) << "\x89PNG\r\n\x1a\nnot really";
  EXPECT_FALSE(ReadPng(Path("junk.png")).has_value());
}

}  // namespace
}  // namespace zepa::platform
