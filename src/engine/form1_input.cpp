// The player's keys and clicks: which ends which wait, picks which choice,
// and what the function keys do.
#include "engine/form1.h"
#include "engine/input_rules.h"
#include "windows/about_box.h"

namespace zepa::engine {

void Form1::Restart() {
  // Music stops with the sound module; the screen fades to white first.
  FillBuffer(0xffffff);
  FadeToBuffer(500);
  if (LoadScenario(st_.scenario_name) == script::LoadOutcome::kLoaded) {
    ResetState();
    st_.adv_mode = script::adv::kRun;
  }
}

void Form1::OnKeyDown(int vk_code, bool /*shift*/, bool ctrl) {
  const KeyAction action = KeyActionFor(vk_code, ctrl, st_.skip_mode, st_.adv_mode);
  switch (action) {
    case KeyAction::kRestart:
      Restart();
      break;
    case KeyAction::kMenuJump:
      st_.go_target = "#MENU";
      break;
    case KeyAction::kAbout:
      windows::ShowAbout(host_, window_state_, kCaption, kVersion);
      break;
    case KeyAction::kSaveLoadWindow:
    case KeyAction::kConfirmQuit:
      // The save/load and quit windows come with the auxiliary windows.
      break;
    case KeyAction::kLoadWindow:
      st_.window_request = 2;
      break;
    case KeyAction::kSkipToLabel:
      interp_.SkipToLabel();
      st_.adv_mode = script::adv::kRun;
      break;
    case KeyAction::kContinueText:
      ContinueText();
      break;
    case KeyAction::kChoose:
      if (select_now_ != 0) Choose(select_now_);
      break;
    case KeyAction::kHighlightUp:
      if (select_now_ > 1) SetHighlight(select_now_ - 1);
      break;
    case KeyAction::kHighlightDown:
      if (select_now_ < select_number_) SetHighlight(select_now_ + 1);
      break;
    case KeyAction::kToggleFullScreen:
      if (full_screen_) {
        LeaveFullScreen();
      } else {
        EnterFullScreen();
      }
      break;
    case KeyAction::kNone:
      break;
  }
}

void Form1::OnMouseDown(platform::MouseButton button, int x, int y) {
  // No tick may overtake the handler or a window it opens.
  const bool timer_was_on = host_.TimerEnabled();
  host_.SetTimerEnabled(false);
  if (button == platform::MouseButton::kRight) {
    const int before = full_screen_;
    OpenMenu();
    if (full_screen_ != before) {
      if (full_screen_) {
        EnterFullScreen();
      } else {
        LeaveFullScreen();
      }
    }
  } else if (button == platform::MouseButton::kLeft) {
    if (st_.skip_mode == 1) {
      interp_.SkipToLabel();
      st_.adv_mode = script::adv::kRun;
    } else if (st_.adv_mode == script::adv::kMoreText || st_.adv_mode == script::adv::kTextEnd) {
      ContinueText();
    } else if (st_.adv_mode == script::adv::kChoice) {
      if (InOptionArea(x, y)) {
        // With nothing highlighted yet (the pointer never moved), the click
        // picks the option under the pointer, as a player expects.
        Choose(select_now_ != 0 ? select_now_ : OptionAt(y));
      }
    } else if (st_.adv_mode == script::adv::kMousePosition) {
      if (mouse_x_target_ && mouse_y_target_) {
        vars_.SetVariableNumber(*mouse_x_target_, x);
        vars_.SetVariableNumber(*mouse_y_target_, y);
        HideWaitIcon();
      }
      EraseMessage();
      st_.adv_mode = script::adv::kRun;
    }
  }
  host_.SetTimerEnabled(timer_was_on);
}

int Form1::OptionAt(int y) const { return (y - select_y_) / 21 + 1; }

void Form1::OnMouseMove(int x, int y) {
  if (st_.adv_mode == script::adv::kChoice && InOptionArea(x, y)) SetHighlight(OptionAt(y));
}

void Form1::OnMouseWheel(int steps) {
  // Turning the wheel towards the player reads the next page, as Return does.
  if (steps < 0 && (st_.adv_mode == script::adv::kMoreText || st_.adv_mode == script::adv::kTextEnd) &&
      st_.skip_mode == 0)
    ContinueText();
}

void Form1::OpenMenu() {
  // The menu window comes with the auxiliary windows.
}

void Form1::EnterFullScreen() {
  if (!host_.SetFullScreen(true)) {
    full_screen_ = 0;
    return;
  }
  full_screen_ = 1;
}

void Form1::LeaveFullScreen() {
  host_.SetFullScreen(false);
  host_.SetWindowPosition(config_.pos_left, config_.pos_top);
  full_screen_ = 0;
}

}  // namespace zepa::engine
