// Costs of one save: writing it (three JPEG pictures at quality 90, the
// encoded text, the atomic replacement on disk) and reading it back, and the
// size of the file. Pictures are the demo game's background, so the JPEG
// sizes are those of a real scene.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "display/picture.h"
#include "display/pixels.h"
#include "platform/posix/posix_files.h"
#include "save/save_file.h"

namespace {

namespace fs = std::filesystem;
using zepa::platform::Surface;

Surface Background() {
  std::ifstream in(fs::path(ZEPA_SOURCE_DIR) / "games/demo/bg_room.jpg", std::ios::binary);
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
  auto picture = zepa::display::DecodeJpeg(bytes);
  Surface s(640, 480);
  if (picture) zepa::display::Blit(s, *picture, 0, 0);
  return s;
}

struct Scene {
  Surface display = Background();
  Surface buffer = Background();
  Surface message = zepa::display::CopyRect(display, 12, 348, 630, 126);
};

zepa::save::SaveContents Contents(const Scene& scene) {
  using zepa::save::PictureSlot;
  zepa::save::SaveContents c;
  c.state.script = "story.kvs";
  c.state.scene = "#start";
  c.state.adv_mode = 2;
  for (int i = 0; i < 40; ++i) c.variables.emplace_back("v" + std::to_string(i), std::to_string(i * 7));
  c.pictures.push_back({PictureSlot::kDisplay, *zepa::display::EncodeJpeg(scene.display, 90), 0});
  c.pictures.push_back({PictureSlot::kBuffer, *zepa::display::EncodeJpeg(scene.buffer, 90), 0});
  c.pictures.push_back({PictureSlot::kMessageBackup, *zepa::display::EncodeJpeg(scene.message, 90), 0});
  return c;
}

void BM_WriteSaveInMemory(benchmark::State& state) {
  const Scene scene;
  size_t size = 0;
  for (auto _ : state) {
    const std::vector<uint8_t> bytes = zepa::save::WriteSaveBytes(Contents(scene));
    size = bytes.size();
    benchmark::DoNotOptimize(bytes.data());
  }
  state.counters["file_bytes"] = static_cast<double>(size);
}
BENCHMARK(BM_WriteSaveInMemory)->Unit(benchmark::kMillisecond);

// The whole write as the game does it, fsync and rename included.
void BM_WriteSaveToDisk(benchmark::State& state) {
  const Scene scene;
  const std::string path = (fs::temp_directory_path() / "zepa_save_bench.kvd").string();
  auto files = zepa::platform::CreatePosixFiles();
  for (auto _ : state) {
    const std::vector<uint8_t> bytes = zepa::save::WriteSaveBytes(Contents(scene));
    if (!files->AtomicWriteFile(path, bytes).ok()) state.SkipWithError("cannot write");
  }
  fs::remove(path);
}
BENCHMARK(BM_WriteSaveToDisk)->Unit(benchmark::kMillisecond);

// Reading: the text, and the three pictures decoded as a load draws them.
void BM_ReadSave(benchmark::State& state) {
  const std::vector<uint8_t> bytes = zepa::save::WriteSaveBytes(Contents(Scene()));
  for (auto _ : state) {
    const zepa::save::SaveContents c = zepa::save::ReadSaveBytes(bytes, {});
    for (const auto& p : c.pictures) {
      auto picture = zepa::display::DecodeJpeg(p.jpeg);
      benchmark::DoNotOptimize(picture);
    }
  }
  state.counters["file_bytes"] = static_cast<double>(bytes.size());
}
BENCHMARK(BM_ReadSave)->Unit(benchmark::kMillisecond);

}  // namespace
