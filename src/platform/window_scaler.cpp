#include "platform/window_scaler.h"

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
  for (int y = 0; y < h; ++y) {
    const Tap& ty = down[static_cast<size_t>(y)];
    const uint8_t* r0 = src.Row(ty.index);
    const uint8_t* r1 = src.Row(ty.next);
    uint8_t* d = out.Row(y);
    for (int x = 0; x < w; ++x) {
      const Tap& tx = across[static_cast<size_t>(x)];
      for (int c = 0; c < 3; ++c) {
        const int top = r0[tx.index * 3 + c] * (256 - tx.weight) + r0[tx.next * 3 + c] * tx.weight;
        const int bottom =
            r1[tx.index * 3 + c] * (256 - tx.weight) + r1[tx.next * 3 + c] * tx.weight;
        *d++ = static_cast<uint8_t>((top * (256 - ty.weight) + bottom * ty.weight + 32768) >> 16);
      }
    }
  }
  return out;
}

Surface ScaleToWindow(const Surface& game, int window_w, int window_h, ScaleMode mode) {
  Surface out(window_w, window_h, 0);
  if (game.Empty() || out.Empty()) return out;
  const GameRect rect = FitGameRect(window_w, window_h, game.width, game.height, mode);
  if (rect.width <= 0 || rect.height <= 0) return out;
  Surface scaled;
  switch (mode) {
    case ScaleMode::kInteger:
    case ScaleMode::kNearest:
      scaled = ResizeNearest(game, rect.width, rect.height);
      break;
    case ScaleMode::kSmooth:
      scaled = ResizeBilinear(game, rect.width, rect.height);
      break;
    case ScaleMode::kSharp: {
      const int k = WholeFactor(rect, game.width, game.height);
      Surface even = ResizeNearest(game, game.width * k, game.height * k);
      scaled = even.width == rect.width && even.height == rect.height
                   ? std::move(even)
                   : ResizeBilinear(even, rect.width, rect.height);
      break;
    }
  }
  for (int y = 0; y < rect.height; ++y)
    std::memcpy(out.Row(rect.y + y) + rect.x * 3, scaled.Row(y),
                static_cast<size_t>(rect.width) * 3);
  return out;
}

}  // namespace zepa::platform
