// SDL wakes a pump that sleeps in SDL_WaitEvent by sending an event to one
// of the program's windows on a second connection to the X server. The event
// is sent from inside the wait, as the event that ends it arrives; when that
// event closes a small window (Return on a box), the window is destroyed on
// the first connection while the wake-up may still wait on the second, and
// the server answers it with BadWindow. Xlib's default handler then ends
// the program. Nothing waits for that wake-up any more, so it is let pass.
#include "platform/sdl/x11_errors.h"

#include <SDL.h>

#if defined(SDL_VIDEO_DRIVER_X11)
#include <X11/Xlib.h>
#include <X11/Xproto.h>
#endif

namespace zepa::platform {

#if defined(SDL_VIDEO_DRIVER_X11)
namespace {

XErrorHandler g_previous = nullptr;

int OnXError(Display* display, XErrorEvent* error) {
  if (error->error_code == BadWindow && error->request_code == X_SendEvent) return 0;
  return g_previous ? g_previous(display, error) : 0;
}

}  // namespace

void TolerateClosedWindowWakeups() {
  XErrorHandler previous = XSetErrorHandler(OnXError);
  // Called again, the handler must not come to chain to itself.
  if (previous != OnXError) g_previous = previous;
}

#else

void TolerateClosedWindowWakeups() {}

#endif

}  // namespace zepa::platform
