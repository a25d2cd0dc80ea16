#pragma once
// Small makers for the controls of the save and load windows.
#include <functional>
#include <string>

#include "platform/tool_window.h"

namespace zepa::windows {

/// The window designs give outer sizes; the toolkit wants client sizes.
inline void SetOuterSize(platform::ToolWindow& w, int outer_width, int outer_height) {
  w.client_width = outer_width - 2 * platform::kFrameBorderPx;
  w.client_height = outer_height - platform::kCaptionBarPx - 2 * platform::kFrameBorderPx;
}

inline platform::Control MakeControl(std::string name, platform::ControlKind kind,
                                     platform::Rect rect, std::string text = {},
                                     std::function<void()> on_click = {}) {
  platform::Control c;
  c.name = std::move(name);
  c.kind = kind;
  c.rect = rect;
  c.text = std::move(text);
  c.on_click = std::move(on_click);
  return c;
}

inline platform::Control MakeButton(std::string name, platform::Rect rect, std::string text,
                                    std::function<void()> on_click) {
  return MakeControl(std::move(name), platform::ControlKind::kButton, rect, std::move(text),
                     std::move(on_click));
}

/// A label's height for its font: the old toolkit sized labels to one line.
inline int LabelHeight(int font_px = 12) { return font_px; }

/// The file name of a path without its directory and its extension, as the
/// confirmation texts name the chosen file.
std::string BareStem(const std::string& path);

/// Replaces a memo's lines and scrolls it to its top.
void SetMemoLines(platform::ToolWindow& w, const std::string& memo,
                  std::initializer_list<std::string> lines);

}  // namespace zepa::windows
