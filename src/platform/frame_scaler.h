#pragma once
// The game's display drawn into a window of any size, fast enough to run on
// every frame of a cross-fade: the real window scales with it when there is
// no GPU to do it, and the headless window's shots are made by the same
// code, so that they show what the player sees.
//
// Pixels here are 32-bit words as the screen keeps them: blue, green, red
// and an unused byte, in that order in memory.
#include <cstdint>
#include <vector>

#include "platform/damage.h"
#include "platform/game_rect.h"
#include "platform/surface.h"

namespace zepa::platform {

/// The rows `rect` of `frame` as 32-bit pixels: `dst` is the rectangle's
/// top-left pixel. When `shadow` is given, the same rows are copied into
/// it while they are in the cache (a copy kept to find the next damage).
void ToScreenPixels(const Surface& frame, const DamageRect& rect, uint8_t* dst, int pitch_bytes,
                    Surface* shadow = nullptr);

/// One axis of a scale: for each pixel out, the source pixel it starts
/// from and how much of the next one is mixed in, in 1/256ths.
struct ScaleTaps {
  std::vector<int> index;
  std::vector<uint16_t> weight;
};

/// How a display of `source_w` x `source_h` fills `rect` in `mode`.
struct ScalePlan {
  GameRect rect;
  int source_w = 0;
  int source_h = 0;
  ScaleMode mode = ScaleMode::kSharp;  // the mode it was planned for
  /// Every source pixel becomes a square of this side (nearest pixels at a
  /// whole factor that fills the rectangle): drawn by repeating words, the
  /// cheap case. 0 when the taps below are needed.
  int whole = 0;
  ScaleTaps across;
  ScaleTaps down;
};

/// The sharp mode takes the largest whole factor by repeating pixels and
/// smooths only the rest, so most taps mix nothing and edges blur by one
/// pixel at most.
ScalePlan PlanScale(int source_w, int source_h, const GameRect& rect, ScaleMode mode);

/// The part of the rectangle (in its own coordinates) that the source
/// pixels of `changed` reach, the filter's neighbours included.
DamageRect ReachOf(const ScalePlan& plan, const DamageRect& changed);

/// Rows made on the way, kept by a caller that draws every frame so that a
/// frame allocates nothing.
struct ScaleScratch {
  std::vector<uint32_t> line;
  std::vector<uint32_t> rows[2];
};

/// Draws `area` (in the rectangle's coordinates, clipped to it) of the
/// scaled picture. `src` is the whole display in 32-bit pixels; `dst` is
/// the rectangle's top-left pixel on the screen.
void DrawScaled(const ScalePlan& plan, const uint32_t* src, int src_pitch_px,
                const DamageRect& area, uint32_t* dst, int dst_pitch_px,
                ScaleScratch* scratch = nullptr);

}  // namespace zepa::platform
