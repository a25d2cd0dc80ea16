#include "engine/input_rules.h"

#include "platform/host.h"
#include "script/interpreter.h"

namespace zepa::engine {

KeyAction KeyActionFor(int vk_code, bool ctrl, int skip_mode, int adv_mode) {
  using namespace platform::vk;
  if (vk_code == 'L' && ctrl) return KeyAction::kRestart;
  if (vk_code == kF1) return KeyAction::kMenuJump;
  if (vk_code == kShift) return KeyAction::kNone;
  if (vk_code == kEscape) return KeyAction::kAbout;
  if (vk_code == 'L') return KeyAction::kLoadWindow;
  if (vk_code == 'S') return KeyAction::kSaveLoadWindow;
  if (vk_code == 'Q') return KeyAction::kConfirmQuit;
  // Not in the old key table, but what players of today expect.
  if (vk_code == kF11) return KeyAction::kToggleFullScreen;
  const bool confirm = vk_code == kReturn || vk_code == kSpace;
  if (confirm) {
    if (skip_mode == 1) return KeyAction::kSkipToLabel;
    if (adv_mode == script::adv::kMoreText || adv_mode == script::adv::kTextEnd)
      return KeyAction::kContinueText;
  }
  if (adv_mode == script::adv::kChoice) {
    if (confirm) return KeyAction::kChoose;
    if (vk_code == kUp) return KeyAction::kHighlightUp;
    if (vk_code == kDown) return KeyAction::kHighlightDown;
  }
  return KeyAction::kNone;
}

ClickAction ClickActionFor(int skip_mode, int adv_mode) {
  if (skip_mode == 1) return ClickAction::kSkipToLabel;
  if (adv_mode == script::adv::kMoreText || adv_mode == script::adv::kTextEnd) return ClickAction::kContinueText;
  if (adv_mode == script::adv::kChoice) return ClickAction::kChoose;
  if (adv_mode == script::adv::kMousePosition) return ClickAction::kMousePosition;
  return ClickAction::kNone;
}

// Turning the wheel towards the player reads the next page, as Return does.
bool WheelContinuesText(int steps, int skip_mode, int adv_mode) {
  return steps < 0 && skip_mode == 0 &&
         (adv_mode == script::adv::kMoreText || adv_mode == script::adv::kTextEnd);
}

}  // namespace zepa::engine
