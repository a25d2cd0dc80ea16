// The state dump of headless runs: JSON with texts converted to UTF-8.
#include <nlohmann/json.hpp>

#include "engine/form1.h"
#include "platform/cp932.h"
#include "platform/files.h"

namespace zepa::engine {

std::string Form1::DumpJson() const {
  using nlohmann::ordered_json;
  auto text = [](std::string_view s) { return platform::Cp932ToUtf8(s); };
  ordered_json j;
  j["adv_mode"] = st_.adv_mode;
  j["skip_mode"] = st_.skip_mode;
  if (st_.current_line) {
    j["current_line"] = *st_.current_line;
  } else {
    j["current_line"] = nullptr;
  }
  j["scenario"] = text(st_.scenario_name);
  j["scene"] = text(st_.scene_name);
  j["go_target"] = text(st_.go_target);
  j["window_request"] = st_.window_request;
  j["save_allowed"] = st_.save_allowed;
  j["debug_state"] = debug_state_;
  j["full_screen"] = full_screen_;
  j["wait_start"] = st_.wait_start;
  j["until_target"] = st_.until_target;
  j["clock_ms"] = host_.NowMs();
  j["picture"] = text(picture_path_);
  j["frame_shown"] = frame_shown_;
  j["chara"] = text(character_record_);
  j["character_count"] = character_count_;
  j["graphic_pen_color"] = graphic_pen_color_;
  j["graphic_brush_color"] = graphic_brush_color_;
  j["message_exist"] = message_exist_;
  j["text_wait"] = text_wait_;
  j["text_color"] = text_color_;
  j["bg_text_color"] = bg_text_color_;
  j["text_pending"] = text_pending_;
  j["wait_mode"] = wait_mode_;
  static constexpr const char* kIcons[] = {"next", "end", "mouse", "select"};
  j["wait_icon"] = kIcons[static_cast<int>(wait_bmp_)];
  j["select_number"] = select_number_;
  j["select_now"] = select_now_;
  j["select_text"] = text(select_text_);
  j["select_x"] = config_.select_x;
  j["select_y"] = select_y_;
  j["select_colors"] = {select_color_, select_back_color_, select_text_color_};
  ordered_json vars = ordered_json::object();
  for (int i = 0; i < script::kVariableCount; ++i) {
    const script::VariableEntry& e = vars_.entry(i);
    if (e.name[0] == '\0') continue;
    vars[text(e.name)] = text(e.value);
  }
  j["variables"] = vars;
  return j.dump(2) + "\n";
}

bool Form1::OnDumpRequest(const std::string& path, std::string* error) {
  return platform::WriteWholeFile(path, DumpJson(), error);
}

}  // namespace zepa::engine
