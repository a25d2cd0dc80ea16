#pragma once
// The Settings window: the player's own settings, each applied the moment
// it changes.
#include <functional>

#include "platform/host.h"
#include "platform/tool_window.h"
#include "player/settings.h"
#include "windows/modal.h"

namespace zepa::windows {

/// What the window changes besides the settings themselves.
struct SettingsActions {
  /// Called after every change of `settings`.
  std::function<void()> apply;
  std::function<bool()> full_screen;
  std::function<void()> toggle_full_screen;
};

/// Fills `window`; `settings` must outlive it.
void BuildSettingsWindow(platform::ToolWindow& window, player::Settings& settings,
                         SettingsActions actions);

ModalResult ShowSettings(platform::Host& host, WindowState& state, player::Settings& settings,
                         SettingsActions actions);

}  // namespace zepa::windows
