#pragma once
// `LoadFileWindow` (`Form_LOAD`): a scrolling list of the save files and
// scenarios beside the game, a load under any name, and a preview of the
// save under the pointer or chosen. It only chooses:
// `DialogChoice` 2 and the name in `DialogFileName` ask the opener to load.
#include <string>
#include <vector>

#include "platform/host.h"
#include "platform/tool_window.h"
#include "save/save_folder.h"
#include "windows/modal.h"

namespace zepa::windows {

class LoadFileWindow {
 public:
  /// Opening clears the results, lists the files and lays them out.
  LoadFileWindow(platform::Host& host, WindowState& state, const save::SaveFolder& folder);
  // The controls' handlers point back here.
  LoadFileWindow(const LoadFileWindow&) = delete;
  LoadFileWindow& operator=(const LoadFileWindow&) = delete;

  platform::ToolWindow& window() { return window_; }
  /// Centred on the screen, modal.
  ModalResult Show() { return ShowModal(host_, window_, state_); }

 private:
  void LayOutList(const std::vector<std::string>& saves, const std::vector<std::string>& scenarios);
  void ListClick(const std::string& file_name, bool scenario);
  void Button_MANUALClick();
  void BitBtn_OKClick();
  void BitBtn_CANCELClick();

  platform::Host& host_;
  WindowState& state_;
  const save::SaveFolder& folder_;
  std::vector<std::string> saves_;  // the listed saves' file names
  std::string chosen_;              // the file the preview shows away from the list
  platform::ToolWindow window_;
};

}  // namespace zepa::windows
