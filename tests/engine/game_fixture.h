#pragma once
// Runs a small game through the headless host in-process: a temporary game
// directory, scripted input, then the state and the display to look at.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "engine/main_window.h"
#include "platform/files.h"
#include "platform/system.h"
#include "platform/headless/headless_host.h"
#include "platform/headless/silent_media.h"
#include "platform/sdl/sdl_media_probe.h"
#include "platform/toolkit/ttf_font.h"

namespace zepa::engine::testing {

class GameFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = std::filesystem::temp_directory_path() /
           (std::string("zepa_game_") + info->test_suite_name() + "_" + info->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    // Windowed, so tests see no full-screen switch unless they ask for it.
    Write("rurirora.ini", "[SCREEN]\r\nFULL=0\r\n");
  }
  void TearDown() override {
    game_.reset();
    media_.reset();
    host_.reset();
    std::filesystem::remove_all(dir_);
  }

  // Files below the game folder ("/" between folders) are made and read
  // through the platform layer, as the game's own are, so that a Japanese
  // name in Shift-JIS or UTF-8 names the same file as for the game (on
  // Windows std::filesystem would read its bytes in the system's code page).
  void Write(const std::string& name, const std::string& bytes) {
    const std::string path = dir_.string() + "/" + name;
    const auto made = platform::CreateSystemFiles()->CreateDirectories(path.substr(0, path.rfind('/')));
    ASSERT_TRUE(made.ok()) << path << ": " << made.message();
    const auto written = platform::WriteWholeFile(path, bytes);
    ASSERT_TRUE(written.ok()) << written.message();
  }
  std::string Read(const std::string& name) const {
    return platform::ReadRegularFile(dir_.string() + "/" + name, size_t{1} << 30).bytes;
  }
  // The names the game folder lists, sorted.
  std::vector<std::string> Listed(const std::string& folder = "") const {
    std::vector<std::string> names;
    if (const auto entries = platform::ListFolder(dir_.string() + (folder.empty() ? "" : "/" + folder)))
      for (const platform::DirEntry& e : *entries) names.push_back(e.name);
    std::sort(names.begin(), names.end());
    return names;
  }

  /// Creates the main window (Start) without running the loop.
  void Create(const std::string& events = "", platform::HeadlessOptions options = {},
              std::vector<std::string> args = {}) {
    game_.reset();
    media_.reset();
    host_ = platform::CreateHeadlessHost(options);
    const auto loaded = host_->LoadEvents(events);
    ASSERT_TRUE(loaded.ok()) << loaded.message();
    MainWindowOptions fo;
    fo.game_dir = dir_.string();
    fo.args = std::move(args);
    fo.open_font = platform::OpenFont;
    // Silent players, as `zepa --headless` has: sounds last their real length.
    media_ = platform::CreateSilentMedia(*host_, probe_.get());
    fo.media = media_.get();
    fo.player_paths = player_paths_;
    game_ = std::make_unique<MainWindow>(*host_, fo);
    host_->SetHandler(game_.get());
    host_->SetTimerIntervalMs(50);
    host_->SetTimerEnabled(true);
    game_->Start();
  }

  /// Runs the game like `zepa --headless`: until quit, until, or idle.
  void Play(const std::string& scenario, const std::string& events = "",
            platform::HeadlessOptions options = {}, std::vector<std::string> args = {}) {
    Write("story.kvs", scenario);
    Create(events, options, std::move(args));
    game_->Run();
  }

  script::InterpreterState& State() { return game_->interpreter_state(); }
  int32_t Var(const std::string& name) { return game_->variables().VariableNumber(name); }
  uint32_t Now() { return host_->NowMs(); }

  std::filesystem::path dir_;
  player::PlayerPaths player_paths_;  // the player's files; none by default
  std::unique_ptr<platform::MediaProbe> probe_ = platform::CreateSdlMediaProbe();
  std::unique_ptr<platform::HeadlessHost> host_;
  std::unique_ptr<platform::Media> media_;
  std::unique_ptr<MainWindow> game_;
};

// Mean absolute difference per channel: a JPEG round trip stays under 3.
inline void ExpectClose(const platform::Surface& a, const platform::Surface& b, const char* what) {
  ASSERT_EQ(a.width, b.width) << what;
  ASSERT_EQ(a.height, b.height) << what;
  double total[3] = {0, 0, 0};
  for (size_t i = 0; i < a.pixels.size(); ++i) total[i % 3] += std::abs(a.pixels[i] - b.pixels[i]);
  for (double channel : total) EXPECT_LT(channel / (a.pixels.size() / 3.0), 3.0) << what;
}

}  // namespace zepa::engine::testing
