#pragma once
// Which key, click or wheel turn does what in which wait state: pure tables,
// so they can be tested as tables.
namespace zepa::engine {

enum class KeyAction {
  kNone, kRestart, kMenuJump, kAbout, kLoadWindow, kSaveLoadWindow, kConfirmQuit,
  kSkipToLabel, kContinueText, kChoose, kHighlightUp, kHighlightDown, kToggleFullScreen,
};

/// `vk_code` is a Windows virtual-key code; the rows are tested in order.
KeyAction KeyActionFor(int vk_code, bool ctrl, int skip_mode, int adv_mode);

enum class ClickAction { kNone, kSkipToLabel, kContinueText, kChoose, kMousePosition };

/// What a left click on the display does; the first matching row wins.
ClickAction ClickActionFor(int skip_mode, int adv_mode);

/// True when a wheel turn of `steps` reads the next page.
bool WheelContinuesText(int steps, int skip_mode, int adv_mode);

}  // namespace zepa::engine
