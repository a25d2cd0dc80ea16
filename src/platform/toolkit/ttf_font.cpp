#include "platform/toolkit/ttf_font.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <utility>

#include "platform/files.h"
#include "platform/toolkit/font_lookup.h"

namespace zepa::platform {
namespace {

// Every glyph a text can hold is kept: a game's whole character set is a few
// thousand glyphs of at most 31 x 31 bytes. The bound only stops a text of
// garbage from growing the cache without end.
constexpr size_t kMaxCachedGlyphs = 8192;

// Two glyphs any face able to show the games' text must have.
constexpr char32_t kProbeKana = 0x3042;   // HIRAGANA LETTER A
constexpr char32_t kProbeKanji = 0x6F22;  // the kanji "kan"

const char kInstallHint[] =
    "install a Japanese TrueType/OpenType font such as IPAGothic "
    "(Debian/Ubuntu package fonts-ipafont-gothic), or name a font file with --font FILE";

bool EnsureTtf(std::string* error) {
  if (TTF_WasInit() > 0) return true;
  if (TTF_Init() == 0) return true;
  if (error) *error = std::string("Cannot start the font renderer (SDL_ttf): ") + TTF_GetError();
  return false;
}

bool CoversJapanese(TTF_Font* font) {
  return TTF_GlyphIsProvided32(font, kProbeKana) != 0 &&
         TTF_GlyphIsProvided32(font, kProbeKanji) != 0;
}

// SDL_ttf measures points at 72 dpi, so a point size equal to the character
// height gives an em of that many pixels: the game's font of character
// height 21 is an em of 21 px. Japanese faces (the game's own, IPAGothic)
// have ascent + descent equal to the em, which makes the cell 21 px tall,
// full-width glyphs 21 px wide and half-width ones 10 to 11.
TTF_Font* OpenFace(const std::string& path, long index, int char_height_px) {
  // A FIFO or device would block the open (or never end); only regular
  // files are fonts.
  if (ProbePath(path) != PathKind::kRegular) {
    TTF_SetError("not a regular file");
    return nullptr;
  }
  return TTF_OpenFontIndex(path.c_str(), char_height_px, index);
}

// The game's face, else what fontconfig offers in its place; the first few
// candidates are plenty.
std::vector<FoundFace> FindGameFaces() {
  static const char* const kFamilies[] = {"MS Gothic", "ＭＳ ゴシック"};
  return FindJapaneseFaces(kFamilies, 8);
}

}  // namespace

TtfFont::TtfFont(TTF_Font* font, std::string file_path, int char_height_px)
    : font_(font),
      file_path_(std::move(file_path)),
      char_height_px_(char_height_px),
      baseline_shift_px_(0) {
  // A face whose ascent + descent exceeds the em would push its glyphs down
  // the cell; keep the baseline at the same fraction of the cell instead.
  int ascent = TTF_FontAscent(font_);
  int height = TTF_FontHeight(font_);
  if (height > 0 && ascent > 0) {
    int baseline =
        static_cast<int>(std::lround(static_cast<double>(char_height_px_) * ascent / height));
    baseline_shift_px_ = baseline - ascent;
  }
}

TtfFont::~TtfFont() { TTF_CloseFont(font_); }

bool TtfFont::RenderGlyph(char32_t cp, GlyphImage* out) {
  auto found = cache_.find(cp);
  if (found != cache_.end()) {
    *out = found->second.image;
    return found->second.ok;
  }
  CachedGlyph glyph;
  glyph.ok = Render(cp, &glyph.image);
  *out = glyph.image;
  bool ok = glyph.ok;
  if (cache_.size() >= kMaxCachedGlyphs) cache_.clear();
  cache_.emplace(cp, std::move(glyph));
  return ok;
}

bool TtfFont::HasGlyph(char32_t cp) { return TTF_GlyphIsProvided32(font_, cp) != 0; }

bool TtfFont::Render(char32_t cp, GlyphImage* out) {
  int advance = 0;
  if (TTF_GlyphMetrics32(font_, cp, nullptr, nullptr, nullptr, nullptr, &advance) != 0) advance = 0;
  auto empty = [&] {
    out->width = std::clamp(advance, 0, kMaxGlyphCellPx);
    out->height = char_height_px_;
    out->coverage.assign(static_cast<size_t>(out->width) * out->height, 0);
    return false;
  };
  SDL_Surface* rendered = TTF_RenderGlyph32_Blended(font_, cp, SDL_Color{255, 255, 255, 255});
  if (!rendered) return empty();
  SDL_Surface* argb = rendered;
  if (rendered->format->format != SDL_PIXELFORMAT_ARGB8888) {
    argb = SDL_ConvertSurfaceFormat(rendered, SDL_PIXELFORMAT_ARGB8888, 0);
    SDL_FreeSurface(rendered);
    if (!argb) return empty();
  }
  out->width = std::min(argb->w, kMaxGlyphCellPx);
  out->height = std::clamp(argb->h + baseline_shift_px_, char_height_px_, kMaxGlyphCellPx);
  out->coverage.assign(static_cast<size_t>(out->width) * out->height, 0);
  if (SDL_MUSTLOCK(argb)) SDL_LockSurface(argb);
  for (int y = 0; y < out->height; ++y) {
    int src_y = y - baseline_shift_px_;
    if (src_y < 0 || src_y >= argb->h) continue;
    const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(argb->pixels) +
                                                        static_cast<size_t>(src_y) * argb->pitch);
    for (int x = 0; x < out->width; ++x) {
      out->coverage[static_cast<size_t>(y) * out->width + x] = static_cast<uint8_t>(row[x] >> 24);
    }
  }
  if (SDL_MUSTLOCK(argb)) SDL_UnlockSurface(argb);
  SDL_FreeSurface(argb);
  return true;
}

Result<std::unique_ptr<Font>> OpenFont(const FontRequest& request) {
  std::string why;
  if (!EnsureTtf(&why)) return Status::Failed(why);
  // A size far outside the reveal's 31-pixel cell cannot be drawn anyway.
  int height_px = std::clamp(request.char_height_px, 6, kMaxGlyphCellPx);

  if (!request.file_path.empty()) {
    TTF_Font* font = OpenFace(request.file_path, 0, height_px);
    if (!font) {
      return Status(StatusCode::kMissing, "Cannot open the font file \"" + request.file_path +
                                              "\" (" + TTF_GetError() + "); " + kInstallHint + ".");
    }
    if (!CoversJapanese(font)) {
      TTF_CloseFont(font);
      return Status(StatusCode::kInvalid, "The font file \"" + request.file_path +
                                              "\" has no Japanese glyphs; " + kInstallHint + ".");
    }
    return std::unique_ptr<Font>(std::make_unique<TtfFont>(font, request.file_path, height_px));
  }

  for (const FoundFace& face : FindGameFaces()) {
    TTF_Font* font = OpenFace(face.path, face.index, height_px);
    if (!font) continue;
    if (CoversJapanese(font))
      return std::unique_ptr<Font>(std::make_unique<TtfFont>(font, face.path, height_px));
    TTF_CloseFont(font);
  }
  return Status(
      StatusCode::kMissing,
      std::string("No Japanese font was found for the message text; ") + kInstallHint + ".");
}

}  // namespace zepa::platform
