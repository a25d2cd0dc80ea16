#pragma once
// A shown small window's input: Dear ImGui's SDL platform backend, which
// reads the SDL window's events, size, mouse and clipboard. It lives here,
// not in the toolkit, so a headless run links no SDL window code.
#include <SDL.h>

#include <memory>

#include "platform/toolkit/tool_window_view.h"

namespace zepa::platform {

/// The input of one view shown in `window`; null when the backend cannot
/// start. Call it as a ToolWindowInputMaker, with the view's context current.
std::unique_ptr<ToolWindowInput> MakeSdlWindowInput(SDL_Window* window);

}  // namespace zepa::platform
