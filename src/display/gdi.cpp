#include "display/gdi.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace zepa::display {
namespace {

// Products of two coordinate differences need more than 64 bits when the
// script passes values near the int limits.
using Wide = __int128;
using UWide = unsigned __int128;

Wide FloorDiv(Wide a, Wide b) {  // b > 0
  Wide q = a / b;
  return (a % b != 0 && a < 0) ? q - 1 : q;
}
Wide CeilDiv(Wide a, Wide b) { return -FloorDiv(-a, b); }

void PaintSpan(Surface& s, int64_t y, int64_t x_begin, int64_t x_end, Color c) {
  if (y < 0 || y >= s.height) return;
  x_begin = std::max<int64_t>(x_begin, 0);
  x_end = std::min<int64_t>(x_end, s.width);
  for (int64_t x = x_begin; x < x_end; ++x) s.Set(static_cast<int>(x), static_cast<int>(y), c);
}

void PaintBox(Surface& s, int64_t x0, int64_t y0, int64_t x1, int64_t y1, Color c) {
  y0 = std::max<int64_t>(y0, 0);
  y1 = std::min<int64_t>(y1, s.height);
  for (int64_t y = y0; y < y1; ++y) PaintSpan(s, y, x0, x1, c);
}

// The pixels of row j of the ellipse filling a w x h box, as offsets
// [first, last] from the box's left edge; empty when first > last. Pixel
// centres are measured in half pixels from the box centre, which keeps the
// test exact in integers: (dx / w)^2 + (dy / h)^2 <= 1.
struct RowSpan {
  int64_t first = 1;
  int64_t last = 0;
  bool Empty() const { return first > last; }
};

RowSpan EllipseRow(int64_t w, int64_t h, int64_t j) {
  if (j < 0 || j >= h) return {};
  const int64_t dy = 2 * j + 1 - h;
  const UWide ww = static_cast<UWide>(w) * static_cast<UWide>(w);
  const UWide hh = static_cast<UWide>(h) * static_cast<UWide>(h);
  const UWide yy = static_cast<UWide>(static_cast<Wide>(dy) * dy);
  const UWide rhs = ww * (hh - yy);
  auto fits = [&](Wide d) { return static_cast<UWide>(d * d) * hh <= rhs; };
  Wide d = static_cast<Wide>(std::floor(std::sqrt(static_cast<long double>(rhs)) / h));
  d = std::clamp<Wide>(d, 0, w);
  while (d < w && fits(d + 1)) ++d;
  while (d > 0 && !fits(d)) --d;
  d = std::min<Wide>(d, w - 1);
  if ((d - (w - 1)) % 2 != 0) --d;  // dx has the parity of w - 1
  if (d < 0) return {};
  const int64_t half = static_cast<int64_t>(d);
  return {(w - 1 - half) / 2, (w - 1 + half) / 2};
}

}  // namespace

void SetPixel(Surface& s, int x, int y, Color color) {
  if (s.Contains(x, y)) s.Set(x, y, color);
}

void DrawLine(Surface& s, int x1, int y1, int x2, int y2, Color pen) {
  const int64_t dx = static_cast<int64_t>(x2) - x1;
  const int64_t dy = static_cast<int64_t>(y2) - y1;
  if (dx == 0 && dy == 0) return;
  const bool x_major = std::abs(dx) >= std::abs(dy);
  // Step along the major axis; the minor coordinate of step k is the exact
  // one rounded to nearest, halves to the smaller coordinate.
  const int64_t major_start = x_major ? x1 : y1;
  const int64_t minor_start = x_major ? y1 : x1;
  const int64_t major_delta = x_major ? dx : dy;
  const int64_t minor_delta = x_major ? dy : dx;
  const int64_t length = std::abs(major_delta);  // pixels, end point excluded
  const int64_t dir = major_delta > 0 ? 1 : -1;
  const int64_t major_limit = x_major ? s.width : s.height;
  const int64_t minor_limit = x_major ? s.height : s.width;
  // Only the steps whose major coordinate is on the surface are visited.
  int64_t k_begin = 0;
  int64_t k_end = length;  // exclusive
  if (dir > 0) {
    k_begin = std::max<int64_t>(k_begin, -major_start);
    k_end = std::min<int64_t>(k_end, major_limit - major_start);
  } else {
    k_begin = std::max<int64_t>(k_begin, major_start - (major_limit - 1));
    k_end = std::min<int64_t>(k_end, major_start + 1);
  }
  for (int64_t k = k_begin; k < k_end; ++k) {
    const int64_t major = major_start + dir * k;
    const Wide offset =
        CeilDiv(static_cast<Wide>(2) * k * minor_delta - length, static_cast<Wide>(2) * length);
    const Wide minor = minor_start + offset;
    if (minor < 0 || minor >= minor_limit) continue;
    if (x_major)
      s.Set(static_cast<int>(major), static_cast<int>(minor), pen);
    else
      s.Set(static_cast<int>(minor), static_cast<int>(major), pen);
  }
}

void DrawRectangle(Surface& s, int x1, int y1, int x2, int y2, Color pen,
                   std::optional<Color> brush) {
  const int64_t left = std::min(x1, x2), right = std::max(x1, x2);
  const int64_t top = std::min(y1, y2), bottom = std::max(y1, y2);
  if (left == right || top == bottom) return;
  if (brush) PaintBox(s, left + 1, top + 1, right - 1, bottom - 1, *brush);
  PaintBox(s, left, top, right, top + 1, pen);
  PaintBox(s, left, bottom - 1, right, bottom, pen);
  PaintBox(s, left, top, left + 1, bottom, pen);
  PaintBox(s, right - 1, top, right, bottom, pen);
}

void DrawEllipse(Surface& s, int x1, int y1, int x2, int y2, Color pen,
                 std::optional<Color> brush) {
  const int64_t left = std::min(x1, x2), right = std::max(x1, x2);
  const int64_t top = std::min(y1, y2), bottom = std::max(y1, y2);
  const int64_t w = right - left, h = bottom - top;
  if (w == 0 || h == 0) return;
  // Only the rows on the surface are computed.
  const int64_t j_begin = std::max<int64_t>(0, -top);
  const int64_t j_end = std::min<int64_t>(h, s.height - top);
  for (int64_t j = j_begin; j < j_end; ++j) {
    const RowSpan row = EllipseRow(w, h, j);
    if (row.Empty()) continue;
    const int64_t y = top + j;
    const RowSpan up = EllipseRow(w, h, j - 1);
    const RowSpan down = EllipseRow(w, h, j + 1);
    // The outline is every pixel of the shape with a 4-neighbour outside it.
    int64_t inner_first = row.first + 1, inner_last = row.last - 1;
    if (up.Empty() || down.Empty()) {
      inner_first = row.last + 1;
      inner_last = row.last;
    } else {
      inner_first = std::max({inner_first, up.first, down.first});
      inner_last = std::min({inner_last, up.last, down.last});
    }
    if (inner_first > inner_last) {
      PaintSpan(s, y, left + row.first, left + row.last + 1, pen);
      continue;
    }
    PaintSpan(s, y, left + row.first, left + inner_first, pen);
    if (brush) PaintSpan(s, y, left + inner_first, left + inner_last + 1, *brush);
    PaintSpan(s, y, left + inner_last + 1, left + row.last + 1, pen);
  }
}

}  // namespace zepa::display
