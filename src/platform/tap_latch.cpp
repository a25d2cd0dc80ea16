#include "platform/tap_latch.h"

namespace zepa::platform {

void TapLatch::Press(HeldKey key, uint64_t now_ms) {
  if (!last_look_ms_ || now_ms - *last_look_ms_ > kLookGapMs) return;
  tapped_ms_[static_cast<size_t>(key)] = now_ms;
}

bool TapLatch::Look(HeldKey key, bool down, uint64_t now_ms) {
  last_look_ms_ = now_ms;
  std::optional<uint64_t>& tapped = tapped_ms_[static_cast<size_t>(key)];
  const bool fresh = tapped && now_ms - *tapped <= kLookGapMs;
  tapped.reset();
  return down || fresh;
}

void TapLatch::Discard() {
  last_look_ms_.reset();
  tapped_ms_.fill(std::nullopt);
}

}  // namespace zepa::platform
