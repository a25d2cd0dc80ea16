#pragma once
// The numbered choice list of "sel" and the click-position wait of "mouse":
// their state, the highlight, and what a click, a key or the pointer does to
// them. Which input reaches which of these is decided by input_rules.h.
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

#include "display/message_window.h"
#include "platform/surface.h"
#include "script/variables.h"

namespace zepa::engine {

class Choices {
 public:
  /// Draws on `display` below the text of `message`; writes the picked
  /// number into `vars`; ends the choice wait in `adv_mode`.
  Choices(display::MessageWindow& message, platform::Surface& display, script::VariableTable& vars,
          int& adv_mode);
  Choices(const Choices&) = delete;
  Choices& operator=(const Choices&) = delete;

  /// MESSAGE/SELECT_X, the left of every option line.
  void Configure(int select_x) { select_x_ = select_x; }

  /// The choices' part of `ResetState`.
  void Reset();

  /// "sel": lays the options out, draws them, shows the choice icon.
  void SelCommand(std::string_view text);
  void SetColor(platform::Color color) { select_color_ = color; }
  void SetBackColor(platform::Color color) { select_back_color_ = color; }
  void SetTextColor(platform::Color color) { select_text_color_ = color; }

  void ShowChoices(std::string_view text);
  void DrawChoices(int highlight);
  /// 0 ends the choice (the number picked stays in `select_now`).
  void SetHighlight(int n);
  /// Writes k into "SELECT" and ends the choice.
  void Choose(int k);

  // The player's input while a choice waits.
  void ChooseHighlighted();
  void HighlightUp();
  void HighlightDown();
  void PointerAt(int x, int y);
  void ClickAt(int x, int y);

  /// "mouse": remembers the variables that receive the click's position and
  /// shows the mouse icon.
  void MouseCommand(std::string_view arg);
  /// The click that ends the "mouse" wait.
  void ClickForPosition(int x, int y);

  bool InOptionArea(int x, int y) const;
  int OptionAt(int y) const;

  const std::string& select_text() const { return select_text_; }
  int select_number() const { return select_number_; }
  int select_now() const { return select_now_; }
  int select_x() const { return select_x_; }
  platform::Color color() const { return select_color_; }
  platform::Color back_color() const { return select_back_color_; }
  platform::Color text_color() const { return select_text_color_; }
  /// Puts back recorded values as they were; nothing is drawn.
  void RestoreRecord(std::string select_text, int select_number, int select_now, int select_x,
                     platform::Color color, platform::Color back_color, platform::Color text_color);

  /// The choices' fields of the state dump.
  void AddDumpFields(nlohmann::ordered_json& j) const;

 private:
  display::MessageWindow& message_;
  platform::Surface& display_;
  script::VariableTable& vars_;
  int& adv_mode_;

  int select_x_ = 32;
  std::string select_text_;
  int select_number_ = 0;
  int select_now_ = 0;
  int choice_lines_drawn_ = 0;
  platform::Surface choice_backup_;
  platform::Color select_color_ = 0xffff00;
  platform::Color select_back_color_ = 0xff0000;
  platform::Color select_text_color_ = 0x00ffff;
  std::optional<std::string> mouse_x_target_;
  std::optional<std::string> mouse_y_target_;
};

}  // namespace zepa::engine
