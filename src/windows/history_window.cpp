#include "windows/history_window.h"

#include <algorithm>
#include <memory>

namespace zepa::windows {
namespace {

using platform::Control;
using platform::ControlKind;

constexpr int kWidth = 600;
constexpr int kMemoHeight = 400;

// What the memo shows for the pager's page.
std::string PageText(const std::vector<std::string>& lines, const HistoryPager& pager) {
  std::string out;
  const int end = std::min<int>(static_cast<int>(lines.size()), pager.top() + pager.page_lines());
  for (int i = pager.top(); i < end; ++i) {
    if (!out.empty()) out += '\n';
    out += ToWindowText(lines[static_cast<size_t>(i)]);
  }
  return out;
}

}  // namespace

HistoryPager::HistoryPager(int line_count, int page_lines)
    : line_count_(std::max(0, line_count)),
      page_lines_(std::max(1, page_lines)),
      top_(std::max(0, line_count_ - page_lines_)) {}

bool HistoryPager::Scroll(int lines) {
  const int last_top = std::max(0, line_count_ - page_lines_);
  if (lines > 0 && top_ >= last_top) return false;
  top_ = std::clamp(top_ + lines, 0, last_top);
  return true;
}

void BuildHistoryWindow(platform::ToolWindow& window, std::vector<std::string> lines,
                        bool large_font) {
  window.name = "History";
  window.caption = "History";
  window.client_width = kWidth + 16;
  window.client_height = kMemoHeight + 48;
  window.placement = platform::Placement::kScreenCenter;
  window.controls.clear();
  const int font_px = large_font ? 24 : 16;
  // The memo's line pitch is a little over the font's size.
  const int page_lines = kMemoHeight / (font_px + font_px / 4 + 2);

  auto shared_lines = std::make_shared<std::vector<std::string>>(std::move(lines));
  auto pager = std::make_shared<HistoryPager>(static_cast<int>(shared_lines->size()), page_lines);

  Control memo;
  memo.name = "Memo_HISTORY";
  memo.kind = ControlKind::kMemo;
  memo.rect = {8, 8, kWidth, kMemoHeight};
  memo.font_px = font_px;
  memo.text = PageText(*shared_lines, *pager);
  window.controls.push_back(std::move(memo));

  platform::ToolWindow* w = &window;
  const auto scroll = [w, pager, shared_lines](int by) {
    if (!pager->Scroll(by)) {
      w->Close();
      return;
    }
    w->Find("Memo_HISTORY")->text = PageText(*shared_lines, *pager);
  };
  const int page = pager->page_lines();
  const auto button = [&](std::string name, platform::Rect rect, std::string text,
                          std::function<void()> on_click) {
    Control c;
    c.name = std::move(name);
    c.kind = ControlKind::kButton;
    c.rect = rect;
    c.text = std::move(text);
    c.on_click = std::move(on_click);
    return c;
  };
  window.controls.push_back(button("Button_OLDER", {8, kMemoHeight + 16, 90, 22}, "PageUp",
                                   [scroll, page] { scroll(-page); }));
  window.controls.push_back(button("Button_NEWER", {104, kMemoHeight + 16, 90, 22}, "PageDown",
                                   [scroll, page] { scroll(page); }));
  Control close =
      button("Button_CLOSE", {kWidth - 82, kMemoHeight + 16, 90, 22}, "Close", [w] { w->Close(); });
  close.is_default = true;
  window.controls.push_back(std::move(close));

  window.on_escape = [w] { w->Close(); };
  window.on_right_click = [w] { w->Close(); };
  window.on_key = [scroll, page](int vk_code) {
    if (vk_code == platform::vk::kPageUp) scroll(-page);
    if (vk_code == platform::vk::kPageDown) scroll(page);
    if (vk_code == platform::vk::kUp) scroll(-1);
    if (vk_code == platform::vk::kDown) scroll(1);
  };
  // The wheel away from the player goes back in time, three lines a step.
  window.on_wheel = [scroll](int steps) { scroll(-3 * steps); };
}

ModalResult ShowHistory(platform::Host& host, WindowState& state, std::vector<std::string> lines,
                        bool large_font) {
  platform::ToolWindow window;
  BuildHistoryWindow(window, std::move(lines), large_font);
  return ShowModal(host, window, state);
}

}  // namespace zepa::windows
