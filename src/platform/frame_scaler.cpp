#include "platform/frame_scaler.h"

#if defined(__x86_64__) || defined(_M_X64)
#define ZEPA_X86 1
#include <immintrin.h>
#endif

#include <algorithm>
#include <cstring>

namespace zepa::platform {
namespace {

#ifdef ZEPA_X86
bool HasSsse3() {
  static const bool has = __builtin_cpu_supports("ssse3");
  return has;
}
bool HasAvx2() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
}

// Four pixels per shuffle. Each step reads 16 bytes for 12, so it stops
// before fewer than six pixels remain (the row's end is not read past) and
// the plain loops finish the row; returns how many pixels it did.
__attribute__((target("ssse3"))) int ToScreenRowSsse3(const uint8_t* s, uint8_t* d, int w) {
  const __m128i spread = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
  const __m128i opaque = _mm_set1_epi32(static_cast<int>(0xff000000u));
  int x = 0;
  for (; x + 6 <= w; x += 4, s += 12, d += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d),
                     _mm_or_si128(_mm_shuffle_epi8(v, spread), opaque));
  }
  return x;
}
#endif

// (a * (256 - w) + b * w + 128) >> 8 on each byte of two pixels.
uint32_t Mix(uint32_t a, uint32_t b, unsigned w) {
  uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const unsigned ca = (a >> shift) & 0xff, cb = (b >> shift) & 0xff;
    out |= ((ca * (256 - w) + cb * w + 128) >> 8) << shift;
  }
  return out;
}

// The k copies of each of the n pixels of `s`, side by side.
void RepeatRow(const uint32_t* s, int n, int k, uint32_t* d) {
  int i = 0;
#ifdef ZEPA_X86
  if (k == 2) {
    for (; i + 4 <= n; i += 4, d += 8) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm_unpacklo_epi32(v, v));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 4), _mm_unpackhi_epi32(v, v));
    }
  } else if (k == 3) {
    for (; i + 4 <= n; i += 4, d += 12) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm_shuffle_epi32(v, 0x40));      // 0 0 0 1
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 4), _mm_shuffle_epi32(v, 0xA5));  // 1 1 2 2
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 8), _mm_shuffle_epi32(v, 0xFE));  // 2 3 3 3
    }
  } else if (k >= 4) {
    // Stores of four, the last one overlapping the one before it.
    for (; i < n; ++i, d += k) {
      const __m128i v = _mm_set1_epi32(static_cast<int>(s[i]));
      for (int j = 0; j + 4 <= k; j += 4) _mm_storeu_si128(reinterpret_cast<__m128i*>(d + j), v);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d + k - 4), v);
    }
  }
#endif
  for (; i < n; ++i, d += k) std::fill_n(d, k, s[i]);
}

// The horizontal half of the filter: out[x] for x in [x0, x1) from one
// source row.
void MixRow(const uint32_t* row, int row_w, const ScaleTaps& taps, int x0, int x1,
            uint32_t* out);

#ifdef ZEPA_X86
__attribute__((target("avx2"))) int MixRowAvx2(const uint32_t* row, int row_w,
                                               const ScaleTaps& taps, int x0, int x1,
                                               uint32_t* out) {
  const __m256i last = _mm256_set1_epi32(row_w - 1);
  const __m256i one = _mm256_set1_epi32(1);
  const __m256i half = _mm256_set1_epi16(128);
  const int* base = reinterpret_cast<const int*>(row);
  int x = x0;
  for (; x + 8 <= x1; x += 8) {
    const __m256i at = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(taps.index.data() + x));
    __m256i a, b;
    const int first = taps.index[static_cast<size_t>(x)];
    if (first + 8 <= row_w && taps.index[static_cast<size_t>(x) + 7] + 1 - first <= 7) {
      // Enlarging, eight pixels out read at most eight in a row: one load
      // and two permutes cost far less than two gathers.
      const __m256i span = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + first));
      const __m256i rel = _mm256_sub_epi32(at, _mm256_set1_epi32(first));
      a = _mm256_permutevar8x32_epi32(span, rel);
      b = _mm256_permutevar8x32_epi32(span, _mm256_add_epi32(rel, one));
    } else {
      const __m256i next = _mm256_min_epi32(_mm256_add_epi32(at, one), last);
      a = _mm256_i32gather_epi32(base, at, 4);
      b = _mm256_i32gather_epi32(base, next, 4);
    }
    // Each pixel's weight on its four bytes.
    const __m128i w8 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(taps.weight.data() + x));
    const __m128i w2 = _mm_unpacklo_epi16(w8, w8), w2h = _mm_unpackhi_epi16(w8, w8);
    const __m256i w_lo = _mm256_set_m128i(_mm_unpackhi_epi32(w2, w2), _mm_unpacklo_epi32(w2, w2));
    const __m256i w_hi =
        _mm256_set_m128i(_mm_unpackhi_epi32(w2h, w2h), _mm_unpacklo_epi32(w2h, w2h));
    const __m256i a_lo = _mm256_cvtepu8_epi16(_mm256_castsi256_si128(a));
    const __m256i a_hi = _mm256_cvtepu8_epi16(_mm256_extracti128_si256(a, 1));
    const __m256i b_lo = _mm256_cvtepu8_epi16(_mm256_castsi256_si128(b));
    const __m256i b_hi = _mm256_cvtepu8_epi16(_mm256_extracti128_si256(b, 1));
    // a * 256 + (b - a) * w + 128 lies in 0..65535, so 16-bit wrapping
    // arithmetic gives it exactly.
    const __m256i r_lo = _mm256_srli_epi16(
        _mm256_add_epi16(_mm256_add_epi16(_mm256_slli_epi16(a_lo, 8),
                                          _mm256_mullo_epi16(_mm256_sub_epi16(b_lo, a_lo), w_lo)),
                         half),
        8);
    const __m256i r_hi = _mm256_srli_epi16(
        _mm256_add_epi16(_mm256_add_epi16(_mm256_slli_epi16(a_hi, 8),
                                          _mm256_mullo_epi16(_mm256_sub_epi16(b_hi, a_hi), w_hi)),
                         half),
        8);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + (x - x0)),
                        _mm256_permute4x64_epi64(_mm256_packus_epi16(r_lo, r_hi), 0xD8));
  }
  return x;
}
#endif

void MixRow(const uint32_t* row, int row_w, const ScaleTaps& taps, int x0, int x1,
            uint32_t* out) {
  int x = x0;
#ifdef ZEPA_X86
  if (HasAvx2()) x = MixRowAvx2(row, row_w, taps, x0, x1, out);
#endif
  // Without AVX2's gathers, or for the last few pixels.
  for (; x < x1; ++x) {
    const int at = taps.index[static_cast<size_t>(x)];
    out[x - x0] = Mix(row[at], row[std::min(at + 1, row_w - 1)], taps.weight[static_cast<size_t>(x)]);
  }
}

#ifdef ZEPA_X86
// Four pixels of each row, mixed on their sixteen bytes.
__attribute__((target("avx2"))) inline __m256i MixFour(__m128i pa, __m128i pb, __m256i weight) {
  const __m256i wa = _mm256_cvtepu8_epi16(pa), wb = _mm256_cvtepu8_epi16(pb);
  return _mm256_srli_epi16(
      _mm256_add_epi16(_mm256_add_epi16(_mm256_slli_epi16(wa, 8),
                                        _mm256_mullo_epi16(_mm256_sub_epi16(wb, wa), weight)),
                       _mm256_set1_epi16(128)),
      8);
}

__attribute__((target("avx2"))) int MixRowsAvx2(const uint32_t* a, const uint32_t* b, int n,
                                                unsigned w, uint32_t* out) {
  const __m256i weight = _mm256_set1_epi16(static_cast<short>(w));
  int x = 0;
  for (; x + 8 <= n; x += 8) {
    const __m256i va = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a + x));
    const __m256i vb = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b + x));
    const __m256i lo = MixFour(_mm256_castsi256_si128(va), _mm256_castsi256_si128(vb), weight);
    const __m256i hi =
        MixFour(_mm256_extracti128_si256(va, 1), _mm256_extracti128_si256(vb, 1), weight);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x),
                        _mm256_permute4x64_epi64(_mm256_packus_epi16(lo, hi), 0xD8));
  }
  return x;
}
#endif

// The vertical half: two mixed rows into one.
void MixRows(const uint32_t* a, const uint32_t* b, int n, unsigned w, uint32_t* out) {
  int x = 0;
#ifdef ZEPA_X86
  if (HasAvx2()) x = MixRowsAvx2(a, b, n, w, out);
  const __m128i zero = _mm_setzero_si128();
  const __m128i weight = _mm_set1_epi16(static_cast<short>(w));
  const __m128i half = _mm_set1_epi16(128);
  const auto mix = [&](__m128i pa, __m128i pb) {
    return _mm_srli_epi16(
        _mm_add_epi16(_mm_add_epi16(_mm_slli_epi16(pa, 8),
                                    _mm_mullo_epi16(_mm_sub_epi16(pb, pa), weight)),
                      half),
        8);
  };
  for (; x + 4 <= n; x += 4) {
    const __m128i va = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + x));
    const __m128i vb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + x));
    const __m128i lo = mix(_mm_unpacklo_epi8(va, zero), _mm_unpacklo_epi8(vb, zero));
    const __m128i hi = mix(_mm_unpackhi_epi8(va, zero), _mm_unpackhi_epi8(vb, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_packus_epi16(lo, hi));
  }
#endif
  for (; x < n; ++x) out[x] = Mix(a[x], b[x], w);
}

// Sampled at pixel centres, held at the edges, as a renderer's linear
// filter does.
ScaleTaps BilinearTaps(int src, int dst) {
  ScaleTaps taps;
  taps.index.resize(static_cast<size_t>(dst));
  taps.weight.resize(static_cast<size_t>(dst));
  for (int d = 0; d < dst; ++d) {
    // (d + 0.5) * src / dst - 0.5, in 1/256ths.
    const int64_t pos = ((2 * int64_t{d} + 1) * src * 256) / (2 * int64_t{dst}) - 128;
    const int64_t held = std::clamp<int64_t>(pos, 0, int64_t{src - 1} * 256);
    taps.index[static_cast<size_t>(d)] = static_cast<int>(held >> 8);
    taps.weight[static_cast<size_t>(d)] = static_cast<uint16_t>(held & 255);
  }
  return taps;
}

ScaleTaps NearestTaps(int src, int dst) {
  ScaleTaps taps;
  taps.index.resize(static_cast<size_t>(dst));
  taps.weight.assign(static_cast<size_t>(dst), 0);
  for (int d = 0; d < dst; ++d)
    taps.index[static_cast<size_t>(d)] = static_cast<int>(int64_t{d} * src / dst);
  return taps;
}

// The filter's taps on the picture enlarged k times by repeated pixels,
// said in the source's own pixels: a tap between two copies of one pixel
// mixes nothing.
ScaleTaps SharpTaps(int src, int dst, int k) {
  ScaleTaps taps = BilinearTaps(src * k, dst);
  for (size_t d = 0; d < taps.index.size(); ++d) {
    const int at = taps.index[d] / k;
    const int next = std::min(taps.index[d] + 1, src * k - 1) / k;
    taps.index[d] = at;
    if (next == at) taps.weight[d] = 0;
  }
  return taps;
}

// The outputs of one axis whose taps read any of [from, to).
void Reach(const ScaleTaps& taps, int from, int to, int* first, int* end) {
  *first = 0;
  *end = 0;
  bool any = false;
  for (size_t d = 0; d < taps.index.size(); ++d) {
    const int at = taps.index[d];
    const bool reads = (at >= from && at < to) || (taps.weight[d] != 0 && at + 1 >= from && at + 1 < to);
    if (!reads) continue;
    if (!any) *first = static_cast<int>(d);
    *end = static_cast<int>(d) + 1;
    any = true;
  }
}

}  // namespace

void ToScreenPixels(const Surface& frame, const DamageRect& r, uint8_t* dst, int pitch,
                    Surface* shadow) {
  for (int y = r.y; y < r.Bottom(); ++y) {
    const uint8_t* s = frame.Row(y) + r.x * 3;
    if (shadow) std::memcpy(shadow->Row(y) + r.x * 3, s, static_cast<size_t>(r.w) * 3);
    uint8_t* d = dst + static_cast<size_t>(y - r.y) * pitch;
    int x = 0;
#ifdef ZEPA_X86
    if (HasSsse3()) x = ToScreenRowSsse3(s, d, r.w);
    s += 3 * x;
    d += 4 * x;
#endif
    // Four pixels are three words in and four out.
    for (; x + 4 <= r.w; x += 4, s += 12, d += 16) {
      uint32_t w[3];
      std::memcpy(w, s, 12);
      const uint32_t out[4] = {w[0] | 0xff000000u, (w[0] >> 24) | (w[1] << 8) | 0xff000000u,
                               (w[1] >> 16) | (w[2] << 16) | 0xff000000u,
                               (w[2] >> 8) | 0xff000000u};
      std::memcpy(d, out, 16);
    }
    for (; x < r.w; ++x, s += 3, d += 4) {
      d[0] = s[0];
      d[1] = s[1];
      d[2] = s[2];
      d[3] = 0xff;
    }
  }
}

ScalePlan PlanScale(int source_w, int source_h, const GameRect& rect, ScaleMode mode) {
  ScalePlan plan;
  plan.rect = rect;
  plan.source_w = source_w;
  plan.source_h = source_h;
  plan.mode = mode;
  if (source_w <= 0 || source_h <= 0 || rect.width <= 0 || rect.height <= 0) return plan;
  const int k = rect.width / source_w;
  const bool fills = k >= 1 && rect.width == source_w * k && rect.height == source_h * k;
  if (fills && mode != ScaleMode::kSmooth) {
    plan.whole = k;
    return plan;
  }
  const int even = WholeFactor(rect, source_w, source_h);
  switch (mode) {
    case ScaleMode::kInteger:
    case ScaleMode::kNearest:
      plan.across = NearestTaps(source_w, rect.width);
      plan.down = NearestTaps(source_h, rect.height);
      break;
    case ScaleMode::kSmooth:
      plan.across = BilinearTaps(source_w, rect.width);
      plan.down = BilinearTaps(source_h, rect.height);
      break;
    case ScaleMode::kSharp:
      plan.across = SharpTaps(source_w, rect.width, even);
      plan.down = SharpTaps(source_h, rect.height, even);
      break;
  }
  return plan;
}

DamageRect ReachOf(const ScalePlan& plan, const DamageRect& changed) {
  if (changed.Empty() || plan.rect.width <= 0 || plan.rect.height <= 0) return {};
  if (plan.whole > 0) {
    const int k = plan.whole;
    const int x0 = std::max(changed.x, 0) * k, y0 = std::max(changed.y, 0) * k;
    const int x1 = std::min(changed.Right() * k, plan.rect.width);
    const int y1 = std::min(changed.Bottom() * k, plan.rect.height);
    if (x0 >= x1 || y0 >= y1) return {};
    return {x0, y0, x1 - x0, y1 - y0};
  }
  int x0, x1, y0, y1;
  Reach(plan.across, changed.x, changed.Right(), &x0, &x1);
  Reach(plan.down, changed.y, changed.Bottom(), &y0, &y1);
  if (x0 >= x1 || y0 >= y1) return {};
  return {x0, y0, x1 - x0, y1 - y0};
}

void DrawScaled(const ScalePlan& plan, const uint32_t* src, int src_pitch, const DamageRect& want,
                uint32_t* dst, int dst_pitch, ScaleScratch* scratch) {
  const int x0 = std::max(want.x, 0), y0 = std::max(want.y, 0);
  const int x1 = std::min(want.Right(), plan.rect.width);
  const int y1 = std::min(want.Bottom(), plan.rect.height);
  if (x0 >= x1 || y0 >= y1 || plan.source_w <= 0 || plan.source_h <= 0) return;
  const size_t width = static_cast<size_t>(x1 - x0);
  ScaleScratch own;
  ScaleScratch& kept = scratch ? *scratch : own;
  std::vector<uint32_t>& line = kept.line;

  if (plan.whole > 0) {
    // Whole source pixels, then the one row made is copied down.
    const int k = plan.whole;
    const int sx0 = x0 / k, sx1 = (x1 + k - 1) / k;
    if (x0 % k == 0 && x1 % k == 0) {
      // Each row written where it goes: copying a made row down would
      // write the screen's memory twice as often.
      for (int y = y0; y < y1; ++y)
        RepeatRow(src + static_cast<size_t>(y / k) * src_pitch + sx0, sx1 - sx0, k,
                  dst + static_cast<size_t>(y) * dst_pitch + x0);
      return;
    }
    line.resize(static_cast<size_t>(sx1 - sx0) * k);
    for (int y = y0; y < y1;) {
      const int sy = y / k;
      RepeatRow(src + static_cast<size_t>(sy) * src_pitch + sx0, sx1 - sx0, k, line.data());
      const uint32_t* from = line.data() + (x0 - sx0 * k);
      for (const int end = std::min(y1, (sy + 1) * k); y < end; ++y)
        std::memcpy(dst + static_cast<size_t>(y) * dst_pitch + x0, from, width * 4);
    }
    return;
  }

  // Two rows mixed across, kept while the rows out go on reading them.
  std::vector<uint32_t>(&rows)[2] = kept.rows;
  for (std::vector<uint32_t>& row : rows)
    if (row.size() < width) row.resize(width);
  int held[2] = {-1, -1};
  const auto mixed = [&](int sy, int keep) -> const uint32_t* {
    for (int i = 0; i < 2; ++i)
      if (held[i] == sy) return rows[i].data();
    const int slot = held[0] == keep ? 1 : 0;
    MixRow(src + static_cast<size_t>(sy) * src_pitch, plan.source_w, plan.across, x0, x1,
           rows[slot].data());
    held[slot] = sy;
    return rows[slot].data();
  };
  for (int y = y0; y < y1; ++y) {
    const int sy = plan.down.index[static_cast<size_t>(y)];
    const unsigned w = plan.down.weight[static_cast<size_t>(y)];
    uint32_t* out = dst + static_cast<size_t>(y) * dst_pitch + x0;
    const uint32_t* a = mixed(sy, -1);
    if (w == 0) {
      std::memcpy(out, a, width * 4);
      continue;
    }
    const uint32_t* b = mixed(std::min(sy + 1, plan.source_h - 1), sy);
    MixRows(a, b, static_cast<int>(width), w, out);
  }
}

}  // namespace zepa::platform
