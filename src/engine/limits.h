#pragma once
// Bounds shared by the main window's operations.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

namespace zepa::engine {

/// The text as a fixed buffer of `bytes` (NUL included) would hold it.
inline std::string Bounded(std::string_view s, size_t bytes) {
  return std::string(s.substr(0, std::min(s.size(), bytes - 1)));
}

/// The largest scenario file we read. Real scenarios are a few hundred
/// kilobytes; a bigger file is refused before any of it is read.
constexpr uint64_t kMaxScenarioBytes = uint64_t{64} << 20;

/// Fade and glyph durations: 0 means 1000 ms; above 65535 (a negative count
/// read from a script counts as above) is 65535.
inline uint32_t EffectDurationMs(int32_t duration_ms) {
  if (duration_ms == 0) return 1000;
  if (duration_ms < 0 || duration_ms > 65535) return 65535;
  return static_cast<uint32_t>(duration_ms);
}

}  // namespace zepa::engine
