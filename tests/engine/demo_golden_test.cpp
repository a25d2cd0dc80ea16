// The bundled demo played through all three of its branches, compared at ten
// moments with recorded shots and dumps. Any change to what the player sees
// or to the dumped state shows up here; when a change is meant (a new dump
// field), rerun with ZEPA_UPDATE_GOLDEN=1 and review the diff of golden/.
//
// The shots hold rendered text, so the run opens one face by its file, IPA
// Gothic (ZEPA_GOLDEN_FONT), rather than whichever face the system prefers.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "engine/main_window.h"
#include "platform/headless/headless_host.h"
#include "platform/headless/silent_media.h"
#include "platform/sdl/sdl_media_probe.h"
#include "platform/toolkit/ttf_font.h"

namespace zepa::engine::testing {
namespace {

namespace fs = std::filesystem;

constexpr int kMoments = 10;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string ReplaceAll(std::string s, const std::string& from, const std::string& to) {
  for (size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
    s.replace(at, from.size(), to);
  return s;
}

// FNV-1a, 64 bits: enough to tell two pictures apart, and written out here
// so the test needs no hashing library.
std::string Hash(const std::string& bytes) {
  uint64_t h = 14695981039346656037ull;
  for (unsigned char c : bytes) {
    h ^= c;
    h *= 1099511628211ull;
  }
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(h));
  return hex;
}

std::string MomentName(int k) {
  char name[16];
  std::snprintf(name, sizeof name, "moment_%02d", k);
  return name;
}

TEST(DemoGolden, TenMomentsOfAllThreeBranchesMatchTheRecording) {
  const fs::path golden = fs::path(ZEPA_TEST_DATA_DIR) / "engine" / "golden";
  const fs::path work =
      fs::temp_directory_path() / ("zepa_demo_golden_" + std::to_string(::getpid()));
  const fs::path game = work / "game";
  const fs::path out = work / "out";
  fs::remove_all(work);
  fs::create_directories(out);
  // A copy: the run writes the configuration back into the game folder.
  fs::copy(fs::path(ZEPA_SOURCE_DIR) / "games" / "demo", game, fs::copy_options::recursive);

  ASSERT_TRUE(fs::is_regular_file(ZEPA_GOLDEN_FONT))
      << "the shots are drawn with IPA Gothic (fonts-ipafont-gothic); set ZEPA_GOLDEN_FONT to its "
         "ipag.ttf";
  auto host = platform::CreateHeadlessHost({});
  const auto loaded =
      host->LoadEvents(ReplaceAll(ReadFile(golden / "demo_events.txt"), "@OUT@", out.string()));
  ASSERT_TRUE(loaded.ok()) << loaded.message();
  MainWindowOptions options;
  options.game_dir = game.string();
  options.random_seed = 1;  // the stars of the room branch fall at random
  // As `zepa --headless` plays it: sound and the opening movie take their
  // real lengths on the virtual clock.
  auto probe = platform::CreateSdlMediaProbe();
  auto media = platform::CreateSilentMedia(*host, probe.get());
  options.media = media.get();
  options.font_file = ZEPA_GOLDEN_FONT;
  std::string font_opened;
  options.open_font = [&](const platform::FontRequest& r) {
    auto font = platform::OpenFont(r);
    if (font.ok()) font_opened = (*font)->FilePath();
    return font;
  };
  {
    MainWindow form(*host, options);
    host->SetHandler(&form);
    host->SetTimerIntervalMs(50);
    host->SetTimerEnabled(true);
    form.Start();
    form.Run();
    host->SetHandler(nullptr);
  }
  ASSERT_FALSE(host->error_shown());
  EXPECT_EQ(fs::path(font_opened).filename(), "ipag.ttf");
  EXPECT_TRUE(host->Closed()) << "the last choice should end the game";

  const bool update = std::getenv("ZEPA_UPDATE_GOLDEN") != nullptr;
  std::map<std::string, std::string> expected_hashes;
  std::istringstream shots(ReadFile(golden / "demo" / "shots.txt"));
  for (std::string name, hash; shots >> name >> hash;) expected_hashes[name] = hash;

  std::string hashes;
  for (int k = 1; k <= kMoments; ++k) {
    const std::string name = MomentName(k);
    // The dumps name pictures by their full path: keep the folder out of it.
    const std::string dump = ReplaceAll(ReadFile(out / (name + ".json")), game.generic_string(), "@GAME@");
    const std::string png = ReadFile(out / (name + ".png"));
    ASSERT_FALSE(dump.empty()) << name;
    ASSERT_FALSE(png.empty()) << name;
    hashes += name + ".png " + Hash(png) + "\n";
    if (update) {
      WriteFile(golden / "demo" / (name + ".json"), dump);
      continue;
    }
    EXPECT_EQ(dump, ReadFile(golden / "demo" / (name + ".json"))) << name;
    EXPECT_EQ(Hash(png), expected_hashes[name + ".png"])
        << name << " (the shot is in " << out << ")";
  }
  // A failure keeps the shots for a look; a pass leaves nothing behind.
  if (!::testing::Test::HasFailure()) fs::remove_all(work);
  if (update) {
    WriteFile(golden / "demo" / "shots.txt", hashes);
    GTEST_SKIP() << "recorded the expected shots and dumps anew";
  }
}

}  // namespace
}  // namespace zepa::engine::testing
