#pragma once
// The letter encoding of scenario and save files: each byte as two letters,
// a repeated byte as one upper-case pair.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace zepa::script {

/// Encodes bytes up to the first NUL; the result is twice the input at most.
std::string EncodeText(std::string_view bytes);

/// Decodes a whole letter text (stops at NUL or the end). A lone last letter
/// is dropped: the decoder never reads past the text.
std::string DecodeText(std::string_view letters);

/// Decodes the one pair at `*pos` and appends its byte (once or twice) to
/// `out`; advances `*pos` past the pair. Returns false when fewer than two
/// letters remain.
bool DecodePair(std::string_view letters, size_t* pos, std::string* out);

/// Where a letter text stops being one the encoder could have written: a
/// letter outside "a"-"p" / "d"-"s" (either case) or a lone last letter.
/// Line breaks are skipped, as the readers skip them.
struct LetterFault {
  size_t offset = 0;  // of the offending letter in `letters`
  std::string message;
};
std::optional<LetterFault> FindLetterFault(std::string_view letters);

}  // namespace zepa::script
