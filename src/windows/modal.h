#pragma once
// Showing the game's small windows modally, and what a closed window leaves
// for the operation that opened it.
#include <string>
#include <string_view>
#include <vector>

#include "platform/host.h"
#include "platform/tool_window.h"

namespace zepa::windows {

/// `DialogFileName` holds up to 511 bytes (a 512-byte buffer).
constexpr size_t kDialogFileNameBytes = 512;

/// `DialogChoice`: what a closed window asks its opener to do. The codes
/// are the windows' own, so the same number means different requests from
/// the menu and from the file windows.
enum class DialogChoice : int {
  kNothing = 0,
  kSaveLoad = 1,       ///< menu: open the save/load window
  kAbout = 2,          ///< menu: show the about box
  kQuit = 3,           ///< menu: ask whether to quit
  kQuitConfirmed = 9,  ///< quit confirmation: the player said yes
  kSave = 1,           ///< file windows: save under `dialog_file_name`
  kLoad = 2,           ///< file windows: load `dialog_file_name`
};

/// Owned by the main window: the results the windows leave behind, and the
/// windows open now (for the state dump).
struct WindowState {
  /// The request of the last window that set one.
  DialogChoice dialog_choice = DialogChoice::kNothing;
  /// `DialogFileName`: the chosen slot file name, file path or URL (game
  /// text, CP932).
  std::string dialog_file_name;

  /// The windows on the screen, bottom to top.
  std::vector<const platform::ToolWindow*> open;
  /// What was on the screen when a run ended while windows were waiting
  /// for the player: kept so that the final dump still shows them.
  std::vector<platform::ToolWindow> left_open;

  /// Sets `dialog_file_name`, cut to what its buffer holds.
  void SetDialogFileName(std::string_view cp932);
};

enum class ModalResult {
  kClosed,     ///< the window closed itself; its results are valid
  kAbandoned,  ///< the run ended first: the caller must not act on results
};

/// Shows `window` and runs a nested event loop until it closes; the caller's
/// code resumes after that, as with a modal dialog. The game timer is left
/// as the caller set it, so ticks go on or stand still by the caller's
/// rule. A headless run whose scripted input has ended while the window
/// waits ends there: the main window closes, the windows stay listed in
/// `left_open`, and kAbandoned is returned.
ModalResult ShowModal(platform::Host& host, platform::ToolWindow& window, WindowState& state);

/// Shows a modeless window (the debug monitor): it stays until
/// CloseModeless, and the game goes on taking its own input meanwhile.
void OpenModeless(platform::Host& host, platform::ToolWindow& window, WindowState& state);
void CloseModeless(platform::Host& host, platform::ToolWindow& window, WindowState& state);

/// Game text (CP932) as window text (UTF-8): the one way texts go into a
/// window.
std::string ToWindowText(std::string_view cp932);
/// Window text as game text; false when the text has characters that CP932
/// cannot hold (`out` is left alone then).
bool ToGameText(std::string_view utf8, std::string* out);

}  // namespace zepa::windows
