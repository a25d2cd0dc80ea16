#include "script/source_text.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "platform/cp932.h"
#include "script/codec.h"
#include "script/scenario.h"

namespace zepa::script {
namespace {

std::string CodePoint(char32_t cp) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(cp));
  return buf;
}

std::string Hex(uint8_t b) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "0x%02X", b);
  return buf;
}

// Length of the well-formed UTF-8 sequence at `pos` and its code point, or
// 0 when the bytes there are not UTF-8 (overlong forms and surrogates
// included).
size_t Utf8Length(std::string_view s, size_t pos, char32_t* cp) {
  const auto b0 = static_cast<uint8_t>(s[pos]);
  size_t length = 0;
  char32_t min = 0;
  if (b0 < 0x80) {
    *cp = b0;
    return 1;
  } else if ((b0 & 0xe0) == 0xc0) {
    length = 2, *cp = b0 & 0x1f, min = 0x80;
  } else if ((b0 & 0xf0) == 0xe0) {
    length = 3, *cp = b0 & 0x0f, min = 0x800;
  } else if ((b0 & 0xf8) == 0xf0) {
    length = 4, *cp = b0 & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (pos + length > s.size()) return 0;
  for (size_t i = 1; i < length; ++i) {
    const auto b = static_cast<uint8_t>(s[pos + i]);
    if ((b & 0xc0) != 0x80) return 0;
    *cp = (*cp << 6) | (b & 0x3f);
  }
  if (*cp < min || *cp > 0x10ffff || (*cp >= 0xd800 && *cp <= 0xdfff)) return 0;
  return length;
}

SourceConversion Fault(size_t line, size_t column, std::string message) {
  return {std::string(), SourceFault{line, column, std::move(message)}};
}

}  // namespace

SourceConversion Utf8ToGameSource(std::string_view utf8) {
  if (utf8.substr(0, 3) == "\xEF\xBB\xBF") utf8.remove_prefix(3);
  SourceConversion out;
  out.text.reserve(utf8.size() + utf8.size() / 16);
  size_t line = 1, column = 1;
  for (size_t pos = 0; pos < utf8.size();) {
    const char c = utf8[pos];
    if (c == '\r' || c == '\n') {
      pos += (c == '\r' && pos + 1 < utf8.size() && utf8[pos + 1] == '\n') ? 2 : 1;
      out.text += "\r\n";
      ++line;
      column = 1;
      continue;
    }
    char32_t cp = 0;
    const size_t length = Utf8Length(utf8, pos, &cp);
    if (length == 0)
      return Fault(line, column, "byte " + Hex(static_cast<uint8_t>(c)) + " is not UTF-8 text");
    // The game's reader stops a line at a NUL byte.
    if (cp == 0) return Fault(line, column, "a NUL character cannot stand in a scenario");
    const std::string_view one = utf8.substr(pos, length);
    if (cp < 0x80) {
      out.text += c;
    } else {
      // The converter writes '?' for what the code page lacks; a '?' here
      // cannot be the text's own, which is ASCII and handled above.
      const std::string sjis = platform::Utf8ToCp932(one);
      if (sjis.empty() || sjis.find('?') != std::string::npos)
        return Fault(line, column,
                     "\"" + std::string(one) + "\" (" + CodePoint(cp) + ") has no Shift-JIS form");
      out.text += sjis;
    }
    pos += length;
    ++column;
  }
  return out;
}

SourceConversion GameSourceToUtf8(std::string_view file_bytes) {
  std::string plain;
  if (!file_bytes.empty() && file_bytes[0] == 'X') {
    const std::string_view letters = file_bytes.substr(1);
    if (const auto fault = FindLetterFault(letters)) {
      const size_t line =
          1 +
          static_cast<size_t>(std::count(
              letters.begin(), letters.begin() + static_cast<std::ptrdiff_t>(fault->offset), '\n'));
      return Fault(line, 1, "the encoded scenario does not decode: " + fault->message);
    }
    plain = DecodeScenarioFile(file_bytes).text;
    file_bytes = plain;
  }
  SourceConversion out;
  out.text.reserve(file_bytes.size() * 3 / 2);
  size_t line = 1, column = 1;
  for (size_t pos = 0; pos < file_bytes.size();) {
    const char c = file_bytes[pos];
    const auto b = static_cast<uint8_t>(c);
    if (c == '\r' || c == '\n') {
      pos += (c == '\r' && pos + 1 < file_bytes.size() && file_bytes[pos + 1] == '\n') ? 2 : 1;
      out.text += '\n';
      ++line;
      column = 1;
      continue;
    }
    if (b == 0) return Fault(line, column, "a NUL byte: the game drops the rest of this line");
    size_t length = 1;
    if ((b >= 0x81 && b <= 0x9f) || (b >= 0xe0 && b <= 0xfc)) length = 2;
    if (pos + length > file_bytes.size()) length = 1;
    const std::string_view one = file_bytes.substr(pos, length);
    if (b < 0x80) {
      out.text += c;
    } else {
      const char32_t cp = platform::Cp932CharToUtf32(one);
      if (cp == platform::kReplacementChar)
        return Fault(line, column,
                     length == 2 ? "bytes " + Hex(b) + " " + Hex(static_cast<uint8_t>(one[1])) +
                                       " are not a Shift-JIS character"
                                 : "byte " + Hex(b) + " is not a Shift-JIS character");
      platform::AppendUtf8(cp, &out.text);
    }
    pos += length;
    ++column;
  }
  return out;
}

}  // namespace zepa::script
