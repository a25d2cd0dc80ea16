#pragma once
// Text helpers of the game check: names compared the way archives mangle
// them, and what the report prints of Shift-JIS and UTF-8 text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zepa::engine::check_detail {

std::string Lower(std::string_view s);
bool IsBlank(char c);
std::string_view TrimBlanks(std::string_view s);
bool IsTrailByte(uint8_t b);
// Lead bytes of the pairs the message window draws: the game's own lead bytes
// and the IBM extension rows the text layout also takes as pairs.
bool IsPairLead(uint8_t b);
// What is left of a name for a near-match comparison: ASCII case and the
// separators that archives and copies tend to change are dropped.
std::string NearKey(std::string_view s);
// A Shift-JIS name as an archiver that took each byte for Latin-1 would have
// written it to disk.
std::string Latin1Mangled(std::string_view cp932);
bool IsUtf8(std::string_view s);
// Paths mix names found on disk (mostly UTF-8) with the script's own
// Shift-JIS spelling where nothing matched; the report is UTF-8.
std::string Printable(std::string_view s);
std::string Quoted(std::string_view utf8);
std::string Hex2(uint8_t b);
std::string CodePoint(char32_t cp);
size_t EditDistance(std::string_view a, std::string_view b);

struct KnownKey {
  std::string_view section;
  std::string_view key;
  bool is_int;
};

// Every key the engine reads, the title window's included.
inline constexpr KnownKey kKnownKeys[] = {
    {"SYSTEM", "DEBUG", true},       {"SYSTEM", "DEBUG_X", true},
    {"SYSTEM", "DEBUG_Y", true},     {"BGM", "CDDRIVE", false},
    {"END", "BGM", false},           {"END", "PIC", false},
    {"SCREEN", "FULL", true},        {"POS", "TOP", true},
    {"POS", "LEFT", true},           {"POS", "MESSAGELINE", true},
    {"POS", "MESSAGEMOJISUU", true}, {"POS", "MESSAGEWIDTH", true},
    {"POS", "MESSAGEX", true},       {"POS", "MESSAGEY", true},
    {"POS", "MESSAGEPX", true},      {"POS", "MESSAGEPY", true},
    {"MESSAGE", "SELECT_X", true},   {"MESSAGE", "INTERVAL", true},
    {"FILE", "DATA", false},         {"TEXT", "TELOWAIT", true},
    {"MAIN", "SCENARIOSET", true},   {"MAIN", "SCENARIO", false},
    {"TITLE", "TIME", true},         {"TITLE", "FADE", true},
    {"ZEPA", "FONT", false},
};

}  // namespace zepa::engine::check_detail
