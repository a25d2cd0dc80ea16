#pragma once
// The message font on SDL_ttf, found through fontconfig.
#include <SDL_ttf.h>

#include <string>
#include <unordered_map>

#include "platform/font.h"

namespace zepa::platform {

class TtfFont final : public Font {
 public:
  /// Takes ownership of `font`, opened with its em at `char_height_px`.
  TtfFont(TTF_Font* font, std::string file_path, int char_height_px);
  ~TtfFont() override;
  TtfFont(const TtfFont&) = delete;
  TtfFont& operator=(const TtfFont&) = delete;

  bool RenderGlyph(char32_t cp, GlyphImage* out) override;
  bool HasGlyph(char32_t cp) override;
  const std::string& FilePath() const override { return file_path_; }

 private:
  struct CachedGlyph {
    bool ok = false;
    GlyphImage image;
  };
  bool Render(char32_t cp, GlyphImage* out);

  TTF_Font* font_;
  std::string file_path_;
  int char_height_px_;
  int baseline_shift_px_;  // added to SDL_ttf's rows to put the baseline where the cell wants it
  std::unordered_map<char32_t, CachedGlyph> cache_;
};

}  // namespace zepa::platform
