#include "script/expression.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

namespace zepa::script {
namespace {

bool Holds(const VariableTable& vars, std::string_view name) {
  if (name.empty()) return false;
  for (int i = 0; i < kVariableCount; ++i) {
    if (name == vars.entry(i).name) return true;
  }
  return false;
}

std::string Value(VariableTable& vars, std::string_view name) { return vars.VariableText(name); }

class Expressions : public ::testing::Test {
 protected:
  void SetUp() override { vars_.Reset(1); }
  int32_t Eval(std::string_view text) { return EvaluateExpression(vars_, text); }
  std::string Set(std::string_view text, std::string_view name) {
    AssignVariable(vars_, text);
    return Holds(vars_, name) ? Value(vars_, name) : "<absent>";
  }
  std::optional<size_t> If(std::string_view text) { return TestCondition(vars_, text); }
  std::string Expand(std::string_view text, std::string_view scene = "") {
    return ExpandText(vars_, text, scene);
  }
  VariableTable vars_;
};

TEST(ParseNumber, SignsThenDigitsWithBlanksAnywhere) {
  EXPECT_EQ(ParseNumber("abc"), 0);
  EXPECT_EQ(ParseNumber("12abc"), 12);
  EXPECT_EQ(ParseNumber("--5"), 5);
  EXPECT_EQ(ParseNumber("1 2"), 12);
  EXPECT_EQ(ParseNumber(" \t-\t4 2 "), -42);
  EXPECT_EQ(ParseNumber("5-3"), 5);  // a sign after a digit stops
  EXPECT_EQ(ParseNumber(std::string_view("1\0" "2", 3)), 1);
  // Wrapping modulo 2^32.
  EXPECT_EQ(ParseNumber("2147483648"), INT32_MIN);
  EXPECT_EQ(ParseNumber("4294967297"), 1);
}

TEST_F(Expressions, ProductsBeforeSumsByPhase) {
  EXPECT_EQ(Eval("1+2*3"), 7);
  EXPECT_EQ(Eval("10-2*3"), 4);   // the left operand takes its sign: 10+-6
  EXPECT_EQ(Eval("8/2*2"), 8);    // left to right
  EXPECT_EQ(Eval("1+6/2*3"), 10);
  EXPECT_EQ(Eval("2*-3"), -6);
  EXPECT_EQ(Eval("5--2*3"), 11);
  EXPECT_EQ(Eval("7/2"), 3);
  EXPECT_EQ(Eval("-7/2"), -3);   // truncated toward zero
  EXPECT_EQ(Eval("7%3"), 1);
  EXPECT_EQ(Eval("-7%3"), -1);   // the remainder has the left value's sign
  EXPECT_EQ(Eval("5/0"), 0);
  EXPECT_EQ(Eval("5%0"), 0);
  EXPECT_EQ(Eval("1 2"), 12);
  EXPECT_EQ(Eval("2**3"), 0);  // the right operand of the first * reads as 0
  // Phase 1 stops at a comparison or a bracket.
  EXPECT_EQ(Eval("3=4"), 3);
  EXPECT_EQ(Eval("2+2[go]#x"), 4);
  EXPECT_EQ(Eval("1+2\n+5"), 3);
  EXPECT_EQ(EvaluateFlat(vars_, "1+2\r+5"), 3);
}

TEST_F(Expressions, OverflowWraps) {
  EXPECT_EQ(Eval("2147483647+1"), INT32_MIN);
  EXPECT_EQ(Eval("65536*65536"), 0);
  EXPECT_EQ(Eval("65536*32768"), INT32_MIN);
  EXPECT_EQ(Eval("-2147483648/-1"), INT32_MIN);
  EXPECT_EQ(Eval("-2147483648%-1"), 0);
  EXPECT_EQ(Eval("99999999999"), 1215752191);
}

TEST_F(Expressions, NamesReadTheirNumbersAndAreNotAdded) {
  vars_.SetVariableNumber("a", 4);
  vars_.SetVariableNumber("a1", 10);
  vars_.SetVariableNumber("\x88\xa4", -2);  // a double-byte name
  EXPECT_EQ(Eval("a*a1"), 40);
  EXPECT_EQ(Eval("3\x88\xa4"), 1);  // 3+-2
  EXPECT_EQ(Eval("a*\x88\xa4"), -8);
  EXPECT_EQ(Eval("zz+1"), 1);
  EXPECT_FALSE(Holds(vars_, "zz"));
  // "+" as the second byte of a double-byte character belongs to the name.
  vars_.SetVariableNumber("\x81+", 5);
  EXPECT_EQ(Eval("\x81+"), 5);
  // A name that ends in a lone lead byte at the end of the text.
  vars_.SetVariableNumber("b\x82", 9);
  EXPECT_EQ(Eval("b\x82"), 9);
  EXPECT_EQ(Eval("1+\x82"), 1);
  EXPECT_EQ(EvaluateFlat(vars_, "b\x82\n+1"), 9);  // the lead byte does not swallow the line end
}

TEST_F(Expressions, GroupsResolveInnermostFirst) {
  EXPECT_EQ(Eval("(1+2)*3"), 9);
  EXPECT_EQ(Eval("2*(3)"), 6);
  EXPECT_EQ(Eval("5-(2)"), 3);
  EXPECT_EQ(Eval("2(3)"), 5);  // 2+3+
  EXPECT_EQ(Eval("((2))"), 2);
  EXPECT_EQ(Eval("((1+2)*(3+4))"), 21);
  EXPECT_EQ(Eval("(2)*(3)+(4)"), 10);
  EXPECT_EQ(Eval("(5"), 0);      // an unmatched "(" makes the number after it 0
  EXPECT_EQ(Eval("1+(5"), 1);
  EXPECT_EQ(Eval("1+2)*3"), 9);  // an unmatched ")" groups everything before it
  // Parentheses inside double-byte characters are no groups.
  vars_.SetVariableNumber("\x81)", 7);
  EXPECT_EQ(Eval("\x81)+1"), 8);
  EXPECT_EQ(Eval("(\x81)*2)"), 14);
}

TEST_F(Expressions, RndAppliesToTheGroupRightAfterIt) {
  // Seed 1 draws 346 first, then 130.
  EXPECT_EQ(Eval("RND(1000)"), 346);
  vars_.Reset(1);
  EXPECT_EQ(Eval("RND(6)"), 346 % 6);
  vars_.Reset(1);
  EXPECT_EQ(Eval("RND(-6)"), 346 % 6);  // the draw's sign: 0..|v|-1
  vars_.Reset(1);
  EXPECT_EQ(Eval("RND(6)+(2*3)"), 346 % 6 + 6);
  vars_.Reset(1);
  EXPECT_EQ(Eval("RND(100)*RND(1000)"), 46 * 130);
  vars_.Reset(1);
  EXPECT_EQ(Eval("RND(0)"), 0);
  EXPECT_EQ(vars_.random_state(), 22695478u);  // it still draws

  // Not random: a blank before the group, or a group that is not right after it.
  vars_.Reset(1);
  EXPECT_EQ(Eval("RND (6)"), 6);
  EXPECT_EQ(Eval("RND+(6)"), 6);
  EXPECT_EQ(Eval("rnd(6)"), 6);
  EXPECT_EQ(vars_.random_state(), 1u);
}

TEST_F(Expressions, AssignmentStoresDecimalOrQuotedText) {
  EXPECT_EQ(Set("a=1+2*3", "a"), "7");
  EXPECT_EQ(Set("a=(1+2)*3", "a"), "9");
  EXPECT_EQ(Set("a=2(3)", "a"), "5");
  EXPECT_EQ(Set("a=12[go]#x", "a"), "12");  // cut at "["
  EXPECT_EQ(Set("count=count+1", "count"), "1");
  EXPECT_EQ(Set("count=count+1", "count"), "2");
  EXPECT_EQ(Set("b=nobody", "b"), "0");
  EXPECT_FALSE(Holds(vars_, "nobody"));
  EXPECT_EQ(Set("\x83\x5b=3", "\x83\x5b"), "3");  // "[" as a second byte is no cut

  EXPECT_EQ(Set("title=\"xy\"", "title"), "xy");
  EXPECT_EQ(Set("t=\"a=b*(c)\"", "t"), "a=b*(c)");  // verbatim
  EXPECT_EQ(Set("t=\"\"", "t"), "");
  EXPECT_EQ(Set("t=\"unclosed", "t"), "");  // unchanged
  EXPECT_EQ(Set("u=\"unclosed", "u"), "<absent>");
  EXPECT_EQ(Set("\"v\"", "\"v\""), "<absent>");  // no "="
  EXPECT_EQ(Set("novalue", "novalue"), "<absent>");
  EXPECT_EQ(Set("long=\"" + std::string(400, 'q') + "\"", "long"), std::string(255, 'q'));
  // Only 511 bytes are read: a closing quote beyond them is not seen.
  EXPECT_EQ(Set("far=\"" + std::string(506, 'q') + "\"", "far"), "<absent>");
}

// The empty name resolves to the first free entry like any absent name, but
// writing it changes no name, so the value waits for the next new name.
TEST_F(Expressions, TheEmptyNameWritesTheFirstFreeEntry) {
  AssignVariable(vars_, "=\"7\"");
  EXPECT_STREQ(vars_.entry(0).name, "");
  EXPECT_STREQ(vars_.entry(0).value, "7");
  AssignVariable(vars_, "fresh=fresh+1");
  EXPECT_STREQ(vars_.entry(0).name, "fresh");
  EXPECT_EQ(Value(vars_, "fresh"), "8");

  // Unquoted, the refresh inside the evaluation takes that entry for "MUSIC"
  // first, and the result lands in it until the next refresh.
  VariableTable fresh_table;
  AssignVariable(fresh_table, "=5");
  EXPECT_STREQ(fresh_table.entry(0).name, "MUSIC");
  EXPECT_STREQ(fresh_table.entry(0).value, "5");
  EXPECT_STREQ(fresh_table.entry(2).name, "");

  // In a message, $$ shows what the first free entry holds.
  AssignVariable(vars_, "=\"hi\"");
  EXPECT_EQ(Expand("<$$>"), "<hi>");
}

TEST_F(Expressions, AssignmentAddsTheNameBeforeEvaluating) {
  AssignVariable(vars_, "x=1");
  EXPECT_STREQ(vars_.entry(0).name, "x");
  EXPECT_STREQ(vars_.entry(1).name, "MUSIC");
  EXPECT_STREQ(vars_.entry(2).name, "TIME");

  VariableTable full;
  full.Reset(1);
  for (int i = 0; i < kVariableCount; ++i) full.FindOrAddVariable("v" + std::to_string(i));
  AssignVariable(full, "new=RND(5)");
  AssignVariable(full, "new2=\"text\"");
  EXPECT_FALSE(Holds(full, "new"));
  EXPECT_FALSE(Holds(full, "new2"));
  AssignVariable(full, "v7=3*3");
  EXPECT_EQ(full.VariableNumber("v7"), 9);
}

TEST_F(Expressions, ConditionsAcceptEveryOperatorSpelling) {
  struct Case {
    const char* text;
    bool holds;
  };
  vars_.SetVariableNumber("a", 1);
  const Case cases[] = {
      {"a=1", true},    {"a==1", true},   {"a=2", false},  {"a<>1", false}, {"a<>2", true},
      {"a!1", false},   {"a!=2", true},   {"a=!1", false}, {"a><2", true},  {"a=<1", true},
      {"a<=0", false},  {"a>=1", true},   {"a=>2", false}, {"a>0", true},   {"a>1", false},
      {"a<2", true},    {"a<1", false},   {"a < = 1", true}, {"a = = 1", true},
      {"-1<a", true},   {"a=-1", false},  {"2*a=2", true}, {"a+1>(1)", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(If(c.text).has_value(), c.holds) << c.text;
  }
  // A condition needs a comparison.
  EXPECT_EQ(If("a"), std::nullopt);
  EXPECT_EQ(If("1"), std::nullopt);
  // Signed comparison.
  EXPECT_TRUE(If("-2147483648<0").has_value());
}

TEST_F(Expressions, ConditionReturnsTheRestOfTheLine) {
  vars_.SetVariableNumber("a", 1);
  EXPECT_EQ(If("a=1[go]#x\n[next]"), 3u);
  EXPECT_EQ(If(" a = 1 [go]#x"), 7u);
  EXPECT_EQ(If("a=1\n[next]"), 3u);
  EXPECT_EQ(If("a=1"), 3u);
  EXPECT_EQ(If("a=2[go]#x"), std::nullopt);
  // The comparison must be on the condition's own line.
  EXPECT_EQ(If("a[go]#x\n[set]a=1\n"), std::nullopt);
  // "[" as the second byte of a double-byte character is no command.
  EXPECT_EQ(If("a=1\x83\x5b[go]"), 5u);
  // A lone lead byte never swallows the line end.
  EXPECT_EQ(If("a=1\x83\n[go]"), 4u);
}

TEST_F(Expressions, ConditionQuirksStay) {
  // Blanks stay in conditions, so "RND (6)" is the name RND (0) plus 6.
  EXPECT_TRUE(If("RND (6)=6").has_value());
  EXPECT_EQ(vars_.random_state(), 1u);
  // A comment is part of the right operand: 1//+0 divides by zero, giving 0.
  vars_.SetVariableNumber("a", 0);
  EXPECT_TRUE(If("a=1 // note").has_value());
  vars_.SetVariableNumber("a", 1);
  EXPECT_FALSE(If("a=1 // note").has_value());
}

TEST_F(Expressions, ExpandSubstitutesVariablesAndSystemTexts) {
  EXPECT_EQ(Expand("abc\\ndef"), "abc\ndef");
  EXPECT_EQ(Expand("in %s.", "#scene1"), "in scene1.");
  EXPECT_EQ(Expand("v%v"), "v1.18");
  EXPECT_EQ(Expand("100%"), "100%");
  EXPECT_EQ(Expand("%d\\t"), "%d\\t");

  vars_.SetVariableText("name", "\x88\xa4");
  EXPECT_EQ(Expand("[$name$]"), "[\x88\xa4]");
  vars_.tick_count = [] { return 777u; };
  EXPECT_EQ(Expand("$TIME$ms"), "777ms");
  EXPECT_EQ(Expand("a$b"), "ab");  // no closing "$": the "$" is dropped
  EXPECT_EQ(Expand("$nobody$!"), "!");
  EXPECT_TRUE(Holds(vars_, "nobody"));  // added with an empty value
  EXPECT_EQ(Expand("$$x"), "x");

  // The closing "$" is looked for among the next 66 bytes.
  const std::string name65(65, 'n');
  vars_.SetVariableText(name65, "found");
  EXPECT_EQ(Expand("$" + name65 + "$"), "found");
  const std::string name66(66, 'n');
  EXPECT_EQ(Expand("$" + name66 + "$"), name66);

  // Byte by byte: a "\" second byte followed by "n" is still a line break.
  EXPECT_EQ(Expand("\x83\\n"), "\x83\n");
}

TEST_F(Expressions, ExpandRunsOverScriptLinesUntilALabelCommandOrComment) {
  EXPECT_EQ(Expand("abc\ndef\n#label\nxyz"), "abcdef");
  EXPECT_EQ(Expand("abc\n[p]"), "abc");
  EXPECT_EQ(Expand("abc\n// note"), "abc");
  EXPECT_EQ(Expand("abc\n def\n"), "abc def");
  EXPECT_EQ(Expand(std::string_view("ab\0cd", 5)), "ab");
}

TEST_F(Expressions, ExpandIsBoundedInStepsAndBytes) {
  EXPECT_EQ(Expand(std::string(3000, 'x')).size(), 2047u);
  // Each dropped LF is one step too: 2047 steps are 1023 pairs and one LF.
  std::string pairs;
  for (int i = 0; i < 1100; ++i) pairs += "\nx";
  EXPECT_EQ(Expand(pairs), std::string(1023, 'x'));
  vars_.SetVariableText("v", std::string(255, 'v'));
  std::string many;
  for (int i = 0; i < 20; ++i) many += "$v$";
  EXPECT_EQ(Expand(many), std::string(2047, 'v'));
  // A substituted double-byte character is not split at the end.
  vars_.SetVariableText("k", "\x88\xa4");
  EXPECT_EQ(Expand(std::string(2046, 'x') + "$k$"), std::string(2046, 'x'));
}

TEST_F(Expressions, BadInputEndsWithABoundedResult) {
  EXPECT_EQ(Eval(std::string(100000, '(')), 0);
  EXPECT_EQ(Eval(std::string(100000, ')')), 0);
  EXPECT_EQ(Eval(std::string(10000, '(') + "1" + std::string(10000, ')')), 0);
  EXPECT_EQ(Eval(std::string(500, '(') + "7" + std::string(500, ')')), 7);
  std::string groups;
  for (int i = 0; i < 341; ++i) groups += "(1)";
  EXPECT_EQ(Eval(groups), 341);  // 1023 bytes, 341 groups
  std::string empty_groups;
  for (int i = 0; i < 511; ++i) empty_groups += "()";
  EXPECT_EQ(Eval(empty_groups), 0);  // each grows by one byte; the work text stays bounded
  std::string rnd_groups;
  for (int i = 0; i < 200; ++i) rnd_groups += "RND(1)";
  EXPECT_EQ(Eval(rnd_groups), 0);

  std::string products;
  for (int i = 0; i < 50000; ++i) products += "1*";
  EXPECT_EQ(EvaluateFlat(vars_, products), 1);  // normalised text cut to 2047 bytes

  vars_.SetVariableNumber(std::string(63, 'a'), 5);
  EXPECT_EQ(Eval(std::string(100000, 'a')), 5);
  EXPECT_EQ(Eval(std::string(100000, '\x82')), 0);

  EXPECT_EQ(If(std::string(100000, '=')), 0u + 100000u);
  EXPECT_EQ(If(std::string(100000, 'x')), std::nullopt);
  AssignVariable(vars_, std::string(100000, '='));
  AssignVariable(vars_, "big=" + std::string(100000, '9'));
  EXPECT_TRUE(Holds(vars_, "big"));
  EXPECT_EQ(Expand(std::string(100000, '$')), "");
}

}  // namespace
}  // namespace zepa::script
