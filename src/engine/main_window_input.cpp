// The player's input: the key, click and wheel tables decide, and one room
// acts; the restart and full-screen switches.
#include "engine/input_rules.h"
#include "engine/main_window.h"
#include "windows/about_box.h"
#include "windows/menu.h"
#include "windows/question_box.h"

namespace zepa::engine {

void MainWindow::Restart() {
  sound_.StopMusic();
  stage_.FillBuffer(0xffffff);
  stage_.FadeToBuffer(500);
  if (LoadScenario(interp_.scenario_name) == script::LoadOutcome::kLoaded) {
    ResetState();
    interp_.adv_mode = script::adv::kRun;
  }
}

void MainWindow::OnKeyDown(int vk_code, bool /*shift*/, bool ctrl) {
  if (ending_ || PlayerKey(vk_code, ctrl)) return;
  switch (KeyActionFor(vk_code, ctrl, interp_.skip_mode, interp_.adv_mode)) {
    case KeyAction::kRestart:
      Restart();
      break;
    case KeyAction::kMenuJump:
      interp_.go_target = "#MENU";
      break;
    case KeyAction::kAbout:
      windows::ShowAbout(host_, window_state_, kCaption, kVersion);
      break;
    case KeyAction::kSaveLoadWindow:
      OpenSaveLoadWindow();
      break;
    case KeyAction::kConfirmQuit:
      ConfirmQuit();
      break;
    case KeyAction::kLoadWindow:
      interp_.window_request = script::WindowRequest::kLoad;
      break;
    case KeyAction::kSkipToLabel:
      interpreter_.SkipToLabel();
      interp_.adv_mode = script::adv::kRun;
      break;
    case KeyAction::kContinueText:
      message_.ContinueText();
      break;
    case KeyAction::kChoose:
      choices_.ChooseHighlighted();
      break;
    case KeyAction::kHighlightUp:
      choices_.HighlightUp();
      break;
    case KeyAction::kHighlightDown:
      choices_.HighlightDown();
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

void MainWindow::OnMouseDown(platform::MouseButton button, int x, int y) {
  if (ending_) return;
  // A playing movie's panel takes the clicks that fall on it.
  if (sound_.OnMouseDown(button, x, y)) return;
  if (button == platform::MouseButton::kLeft) PlayerClicked();
  // No tick may overtake the handler or a window it opens.
  const auto timer = StopTimerForScope(host_);
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
    switch (ClickActionFor(interp_.skip_mode, interp_.adv_mode)) {
      case ClickAction::kSkipToLabel:
        interpreter_.SkipToLabel();
        interp_.adv_mode = script::adv::kRun;
        break;
      case ClickAction::kContinueText:
        message_.ContinueText();
        break;
      case ClickAction::kChoose:
        choices_.ClickAt(x, y);
        break;
      case ClickAction::kMousePosition:
        choices_.ClickForPosition(x, y);
        break;
      case ClickAction::kNone:
        break;
    }
  }
}

void MainWindow::OnMouseMove(int x, int y) { choices_.PointerAt(x, y); }

void MainWindow::OnMouseWheel(int steps) {
  if (PlayerWheel(steps)) return;
  if (WheelContinuesText(steps, interp_.skip_mode, interp_.adv_mode)) message_.ContinueText();
}

void MainWindow::OpenMenu() {
  if (windows::ShowMenu(host_, window_state_, full_screen_) != windows::ModalResult::kClosed)
    return;
  switch (window_state_.dialog_choice) {
    case windows::DialogChoice::kSaveLoad:
      // The timer stays stopped by the mouse handler that opened the menu.
      OpenSaveLoadWindow();
      break;
    case windows::DialogChoice::kAbout:
      windows::ShowAbout(host_, window_state_, kCaption, kVersion);
      break;
    case windows::DialogChoice::kQuit:
      ConfirmQuit();
      break;
    default:
      break;
  }
}

void MainWindow::ConfirmQuit() {
  if (windows::ShowQuitConfirmation(host_, window_state_)) EndSequence();
}

void MainWindow::AskQuestion(std::string_view argument) {
  if (!windows::ParseQuestion(argument, question_)) return;
  // Cancelled or closed, the box leaves the default, which is stored too.
  windows::ShowQuestionBox(host_, window_state_, question_);
  // A new variable in a full table has nowhere to go: the answer is dropped.
  vars_.SetVariableText(question_.name, question_.answer);
}

void MainWindow::EnterFullScreen() {
  if (!host_.SetFullScreen(true)) {
    full_screen_ = 0;
    return;
  }
  full_screen_ = 1;
}

void MainWindow::LeaveFullScreen() {
  host_.SetFullScreen(false);
  host_.SetWindowPosition(config_.pos_left, config_.pos_top);
  full_screen_ = 0;
}

}  // namespace zepa::engine
