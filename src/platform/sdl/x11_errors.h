#pragma once
// The X server's errors that the game window must outlive.

namespace zepa::platform {

// Installs, once, a handler for X errors that lets a wake-up sent to a
// window closed in the meantime pass; every other error goes on to the
// handler that was there before. Does nothing off X11.
void TolerateClosedWindowWakeups();

}  // namespace zepa::platform
