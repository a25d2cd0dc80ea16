#include "display/pixels.h"

#include <algorithm>
#include <cstring>

namespace zepa::display {
namespace {

constexpr int kMaxCopySide = 16384;

// The overlap of [a, a + len) with [0, limit), as an offset into both.
struct Span {
  int64_t start = 0;  // in target coordinates
  int64_t length = 0;
};

Span Clip(int64_t at, int64_t len, int64_t limit) {
  int64_t begin = std::max<int64_t>(at, 0);
  int64_t end = std::min<int64_t>(at + len, limit);
  return {begin, std::max<int64_t>(end - begin, 0)};
}

bool SameColor(const uint8_t* p, uint8_t b, uint8_t g, uint8_t r) {
  return p[0] == b && p[1] == g && p[2] == r;
}

// out = (from * w_from + to * w_to) >> 16 over n bytes.
inline void BlendBlock(const uint8_t* __restrict f, const uint8_t* __restrict g,
                       uint8_t* __restrict o, size_t n, uint16_t w_from, uint16_t w_to) {
  for (size_t i = 0; i < n; ++i) {
    const uint32_t a = static_cast<uint32_t>(static_cast<uint16_t>(f[i])) * w_from;
    const uint32_t b = static_cast<uint32_t>(static_cast<uint16_t>(g[i])) * w_to;
    o[i] = static_cast<uint8_t>((a + b) >> 16);
  }
}

}  // namespace

Surface CopyRect(const Surface& source, int x, int y, int w, int h, Color outside) {
  w = std::max(w, 0);
  h = std::max(h, 0);
  if (w > kMaxCopySide || h > kMaxCopySide) return Surface();
  Surface out(w, h, outside);
  // Place the source into the result at (-x, -y).
  const int64_t ox = -static_cast<int64_t>(x);
  const int64_t oy = -static_cast<int64_t>(y);
  Span cols = Clip(ox, source.width, w);
  Span rows = Clip(oy, source.height, h);
  if (cols.length == 0) return out;
  for (int64_t r = 0; r < rows.length; ++r) {
    const int64_t dy = rows.start + r;
    std::memcpy(out.Row(static_cast<int>(dy)) + cols.start * 3,
                source.Row(static_cast<int>(dy - oy)) + (cols.start - ox) * 3,
                static_cast<size_t>(cols.length) * 3);
  }
  return out;
}

void Blit(Surface& target, const Surface& source, int x, int y) {
  Span cols = Clip(x, source.width, target.width);
  Span rows = Clip(y, source.height, target.height);
  if (cols.length == 0) return;
  for (int64_t r = 0; r < rows.length; ++r) {
    const int64_t dy = rows.start + r;
    std::memcpy(target.Row(static_cast<int>(dy)) + cols.start * 3,
                source.Row(static_cast<int>(dy - y)) + (cols.start - x) * 3,
                static_cast<size_t>(cols.length) * 3);
  }
}

void DrawKeyed(Surface& background, const Surface& picture, int opacity) {
  if (picture.Empty()) return;
  const int n = (opacity >= 0 && opacity <= 100) ? opacity : 0;
  const uint8_t* key = picture.Row(0);
  const uint8_t kb = key[0], kg = key[1], kr = key[2];
  const int w = std::min(background.width, picture.width);
  const int h = std::min(background.height, picture.height);
  for (int y = 0; y < h; ++y) {
    const uint8_t* p_row = picture.Row(y);
    const uint8_t* above = y > 0 ? picture.Row(y - 1) : nullptr;
    const uint8_t* below = y + 1 < picture.height ? picture.Row(y + 1) : nullptr;
    uint8_t* b_row = background.Row(y);
    for (int x = 0; x < w; ++x) {
      const uint8_t* p = p_row + 3 * x;
      if (SameColor(p, kb, kg, kr)) continue;
      // Neighbours count only inside the picture, which may be wider than
      // the area we write.
      const bool edge = (above && SameColor(above + 3 * x, kb, kg, kr)) ||
                        (below && SameColor(below + 3 * x, kb, kg, kr)) ||
                        (x > 0 && SameColor(p - 3, kb, kg, kr)) ||
                        (x + 1 < picture.width && SameColor(p + 3, kb, kg, kr));
      uint8_t* b = b_row + 3 * x;
      for (int c = 0; c < 3; ++c) {
        int f = p[c];
        if (n > 0) f = (b[c] * n + p[c] * (100 - n)) / 100;
        if (edge) f = std::max(0, b[c] + f - 255);
        b[c] = static_cast<uint8_t>(f);
      }
    }
  }
}

void ShadeStrip(Surface& strip, const Surface& mask) {
  const int w = std::min(strip.width, mask.width);
  const int h = std::min(strip.height, mask.height);
  for (int y = 0; y < h; ++y) {
    uint8_t* s = strip.Row(y);
    const uint8_t* m = mask.Row(y);
    for (int i = 0; i < w * 3; ++i) s[i] = static_cast<uint8_t>(std::max(0, s[i] + m[i] - 255));
  }
}

// A full-frame fade blends every byte of the screen once per refresh: on a
// machine with AVX2 the same integer loop runs twice as wide. The result is
// bit for bit the same on either path. The choice is made by the ELF
// loader (ifunc), so other executable formats get the plain loop.
#if defined(__GNUC__) && defined(__x86_64__) && !defined(__clang__) && defined(__ELF__)
__attribute__((target_clones("avx2", "default")))
#endif
void BlendFrames(const Surface& from, const Surface& to, Surface& out, uint32_t t) {
  if (from.width != to.width || from.height != to.height) {
    out = to;
    return;
  }
  t = std::min(t, kBlendOne);
  if (out.width != to.width || out.height != to.height) out.Reset(to.width, to.height, 0);
  const size_t count = to.pixels.size();
  // The end points need a weight of 65536, which does not fit 16 bits.
  if (t == 0) {
    std::memcpy(out.pixels.data(), from.pixels.data(), count);
    return;
  }
  if (t == kBlendOne) {
    std::memcpy(out.pixels.data(), to.pixels.data(), count);
    return;
  }
  // Between them both weights fit 16 bits, so each product is a 16 x 16 -> 32
  // bit widening multiply and the sum is exact. Fixed-size blocks over
  // restrict pointers let the compiler vectorise this even at -O2, where it
  // will not add run-time checks or remainder loops of its own.
  const uint16_t w_to = static_cast<uint16_t>(t);
  const uint16_t w_from = static_cast<uint16_t>(kBlendOne - t);
  const uint8_t* __restrict f = from.pixels.data();
  const uint8_t* __restrict g = to.pixels.data();
  uint8_t* __restrict o = out.pixels.data();
  constexpr size_t kBlock = 64;
  size_t i = 0;
  for (; i + kBlock <= count; i += kBlock) BlendBlock(f + i, g + i, o + i, kBlock, w_from, w_to);
  BlendBlock(f + i, g + i, o + i, count - i, w_from, w_to);
}

}  // namespace zepa::display
