// Input on the SDL host: SDL events translated into the game's keys and
// clicks, the polled state of the hurry keys, and the discarding of queued
// input.
#include <SDL.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "platform/sdl/keymap.h"
#include "platform/sdl/sdl_host_impl.h"
#include "platform/sdl/user_events.h"

namespace zepa::platform {

void SdlHost::DispatchWindowEvent(const SDL_Event& event) {
  const bool game_window = event.window.windowID == SDL_GetWindowID(window_);
  if (game_window && event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
    presenter_.Resized();
    NoteWindowLook();
    dirty_ = shown_ != nullptr;
  }
  if (game_window && (event.window.event == SDL_WINDOWEVENT_MAXIMIZED ||
                      event.window.event == SDL_WINDOWEVENT_RESTORED))
    NoteWindowLook();
  // The screen holds what it held; it only needs pushing again.
  if (game_window && event.window.event == SDL_WINDOWEVENT_EXPOSED) presenter_.Expose();
  // With a modeless window open, closing the game window sends no SDL_QUIT
  // (that comes only with the last window); a modal window keeps the game
  // window from closing, as it disabled it of old.
  if (event.window.event == SDL_WINDOWEVENT_CLOSE && !small_.empty() && game_window &&
      std::none_of(small_.begin(), small_.end(), [](const auto& s) { return s->window->modal; })) {
    if (handler_) {
      handler_->OnCloseRequest();
    } else {
      Close();
    }
  }
}

void SdlHost::Dispatch(const SDL_Event& event) {
  if (!small_.empty() && DispatchToSmallWindows(event)) return;
  switch (event.type) {
    case SDL_QUIT:
      if (handler_) {
        handler_->OnCloseRequest();
      } else {
        Close();
      }
      return;
    case SDL_WINDOWEVENT:
      DispatchWindowEvent(event);
      return;
    default:
      if (DispatchUserEvent(event)) return;
      break;
  }
  if (!handler_) return;
  switch (event.type) {
    case SDL_KEYDOWN: {
      // Auto-repeat comes through as well: Windows repeats key-down messages.
      const int vk_code = VirtualKeyFromSdl(event.key.keysym.sym);
      const uint16_t mod = event.key.keysym.mod;
      if (vk_code != 0)
        handler_->OnKeyDown(vk_code, (mod & KMOD_SHIFT) != 0, (mod & KMOD_CTRL) != 0);
      break;
    }
    case SDL_MOUSEBUTTONDOWN: {
      MouseButton button;
      if (event.button.button == SDL_BUTTON_LEFT) {
        button = MouseButton::kLeft;
      } else if (event.button.button == SDL_BUTTON_RIGHT) {
        button = MouseButton::kRight;
      } else if (event.button.button == SDL_BUTTON_MIDDLE) {
        button = MouseButton::kMiddle;
      } else {
        break;
      }
      // Clicks on the bars around the game miss it.
      if (const std::optional<GamePoint> at = presenter_.ToDisplay(event.button.x, event.button.y))
        handler_->OnMouseDown(button, at->x, at->y);
      break;
    }
    case SDL_MOUSEMOTION:
      if (const std::optional<GamePoint> at = presenter_.ToDisplay(event.motion.x, event.motion.y))
        handler_->OnMouseMove(at->x, at->y);
      break;
    case SDL_MOUSEWHEEL: {
      int steps = event.wheel.y;
      if (event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) steps = -steps;
      if (steps != 0) handler_->OnMouseWheel(steps);
      break;
    }
    default:
      break;
  }
}

int SdlHost::WatchTaps(void* host, SDL_Event* event) {
  auto* self = static_cast<SdlHost*>(host);
  std::optional<HeldKey> key;
  if (event->type == SDL_KEYDOWN && event->key.repeat == 0) {
    switch (event->key.keysym.sym) {
      case SDLK_LSHIFT:
      case SDLK_RSHIFT:
        key = HeldKey::kShift;
        break;
      case SDLK_SPACE:
        key = HeldKey::kSpace;
        break;
      case SDLK_RETURN:
      case SDLK_KP_ENTER:
        key = HeldKey::kReturn;
        break;
      default:
        break;
    }
  } else if (event->type == SDL_MOUSEBUTTONDOWN && event->button.button == SDL_BUTTON_MIDDLE) {
    key = HeldKey::kMiddleButton;
  }
  if (key) self->taps_.Press(*key, SDL_GetTicks64());
  return 1;
}

bool SdlHost::IsHeld(HeldKey key) {
  // The player's skip asks for Ctrl on every tick and frame, from inside
  // Pump or Present, which have just read the events: the state SDL keeps
  // from them is fresh, and nothing needs pumping again.
  if (key == HeldKey::kControl) {
    const Uint8* keys = SDL_GetKeyboardState(nullptr);
    return keys[SDL_SCANCODE_LCTRL] || keys[SDL_SCANCODE_RCTRL];
  }
  // Refreshes SDL's key state; the events themselves stay queued for Pump.
  SDL_PumpEvents();
  const Uint8* keys = SDL_GetKeyboardState(nullptr);
  bool down = false;
  switch (key) {
    case HeldKey::kShift:
      down = keys[SDL_SCANCODE_LSHIFT] || keys[SDL_SCANCODE_RSHIFT];
      break;
    case HeldKey::kSpace:
      down = keys[SDL_SCANCODE_SPACE];
      break;
    case HeldKey::kReturn:
      down = keys[SDL_SCANCODE_RETURN] || keys[SDL_SCANCODE_KP_ENTER];
      break;
    case HeldKey::kMiddleButton:
      down = (SDL_GetMouseState(nullptr, nullptr) & SDL_BUTTON_MMASK) != 0;
      break;
    case HeldKey::kControl:
      break;  // answered above
  }
  return taps_.Look(key, down, SDL_GetTicks64());
}

void SdlHost::DiscardInput() {
  SDL_PumpEvents();
  std::vector<SDL_Event> kept;
  SDL_Event e;
  while (SDL_PeepEvents(&e, 1, SDL_GETEVENT, SDL_KEYDOWN, SDL_KEYDOWN) == 1)
    if (KeptKey(VirtualKeyFromSdl(e.key.keysym.sym))) kept.push_back(e);
  SDL_FlushEvents(SDL_KEYDOWN, SDL_TEXTINPUT);
  SDL_FlushEvents(SDL_MOUSEMOTION, SDL_MOUSEWHEEL);
  for (SDL_Event& k : kept) SDL_PushEvent(&k);
  taps_.Discard();
}

uint32_t EventWindowId(const SDL_Event& event) {
  switch (event.type) {
    case SDL_WINDOWEVENT:
      return event.window.windowID;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      return event.key.windowID;
    case SDL_TEXTINPUT:
      return event.text.windowID;
    case SDL_TEXTEDITING:
      return event.edit.windowID;
    case SDL_MOUSEMOTION:
      return event.motion.windowID;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      return event.button.windowID;
    case SDL_MOUSEWHEEL:
      return event.wheel.windowID;
    default:
      return 0;
  }
}

}  // namespace zepa::platform
