// The small windows a headless run opens: placed as the real window places
// them, driven by the event script's presses, hovers and typing, and drawn
// offscreen for the script's window shots.
#include <cstdio>

#include "platform/headless/headless_host.h"
#include "platform/headless/image_writer.h"
#include "platform/log.h"
#include "platform/toolkit/tool_window_view.h"

namespace zepa::platform {
namespace {

// The game window's client width, which windows beside it are placed past.
constexpr int kGameClientWidth = 640;

}  // namespace

void HeadlessHost::OpenWindow(ToolWindow* window) {
  if (!window || std::find(windows_.begin(), windows_.end(), window) != windows_.end()) return;
  switch (window->placement) {
    case Placement::kScreenCenter:
      window->left = (screen_.width - window->OuterWidth()) / 2;
      window->top = (screen_.height - window->OuterHeight()) / 2;
      break;
    case Placement::kAtPointer:
      // The game window's position is its client area's, where the
      // pointer's display coordinates start.
      window->left = left_ + pointer_x_;
      window->top = top_ + pointer_y_;
      break;
    case Placement::kBesideGame:
      window->left = left_ + kGameClientWidth + 2 * kFrameBorderPx;
      window->top = top_ - kCaptionBarPx - kFrameBorderPx;
      break;
    case Placement::kAt:
      break;
  }
  windows_.push_back(window);
  ticks_.AddWindowTimer(window, window->timer_interval_ms, now_ms_);
}

void HeadlessHost::CloseWindow(ToolWindow* window) {
  std::erase(windows_, window);
  ticks_.RemoveWindowTimer(window);
}

bool HeadlessHost::AnswerFileDialog() {
  if (!file_answer_ || windows_.empty() || !windows_.back()->on_file_answer) return false;
  const std::optional<std::string> answer = *file_answer_;
  file_answer_.reset();
  ToolWindow* dialog = windows_.back();
  const auto handler = dialog->on_file_answer;
  handler(answer);
  dialog->Touch();
  return true;
}

void HeadlessHost::DispatchToWindow(const ScriptedEvent& e) {
  // Control actions name the top window's controls; keys go to the top
  // modal window, which holds the keyboard.
  ToolWindow* top = windows_.back();
  if (e.action == EventAction::kKey) {
    for (ToolWindow* w : windows_)
      if (w->modal) top = w;
  }
  switch (e.action) {
    case EventAction::kPress:
      if (!top->Find(e.target)) {
        LogError("zepa: line %d: press %s: the window %s has no such control\n", e.line,
                 e.target.c_str(), top->name.c_str());
      } else if (!top->Press(e.target)) {
        LogError("zepa: line %d: press %s: the control is hidden, disabled or inert\n", e.line,
                 e.target.c_str());
      }
      break;
    case EventAction::kHover:
      if (!top->Hover(e.target)) {
        LogError("zepa: line %d: hover %s: the window %s follows no pointer there\n", e.line,
                 e.target.c_str(), top->name.c_str());
      }
      break;
    case EventAction::kType:
      if (!top->SetText(e.target, e.text)) {
        LogError("zepa: line %d: type %s: no edit field takes this text in %s\n", e.line,
                 e.target.c_str(), top->name.c_str());
      }
      break;
    case EventAction::kKey:
      if (e.vk_code == vk::kReturn) {
        top->PressDefault();
      } else if (e.vk_code == vk::kEscape) {
        top->Escape();
      } else {
        top->Key(e.vk_code);
      }
      break;
    case EventAction::kWheel:
      top->Wheel(e.wheel_steps);
      break;
    case EventAction::kRightClick:
      top->RightClick();
      break;
    case EventAction::kQuit:
      break;  // handled before
    default:
      break;  // the display below a small window takes no clicks
  }
}

void HeadlessHost::WriteWindowShot(const ScriptedEvent& e) {
  const ToolWindow* found = nullptr;
  for (const ToolWindow* w : windows_)
    if (w->name == e.window) found = w;
  if (!found) {
    LogError("zepa: line %d: shot %s: no window %s is open\n", e.line, e.path.c_str(),
             e.window.c_str());
    return;
  }
  const Result<Surface> picture = RenderToolWindow(*found);
  if (!picture.ok()) {
    LogError("zepa: shot %s: %s\n", e.path.c_str(), picture.message().c_str());
    return;
  }
  if (!WriteImage(*picture, e.path)) LogError("zepa: cannot write %s\n", e.path.c_str());
}

}  // namespace zepa::platform
