#include "check/check_text.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "platform/ascii.h"
#include "platform/cp932.h"
#include "script/sjis.h"

namespace zepa::engine::check_detail {

std::string Lower(std::string_view s) { return platform::AsciiLowerCopy(s); }

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool IsTrailByte(uint8_t b) { return (b >= 0x40 && b <= 0x7e) || (b >= 0x80 && b <= 0xfc); }

// Lead bytes of the pairs the message window draws: the game's own lead bytes
// and the IBM extension rows the text layout also takes as pairs.
bool IsPairLead(uint8_t b) { return script::IsLeadByte(b) || (b >= 0xfa && b <= 0xfc); }

// What is left of a name for a near-match comparison: ASCII case and the
// separators that archives and copies tend to change are dropped.
std::string NearKey(std::string_view s) {
  std::string out;
  for (char c : s) {
    if (c == ' ' || c == '_' || c == '-' || c == '.' || c == '\\' || c == '/') continue;
    out.push_back(platform::AsciiLower(c));
  }
  return out;
}

// A Shift-JIS name as an archiver that took each byte for Latin-1 would have
// written it to disk.
std::string Latin1Mangled(std::string_view cp932) {
  std::string out;
  for (char c : cp932) platform::AppendUtf8(static_cast<uint8_t>(c), &out);
  return out;
}

bool IsUtf8(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    const auto b = static_cast<uint8_t>(s[i]);
    const size_t len = b < 0x80         ? 1
                       : (b >> 5) == 6  ? 2
                       : (b >> 4) == 14 ? 3
                       : (b >> 3) == 30 ? 4
                                        : 0;
    if (len == 0 || i + len > s.size()) return false;
    for (size_t k = 1; k < len; ++k)
      if ((static_cast<uint8_t>(s[i + k]) & 0xc0) != 0x80) return false;
    i += len;
  }
  return true;
}

// Paths mix names found on disk (mostly UTF-8) with the script's own
// Shift-JIS spelling where nothing matched; the report is UTF-8.
std::string Printable(std::string_view s) {
  return IsUtf8(s) ? std::string(s) : platform::Cp932ToUtf8(s);
}

std::string Quoted(std::string_view utf8) { return "\"" + std::string(utf8) + "\""; }

std::string Hex2(uint8_t b) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "0x%02X", b);
  return buf;
}

std::string CodePoint(char32_t cp) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(cp));
  return buf;
}

size_t EditDistance(std::string_view a, std::string_view b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diag = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t up = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diag + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diag = up;
    }
  }
  return row[b.size()];
}

}  // namespace zepa::engine::check_detail
