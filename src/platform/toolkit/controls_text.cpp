// The controls that show or take text: buttons, labels, edit fields, memos.
#include <imgui.h>
#include <imgui_stdlib.h>

#include <algorithm>
#include <cmath>

#include "platform/cp932.h"
#include "platform/toolkit/theme.h"
#include "platform/toolkit/tool_window_view.h"

namespace zepa::platform {
namespace {

using namespace theme;

// A character the game's code page lacks never enters a field that feeds
// game text: the key is refused as it is typed or pasted.
int RefuseOutsideCp932(ImGuiInputTextCallbackData* data) {
  std::string one;
  AppendUtf8(static_cast<char32_t>(data->EventChar), &one);
  const std::string cp932 = Utf8ToCp932(one);
  return cp932 == "?" && one != "?" ? 1 : 0;
}

// Input beyond the field's byte limit is refused as it is typed: what the
// edit added before the cursor goes again, whole characters at a time, so
// the field never shows more than the game will keep and never half of a
// double-byte character.
int KeepWithinLimit(ImGuiInputTextCallbackData* data) {
  if (data->EventFlag == ImGuiInputTextFlags_CallbackCharFilter) return RefuseOutsideCp932(data);
  const size_t limit = *static_cast<const size_t*>(data->UserData);
  while (Utf8ToCp932(std::string_view(data->Buf, static_cast<size_t>(data->BufTextLen))).size() >
             limit &&
         data->CursorPos > 0) {
    int start = data->CursorPos - 1;
    while (start > 0 && (static_cast<unsigned char>(data->Buf[start]) & 0xC0) == 0x80) --start;
    data->DeleteChars(start, data->CursorPos - start);
  }
  return 0;
}

}  // namespace

void ToolWindowView::DrawButton(const Control& c, const Place& at) {
  const auto [dl, x, y, w, h, id] = at;
  ImGui::SetCursorScreenPos({x, y});
  bool pressed = false;
  if (c.enabled) {
    pressed = ImGui::InvisibleButton(id.c_str(), {std::max(w, 1.0f), std::max(h, 1.0f)});
  } else {
    ImGui::Dummy({w, h});
  }
  const bool held = c.enabled && ImGui::IsItemActive() && ImGui::IsItemHovered();
  dl->AddRectFilled({x, y}, {x + w, y + h}, kFace);
  float bx = x, by = y, bw = w, bh = h;
  // Outlines are filled strips: ImGui's stroked rectangles end a pixel
  // short of the corner given.
  if (c.is_default) {
    Edge(dl, x, y, x + w, y + h, kText, kText);
    bx += 1, by += 1, bw -= 2, bh -= 2;
  }
  if (held) {
    Edge(dl, bx, by, bx + bw, by + bh, kShadow, kShadow);
  } else {
    Raised(dl, bx, by, bx + bw, by + bh);
  }
  const ImVec2 size = ImGui::CalcTextSize(c.text.c_str());
  const float shift = held ? 1.0f : 0.0f;
  const ImVec2 text_at{std::floor(x + (w - size.x) / 2 + shift),
                       std::floor(y + (h - size.y) / 2 + shift)};
  if (!c.enabled) dl->AddText({text_at.x + 1, text_at.y + 1}, kHighlight, c.text.c_str());
  dl->AddText(text_at, c.enabled ? kText : kGrayText, c.text.c_str());
  if (pressed) actions_.push_back({Action::Kind::kPress, c.Key(), {}, 0});
}

void ToolWindowView::DrawLabel(const Control& c, const Place& at) {
  const auto [dl, x, y, w, h, id] = at;
  ImGui::SetCursorScreenPos({x, y});
  const ImVec2 size = ImGui::CalcTextSize(c.text.c_str());
  const float lw = c.rect.width > 0 ? w : size.x;
  const float lh = c.rect.height > 0 ? h : size.y;
  if (c.on_click && c.enabled) {
    if (ImGui::InvisibleButton(id.c_str(), {std::max(lw, 1.0f), std::max(lh, 1.0f)}))
      actions_.push_back({Action::Kind::kPress, c.Key(), {}, 0});
    if (ImGui::IsItemHovered()) ImGui::SetMouseCursor(ImGuiMouseCursor_Hand);
  }
  const ImU32 color = c.text_color && c.enabled
                          ? Rgb(RedOf(*c.text_color), GreenOf(*c.text_color), BlueOf(*c.text_color))
                          : (c.enabled ? kText : kGrayText);
  if (c.framed) {
    // A framed value: a thin sunken box, the text inset and clipped to it.
    Edge(dl, x, y, x + w, y + h, kShadow, kHighlight);
    dl->PushClipRect({x + 1, y + 1}, {x + w - 1, y + h - 1}, true);
    dl->AddText({x + 3, y + 3}, color, c.text.c_str());
    dl->PopClipRect();
  } else {
    dl->AddText({x, y}, color, c.text.c_str());
  }
}

void ToolWindowView::DrawEdit(const Control& c, const Place& at) {
  const auto [dl, x, y, w, h, id] = at;
  Sunken(dl, x, y, x + w, y + h);
  ImGui::SetCursorScreenPos({x + 2, y + 2});
  ImGui::PushItemWidth(std::max(w - 4, 1.0f));
  ImGui::PushStyleVar(ImGuiStyleVar_FramePadding,
                      {2, std::max((h - 4 - ImGui::GetFontSize()) / 2, 0.0f)});
  std::string& buffer = edit_buffers_[c.Key()];
  ImGuiInputTextFlags flags = c.enabled ? 0 : ImGuiInputTextFlags_ReadOnly;
  size_t limit = c.max_cp932_bytes;
  if (limit > 0) flags |= ImGuiInputTextFlags_CallbackEdit | ImGuiInputTextFlags_CallbackCharFilter;
  if (c.enabled && focus_pending_ == c.Key()) {
    // The field takes the keyboard with its text selected, so the first
    // keys typed replace the default as on the old desktop.
    ImGui::SetKeyboardFocusHere();
    focus_pending_.clear();
  }
  if (ImGui::InputText(id.c_str(), &buffer, flags, limit > 0 ? KeepWithinLimit : nullptr, &limit))
    actions_.push_back({Action::Kind::kText, c.Key(), buffer, 0});
  ImGui::PopStyleVar();
  ImGui::PopItemWidth();
}

void ToolWindowView::DrawMemo(const Control& c, const Place& at) {
  const auto [dl, x, y, w, h, id] = at;
  BeginSunkenChild(dl, id, x, y, w, h);
  ApplyScrollToTop(c);
  ImGui::PushTextWrapPos(std::max(w - 8, 1.0f));
  ImGui::SetCursorPos({2, 1});
  ImGui::TextUnformatted(c.text.c_str());
  ImGui::PopTextWrapPos();
  ImGui::EndChild();
}

}  // namespace zepa::platform
