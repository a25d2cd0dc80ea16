#include "windows/question_box.h"

#include "script/fixed_text.h"

namespace zepa::windows {
namespace {

using platform::Control;
using platform::ControlKind;
using script::Bounded;

// The longest argument the command copies before splitting it.
constexpr size_t kArgumentBytes = 1024;

}  // namespace

bool ParseQuestion(std::string_view argument, Question& question) {
  const std::string text = Bounded(argument, kArgumentBytes);
  // Commas are single bytes and no CP932 trail byte is a comma, so a plain
  // search cannot split a double-byte character.
  const size_t first = text.find(',');
  if (first == std::string::npos) return false;
  question.name = Bounded(std::string_view(text).substr(0, first), kQuestionBytes);
  const std::string_view rest = std::string_view(text).substr(first + 1);
  const size_t second = rest.find(',');
  if (second == std::string_view::npos) return false;
  question.message = Bounded(rest.substr(0, second), kQuestionBytes);
  question.answer = Bounded(rest.substr(second + 1), kQuestionBytes);
  return true;
}

void BuildQuestionBox(platform::ToolWindow& box, Question& question) {
  box.name = "Form4";
  box.caption = "質問";
  // The design's outer size is 295 x 120.
  box.client_width = 295 - 2 * platform::kFrameBorderPx;
  box.client_height = 120 - platform::kCaptionBarPx - 2 * platform::kFrameBorderPx;
  box.placement = platform::Placement::kScreenCenter;
  box.controls.clear();

  Control message;
  message.name = "Label_MESSAGE";
  message.kind = ControlKind::kLabel;
  message.rect = {8, 8, 273, 24};
  message.text = ToWindowText(question.message);
  message.font_px = 21;
  box.controls.push_back(std::move(message));

  Control edit;
  edit.name = "Edit_PARAM";
  edit.kind = ControlKind::kEdit;
  edit.rect = {8, 40, 273, 20};
  edit.text = ToWindowText(question.answer);
  edit.max_cp932_bytes = kQuestionBytes - 1;
  box.controls.push_back(std::move(edit));

  platform::ToolWindow* w = &box;
  Control cancel;
  cancel.name = "Button_CANCEL";
  cancel.kind = ControlKind::kButton;
  cancel.rect = {160, 72, 59, 17};
  cancel.text = "CANCEL";
  cancel.on_click = [w] { w->Close(); };
  box.controls.push_back(std::move(cancel));

  Control ok;
  ok.name = "Button_OK";
  ok.kind = ControlKind::kButton;
  ok.rect = {224, 72, 57, 17};
  ok.text = "OK";
  ok.on_click = [w, &question] {
    std::string answer;
    // The field admits only what CP932 holds, so the conversion succeeds;
    // were it to fail, the default stays.
    if (ToGameText(w->Find("Edit_PARAM")->text, &answer))
      question.answer = Bounded(answer, kQuestionBytes);
    w->Close();
  };
  box.controls.push_back(std::move(ok));
}

ModalResult ShowQuestionBox(platform::Host& host, WindowState& state, Question& question) {
  platform::ToolWindow box;
  BuildQuestionBox(box, question);
  return ShowModal(host, box, state);
}

}  // namespace zepa::windows
