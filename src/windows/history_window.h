#pragma once
// The History window: the last pages of text and the choices taken, newest
// at the bottom, paged with PageUp/PageDown or the wheel.
#include <string>
#include <vector>

#include "platform/host.h"
#include "platform/tool_window.h"
#include "windows/modal.h"

namespace zepa::windows {

/// Which lines of the history a window shows: a page of `page_lines`
/// ending at the newest line when it opens.
class HistoryPager {
 public:
  HistoryPager(int line_count, int page_lines);
  int top() const { return top_; }
  int page_lines() const { return page_lines_; }
  /// Moves by `lines` (negative: towards older lines). False when the view
  /// was already at the newest line and was asked to go further down: the
  /// window closes then.
  bool Scroll(int lines);

 private:
  int line_count_;
  int page_lines_;
  int top_;
};

/// Fills `window` with the lines (game text) and the pager's handlers.
void BuildHistoryWindow(platform::ToolWindow& window, std::vector<std::string> lines,
                        bool large_font);

/// Shows the window modally over the game.
ModalResult ShowHistory(platform::Host& host, WindowState& state, std::vector<std::string> lines,
                        bool large_font);

}  // namespace zepa::windows
