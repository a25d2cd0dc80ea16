#pragma once
// Where the game window goes on the desktop. The game speaks of its window as
// a 640 x 480 client area (POS/LEFT and POS/TOP, centred by default); a
// window shown larger is centred on the same point and kept wholly inside
// the usable part of the screen, and what is read back maps to the same
// game position again, so that a position written back and restored stays.
#include <string_view>

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
/// The same two for a client area of any size (a resized window).
ClientPosition PlaceSizedGameWindow(int left, int top, int width, int height,
                                    const DesktopRect& usable, const FrameSize& frame);
ClientPosition GamePositionOfSized(ClientPosition client, int width, int height);

/// The largest whole factor up to `want` (at least 1) whose 640 x 480
/// window, with its frame, fits inside `usable`; `want` when nothing is
/// known of the screen.
int FitScaleToScreen(int want, const DesktopRect& usable, const FrameSize& frame);
struct WindowSize {
  int width = 0;
  int height = 0;
  bool operator==(const WindowSize&) const = default;
};
/// A client area of `want` made small enough that it and its frame fit
/// inside `usable`, and no smaller than `least`.
WindowSize FitSizeToScreen(WindowSize want, WindowSize least, const DesktopRect& usable,
                           const FrameSize& frame);

/// What the desktop says of its own scale; empty or 0 when it says nothing.
struct DesktopScaleFacts {
  std::string_view gdk_scale;  // the GDK_SCALE variable: a whole factor
  double xft_dpi = 0;          // the Xft.dpi resource of the X server
  double display_dpi = 0;      // the display's diagonal DPI as the video driver reports it
};
/// The whole factor a game window should open at by default: the first of
/// GDK_SCALE, Xft.dpi / 96 (rounded: 1.5 and more become 2) and the
/// display's DPI / 96 (from 1.75 up) that is known, and 1 when none is.
int DesktopScaleFactor(const DesktopScaleFacts& facts);
/// The Xft.dpi value of an X resource database's text ("Xft.dpi:\t144");
/// 0 when it holds none.
double ParseXftDpi(std::string_view resources);

}  // namespace zepa::platform
