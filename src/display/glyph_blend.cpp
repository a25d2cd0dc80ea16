#include "display/glyph_blend.h"

#include <algorithm>

#include "display/text_layout.h"
#include "platform/cp932.h"

namespace zepa::display {
namespace {

using platform::Color;
using platform::GlyphImage;
using platform::Surface;

uint32_t Weight(uint8_t coverage, uint32_t t) { return (coverage * t + 127) / 255; }

void BlendPixel(uint8_t* p, uint32_t w, uint32_t blue, uint32_t green, uint32_t red) {
  const uint32_t inverse = kFullFadeWeight - w;
  p[0] = static_cast<uint8_t>((blue * w + p[0] * inverse) >> 16);
  p[1] = static_cast<uint8_t>((green * w + p[1] * inverse) >> 16);
  p[2] = static_cast<uint8_t>((red * w + p[2] * inverse) >> 16);
}

// A glyph whose coverage does not match its size is drawn only as far as
// the coverage goes.
int UsableRows(const GlyphImage& glyph) {
  if (glyph.width <= 0 || glyph.height <= 0) return 0;
  return static_cast<int>(std::min<size_t>(glyph.height, glyph.coverage.size() / glyph.width));
}

}  // namespace

void BlendGlyph(const Surface& background, const GlyphImage& glyph, Color color, uint32_t t, Surface& out) {
  if (out.width != background.width || out.height != background.height) out = background;
  else std::copy(background.pixels.begin(), background.pixels.end(), out.pixels.begin());
  t = std::min(t, kFullFadeWeight);
  if (t == 0) return;
  const int w = std::min(glyph.width, out.width);
  const int h = std::min(UsableRows(glyph), out.height);
  const uint32_t blue = platform::BlueOf(color), green = platform::GreenOf(color), red = platform::RedOf(color);
  for (int y = 0; y < h; ++y) {
    const uint8_t* coverage = glyph.coverage.data() + static_cast<size_t>(y) * glyph.width;
    uint8_t* row = out.Row(y);
    for (int x = 0; x < w; ++x) {
      if (coverage[x] != 0) BlendPixel(row + 3 * x, Weight(coverage[x], t), blue, green, red);
    }
  }
}

void DrawGlyph(Surface& dst, int x, int y, const GlyphImage& glyph, Color color) {
  const int rows = UsableRows(glyph);
  // Work in 64 bits: positions from a script can be anywhere.
  const int64_t x0 = std::max<int64_t>(x, 0), y0 = std::max<int64_t>(y, 0);
  const int64_t x1 = std::min<int64_t>(static_cast<int64_t>(x) + glyph.width, dst.width);
  const int64_t y1 = std::min<int64_t>(static_cast<int64_t>(y) + rows, dst.height);
  const uint32_t blue = platform::BlueOf(color), green = platform::GreenOf(color), red = platform::RedOf(color);
  for (int64_t dy = y0; dy < y1; ++dy) {
    const uint8_t* coverage = glyph.coverage.data() + static_cast<size_t>(dy - y) * glyph.width;
    uint8_t* row = dst.Row(static_cast<int>(dy));
    for (int64_t dx = x0; dx < x1; ++dx) {
      const uint8_t a = coverage[dx - x];
      if (a != 0) BlendPixel(row + 3 * dx, Weight(a, kFullFadeWeight), blue, green, red);
    }
  }
}

void DrawTextLine(Surface& dst, int x, int y, std::string_view cp932_line, Color color, platform::Font& font) {
  cp932_line = cp932_line.substr(0, std::min(cp932_line.size(), kPageTextBytes));
  GlyphImage glyph;
  for (const GlyphPlacement& g : PlaceGlyphs(cp932_line, x, y)) {
    if (g.x >= dst.width || g.y >= dst.height) continue;
    const char32_t cp = platform::Cp932CharToUtf32(cp932_line.substr(g.offset, g.length));
    if (font.RenderGlyph(cp, &glyph)) DrawGlyph(dst, g.x, g.y, glyph, color);
  }
}

}  // namespace zepa::display
