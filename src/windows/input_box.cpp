#include "windows/input_box.h"

#include "windows/controls.h"

namespace zepa::windows {

void BuildInputBox(platform::ToolWindow& box, const std::string& caption, const std::string& prompt,
                   std::string& text, bool& confirmed, size_t limit_bytes) {
  using platform::ControlKind;
  box.name = "InputBox";
  box.caption = caption;
  box.client_width = 300;
  box.client_height = 96;
  box.placement = platform::Placement::kScreenCenter;
  box.controls.clear();
  box.controls.push_back(
      MakeControl("Label_PROMPT", ControlKind::kLabel, {8, 10, 284, LabelHeight()}, prompt));
  platform::Control edit = MakeControl("Edit_TEXT", ControlKind::kEdit, {8, 30, 284, 21}, text);
  edit.max_cp932_bytes = limit_bytes;
  box.controls.push_back(std::move(edit));
  platform::ToolWindow* w = &box;
  platform::Control ok = MakeButton("Button_OK", {136, 62, 75, 25}, "OK", [w, &text, &confirmed] {
    text = w->Find("Edit_TEXT")->text;
    confirmed = true;
    w->Close();
  });
  ok.is_default = true;
  box.controls.push_back(std::move(ok));
  box.controls.push_back(
      MakeButton("Button_CANCEL", {217, 62, 75, 25}, "キャンセル", [w] { w->Close(); }));
  box.on_escape = [w] { w->Close(); };
}

bool RunInputBox(platform::Host& host, WindowState& state, const std::string& caption,
                 const std::string& prompt, std::string& text, size_t limit_bytes) {
  platform::ToolWindow box;
  std::string answer = text;
  bool confirmed = false;
  BuildInputBox(box, caption, prompt, answer, confirmed, limit_bytes);
  if (ShowModal(host, box, state) != ModalResult::kClosed || !confirmed) return false;
  text = std::move(answer);
  return true;
}

}  // namespace zepa::windows
