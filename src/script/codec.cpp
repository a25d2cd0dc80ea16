#include "script/codec.h"

#include <cstdint>
#include <cstdio>

namespace zepa::script {

std::string EncodeText(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (size_t i = 0; i < bytes.size() && bytes[i] != '\0';) {
    const auto b = static_cast<uint8_t>(bytes[i]);
    const char h = static_cast<char>(b >> 4);
    const char l = static_cast<char>(b & 15);
    if (i + 1 < bytes.size() && bytes[i + 1] == bytes[i]) {
      out.push_back(static_cast<char>('A' + h));
      out.push_back(static_cast<char>('D' + l));
      i += 2;
    } else {
      out.push_back(static_cast<char>('a' + h));
      out.push_back(static_cast<char>('d' + l));
      i += 1;
    }
  }
  return out;
}

static char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

bool DecodePair(std::string_view letters, size_t* pos, std::string* out) {
  const size_t p = *pos;
  if (p + 1 >= letters.size() || letters[p] == '\0' || letters[p + 1] == '\0') return false;
  const char l1 = letters[p];
  const char l2 = letters[p + 1];
  // Any byte decodes by this arithmetic; nothing is rejected.
  const int value = (static_cast<signed char>(Lower(l1)) - 97) * 16 + (static_cast<signed char>(Lower(l2)) - 100);
  const char byte = static_cast<char>(static_cast<uint8_t>(value & 0xff));
  out->push_back(byte);
  if (static_cast<signed char>(l1) < 97) out->push_back(byte);
  *pos = p + 2;
  return true;
}

std::string DecodeText(std::string_view letters) {
  std::string out;
  out.reserve(letters.size() / 2 + 1);
  size_t pos = 0;
  while (DecodePair(letters, &pos, &out)) {
  }
  return out;
}

std::optional<LetterFault> FindLetterFault(std::string_view letters) {
  auto in = [](char c, char lo, char hi) { return Lower(c) >= lo && Lower(c) <= hi; };
  size_t first = 0;
  bool half = false;  // one letter of a pair has been read
  for (size_t i = 0; i < letters.size(); ++i) {
    const char c = letters[i];
    if (c == '\r' || c == '\n') continue;
    const bool ok = half ? in(c, 'd', 's') : in(c, 'a', 'p');
    if (!ok) {
      const auto b = static_cast<uint8_t>(c);
      std::string shown = b >= 0x21 && b < 0x7f ? std::string(1, c) : "";
      char hex[8];
      std::snprintf(hex, sizeof hex, "0x%02x", b);
      return LetterFault{i, std::string(half ? "second" : "first") + " letter of a pair is " +
                                (shown.empty() ? hex : "\"" + shown + "\"") + ", not " +
                                (half ? "d-s" : "a-p")};
    }
    if (!half) first = i;
    half = !half;
  }
  if (half) return LetterFault{first, "the letter text ends in the middle of a pair"};
  return std::nullopt;
}

}  // namespace zepa::script
