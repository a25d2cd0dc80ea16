#pragma once
// Blending rendered glyphs into 24-bit surfaces.
#include <cstdint>
#include <string_view>

#include "platform/font.h"
#include "platform/surface.h"

namespace zepa::display {

/// Full weight of a glyph fade: the glyph is completely drawn.
constexpr uint32_t kFullFadeWeight = 65536;

/// One pass of `FadeInGlyph`: `out` becomes `background` with `glyph` drawn
/// over its top-left corner in `color` at fade weight `t` (0..65536, larger
/// is taken as 65536). A pixel of coverage a gets the weight
/// w = (a * t + 127) / 255 and each channel (color * w + B * (65536 - w)) >> 16,
/// so coverage 0 leaves B and full coverage at full weight gives `color`.
/// `out` is resized to the background's size when it differs.
void BlendGlyph(const platform::Surface& background, const platform::GlyphImage& glyph,
                platform::Color color, uint32_t t, platform::Surface& out);

/// Draws `glyph` fully at (x, y) of `dst`, clipped to its edges.
void DrawGlyph(platform::Surface& dst, int x, int y, const platform::GlyphImage& glyph,
               platform::Color color);

/// Draws a CP932 text at once with the reveal's glyph placement (line feeds go
/// 21 pixels down), transparent background, clipped to the surface. At most
/// 1023 bytes are drawn; invalid pairs show as U+FFFD.
void DrawTextLine(platform::Surface& dst, int x, int y, std::string_view cp932_line,
                  platform::Color color, platform::Font& font);

}  // namespace zepa::display
