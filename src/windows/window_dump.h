#pragma once
// The small windows in the headless state dump.
#include <nlohmann/json.hpp>

#include "windows/modal.h"

namespace zepa::windows {

/// The open windows bottom to top (or, after a run ended with windows
/// waiting, those that were left open): name, caption, position, client
/// size, and every control with its name, kind, text, visible and enabled.
nlohmann::ordered_json DescribeWindows(const WindowState& state);

}  // namespace zepa::windows
