// The conversions of platform/cp932.h on Windows, through the system's own
// code page 932, which is there whatever the system's language.
#include <windows.h>

#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/cp932.h"

namespace zepa::platform {
namespace {

constexpr char32_t kInvalid = 0xffffffff;

bool IsCp932Lead(uint8_t b) { return (b >= 0x81 && b <= 0x9f) || (b >= 0xe0 && b <= 0xfc); }
bool IsCp932Trail(uint8_t b) { return b >= 0x40 && b <= 0xfc && b != 0x7f; }

// The whole code page, decoded once: text is converted glyph by glyph while
// a page is revealed, and one system call per glyph would show.
struct DecodeTable {
  char32_t single[256];
  std::vector<char32_t> pairs = std::vector<char32_t>(256 * 256, kInvalid);

  DecodeTable() {
    for (int b = 0; b < 256; ++b) {
      single[b] = kInvalid;
      if (IsCp932Lead(static_cast<uint8_t>(b))) continue;
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

// Strict UTF-8 decoding, as on POSIX: an invalid byte gives kInvalid and
// advances by one.
char32_t DecodeUtf8(std::string_view s, size_t* pos) {
  const uint8_t b0 = static_cast<uint8_t>(s[*pos]);
  int length = 0;
  char32_t cp = 0, min = 0;
  if (b0 < 0x80) {
    ++*pos;
    return b0;
  } else if ((b0 & 0xe0) == 0xc0) {
    length = 2, cp = b0 & 0x1f, min = 0x80;
  } else if ((b0 & 0xf0) == 0xe0) {
    length = 3, cp = b0 & 0x0f, min = 0x800;
  } else if ((b0 & 0xf8) == 0xf0) {
    length = 4, cp = b0 & 0x07, min = 0x10000;
  } else {
    ++*pos;
    return kInvalid;
  }
  if (*pos + length > s.size()) {
    ++*pos;
    return kInvalid;
  }
  for (int i = 1; i < length; ++i) {
    const uint8_t b = static_cast<uint8_t>(s[*pos + i]);
    if ((b & 0xc0) != 0x80) {
      ++*pos;
      return kInvalid;
    }
    cp = (cp << 6) | (b & 0x3f);
  }
  if (cp < min || cp > 0x10ffff || (cp >= 0xd800 && cp <= 0xdfff)) {
    ++*pos;
    return kInvalid;
  }
  *pos += length;
  return cp;
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
      text.push_back(cp == kInvalid ? kReplacementChar : cp);
      ++i;
      continue;
    }
    if (i + 1 == cp932.size()) {  // a lead byte at the very end
      text.push_back(kReplacementChar);
      break;
    }
    const uint8_t trail = static_cast<uint8_t>(cp932[i + 1]);
    const char32_t cp = table.pairs[b * 256 + trail];
    if (cp != kInvalid) {
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

char32_t Cp932CharToUtf32(std::string_view one_char) {
  if (one_char.empty() || one_char.size() > 2) return kReplacementChar;
  const std::u32string text = Cp932ToUtf32(one_char);
  return text.size() == 1 ? text[0] : kReplacementChar;
}

void AppendUtf8(char32_t cp, std::string* out) {
  if (cp > 0x10ffff || (cp >= 0xd800 && cp <= 0xdfff)) cp = kReplacementChar;
  if (cp < 0x80) {
    out->push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out->push_back(static_cast<char>(0xc0 | (cp >> 6)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3f)));
  } else if (cp < 0x10000) {
    out->push_back(static_cast<char>(0xe0 | (cp >> 12)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3f)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3f)));
  } else {
    out->push_back(static_cast<char>(0xf0 | (cp >> 18)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3f)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3f)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3f)));
  }
}

std::string Cp932ToUtf8(std::string_view cp932) {
  std::string out;
  out.reserve(cp932.size() * 3 / 2);
  for (char32_t cp : Cp932ToUtf32(cp932)) AppendUtf8(cp, &out);
  return out;
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
    if (cp == kInvalid || cp > 0xffff) {
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
    if (n <= 0 || used_default) {
      out.push_back('?');
    } else {
      out.append(bytes, static_cast<size_t>(n));
    }
  }
  return out;
}

}  // namespace zepa::platform
