// The main window's side of the save and load windows: they only choose,
// and what they chose is carried out here once they have closed.
#include "engine/main_window.h"
#include "windows/load_file_window.h"
#include "windows/save_file_window.h"
#include "windows/save_load_window.h"

namespace zepa::engine {
namespace {

// The wait state a save records. A window opened inside a step that pumps
// (a timed wait, a movie, a fetch) finds the interpreter busy; a save that
// recorded that would come back with nothing left to end the busy state
// and never move again. It records "run" instead: the load resumes at the
// line the step was on.
int RecordedWaitState(int adv_mode) {
  return adv_mode == script::adv::kBusy ? script::adv::kRun : adv_mode;
}

}  // namespace

void MainWindow::OpenSaveLoadWindow() {
  if (ending_) return;
  const auto timer = StopTimerForScope(host_);
  windows::ModalResult result;
  int saved;
  {
    const auto busy = platform::SetForScope(interp_.adv_mode, script::adv::kBusy);
    saved = busy.saved();
    window_state_.dialog_choice = windows::DialogChoice::kNothing;
    windows::SaveLoadWindow window(host_, window_state_, save_folder_, interp_.save_allowed);
    result = window.Show();
  }
  // A run that ended while the window was open chose nothing.
  if (result != windows::ModalResult::kClosed) return;
  if (window_state_.dialog_choice == windows::DialogChoice::kSave) {
    save_.WriteSaveData(window_state_.dialog_file_name, RecordedWaitState(saved));
  } else if (window_state_.dialog_choice == windows::DialogChoice::kLoad) {
    // LoadChosenFile leaves adv_mode as its table says.
    save_.LoadChosenFile(window_state_.dialog_file_name, saved);
  }
}

void MainWindow::OpenSaveWindow() {
  if (ending_) return;
  const auto timer = StopTimerForScope(host_);
  windows::ModalResult result;
  {
    windows::SaveFileWindow window(host_, window_state_, save_folder_);
    result = window.Show();
  }
  if (result == windows::ModalResult::kClosed &&
      window_state_.dialog_choice == windows::DialogChoice::kSave)
    save_.WriteSaveData(window_state_.dialog_file_name, RecordedWaitState(interp_.adv_mode));
}

void MainWindow::OpenLoadWindow() {
  if (ending_) return;
  const auto timer = StopTimerForScope(host_);
  windows::ModalResult result;
  {
    windows::LoadFileWindow window(host_, window_state_, save_folder_);
    result = window.Show();
  }
  if (result == windows::ModalResult::kClosed &&
      window_state_.dialog_choice == windows::DialogChoice::kLoad)
    save_.LoadChosenFile(window_state_.dialog_file_name, interp_.adv_mode);
}

}  // namespace zepa::engine
