#pragma once
// The real window: SDL2 video, input and timing behind the Host interface.
#include <memory>

#include "platform/host.h"

namespace zepa::platform {

struct SdlOptions {
  int scale = 1;  // the windowed display is 640 x 480 times this
};

/// Opens the window (video driver from SDL_VIDEODRIVER when set). Null when
/// SDL cannot initialise video or create the window; the reason is printed
/// to stderr.
std::unique_ptr<Host> CreateSdlHost(const SdlOptions& options);

}  // namespace zepa::platform
