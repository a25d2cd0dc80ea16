#pragma once
// The interpreter's wait state `adv_mode`, shared by the interpreter and the
// rooms that end its waits or hold it busy.
namespace zepa::script {

/// The interpreter's wait state.
namespace adv {
constexpr int kRun = 0;
constexpr int kMoreText = 1;
constexpr int kTextEnd = 2;
constexpr int kChoice = 3;
constexpr int kBusy = 4;
constexpr int kMousePosition = 5;
}  // namespace adv

}  // namespace zepa::script
