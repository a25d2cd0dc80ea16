// The game window outlives a wake-up that SDL sends to a window closed
// meanwhile; any other X error still reaches the handler installed before.
#include "platform/sdl/x11_errors.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

// Last: Xlib's macros (None, Status, Bool) would rewrite gtest's names.
#include <X11/Xlib.h>
#include <X11/Xproto.h>

namespace zepa::platform {
namespace {

std::vector<int> g_reached;  // the request codes of errors the earlier handler saw

int EarlierHandler(Display*, XErrorEvent* error) {
  g_reached.push_back(error->request_code);
  return 0;
}

TEST(X11Errors, AWakeupToAClosedWindowPassesAndOtherErrorsGoOn) {
  const char* display = std::getenv("DISPLAY");
  if (!display || !*display) GTEST_SKIP() << "needs an X server (ctest runs this case under Xvfb)";
  Display* game = XOpenDisplay(nullptr);
  Display* wakeups = XOpenDisplay(nullptr);
  ASSERT_NE(game, nullptr);
  ASSERT_NE(wakeups, nullptr);
  const XErrorHandler before = XSetErrorHandler(EarlierHandler);
  TolerateClosedWindowWakeups();
  // A second call must not make the handler chain to itself.
  TolerateClosedWindowWakeups();

  // Closed on one connection, then sent a wake-up on the other, as SDL does.
  const Window box = XCreateSimpleWindow(game, DefaultRootWindow(game), 0, 0, 8, 8, 0, 0, 0);
  XSync(game, False);
  XDestroyWindow(game, box);
  XSync(game, False);
  XEvent wake{};
  wake.xclient.type = ClientMessage;
  wake.xclient.window = box;
  wake.xclient.format = 32;
  wake.xclient.message_type = XInternAtom(wakeups, "_ZEPA_WAKEUP_TEST", False);
  XSendEvent(wakeups, box, False, NoEventMask, &wake);
  XSync(wakeups, False);
  EXPECT_TRUE(g_reached.empty());

  // The same closed window asked for anything else is still an error.
  XMapWindow(wakeups, box);
  XSync(wakeups, False);
  ASSERT_EQ(g_reached.size(), 1u);
  EXPECT_EQ(g_reached[0], X_MapWindow);

  XSetErrorHandler(before);
  XCloseDisplay(wakeups);
  XCloseDisplay(game);
}

}  // namespace
}  // namespace zepa::platform
