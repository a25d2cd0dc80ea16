#include "platform/sdl/tool_window_view.h"

#include <imgui.h>
#include <imgui_freetype.h>
#include <imgui_impl_sdl.h>
#include <imgui_impl_sdlrenderer.h>
#include <imgui_stdlib.h>

#include <algorithm>
#include <iterator>
#include <set>
#include <span>
#include <string_view>

#include "platform/cp932.h"
#include "platform/sdl/font_lookup.h"

namespace zepa::platform {
namespace {

// The classic desktop palette the windows were designed on.
constexpr ImU32 Rgb(int r, int g, int b) { return IM_COL32(r, g, b, 255); }
constexpr ImU32 kFace = Rgb(212, 208, 200);
constexpr ImU32 kHighlight = Rgb(255, 255, 255);
constexpr ImU32 kLight = Rgb(212, 208, 200);
constexpr ImU32 kShadow = Rgb(128, 128, 128);
constexpr ImU32 kDarkShadow = Rgb(64, 64, 64);
constexpr ImU32 kText = Rgb(0, 0, 0);
constexpr ImU32 kGrayText = Rgb(128, 128, 128);
constexpr ImU32 kWindowBg = Rgb(255, 255, 255);
constexpr ImU32 kCaptionLeft = Rgb(10, 36, 106);
constexpr ImU32 kCaptionRight = Rgb(166, 202, 240);
constexpr ImU32 kCaptionText = Rgb(255, 255, 255);
constexpr int kCloseBoxW = 16;
constexpr int kCloseBoxH = 14;

ImVec4 ToVec(ImU32 c) { return ImGui::ColorConvertU32ToFloat4(c); }

// A 3D edge: `tl` on the top and left, `br` on the bottom and right.
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

// A scrolling area inside a sunken frame: the memo, list, grid and scroll
// box all draw their content in one. The caller ends it with EndChild.
void BeginSunkenChild(ImDrawList* dl, const std::string& id, float x, float y, float w, float h) {
  Sunken(dl, x, y, x + w, y + h);
  ImGui::SetCursorScreenPos({x + 2, y + 2});
  ImGui::BeginChild(id.c_str(), {std::max(w - 4, 1.0f), std::max(h - 4, 1.0f)}, false);
}

// Every character the window shows, the kana and full-width forms, and for
// windows with an edit field the common kanji a player may type. Rendering
// the few thousand kanji takes a good part of a second, so windows that
// only show text do without them.
std::vector<ImWchar> GlyphRanges(const ToolWindow& window, ImFontAtlas* atlas) {
  ImFontGlyphRangesBuilder builder;
  const bool editable = std::any_of(window.controls.begin(), window.controls.end(),
                                    [](const Control& c) { return c.kind == ControlKind::kEdit; });
  builder.AddRanges(editable ? atlas->GetGlyphRangesJapanese() : atlas->GetGlyphRangesDefault());
  static const ImWchar kExtra[] = {0x2000, 0x206F, 0x2190, 0x22FF, 0x2500, 0x25FF,
                                   0x3000, 0x30FF, 0xFF00, 0xFFEF, 0};
  builder.AddRanges(kExtra);
  builder.AddText(window.caption.c_str());
  for (const Control& c : window.controls) {
    builder.AddText(c.text.c_str());
    for (const std::string& item : c.items) builder.AddText(item.c_str());
    for (const auto& row : c.cells)
      for (const std::string& cell : row) builder.AddText(cell.c_str());
  }
  ImVector<ImWchar> ranges;
  builder.BuildRanges(&ranges);
  return std::vector<ImWchar>(ranges.begin(), ranges.end());
}

}  // namespace

namespace {

// The first face of `preferred` that fontconfig has (a Japanese, scalable
// one), else the closest Japanese face it knows.
std::string FindJapaneseFontFile(std::span<const char* const> preferred) {
  std::string best_path;
  size_t best_rank = SIZE_MAX;
  const std::vector<FoundFace> faces = FindJapaneseFaces(preferred, SIZE_MAX);
  for (size_t i = 0; i < faces.size(); ++i) {
    // Rank: the first preferred family the face names, else after them all
    // in the configuration's order.
    size_t rank = preferred.size() + i;
    for (const std::string& family : faces[i].families)
      for (size_t k = 0; k < preferred.size(); ++k)
        if (family == preferred[k]) rank = std::min(rank, k);
    if (rank < best_rank) {
      best_rank = rank;
      best_path = faces[i].path;
    }
  }
  return best_path;
}

}  // namespace

std::string FindToolkitFontFile() {
  // The face the windows were designed with, then its usual stand-ins: the
  // proportional gothic first. Font configurations often alias the old
  // face's name to a fixed-pitch gothic, so the family names themselves
  // decide, and the configuration's order only breaks ties.
  static const char* const kPreferred[] = {"MS PGothic",    "ＭＳ Ｐゴシック", "IPAPGothic",
                                           "IPA Pゴシック", "VL PGothic",      "Noto Sans CJK JP"};
  return FindJapaneseFontFile(kPreferred);
}

std::string FindFixedPitchToolkitFontFile() {
  static const char* const kPreferred[] = {"MS Gothic",  "ＭＳ ゴシック", "IPAGothic",
                                           "IPAゴシック", "VL Gothic",     "Noto Sans Mono CJK JP"};
  return FindJapaneseFontFile(kPreferred);
}

ToolWindowView::ToolWindowView(SDL_Window* sdl_window, SDL_Renderer* renderer,
                               const ToolWindow& window)
    : sdl_window_(sdl_window), renderer_(renderer) {
  ImGuiContext* previous = ImGui::GetCurrentContext();
  context_ = ImGui::CreateContext();
  ImGui::SetCurrentContext(context_);
  ImGuiIO& io = ImGui::GetIO();
  io.IniFilename = nullptr;  // nothing of the layout is kept between runs
  io.LogFilename = nullptr;
  io.ConfigInputTextCursorBlink = false;  // a blinking caret would keep an idle window redrawing
  io.DisplaySize =
      ImVec2(static_cast<float>(window.OuterWidth()), static_cast<float>(window.OuterHeight()));

  ImGuiStyle& style = ImGui::GetStyle();
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

  const std::string font_file = FindToolkitFontFile();
  if (font_file.empty()) {
    error_ = "no Japanese font for the windows: install fonts-ipafont-gothic";
  } else {
    // FreeType's hinting keeps 12-pixel kanji legible; stb_truetype's
    // unhinted glyphs smear at that size.
    io.Fonts->FontBuilderIO = ImGuiFreeType::GetBuilderForFreeType();
    io.Fonts->FontBuilderFlags = ImGuiFreeTypeBuilderFlags_LightHinting;
    const std::vector<ImWchar> ranges = GlyphRanges(window, io.Fonts);
    std::set<int> sizes = {12};
    for (const Control& c : window.controls) sizes.insert(std::clamp(c.font_px, 6, 72));
    ImFontConfig config;
    config.OversampleH = 1;
    config.OversampleV = 1;
    config.PixelSnapH = true;
    for (int size : sizes) {
      ImFont* font = io.Fonts->AddFontFromFileTTF(font_file.c_str(), static_cast<float>(size),
                                                  &config, ranges.data());
      if (!font) break;
      fonts_[size] = font;
    }
    // Fixed-pitch controls get the fixed gothic where there is one, and the
    // proportional face otherwise.
    std::set<int> fixed_sizes;
    for (const Control& c : window.controls)
      if (c.fixed_pitch) fixed_sizes.insert(std::clamp(c.font_px, 6, 72));
    const std::string fixed_file = fixed_sizes.empty() ? "" : FindFixedPitchToolkitFontFile();
    if (!fixed_file.empty() && fixed_file != font_file) {
      for (int size : fixed_sizes) {
        if (ImFont* font = io.Fonts->AddFontFromFileTTF(
                fixed_file.c_str(), static_cast<float>(size), &config, ranges.data()))
          fixed_fonts_[size] = font;
      }
    }
    // The ranges must outlive the build, which happens here rather than at
    // the first frame.
    if (fonts_.size() == sizes.size() && io.Fonts->Build()) {
      ok_ = true;
    } else {
      error_ = "cannot load the window font " + font_file;
    }
  }
  if (ok_ && sdl_window_) platform_backend_ = ImGui_ImplSDL2_InitForSDLRenderer(sdl_window_);
  if (ok_) renderer_backend_ = ImGui_ImplSDLRenderer_Init(renderer_);
  if (ok_ && !renderer_backend_) {
    ok_ = false;
    error_ = "cannot draw the window";
  }
  if (ok_) io.FontDefault = static_cast<ImFont*>(fonts_.at(12));
  ImGui::SetCurrentContext(previous);
}

ToolWindowView::~ToolWindowView() {
  ImGuiContext* previous = ImGui::GetCurrentContext();
  ImGui::SetCurrentContext(context_);
  if (renderer_backend_) ImGui_ImplSDLRenderer_Shutdown();
  if (platform_backend_) ImGui_ImplSDL2_Shutdown();
  for (auto& [key, texture] : pictures_) SDL_DestroyTexture(texture);
  ImGui::DestroyContext(context_);
  ImGui::SetCurrentContext(previous == context_ ? nullptr : previous);
}

void ToolWindowView::ProcessEvent(const SDL_Event& event) {
  if (!platform_backend_) return;
  ImGuiContext* previous = ImGui::GetCurrentContext();
  ImGui::SetCurrentContext(context_);
  ImGui_ImplSDL2_ProcessEvent(&event);
  ImGui::SetCurrentContext(previous);
}

bool ToolWindowView::InCaptionBar(const ToolWindow& window, int x, int y) {
  if (!window.framed) return false;
  const int close_x = window.OuterWidth() - kFrameBorderPx - 2 - kCloseBoxW;
  return y >= kFrameBorderPx && y < kFrameBorderPx + kCaptionBarPx && x >= kFrameBorderPx &&
         x < close_x;
}

SDL_Texture* ToolWindowView::PictureTexture(const Control& control) {
  const std::string& key = control.Key();
  auto found = pictures_.find(key);
  // A picture that changed (its pixels moved) gets a new texture.
  if (found != pictures_.end() && picture_sources_[key] == &control.picture) return found->second;
  if (found != pictures_.end()) {
    SDL_DestroyTexture(found->second);
    pictures_.erase(found);
  }
  const Surface& s = control.picture;
  if (s.Empty()) return nullptr;
  SDL_Texture* texture = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_BGR24,
                                           SDL_TEXTUREACCESS_STATIC, s.width, s.height);
  if (!texture) return nullptr;
  SDL_UpdateTexture(texture, nullptr, s.pixels.data(), s.Stride());
  // Stretched pictures are smoothed, as the old image control's stretch was
  // at least not blocky on a photo.
  SDL_SetTextureScaleMode(texture, SDL_ScaleModeLinear);
  pictures_[key] = texture;
  picture_sources_[key] = &control.picture;
  return texture;
}

void ToolWindowView::ApplyScrollToTop(const Control& c) {
  // Inside the control's child window: a new request scrolls it up once,
  // and the player's own scrolling is left alone until the next.
  const auto [seen, first] = scroll_requests_seen_.try_emplace(c.Key(), c.scroll_to_top);
  if (!first && seen->second != c.scroll_to_top) {
    ImGui::SetScrollY(0);
    seen->second = c.scroll_to_top;
  }
}

void ToolWindowView::DrawControl(ToolWindow& window, Control& c, float x, float y) {
  ImDrawList* dl = ImGui::GetWindowDrawList();
  const float w = static_cast<float>(c.rect.width);
  const float h = static_cast<float>(c.rect.height);
  const std::string id = "##" + c.Key() + "#" + std::to_string(&c - window.controls.data());
  ImFont* font = static_cast<ImFont*>(fonts_.count(c.font_px) ? fonts_[c.font_px] : fonts_[12]);
  if (c.fixed_pitch && fixed_fonts_.count(c.font_px))
    font = static_cast<ImFont*>(fixed_fonts_[c.font_px]);
  ImGui::PushFont(font);
  const ImU32 text_color = c.enabled ? kText : kGrayText;
  switch (c.kind) {
    case ControlKind::kButton: {
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
      const ImVec2 at{std::floor(x + (w - size.x) / 2 + shift),
                      std::floor(y + (h - size.y) / 2 + shift)};
      if (!c.enabled) dl->AddText({at.x + 1, at.y + 1}, kHighlight, c.text.c_str());
      dl->AddText(at, text_color, c.text.c_str());
      if (pressed) actions_.push_back({Action::Kind::kPress, c.Key(), {}, 0});
      break;
    }
    case ControlKind::kLabel: {
      ImGui::SetCursorScreenPos({x, y});
      const ImVec2 size = ImGui::CalcTextSize(c.text.c_str());
      const float lw = c.rect.width > 0 ? w : size.x;
      const float lh = c.rect.height > 0 ? h : size.y;
      if (c.on_click && c.enabled) {
        if (ImGui::InvisibleButton(id.c_str(), {std::max(lw, 1.0f), std::max(lh, 1.0f)}))
          actions_.push_back({Action::Kind::kPress, c.Key(), {}, 0});
        if (ImGui::IsItemHovered()) ImGui::SetMouseCursor(ImGuiMouseCursor_Hand);
      }
      const ImU32 color =
          c.text_color && c.enabled
              ? Rgb(RedOf(*c.text_color), GreenOf(*c.text_color), BlueOf(*c.text_color))
              : text_color;
      if (c.framed) {
        // A framed value: a thin sunken box, the text inset and clipped to it.
        Edge(dl, x, y, x + w, y + h, kShadow, kHighlight);
        dl->PushClipRect({x + 1, y + 1}, {x + w - 1, y + h - 1}, true);
        dl->AddText({x + 3, y + 3}, color, c.text.c_str());
        dl->PopClipRect();
      } else {
        dl->AddText({x, y}, color, c.text.c_str());
      }
      break;
    }
    case ControlKind::kEdit: {
      Sunken(dl, x, y, x + w, y + h);
      ImGui::SetCursorScreenPos({x + 2, y + 2});
      ImGui::PushItemWidth(std::max(w - 4, 1.0f));
      ImGui::PushStyleVar(ImGuiStyleVar_FramePadding,
                          {2, std::max((h - 4 - ImGui::GetFontSize()) / 2, 0.0f)});
      std::string& buffer = edit_buffers_[c.Key()];
      ImGuiInputTextFlags flags = c.enabled ? 0 : ImGuiInputTextFlags_ReadOnly;
      if (ImGui::InputText(id.c_str(), &buffer, flags))
        actions_.push_back({Action::Kind::kText, c.Key(), buffer, 0});
      ImGui::PopStyleVar();
      ImGui::PopItemWidth();
      break;
    }
    case ControlKind::kMemo: {
      BeginSunkenChild(dl, id, x, y, w, h);
      ApplyScrollToTop(c);
      ImGui::PushTextWrapPos(std::max(w - 8, 1.0f));
      ImGui::SetCursorPos({2, 1});
      ImGui::TextUnformatted(c.text.c_str());
      ImGui::PopTextWrapPos();
      ImGui::EndChild();
      break;
    }
    case ControlKind::kPicture: {
      if (SDL_Texture* texture = PictureTexture(c))
        dl->AddImage(reinterpret_cast<ImTextureID>(texture), {x, y}, {x + w, y + h});
      if (c.on_click) {
        ImGui::SetCursorScreenPos({x, y});
        if (ImGui::InvisibleButton(id.c_str(), {w, h}))
          actions_.push_back({Action::Kind::kPress, c.Key(), {}, 0});
      }
      break;
    }
    case ControlKind::kPanel:
      dl->AddRectFilled({x, y}, {x + w, y + h}, kFace);
      Edge(dl, x, y, x + w, y + h, kShadow, kHighlight);
      Edge(dl, x + 1, y + 1, x + w - 1, y + h - 1, kHighlight, kShadow);
      break;
    case ControlKind::kBevel:
      dl->AddRectFilled({x, y}, {x + w, y + 1}, kShadow);
      dl->AddRectFilled({x, y + 1}, {x + w, y + 2}, kHighlight);
      break;
    case ControlKind::kScrollBox: {
      ImGui::PushStyleColor(ImGuiCol_ChildBg, ToVec(kFace));
      BeginSunkenChild(dl, id, x, y, w, h);
      ApplyScrollToTop(c);
      const ImVec2 origin = ImGui::GetCursorScreenPos();
      DrawControls(window, c.Key(), origin.x, origin.y);
      ImGui::EndChild();
      ImGui::PopStyleColor();
      break;
    }
    case ControlKind::kList: {
      BeginSunkenChild(dl, id, x, y, w, h);
      for (size_t i = 0; i < c.items.size(); ++i) {
        const bool selected = static_cast<int>(i) == c.selected;
        if (selected) ImGui::PushStyleColor(ImGuiCol_Text, ToVec(kHighlight));
        if (ImGui::Selectable((c.items[i] + "##" + std::to_string(i)).c_str(), selected) &&
            c.enabled)
          actions_.push_back({Action::Kind::kSelect, c.Key(), {}, static_cast<int>(i)});
        if (selected) ImGui::PopStyleColor();
      }
      ImGui::EndChild();
      break;
    }
    case ControlKind::kCombo: {
      Sunken(dl, x, y, x + w, y + h);
      ImGui::SetCursorScreenPos({x + 2, y + 2});
      ImGui::PushItemWidth(std::max(w - 4, 1.0f));
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
      ImGui::PopItemWidth();
      break;
    }
    case ControlKind::kGrid: {
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
      break;
    }
  }
  ImGui::PopFont();
}

void ToolWindowView::DrawControls(ToolWindow& window, const std::string& parent, float origin_x,
                                  float origin_y) {
  float bottom = origin_y;
  // Indexes, not references: an action never runs during the frame, but the
  // vector may be rebuilt between frames.
  for (size_t i = 0; i < window.controls.size(); ++i) {
    Control& c = window.controls[i];
    if (c.parent != parent || !c.visible) continue;
    const float x = origin_x + static_cast<float>(c.rect.x);
    const float y = origin_y + static_cast<float>(c.rect.y);
    DrawControl(window, c, x, y);
    bottom = std::max(bottom, y + static_cast<float>(c.rect.height));
    // Panels hold their controls in place; scroll boxes draw their own.
    if (c.kind == ControlKind::kPanel) DrawControls(window, c.Key(), x, y);
  }
  if (!parent.empty() && window.Find(parent) &&
      window.Find(parent)->kind == ControlKind::kScrollBox) {
    // The content's height gives the scroll bar its range.
    ImGui::SetCursorScreenPos({origin_x, bottom});
    ImGui::Dummy({1, 1});
  }
}

void ToolWindowView::BuildFrame(ToolWindow& window) {
  ImGuiIO& io = ImGui::GetIO();
  io.DisplaySize =
      ImVec2(static_cast<float>(window.OuterWidth()), static_cast<float>(window.OuterHeight()));
  const uint64_t now = SDL_GetPerformanceCounter();
  io.DeltaTime = last_counter_ == 0
                     ? 1.0f / 60
                     : std::max(static_cast<float>(now - last_counter_) /
                                    static_cast<float>(SDL_GetPerformanceFrequency()),
                                1e-4f);
  last_counter_ = now;
  if (synced_revision_ != window.revision()) {
    // The game changed the window: texts in edit fields follow it, and
    // pictures are uploaded again (their pixels may have changed in place).
    for (const Control& c : window.controls)
      if (c.kind == ControlKind::kEdit) edit_buffers_[c.Key()] = c.text;
    for (auto& [key, texture] : pictures_) SDL_DestroyTexture(texture);
    pictures_.clear();
    picture_sources_.clear();
    synced_revision_ = window.revision();
  }
  ImGui_ImplSDLRenderer_NewFrame();
  if (platform_backend_) ImGui_ImplSDL2_NewFrame();
  ImGui::NewFrame();
  ImGui::SetNextWindowPos({0, 0});
  ImGui::SetNextWindowSize(io.DisplaySize);
  ImGui::Begin("##window", nullptr,
               ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove |
                   ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoBringToFrontOnFocus |
                   ImGuiWindowFlags_NoScrollWithMouse);
  ImDrawList* dl = ImGui::GetWindowDrawList();
  const float ow = io.DisplaySize.x, oh = io.DisplaySize.y;
  dl->AddRectFilled({0, 0}, {ow, oh}, kFace);
  if (!window.framed) {
    DrawControls(window, "", 0, 0);
    ImGui::End();
    ImGui::Render();
    SDL_SetRenderDrawColor(renderer_, 212, 208, 200, 255);
    SDL_RenderClear(renderer_);
    ImGui_ImplSDLRenderer_RenderDrawData(ImGui::GetDrawData());
    return;
  }
  Raised(dl, 0, 0, ow, oh);
  // The caption bar, with the close box at its right end.
  const float cb = static_cast<float>(kFrameBorderPx);
  const float ch = static_cast<float>(kCaptionBarPx - 1);
  dl->AddRectFilledMultiColor({cb, cb}, {ow - cb, cb + ch}, kCaptionLeft, kCaptionRight,
                              kCaptionRight, kCaptionLeft);
  const float text_y = std::floor(cb + (ch - ImGui::GetFontSize()) / 2);
  dl->PushClipRect({cb, cb}, {ow - cb - kCloseBoxW - 4, cb + ch}, true);
  dl->AddText({cb + 4, text_y}, kCaptionText, window.caption.c_str());
  dl->PopClipRect();
  const float bx = ow - cb - 2 - kCloseBoxW, by = cb + 2;
  ImGui::SetCursorScreenPos({bx, by});
  if (ImGui::InvisibleButton("##close", {kCloseBoxW, kCloseBoxH}))
    actions_.push_back({Action::Kind::kClose, {}, {}, 0});
  dl->AddRectFilled({bx, by}, {bx + kCloseBoxW, by + kCloseBoxH}, kFace);
  Raised(dl, bx, by, bx + kCloseBoxW, by + kCloseBoxH);
  for (int i = 0; i < 2; ++i) {
    // Two strokes of the cross, two pixels wide.
    const float o = static_cast<float>(i);
    dl->AddLine({bx + 4 + o, by + 3}, {bx + 11 + o, by + 10}, kText);
    dl->AddLine({bx + 11 + o, by + 3}, {bx + 4 + o, by + 10}, kText);
  }
  DrawControls(window, "", cb, cb + static_cast<float>(kCaptionBarPx));
  ImGui::End();
  ImGui::Render();
  SDL_SetRenderDrawColor(renderer_, 212, 208, 200, 255);
  SDL_RenderClear(renderer_);
  ImGui_ImplSDLRenderer_RenderDrawData(ImGui::GetDrawData());
}

void ToolWindowView::Draw(ToolWindow& window) {
  if (!ok_) return;
  ImGuiContext* previous = ImGui::GetCurrentContext();
  ImGui::SetCurrentContext(context_);
  BuildFrame(window);
  actions_.clear();
  ImGui::SetCurrentContext(previous);
}

void ToolWindowView::Frame(ToolWindow& window) {
  if (!ok_) return;
  ImGuiContext* previous = ImGui::GetCurrentContext();
  ImGui::SetCurrentContext(context_);
  BuildFrame(window);
  SDL_RenderPresent(renderer_);
  std::vector<Action> actions;
  actions.swap(actions_);
  ImGui::SetCurrentContext(previous);
  // The callbacks run outside the frame: one of them may open a nested
  // window, whose frames need ImGui to themselves.
  for (const Action& a : actions) {
    if (window.closed()) break;
    switch (a.kind) {
      case Action::Kind::kPress:
        window.Press(a.key);
        break;
      case Action::Kind::kText:
        if (!window.SetText(a.key, a.text)) {
          // Refused (too long for the game's buffer): the field shows the
          // text it keeps.
          window.Touch();
        }
        break;
      case Action::Kind::kSelect:
        if (Control* c = window.Find(a.key); c && c->on_select) {
          const auto handler = c->on_select;
          c->selected = a.index;
          handler(a.index);
          window.Touch();
        }
        break;
      case Action::Kind::kClose:
        window.RequestClose();
        break;
    }
  }
}

bool RenderToolWindow(const ToolWindow& window, Surface* out, std::string* error) {
  const int w = window.OuterWidth(), h = window.OuterHeight();
  if (w <= 0 || h <= 0 || w > 4096 || h > 4096) {
    if (error) *error = "the window has no drawable size";
    return false;
  }
  SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ARGB8888);
  if (!surface) {
    if (error) *error = SDL_GetError();
    return false;
  }
  SDL_Renderer* renderer = SDL_CreateSoftwareRenderer(surface);
  if (!renderer) {
    if (error) *error = SDL_GetError();
    SDL_FreeSurface(surface);
    return false;
  }
  bool drawn = false;
  {
    ToolWindow copy = window.Snapshot();
    ToolWindowView view(nullptr, renderer, copy);
    if (view.ok()) {
      // The first frame lays out child windows; the second shows them.
      view.Draw(copy);
      view.Draw(copy);
      SDL_RenderPresent(renderer);
      drawn = true;
    } else if (error) {
      *error = view.error();
    }
  }
  if (drawn) {
    out->Reset(w, h, 0);
    SDL_LockSurface(surface);
    for (int y = 0; y < h; ++y) {
      const auto* src = reinterpret_cast<const uint32_t*>(
          static_cast<const uint8_t*>(surface->pixels) + static_cast<size_t>(y) * surface->pitch);
      for (int x = 0; x < w; ++x) {
        const uint32_t p = src[x];
        out->Set(x, y, MakeColor((p >> 16) & 0xff, (p >> 8) & 0xff, p & 0xff));
      }
    }
    SDL_UnlockSurface(surface);
  }
  SDL_DestroyRenderer(renderer);
  SDL_FreeSurface(surface);
  return drawn;
}

}  // namespace zepa::platform
