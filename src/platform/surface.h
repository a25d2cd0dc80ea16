#pragma once
// A 24-bit picture in memory: rows top to bottom, each pixel blue, green, red,
// rows packed without padding. Colours are 0x00BBGGRR (red in the low byte).
#include <cstddef>
#include <cstdint>
#include <vector>

namespace zepa::platform {

using Color = uint32_t;

constexpr uint8_t RedOf(Color c) { return static_cast<uint8_t>(c & 0xff); }
constexpr uint8_t GreenOf(Color c) { return static_cast<uint8_t>((c >> 8) & 0xff); }
constexpr uint8_t BlueOf(Color c) { return static_cast<uint8_t>((c >> 16) & 0xff); }
constexpr Color MakeColor(int r, int g, int b) {
  return static_cast<Color>((r & 0xff) | ((g & 0xff) << 8) | ((b & 0xff) << 16));
}

struct Surface {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;  // width * height * 3 bytes, B G R

  Surface() = default;
  Surface(int w, int h, Color fill = 0xffffff) { Reset(w, h, fill); }

  void Reset(int w, int h, Color fill = 0xffffff) {
    width = w > 0 ? w : 0;
    height = h > 0 ? h : 0;
    pixels.assign(static_cast<size_t>(width) * height * 3, 0);
    Fill(fill);
  }
  bool Empty() const { return width == 0 || height == 0; }
  int Stride() const { return width * 3; }
  uint8_t* Row(int y) { return pixels.data() + static_cast<size_t>(y) * Stride(); }
  const uint8_t* Row(int y) const { return pixels.data() + static_cast<size_t>(y) * Stride(); }
  bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }

  Color Get(int x, int y) const {
    const uint8_t* p = Row(y) + x * 3;
    return MakeColor(p[2], p[1], p[0]);
  }
  void Set(int x, int y, Color c) {
    uint8_t* p = Row(y) + x * 3;
    p[0] = BlueOf(c);
    p[1] = GreenOf(c);
    p[2] = RedOf(c);
  }
  void Fill(Color c) {
    for (size_t i = 0; i + 2 < pixels.size(); i += 3) {
      pixels[i] = BlueOf(c);
      pixels[i + 1] = GreenOf(c);
      pixels[i + 2] = RedOf(c);
    }
  }
  bool operator==(const Surface& o) const {
    return width == o.width && height == o.height && pixels == o.pixels;
  }
};

}  // namespace zepa::platform
