// The previews of the save and load windows: what a save shows of itself,
// read from its first block only, fitted to 160 x 120, and read again only
// when the file changes.
#include "save/save_preview.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "display/picture.h"
#include "save/save_file.h"

namespace zepa::save {
namespace {

namespace fs = std::filesystem;

constexpr platform::Color kRed = 0x0000ff;
constexpr platform::Color kBlue = 0xff0000;

// A picture red on its left half and blue on its right, as a JPEG.
std::vector<uint8_t> HalvesJpeg(int width, int height) {
  platform::Surface s(width, height, kRed);
  for (int y = 0; y < height; ++y)
    for (int x = width / 2; x < width; ++x) s.Set(x, y, kBlue);
  return *display::EncodeJpeg(s, 90);
}

std::vector<uint8_t> SaveWith(const std::string& scene, std::vector<uint8_t> display_jpeg) {
  SaveContents c;
  c.state.script = "story.kvs";
  c.state.scene = scene;
  c.pictures.push_back({PictureSlot::kDisplay, std::move(display_jpeg), 0});
  c.pictures.push_back({PictureSlot::kBuffer, HalvesJpeg(64, 48), 0});
  c.variables = {{"v", "1"}};
  return WriteSaveBytes(c);
}

bool NearlyEqual(platform::Color a, platform::Color b) {
  for (int shift : {0, 8, 16})
    if (std::abs(static_cast<int>((a >> shift) & 0xff) - static_cast<int>((b >> shift) & 0xff)) >
        24)
      return false;
  return true;
}

TEST(SavePreview, ReadsTheSceneAndTheDisplayFromTheFirstBlockAndFitsIt) {
  const std::vector<uint8_t> display = HalvesJpeg(640, 480);
  const std::vector<uint8_t> bytes = SaveWith("\x83\x65\x83\x58\x83\x67", display);  // テスト
  const SaveHeader whole = ReadSaveHeader(bytes);
  EXPECT_EQ(whole.scene, "\x83\x65\x83\x58\x83\x67");
  EXPECT_EQ(whole.display_jpeg, display);
  // Nothing after the display block is needed: a file cut just past it
  // gives the same header.
  const std::string text(bytes.begin(), bytes.end());
  const size_t display_at = text.find(std::string(display.begin(), display.begin() + 16));
  ASSERT_NE(display_at, std::string::npos);
  const std::vector<uint8_t> cut(bytes.begin(),
                                 bytes.begin() + static_cast<long>(display_at + display.size()));
  EXPECT_EQ(ReadSaveHeader(cut).display_jpeg, display);
  EXPECT_EQ(ReadSaveHeader(cut).scene, whole.scene);

  const SavePreview preview = MakePreview(bytes, 0);
  EXPECT_EQ(preview.scene, "テスト");
  EXPECT_FALSE(preview.date_text.empty());
  // Pictures of any size come out at the preview's size, left still red and
  // right still blue.
  for (const auto& [w, h] : {std::pair{640, 480}, {800, 600}, {320, 240}, {100, 60}}) {
    const platform::Surface p = PreviewPicture(HalvesJpeg(w, h));
    ASSERT_EQ(p.width, kPreviewWidth) << w;
    ASSERT_EQ(p.height, kPreviewHeight) << w;
    EXPECT_TRUE(NearlyEqual(p.Get(10, 60), kRed)) << w << " " << std::hex << p.Get(10, 60);
    EXPECT_TRUE(NearlyEqual(p.Get(150, 60), kBlue)) << w << " " << std::hex << p.Get(150, 60);
  }

  // A block cut short keeps the scene before it but shows no picture; bytes
  // that are no save show nothing at all, not even a date.
  const std::vector<uint8_t> torn(bytes.begin(),
                                  bytes.begin() + static_cast<long>(display_at + 40));
  const SavePreview from_torn = MakePreview(torn, 0);
  EXPECT_EQ(from_torn.scene, "テスト");
  EXPECT_TRUE(from_torn.picture.Empty());
  const std::vector<uint8_t> junk = {0xff, 'z', 'q', '\n', 0, 7};
  EXPECT_TRUE(MakePreview(junk, 0).empty());
  EXPECT_TRUE(MakePreview(SaveWith("s", {'n', 'o', 't', 'j', 'p', 'g'}), 0).picture.Empty());
}

TEST(SavePreview, ACachedPreviewIsReadAgainOnlyWhenItsFileChanges) {
  const fs::path dir = fs::temp_directory_path() / "zepa_save_preview_cache";
  fs::remove_all(dir);
  fs::create_directories(dir / "folder.kvd");
  const std::string path = (dir / "DATA1.kvd").string();
  const auto put = [&](const std::string& scene, int64_t mtime_s) {
    const std::vector<uint8_t> bytes = SaveWith(scene, HalvesJpeg(640, 480));
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
    // Seconds apart, so that a coarse file system clock tells the writes apart.
    fs::last_write_time(path, std::chrono::file_clock::from_sys(
                                  std::chrono::sys_seconds(std::chrono::seconds(mtime_s))));
  };
  SavePreviews previews;
  put("one", 1700000000);
  EXPECT_EQ(previews.For(path).scene, "one");
  EXPECT_EQ(previews.For(path).scene, "one");
  EXPECT_EQ(previews.reads(), 1);
  // Same size, new time: read again.
  put("two", 1700000100);
  EXPECT_EQ(previews.For(path).scene, "two");
  EXPECT_EQ(previews.reads(), 2);
  EXPECT_EQ(previews.For(path).date_text, platform::LocalDateTimeText(1700000100));
  // Gone, or not a file: an empty frame, and no error.
  fs::remove(path);
  EXPECT_TRUE(previews.For(path).empty());
  EXPECT_TRUE(previews.For((dir / "folder.kvd").string()).empty());
  EXPECT_EQ(previews.reads(), 2);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace zepa::save
