#include "platform/window_scaler.h"

#include "platform/frame_scaler.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace zepa::platform {
namespace {

// For each destination column or row: the first source index and the
// weight of the next one, in 1/256ths, sampled at pixel centres and held
// at the edges.
struct Tap {
  int index;
  int next;
  int weight;
};

std::vector<Tap> Taps(int src, int dst) {
  std::vector<Tap> taps(static_cast<size_t>(dst));
  for (int d = 0; d < dst; ++d) {
    // (d + 0.5) * src / dst - 0.5, in 1/256ths.
    const int64_t pos = ((2 * int64_t{d} + 1) * src * 256) / (2 * int64_t{dst}) - 128;
    const int64_t clamped = std::clamp<int64_t>(pos, 0, int64_t{src - 1} * 256);
    const int index = static_cast<int>(clamped >> 8);
    taps[static_cast<size_t>(d)] = {index, std::min(index + 1, src - 1),
                                    static_cast<int>(clamped & 255)};
  }
  return taps;
}

}  // namespace

Surface ResizeNearest(const Surface& src, int w, int h) {
  Surface out(w, h, 0);
  if (src.Empty() || out.Empty()) return out;
  for (int y = 0; y < h; ++y) {
    const uint8_t* row = src.Row(static_cast<int>(int64_t{y} * src.height / h));
    uint8_t* d = out.Row(y);
    for (int x = 0; x < w; ++x, d += 3)
      std::memcpy(d, row + static_cast<int64_t>(x) * src.width / w * 3, 3);
  }
  return out;
}

Surface ResizeBilinear(const Surface& src, int w, int h) {
  Surface out(w, h, 0);
  if (src.Empty() || out.Empty()) return out;
  const std::vector<Tap> across = Taps(src.width, w);
  const std::vector<Tap> down = Taps(src.height, h);
  // Across first, rounded to whole bytes, then down: the order and the
  // rounding of the screen's own scaler, which this is checked against.
  const auto mix = [](int a, int b, int weight) { return (a * (256 - weight) + b * weight + 128) >> 8; };
  Surface wide(w, src.height, 0);
  for (int y = 0; y < src.height; ++y) {
    const uint8_t* row = src.Row(y);
    uint8_t* d = wide.Row(y);
    for (int x = 0; x < w; ++x) {
      const Tap& tx = across[static_cast<size_t>(x)];
      for (int c = 0; c < 3; ++c)
        *d++ = static_cast<uint8_t>(mix(row[tx.index * 3 + c], row[tx.next * 3 + c], tx.weight));
    }
  }
  for (int y = 0; y < h; ++y) {
    const Tap& ty = down[static_cast<size_t>(y)];
    const uint8_t* r0 = wide.Row(ty.index);
    const uint8_t* r1 = wide.Row(ty.next);
    uint8_t* d = out.Row(y);
    for (int i = 0; i < w * 3; ++i) d[i] = static_cast<uint8_t>(mix(r0[i], r1[i], ty.weight));
  }
  return out;
}

Surface ScaleToWindow(const Surface& game, int window_w, int window_h, ScaleMode mode) {
  Surface out(window_w, window_h, 0);
  if (game.Empty() || out.Empty()) return out;
  const GameRect rect = FitGameRect(window_w, window_h, game.width, game.height, mode);
  if (rect.width <= 0 || rect.height <= 0) return out;
  // The real window's own scaler, so that the shot shows what it shows.
  std::vector<uint32_t> source(static_cast<size_t>(game.width) * game.height);
  ToScreenPixels(game, DamageRect{0, 0, game.width, game.height},
                 reinterpret_cast<uint8_t*>(source.data()), game.width * 4);
  std::vector<uint32_t> scaled(static_cast<size_t>(rect.width) * rect.height);
  DrawScaled(PlanScale(game.width, game.height, rect, mode), source.data(), game.width,
             DamageRect{0, 0, rect.width, rect.height}, scaled.data(), rect.width);
  for (int y = 0; y < rect.height; ++y) {
    uint8_t* d = out.Row(rect.y + y) + rect.x * 3;
    for (int x = 0; x < rect.width; ++x, d += 3) {
      const uint32_t p = scaled[static_cast<size_t>(y) * rect.width + x];
      d[0] = static_cast<uint8_t>(p);
      d[1] = static_cast<uint8_t>(p >> 8);
      d[2] = static_cast<uint8_t>(p >> 16);
    }
  }
  return out;
}

}  // namespace zepa::platform
