// Scenario loads find their files through the game's path resolver.
#include <gtest/gtest.h>

#include <string>

#include "engine/game_fixture.h"

namespace zepa::engine {
namespace {

// Names whose second bytes are 0x5C, each stored on disk both under its
// CP932 bytes and under its UTF-8 form.
struct DoubleByteName {
  const char* cp932;
  const char* utf8;
};
constexpr DoubleByteName kHyoji{"\x95\x5c\x8e\xa6", "\xe8\xa1\xa8\xe7\xa4\xba"};  // 表示
constexpr DoubleByteName kSora{"\x83\x5c\x83\x89", "\xe3\x82\xbd\xe3\x83\xa9"};   // ソラ
constexpr DoubleByteName kJu{"\x8f\x5c", "\xe5\x8d\x81"};                         // 十

std::string Cp932(const DoubleByteName& n, const char* suffix = "") {
  return std::string(n.cp932) + suffix;
}
std::string Utf8(const DoubleByteName& n, const char* suffix = "") {
  return std::string(n.utf8) + suffix;
}

class PathsGame : public testing::GameFixture {};

TEST_F(PathsGame, LoadFindsDoubleByteAndBlankEndedNames) {
  // [load]表示.kvs (stored in UTF-8) loads ソラ\十.kvs (CP932 folder, UTF-8
  // file), which loads "two.kvs " with a blank the editor did not show.
  Write(Utf8(kHyoji, ".kvs"), "[set]a=1\n[load]" + Cp932(kSora, "\\") + Cp932(kJu, ".kvs") + "\n");
  Write(Cp932(kSora, "/") + Utf8(kJu, ".kvs"), "[set]b=2\n[load]two.kvs \n");
  Write("two.kvs", "[set]c=3\n");
  Play("[load]" + Cp932(kHyoji, ".kvs") + "\n[set]never=1\n");
  // Each load resets the variables: c is there only when the whole chain ran.
  EXPECT_EQ(Var("c"), 3);
  EXPECT_EQ(Var("never"), 0);
  EXPECT_EQ(State().scenario_name, "two.kvs ");
}

}  // namespace
}  // namespace zepa::engine
