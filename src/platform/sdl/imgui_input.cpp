#include "platform/sdl/imgui_input.h"

#include <imgui.h>
#include <imgui_impl_sdl.h>

namespace zepa::platform {
namespace {

class SdlWindowInput : public ToolWindowInput {
 public:
  // The backend keeps its state in the context that is current now, and
  // the view makes that context current for every later call.
  ~SdlWindowInput() override { ImGui_ImplSDL2_Shutdown(); }
  void ProcessEvent(const SDL_Event& event) override { ImGui_ImplSDL2_ProcessEvent(&event); }
  void NewFrame() override { ImGui_ImplSDL2_NewFrame(); }
};

}  // namespace

std::unique_ptr<ToolWindowInput> MakeSdlWindowInput(SDL_Window* window) {
  if (!window || !ImGui_ImplSDL2_InitForSDLRenderer(window)) return nullptr;
  return std::make_unique<SdlWindowInput>();
}

}  // namespace zepa::platform
