// Files only POSIX systems have, FIFOs, given to the game as its scenario or
// save: each is refused with the system's reason, never waited on.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <utility>

#include "engine/game_fixture.h"

namespace zepa::engine::testing {
namespace {

using Spine = GameFixture;
using SaveArgument = GameFixture;

// A scenario that cannot be opened is named with the system's own reason; a
// FIFO is refused without waiting for a writer.
TEST_F(Spine, ScenariosThatCannotBeOpenedAreNamedWithTheReason) {
  std::filesystem::create_directories(dir_ / "folder.kvs");
  ASSERT_EQ(mkfifo((dir_ / "pipe.kvs").c_str(), 0600), 0);
  const std::pair<std::string, std::string> table[] = {
      {"missing.kvs", "No such file or directory"},
      {"folder.kvs", "Is a directory"},
      {"pipe.kvs", "Operation not supported"},
      {"story.kvs/x.kvs", "Not a directory"},
  };
  for (const auto& [name, reason] : table) {
    Play("[load]" + name + "\n");
    ASSERT_EQ(host_->errors().size(), 1u) << name;
    EXPECT_EQ(host_->errors()[0], "Cannot open file \"" + (dir_ / name).string() + "\". " + reason);
  }
}

TEST_F(SaveArgument, AFifoIsReportedAndTheGameStarts) {
  ASSERT_EQ(::mkfifo((dir_ / "pipe.kvd").c_str(), 0600), 0);
  Play("[set]started=1\n", "", {}, {"pipe.kvd"});
  ASSERT_EQ(host_->errors().size(), 1u);
  EXPECT_NE(host_->errors()[0].find("pipe.kvd"), std::string::npos);
  EXPECT_EQ(State().scenario_name, "story.kvs");
  EXPECT_EQ(Var("started"), 1);
}

}  // namespace
}  // namespace zepa::engine::testing
