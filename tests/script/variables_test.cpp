#include "script/variables.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "script/expression.h"

namespace zepa::script {
namespace {

int CountNames(const VariableTable& vars) {
  int n = 0;
  for (int i = 0; i < kVariableCount; ++i) n += vars.entry(i).name[0] != '\0';
  return n;
}

std::string Value(VariableTable& vars, std::string_view name) { return vars.VariableText(name); }

TEST(VariableTable, AddsInTheFirstFreeEntryAndMatchesWholeNames) {
  VariableTable vars;
  vars.Reset(1);
  EXPECT_EQ(vars.FindOrAddVariable("a"), 0);
  EXPECT_EQ(vars.FindOrAddVariable("b"), 1);
  EXPECT_EQ(vars.FindOrAddVariable("a"), 0);
  EXPECT_EQ(vars.FindOrAddVariable("A"), 2);   // case-sensitive
  EXPECT_EQ(vars.FindOrAddVariable("a "), 3);  // no trimming
  EXPECT_EQ(vars.FindOrAddVariable("ab"), 4);  // whole names, not prefixes

  // Adding writes only the name: a value left in a free entry stays.
  std::strcpy(vars.entry(5).value, "42");
  EXPECT_EQ(vars.FindOrAddVariable("c"), 5);
  EXPECT_EQ(vars.VariableNumber("c"), 42);

  // A NUL ends a name, as in the C buffers scenarios were written for.
  EXPECT_EQ(vars.FindOrAddVariable(std::string_view("b\0x", 3)), 1);
  // The empty name is held by every free entry, so it finds the first one
  // and adds nothing; in a full table it finds none.
  EXPECT_EQ(vars.FindOrAddVariable(""), 6);
  EXPECT_EQ(vars.FindOrAddVariable(std::string_view("\0b", 2)), 6);
  std::strcpy(vars.VariableText(""), "9");
  EXPECT_EQ(vars.VariableNumber(""), 9);
  EXPECT_EQ(vars.FindOrAddVariable("d"), 6);
  EXPECT_EQ(vars.VariableNumber("d"), 9);
  EXPECT_EQ(vars.FindOrAddVariable(""), 7);
  VariableTable full;
  for (int i = 0; i < kVariableCount; ++i) full.FindOrAddVariable("v" + std::to_string(i));
  EXPECT_EQ(full.FindOrAddVariable(""), -1);
  EXPECT_EQ(full.VariableText(""), nullptr);
  EXPECT_EQ(full.VariableNumber(""), 0);

  vars.Reset(7);
  EXPECT_EQ(CountNames(vars), 0);
  EXPECT_STREQ(vars.entry(5).value, "");
  EXPECT_EQ(vars.random_state(), 7u);
}

TEST(VariableTable, NumbersAreSignedDecimalText) {
  VariableTable vars;
  vars.Reset(1);
  vars.SetVariableNumber("n", INT32_MIN);
  EXPECT_EQ(Value(vars, "n"), "-2147483648");
  EXPECT_EQ(vars.VariableNumber("n"), INT32_MIN);

  std::strcpy(vars.VariableText("t"), "12abc");
  EXPECT_EQ(vars.VariableNumber("t"), 12);

  const int before = CountNames(vars);
  EXPECT_EQ(vars.VariableNumber("absent"), 0);
  EXPECT_EQ(CountNames(vars), before);  // reading never adds
}

TEST(VariableTable, LongNamesAndValuesAreCutToTheirFields) {
  VariableTable vars;
  vars.Reset(1);
  const std::string name63(63, 'n');
  vars.SetVariableNumber(name63, 5);
  EXPECT_EQ(std::string(vars.entry(0).name), name63);  // 63 bytes fit whole

  // A longer name is stored cut to 63 bytes and found again by the long form.
  const std::string name80 = std::string(63, 'm') + std::string(17, 'x');
  vars.SetVariableNumber(name80, 6);
  EXPECT_EQ(std::string(vars.entry(1).name), std::string(63, 'm'));
  EXPECT_EQ(vars.VariableNumber(name80), 6);

  // The cut never splits a double-byte character.
  const std::string kanji_tail = std::string(62, 'k') + "\x88\x9f";
  vars.SetVariableNumber(kanji_tail, 7);
  EXPECT_EQ(std::string(vars.entry(2).name), std::string(62, 'k'));

  vars.SetVariableText("v", std::string(300, 'z'));
  EXPECT_EQ(Value(vars, "v"), std::string(255, 'z'));
  vars.SetVariableText("w", std::string(254, 'z') + "\x82\xa0");
  EXPECT_EQ(Value(vars, "w"), std::string(254, 'z'));
  // A lone lead byte at the end is kept as it is.
  vars.SetVariableText("w", "ab\x82");
  EXPECT_EQ(Value(vars, "w"), "ab\x82");
}

TEST(VariableTable, FullAtFiveHundredTwelveNames) {
  VariableTable vars;
  vars.Reset(1);
  for (int i = 0; i < kVariableCount - 1; ++i) {
    ASSERT_EQ(vars.FindOrAddVariable("v" + std::to_string(i)), i);
  }
  EXPECT_EQ(vars.FindOrAddVariable("last"), kVariableCount - 1);  // the 512th is stored
  EXPECT_EQ(vars.FindOrAddVariable("over"), -1);                  // the 513th is not
  EXPECT_EQ(vars.VariableText("over"), nullptr);
  vars.SetVariableNumber("over", 3);
  EXPECT_EQ(vars.VariableNumber("over"), 0);
  EXPECT_EQ(CountNames(vars), kVariableCount);
}

TEST(VariableTable, SystemVariablesCountAmongTheNames) {
  VariableTable vars;
  vars.Reset(1);
  bool playing = true;
  uint32_t now = 0xFFFFFFFFu;
  vars.music_playing = [&] { return playing; };
  vars.tick_count = [&] { return now; };
  for (int i = 0; i < kVariableCount - 2; ++i) vars.FindOrAddVariable("v" + std::to_string(i));
  EXPECT_EQ(EvaluateExpression(vars, "1"), 1);  // refreshes: "MUSIC" then "TIME"
  EXPECT_STREQ(vars.entry(kVariableCount - 2).name, "MUSIC");
  EXPECT_STREQ(vars.entry(kVariableCount - 2).value, "1");
  EXPECT_STREQ(vars.entry(kVariableCount - 1).name, "TIME");
  EXPECT_STREQ(vars.entry(kVariableCount - 1).value, "-1");  // the tick count as signed decimal
  EXPECT_EQ(vars.FindOrAddVariable("new"), -1);

  playing = false;
  now = 1234;
  vars.RefreshSystemVariables();
  EXPECT_EQ(vars.VariableNumber("MUSIC"), 0);
  EXPECT_EQ(vars.VariableNumber("TIME"), 1234);
}

TEST(VariableTable, RandomSourceIsTheLinearCongruentialSequence) {
  VariableTable vars;
  vars.Reset(1);
  // state := state * 22695477 + 1, draw (state >> 16) & 0x7FFF; values worked by hand.
  EXPECT_EQ(vars.NextRandom(), 346u);
  EXPECT_EQ(vars.random_state(), 22695478u);
  EXPECT_EQ(vars.NextRandom(), 130u);
  vars.Reset(0);
  EXPECT_EQ(vars.NextRandom(), 0u);  // state 1: 1 >> 16
  vars.set_random_state(0xFFFFFFFFu);
  // (2^32 - 1) * 22695477 + 1 = -22695476 mod 2^32 = 0xFEA5B1CC
  EXPECT_EQ(vars.NextRandom(), 32421u);
  EXPECT_EQ(vars.random_state(), 0xFEA5B1CCu);

}

}  // namespace
}  // namespace zepa::script
