#include "platform/socket_lookup.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string_view>
#include <system_error>
#include <thread>

namespace zepa::platform {
namespace {

bool EndsWithNoCase(std::string_view text, std::string_view tail) {
  if (text.size() < tail.size()) return false;
  return std::equal(tail.begin(), tail.end(), text.end() - tail.size(), [](char lower, char c) {
    return (c >= 'A' && c <= 'Z' ? c + 32 : c) == lower;
  });
}

// Names under "invalid" never resolve, and resolvers are asked to say so at
// once rather than ask the network; some would wait for a timeout instead.
bool NeverResolves(std::string_view name) {
  if (name.empty() || name.find('\0') != std::string_view::npos) return true;
  if (name.back() == '.') name.remove_suffix(1);
  return EndsWithNoCase(name, "invalid") && (name.size() == 7 || name[name.size() - 8] == '.');
}

// Shared between the lookup object and its worker, which may outlive it.
struct LookupState {
  std::mutex mutex;
  std::condition_variable done_cv;
  bool done = false;
  std::vector<NetAddress> addresses;
};

class ThreadedLookup : public NameLookup {
 public:
  ThreadedLookup(const std::string& name, const Resolver& resolver)
      : state_(std::make_shared<LookupState>()) {
    if (NeverResolves(name)) {
      state_->done = true;
      return;
    }
    try {
      std::thread([state = state_, name, resolver] {
        std::vector<NetAddress> found = resolver(name);
        std::lock_guard lock(state->mutex);
        state->addresses = std::move(found);
        state->done = true;
        state->done_cv.notify_all();
      }).detach();
    } catch (const std::system_error&) {
      state_->done = true;  // no thread, no answer: the lookup failed
    }
  }

  bool Wait(uint32_t wait_ms) override {
    std::unique_lock lock(state_->mutex);
    return state_->done_cv.wait_for(lock, std::chrono::milliseconds(wait_ms),
                                    [&] { return state_->done; });
  }

  std::vector<NetAddress> Addresses() const override {
    std::lock_guard lock(state_->mutex);
    return state_->addresses;
  }

 private:
  std::shared_ptr<LookupState> state_;
};

}  // namespace

LookupSockets::LookupSockets(Resolver resolver) : resolver_(std::move(resolver)) {}

uint64_t LookupSockets::RealNowMs() {
  return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                   std::chrono::steady_clock::now().time_since_epoch())
                                   .count());
}

std::unique_ptr<NameLookup> LookupSockets::StartLookup(const std::string& name) {
  return std::make_unique<ThreadedLookup>(name, resolver_);
}

}  // namespace zepa::platform
