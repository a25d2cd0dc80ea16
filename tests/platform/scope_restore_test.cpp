#include "platform/scope_restore.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace zepa::platform {
namespace {

// The value from before comes back however the scope is left: at its end, by
// an early return, by an exception; nested scopes unwind innermost first.
TEST(ScopeRestore, GivesTheEarlierValueBackOnEveryWayOut) {
  int mode = 3;
  auto early = [&](bool leave) {
    const auto busy = SetForScope(mode, 4);
    EXPECT_EQ(busy.saved(), 3);
    if (leave) return mode;
    mode = 7;  // changed inside the scope: still replaced by the old value
    return mode;
  };
  EXPECT_EQ(early(true), 4);
  EXPECT_EQ(mode, 3);
  EXPECT_EQ(early(false), 7);
  EXPECT_EQ(mode, 3);

  EXPECT_THROW(
      {
        const auto busy = SetForScope(mode, 4);
        throw std::runtime_error("out");
      },
      std::runtime_error);
  EXPECT_EQ(mode, 3);

  std::vector<bool> calls;
  {
    const auto outer = ScopeRestore(false, true, [&](bool on) { calls.push_back(on); });
    const auto inner = ScopeRestore(true, false, [&](bool on) { calls.push_back(on); });
  }
  EXPECT_EQ(calls, (std::vector<bool>{false, true, false, true}));
}

}  // namespace
}  // namespace zepa::platform
