#include "platform/toolkit/tool_window_view.h"

#include <imgui.h>
#include <imgui_impl_sdlrenderer.h>
#include <imgui_internal.h>  // ImTextCharFromUtf8

#include <algorithm>
#include <cmath>

#include "platform/toolkit/theme.h"

namespace zepa::platform {

using namespace theme;

ToolWindowView::ToolWindowView(SDL_Renderer* renderer, const ToolWindow& window, int scale,
                               const ToolWindowInputMaker& make_input)
    : renderer_(renderer), scale_(std::clamp(scale, 1, 16)) {
  ImGuiContext* previous = ImGui::GetCurrentContext();
  context_ = ImGui::CreateContext();
  ImGui::SetCurrentContext(context_);
  ImGuiIO& io = ImGui::GetIO();
  io.IniFilename = nullptr;  // nothing of the layout is kept between runs
  io.LogFilename = nullptr;
  io.ConfigInputTextCursorBlink = false;  // a blinking caret would keep an idle window redrawing
  io.DisplaySize =
      ImVec2(static_cast<float>(window.OuterWidth()), static_cast<float>(window.OuterHeight()));
  Apply(ImGui::GetStyle());
  focus_pending_ = window.focus;
  // Enlarged, the window keeps its layout in its own pixels while the
  // renderer scales the geometry; the glyphs come from an atlas drawn at
  // the enlarged size, so text is as sharp as the screen allows.
  io.FontGlobalScale = 1.0f / static_cast<float>(scale_);
  fonts_.SetScale(scale_);

  status_ = fonts_.Load(io.Fonts, window);
  ok_ = status_.ok();
  if (ok_ && make_input) input_ = make_input();
  if (ok_) renderer_backend_ = ImGui_ImplSDLRenderer_Init(renderer_);
  if (ok_ && !renderer_backend_) {
    ok_ = false;
    status_ = Status::Failed("cannot draw the window");
  }
  if (ok_) io.FontDefault = fonts_.Default();
  ImGui::SetCurrentContext(previous);
}

ToolWindowView::~ToolWindowView() {
  ImGuiContext* previous = ImGui::GetCurrentContext();
  ImGui::SetCurrentContext(context_);
  if (renderer_backend_) ImGui_ImplSDLRenderer_Shutdown();
  input_.reset();
  for (auto& [key, texture] : pictures_) SDL_DestroyTexture(texture);
  ImGui::DestroyContext(context_);
  ImGui::SetCurrentContext(previous == context_ ? nullptr : previous);
}

void ToolWindowView::ProcessEvent(const SDL_Event& event) {
  if (!input_) return;
  ImGuiContext* previous = ImGui::GetCurrentContext();
  ImGui::SetCurrentContext(context_);
  input_->ProcessEvent(event);
  ImGui::SetCurrentContext(previous);
}

bool ToolWindowView::InCaptionBar(const ToolWindow& window, int x, int y) {
  if (!window.framed) return false;
  const int close_x = window.OuterWidth() - kFrameBorderPx - 2 - kCloseBoxW;
  return y >= kFrameBorderPx && y < kFrameBorderPx + kCaptionBarPx && x >= kFrameBorderPx &&
         x < close_x;
}

bool ToolWindowView::InScaledCaptionBar(const ToolWindow& window, int x, int y, int scale) {
  scale = std::max(scale, 1);
  return InCaptionBar(window, x / scale, y / scale);
}

std::u32string ToolWindowView::MissingGlyphs(std::string_view utf8, int px) const {
  std::u32string missing;
  const ImFont* font = fonts_.Get(px, false);
  ForEachCodePoint(utf8, [&](char32_t c) {
    if (!font || c > 0xFFFF || !font->FindGlyphNoFallback(static_cast<ImWchar>(c)))
      missing.push_back(c);
  });
  return missing;
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
  const Place at{ImGui::GetWindowDrawList(),
                 x,
                 y,
                 static_cast<float>(c.rect.width),
                 static_cast<float>(c.rect.height),
                 "##" + c.Key() + "#" + std::to_string(&c - window.controls.data())};
  ImGui::PushFont(fonts_.Get(c.font_px, c.fixed_pitch));
  switch (c.kind) {
    case ControlKind::kButton:
      DrawButton(c, at);
      if (window.on_hover && ImGui::IsItemHovered()) hovered_ = c.Key();
      break;
    case ControlKind::kLabel:
      DrawLabel(c, at);
      break;
    case ControlKind::kEdit:
      DrawEdit(c, at);
      break;
    case ControlKind::kMemo:
      DrawMemo(c, at);
      break;
    case ControlKind::kPicture:
      DrawPicture(c, at);
      break;
    case ControlKind::kPanel:
      DrawPanel(c, at);
      break;
    case ControlKind::kBevel:
      DrawBevel(c, at);
      break;
    case ControlKind::kScrollBox:
      DrawScrollBox(window, c, at);
      break;
    case ControlKind::kList:
      DrawList(c, at);
      break;
    case ControlKind::kCombo:
      DrawCombo(c, at);
      break;
    case ControlKind::kGrid:
      DrawGrid(c, at);
      break;
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

void ToolWindowView::CoverGlyphs(const ToolWindow& window) {
  // Texts change after the window opens (a notice, a variable set later,
  // what the player types): any character new to the atlas is added before
  // the frame that shows it, so nothing falls back to the missing mark.
  std::vector<std::string_view> typed;
  for (const auto& [key, text] : edit_buffers_) typed.push_back(text);
  if (!fonts_.Cover(window, typed)) return;
  ImGui::GetIO().FontDefault = fonts_.Default();
  ImGui_ImplSDLRenderer_DestroyFontsTexture();
  ImGui_ImplSDLRenderer_CreateFontsTexture();
}

void ToolWindowView::DrawFrame(const ToolWindow& window) {
  ImDrawList* dl = ImGui::GetWindowDrawList();
  const ImVec2 size = ImGui::GetIO().DisplaySize;
  const float ow = size.x, oh = size.y;
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
  CoverGlyphs(window);
  ImGui_ImplSDLRenderer_NewFrame();
  if (input_) {
    input_->NewFrame();
    // The backend measures the enlarged SDL window; the layout and the
    // pointer stay in the window's own pixels.
    io.DisplaySize =
        ImVec2(static_cast<float>(window.OuterWidth()), static_cast<float>(window.OuterHeight()));
    io.DisplayFramebufferScale = ImVec2(1, 1);
    if (scale_ > 1 && ImGui::IsMousePosValid(&io.MousePos))
      io.MousePos = ImVec2(std::floor(io.MousePos.x / static_cast<float>(scale_)),
                           std::floor(io.MousePos.y / static_cast<float>(scale_)));
  }
  ImGui::NewFrame();
  ImGui::SetNextWindowPos({0, 0});
  ImGui::SetNextWindowSize(io.DisplaySize);
  ImGui::Begin("##window", nullptr,
               ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove |
                   ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoBringToFrontOnFocus |
                   ImGuiWindowFlags_NoScrollWithMouse);
  ImGui::GetWindowDrawList()->AddRectFilled({0, 0}, io.DisplaySize, kFace);
  hovered_.clear();
  if (window.framed) {
    DrawFrame(window);
    DrawControls(window, "", kFrameBorderPx, kFrameBorderPx + kCaptionBarPx);
  } else {
    DrawControls(window, "", 0, 0);
  }
  ImGui::End();
  ImGui::Render();
  SDL_SetRenderDrawColor(renderer_, 212, 208, 200, 255);
  SDL_RenderClear(renderer_);
  // Lines and faces grow by whole pixels; the backend leaves its geometry
  // to the renderer's scale when one is set.
  const float scale = static_cast<float>(scale_);
  SDL_RenderSetScale(renderer_, scale, scale);
  ImGui_ImplSDLRenderer_RenderDrawData(ImGui::GetDrawData());
  SDL_RenderSetScale(renderer_, 1, 1);
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
  if (window.on_hover && hovered_ != hover_reported_) {
    hover_reported_ = hovered_;
    window.Hover(hovered_);
  }
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

}  // namespace zepa::platform
