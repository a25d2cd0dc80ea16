// The state dump of headless runs: JSON with texts converted to UTF-8.
#include <nlohmann/json.hpp>

#include "engine/main_window.h"
#include "platform/cp932.h"
#include "platform/files.h"
#include "windows/window_dump.h"

namespace zepa::engine {

std::string MainWindow::DumpJson() const {
  using nlohmann::ordered_json;
  auto text = [](std::string_view s) { return platform::Cp932ToUtf8(s); };
  ordered_json j;
  j["adv_mode"] = interp_.adv_mode;
  j["skip_mode"] = interp_.skip_mode;
  if (interp_.current_line) {
    j["current_line"] = *interp_.current_line;
  } else {
    j["current_line"] = nullptr;
  }
  j["scenario"] = text(interp_.scenario_name);
  j["scene"] = text(interp_.scene_name);
  j["go_target"] = text(interp_.go_target);
  j["window_request"] = static_cast<int>(interp_.window_request);
  j["save_allowed"] = static_cast<int>(interp_.save_allowed);
  j["debug_state"] = static_cast<int>(debug_state_);
  j["full_screen"] = full_screen_;
  // Only where the host has a window to tell of, so other dumps stay as
  // they were.
  if (const std::optional<platform::WindowView> view = host_.DescribeWindow()) {
    const platform::GameRect& r = view->game_rect;
    j["window"] = {
        {"width", view->width},
        {"height", view->height},
        {"scale_mode", platform::ScaleModeName(view->scale_mode)},
        {"game_rect", {{"x", r.x}, {"y", r.y}, {"width", r.width}, {"height", r.height}}}};
  }
  j["wait_start"] = interp_.wait_start;
  j["until_target"] = interp_.until_target;
  j["clock_ms"] = host_.NowMs();
  stage_.AddDumpFields(j);
  message_.AddDumpFields(j);
  choices_.AddDumpFields(j);
  sound_.AddToDump(j);
  ordered_json vars = ordered_json::object();
  for (int i = 0; i < script::kVariableCount; ++i) {
    const script::VariableEntry& e = vars_.entry(i);
    if (e.name[0] == '\0') continue;
    vars[text(e.name)] = text(e.value);
  }
  j["variables"] = vars;
  j["dialog_choice"] = static_cast<int>(window_state_.dialog_choice);
  j["dialog_file_name"] = text(window_state_.dialog_file_name);
  j["windows"] = windows::DescribeWindows(window_state_);
  // Only while it exists, so dumps of games without it stay as they were.
  if (debug_monitor_.is_open()) j["debug_monitor"] = debug_monitor_.Describe();
  PlayerDump(j);
  return j.dump(2) + "\n";
}

platform::Status MainWindow::OnDumpRequest(const std::string& path) {
  return platform::WriteWholeFile(path, DumpJson());
}

}  // namespace zepa::engine
