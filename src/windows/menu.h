#pragma once
// The menu (`Form7`) that a right click on the display opens, and the quit
// confirmation (`Form6`). Neither acts itself: each leaves a code in
// `DialogChoice` for the operation that opened it.
#include <string>

#include "platform/host.h"
#include "platform/tool_window.h"
#include "windows/modal.h"

namespace zepa::windows {


/// `Label1` after `Button_SCREEN` has set `full_screen` (UTF-8): the notice
/// names the switch only when it will change what the player sees.
std::string ScreenNotice(int full_screen, int screen_width);

/// Fills `menu` with the menu's controls. The buttons write their codes to
/// `state.dialog_choice` and close the menu; `Button_SCREEN` flips
/// `full_screen` and leaves the menu open. `menu` must stay where it is
/// while shown, since the handlers refer to it.
void BuildMenu(platform::ToolWindow& menu, WindowState& state, int& full_screen,
               int screen_width);

/// Steps 1 to 3 of `OpenMenu`: `DialogChoice` 0, the menu at the pointer,
/// shown modally. The caller acts on the code afterwards.
ModalResult ShowMenu(platform::Host& host, WindowState& state, int& full_screen);

/// Fills `box` with the quit confirmation: "ゲームをやめる" leaves code 9,
/// "考え直す" only closes.
void BuildQuitConfirmation(platform::ToolWindow& box, WindowState& state);

/// The confirmation centred on the screen, shown modally. True when the
/// player confirmed (`DialogChoice` 9).
bool ShowQuitConfirmation(platform::Host& host, WindowState& state);

}  // namespace zepa::windows
