#pragma once
// The message font: one glyph at a time, rendered anti-aliased into a cell
// whose top-left is the glyph's drawing origin.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/status.h"

namespace zepa::platform {

/// Height of a character cell and the text's line pitch, in pixels.
constexpr int kCharHeightPx = 21;
/// Largest glyph image a font hands out, in both directions: the scratch
/// cell of the character reveal (character height + 10).
constexpr int kMaxGlyphCellPx = kCharHeightPx + 10;

/// One rendered glyph: the ink's coverage, 0 (none) to 255 (full), row by
/// row from the top-left of the character cell.
struct GlyphImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> coverage;  ///< width * height values

  uint8_t At(int x, int y) const { return coverage[static_cast<size_t>(y) * width + x]; }
};

/// What to open. With `file_path` empty the system's font configuration is
/// asked for the game's face ("ＭＳ ゴシック") or the closest Japanese one.
struct FontRequest {
  std::string file_path;               ///< explicit font file (TrueType/OpenType), or empty
  int char_height_px = kCharHeightPx;  ///< em height in pixels
};

/// A face at one size. Not thread-safe; the engine draws from one thread.
class Font {
 public:
  virtual ~Font() = default;

  /// Renders `cp` with the top-left of its character cell at (0, 0).
  /// The image is at most kMaxGlyphCellPx square; a full-width glyph is
  /// about one character height wide, a half-width one about half.
  /// Returns false, with `out` an empty image of the glyph's advance, when
  /// the glyph cannot be rendered (the caller draws nothing for it).
  virtual bool RenderGlyph(char32_t cp, GlyphImage* out) = 0;

  /// True when the face itself has a glyph for `cp`, rather than drawing its
  /// missing-glyph box. The default asks RenderGlyph, for faces that can
  /// tell no better.
  virtual bool HasGlyph(char32_t cp) {
    GlyphImage image;
    return RenderGlyph(cp, &image);
  }

  /// The file the face was loaded from, for messages and the debug view.
  virtual const std::string& FilePath() const = 0;
};

/// Opens the face described by `request`. The face must have Japanese
/// glyphs (it must cover U+3042 and U+6F22). Fails with a message (English,
/// with what to install) when no such face is found.
Result<std::unique_ptr<Font>> OpenFont(const FontRequest& request);

/// The font service as the rooms are handed it: OpenFont, or a test's own.
using FontOpener = std::function<Result<std::unique_ptr<Font>>(const FontRequest&)>;

}  // namespace zepa::platform
