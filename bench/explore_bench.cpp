// The branch explorer on a long game: 10,000 lines in 50 scenes, each
// ending in a choice of two whose answer the next scene reads and the one
// after forgets, so the paths fork and merge as a real game's do.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "check/explore.h"

namespace {

namespace fs = std::filesystem;

constexpr int kScenes = 50;
constexpr int kLinesPerScene = 200;

void WriteGame(const fs::path& dir) {
  fs::create_directories(dir / "se");
  std::ofstream(dir / "se/sleep.wav") << "RIFF";
  std::ofstream story(dir / "story.kvs", std::ios::binary);
  int lines = 0;
  auto line = [&](const std::string& s) {
    story << s << "\r\n";
    ++lines;
  };
  for (int s = 0; s < kScenes; ++s) {
    const std::string n = std::to_string(s);
    line("#scene" + n);
    line("[if]last=1[text]You took the first way last time.");
    line("[set]last=0");
    // Ten lines of the scene are its fixed part (label, the tests, the choice).
    for (int i = 0; i < kLinesPerScene - 10; ++i) {
      if (i % 3 == 0)
        line("[text]Scene " + n + ", line " + std::to_string(i) + ".");
      else if (i % 3 == 1)
        line("[set]seen=" + std::to_string(i));
      else
        line("// a comment");
    }
    line("[set]seen=0");
    line("[text]Which way?");
    line("[sel]The first way\\nThe second way");
    line("[if]SELECT=1[set]last=1");
    line("[if]SELECT=2[go]#side" + n);
    line("[go]#scene" + std::to_string(s + 1));
    line("#side" + n);
  }
  line("#scene" + std::to_string(kScenes));
  line("[end]");
  while (lines < kScenes * kLinesPerScene) line("// padding");
}

void BM_ExploreLongGame(benchmark::State& state) {
  const fs::path dir =
      fs::temp_directory_path() / ("zepa_bench_explore_" + std::to_string(std::random_device{}()));
  WriteGame(dir);
  zepa::engine::ExploreOptions options;
  options.game_dir = dir.string();
  zepa::engine::ExploreReport report;
  for (auto _ : state) report = zepa::engine::ExploreGame(options);
  state.counters["lines"] = static_cast<double>(report.lines);
  state.counters["states"] = static_cast<double>(report.states);
  state.counters["coverage"] = report.coverage();
  state.counters["endings"] = static_cast<double>(report.endings.size());
  fs::remove_all(dir);
}
BENCHMARK(BM_ExploreLongGame)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
