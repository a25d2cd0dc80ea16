// Costs of finding a picture when the game directory is large and when the
// packed file holds very many entries: the lookups every picture command
// makes before anything is decoded.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "display/packfile.h"
#include "script/paths.h"

namespace {

namespace fs = std::filesystem;

fs::path FreshDir(const char* what) {
  const fs::path dir = fs::temp_directory_path() / ("zepa_bench_" + std::string(what) + "_" +
                                                    std::to_string(std::random_device{}()));
  fs::create_directories(dir);
  return dir;
}

// A game directory is not being written while the game runs; its time is set
// an hour back so that the measurement sees the settled directory.
void Settle(const fs::path& path) {
  fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::hours(1));
}

struct BigDirectory {
  BigDirectory() : dir(FreshDir("dir")) {
    for (int i = 0; i < 100000; ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "pic%06d.bmp", i);
      std::ofstream(dir / name) << 'x';
    }
    Settle(dir);
  }
  ~BigDirectory() { fs::remove_all(dir); }
  fs::path dir;
};

// 100,000 files in the game directory and no packed file: the lookup the
// picture commands make (the packed file's name, then the picture's name,
// written in another case than on disk).
void BM_PictureLookupIn100000FileDirectory(benchmark::State& state) {
  static BigDirectory big;
  zepa::script::PathResolver paths(big.dir.string());
  int i = 0;
  for (auto _ : state) {
    char name[32];
    std::snprintf(name, sizeof name, "PIC%06d.BMP", (i++ * 7919) % 100000);
    const std::string pack = paths.Resolve("zepaadv.dat");
    auto found = zepa::display::OpenPicture(pack, paths.Resolve(name));
    if (!found) state.SkipWithError("picture not found");
    benchmark::DoNotOptimize(found);
  }
}
BENCHMARK(BM_PictureLookupIn100000FileDirectory)->Unit(benchmark::kMicrosecond);

struct BigPack {
  static constexpr int kEntries = 2000000;
  BigPack() : dir(FreshDir("pack")), pack((dir / "zepaadv.dat").string()) {
    std::ofstream out(pack, std::ios::binary);
    const std::vector<uint8_t> content(16, 0x42);
    std::string chunk;
    for (int i = 0; i < kEntries; ++i) {
      chunk += *zepa::display::BuildPackEntry("pic" + std::to_string(i) + ".bmp", content);
      if (chunk.size() > (1u << 20)) {
        out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        chunk.clear();
      }
    }
    out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    out.close();
    Settle(pack);
  }
  ~BigPack() { fs::remove_all(dir); }
  fs::path dir;
  std::string pack;
};

BigPack& Pack() {
  static BigPack big;
  return big;
}

// A packed file of 2 million entries: the last entry, and a name it lacks
// (which every loose picture beside the game costs first).
void BM_PackLookupLastOf2Million(benchmark::State& state) {
  BigPack& big = Pack();
  zepa::display::FindInPackFile(big.pack, "warm.bmp");  // the index is read once
  for (auto _ : state) {
    auto found = zepa::display::FindInPackFile(big.pack, "PIC1999999.BMP");
    if (!found) state.SkipWithError("entry not found");
    benchmark::DoNotOptimize(found);
  }
}
BENCHMARK(BM_PackLookupLastOf2Million)->Unit(benchmark::kMicrosecond);

void BM_PackLookupMissingOf2Million(benchmark::State& state) {
  BigPack& big = Pack();
  zepa::display::FindInPackFile(big.pack, "warm.bmp");
  for (auto _ : state) {
    auto found = zepa::display::FindInPackFile(big.pack, "loose.bmp");
    if (found) state.SkipWithError("unexpected entry");
    benchmark::DoNotOptimize(found);
  }
}
BENCHMARK(BM_PackLookupMissingOf2Million)->Unit(benchmark::kMicrosecond);

// The price of the first lookup after the packed file changed: the whole
// file indexed again.
void BM_PackIndex2Million(benchmark::State& state) {
  BigPack& big = Pack();
  for (auto _ : state) {
    zepa::display::PackIndex index;
    auto found = index.Find(big.pack, "PIC1999999.BMP");
    if (!found) state.SkipWithError("entry not found");
    benchmark::DoNotOptimize(found);
  }
}
BENCHMARK(BM_PackIndex2Million)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
