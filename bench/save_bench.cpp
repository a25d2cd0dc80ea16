// Costs of one save: writing it (three JPEG pictures at quality 90, the
// encoded text, the atomic replacement on disk) and reading it back, and the
// size of the file. Pictures are the demo game's background, so the JPEG
// sizes are those of a real scene. Then a save of 50 MB read and applied to
// the variable table, and the save and load windows opened, each up to its
// first frame, with 100 save files beside the game (on SDL's video driver
// of the environment: SDL_VIDEODRIVER=dummy, or an X server).
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>

#include "display/picture.h"
#include "display/pixels.h"
#include "platform/posix/posix_files.h"
#include "platform/sdl/sdl_host.h"
#include "save/save_file.h"
#include "save/save_folder.h"
#include "script/variables.h"
#include "windows/load_file_window.h"
#include "windows/save_file_window.h"
#include "windows/save_load_window.h"

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
  for (int i = 0; i < 40; ++i)
    c.variables.emplace_back("v" + std::to_string(i), std::to_string(i * 7));
  c.pictures.push_back({PictureSlot::kDisplay, *zepa::display::EncodeJpeg(scene.display, 90), 0});
  c.pictures.push_back({PictureSlot::kBuffer, *zepa::display::EncodeJpeg(scene.buffer, 90), 0});
  c.pictures.push_back(
      {PictureSlot::kMessageBackup, *zepa::display::EncodeJpeg(scene.message, 90), 0});
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

// The largest save a game could have made: the usual pictures and as many
// long variables as make 50 MB, all with names of their own, so that every
// one past the table's 512 entries is looked for in the whole table.
void BM_ReadHugeSave(benchmark::State& state) {
  zepa::save::SaveContents c = Contents(Scene());
  const std::string value(255, 'x');
  for (int i = 0; i < 190000; ++i) c.variables.emplace_back("name" + std::to_string(i), value);
  const std::vector<uint8_t> bytes = zepa::save::WriteSaveBytes(c);
  for (auto _ : state) {
    const zepa::save::SaveContents read = zepa::save::ReadSaveBytes(bytes, {});
    for (const auto& p : read.pictures) {
      auto picture = zepa::display::DecodeJpeg(p.jpeg);
      benchmark::DoNotOptimize(picture);
    }
    zepa::script::VariableTable table;
    for (const auto& [name, text] : read.variables) table.SetVariableText(name, text);
    benchmark::DoNotOptimize(table.entry(0));
  }
  state.counters["file_mb"] = static_cast<double>(bytes.size()) / (1 << 20);
}
BENCHMARK(BM_ReadHugeSave)->Unit(benchmark::kMillisecond)->Iterations(3);

// A game folder with 100 save files beside the game.
struct SavedGame {
  fs::path dir =
      fs::temp_directory_path() / ("zepa_bench_saves_" + std::to_string(std::random_device{}()));
  std::unique_ptr<zepa::platform::Files> files = zepa::platform::CreatePosixFiles();
  zepa::script::PathResolver paths{dir.string()};
  zepa::save::SaveFolder folder{files.get(), paths};
  SavedGame() {
    fs::create_directories(dir);
    const std::vector<uint8_t> bytes = zepa::save::WriteSaveBytes(Contents(Scene()));
    for (int i = 0; i < 100; ++i) {
      const std::string name = i < zepa::save::kSlotCount ? zepa::save::SlotFileName(i + 1)
                                                          : "save" + std::to_string(i) + ".kvd";
      std::ofstream(dir / name, std::ios::binary)
          .write(reinterpret_cast<const char*>(bytes.data()),
                 static_cast<std::streamsize>(bytes.size()));
    }
  }
  ~SavedGame() { fs::remove_all(dir); }
};

// Opening a window as the game does: made (which lists the folder), put on
// the screen and drawn once. The wait for the next refresh before each
// opening is left out of the time.
template <typename MakeWindow>
void OpenWindows(benchmark::State& state, MakeWindow make) {
  auto host = zepa::platform::CreateSdlHost({});
  if (!host) {
    state.SkipWithError("no SDL video");
    return;
  }
  SavedGame game;
  zepa::windows::WindowState window_state;
  for (auto _ : state) {
    state.PauseTiming();
    SDL_Delay(host->FramePeriodMs() + 1);
    state.ResumeTiming();
    auto window = make(*host, window_state, game.folder);
    host->OpenWindow(&window->window());
    host->Pump(true, host->NowMs());
    host->CloseWindow(&window->window());
  }
}

void BM_OpenLoadWindow(benchmark::State& state) {
  OpenWindows(state, [](auto& host, auto& window_state, auto& folder) {
    return std::make_unique<zepa::windows::LoadFileWindow>(host, window_state, folder);
  });
}
BENCHMARK(BM_OpenLoadWindow)->Unit(benchmark::kMillisecond);

void BM_OpenSaveWindow(benchmark::State& state) {
  OpenWindows(state, [](auto& host, auto& window_state, auto& folder) {
    return std::make_unique<zepa::windows::SaveFileWindow>(host, window_state, folder);
  });
}
BENCHMARK(BM_OpenSaveWindow)->Unit(benchmark::kMillisecond);

void BM_OpenSaveLoadWindow(benchmark::State& state) {
  zepa::script::SavePermission allowed = zepa::script::SavePermission::kAllowed;
  OpenWindows(state, [&allowed](auto& host, auto& window_state, auto& folder) {
    return std::make_unique<zepa::windows::SaveLoadWindow>(host, window_state, folder, allowed);
  });
}
BENCHMARK(BM_OpenSaveLoadWindow)->Unit(benchmark::kMillisecond);

}  // namespace
