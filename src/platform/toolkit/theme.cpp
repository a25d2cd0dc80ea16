#include "platform/toolkit/theme.h"

#include <algorithm>

namespace zepa::platform::theme {

ImVec4 ToVec(ImU32 c) { return ImGui::ColorConvertU32ToFloat4(c); }

void Edge(ImDrawList* dl, float x0, float y0, float x1, float y1, ImU32 tl, ImU32 br) {
  dl->AddRectFilled({x0, y0}, {x1, y0 + 1}, tl);
  dl->AddRectFilled({x0, y0}, {x0 + 1, y1}, tl);
  dl->AddRectFilled({x0, y1 - 1}, {x1, y1}, br);
  dl->AddRectFilled({x1 - 1, y0}, {x1, y1}, br);
}

void Raised(ImDrawList* dl, float x0, float y0, float x1, float y1) {
  Edge(dl, x0, y0, x1, y1, kLight, kDarkShadow);
  Edge(dl, x0 + 1, y0 + 1, x1 - 1, y1 - 1, kHighlight, kShadow);
}

void Sunken(ImDrawList* dl, float x0, float y0, float x1, float y1) {
  Edge(dl, x0, y0, x1, y1, kShadow, kHighlight);
  Edge(dl, x0 + 1, y0 + 1, x1 - 1, y1 - 1, kDarkShadow, kLight);
}

void BeginSunkenChild(ImDrawList* dl, const std::string& id, float x, float y, float w, float h) {
  Sunken(dl, x, y, x + w, y + h);
  ImGui::SetCursorScreenPos({x + 2, y + 2});
  ImGui::BeginChild(id.c_str(), {std::max(w - 4, 1.0f), std::max(h - 4, 1.0f)}, false);
}

void Apply(ImGuiStyle& style) {
  style.WindowPadding = {0, 0};
  style.WindowBorderSize = 0;
  style.WindowRounding = 0;
  style.ChildRounding = 0;
  style.ChildBorderSize = 0;
  style.FrameRounding = 0;
  style.FrameBorderSize = 0;
  style.FramePadding = {3, 3};
  style.ItemSpacing = {0, 0};
  style.ScrollbarRounding = 0;
  style.ScrollbarSize = 16;
  style.GrabRounding = 0;
  style.Colors[ImGuiCol_Text] = ToVec(kText);
  style.Colors[ImGuiCol_TextDisabled] = ToVec(kGrayText);
  style.Colors[ImGuiCol_WindowBg] = ToVec(kFace);
  style.Colors[ImGuiCol_ChildBg] = ToVec(kWindowBg);
  style.Colors[ImGuiCol_PopupBg] = ToVec(kWindowBg);
  style.Colors[ImGuiCol_FrameBg] = ToVec(kWindowBg);
  style.Colors[ImGuiCol_FrameBgHovered] = ToVec(kWindowBg);
  style.Colors[ImGuiCol_FrameBgActive] = ToVec(kWindowBg);
  style.Colors[ImGuiCol_TextSelectedBg] = ToVec(kCaptionLeft);
  style.Colors[ImGuiCol_ScrollbarBg] = ToVec(Rgb(236, 234, 230));
  style.Colors[ImGuiCol_ScrollbarGrab] = ToVec(kFace);
  style.Colors[ImGuiCol_ScrollbarGrabHovered] = ToVec(kFace);
  style.Colors[ImGuiCol_ScrollbarGrabActive] = ToVec(kShadow);
  style.Colors[ImGuiCol_Header] = ToVec(kCaptionLeft);
  style.Colors[ImGuiCol_HeaderHovered] = ToVec(Rgb(200, 210, 230));
  style.Colors[ImGuiCol_HeaderActive] = ToVec(kCaptionLeft);
  style.Colors[ImGuiCol_Button] = ToVec(kFace);
  style.Colors[ImGuiCol_ButtonHovered] = ToVec(kFace);
  style.Colors[ImGuiCol_ButtonActive] = ToVec(kShadow);
  style.Colors[ImGuiCol_Border] = ToVec(kShadow);
  style.Colors[ImGuiCol_TableHeaderBg] = ToVec(kFace);
  style.Colors[ImGuiCol_TableBorderStrong] = ToVec(kShadow);
  style.Colors[ImGuiCol_TableBorderLight] = ToVec(kShadow);
  style.Colors[ImGuiCol_NavHighlight] = ToVec(Rgb(0, 0, 0));
}

}  // namespace zepa::platform::theme
