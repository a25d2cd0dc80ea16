#pragma once
// `SaveLoadWindow` (`Form5`): the combined window of the S key, the menu
// and the "save" command, leading to the save window, the load window and
// the URL input box.
#include <string>

#include "platform/host.h"
#include "platform/tool_window.h"
#include "save/save_folder.h"
#include "windows/modal.h"

namespace zepa::windows {

/// The URL the input box offers first.
extern const char* const kDefaultScenarioUrl;

class SaveLoadWindow {
 public:
  /// Opening the SAVE button shows when `save_allowed` is not 0, and
  /// a `save_allowed` of 2 is used up by this showing.
  SaveLoadWindow(platform::Host& host, WindowState& state, const save::SaveFolder& folder,
                 script::SavePermission& save_allowed);
  // The controls' handlers point back here.
  SaveLoadWindow(const SaveLoadWindow&) = delete;
  SaveLoadWindow& operator=(const SaveLoadWindow&) = delete;

  platform::ToolWindow& window() { return window_; }
  ModalResult Show() { return ShowModal(host_, window_, state_); }

 private:
  void Button_SAVEClick();
  void Button_LOADClick();
  void Button_URLClick();

  platform::Host& host_;
  WindowState& state_;
  const save::SaveFolder& folder_;
  platform::ToolWindow window_;
};

}  // namespace zepa::windows
