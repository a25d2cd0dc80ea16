#include "platform/toolkit/font_lookup.h"

#include <fontconfig/fontconfig.h>

namespace zepa::platform {
namespace {

// Two glyphs any face able to show the games' text must have.
constexpr FcChar32 kProbeKana = 0x3042;   // HIRAGANA LETTER A
constexpr FcChar32 kProbeKanji = 0x6F22;  // the kanji "kan"

}  // namespace

std::vector<FoundFace> FindJapaneseFaces(std::span<const char* const> families, size_t max_faces) {
  std::vector<FoundFace> faces;
  if (!FcInit()) return faces;
  FcPattern* pattern = FcPatternCreate();
  if (!pattern) return faces;
  for (const char* family : families)
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
  // "lang=ja" keeps fontconfig from answering an unknown family with a Latin
  // face whose Japanese glyphs are empty boxes.
  FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>("ja"));
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcFontSet* set = FcFontSort(nullptr, pattern, FcFalse, nullptr, &result);
  if (set) {
    for (int i = 0; i < set->nfont && faces.size() < max_faces; ++i) {
      FcPattern* font = set->fonts[i];
      FcChar8* file = nullptr;
      if (FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch || !file) continue;
      FcBool scalable = FcFalse;
      if (FcPatternGetBool(font, FC_SCALABLE, 0, &scalable) == FcResultMatch && !scalable) continue;
      FcCharSet* charset = nullptr;
      if (FcPatternGetCharSet(font, FC_CHARSET, 0, &charset) != FcResultMatch || !charset) continue;
      if (!FcCharSetHasChar(charset, kProbeKana) || !FcCharSetHasChar(charset, kProbeKanji))
        continue;
      FoundFace face;
      face.path = reinterpret_cast<const char*>(file);
      int index = 0;
      FcPatternGetInteger(font, FC_INDEX, 0, &index);
      face.index = index;
      FcChar8* family = nullptr;
      for (int n = 0; FcPatternGetString(font, FC_FAMILY, n, &family) == FcResultMatch; ++n)
        face.families.emplace_back(reinterpret_cast<const char*>(family));
      faces.push_back(std::move(face));
    }
    FcFontSetDestroy(set);
  }
  FcPatternDestroy(pattern);
  return faces;
}

}  // namespace zepa::platform
