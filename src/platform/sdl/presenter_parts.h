#pragma once
// Pieces both ways of presenting share: the window's own surface and
// SDL's renderer.
#include <SDL.h>

#include <algorithm>
#include <array>

#include "platform/damage.h"
#include "platform/game_rect.h"

namespace zepa::platform {

// The black around the game in a window of w x h. Only the bars are
// filled: clearing the whole window first would write every pixel of a full
// screen twice.
inline std::array<SDL_Rect, 4> Bars(const GameRect& g, int w, int h) {
  return {SDL_Rect{0, 0, w, g.y}, SDL_Rect{0, g.y + g.height, w, h - g.y - g.height},
          SDL_Rect{0, g.y, g.x, g.height}, SDL_Rect{g.x + g.width, g.y, w - g.x - g.width, g.height}};
}

inline DamageRect Clip(const DamageRect& r, int w, int h) {
  const int x0 = std::max(r.x, 0), y0 = std::max(r.y, 0);
  const int x1 = std::min(r.Right(), w), y1 = std::min(r.Bottom(), h);
  if (x0 >= x1 || y0 >= y1) return {};
  return {x0, y0, x1 - x0, y1 - y0};
}

}  // namespace zepa::platform
