#pragma once
// `SaveFileWindow` (`Form_SAVE`): five fixed slots and a save under any
// name, with a preview of the slot under the pointer or chosen. It only chooses: `DialogChoice` 1
// and the name in `DialogFileName` ask the opener to save.
#include <array>
#include <string>

#include "platform/host.h"
#include "platform/tool_window.h"
#include "save/save_folder.h"
#include "windows/modal.h"

namespace zepa::windows {

class SaveFileWindow {
 public:
  /// Opening clears the results and marks the slots whose files exist.
  SaveFileWindow(platform::Host& host, WindowState& state, const save::SaveFolder& folder);
  // The controls' handlers point back here.
  SaveFileWindow(const SaveFileWindow&) = delete;
  SaveFileWindow& operator=(const SaveFileWindow&) = delete;

  platform::ToolWindow& window() { return window_; }
  /// Centred on the screen, modal.
  ModalResult Show() { return ShowModal(host_, window_, state_); }

 private:
  void Button_SAVEClick(int slot);
  void Button_ETCClick();
  void BitBtn_OKClick();
  void Cancel();

  platform::Host& host_;
  WindowState& state_;
  const save::SaveFolder& folder_;
  std::array<bool, save::kSlotCount> slot_used_{};
  std::string chosen_;  // the file the preview shows away from the slots
  platform::ToolWindow window_;
};

}  // namespace zepa::windows
