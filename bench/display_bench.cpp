// Costs of the picture paths a scenario hits on every step: the fade blend,
// a character's keyed draw and a lookup at the far end of a packed file.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "display/packfile.h"
#include "display/pixels.h"
#include "platform/frame_scaler.h"

namespace {

using zepa::display::Surface;

Surface RandomSurface(int w, int h, uint32_t seed) {
  Surface s(w, h, 0);
  std::mt19937 rng(seed);
  for (auto& b : s.pixels) b = static_cast<uint8_t>(rng());
  return s;
}

void BM_BlendFrames640x480(benchmark::State& state) {
  const Surface from = RandomSurface(640, 480, 1);
  const Surface to = RandomSurface(640, 480, 2);
  Surface out(640, 480);
  uint32_t t = 1;
  for (auto _ : state) {
    zepa::display::BlendFrames(from, to, out, t);
    benchmark::DoNotOptimize(out.pixels.data());
    t = (t + 997) % 65536;
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(out.pixels.size()));
}
BENCHMARK(BM_BlendFrames640x480);

// The display scaled into a window without a GPU, as on every frame of a
// cross-fade: range(0) x range(1) is the game's rectangle in the window,
// range(2) the mode. The window's rows are as wide as a 1920 screen's.
void BM_DrawScaled(benchmark::State& state) {
  namespace p = zepa::platform;
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  const auto mode = static_cast<p::ScaleMode>(state.range(2));
  const Surface frame = RandomSurface(640, 480, 3);
  std::vector<uint32_t> source(640 * 480);
  p::ToScreenPixels(frame, p::DamageRect{0, 0, 640, 480},
                    reinterpret_cast<uint8_t*>(source.data()), 640 * 4);
  const p::ScalePlan plan = p::PlanScale(640, 480, p::GameRect{0, 0, w, h}, mode);
  std::vector<uint32_t> window(static_cast<size_t>(1920) * h);
  p::ScaleScratch scratch;
  for (auto _ : state) {
    p::DrawScaled(plan, source.data(), 640, p::DamageRect{0, 0, w, h}, window.data(), 1920,
                  &scratch);
    benchmark::DoNotOptimize(window.data());
  }
  state.SetBytesProcessed(state.iterations() * int64_t{w} * h * 4);
}
BENCHMARK(BM_DrawScaled)
    ->Args({1280, 960, static_cast<int>(zepa::platform::ScaleMode::kSharp)})
    ->Args({1440, 1080, static_cast<int>(zepa::platform::ScaleMode::kSharp)})
    ->Args({1440, 1080, static_cast<int>(zepa::platform::ScaleMode::kSmooth)})
    ->Unit(benchmark::kMicrosecond);

// A 200 x 300 figure on a key-coloured ground, drawn the way a character is:
// area copied out of the back buffer, keyed draw, copied back.
void BM_DrawKeyedCharacter200x300(benchmark::State& state) {
  Surface character(200, 300, 0xff00ff);
  Surface body = RandomSurface(200, 300, 3);
  for (int y = 0; y < 300; ++y)
    for (int x = 0; x < 200; ++x) {
      const int dx = x - 100, dy = y - 150;
      if (dx * dx * 9 + dy * dy * 4 < 90000) character.Set(x, y, body.Get(x, y) | 1);
    }
  Surface back_buffer = RandomSurface(640, 480, 4);
  for (auto _ : state) {
    Surface area = zepa::display::CopyRect(back_buffer, 220, 180, 200, 300);
    zepa::display::DrawKeyed(area, character, 0);
    zepa::display::Blit(back_buffer, area, 220, 180);
    benchmark::DoNotOptimize(back_buffer.pixels.data());
  }
}
BENCHMARK(BM_DrawKeyedCharacter200x300);

void BM_PackLookupLastOf1000(benchmark::State& state) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("zepa_bench_" + std::to_string(std::random_device{}()));
  fs::create_directories(dir);
  const std::string pack = (dir / "zepaadv.dat").string();
  {
    std::ofstream out(pack, std::ios::binary);
    std::vector<uint8_t> content(20000, 0x42);
    for (int i = 0; i < 1000; ++i) {
      std::string entry =
          *zepa::display::BuildPackEntry("picture" + std::to_string(i) + ".bmp", content);
      out.write(entry.data(), static_cast<std::streamsize>(entry.size()));
    }
  }
  for (auto _ : state) {
    auto found = zepa::display::FindInPackFile(pack, "PICTURE999.BMP");
    if (!found) state.SkipWithError("entry not found");
    benchmark::DoNotOptimize(found);
  }
  fs::remove_all(dir);
}
BENCHMARK(BM_PackLookupLastOf1000)->Unit(benchmark::kMicrosecond);

}  // namespace
