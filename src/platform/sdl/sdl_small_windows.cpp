// The small windows (dialogs, the title, the debug monitor): each its own
// SDL window drawn by ImGui through a software renderer, only when it
// changed and at most once per display refresh; input routed to them as a
// modal or modeless window takes it.
#include <SDL.h>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/log.h"
#include "platform/sdl/imgui_input.h"
#include "platform/sdl/keymap.h"
#include "platform/sdl/sdl_host_impl.h"

namespace zepa::platform {
SDL_HitTestResult SdlHost::CaptionHitTest(SDL_Window*, const SDL_Point* point, void* data) {
  const auto* small = static_cast<const SmallWindow*>(data);
  return ToolWindowView::InScaledCaptionBar(*small->window, point->x, point->y, small->scale)
             ? SDL_HITTEST_DRAGGABLE
             : SDL_HITTEST_NORMAL;
}

int SdlHost::SmallWindowScale() const {
  // The game's own factor, to the nearest whole one (a window or full
  // screen of any size).
  return std::clamp(RoundedFactor(presenter_.game_rect(), kDisplayWidth), 1, 16);
}

void SdlHost::OpenWindow(ToolWindow* window) {
  if (!window) return;
  for (const auto& s : small_)
    if (s->window == window) return;
  SDL_Rect bounds{0, 0, kDisplayWidth, kDisplayHeight};
  SDL_GetDisplayBounds(std::max(SDL_GetWindowDisplayIndex(window_), 0), &bounds);
  int scale = SmallWindowScale();
  // Rounding up may make a large window too big for the screen.
  while (scale > 1 &&
         (window->OuterWidth() * scale > bounds.w || window->OuterHeight() * scale > bounds.h))
    --scale;
  const int w = window->OuterWidth() * scale, h = window->OuterHeight() * scale;
  switch (window->placement) {
    case Placement::kScreenCenter:
      window->left = bounds.x + std::max((bounds.w - w) / 2, 0);
      window->top = bounds.y + std::max((bounds.h - h) / 2, 0);
      break;
    case Placement::kAtPointer:
      SDL_GetGlobalMouseState(&window->left, &window->top);
      break;
    case Placement::kBesideGame: {
      int x = 0, y = 0, gw = 0;
      SDL_GetWindowPosition(window_, &x, &y);
      SDL_GetWindowSize(window_, &gw, nullptr);
      window->left = x + gw;
      window->top = y;
      break;
    }
    case Placement::kAt:
      break;
  }
  auto small = std::make_unique<SmallWindow>();
  small->window = window;
  small->scale = scale;
  // Borderless with a frame of its own: it looks alike with any window
  // manager or none, and "always on top" keeps it above a full-screen game.
  small->sdl =
      SDL_CreateWindow(window->caption.c_str(), window->left, window->top, w, h,
                       SDL_WINDOW_HIDDEN | SDL_WINDOW_BORDERLESS | SDL_WINDOW_ALWAYS_ON_TOP);
  if (small->sdl) small->renderer = SDL_CreateRenderer(small->sdl, -1, SDL_RENDERER_SOFTWARE);
  if (small->renderer)
    small->view = std::make_unique<ToolWindowView>(
        small->renderer, *window, scale, [sdl = small->sdl] { return MakeSdlWindowInput(sdl); });
  if (!small->view || !small->view->ok()) {
    LogError("zepa: cannot show the window %s: %s\n", window->name.c_str(),
             small->view ? small->view->status().message().c_str() : SDL_GetError());
    if (small->renderer) SDL_DestroyRenderer(small->renderer);
    if (small->sdl) SDL_DestroyWindow(small->sdl);
    // A window nobody can see or close must not hold the game: it closes
    // as its close button would.
    window->RequestClose();
    return;
  }
  // The field that takes the keyboard becomes active two frames after it
  // asks; those frames are drawn before the first event is read, so keys
  // typed the moment the window opens go into the field.
  if (!window->focus.empty())
    for (int i = 0; i < 2; ++i) small->view->Frame(*window);
  small->id = SDL_GetWindowID(small->sdl);
  SDL_SetWindowHitTest(small->sdl, CaptionHitTest, small.get());
  small->frames_due = kFramesAfterInput;
  ticks_.AddWindowTimer(window, window->timer_interval_ms, SDL_GetTicks64());
  SDL_ShowWindow(small->sdl);
  if (window->modal) {
    // Raising asks the window manager for the keyboard; a manager that
    // gives it to the window under the pointer (or none at all) would not
    // move it, and the first keys typed would reach the blocked game.
    SDL_RaiseWindow(small->sdl);
    SDL_SetWindowInputFocus(small->sdl);
  } else {
    // A modeless window opens without taking the keyboard: the game goes
    // on receiving the player's keys until the player clicks into it.
    SDL_SetWindowInputFocus(window_);
  }
  if (small_.empty()) SDL_StartTextInput();
  small_.push_back(std::move(small));
}

void SdlHost::FireWindowTimers(uint64_t now_ms) {
  // A handler may open or close windows: walk a copy and skip the gone.
  std::vector<ToolWindow*> order;
  for (const auto& s : small_) order.push_back(s->window);
  for (ToolWindow* w : order) {
    if (!ticks_.TakeWindowDue(w, now_ms)) continue;
    if (w->on_timer) {
      const auto handler = w->on_timer;
      handler();
    }
    if (closed_) return;
  }
}

void SdlHost::DestroySmall(SmallWindow* small) {
  ticks_.RemoveWindowTimer(small->window);
  small->view.reset();
  SDL_DestroyRenderer(small->renderer);
  SDL_DestroyWindow(small->sdl);
  std::erase_if(small_, [&](const std::unique_ptr<SmallWindow>& s) { return s.get() == small; });
#ifdef __GLIBC__
  // A window's font atlas and draw lists are megabytes that the allocator
  // would otherwise keep mapped for the rest of the run.
  malloc_trim(0);
#endif
}

void SdlHost::CloseWindow(ToolWindow* window) {
  for (const auto& s : small_) {
    if (s->window != window) continue;
    DestroySmall(s.get());
    // Without a window manager the keyboard focus would fall to nobody
    // when the focused window goes: hand it back explicitly, to the modal
    // window below or else the game window, never to a modeless one (the
    // debug monitor), which must not take the game's keys.
    SDL_Window* next = window_;
    for (const auto& other : small_)
      if (other->window->modal) next = other->sdl;
    if (small_.empty()) SDL_StopTextInput();
    SDL_RaiseWindow(next);
    SDL_SetWindowInputFocus(next);
    dirty_ = shown_ != nullptr;
    return;
  }
}

SdlHost::SmallWindow* SdlHost::FindSmall(uint32_t window_id) {
  for (const auto& s : small_)
    if (s->id == window_id) return s.get();
  return nullptr;
}

bool SdlHost::SmallWindowsWantFrames() const {
  for (const auto& s : small_)
    if (s->frames_due > 0 || s->window->revision() != s->drawn_revision) return true;
  return false;
}

uint64_t SdlHost::NextSmallFrameMs() const {
  if (!SmallWindowsWantFrames()) return 0;
  return std::max<uint64_t>(last_small_frame_ms_ + frame_ms_, 1);
}

bool SdlHost::DrawSmallWindows() {
  // A window that changes on every pass (the title's fade) would otherwise
  // be drawn as fast as the machine allows; the screen shows no more than
  // one frame per refresh anyway.
  if (!SmallWindowsWantFrames() || SDL_GetTicks64() < last_small_frame_ms_ + frame_ms_)
    return false;
  bool drawn = false;
  // A callback run by a frame may open a nested window (and run its loop)
  // before this returns, so walk a copy and skip what has gone meanwhile.
  std::vector<SmallWindow*> order;
  for (const auto& s : small_) order.push_back(s.get());
  for (SmallWindow* s : order) {
    if (std::none_of(small_.begin(), small_.end(), [&](const auto& p) { return p.get() == s; }))
      continue;
    if (s->frames_due <= 0 && s->window->revision() == s->drawn_revision) continue;
    if (s->window->revision() != s->drawn_revision) s->frames_due = std::max(s->frames_due, 2);
    --s->frames_due;
    s->drawn_revision = s->window->revision();
    s->view->Frame(*s->window);
    drawn = true;
  }
  if (drawn) last_small_frame_ms_ = SDL_GetTicks64();
  return drawn;
}

bool SdlHost::DispatchToSmallWindows(const SDL_Event& event) {
  SmallWindow* top_modal = nullptr;
  for (const auto& s : small_)
    if (s->window->modal) top_modal = s.get();
  SmallWindow* target = FindSmall(EventWindowId(event));
  // Keys belong to the top modal window wherever the focus is, as a modal
  // dialog holds the keyboard on the old desktop; without one, a modeless
  // window takes the keys typed into it and the game the rest.
  auto key_receiver = [&]() -> SmallWindow* { return top_modal ? top_modal : target; };
  switch (event.type) {
    case SDL_WINDOWEVENT:
      if (!target) return false;  // the game window's own exposes and closes
      if (event.window.event == SDL_WINDOWEVENT_CLOSE) {
        if (!top_modal || target == top_modal) target->window->RequestClose();
      } else {
        if (event.window.event == SDL_WINDOWEVENT_MOVED) {
          target->window->left = event.window.data1;
          target->window->top = event.window.data2;
        }
        target->view->ProcessEvent(event);
        target->frames_due = kFramesAfterInput;
      }
      return true;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
    case SDL_TEXTINPUT:
    case SDL_TEXTEDITING: {
      SmallWindow* receiver = key_receiver();
      if (!receiver) return false;
      if (event.type == SDL_KEYDOWN) {
        const SDL_Keycode sym = event.key.keysym.sym;
        if (sym == SDLK_RETURN || sym == SDLK_KP_ENTER) {
          receiver->window->PressDefault();
          receiver->frames_due = kFramesAfterInput;
          return true;
        }
        if (sym == SDLK_ESCAPE) {
          receiver->window->Escape();
          receiver->frames_due = kFramesAfterInput;
          return true;
        }
        if (receiver->window->on_key && receiver->window->Key(VirtualKeyFromSdl(sym))) {
          receiver->frames_due = kFramesAfterInput;
          return true;
        }
      }
      receiver->view->ProcessEvent(event);
      receiver->frames_due = kFramesAfterInput;
      return true;
    }
    case SDL_MOUSEMOTION:
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
    case SDL_MOUSEWHEEL:
      // Under a modal window, the windows below it and the game window take
      // no clicks.
      if (target && (!top_modal || target == top_modal)) {
        const bool wheel = event.type == SDL_MOUSEWHEEL && target->window->on_wheel;
        const bool right = event.type == SDL_MOUSEBUTTONDOWN &&
                           event.button.button == SDL_BUTTON_RIGHT &&
                           target->window->on_right_click;
        if (wheel) {
          int steps = event.wheel.y;
          if (event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) steps = -steps;
          if (steps != 0) target->window->Wheel(steps);
        } else if (right) {
          target->window->RightClick();
        } else {
          target->view->ProcessEvent(event);
        }
        target->frames_due = kFramesAfterInput;
        return true;
      }
      return top_modal != nullptr || target != nullptr;
    default:
      return false;
  }
}

}  // namespace zepa::platform
