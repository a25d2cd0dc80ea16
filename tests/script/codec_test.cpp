#include "script/codec.h"

#include <gtest/gtest.h>

#include <random>

namespace zepa::script {
namespace {

TEST(Codec, EncodesPairsAndRepeatedBytes) {
  EXPECT_EQ(EncodeText("abc"), "gegfgg");
  EXPECT_EQ(EncodeText("aaa"), "GEge");    // a run of three: upper pair then lower
  EXPECT_EQ(EncodeText("aaaa"), "GEGE");   // a run of four: two upper pairs
  EXPECT_EQ(EncodeText(std::string("ab\0cd", 5)), "gegf");  // stops at NUL
  EXPECT_EQ(EncodeText("\xff\n"), "psan");
}

TEST(Codec, DecodesMixedCaseAndAnyLetters) {
  EXPECT_EQ(DecodeText("GE"), "aa");
  EXPECT_EQ(DecodeText("ge"), "a");
  EXPECT_EQ(DecodeText("GEgegf"), "aaab");
  // No letter is rejected: "zz" decodes by the arithmetic modulo 256.
  EXPECT_EQ(DecodeText("zz"), std::string(1, static_cast<char>(((122 - 97) * 16 + (122 - 100)) & 0xff)));
  // An odd letter count stops at the end without reading past it.
  EXPECT_EQ(DecodeText("geg"), "a");
}

TEST(Codec, RoundTripsAnyTextWithoutNul) {
  std::mt19937 rng(42);
  for (int n = 0; n < 200; ++n) {
    std::string s;
    const int len = static_cast<int>(rng() % 64);
    for (int i = 0; i < len; ++i) {
      // Plenty of repeats so the upper-case pairs are exercised.
      s.push_back(static_cast<char>(rng() % 4 == 0 && !s.empty() ? s.back() : 1 + rng() % 255));
    }
    EXPECT_EQ(DecodeText(EncodeText(s)), s);
  }
}

TEST(Codec, DecodePairAdvancesOnePairAtATime) {
  const std::string letters = "GEgf";
  size_t pos = 0;
  std::string out;
  ASSERT_TRUE(DecodePair(letters, &pos, &out));
  EXPECT_EQ(out, "aa");
  EXPECT_EQ(pos, 2u);
  ASSERT_TRUE(DecodePair(letters, &pos, &out));
  EXPECT_EQ(out, "aab");
  EXPECT_FALSE(DecodePair(letters, &pos, &out));
}

}  // namespace
}  // namespace zepa::script
