// Sound files the players refuse are let go: Windows keeps a file that is
// still open from being deleted or replaced while the program runs.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "platform/headless/headless_host.h"
#include "platform/headless/silent_media.h"
#include "platform/media_files.h"
#include "platform/sdl/sdl_media.h"
#include "platform/sdl/sdl_media_probe.h"

namespace zepa::platform {
namespace {

namespace fs = std::filesystem;

TEST(MediaHandles, AFileNoPlayerCanReadCanBeDeletedAfterwards) {
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
  for (MediaPlayer* player :
       {&media->Player(0), &media->Player(1), &sdl_media->Player(0), &sdl_media->Player(1)})
    EXPECT_FALSE(player->Open(garbage).ok());
  std::error_code ec;
  fs::remove(garbage, ec);
  EXPECT_FALSE(ec) << ec.message();
  fs::remove_all(dir, ec);
}

}  // namespace
}  // namespace zepa::platform
