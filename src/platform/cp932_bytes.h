#pragma once
// The byte-level pieces that every system's code page 932 converter shares:
// the code page's lead and second-byte ranges and a strict UTF-8 reader.
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace zepa::platform {

/// Lead and second-byte ranges of the code page itself (wider than the
/// engine's own lead-byte test): an unassigned but well-formed pair is one
/// bad character, a lead byte before a non-second byte is only one bad byte.
inline bool IsCp932Lead(uint8_t b) { return (b >= 0x81 && b <= 0x9f) || (b >= 0xe0 && b <= 0xfc); }
inline bool IsCp932Trail(uint8_t b) { return b >= 0x40 && b <= 0xfc && b != 0x7f; }

/// What DecodeUtf8 gives for a byte that does not begin a valid character.
constexpr char32_t kInvalidUtf8 = 0xffffffff;

/// Strict UTF-8 decoding: overlong forms, surrogates and values above
/// U+10FFFF are invalid. Returns the code point at `*pos` and advances past
/// it; an invalid byte gives kInvalidUtf8 and advances by one.
char32_t DecodeUtf8(std::string_view s, size_t* pos);

}  // namespace zepa::platform
