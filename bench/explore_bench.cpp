// The branch explorer on a long game: 10,000 lines in 50 scenes (see
// long_game.h), and how many interpreter steps it runs a second.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>
#include <string>

#include "check/explore.h"
#include "long_game.h"

namespace {

namespace fs = std::filesystem;

constexpr int kScenes = 50;
constexpr int kLinesPerScene = 200;

void BM_ExploreLongGame(benchmark::State& state) {
  const fs::path dir =
      fs::temp_directory_path() / ("zepa_bench_explore_" + std::to_string(std::random_device{}()));
  zepa::bench::WriteLongGame(dir, kScenes, kLinesPerScene);
  zepa::engine::ExploreOptions options;
  options.game_dir = dir.string();
  zepa::engine::ExploreReport report;
  for (auto _ : state) report = zepa::engine::ExploreGame(options);
  state.counters["lines"] = static_cast<double>(report.lines);
  state.counters["states"] = static_cast<double>(report.states);
  state.counters["steps"] = static_cast<double>(report.steps);
  // Steps per second of the process's CPU time: per core.
  state.counters["steps_per_s"] =
      benchmark::Counter(static_cast<double>(report.steps), benchmark::Counter::kIsRate);
  state.counters["coverage"] = report.coverage();
  state.counters["endings"] = static_cast<double>(report.endings.size());
  fs::remove_all(dir);
}
BENCHMARK(BM_ExploreLongGame)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
