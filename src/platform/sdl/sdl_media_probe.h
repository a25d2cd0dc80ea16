#pragma once
// Lengths through SDL_mixer and movies through the FFmpeg module, for the
// headless host. The audio device (SDL's dummy driver, so nothing sounds)
// opens only when a length is first asked for, and closes with the probe.
#include <memory>

#include "platform/media_probe.h"

namespace zepa::platform {

std::unique_ptr<MediaProbe> CreateSdlMediaProbe();

}  // namespace zepa::platform
