#pragma once
// Taps of the hurry keys between two looks at the key state. A busy effect or
// a movie asks "is Space held now?" once per frame or pump; a key pressed
// and let go in between would be missed by the live state alone, so a press
// counts as held at the next look. Only a loop that is looking now gets the
// tap: a press long after the last look, or one before input was discarded,
// is the player's ordinary key and must not hurry whatever it starts.
#include <array>
#include <cstdint>
#include <optional>

#include "platform/host.h"

namespace zepa::platform {

class TapLatch {
 public:
  /// Looks further apart than this belong to no running loop; a movie pumps
  /// at least once per 50 ms timer interval.
  static constexpr uint64_t kLookGapMs = 100;

  /// A hurry key went down at `now_ms`.
  void Press(HeldKey key, uint64_t now_ms);
  /// A look at `key`, which is `down` right now: true when it is down or
  /// was tapped since the last look. Takes the tap.
  bool Look(HeldKey key, bool down, uint64_t now_ms);
  /// Input was thrown away: the taps go with it.
  void Discard();

 private:
  std::optional<uint64_t> last_look_ms_;
  std::array<std::optional<uint64_t>, 5> tapped_ms_{};  // by HeldKey
};

}  // namespace zepa::platform
