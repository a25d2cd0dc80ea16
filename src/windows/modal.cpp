#include "windows/modal.h"

#include <algorithm>

#include "platform/cp932.h"

namespace zepa::windows {

void WindowState::SetDialogFileName(std::string_view cp932) {
  dialog_file_name = std::string(cp932.substr(0, std::min(cp932.size(), kDialogFileNameBytes - 1)));
}

ModalResult ShowModal(platform::Host& host, platform::ToolWindow& window, WindowState& state) {
  host.OpenWindow(&window);
  state.open.push_back(&window);
  ModalResult result = ModalResult::kClosed;
  while (!window.closed()) {
    if (host.Closed()) {
      result = ModalResult::kAbandoned;
      break;
    }
    if (host.OutOfScriptedInput()) {
      // Nobody is left to answer the window: end the run with the windows
      // as they are, the way a run ends when only the player could go on.
      if (state.left_open.empty()) {
        for (const platform::ToolWindow* w : state.open) state.left_open.push_back(w->Snapshot());
      }
      host.Close();
      result = ModalResult::kAbandoned;
      break;
    }
    if (!host.Pump(false, 0)) {
      result = host.Closed() && !window.closed() ? ModalResult::kAbandoned : ModalResult::kClosed;
      break;
    }
  }
  host.CloseWindow(&window);
  std::erase(state.open, &window);
  return window.closed() ? ModalResult::kClosed : result;
}

void OpenModeless(platform::Host& host, platform::ToolWindow& window, WindowState& state) {
  if (std::find(state.open.begin(), state.open.end(), &window) != state.open.end()) return;
  window.modal = false;
  host.OpenWindow(&window);
  state.open.push_back(&window);
}

void CloseModeless(platform::Host& host, platform::ToolWindow& window, WindowState& state) {
  host.CloseWindow(&window);
  std::erase(state.open, &window);
}

std::string ToWindowText(std::string_view cp932) { return platform::Cp932ToUtf8(cp932); }

bool ToGameText(std::string_view utf8, std::string* out) {
  std::string cp932 = platform::Utf8ToCp932(utf8);
  // The converter writes '?' for what it cannot convert.
  if (std::count(cp932.begin(), cp932.end(), '?') != std::count(utf8.begin(), utf8.end(), '?'))
    return false;
  *out = std::move(cp932);
  return true;
}

}  // namespace zepa::windows
