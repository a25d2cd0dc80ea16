// Sound files the players refuse leave no file open behind them, counted in
// the process's table of open files. (On Windows such a file could not be
// replaced or deleted while the program runs.)
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/headless/headless_host.h"
#include "platform/headless/silent_media.h"
#include "platform/media_files.h"
#include "platform/sdl/sdl_media.h"
#include "platform/sdl/sdl_media_probe.h"

namespace zepa::platform {
namespace {

namespace fs = std::filesystem;

size_t OpenFiles() {
  size_t n = 0;
  for (auto it = fs::directory_iterator("/proc/self/fd"); it != fs::directory_iterator(); ++it) ++n;
  return n;
}

TEST(MediaHandles, FilesNoPlayerCanReadAreClosed) {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  const fs::path dir = fs::temp_directory_path() / "zepa_media_handles";
  fs::remove_all(dir);
  // No sound format starts with these bytes, the mixer's loaders included.
  const std::string garbage = (dir / "garbage.wav").string();
  testing::WriteBytes(garbage, std::string(3000, '\x5a'));
  HeadlessHost host(HeadlessOptions{});
  auto probe = CreateSdlMediaProbe();
  auto media = CreateSilentMedia(host, probe.get());
  auto sdl_media = CreateSdlMedia();
  MediaPlayer* players[] = {&media->Player(0), &media->Player(1), &sdl_media->Player(0),
                            &sdl_media->Player(1)};
  // The first round opens the audio device, which keeps what it opens.
  for (MediaPlayer* player : players) EXPECT_FALSE(player->Open(garbage).ok());
  const size_t before = OpenFiles();
  for (int round = 0; round < 5; ++round)
    for (MediaPlayer* player : players) EXPECT_FALSE(player->Open(garbage).ok());
  EXPECT_EQ(OpenFiles(), before);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace zepa::platform
