#pragma once
// What the systems' sockets share beside their system calls: host names
// looked up on a worker thread behind a bounded wait, the names that never
// resolve, and the real clock that network waits read.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/sockets.h"

namespace zepa::platform {

/// Answers a name lookup on the worker thread, blocking as long as it must.
using Resolver = std::function<std::vector<NetAddress>(const std::string& name)>;

/// The longest one wait on a socket sleeps, whatever the caller asked:
/// callers wait in short slices, and a slip of the caller's arithmetic must
/// not freeze the program.
constexpr uint32_t kMaxSocketWaitMs = 60000;

/// Sockets whose lookups run `resolver` on a worker thread. Making and
/// using connections is the system's, in the subclass.
class LookupSockets : public Sockets {
 public:
  explicit LookupSockets(Resolver resolver);

  uint64_t RealNowMs() override;
  std::unique_ptr<NameLookup> StartLookup(const std::string& name) override;

 private:
  Resolver resolver_;
};

}  // namespace zepa::platform
