#pragma once
// Draws a ToolWindow with Dear ImGui on an SDL renderer: the real small
// windows of the SDL host, and the offscreen shots of headless runs. It
// needs neither an SDL window nor SDL's video subsystem: what a shown
// window's input needs comes in as a ToolWindowInput from the SDL host.
#include <SDL.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/surface.h"
#include "platform/tool_window.h"
#include "platform/toolkit/toolkit_fonts.h"

struct ImGuiContext;
struct ImDrawList;

namespace zepa::platform {

/// Feeds a shown window's pointer and keys to its view's ImGui context.
/// The SDL host's is Dear ImGui's SDL platform backend (platform/sdl);
/// views drawn offscreen have none. Every call is made with the view's
/// context current.
class ToolWindowInput {
 public:
  virtual ~ToolWindowInput() = default;
  virtual void ProcessEvent(const SDL_Event& event) = 0;
  /// Called before each frame is laid out; may set the display size and
  /// the pointer, which the view then maps to its own layout.
  virtual void NewFrame() = 0;
};

/// Makes one view's input, called once with the view's context current;
/// null when it cannot, and the view then takes input only through the
/// ToolWindow's own methods.
using ToolWindowInputMaker = std::function<std::unique_ptr<ToolWindowInput>()>;

/// One window's ImGui state: its own context, font atlas and textures,
/// bound to one renderer. The window is drawn with its frame (caption bar,
/// borders) so it looks the same with or without a window manager.
class ToolWindowView {
 public:
  /// Without `make_input` (offscreen drawing) input comes only through the
  /// ToolWindow's own methods. At a `scale` above 1 the window is laid out
  /// at its own size and drawn enlarged: lines and faces by whole pixels,
  /// text rasterised at the enlarged size; the pointer is mapped back to the
  /// unscaled layout.
  ToolWindowView(SDL_Renderer* renderer, const ToolWindow& window, int scale = 1,
                 const ToolWindowInputMaker& make_input = nullptr);
  ~ToolWindowView();
  ToolWindowView(const ToolWindowView&) = delete;
  ToolWindowView& operator=(const ToolWindowView&) = delete;

  /// False when the font could not be loaded; `status()` says why.
  bool ok() const { return ok_; }
  const Status& status() const { return status_; }

  /// Hands an SDL event of this window to ImGui.
  void ProcessEvent(const SDL_Event& event);
  /// Builds and renders one frame into the renderer and presents it, then
  /// carries out what the player did in it (clicks, edits) on `window`,
  /// whose callbacks run after ImGui has finished with the frame.
  void Frame(ToolWindow& window);
  /// Renders one frame without presenting it or acting on input.
  void Draw(ToolWindow& window);

  /// The characters of `utf8` that the last frame's font of `px` pixels
  /// has no glyph for, and would draw as its fallback mark.
  std::u32string MissingGlyphs(std::string_view utf8, int px) const;

  /// True while the caption bar is under (x, y) in window coordinates:
  /// the part of the window that moves it.
  static bool InCaptionBar(const ToolWindow& window, int x, int y);
  /// The same for a point of the window shown at `scale`.
  static bool InScaledCaptionBar(const ToolWindow& window, int x, int y, int scale);

 private:
  struct Action {
    enum class Kind { kPress, kText, kSelect, kClose } kind;
    std::string key;
    std::string text;
    int index = 0;
  };
  // Everything a control's drawing needs besides the control itself.
  struct Place {
    ImDrawList* dl;
    float x, y, w, h;
    std::string id;
  };
  void CoverGlyphs(const ToolWindow& window);
  void BuildFrame(ToolWindow& window);
  void DrawFrame(const ToolWindow& window);
  void DrawControls(ToolWindow& window, const std::string& parent, float origin_x, float origin_y);
  void DrawControl(ToolWindow& window, Control& control, float x, float y);
  // One per kind of control (controls_*.cpp).
  void DrawButton(const Control& c, const Place& at);
  void DrawLabel(const Control& c, const Place& at);
  void DrawEdit(const Control& c, const Place& at);
  void DrawMemo(const Control& c, const Place& at);
  void DrawPicture(const Control& c, const Place& at);
  void DrawPanel(const Control& c, const Place& at);
  void DrawBevel(const Control& c, const Place& at);
  void DrawScrollBox(ToolWindow& window, const Control& c, const Place& at);
  void DrawList(const Control& c, const Place& at);
  void DrawCombo(const Control& c, const Place& at);
  void DrawGrid(const Control& c, const Place& at);
  SDL_Texture* PictureTexture(const Control& control);
  void ApplyScrollToTop(const Control& control);

  SDL_Renderer* renderer_;
  int scale_ = 1;
  ImGuiContext* context_ = nullptr;
  ToolkitFonts fonts_;
  std::unique_ptr<ToolWindowInput> input_;
  bool renderer_backend_ = false;
  bool ok_ = false;
  Status status_;
  std::string focus_pending_;  // the control that takes the keyboard at the next frame
  std::map<std::string, SDL_Texture*> pictures_;
  std::map<std::string, const Surface*> picture_sources_;
  std::map<std::string, std::string> edit_buffers_;
  std::map<std::string, uint32_t> scroll_requests_seen_;
  uint64_t synced_revision_ = ~uint64_t{0};
  std::vector<Action> actions_;
  // The button under the pointer in the last frame, and the one the window
  // was last told of.
  std::string hovered_;
  std::string hover_reported_;
  uint64_t last_counter_ = 0;
};

/// Draws `window` offscreen with the software renderer (outer size times
/// `scale`, frame included).
Result<Surface> RenderToolWindow(const ToolWindow& window, int scale = 1);

}  // namespace zepa::platform
