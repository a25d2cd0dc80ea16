#include "platform/sdl/user_events.h"

#include <SDL.h>

#include <map>

namespace zepa::platform {
namespace {

// Only the game thread registers and dispatches, so no lock is needed.
std::map<uint32_t, std::function<void(const SDL_Event&)>>& Handlers() {
  static std::map<uint32_t, std::function<void(const SDL_Event&)>> handlers;
  return handlers;
}

}  // namespace

uint32_t RegisterUserEvent(std::function<void(const SDL_Event&)> handler) {
  const Uint32 type = SDL_RegisterEvents(1);
  if (type == static_cast<Uint32>(-1)) return 0;
  Handlers()[type] = std::move(handler);
  return type;
}

void UnregisterUserEvent(uint32_t type) {
  Handlers().erase(type);
  SDL_FlushEvent(type);
}

bool DispatchUserEvent(const SDL_Event& event) {
  if (event.type < SDL_USEREVENT) return false;
  auto it = Handlers().find(event.type);
  if (it == Handlers().end()) return true;
  // A copy: the handler may unregister itself.
  auto handler = it->second;
  handler(event);
  return true;
}

}  // namespace zepa::platform
