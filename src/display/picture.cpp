#include "display/picture.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstring>
#include <string>

#include "script/file_names.h"

namespace zepa::display {
namespace {

uint16_t Le16(std::span<const uint8_t> b, size_t at) {
  return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}
uint32_t Le32(std::span<const uint8_t> b, size_t at) {
  return static_cast<uint32_t>(b[at]) | (static_cast<uint32_t>(b[at + 1]) << 8) |
         (static_cast<uint32_t>(b[at + 2]) << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// One channel of a bit-field pixel, scaled to 0..255.
struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  int bits = 0;

  explicit Channel(uint32_t m) : mask(m) {
    if (m != 0) {
      shift = std::countr_zero(m);
      bits = std::popcount(m);
    }
  }
  uint8_t Of(uint32_t pixel) const {
    if (bits == 0) return 0;
    uint32_t v = (pixel & mask) >> shift;
    if (bits >= 8) return static_cast<uint8_t>(v >> (bits - 8));
    uint32_t max = (1u << bits) - 1;
    return static_cast<uint8_t>(std::min<uint32_t>(v, max) * 255 / max);
  }
};

struct BmpPalette {
  Color colors[256] = {};
  size_t count = 0;
  // Indices past a short palette show black, like an unset entry.
  Color operator[](unsigned index) const { return index < count ? colors[index] : 0; }
};

// RLE bitmaps run bottom-up; skipped pixels (deltas, early line and bitmap
// ends) keep the fill the caller gave, and anything past the right or top
// edge is dropped. Every step either writes inside the picture or consumes
// input, so hostile runs and deltas cost at most the picture plus the file.
void DecodeRle(std::span<const uint8_t> s, int bpp, const BmpPalette& palette, Surface& out) {
  const int64_t width = out.width;
  const int64_t height = out.height;
  int64_t x = 0;
  int64_t row = 0;  // from the bottom
  size_t at = 0;
  auto put = [&](unsigned index) {
    if (x >= width) return;
    out.Set(static_cast<int>(x), static_cast<int>(height - 1 - row), palette[index]);
    ++x;
  };
  while (row < height && at + 1 < s.size()) {
    const unsigned count = s[at];
    const unsigned value = s[at + 1];
    at += 2;
    if (count > 0) {
      // An encoded run repeats one byte: one index, or two alternating nibbles.
      for (unsigned k = 0; k < count && x < width; ++k)
        put(bpp == 8 ? value : (k % 2 == 0 ? value >> 4 : value & 0x0f));
      continue;
    }
    switch (value) {
      case 0:  // end of line
        x = 0;
        ++row;
        break;
      case 1:  // end of bitmap
        return;
      case 2:  // delta: move right and up
        if (at + 1 >= s.size()) return;
        x = std::min<int64_t>(width, x + s[at]);
        row += s[at + 1];
        at += 2;
        break;
      default: {  // absolute run of `value` indices, padded to a 16-bit boundary
        const size_t data_bytes = bpp == 8 ? value : (value + 1) / 2;
        for (unsigned k = 0; k < value; ++k) {
          const size_t byte_at = at + (bpp == 8 ? k : k / 2);
          if (byte_at >= s.size()) return;
          const unsigned byte = s[byte_at];
          put(bpp == 8 ? byte : (k % 2 == 0 ? byte >> 4 : byte & 0x0f));
        }
        at += data_bytes + (data_bytes & 1);
        break;
      }
    }
  }
}

constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiRle8 = 1;
constexpr uint32_t kBiRle4 = 2;
constexpr uint32_t kBiBitfields = 3;
constexpr uint32_t kBiAlphaBitfields = 6;
constexpr size_t kFileHeaderBytes = 14;
constexpr size_t kCoreHeaderBytes = 12;
constexpr size_t kInfoHeaderBytes = 40;
constexpr size_t kOs2V2HeaderBytes = 64;

}  // namespace

// A picture of one colour. Hostile headers make the fill the largest cost
// of a decode, so it is done with block copies, row by row.
Surface SolidSurface(int width, int height, Color fill) {
  Surface s;
  s.width = width;
  s.height = height;
  s.pixels.resize(static_cast<size_t>(width) * height * 3);
  if (fill == 0 || s.pixels.empty()) return s;
  uint8_t* first = s.Row(0);
  for (int x = 0; x < width; ++x) {
    first[3 * x] = platform::BlueOf(fill);
    first[3 * x + 1] = platform::GreenOf(fill);
    first[3 * x + 2] = platform::RedOf(fill);
  }
  for (int y = 1; y < height; ++y) std::memcpy(s.Row(y), first, static_cast<size_t>(s.Stride()));
  return s;
}

PictureKind PictureKindOf(std::string_view name) {
  const std::string_view ext = script::FileExtension(name);
  if (ext.empty()) return PictureKind::kNone;
  std::string u(ext.substr(0, 4));
  for (char& c : u) c = Upper(c);
  if (u == ".BMP") return PictureKind::kBmp;
  if (u == ".JPG" || u == ".JPE") return PictureKind::kJpeg;
  return PictureKind::kNone;
}

std::optional<Surface> DecodeBmp(std::span<const uint8_t> b) {
  if (b.size() < kFileHeaderBytes + 4 || b[0] != 'B' || b[1] != 'M') return std::nullopt;
  const uint64_t pixel_offset = Le32(b, 10);
  const uint64_t header_bytes = Le32(b, 14);
  if (kFileHeaderBytes + header_bytes > b.size()) return std::nullopt;

  int64_t width = 0;
  int64_t height = 0;
  int bpp = 0;
  uint32_t compression = kBiRgb;
  uint64_t palette_used = 0;
  size_t palette_entry_bytes = 4;
  uint64_t palette_offset = kFileHeaderBytes + header_bytes;
  uint32_t masks[3] = {0x00ff0000, 0x0000ff00, 0x000000ff};

  if (header_bytes == kCoreHeaderBytes) {
    // The old OS/2 header: unsigned 16-bit sizes, always bottom-up.
    width = Le16(b, 18);
    height = Le16(b, 20);
    bpp = Le16(b, 24);
    palette_entry_bytes = 3;
  } else if (header_bytes >= kInfoHeaderBytes) {
    width = static_cast<int32_t>(Le32(b, 18));
    height = static_cast<int32_t>(Le32(b, 22));
    bpp = Le16(b, 28);
    compression = Le32(b, 30);
    palette_used = Le32(b, 46);
    // OS/2 2.x numbers its later compressions differently; RLE8 and RLE4
    // keep their numbers there.
    if (header_bytes == kOs2V2HeaderBytes && compression > kBiRle4) return std::nullopt;
    if (compression == kBiBitfields || compression == kBiAlphaBitfields) {
      if (bpp != 16 && bpp != 32) return std::nullopt;
      // The masks sit right after the 40-byte part, inside the later headers
      // and just after the short one.
      if (kFileHeaderBytes + kInfoHeaderBytes + 12 > b.size()) return std::nullopt;
      for (int i = 0; i < 3; ++i) masks[i] = Le32(b, kFileHeaderBytes + kInfoHeaderBytes + 4 * i);
      if (header_bytes == kInfoHeaderBytes)
        palette_offset += compression == kBiAlphaBitfields ? 16 : 12;
    } else if (compression == kBiRle8) {
      if (bpp != 8) return std::nullopt;
    } else if (compression == kBiRle4) {
      if (bpp != 4) return std::nullopt;
    } else if (compression != kBiRgb) {
      return std::nullopt;
    } else if (bpp == 16) {
      masks[0] = 0x7c00;
      masks[1] = 0x03e0;
      masks[2] = 0x001f;
    }
  } else {
    return std::nullopt;
  }

  const bool rle = compression == kBiRle8 || compression == kBiRle4;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return std::nullopt;
  const bool top_down = height < 0;
  if (top_down) height = -height;
  if (width <= 0 || height <= 0 || width > kMaxPictureSide || height > kMaxPictureSide)
    return std::nullopt;
  // RLE has no top-down form.
  if (rle && top_down) return std::nullopt;

  const uint64_t row_bits = static_cast<uint64_t>(width) * bpp;
  const uint64_t stride = (row_bits + 31) / 32 * 4;
  const uint64_t row_bytes = (row_bits + 7) / 8;
  if (rle) {
    if (pixel_offset > b.size()) return std::nullopt;
  } else if (pixel_offset + stride * (height - 1) + row_bytes > b.size()) {
    // The last row may come without its padding; anything shorter is refused.
    return std::nullopt;
  }

  BmpPalette palette;
  if (bpp <= 8) {
    uint64_t wanted = palette_used != 0 ? palette_used : (1u << bpp);
    wanted = std::min<uint64_t>(wanted, 1u << bpp);
    uint64_t available =
        palette_offset < b.size() ? (b.size() - palette_offset) / palette_entry_bytes : 0;
    palette.count = static_cast<size_t>(std::min(wanted, available));
    for (size_t i = 0; i < palette.count; ++i) {
      size_t at = static_cast<size_t>(palette_offset) + i * palette_entry_bytes;
      palette.colors[i] = platform::MakeColor(b[at + 2], b[at + 1], b[at]);
    }
  }

  if (rle) {
    // Pixels the stream never sets show index 0, as they would in a freshly
    // made 8-bit or 4-bit bitmap that the stream is expanded into.
    Surface out = SolidSurface(static_cast<int>(width), static_cast<int>(height), palette[0]);
    DecodeRle(b.subspan(static_cast<size_t>(pixel_offset)), bpp, palette, out);
    return out;
  }

  const Channel red(masks[0]);
  const Channel green(masks[1]);
  const Channel blue(masks[2]);

  Surface out = SolidSurface(static_cast<int>(width), static_cast<int>(height), 0);
  for (int64_t y = 0; y < height; ++y) {
    const int64_t src_row = top_down ? y : height - 1 - y;
    const uint8_t* src = b.data() + pixel_offset + stride * src_row;
    uint8_t* dst = out.Row(static_cast<int>(y));
    switch (bpp) {
      case 24:
        std::memcpy(dst, src, static_cast<size_t>(width) * 3);
        break;
      case 32:
        for (int64_t x = 0; x < width; ++x) {
          if (compression == kBiRgb) {
            dst[3 * x] = src[4 * x];
            dst[3 * x + 1] = src[4 * x + 1];
            dst[3 * x + 2] = src[4 * x + 2];
          } else {
            uint32_t p = static_cast<uint32_t>(src[4 * x]) | (src[4 * x + 1] << 8) |
                         (src[4 * x + 2] << 16) | (static_cast<uint32_t>(src[4 * x + 3]) << 24);
            dst[3 * x] = blue.Of(p);
            dst[3 * x + 1] = green.Of(p);
            dst[3 * x + 2] = red.Of(p);
          }
        }
        break;
      case 16:
        for (int64_t x = 0; x < width; ++x) {
          uint32_t p = static_cast<uint32_t>(src[2 * x] | (src[2 * x + 1] << 8));
          dst[3 * x] = blue.Of(p);
          dst[3 * x + 1] = green.Of(p);
          dst[3 * x + 2] = red.Of(p);
        }
        break;
      default: {  // 1, 4 and 8 bits: palette indices, leftmost pixel in the high bits
        const int per_byte = 8 / bpp;
        const unsigned index_mask = (1u << bpp) - 1;
        for (int64_t x = 0; x < width; ++x) {
          const uint8_t byte = src[x / per_byte];
          const int shift = 8 - bpp * (static_cast<int>(x % per_byte) + 1);
          const Color c = palette[(byte >> shift) & index_mask];
          dst[3 * x] = platform::BlueOf(c);
          dst[3 * x + 1] = platform::GreenOf(c);
          dst[3 * x + 2] = platform::RedOf(c);
        }
        break;
      }
    }
  }
  return out;
}

std::optional<Surface> DecodePicture(std::string_view name, std::span<const uint8_t> bytes) {
  switch (PictureKindOf(name)) {
    case PictureKind::kBmp:
      return DecodeBmp(bytes);
    case PictureKind::kJpeg:
      return DecodeJpeg(bytes);
    case PictureKind::kNone:
      break;
  }
  return std::nullopt;
}

std::vector<uint8_t> EncodeBmp24(const Surface& s) {
  const size_t stride = (static_cast<size_t>(s.width) * 3 + 3) / 4 * 4;
  const size_t image_bytes = stride * s.height;
  const size_t file_bytes = kFileHeaderBytes + kInfoHeaderBytes + image_bytes;
  std::vector<uint8_t> out(file_bytes, 0);
  auto put16 = [&](size_t at, uint32_t v) {
    out[at] = static_cast<uint8_t>(v);
    out[at + 1] = static_cast<uint8_t>(v >> 8);
  };
  auto put32 = [&](size_t at, uint32_t v) {
    put16(at, v & 0xffff);
    put16(at + 2, v >> 16);
  };
  out[0] = 'B';
  out[1] = 'M';
  put32(2, static_cast<uint32_t>(file_bytes));
  put32(10, kFileHeaderBytes + kInfoHeaderBytes);
  put32(14, kInfoHeaderBytes);
  put32(18, static_cast<uint32_t>(s.width));
  put32(22, static_cast<uint32_t>(s.height));
  put16(26, 1);
  put16(28, 24);
  put32(34, static_cast<uint32_t>(image_bytes));
  put32(38, 2835);  // 72 dpi
  put32(42, 2835);
  for (int y = 0; y < s.height; ++y) {
    uint8_t* dst = out.data() + kFileHeaderBytes + kInfoHeaderBytes + stride * (s.height - 1 - y);
    std::memcpy(dst, s.Row(y), static_cast<size_t>(s.width) * 3);
  }
  return out;
}

}  // namespace zepa::display
