#pragma once
// The look of the small windows: the classic desktop palette they were
// designed on, its 3D edges, and the ImGui style that matches it.
#include <imgui.h>

#include <string>

namespace zepa::platform::theme {

constexpr ImU32 Rgb(int r, int g, int b) { return IM_COL32(r, g, b, 255); }
inline constexpr ImU32 kFace = Rgb(212, 208, 200);
inline constexpr ImU32 kHighlight = Rgb(255, 255, 255);
inline constexpr ImU32 kLight = Rgb(212, 208, 200);
inline constexpr ImU32 kShadow = Rgb(128, 128, 128);
inline constexpr ImU32 kDarkShadow = Rgb(64, 64, 64);
inline constexpr ImU32 kText = Rgb(0, 0, 0);
inline constexpr ImU32 kGrayText = Rgb(128, 128, 128);
inline constexpr ImU32 kWindowBg = Rgb(255, 255, 255);
inline constexpr ImU32 kCaptionLeft = Rgb(10, 36, 106);
inline constexpr ImU32 kCaptionRight = Rgb(166, 202, 240);
inline constexpr ImU32 kCaptionText = Rgb(255, 255, 255);
inline constexpr int kCloseBoxW = 16;
inline constexpr int kCloseBoxH = 14;

ImVec4 ToVec(ImU32 c);

/// A 3D edge: `tl` on the top and left, `br` on the bottom and right.
void Edge(ImDrawList* dl, float x0, float y0, float x1, float y1, ImU32 tl, ImU32 br);
void Raised(ImDrawList* dl, float x0, float y0, float x1, float y1);
void Sunken(ImDrawList* dl, float x0, float y0, float x1, float y1);

/// A scrolling area inside a sunken frame: the memo, list, grid and scroll
/// box all draw their content in one. The caller ends it with EndChild.
void BeginSunkenChild(ImDrawList* dl, const std::string& id, float x, float y, float w, float h);

/// Sets the current context's style to the palette and its flat metrics.
void Apply(ImGuiStyle& style);

}  // namespace zepa::platform::theme
