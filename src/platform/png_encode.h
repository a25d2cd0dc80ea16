#pragma once
// Pictures as PNG bytes, for the player's screenshots.
#include <optional>
#include <string>

#include "platform/surface.h"

namespace zepa::platform {

/// `surface` as the bytes of a PNG file; nullopt for an empty surface or
/// when the encoder fails.
std::optional<std::string> EncodePng(const Surface& surface);

/// `surface` with every pixel made a `scale` x `scale` block.
Surface ScaledUp(const Surface& surface, int scale);

}  // namespace zepa::platform
