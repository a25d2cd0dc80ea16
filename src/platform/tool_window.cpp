#include "platform/tool_window.h"

#include <algorithm>
#include <utility>

#include "platform/cp932.h"

namespace zepa::platform {

std::string_view ControlKindName(ControlKind kind) {
  switch (kind) {
    case ControlKind::kButton:
      return "button";
    case ControlKind::kLabel:
      return "label";
    case ControlKind::kEdit:
      return "edit";
    case ControlKind::kMemo:
      return "memo";
    case ControlKind::kPicture:
      return "picture";
    case ControlKind::kPanel:
      return "panel";
    case ControlKind::kScrollBox:
      return "scroll_box";
    case ControlKind::kList:
      return "list";
    case ControlKind::kCombo:
      return "combo";
    case ControlKind::kGrid:
      return "grid";
    case ControlKind::kBevel:
      return "bevel";
  }
  return "control";
}

Control* ToolWindow::Find(std::string_view key) {
  return const_cast<Control*>(std::as_const(*this).Find(key));
}

const Control* ToolWindow::Find(std::string_view key) const {
  for (const Control& c : controls)
    if (c.Key() == key) return &c;
  for (const Control& c : controls)
    if (c.kind == ControlKind::kButton && c.text == key) return &c;
  return nullptr;
}

Rect ToolWindow::ClientRect(const Control& control) const {
  Rect r = control.rect;
  // The depth bound stops a parent cycle in a broken description.
  const Control* c = &control;
  for (int depth = 0; depth < 8 && !c->parent.empty(); ++depth) {
    c = Find(c->parent);
    if (!c) break;
    r.x += c->rect.x;
    r.y += c->rect.y;
  }
  return r;
}

bool ToolWindow::ShownOnScreen(const Control& control) const {
  const Control* c = &control;
  for (int depth = 0; depth < 8 && c; ++depth) {
    if (!c->visible) return false;
    if (c->parent.empty()) return true;
    c = Find(c->parent);
  }
  return c == nullptr || c->visible;
}

bool ToolWindow::Press(std::string_view key) {
  Control* c = Find(key);
  if (!c || !c->enabled || !ShownOnScreen(*c) || !c->on_click) return false;
  // The handler may rebuild `controls`; keep the callback alive meanwhile.
  const std::function<void()> handler = c->on_click;
  handler();
  Touch();
  return true;
}

bool ToolWindow::SetText(std::string_view key, std::string text) {
  Control* c = Find(key);
  if (!c || c->kind != ControlKind::kEdit || !c->enabled || !ShownOnScreen(*c)) return false;
  // The game keeps the text in a fixed buffer: longer input is refused
  // whole, as a field with a length limit refuses the key that overflows.
  if (c->max_cp932_bytes > 0) {
    const std::string cp932 = Utf8ToCp932(text);
    if (cp932.size() > c->max_cp932_bytes) return false;
    // A field that feeds game text takes only what the code page holds; the
    // converter writes '?' for anything else.
    if (std::count(cp932.begin(), cp932.end(), '?') != std::count(text.begin(), text.end(), '?'))
      return false;
  }
  c->text = std::move(text);
  if (c->on_change) {
    const auto handler = c->on_change;
    const std::string copy = c->text;
    handler(copy);
  }
  Touch();
  return true;
}

bool ToolWindow::PressDefault() {
  for (const Control& c : controls)
    if (c.is_default && c.kind == ControlKind::kButton) return Press(c.Key());
  return false;
}

bool ToolWindow::Key(int vk_code) {
  if (!on_key) return false;
  const auto handler = on_key;
  handler(vk_code);
  Touch();
  return true;
}

bool ToolWindow::Wheel(int steps) {
  if (!on_wheel) return false;
  const auto handler = on_wheel;
  handler(steps);
  Touch();
  return true;
}

bool ToolWindow::RightClick() {
  if (!on_right_click) return false;
  const auto handler = on_right_click;
  handler();
  Touch();
  return true;
}

bool ToolWindow::Hover(std::string_view key) {
  if (!on_hover) return false;
  std::string found;
  if (!key.empty()) {
    const Control* c = Find(key);
    if (!c || !ShownOnScreen(*c)) return false;
    found = c->Key();
  }
  const auto handler = on_hover;
  handler(found);
  Touch();
  return true;
}

void ToolWindow::Escape() {
  if (!on_escape) return;
  const auto handler = on_escape;
  handler();
  Touch();
}

void ToolWindow::RequestClose() {
  if (on_close_request) {
    const auto handler = on_close_request;
    handler();
  } else {
    Close();
  }
  Touch();
}

ToolWindow ToolWindow::Snapshot() const {
  ToolWindow copy;
  copy.name = name;
  copy.caption = caption;
  copy.client_width = client_width;
  copy.client_height = client_height;
  copy.placement = placement;
  copy.left = left;
  copy.top = top;
  copy.controls = controls;
  copy.modal = modal;
  copy.timer_interval_ms = timer_interval_ms;
  copy.framed = framed;
  copy.focus = focus;
  for (Control& c : copy.controls) {
    c.on_click = nullptr;
    c.on_change = nullptr;
    c.on_select = nullptr;
  }
  copy.closed_ = closed_;
  copy.revision_ = revision_;
  return copy;
}

}  // namespace zepa::platform
