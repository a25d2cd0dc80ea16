#include "windows/window_dump.h"

namespace zepa::windows {
namespace {

nlohmann::ordered_json Describe(const platform::ToolWindow& w) {
  nlohmann::ordered_json j;
  j["name"] = w.name;
  j["caption"] = w.caption;
  j["position"] = {w.left, w.top};
  j["client_size"] = {w.client_width, w.client_height};
  nlohmann::ordered_json controls = nlohmann::ordered_json::array();
  for (const platform::Control& c : w.controls) {
    nlohmann::ordered_json cj;
    cj["name"] = c.Key();
    cj["kind"] = std::string(platform::ControlKindName(c.kind));
    cj["text"] = c.text;
    cj["visible"] = w.ShownOnScreen(c);
    cj["enabled"] = c.enabled;
    controls.push_back(std::move(cj));
  }
  j["controls"] = std::move(controls);
  return j;
}

}  // namespace

nlohmann::ordered_json DescribeWindows(const WindowState& state) {
  nlohmann::ordered_json list = nlohmann::ordered_json::array();
  // What was left waiting when the run ended wins: a modeless window (the
  // debug monitor) stays open after the dialogs above it are gone.
  if (!state.left_open.empty()) {
    for (const platform::ToolWindow& w : state.left_open) list.push_back(Describe(w));
  } else {
    for (const platform::ToolWindow* w : state.open) list.push_back(Describe(*w));
  }
  return list;
}

}  // namespace zepa::windows
