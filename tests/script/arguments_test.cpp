#include "script/arguments.h"

#include <gtest/gtest.h>

#include "script/variables.h"

namespace zepa::script {
namespace {

TEST(MatchCommand, NeedsTheExactNameClosedByBracket) {
  EXPECT_EQ(MatchCommand("wait", "[wait]100", 0), 6u);
  EXPECT_EQ(MatchCommand("wait", " \t[wait]100", 0), 8u);  // blanks before are fine
  EXPECT_EQ(MatchCommand("bpic", "[bpicture]a.bmp", 0), std::nullopt);
  EXPECT_EQ(MatchCommand("text", "[Text]a", 0), std::nullopt);  // case-sensitive
  EXPECT_EQ(MatchCommand("text", "[text", 0), std::nullopt);
  EXPECT_EQ(MatchCommand("p", "x[p]a", 0), std::nullopt);
  EXPECT_EQ(MatchCommand("p", "a\n[p]b", 2), 5u);
}

TEST(Arguments, CompactAndLineForms) {
  const std::string t = "[go] # a b //c\n[next]";
  EXPECT_EQ(CompactArgument(t, 4), "#ab");
  EXPECT_EQ(LineArgument(t, 4), "# a b //c");
  EXPECT_EQ(CompactArgument("a\tb\rc", 0), "ab");
  EXPECT_EQ(CompactArgument("a/b", 0), "a/b");  // one slash is no comment
  EXPECT_EQ(CompactArgument(std::string(5000, 'x'), 0).size(), 2047u);
  EXPECT_EQ(LineArgument(std::string(5000, 'y'), 0).size(), 2047u);
}

TEST(Arguments, NumberListStopsAtTheFirstMissingComma) {
  VariableTable vars;
  vars.Reset(1);
  using A = std::array<int32_t, 5>;
  EXPECT_EQ(NumberList(vars, "10,20,30,40", 4), (A{10, 20, 30, 40, 0}));
  EXPECT_EQ(NumberList(vars, "10,20", 4), (A{10, 0, 0, 0, 0}));  // only the first is taken
  EXPECT_EQ(NumberList(vars, "1+2, 3*4", 2), (A{3, 12, 0, 0, 0}));
  EXPECT_EQ(NumberList(vars, "1,2,3,4", 5), (A{1, 2, 3, 0, 0}));  // "4" is missing its comma
  // The last value is the whole rest: ",6" reads as an absent name.
  EXPECT_EQ(NumberList(vars, "1,2,3,4,5,6", 5), (A{1, 2, 3, 4, 5}));
  // A comma inside a double-byte character is no separator.
  EXPECT_EQ(NumberList(vars, "\x82,5", 2), (A{0, 0, 0, 0, 0}));
  // A lead byte at the very end stops the parse.
  EXPECT_EQ(NumberList(vars, "7\x82", 2), (A{0, 0, 0, 0, 0}));
}

TEST(Arguments, ColorsReadRedFirst) {
  VariableTable vars;
  vars.Reset(1);
  EXPECT_EQ(ColorArgument(vars, "ff0000"), 0x0000ffu);
  EXPECT_EQ(ColorArgument(vars, "255,0,0"), 0x0000ffu);
  EXPECT_EQ(ColorArgument(vars, "255,0"), 0u);  // one comma: black
  EXPECT_EQ(ColorArgument(vars, "  00FF80"), 0x80ff00u);
  EXPECT_EQ(ColorArgument(vars, "300,-5,128"), 0x8000ffu);  // clamped
  EXPECT_EQ(ColorArgument(vars, "zz0000"), 0x0000ffu);      // beyond f counts on, then clamped
  EXPECT_EQ(ColorArgument(vars, "f"), 0x0000f0u);           // missing digits read as 0
  EXPECT_EQ(ColorArgument(vars, ""), 0u);
}

TEST(Arguments, DecimalAndPosition) {
  EXPECT_EQ(DecimalArgument("  -12ab"), -12);
  EXPECT_EQ(DecimalArgument("+7"), 7);
  EXPECT_EQ(DecimalArgument("x"), 0);
  EXPECT_EQ(DecimalArgument("99999999999"), static_cast<int32_t>(99999999999ULL & 0xffffffffu));
  auto p = ParsePosition("10,20,x.bmp:50");
  ASSERT_TRUE(p);
  EXPECT_EQ(p->x, 10);
  EXPECT_EQ(p->y, 20);
  EXPECT_EQ(p->rest, "x.bmp:50");
  EXPECT_FALSE(ParsePosition("10,x.bmp"));
  EXPECT_FALSE(ParsePosition("x.bmp"));
}

}  // namespace
}  // namespace zepa::script
