#include "windows/question_box.h"

#include <cstdint>

namespace zepa::windows {
namespace {

using platform::Control;
using platform::ControlKind;

// The longest argument the command copies before splitting it.
constexpr size_t kArgumentBytes = 1024;

// At most `bytes` - 1 bytes of CP932 text, cut before a double-byte
// character that would not fit whole rather than through it.
std::string WholeChars(std::string_view text, size_t bytes) {
  size_t end = 0;
  while (end < text.size()) {
    const auto b = static_cast<uint8_t>(text[end]);
    const bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    const size_t step = lead && end + 1 < text.size() ? 2 : 1;
    if (end + step > bytes - 1) break;
    end += step;
  }
  return std::string(text.substr(0, end));
}

}  // namespace

bool ParseQuestion(std::string_view argument, Question& question) {
  const std::string text = WholeChars(argument, kArgumentBytes);
  // Commas are single bytes and no CP932 trail byte is a comma, so a plain
  // search cannot split a double-byte character.
  const size_t first = text.find(',');
  if (first == std::string::npos) return false;
  question.name = WholeChars(std::string_view(text).substr(0, first), kQuestionBytes);
  const std::string_view rest = std::string_view(text).substr(first + 1);
  const size_t second = rest.find(',');
  if (second == std::string_view::npos) return false;
  question.message = WholeChars(rest.substr(0, second), kQuestionBytes);
  question.answer = WholeChars(rest.substr(second + 1), kQuestionBytes);
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
  // The first keys the player types go to the answer.
  box.focus = "Edit_PARAM";

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
      question.answer = WholeChars(answer, kQuestionBytes);
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
