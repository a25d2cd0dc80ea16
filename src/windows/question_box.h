#pragma once
// The question box (`Form4`) of the scenario command "get": a message, an
// edit field holding a default answer, OK and CANCEL.
#include <string>
#include <string_view>

#include "platform/host.h"
#include "platform/tool_window.h"
#include "windows/modal.h"

namespace zepa::windows {

/// Each text of a question holds up to 255 bytes.
constexpr size_t kQuestionBytes = 256;

/// `QuestionName`, `QuestionMessage`, `QuestionAnswer` (game text, CP932).
struct Question {
  std::string name;
  std::string message;
  std::string answer;
};

/// The comma rules of "get": the text before the first comma replaces
/// `name`; the text up to the second is the message and the rest (commas
/// and all) the default answer. False when the argument has fewer than two
/// commas: no box is shown then (the name has been replaced after one).
bool ParseQuestion(std::string_view argument, Question& question);

/// Fills `box` with the question box for `question`: OK copies the field
/// into `question.answer` and closes, CANCEL only closes. `box` must stay
/// where it is while shown.
void BuildQuestionBox(platform::ToolWindow& box, Question& question);

/// Shows the box modally; `question.answer` is the answer afterwards (the
/// default unless OK was pressed).
ModalResult ShowQuestionBox(platform::Host& host, WindowState& state, Question& question);

}  // namespace zepa::windows
