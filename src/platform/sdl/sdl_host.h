#pragma once
// The real window: SDL2 video, input and timing behind the Host interface.
#include <memory>
#include <optional>

#include "platform/game_rect.h"
#include "platform/host.h"

namespace zepa::platform {

struct SdlOptions {
  /// The windowed display opens 640 x 480 times this (as far as the screen
  /// allows); 0 leaves it to the player's last size or the desktop's scale.
  int scale = 0;
  /// How the game is scaled; nullopt leaves it to the player's settings.
  std::optional<ScaleMode> scaling;
};

/// Opens the window (video driver from SDL_VIDEODRIVER when set). Null when
/// SDL cannot initialise video or create the window; the reason is printed
/// to stderr.
std::unique_ptr<Host> CreateSdlHost(const SdlOptions& options);

}  // namespace zepa::platform
