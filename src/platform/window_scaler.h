#pragma once
// What a window of any size shows of the game: the headless host's window
// shots, so that the scaling modes and the bars can be looked at and tested
// without a display. They are drawn by the real window's scaler
// (platform/frame_scaler.h); the plain resizers below are what it is
// checked against.
#include "platform/game_rect.h"
#include "platform/surface.h"

namespace zepa::platform {

/// `game` as a window of `window_w` x `window_h` shows it in `mode`: placed
/// by FitGameRect, black around.
Surface ScaleToWindow(const Surface& game, int window_w, int window_h, ScaleMode mode);

/// `src` resized to `w` x `h` by nearest pixels, or bilinear filtering
/// with pixel centres aligned (as a renderer's linear filter does), across
/// and then down, each step rounded to whole bytes.
Surface ResizeNearest(const Surface& src, int w, int h);
Surface ResizeBilinear(const Surface& src, int w, int h);

}  // namespace zepa::platform
