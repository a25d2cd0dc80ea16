// The code page conversion against the C library's converter run over the
// whole text at once: every one- and two-byte text, and random runs mixing
// characters and bad bytes, decode to the same code points.
#include <gtest/gtest.h>
#include <iconv.h>

#include <cerrno>
#include <random>
#include <string>
#include <vector>

#include "platform/cp932.h"

namespace zepa::platform {
namespace {

bool IsLead(uint8_t b) { return (b >= 0x81 && b <= 0x9f) || (b >= 0xe0 && b <= 0xfc); }
bool IsTrail(uint8_t b) { return b >= 0x40 && b <= 0xfc && b != 0x7f; }

// The whole text through one converter call, restarted after each bad
// character: a bad pair is one replacement, a bad lone byte is one.
std::u32string ThroughConverter(iconv_t cd, const std::string& text) {
  std::u32string out;
  std::vector<char> chunk(text.size() * 4 + 16);
  char* in = const_cast<char*>(text.data());
  size_t in_left = text.size();
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  while (in_left > 0) {
    char* dst = chunk.data();
    size_t dst_left = chunk.size();
    const size_t result = iconv(cd, &in, &in_left, &dst, &dst_left);
    const int error = errno;
    for (char* p = chunk.data(); p + 3 < dst; p += 4) {
      char32_t cp = 0;
      for (int k = 0; k < 4; ++k) cp |= static_cast<char32_t>(static_cast<uint8_t>(p[k])) << (8 * k);
      out.push_back(cp);
    }
    if (result != static_cast<size_t>(-1)) break;
    if (error == EINVAL) {
      out.push_back(kReplacementChar);
      break;
    }
    const size_t skip =
        in_left >= 2 && IsLead(static_cast<uint8_t>(in[0])) && IsTrail(static_cast<uint8_t>(in[1]))
            ? 2
            : 1;
    out.push_back(kReplacementChar);
    in += skip;
    in_left -= skip;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  return out;
}

TEST(Cp932Converter, EveryShortTextAndRandomRunsDecodeAsTheConverterDoes) {
  iconv_t cd = iconv_open("UTF-32LE", "CP932");
  if (cd == reinterpret_cast<iconv_t>(-1)) GTEST_SKIP() << "the C library has no CP932";
  int differences = 0;
  auto compare = [&](const std::string& text) {
    if (Cp932ToUtf32(text) == ThroughConverter(cd, text)) return;
    if (++differences <= 5) {
      std::string hex;
      for (char c : text) hex += std::to_string(static_cast<uint8_t>(c)) + " ";
      ADD_FAILURE() << "differs from the converter for bytes " << hex;
    }
  };
  for (int a = 0; a < 256; ++a) {
    compare(std::string(1, static_cast<char>(a)));
    for (int b = 0; b < 256; ++b) compare({static_cast<char>(a), static_cast<char>(b)});
  }
  // Lead bytes, second bytes and ASCII, most often, so that pairs, cut
  // pairs and bad bytes meet in every order.
  std::mt19937 random(932);
  const uint8_t kinds[] = {0x82, 0x88, 0xe0, 0xfc, 0xa0, 0x40, 0x7f, 0xfd, 0x20, 0x0a};
  for (int n = 0; n < 20000; ++n) {
    std::string text(1 + random() % 12, ' ');
    for (char& c : text)
      c = static_cast<char>(random() % 3 ? kinds[random() % std::size(kinds)] : random() % 256);
    compare(text);
  }
  EXPECT_EQ(differences, 0);
  iconv_close(cd);
}

}  // namespace
}  // namespace zepa::platform
