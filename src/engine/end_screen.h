#pragma once
// The closing sequence of every way the game ends by itself: the end sound,
// the end picture faded in on white, the hold while the sound plays, the
// fade to white before it ends, and the close of the main window.
#include <cstdint>
#include <string_view>

#include "display/picture_source.h"
#include "display/stage.h"
#include "platform/host.h"
#include "platform/surface.h"
#include "sound/sound.h"

namespace zepa::engine {

/// The end picture's name that stands for the built-in picture, compared
/// byte for byte.
constexpr std::string_view kBuiltInEndPicture = "ZEPA";
constexpr uint32_t kEndFadeMs = 2000;

/// `Image_CLOSE`: the built-in 322 x 229 end picture.
const platform::Surface& BuiltInEndPicture();

/// Fills the back buffer white and draws the end picture centred on it:
/// nothing for an empty name, the built-in picture for exactly "ZEPA", the
/// named picture otherwise (nothing when it cannot be loaded).
void ComposeEndPicture(platform::Surface& back_buffer, display::PictureSource& pictures,
                       std::string_view end_picture);

/// `EndSequence` up to the close: plays the end sound, fades the picture in
/// and waits for the sound. The wait pumps and sleeps (the caller keeps the
/// interpreter from stepping meanwhile); a held hurry input ends it at once.
/// The caller closes the main window afterwards.
void RunEndSequence(platform::Host& host, display::Stage& stage, sound::Sound& sound,
                    display::PictureSource& pictures, std::string_view end_picture);

}  // namespace zepa::engine
