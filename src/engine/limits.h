#pragma once
// Bounds shared by the main window's operations.
#include <cstdint>

#include "display/effects.h"
#include "script/fixed_text.h"

namespace zepa::engine {

using display::EffectDurationMs;
using script::Bounded;

/// The largest scenario file we read. Real scenarios are a few hundred
/// kilobytes; a bigger file is refused before any of it is read.
constexpr uint64_t kMaxScenarioBytes = uint64_t{64} << 20;

}  // namespace zepa::engine
