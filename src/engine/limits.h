#pragma once
// Bounds shared by the main window's operations.
#include "display/effects.h"
#include "script/fixed_text.h"

namespace zepa::engine {

using display::EffectDurationMs;
using script::Bounded;

}  // namespace zepa::engine
