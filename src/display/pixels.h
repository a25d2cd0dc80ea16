#pragma once
// Pixel work on 24-bit surfaces: rectangle copies, the keyed character
// draw, the frame shade and the fade blend. All of it clips; nothing reads
// or writes outside a surface whatever the coordinates.
#include <cstddef>  // before surface.h, which uses size_t
#include <cstdint>

#include "platform/surface.h"

namespace zepa::display {

using platform::Color;
using platform::Surface;

// The w x h area of `source` at (x, y). Parts of it outside `source` take
// the colour `outside` (white by default, the colour of a fresh surface).
// Sizes below 0 count as 0; a side beyond 16384 gives an empty surface.
Surface CopyRect(const Surface& source, int x, int y, int w, int h, Color outside = 0xffffff);

// `source` drawn opaquely onto `target` with its top-left corner at (x, y).
void Blit(Surface& target, const Surface& source, int x, int y);

// The keyed draw of a picture onto the background area under it (both of the
// picture's size; only their overlap is touched). The key colour is the
// picture's top-left pixel; key pixels leave the background. With opacity n
// in 1..100 every other channel is (B*n + P*(100-n)) / 100; pixels next to
// a key pixel (4 neighbours inside the picture) become max(0, B + F - 255),
// which darkens the outline instead of showing a fringe. An opacity outside
// 0..100 counts as 0.
void DrawKeyed(Surface& background_area, const Surface& picture, int opacity);

// Per channel max(0, strip + mask - 255) over the overlap of the two:
// white mask pixels keep the picture, black ones make it black.
void ShadeStrip(Surface& strip, const Surface& mask);

constexpr uint32_t kBlendOne = 65536;

// out = (from * (65536 - t) + to * t) >> 16 per channel, t clamped to 65536.
// `out` is given the pictures' size. Pictures of different sizes are not
// blended: `out` becomes a copy of `to`.
void BlendFrames(const Surface& from, const Surface& to, Surface& out, uint32_t t);

}  // namespace zepa::display
