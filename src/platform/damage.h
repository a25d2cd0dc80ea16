#pragma once
// Which parts of a frame changed since the last one was shown, so that a
// host pushes only those to the screen: a glyph fading in touches its cell,
// the wait icon its square, a cross-fade the whole frame.
#include <cstddef>
#include <vector>

#include "platform/surface.h"

namespace zepa::platform {

struct DamageRect {
  int x = 0;
  int y = 0;
  int w = 0;
  int h = 0;

  bool Empty() const { return w <= 0 || h <= 0; }
  int Right() const { return x + w; }
  int Bottom() const { return y + h; }
  bool operator==(const DamageRect&) const = default;
};

/// The smallest rectangle holding both (an empty one adds nothing).
DamageRect Union(const DamageRect& a, const DamageRect& b);

/// More rectangles than this are pushed as their bounding box: each one
/// costs a call into the window system, and many small ones cost more than
/// one large one.
constexpr size_t kMaxDamageRects = 8;

/// Rectangles that lie this close to each other are pushed as one: the
/// clean strip between them is cheaper to copy than a second rectangle.
constexpr int kDamageMergeGapPx = 8;

/// Rectangles covering every pixel where `after` differs from `before`,
/// at most `max_rects` of them, none overlapping. Surfaces of different
/// sizes (or an empty `before`) give the whole of `after`.
std::vector<DamageRect> FindDamage(const Surface& before, const Surface& after,
                             size_t max_rects = kMaxDamageRects);

/// Joins rectangles that overlap or lie within `gap_px` of each other until
/// none do; when more than `max_rects` remain, returns their bounding box.
std::vector<DamageRect> MergeDamage(std::vector<DamageRect> rects, int gap_px = kDamageMergeGapPx,
                              size_t max_rects = kMaxDamageRects);

/// Copies the pixels of `rects` from `from` into `to` (same size).
void CopyRects(const Surface& from, Surface& to, const std::vector<DamageRect>& rects);

}  // namespace zepa::platform
