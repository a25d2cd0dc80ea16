// The conversions of platform/cp932.h on Windows, through the system's own
// code page 932, which is there whatever the system's language.
#include <windows.h>

#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/cp932.h"
#include "platform/cp932_bytes.h"

namespace zepa::platform {
namespace {

// What the table holds for bytes the code page does not map.
constexpr char32_t kUnmapped = 0xffffffff;

// The system's table gives 0x80 a character of its own (U+0080) and may do
// the same for 0xA0 and 0xFD to 0xFF; no Shift-JIS text holds them and the
// other systems' converter refuses them, so here they are no character.
bool IsCharacterByte(int b) { return b != 0x80 && b != 0xa0 && b < 0xfd; }

// The whole code page, decoded once: text is converted glyph by glyph while
// a page is revealed, and one system call per glyph would show.
struct DecodeTable {
  char32_t single[256];
  std::vector<char32_t> pairs = std::vector<char32_t>(256 * 256, kUnmapped);

  DecodeTable() {
    for (int b = 0; b < 256; ++b) {
      single[b] = kUnmapped;
      if (IsCp932Lead(static_cast<uint8_t>(b)) || !IsCharacterByte(b)) continue;
      const char c = static_cast<char>(b);
      wchar_t w[2];
      if (MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, &c, 1, w, 2) == 1) single[b] = w[0];
    }
    for (int lead = 0x81; lead <= 0xfc; ++lead) {
      if (!IsCp932Lead(static_cast<uint8_t>(lead))) continue;
      for (int trail = 0x40; trail <= 0xfc; ++trail) {
        const char two[2] = {static_cast<char>(lead), static_cast<char>(trail)};
        wchar_t w[2];
        // The system answers an unassigned pair with its default character
        // unless asked to fail; a real U+30FB stays.
        if (MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, two, 2, w, 2) == 1)
          pairs[lead * 256 + trail] = w[0];
      }
    }
  }
};

const DecodeTable& Table() {
  static const DecodeTable table;
  return table;
}

}  // namespace

std::u32string Cp932ToUtf32(std::string_view cp932) {
  const DecodeTable& table = Table();
  std::u32string text;
  text.reserve(cp932.size());
  for (size_t i = 0; i < cp932.size();) {
    const uint8_t b = static_cast<uint8_t>(cp932[i]);
    if (!IsCp932Lead(b)) {
      const char32_t cp = table.single[b];
      text.push_back(cp == kUnmapped ? kReplacementChar : cp);
      ++i;
      continue;
    }
    if (i + 1 == cp932.size()) {  // a lead byte at the very end
      text.push_back(kReplacementChar);
      break;
    }
    const uint8_t trail = static_cast<uint8_t>(cp932[i + 1]);
    const char32_t cp = table.pairs[b * 256 + trail];
    if (cp != kUnmapped) {
      text.push_back(cp);
      i += 2;
    } else {
      // An unassigned pair is one bad character; a lead byte before a byte
      // that cannot follow it is one bad byte.
      text.push_back(kReplacementChar);
      i += IsCp932Trail(trail) ? 2 : 1;
    }
  }
  return text;
}

std::string Utf8ToCp932(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (size_t pos = 0; pos < utf8.size();) {
    const char32_t cp = DecodeUtf8(utf8, &pos);
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
      continue;
    }
    if (cp == kInvalidUtf8 || cp > 0xffff) {
      out.push_back('?');
      continue;
    }
    const wchar_t w = static_cast<wchar_t>(cp);
    char bytes[2];
    BOOL used_default = FALSE;
    // No "best fit": a character the code page lacks is a '?', never a
    // look-alike, as the other systems' converter gives.
    const int n =
        WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, &w, 1, bytes, 2, nullptr, &used_default);
    if (n <= 0 || used_default || (n == 1 && !IsCharacterByte(static_cast<uint8_t>(bytes[0])))) {
      out.push_back('?');
    } else {
      out.append(bytes, static_cast<size_t>(n));
    }
  }
  return out;
}

}  // namespace zepa::platform
