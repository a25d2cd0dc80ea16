// The controls that hold pictures, frames, other controls or rows.
#include <imgui.h>

#include <algorithm>

#include "platform/toolkit/theme.h"
#include "platform/toolkit/tool_window_view.h"

namespace zepa::platform {

using namespace theme;

void ToolWindowView::DrawPicture(const Control& c, const Place& at) {
  const auto [dl, x, y, w, h, id] = at;
  if (SDL_Texture* texture = PictureTexture(c))
    dl->AddImage(reinterpret_cast<ImTextureID>(texture), {x, y}, {x + w, y + h});
  if (c.on_click) {
    ImGui::SetCursorScreenPos({x, y});
    if (ImGui::InvisibleButton(id.c_str(), {w, h}))
      actions_.push_back({Action::Kind::kPress, c.Key(), {}, 0});
  }
}

void ToolWindowView::DrawPanel(const Control&, const Place& at) {
  const auto [dl, x, y, w, h, id] = at;
  dl->AddRectFilled({x, y}, {x + w, y + h}, kFace);
  Edge(dl, x, y, x + w, y + h, kShadow, kHighlight);
  Edge(dl, x + 1, y + 1, x + w - 1, y + h - 1, kHighlight, kShadow);
}

void ToolWindowView::DrawBevel(const Control&, const Place& at) {
  const auto [dl, x, y, w, h, id] = at;
  dl->AddRectFilled({x, y}, {x + w, y + 1}, kShadow);
  dl->AddRectFilled({x, y + 1}, {x + w, y + 2}, kHighlight);
}

void ToolWindowView::DrawScrollBox(ToolWindow& window, const Control& c, const Place& at) {
  const auto [dl, x, y, w, h, id] = at;
  ImGui::PushStyleColor(ImGuiCol_ChildBg, ToVec(kFace));
  BeginSunkenChild(dl, id, x, y, w, h);
  ApplyScrollToTop(c);
  const ImVec2 origin = ImGui::GetCursorScreenPos();
  DrawControls(window, c.Key(), origin.x, origin.y);
  ImGui::EndChild();
  ImGui::PopStyleColor();
}

void ToolWindowView::DrawList(const Control& c, const Place& at) {
  const auto [dl, x, y, w, h, id] = at;
  BeginSunkenChild(dl, id, x, y, w, h);
  for (size_t i = 0; i < c.items.size(); ++i) {
    const bool selected = static_cast<int>(i) == c.selected;
    if (selected) ImGui::PushStyleColor(ImGuiCol_Text, ToVec(kHighlight));
    if (ImGui::Selectable((c.items[i] + "##" + std::to_string(i)).c_str(), selected) && c.enabled)
      actions_.push_back({Action::Kind::kSelect, c.Key(), {}, static_cast<int>(i)});
    if (selected) ImGui::PopStyleColor();
  }
  ImGui::EndChild();
}

void ToolWindowView::DrawCombo(const Control& c, const Place& at) {
  const auto [dl, x, y, w, h, id] = at;
  Sunken(dl, x, y, x + w, y + h);
  ImGui::SetCursorScreenPos({x + 2, y + 2});
  ImGui::PushItemWidth(std::max(w - 4, 1.0f));
  // The box fills the sunken opening exactly, at any scale: the default
  // padding makes it a pixel taller than the opening and hides its edge.
  ImGui::PushStyleVar(ImGuiStyleVar_FramePadding,
                      {3.0f, std::max((h - 4 - ImGui::GetFontSize()) / 2, 0.0f)});
  const char* shown = c.selected >= 0 && c.selected < static_cast<int>(c.items.size())
                          ? c.items[static_cast<size_t>(c.selected)].c_str()
                          : "";
  if (ImGui::BeginCombo(id.c_str(), shown)) {
    for (size_t i = 0; i < c.items.size(); ++i) {
      if (ImGui::Selectable((c.items[i] + "##" + std::to_string(i)).c_str(),
                            static_cast<int>(i) == c.selected) &&
          c.enabled)
        actions_.push_back({Action::Kind::kSelect, c.Key(), {}, static_cast<int>(i)});
    }
    ImGui::EndCombo();
  }
  ImGui::PopStyleVar();
  ImGui::PopItemWidth();
}

void ToolWindowView::DrawGrid(const Control& c, const Place& at) {
  const auto [dl, x, y, w, h, id] = at;
  BeginSunkenChild(dl, id, x, y, w, h);
  const ImVec2 origin = ImGui::GetCursorScreenPos();
  ImDrawList* cdl = ImGui::GetWindowDrawList();
  const float row_h = ImGui::GetFontSize() + 8;
  float cy = origin.y;
  for (size_t r = 0; r < c.cells.size(); ++r) {
    float cx = origin.x;
    for (size_t col = 0; col < c.cells[r].size(); ++col) {
      const float cw =
          col < c.column_widths.size() ? static_cast<float>(c.column_widths[col]) : 64.0f;
      // The first row and the first column are fixed cells.
      if (r == 0 || col == 0) {
        cdl->AddRectFilled({cx, cy}, {cx + cw, cy + row_h}, kFace);
        Edge(cdl, cx, cy, cx + cw, cy + row_h, kHighlight, kShadow);
      } else {
        cdl->AddRect({cx - 1, cy - 1}, {cx + cw, cy + row_h}, kFace);
      }
      cdl->PushClipRect({cx, cy}, {cx + cw - 1, cy + row_h}, true);
      cdl->AddText({cx + 2, cy + 4}, kText, c.cells[r][col].c_str());
      cdl->PopClipRect();
      cx += cw + 1;
    }
    cy += row_h + 1;
  }
  ImGui::SetCursorScreenPos({origin.x, cy});
  ImGui::Dummy({1, 1});
  ImGui::EndChild();
}

}  // namespace zepa::platform
