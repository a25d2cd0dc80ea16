#pragma once
#include <cstdint>

namespace zepa::script {

// Bytes that start a double-byte Shift-JIS character. 0xF0-0xFC are
// deliberately not lead bytes: the games' own scans never treated them so.
constexpr bool IsLeadByte(uint8_t b) { return (b >= 0x81 && b <= 0x9f) || (b >= 0xe0 && b <= 0xef); }
constexpr bool IsLeadByte(char c) { return IsLeadByte(static_cast<uint8_t>(c)); }

}  // namespace zepa::script
