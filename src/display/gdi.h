#pragma once
// Dots, lines, rectangles and ellipses with the conventions of the Windows
// drawing interface the games were written for: a line leaves out its end
// point, a box leaves out its right column and bottom row, outlines are one
// pixel wide. Everything clips to the surface; any int coordinates are safe
// and the work is bounded by the visible pixels.
#include <cstddef>  // before surface.h, which uses size_t
#include <optional>

#include "platform/surface.h"

namespace zepa::display {

using platform::Color;
using platform::Surface;

void SetPixel(Surface& s, int x, int y, Color color);

// From (x1, y1) towards (x2, y2), the end point not painted. A pixel on the
// exact half between two candidates goes to the upper one (x-major lines)
// or the left one (y-major lines), as the diamond rule lights it.
void DrawLine(Surface& s, int x1, int y1, int x2, int y2, Color pen);

// The box x1..x2-1 by y1..y2-1 (corners in either order): outline in `pen`,
// inside filled with `brush` when given. An empty box draws nothing.
void DrawRectangle(Surface& s, int x1, int y1, int x2, int y2, Color pen,
                   std::optional<Color> brush);

// The ellipse inscribed in the same box as DrawRectangle's.
void DrawEllipse(Surface& s, int x1, int y1, int x2, int y2, Color pen,
                 std::optional<Color> brush);

}  // namespace zepa::display
