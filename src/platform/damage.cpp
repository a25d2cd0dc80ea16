#include "platform/damage.h"

#include <algorithm>
#include <cstring>

namespace zepa::platform {
namespace {

uint64_t Word(const uint8_t* p) {
  uint64_t w;
  std::memcpy(&w, p, sizeof w);
  return w;
}

bool Near(const DamageRect& a, const DamageRect& b, int gap_px) {
  return a.x <= b.Right() + gap_px && b.x <= a.Right() + gap_px && a.y <= b.Bottom() + gap_px &&
         b.y <= a.Bottom() + gap_px;
}

}  // namespace

DamageRect Union(const DamageRect& a, const DamageRect& b) {
  if (a.Empty()) return b;
  if (b.Empty()) return a;
  const int x = std::min(a.x, b.x), y = std::min(a.y, b.y);
  return {x, y, std::max(a.Right(), b.Right()) - x, std::max(a.Bottom(), b.Bottom()) - y};
}

std::vector<DamageRect> MergeDamage(std::vector<DamageRect> rects, int gap_px, size_t max_rects) {
  std::erase_if(rects, [](const DamageRect& r) { return r.Empty(); });
  // Quadratic, but the lists are a handful of rectangles long.
  for (bool merged = true; merged;) {
    merged = false;
    for (size_t i = 0; i < rects.size() && !merged; ++i) {
      for (size_t j = i + 1; j < rects.size(); ++j) {
        if (!Near(rects[i], rects[j], gap_px)) continue;
        rects[i] = Union(rects[i], rects[j]);
        rects.erase(rects.begin() + static_cast<std::ptrdiff_t>(j));
        merged = true;
        break;
      }
    }
  }
  if (rects.size() > max_rects) {
    DamageRect all;
    for (const DamageRect& r : rects) all = Union(all, r);
    rects.assign(1, all);
  }
  return rects;
}

std::vector<DamageRect> FindDamage(const Surface& before, const Surface& after, size_t max_rects) {
  if (after.Empty()) return {};
  if (before.width != after.width || before.height != after.height ||
      before.pixels.size() != after.pixels.size())
    return {DamageRect{0, 0, after.width, after.height}};
  const size_t stride = static_cast<size_t>(after.Stride());
  std::vector<DamageRect> bands;
  DamageRect band;  // the run of changed rows being gathered
  for (int y = 0; y < after.height; ++y) {
    const uint8_t* a = before.Row(y);
    const uint8_t* b = after.Row(y);
    if (std::memcmp(a, b, stride) == 0) {
      if (!band.Empty()) bands.push_back(band);
      band = DamageRect{};
      continue;
    }
    // A cross-fade leaves long runs of equal bytes where the two pictures
    // are alike: the ends of the change are found a word at a time.
    size_t first = 0;
    while (first + 8 <= stride && Word(a + first) == Word(b + first)) first += 8;
    while (a[first] == b[first]) ++first;
    size_t end = stride;
    while (end >= first + 8 && Word(a + end - 8) == Word(b + end - 8)) end -= 8;
    while (a[end - 1] == b[end - 1]) --end;
    const int x0 = static_cast<int>(first / 3);
    const int x1 = static_cast<int>((end - 1) / 3) + 1;
    band = Union(band, DamageRect{x0, y, x1 - x0, 1});
  }
  if (!band.Empty()) bands.push_back(band);
  return MergeDamage(std::move(bands), kDamageMergeGapPx, max_rects);
}

void CopyRects(const Surface& from, Surface& to, const std::vector<DamageRect>& rects) {
  if (from.width != to.width || from.height != to.height) {
    to = from;
    return;
  }
  for (const DamageRect& r : rects) {
    const int x0 = std::max(r.x, 0), y0 = std::max(r.y, 0);
    const int x1 = std::min(r.Right(), from.width), y1 = std::min(r.Bottom(), from.height);
    if (x0 >= x1) continue;
    for (int y = y0; y < y1; ++y)
      std::memcpy(to.Row(y) + x0 * 3, from.Row(y) + x0 * 3, static_cast<size_t>(x1 - x0) * 3);
  }
}

}  // namespace zepa::platform
