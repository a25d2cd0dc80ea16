#include "display/wait_icons.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <utility>
#include <vector>

namespace zepa::display {
namespace {

using platform::Color;
using platform::MakeColor;
using platform::Surface;

using Shape = std::function<bool(double x, double y)>;
using Point = std::pair<double, double>;

// Even-odd rule at a point; shapes are tested at pixel centres.
bool InPolygon(const std::vector<Point>& poly, double x, double y) {
  bool inside = false;
  for (size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
    const auto [xi, yi] = poly[i];
    const auto [xj, yj] = poly[j];
    if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) inside = !inside;
  }
  return inside;
}

// Paints a shape with a one-pixel dark rim, which keeps it readable on light
// and dark pictures alike.
void Paint(Surface& s, const Shape& inside, Color fill, Color rim) {
  auto in = [&](int x, int y) { return s.Contains(x, y) && inside(x + 0.5, y + 0.5); };
  for (int y = 0; y < s.height; ++y) {
    for (int x = 0; x < s.width; ++x) {
      if (!in(x, y)) continue;
      const bool edge = !in(x - 1, y) || !in(x + 1, y) || !in(x, y - 1) || !in(x, y + 1);
      s.Set(x, y, edge ? rim : fill);
    }
  }
}

void PaintRect(Surface& s, int x0, int y0, int x1, int y1, Color c) {
  for (int y = std::max(y0, 0); y < std::min(y1, s.height); ++y)
    for (int x = std::max(x0, 0); x < std::min(x1, s.width); ++x) s.Set(x, y, c);
}

Surface NextIcon() {
  Surface s(kWaitIconPixels, kWaitIconPixels, kIconTransparent);
  const std::vector<Point> triangle = {{5, 8}, {27, 8}, {16, 26}};
  Paint(s, [&](double x, double y) { return InPolygon(triangle, x, y); }, MakeColor(64, 144, 255),
        MakeColor(16, 48, 128));
  return s;
}

// A rounded tile with a return arrow on it.
Surface EndIcon() {
  Surface s(kWaitIconPixels, kWaitIconPixels, kIconTransparent);
  auto tile = [](double x, double y) {
    const double dx = std::max({4.0 - x, x - 28.0, 0.0}), dy = std::max({4.0 - y, y - 28.0, 0.0});
    return x > 1 && x < 31 && y > 1 && y < 31 && dx * dx + dy * dy <= 9.0;
  };
  Paint(s, tile, MakeColor(230, 80, 40), MakeColor(120, 30, 10));
  const Color mark = MakeColor(255, 236, 200);
  PaintRect(s, 20, 8, 23, 20, mark);
  PaintRect(s, 12, 17, 23, 20, mark);
  const std::vector<Point> head = {{7, 18.5}, {13, 12.5}, {13, 24.5}};
  for (int y = 0; y < s.height; ++y)
    for (int x = 0; x < s.width; ++x)
      if (InPolygon(head, x + 0.5, y + 0.5)) s.Set(x, y, mark);
  return s;
}

Surface MouseIcon() {
  Surface s(kWaitIconPixels, kWaitIconPixels, kIconTransparent);
  const std::vector<Point> arrow = {{8, 2}, {8, 26}, {13.5, 20.5}, {18, 29.5}, {22, 27.5}, {17.5, 19}, {25, 19}};
  Paint(s, [&](double x, double y) { return InPolygon(arrow, x, y); }, MakeColor(60, 190, 80),
        MakeColor(10, 70, 20));
  return s;
}

// A diamond with a question mark.
Surface SelectIcon() {
  Surface s(kWaitIconPixels, kWaitIconPixels, kIconTransparent);
  Paint(s, [](double x, double y) { return std::abs(x - 16) + std::abs(y - 16) <= 15; }, MakeColor(170, 70, 200),
        MakeColor(70, 20, 90));
  static const char* const kMark[] = {".###.", "#...#", "....#", "...#.", "..#..", ".....", "..#.."};
  const Color mark = MakeColor(255, 240, 250);
  for (int row = 0; row < 7; ++row)
    for (int col = 0; col < 5; ++col)
      if (kMark[row][col] == '#') PaintRect(s, 11 + 2 * col, 9 + 2 * row, 13 + 2 * col, 11 + 2 * row, mark);
  return s;
}

}  // namespace

Surface BuiltInWaitIcon(WaitIconKind kind) {
  switch (kind) {
    case WaitIconKind::kNext:
      return NextIcon();
    case WaitIconKind::kEnd:
      return EndIcon();
    case WaitIconKind::kMouse:
      return MouseIcon();
    case WaitIconKind::kSelect:
      return SelectIcon();
  }
  return NextIcon();
}

void DrawTransparent(Surface& dst, int x, int y, const Surface& icon, Color transparent) {
  const int64_t x0 = std::max<int64_t>(x, 0), y0 = std::max<int64_t>(y, 0);
  const int64_t x1 = std::min<int64_t>(static_cast<int64_t>(x) + icon.width, dst.width);
  const int64_t y1 = std::min<int64_t>(static_cast<int64_t>(y) + icon.height, dst.height);
  for (int64_t dy = y0; dy < y1; ++dy) {
    for (int64_t dx = x0; dx < x1; ++dx) {
      const Color c = icon.Get(static_cast<int>(dx - x), static_cast<int>(dy - y));
      if (c != transparent) dst.Set(static_cast<int>(dx), static_cast<int>(dy), c);
    }
  }
}

}  // namespace zepa::display
