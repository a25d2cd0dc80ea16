#include "platform/sdl/imgui_input.h"

#include <imgui.h>
#include <imgui_impl_sdl.h>

namespace zepa::platform {
namespace {

class SdlWindowInput : public ToolWindowInput {
 public:
  // The backend keeps its state in the context that is current now, and
  // the view makes that context current for every later call.
  explicit SdlWindowInput(SDL_Window* window) : window_(window) {}
  ~SdlWindowInput() override { ImGui_ImplSDL2_Shutdown(); }
  void ProcessEvent(const SDL_Event& event) override { ImGui_ImplSDL2_ProcessEvent(&event); }
  void NewFrame() override {
    ImGui_ImplSDL2_NewFrame();
    // The pointer over this window comes from the window's own motion: the
    // backend asks for the desktop-wide position, which SDL caches on X11
    // and refreshes only on raw input events that not every X server sends,
    // so the pointer seemed to stand still between clicks.
    if (SDL_GetMouseFocus() == window_) {
      int mouse_x = 0, mouse_y = 0;
      SDL_GetMouseState(&mouse_x, &mouse_y);
      ImGui::GetIO().MousePos = ImVec2(static_cast<float>(mouse_x), static_cast<float>(mouse_y));
    }
  }

 private:
  SDL_Window* window_;
};

}  // namespace

std::unique_ptr<ToolWindowInput> MakeSdlWindowInput(SDL_Window* window) {
  if (!window || !ImGui_ImplSDL2_InitForSDLRenderer(window)) return nullptr;
  return std::make_unique<SdlWindowInput>(window);
}

}  // namespace zepa::platform
