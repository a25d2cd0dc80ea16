#pragma once
// The built-in wait icons and keyed drawing of icons.
#include <cstddef>  // surface.h uses size_t without including it

#include "platform/surface.h"

namespace zepa::display {

enum class WaitIconKind { kNext, kEnd, kMouse, kSelect };

/// Size of every built-in icon.
constexpr int kWaitIconPixels = 32;

/// The colour that icons leave transparent.
constexpr platform::Color kIconTransparent = 0xffffff;

/// The icon used when a game ships no bitmap for it (`Image_WAIT_NEXT`,
/// `Image_WAIT_END`, `Image_WAIT_MOUSE`, `Image_WAIT_SELECT`): 32 x 32 on a
/// white, transparent background.
platform::Surface BuiltInWaitIcon(WaitIconKind kind);

/// Copies `icon` to (x, y) of `dst`, leaving the pixels of colour
/// `transparent` and everything outside `dst` untouched.
void DrawTransparent(platform::Surface& dst, int x, int y, const platform::Surface& icon,
                     platform::Color transparent);

}  // namespace zepa::display
