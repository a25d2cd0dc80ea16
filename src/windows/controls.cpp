#include "windows/controls.h"

#include "platform/path_names.h"

namespace zepa::windows {

std::string BareStem(const std::string& path) { return platform::FileStemOf(path); }

void SetMemoLines(platform::ToolWindow& w, const std::string& memo,
                  std::initializer_list<std::string> lines) {
  platform::Control* c = w.Find(memo);
  if (!c) return;
  c->text.clear();
  for (const std::string& line : lines) {
    if (!c->text.empty()) c->text += '\n';
    c->text += line;
  }
  ++c->scroll_to_top;
  w.Touch();
}

}  // namespace zepa::windows
