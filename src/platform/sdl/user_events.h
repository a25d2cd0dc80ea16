#pragma once
// SDL user events that other parts of the SDL backend post from their own
// threads (the audio thread's end-of-play hooks) and want run on the game
// thread, from the host's pump.
#include <cstdint>
#include <functional>

union SDL_Event;

namespace zepa::platform {

/// Registers a new event type whose events `handler` receives; 0 when SDL
/// has no event numbers left.
uint32_t RegisterUserEvent(std::function<void(const SDL_Event&)> handler);
/// Forgets the handler of `type`; its events still queued are dropped.
void UnregisterUserEvent(uint32_t type);
/// Runs the handler of a user event; false for other events.
bool DispatchUserEvent(const SDL_Event& event);

}  // namespace zepa::platform
