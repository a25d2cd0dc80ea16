// libFuzzer target for the letter codec of scenario and save files.
// Run by bench/fuzz.sh codec.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "script/codec.h"

namespace {

bool IsLetterPair(char first, char second) {
  const bool lower = first >= 'a' && first <= 'p' && second >= 'd' && second <= 's';
  const bool upper = first >= 'A' && first <= 'P' && second >= 'D' && second <= 'S';
  return lower || upper;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace zepa::script;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::string_view bytes = input.substr(0, input.find('\0'));

  // Encoding: only well-formed pairs, at most two letters a byte, and
  // decoding gives the bytes back up to the first NUL.
  const std::string letters = EncodeText(input);
  if (letters.size() > 2 * bytes.size() || letters.size() % 2 != 0) std::abort();
  for (size_t i = 0; i < letters.size(); i += 2)
    if (!IsLetterPair(letters[i], letters[i + 1])) std::abort();
  if (DecodeText(letters) != bytes) std::abort();

  // Decoding arbitrary letters: never more bytes than letters, and pair by
  // pair gives the same as the whole text.
  const std::string decoded = DecodeText(input);
  if (decoded.size() > input.size()) std::abort();
  std::string pairwise;
  size_t pos = 0;
  while (DecodePair(input, &pos, &pairwise)) {
    if (pos > input.size()) std::abort();
  }
  if (pairwise != decoded) std::abort();

  // Encoding what was decoded and decoding again is stable as long as the
  // decoded bytes hold no NUL (the encoder stops there).
  if (decoded.find('\0') == std::string::npos && DecodeText(EncodeText(decoded)) != decoded)
    std::abort();
  return 0;
}
