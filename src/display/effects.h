#pragma once
// What the busy effects (fades, the character reveal) share: their duration
// rule, the hurry inputs, and the busy state they hold while they run.
#include <cstdint>

#include "platform/host.h"
#include "platform/scope_restore.h"
#include "script/wait_state.h"

namespace zepa::display {

/// Fade and glyph durations: 0 means 1000 ms; above 65535 (a negative count
/// read from a script counts as above) is 65535.
inline uint32_t EffectDurationMs(int32_t duration_ms) {
  if (duration_ms == 0) return 1000;
  if (duration_ms < 0 || duration_ms > 65535) return 65535;
  return static_cast<uint32_t>(duration_ms);
}

/// Shift, Space, Return or the middle button held, or the player's skip on:
/// the effect completes now.
inline bool HurryHeld(platform::Host& host) {
  using platform::HeldKey;
  return host.HurryForced() || host.IsHeld(HeldKey::kShift) || host.IsHeld(HeldKey::kSpace) ||
         host.IsHeld(HeldKey::kReturn) || host.IsHeld(HeldKey::kMiddleButton);
}

/// Holds `adv_mode` busy for the life of an effect, so that no interpreter
/// step starts inside it, and gives the old value back afterwards.
inline auto HoldBusy(int& adv_mode) { return platform::SetForScope(adv_mode, script::adv::kBusy); }

}  // namespace zepa::display
