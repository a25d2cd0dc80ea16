#pragma once
// Setting a value for the length of a scope and giving the earlier one back
// on every way out of it, early returns and exceptions included.
#include <utility>

namespace zepa::platform {

/// Calls `set(during)` now and `set(saved)` when the scope ends.
template <typename T, typename Set>
class [[nodiscard]] ScopeRestore {
 public:
  ScopeRestore(T during, T saved, Set set) : saved_(std::move(saved)), set_(std::move(set)) {
    set_(std::move(during));
  }
  ~ScopeRestore() { set_(saved_); }
  ScopeRestore(const ScopeRestore&) = delete;
  ScopeRestore& operator=(const ScopeRestore&) = delete;

  /// The value from before the scope, given back at its end.
  const T& saved() const { return saved_; }

 private:
  T saved_;
  Set set_;
};

/// `slot` holds `during` until the scope ends, then its value from before.
template <typename T>
auto SetForScope(T& slot, T during) {
  return ScopeRestore(std::move(during), T(slot), [&slot](const T& v) { slot = v; });
}

}  // namespace zepa::platform
