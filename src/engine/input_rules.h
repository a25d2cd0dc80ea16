#pragma once
// Which key does what in which wait state: a pure table, so it can be tested
// as one.
namespace zepa::engine {

enum class KeyAction {
  kNone, kRestart, kMenuJump, kAbout, kLoadWindow, kSaveLoadWindow, kConfirmQuit,
  kSkipToLabel, kContinueText, kChoose, kHighlightUp, kHighlightDown, kToggleFullScreen,
};

/// `vk_code` is a Windows virtual-key code; the rows are tested in order.
KeyAction KeyActionFor(int vk_code, bool ctrl, int skip_mode, int adv_mode);

}  // namespace zepa::engine
