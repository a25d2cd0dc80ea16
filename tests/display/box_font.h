#pragma once
// Test glyphs: solid boxes instead of a real face, so pixel tests do not
// depend on the fonts installed.
#include <string>
#include <vector>

#include "platform/font.h"

namespace zepa::display::testing {

inline platform::GlyphImage Solid(int w, int h, uint8_t coverage = 255) {
  platform::GlyphImage g;
  g.width = w;
  g.height = h;
  g.coverage.assign(static_cast<size_t>(w) * h, coverage);
  return g;
}

// A font whose glyphs are solid boxes: 21 px wide for anything beyond ASCII,
// 10 px for ASCII, one line high. It remembers what it was asked for.
class BoxFont final : public platform::Font {
 public:
  bool RenderGlyph(char32_t cp, platform::GlyphImage* out) override {
    requested.push_back(cp);
    *out = Solid(cp < 0x80 ? 10 : 21, 21);
    return true;
  }
  const std::string& FilePath() const override { return path_; }

  std::vector<char32_t> requested;

 private:
  std::string path_ = "box";
};

}  // namespace zepa::display::testing
