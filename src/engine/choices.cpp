#include "engine/choices.h"

#include "display/gdi.h"
#include "display/pixels.h"
#include "display/text_layout.h"
#include "platform/cp932.h"
#include "script/interpreter.h"

namespace zepa::engine {
namespace {

constexpr int kLinePitch = display::kLinePitchPixels;

}  // namespace

Choices::Choices(display::MessageWindow& message, platform::Surface& display,
                 script::VariableTable& vars, int& adv_mode)
    : message_(message), display_(display), vars_(vars), adv_mode_(adv_mode) {}

void Choices::Reset() {
  mouse_x_target_.reset();
  mouse_y_target_.reset();
  select_number_ = 0;
  select_now_ = 0;
  choice_lines_drawn_ = 0;
  select_color_ = 0xffff00;
  select_back_color_ = 0xff0000;
  select_text_color_ = 0x00ffff;
}

void Choices::SelCommand(std::string_view text) {
  select_now_ = 0;
  ShowChoices(text);
}

void Choices::ShowChoices(std::string_view text) {
  const display::ChoiceLayout layout = display::LayoutChoices(text, message_.layout().geometry);
  select_text_ = layout.select_text;
  select_number_ = layout.select_number;
  DrawChoices(0);
  message_.ShowWaitIcon(display::WaitIconKind::kSelect);
}

void Choices::DrawChoices(int highlight) {
  const display::MessageLayout& area = message_.layout();
  if (choice_lines_drawn_ != 0) {
    display::Blit(display_, choice_backup_, area.x, area.y);
    choice_lines_drawn_ = 0;
  }
  if (select_text_.empty()) {
    message_.Repaint();
    return;
  }
  const int top = message_.ChoiceListTop();
  message_.UncoverIcon();
  choice_backup_ = display::CopyRect(display_, area.x, area.y, area.geometry.width,
                                     kLinePitch * area.geometry.lines);
  const std::vector<std::string_view> lines = display::SplitPageLines(select_text_);
  for (size_t i = 0; i < lines.size(); ++i) {
    const int k = static_cast<int>(i) + 1;
    const int y = top + kLinePitch * (k - 1);
    if (k == highlight) {
      const int width = display::TextWidth(lines[i]);
      display::DrawRectangle(display_, select_x_, y, select_x_ + width, y + kLinePitch,
                             select_back_color_, select_back_color_);
      message_.DrawTextAt(display_, select_x_, y, lines[i], select_text_color_);
    } else {
      message_.DrawTextAt(display_, select_x_, y, lines[i], select_color_);
    }
    choice_lines_drawn_ = k;
  }
  message_.Repaint();
}

void Choices::SetHighlight(int n) {
  if (n == 0) {
    message_.HideWaitIcon();
    select_number_ = 0;
    select_text_.clear();
    DrawChoices(0);
    adv_mode_ = script::adv::kRun;
  } else if (n != select_now_) {
    DrawChoices(n);
    select_now_ = n;
  }
}

void Choices::Choose(int k) {
  vars_.SetVariableNumber("SELECT", k);
  SetHighlight(0);
}

void Choices::ChooseHighlighted() {
  if (select_now_ != 0) Choose(select_now_);
}

void Choices::HighlightUp() {
  if (select_now_ > 1) SetHighlight(select_now_ - 1);
}

void Choices::HighlightDown() {
  if (select_now_ < select_number_) SetHighlight(select_now_ + 1);
}

void Choices::PointerAt(int x, int y) {
  if (adv_mode_ == script::adv::kChoice && InOptionArea(x, y)) SetHighlight(OptionAt(y));
}

void Choices::ClickAt(int x, int y) {
  // With nothing highlighted yet (the pointer never moved), the click picks
  // the option under the pointer, as a player expects.
  if (InOptionArea(x, y)) Choose(select_now_ != 0 ? select_now_ : OptionAt(y));
}

void Choices::MouseCommand(std::string_view arg) {
  // Without a comma the old targets stay; a third field is ignored.
  const size_t comma = arg.find(',');
  if (comma != std::string_view::npos) {
    const std::string x(arg.substr(0, comma));
    std::string y(arg.substr(comma + 1));
    y = y.substr(0, y.find(','));
    mouse_x_target_.reset();
    mouse_y_target_.reset();
    if (vars_.VariableText(x)) mouse_x_target_ = x;
    if (vars_.VariableText(y)) mouse_y_target_ = y;
  }
  message_.ShowWaitIcon(display::WaitIconKind::kMouse);
}

void Choices::ClickForPosition(int x, int y) {
  if (mouse_x_target_ && mouse_y_target_) {
    vars_.SetVariableNumber(*mouse_x_target_, x);
    vars_.SetVariableNumber(*mouse_y_target_, y);
    message_.HideWaitIcon();
  }
  message_.EraseMessage();
  adv_mode_ = script::adv::kRun;
}

bool Choices::InOptionArea(int x, int y) const {
  const display::MessageLayout& area = message_.layout();
  const int top = message_.select_y();
  return x > select_x_ && x < area.x + area.geometry.width && y > top &&
         y < top + kLinePitch * select_number_;
}

int Choices::OptionAt(int y) const { return (y - message_.select_y()) / kLinePitch + 1; }

void Choices::RestoreRecord(std::string select_text, int select_number, int select_now,
                            int select_x, platform::Color color, platform::Color back_color,
                            platform::Color text_color) {
  select_text_ = std::move(select_text);
  select_number_ = select_number;
  select_now_ = select_now;
  select_x_ = select_x;
  select_color_ = color;
  select_back_color_ = back_color;
  select_text_color_ = text_color;
}

void Choices::AddDumpFields(nlohmann::ordered_json& j) const {
  j["select_number"] = select_number_;
  j["select_now"] = select_now_;
  j["select_text"] = platform::Cp932ToUtf8(select_text_);
  j["select_x"] = select_x_;
  j["select_y"] = message_.select_y();
  j["select_colors"] = {select_color_, select_back_color_, select_text_color_};
}

}  // namespace zepa::engine
