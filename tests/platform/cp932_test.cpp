#include "platform/cp932.h"

#include <gtest/gtest.h>

#include <string>

namespace zepa::platform {
namespace {

constexpr char32_t kBad = kReplacementChar;

TEST(Cp932, RoundTripsKanaKanjiAndAscii) {
  struct Case {
    const char* utf8;
    const char* cp932;
  };
  const Case cases[] = {
      {"ABC xyz 019 !~", "ABC xyz 019 !~"},
      {"あいう", "\x82\xa0\x82\xa2\x82\xa4"},
      {"漢字", "\x8a\xbf\x8e\x9a"},
      {"アイウ", "\x83\x41\x83\x43\x83\x45"},
      {"ｱｲ", "\xb1\xb2"},  // half-width katakana are single bytes
      {"ＭＳ ゴシック", "\x82\x6c\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4e"},
      // Code page 932's own mappings, not plain Shift-JIS: full-width tilde
      // and minus, and an NEC extension.
      {"～－①", "\x81\x60\x81\x7c\x87\x40"},
      {"シナリオの読み込みに失敗しました。",
       "\x83\x56\x83\x69\x83\x8a\x83\x49\x82\xcc\x93\xc7\x82\xdd\x8d\x9e\x82\xdd\x82\xc9"
       "\x8e\xb8\x94\x73\x82\xb5\x82\xdc\x82\xb5\x82\xbd\x81\x42"},
      {"", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.utf8);
    EXPECT_EQ(Utf8ToCp932(c.utf8), c.cp932);
    EXPECT_EQ(Cp932ToUtf8(c.cp932), c.utf8);
  }
  EXPECT_EQ(Cp932ToUtf32("a\x82\xa0\x8a\xbf"), (std::u32string{U'a', 0x3042, 0x6F22}));
  EXPECT_EQ(Cp932CharToUtf32("\x82\xa0"), 0x3042u);
  EXPECT_EQ(Cp932CharToUtf32("A"), U'A');
  EXPECT_EQ(Cp932CharToUtf32("\xb1"), 0xFF71u);
}

TEST(Cp932, BadBytesBecomeReplacementsAndConversionGoesOn) {
  // A well-formed but unassigned pair is one bad character.
  EXPECT_EQ(Cp932ToUtf32("a\x85\x40z"), (std::u32string{U'a', kBad, U'z'}));
  // A lead byte at the very end.
  EXPECT_EQ(Cp932ToUtf32("ab\x82"), (std::u32string{U'a', U'b', kBad}));
  // A lead byte before a byte that cannot follow it costs only itself.
  EXPECT_EQ(Cp932ToUtf32("\x82\nx"), (std::u32string{kBad, U'\n', U'x'}));
  EXPECT_EQ(Cp932ToUtf32("\x82 \x82\xa0"), (std::u32string{kBad, U' ', 0x3042}));
  // Bytes that are never part of a character.
  EXPECT_EQ(Cp932ToUtf32("\xff"
                         "a\xfd"),
            (std::u32string{kBad, U'a', kBad}));
  EXPECT_EQ(Cp932ToUtf8("\x85\x40\x82\xa0"),
            "\xef\xbf\xbd"
            "あ");

  // Many bad bytes in a row: one replacement each, nothing lost after them.
  const std::string garbage = std::string(3000, '\xff') + "\x82\xa2";
  const std::u32string converted = Cp932ToUtf32(garbage);
  ASSERT_EQ(converted.size(), 3001u);
  EXPECT_EQ(converted.front(), kBad);
  EXPECT_EQ(converted.back(), 0x3044u);

  // One character at a time: anything but exactly one character is bad.
  EXPECT_EQ(Cp932CharToUtf32(""), kBad);
  EXPECT_EQ(Cp932CharToUtf32("\x82"), kBad);
  EXPECT_EQ(Cp932CharToUtf32("\x85\x40"), kBad);
  EXPECT_EQ(Cp932CharToUtf32("ab"), kBad);
  EXPECT_EQ(Cp932CharToUtf32("\x82\xa0x"), kBad);
}

TEST(Cp932, Utf8ThatCp932CannotHoldBecomesQuestionMarks) {
  EXPECT_EQ(Utf8ToCp932("a\xff"
                        "b"),
            "a?b");
  EXPECT_EQ(Utf8ToCp932("\xc0\xaf"), "??");  // overlong
  EXPECT_EQ(Utf8ToCp932("\xed\xa0\x80"
                        "x"),
            "???x");                                     // encoded surrogate
  EXPECT_EQ(Utf8ToCp932("\xe3\x81"), "??");              // cut short
  EXPECT_EQ(Utf8ToCp932("😀あ"), "?\x82\xa0");            // not in the code page
  EXPECT_EQ(Utf8ToCp932("x\xf4\x90\x80\x80"), "x????");  // above U+10FFFF
}

TEST(AppendUtf8, EncodesScalarValuesAndReplacesTheRest) {
  std::string out;
  for (char32_t cp : {char32_t{0x41}, char32_t{0xE9}, char32_t{0x3042}, char32_t{0x1F600}})
    AppendUtf8(cp, &out);
  EXPECT_EQ(out, "A\xc3\xa9\xe3\x81\x82\xf0\x9f\x98\x80");
  out.clear();
  AppendUtf8(0xD800, &out);
  AppendUtf8(0x110000, &out);
  EXPECT_EQ(out, "\xef\xbf\xbd\xef\xbf\xbd");
}

}  // namespace
}  // namespace zepa::platform
