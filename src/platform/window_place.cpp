#include "platform/window_place.h"

#include <algorithm>
#include <charconv>
#include <cmath>

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
  return PlaceSizedGameWindow(left, top, 2 * kHalfWidth * scale, 2 * kHalfHeight * scale, usable,
                              frame);
}

ClientPosition GamePositionOf(ClientPosition client, int scale) {
  return GamePositionOfSized(client, 2 * kHalfWidth * scale, 2 * kHalfHeight * scale);
}

ClientPosition PlaceSizedGameWindow(int left, int top, int width, int height,
                                    const DesktopRect& usable, const FrameSize& frame) {
  const int x = left - (width / 2 - kHalfWidth);
  const int y = top - (height / 2 - kHalfHeight);
  if (usable.w <= 0 || usable.h <= 0) return {x, y};
  return {Clamp(x, width, usable.x, usable.x + usable.w, frame.left, frame.right),
          Clamp(y, height, usable.y, usable.y + usable.h, frame.top, frame.bottom)};
}

ClientPosition GamePositionOfSized(ClientPosition client, int width, int height) {
  return {client.x + (width / 2 - kHalfWidth), client.y + (height / 2 - kHalfHeight)};
}

int FitScaleToScreen(int want, const DesktopRect& usable, const FrameSize& frame) {
  want = std::max(want, 1);
  if (usable.w <= 0 || usable.h <= 0) return want;
  const int room_w = usable.w - frame.left - frame.right;
  const int room_h = usable.h - frame.top - frame.bottom;
  const int fits = std::min(room_w / (2 * kHalfWidth), room_h / (2 * kHalfHeight));
  return std::clamp(fits, 1, want);
}

WindowSize FitSizeToScreen(WindowSize want, WindowSize least, const DesktopRect& usable,
                           const FrameSize& frame) {
  if (usable.w > 0 && usable.h > 0) {
    want.width = std::min(want.width, usable.w - frame.left - frame.right);
    want.height = std::min(want.height, usable.h - frame.top - frame.bottom);
  }
  return {std::max(want.width, least.width), std::max(want.height, least.height)};
}

int DesktopScaleFactor(const DesktopScaleFacts& facts) {
  int gdk = 0;
  const char* end = facts.gdk_scale.data() + facts.gdk_scale.size();
  if (!facts.gdk_scale.empty() && std::from_chars(facts.gdk_scale.data(), end, gdk).ptr == end &&
      gdk >= 1)
    return std::min(gdk, 8);
  if (facts.xft_dpi > 0)
    return std::clamp(static_cast<int>(std::floor(facts.xft_dpi / 96.0 + 0.5)), 1, 8);
  // The screen's own DPI is what the monitor reports of its size, not a
  // scale anyone chose: only a clearly dense screen (175 % and more) counts.
  if (facts.display_dpi > 0)
    return std::clamp(static_cast<int>(std::floor(facts.display_dpi / 96.0 + 0.25)), 1, 8);
  return 1;
}

double ParseXftDpi(std::string_view resources) {
  while (!resources.empty()) {
    const size_t lf = resources.find('\n');
    std::string_view line = resources.substr(0, lf);
    resources.remove_prefix(lf == std::string_view::npos ? resources.size() : lf + 1);
    if (!line.starts_with("Xft.dpi:")) continue;
    line.remove_prefix(8);
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    double dpi = 0;
    const auto [end, ec] = std::from_chars(line.data(), line.data() + line.size(), dpi);
    if (ec == std::errc() && dpi > 0) return dpi;
  }
  return 0;
}

}  // namespace zepa::platform
