// The pre-play check of a configuration with very many keys: every key is
// looked at once, so the cost grows with the file, not with its square.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "check/check.h"
#include "long_game.h"

namespace {

namespace fs = std::filesystem;

// Half the keys are repeats of keys the game reads (each a note), half are
// unknown (each an error with a search for a near name), spread over many
// sections, as a configuration grown by a careless tool might be.
void BM_CheckConfiguration(benchmark::State& state) {
  const fs::path dir =
      fs::temp_directory_path() / ("zepa_bench_check_" + std::to_string(std::random_device{}()));
  fs::create_directories(dir / "se");
  std::ofstream(dir / "se/sleep.wav") << "RIFF";
  std::ofstream(dir / "story.kvs") << "[text]a\n";
  {
    std::ofstream ini(dir / "rurirora.ini", std::ios::binary);
    const auto keys = static_cast<int>(state.range(0));
    for (int i = 0; i < keys; ++i) {
      if (i % 100 == 0) ini << (i % 200 ? "[POS]\r\n" : "[SECTION" + std::to_string(i) + "]\r\n");
      if (i % 2)
        ini << "MESSAGEX=" << i << "\r\n";
      else
        ini << "KEY_" << i << "=" << i << "\r\n";
    }
  }
  zepa::engine::CheckOptions options;
  options.game_dir = dir.string();
  size_t findings = 0;
  for (auto _ : state) findings = zepa::engine::CheckGame(options).findings.size();
  state.counters["findings"] = static_cast<double>(findings);
  fs::remove_all(dir);
}
BENCHMARK(BM_CheckConfiguration)
    ->Arg(5000)
    ->Arg(20000)
    ->Arg(50000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// The whole check of a long game (long_game.h) of 2,500 to 40,000 lines:
// the time should grow with the lines, not faster.
void BM_CheckLongGame(benchmark::State& state) {
  const fs::path dir =
      fs::temp_directory_path() / ("zepa_bench_check_" + std::to_string(std::random_device{}()));
  const auto lines = static_cast<int>(state.range(0));
  zepa::bench::WriteLongGame(dir, lines / 200, 200);
  zepa::engine::CheckOptions options;
  options.game_dir = dir.string();
  size_t findings = 0;
  for (auto _ : state) findings = zepa::engine::CheckGame(options).findings.size();
  state.counters["findings"] = static_cast<double>(findings);
  state.counters["lines"] = lines;
  fs::remove_all(dir);
}
BENCHMARK(BM_CheckLongGame)->Arg(2500)->Arg(10000)->Arg(40000)->Unit(benchmark::kMillisecond);

}  // namespace
