#pragma once
// The media players on SDL_mixer: the music stream for music, CD tracks and
// a movie's sound, one mixer channel for effects, and the output gain as a
// post-mix scale. End-of-play notices come from SDL_mixer's hooks on the
// audio thread and are run on the game thread from the SDL host's pump.
#include <memory>

#include "platform/media.h"

namespace zepa::platform {

/// Opens the audio device (SDL_AUDIODRIVER chooses the driver). Without a
/// device the media still exists: every open fails with the reason and no
/// mixer is found. One per process; destroy it before the SDL host.
std::unique_ptr<Media> CreateSdlMedia();

}  // namespace zepa::platform
