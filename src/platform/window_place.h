#pragma once
// Where the game window goes on the desktop. The game speaks of its window as
// a 640 x 480 client area (POS/LEFT and POS/TOP, centred by default); a
// window shown larger is centred on the same point and kept wholly inside
// the usable part of the screen, and what is read back maps to the same
// game position again, so that a position written back and restored stays.
namespace zepa::platform {

struct DesktopRect {
  int x = 0;
  int y = 0;
  int w = 0;
  int h = 0;
};

/// The window manager's frame around the client area, in pixels per side.
struct FrameSize {
  int top = 0;
  int left = 0;
  int bottom = 0;
  int right = 0;
};

struct ClientPosition {
  int x = 0;
  int y = 0;
};

/// The client area's top-left for the game position (`left`, `top`) of a
/// window `scale` times 640 x 480, inside `usable` with its frame. A window
/// larger than the area keeps its top-left corner (and so its caption) on
/// the screen.
ClientPosition PlaceGameWindow(int left, int top, int scale, const DesktopRect& usable,
                               const FrameSize& frame);
/// The game position of a client area at `client`: PlaceGameWindow undone,
/// without the clamping.
ClientPosition GamePositionOf(ClientPosition client, int scale);

}  // namespace zepa::platform
