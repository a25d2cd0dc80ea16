// Feeds every file of the given folders to one fuzz target's entry point,
// so that the ordinary test run fails on any seed a target rejects. A folder
// without seeds is a failure too: a missing corpus must not pass silently.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s SEED_FOLDER...\n", argv[0]);
    return 2;
  }
  size_t replayed = 0;
  for (int i = 1; i < argc; ++i) {
    std::error_code ec;
    std::vector<fs::path> seeds;
    for (fs::directory_iterator d(argv[i], ec), end; !ec && d != end; d.increment(ec))
      if (d->is_regular_file()) seeds.push_back(d->path());
    if (ec) {
      std::fprintf(stderr, "%s: %s\n", argv[i], ec.message().c_str());
      return 1;
    }
    std::sort(seeds.begin(), seeds.end());
    for (const fs::path& seed : seeds) {
      std::ifstream in(seed, std::ios::binary);
      const std::string bytes(std::istreambuf_iterator<char>(in), {});
      // Printed first, so that a seed that aborts is named in the log.
      std::printf("%s (%zu bytes)\n", seed.string().c_str(), bytes.size());
      std::fflush(stdout);
      LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
      ++replayed;
    }
  }
  if (replayed == 0) {
    std::fprintf(stderr, "no seeds to replay\n");
    return 1;
  }
  std::printf("%zu seeds replayed\n", replayed);
  return 0;
}
