// Small windows drawn into a surface: the shots of headless runs. Only SDL
// surfaces and the software renderer are used, neither of which needs a
// window or SDL's video subsystem.
#include <SDL.h>

#include <algorithm>

#include "platform/toolkit/tool_window_view.h"

namespace zepa::platform {

Result<Surface> RenderToolWindow(const ToolWindow& window, int scale) {
  scale = std::clamp(scale, 1, 16);
  const int w = window.OuterWidth() * scale, h = window.OuterHeight() * scale;
  if (w <= 0 || h <= 0 || w > 4096 || h > 4096)
    return Status(StatusCode::kInvalid, "the window has no drawable size");
  SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ARGB8888);
  if (!surface) return Status::Failed(SDL_GetError());
  SDL_Renderer* renderer = SDL_CreateSoftwareRenderer(surface);
  if (!renderer) {
    Status failed = Status::Failed(SDL_GetError());
    SDL_FreeSurface(surface);
    return failed;
  }
  Status drawn;
  {
    ToolWindow copy = window.Snapshot();
    ToolWindowView view(renderer, copy, scale);
    if (view.ok()) {
      // The first frame lays out child windows; the second shows them.
      view.Draw(copy);
      view.Draw(copy);
      SDL_RenderPresent(renderer);
    } else {
      drawn = view.status();
    }
  }
  Surface out;
  if (drawn.ok()) {
    out.Reset(w, h, 0);
    SDL_LockSurface(surface);
    for (int y = 0; y < h; ++y) {
      const auto* src = reinterpret_cast<const uint32_t*>(
          static_cast<const uint8_t*>(surface->pixels) + static_cast<size_t>(y) * surface->pitch);
      for (int x = 0; x < w; ++x) {
        const uint32_t p = src[x];
        out.Set(x, y, MakeColor((p >> 16) & 0xff, (p >> 8) & 0xff, p & 0xff));
      }
    }
    SDL_UnlockSurface(surface);
  }
  SDL_DestroyRenderer(renderer);
  SDL_FreeSurface(surface);
  if (!drawn.ok()) return drawn;
  return out;
}

}  // namespace zepa::platform
