// Scenario loads find their files through the game's path resolver.
#include <gtest/gtest.h>

#include <string>

#include "engine/game_fixture.h"
#include "script/double_byte_names.h"

namespace zepa::engine {
namespace {

using namespace zepa::testing;

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
