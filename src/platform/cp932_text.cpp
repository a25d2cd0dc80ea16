// The parts of platform/cp932.h that need no converter: UTF-8 in and out,
// and the conversions built on the system's Cp932ToUtf32.
#include "platform/cp932.h"
#include "platform/cp932_bytes.h"

namespace zepa::platform {

char32_t DecodeUtf8(std::string_view s, size_t* pos) {
  uint8_t b0 = static_cast<uint8_t>(s[*pos]);
  int length = 0;
  char32_t cp = 0;
  char32_t min = 0;
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
    return kInvalidUtf8;
  }
  if (*pos + length > s.size()) {
    ++*pos;
    return kInvalidUtf8;
  }
  for (int i = 1; i < length; ++i) {
    uint8_t b = static_cast<uint8_t>(s[*pos + i]);
    if ((b & 0xc0) != 0x80) {
      ++*pos;
      return kInvalidUtf8;
    }
    cp = (cp << 6) | (b & 0x3f);
  }
  if (cp < min || cp > 0x10ffff || (cp >= 0xd800 && cp <= 0xdfff)) {
    ++*pos;
    return kInvalidUtf8;
  }
  *pos += length;
  return cp;
}

char32_t Cp932CharToUtf32(std::string_view one_char) {
  if (one_char.empty() || one_char.size() > 2) return kReplacementChar;
  std::u32string text = Cp932ToUtf32(one_char);
  if (text.size() != 1) return kReplacementChar;
  return text[0];
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

}  // namespace zepa::platform
