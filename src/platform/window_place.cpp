#include "platform/window_place.h"

#include <algorithm>

namespace zepa::platform {
namespace {

constexpr int kHalfWidth = 320;
constexpr int kHalfHeight = 240;

// The client's start on one axis: inside [low, high - size] with the frame,
// the low end winning when it does not fit.
int Clamp(int start, int size, int low, int high, int frame_before, int frame_after) {
  const int last = high - size - frame_after;
  return std::max(std::min(start, last), low + frame_before);
}

}  // namespace

ClientPosition PlaceGameWindow(int left, int top, int scale, const DesktopRect& usable,
                               const FrameSize& frame) {
  const int x = left - kHalfWidth * (scale - 1);
  const int y = top - kHalfHeight * (scale - 1);
  if (usable.w <= 0 || usable.h <= 0) return {x, y};
  return {
      Clamp(x, 2 * kHalfWidth * scale, usable.x, usable.x + usable.w, frame.left, frame.right),
      Clamp(y, 2 * kHalfHeight * scale, usable.y, usable.y + usable.h, frame.top, frame.bottom)};
}

ClientPosition GamePositionOf(ClientPosition client, int scale) {
  return {client.x + kHalfWidth * (scale - 1), client.y + kHalfHeight * (scale - 1)};
}

}  // namespace zepa::platform
