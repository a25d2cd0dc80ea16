#include "display/picture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>

#include <jpeglib.h>

namespace zepa::display {
namespace {

using Bytes = std::vector<uint8_t>;

void Put16(Bytes& b, size_t at, uint32_t v) {
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}
void Put32(Bytes& b, size_t at, uint32_t v) {
  Put16(b, at, v & 0xffff);
  Put16(b, at + 2, v >> 16);
}

// A bitmap file around raw rows (each already padded as the file wants).
struct BmpSpec {
  uint32_t header_bytes = 40;
  int32_t width = 0;
  int32_t height = 0;  // negative: top-down
  int bpp = 24;
  uint32_t compression = 0;
  std::vector<uint32_t> masks;  // written after a 40-byte header or inside V4/V5
  Bytes palette;                // raw entries
  uint32_t palette_used = 0;
  Bytes pixels;                 // rows as stored in the file, bottom row first unless top-down
};

Bytes MakeBmp(const BmpSpec& s) {
  const size_t masks_after = (s.header_bytes == 40) ? s.masks.size() * 4 : 0;
  const size_t offset = 14 + s.header_bytes + masks_after + s.palette.size();
  Bytes b(offset, 0);
  b[0] = 'B';
  b[1] = 'M';
  Put32(b, 10, static_cast<uint32_t>(offset));
  Put32(b, 14, s.header_bytes);
  if (s.header_bytes == 12) {
    Put16(b, 18, static_cast<uint32_t>(s.width));
    Put16(b, 20, static_cast<uint32_t>(s.height));
    Put16(b, 22, 1);
    Put16(b, 24, static_cast<uint32_t>(s.bpp));
  } else {
    Put32(b, 18, static_cast<uint32_t>(s.width));
    Put32(b, 22, static_cast<uint32_t>(s.height));
    Put16(b, 26, 1);
    Put16(b, 28, static_cast<uint32_t>(s.bpp));
    Put32(b, 30, s.compression);
    Put32(b, 46, s.palette_used);
    for (size_t i = 0; i < s.masks.size(); ++i) Put32(b, 54 + 4 * i, s.masks[i]);
  }
  if (!s.palette.empty())
    std::memcpy(b.data() + 14 + s.header_bytes + masks_after, s.palette.data(), s.palette.size());
  b.insert(b.end(), s.pixels.begin(), s.pixels.end());
  Put32(b, 2, static_cast<uint32_t>(b.size()));
  return b;
}

constexpr Color kRed = 0x0000ff, kGreen = 0x00ff00, kBlue = 0xff0000, kWhite = 0xffffff;

TEST(PictureKindOf, ComparesFirstFourCharactersOfLastExtension) {
  EXPECT_EQ(PictureKindOf("bg.bmp"), PictureKind::kBmp);
  EXPECT_EQ(PictureKindOf("BG.BMP"), PictureKind::kBmp);
  EXPECT_EQ(PictureKindOf("a.b.Jpg"), PictureKind::kJpeg);
  EXPECT_EQ(PictureKindOf("x.jpe"), PictureKind::kJpeg);
  EXPECT_EQ(PictureKindOf("x.JPEG"), PictureKind::kJpeg);
  EXPECT_EQ(PictureKindOf("x.bmpx"), PictureKind::kBmp);  // only four characters count
  EXPECT_EQ(PictureKindOf("x.gif"), PictureKind::kNone);
  EXPECT_EQ(PictureKindOf("x.jp"), PictureKind::kNone);
  EXPECT_EQ(PictureKindOf("bmp"), PictureKind::kNone);
  EXPECT_EQ(PictureKindOf("x.bmp.gif"), PictureKind::kNone);
}

TEST(DecodeBmp, ReadsBackWhatEncodeBmp24Wrote) {
  Surface s(3, 2, 0);  // odd width: every row padded by 3 bytes
  s.Set(0, 0, kRed);
  s.Set(1, 0, kGreen);
  s.Set(2, 0, kBlue);
  s.Set(0, 1, 0x123456);
  s.Set(2, 1, kWhite);
  Bytes file = EncodeBmp24(s);
  EXPECT_EQ(file.size(), 14u + 40 + 2 * 12);
  auto back = DecodeBmp(file);
  ASSERT_TRUE(back);
  EXPECT_EQ(*back, s);
  EXPECT_EQ(DecodePicture("A.BMP", file), s);
  EXPECT_FALSE(DecodePicture("a.gif", file));
}

TEST(DecodeBmp, PaletteDepthsPickTheirEntries) {
  const Bytes palette = {0, 0, 0, 0, /*1*/ 255, 255, 255, 0, /*2*/ 0, 0, 255, 0, /*3*/ 255, 0, 0, 0};
  // 1 bit, 10 pixels wide (two bytes, padded to four): 1011001110 top row, all 0 bottom.
  BmpSpec one;
  one.width = 10;
  one.height = 2;
  one.bpp = 1;
  one.palette = Bytes(palette.begin(), palette.begin() + 8);
  one.pixels = {0, 0, 0, 0, 0xb3, 0x80, 0, 0};
  auto s1 = DecodeBmp(MakeBmp(one));
  ASSERT_TRUE(s1);
  const char* top = "1011001110";
  for (int x = 0; x < 10; ++x) {
    EXPECT_EQ(s1->Get(x, 0), top[x] == '1' ? kWhite : 0u) << x;
    EXPECT_EQ(s1->Get(x, 1), 0u) << x;
  }
  // 4 bits, 3 pixels: indices 2 3 1, one row, top-down.
  BmpSpec four;
  four.width = 3;
  four.height = -1;
  four.bpp = 4;
  four.palette = palette;
  four.palette_used = 4;
  four.pixels = {0x23, 0x10, 0, 0};
  auto s4 = DecodeBmp(MakeBmp(four));
  ASSERT_TRUE(s4);
  EXPECT_EQ(s4->Get(0, 0), kRed);
  EXPECT_EQ(s4->Get(1, 0), kBlue);
  EXPECT_EQ(s4->Get(2, 0), kWhite);
  // 8 bits with a short palette: index 7 lies past it and shows black.
  BmpSpec eight;
  eight.width = 2;
  eight.height = 1;
  eight.bpp = 8;
  eight.palette = palette;
  eight.palette_used = 4;
  eight.pixels = {3, 7, 0, 0};
  auto s8 = DecodeBmp(MakeBmp(eight));
  ASSERT_TRUE(s8);
  EXPECT_EQ(s8->Get(0, 0), kBlue);
  EXPECT_EQ(s8->Get(1, 0), 0u);
  // The old core header: three-byte palette entries, 16-bit sizes.
  BmpSpec core;
  core.header_bytes = 12;
  core.width = 2;
  core.height = 1;
  core.bpp = 8;
  core.palette = {0, 0, 0, 0, 255, 0};
  core.pixels = {1, 0, 0, 0};
  auto sc = DecodeBmp(MakeBmp(core));
  ASSERT_TRUE(sc);
  EXPECT_EQ(sc->Get(0, 0), kGreen);
  EXPECT_EQ(sc->Get(1, 0), 0u);
}

TEST(DecodeBmp, DirectColourDepthsAndBitFields) {
  // 16 bits without fields is 5-5-5: pure red, then a mid grey (15 -> 123).
  BmpSpec rgb555;
  rgb555.width = 2;
  rgb555.height = 1;
  rgb555.bpp = 16;
  rgb555.pixels = {0x00, 0x7c, 0xef, 0x3d};
  auto a = DecodeBmp(MakeBmp(rgb555));
  ASSERT_TRUE(a);
  EXPECT_EQ(a->Get(0, 0), kRed);
  EXPECT_EQ(a->Get(1, 0), platform::MakeColor(123, 123, 123));
  // 5-6-5 through bit fields: pure green.
  BmpSpec rgb565;
  rgb565.width = 1;
  rgb565.height = 1;
  rgb565.bpp = 16;
  rgb565.compression = 3;
  rgb565.masks = {0xf800, 0x07e0, 0x001f};
  rgb565.pixels = {0xe0, 0x07, 0, 0};
  auto b = DecodeBmp(MakeBmp(rgb565));
  ASSERT_TRUE(b);
  EXPECT_EQ(b->Get(0, 0), kGreen);
  // 32 bits plain is B G R X, two rows bottom-up.
  BmpSpec plain32;
  plain32.width = 1;
  plain32.height = 2;
  plain32.bpp = 32;
  plain32.pixels = {1, 2, 3, 99, 10, 20, 30, 99};
  auto c = DecodeBmp(MakeBmp(plain32));
  ASSERT_TRUE(c);
  EXPECT_EQ(c->Get(0, 1), platform::MakeColor(3, 2, 1));
  EXPECT_EQ(c->Get(0, 0), platform::MakeColor(30, 20, 10));
  // A V5 header carries its masks inside: here R G B X byte order.
  BmpSpec v5;
  v5.header_bytes = 124;
  v5.width = 1;
  v5.height = -1;
  v5.bpp = 32;
  v5.compression = 3;
  v5.masks = {0x000000ff, 0x0000ff00, 0x00ff0000};
  v5.pixels = {200, 100, 50, 0};
  auto d = DecodeBmp(MakeBmp(v5));
  ASSERT_TRUE(d);
  EXPECT_EQ(d->Get(0, 0), platform::MakeColor(200, 100, 50));
  // A V4 header with plain 24-bit pixels.
  BmpSpec v4;
  v4.header_bytes = 108;
  v4.width = 1;
  v4.height = 1;
  v4.bpp = 24;
  v4.pixels = {7, 8, 9, 0};
  auto e = DecodeBmp(MakeBmp(v4));
  ASSERT_TRUE(e);
  EXPECT_EQ(e->Get(0, 0), platform::MakeColor(9, 8, 7));
}

TEST(DecodeBmp, RefusesLyingHeadersWithoutReadingPastTheBuffer) {
  Bytes good = EncodeBmp24(Surface(4, 4, kRed));
  ASSERT_TRUE(DecodeBmp(good));
  auto patched = [&](size_t at, uint32_t v) {
    Bytes b = good;
    Put32(b, at, v);
    return b;
  };
  EXPECT_FALSE(DecodeBmp(patched(18, 0)));                   // zero width
  EXPECT_FALSE(DecodeBmp(patched(22, 0)));                   // zero height
  EXPECT_FALSE(DecodeBmp(patched(18, 0xfffffffc)));          // negative width
  EXPECT_FALSE(DecodeBmp(patched(18, 100000)));              // huge width
  EXPECT_FALSE(DecodeBmp(patched(22, 0x80000000)));          // height INT_MIN
  EXPECT_FALSE(DecodeBmp(patched(22, 5)));                   // more rows than bytes
  EXPECT_FALSE(DecodeBmp(patched(10, 0xfffffff0)));          // pixels beyond the file
  EXPECT_FALSE(DecodeBmp(patched(14, 0x7fffffff)));          // header beyond the file
  EXPECT_FALSE(DecodeBmp(patched(14, 20)));                  // unknown header size
  EXPECT_FALSE(DecodeBmp(patched(30, 1)));                   // RLE8 with 24 bits
  EXPECT_FALSE(DecodeBmp(patched(30, 4)));                   // JPEG inside
  Bytes odd_depth = good;
  Put16(odd_depth, 28, 7);
  EXPECT_FALSE(DecodeBmp(odd_depth));
  Bytes not_bm = good;
  not_bm[0] = 'X';
  EXPECT_FALSE(DecodeBmp(not_bm));
  // A file cut anywhere is refused, never read past; the last row may lack
  // only its padding (none here: 4 pixels of 3 bytes).
  for (size_t len = 0; len < good.size(); ++len)
    EXPECT_FALSE(DecodeBmp(std::span(good.data(), len))) << len;
  // Random damage to the header decodes or refuses, never crashes.
  std::mt19937 rng(7);
  for (int i = 0; i < 2000; ++i) {
    Bytes b = good;
    b[rng() % 54] = static_cast<uint8_t>(rng());
    if (auto s = DecodeBmp(b)) {
      EXPECT_LE(static_cast<size_t>(s->width) * s->height * 3, s->pixels.size());
    }
  }
}

// Bounds are checked from the header alone: a 4096-pixel side is a picture,
// 4097 is refused before any pixel memory is taken.
TEST(DecodeBmp, SidesUpTo4096Pixels) {
  BmpSpec wide;
  wide.width = 4096;
  wide.height = 1;
  wide.pixels = Bytes(4096 * 3, 0x40);
  auto s = DecodeBmp(MakeBmp(wide));
  ASSERT_TRUE(s);
  EXPECT_EQ(s->width, 4096);
  wide.width = 4097;
  wide.pixels.resize(4100 * 3);
  EXPECT_FALSE(DecodeBmp(MakeBmp(wide)));
  BmpSpec tall;
  tall.width = 1;
  tall.height = -4097;  // top-down counts the same
  tall.pixels = Bytes(4097 * 4, 0);
  EXPECT_FALSE(DecodeBmp(MakeBmp(tall)));
  tall.height = 8192;
  EXPECT_FALSE(DecodeBmp(MakeBmp(tall)));
  // An RLE header needs no pixel bytes to claim a size, so the bound is all
  // that keeps it small.
  BmpSpec rle;
  rle.width = 8192;
  rle.height = 8192;
  rle.bpp = 8;
  rle.compression = 1;
  rle.pixels = {0, 1};
  EXPECT_FALSE(DecodeBmp(MakeBmp(rle)));
}

// Palette of the RLE tests: 0 white (what unset pixels show), then red,
// green, blue.
const Bytes kRlePalette = {255, 255, 255, 0, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0};

std::optional<Surface> DecodeRle(int width, int height, int bpp, Bytes stream) {
  BmpSpec spec;
  spec.width = width;
  spec.height = height;
  spec.bpp = bpp;
  spec.compression = bpp == 8 ? 1 : 2;
  spec.palette = kRlePalette;
  spec.palette_used = 4;
  spec.pixels = std::move(stream);
  return DecodeBmp(MakeBmp(spec));
}

// Rows of a surface as letters: W R G B for the palette, ? for anything else.
std::vector<std::string> Letters(const Surface& s) {
  std::vector<std::string> rows;
  for (int y = 0; y < s.height; ++y) {
    std::string row;
    for (int x = 0; x < s.width; ++x) {
      const Color c = s.Get(x, y);
      row += c == kWhite ? 'W' : c == kRed ? 'R' : c == kGreen ? 'G' : c == kBlue ? 'B' : '?';
    }
    rows.push_back(row);
  }
  return rows;
}

using Rows = std::vector<std::string>;

TEST(DecodeBmp, Rle8RunsAndEscapes) {
  // Bottom row first: a run of three reds, end of line; an odd absolute run
  // (padded by one byte), a delta one row up, a blue run, end of bitmap, and
  // a run after it that must not be drawn.
  auto s = DecodeRle(4, 3, 8, {3, 1, 0, 0,        // RRR, end of line
                               0, 3, 2, 3, 1, 0,  // absolute G B R + pad
                               0, 2, 0, 1,        // delta: up one row, same column
                               1, 3,              // B at x 3
                               0, 1,              // end of bitmap
                               4, 2});
  ASSERT_TRUE(s);
  EXPECT_EQ(Letters(*s), (Rows{"WWWB", "GBRW", "RRRW"}));

  // An even absolute run has no pad; a delta skips pixels within a row.
  s = DecodeRle(6, 1, 8, {0, 4, 1, 2, 3, 1, 0, 2, 1, 0, 1, 2});
  ASSERT_TRUE(s);
  EXPECT_EQ(Letters(*s), (Rows{"RGBRWG"}));

  // A stream without its end marker decodes as far as it goes.
  s = DecodeRle(3, 2, 8, {2, 3});
  ASSERT_TRUE(s);
  EXPECT_EQ(Letters(*s), (Rows{"WWW", "BBW"}));
}

TEST(DecodeBmp, Rle4RunsAlternateNibbles) {
  auto s = DecodeRle(8, 2, 4,
                     {3, 0x12,                    // R G R
                      0, 5, 0x23, 0x12, 0x30, 0,  // absolute G B R G B: three bytes + pad
                      0, 0,                       // end of line
                      0, 4, 0x32, 0x10,           // absolute B G R W: two bytes, no pad
                      2, 0x21,                    // G R
                      0, 1});
  ASSERT_TRUE(s);
  EXPECT_EQ(Letters(*s), (Rows{"BGRWGRWW", "RGRGBRGB"}));
}

// Runs and deltas that leave the picture are clipped at its edge: nothing
// wraps into the next row and nothing is written outside the buffer.
TEST(DecodeBmp, RleRunsPastTheEdgeAreClipped) {
  // An encoded run of 255 in a 4-wide row, then more pixels on the same row.
  auto s = DecodeRle(4, 2, 8, {255, 1, 2, 3, 0, 0, 1, 2});
  ASSERT_TRUE(s);
  EXPECT_EQ(Letters(*s), (Rows{"GWWW", "RRRR"}));
  // An absolute run longer than the row; a delta far to the right, a run
  // there, and a line end past the top that ends the picture.
  s = DecodeRle(2, 2, 8, {0, 5, 1, 2, 3, 1, 2, 0, 0, 0, 1, 3, 0, 2, 200, 0, 3, 3, 0, 0, 1, 3});
  ASSERT_TRUE(s);
  EXPECT_EQ(Letters(*s), (Rows{"BW", "RG"}));
  s = DecodeRle(3, 1, 4, {200, 0x13, 0, 200, 0x11});
  ASSERT_TRUE(s);
  EXPECT_EQ(Letters(*s), (Rows{"RBR"}));
  // Deltas and line ends past the top end the picture.
  s = DecodeRle(2, 2, 8, {1, 1, 0, 2, 0, 255, 1, 2});
  ASSERT_TRUE(s);
  EXPECT_EQ(Letters(*s), (Rows{"WW", "RW"}));
  Bytes many_lines;
  for (int i = 0; i < 1000; ++i) many_lines.insert(many_lines.end(), {1, 3, 0, 0});
  s = DecodeRle(1, 3, 8, many_lines);
  ASSERT_TRUE(s);
  EXPECT_EQ(Letters(*s), (Rows{"B", "B", "B"}));
  // Absolute runs and deltas cut short by the end of the file.
  s = DecodeRle(4, 1, 8, {0, 200, 1, 2});
  ASSERT_TRUE(s);
  EXPECT_EQ(Letters(*s), (Rows{"RGWW"}));
  s = DecodeRle(4, 1, 4, {0, 7, 0x31});
  ASSERT_TRUE(s);
  EXPECT_EQ(Letters(*s), (Rows{"BRWW"}));
  s = DecodeRle(4, 1, 8, {1, 1, 0, 2, 1});
  ASSERT_TRUE(s);
  EXPECT_EQ(Letters(*s), (Rows{"RWWW"}));
  // Indices beyond the palette show black.
  s = DecodeRle(2, 1, 8, {2, 200});
  ASSERT_TRUE(s);
  EXPECT_EQ(s->Get(1, 0), 0u);

  // Random streams never write outside the picture (the sanitizer build
  // checks the writes) and always give the header's size.
  std::mt19937 rng(3);
  for (int i = 0; i < 3000; ++i) {
    Bytes stream(rng() % 64);
    for (auto& byte : stream) byte = static_cast<uint8_t>(rng() % 4 == 0 ? rng() % 3 : rng());
    const int w = 1 + static_cast<int>(rng() % 9), h = 1 + static_cast<int>(rng() % 5);
    auto r = DecodeRle(w, h, i % 2 == 0 ? 8 : 4, stream);
    ASSERT_TRUE(r);
    ASSERT_EQ(r->pixels.size(), static_cast<size_t>(w) * h * 3);
  }
}

TEST(DecodeBmp, RleNeedsItsDepthAndBottomUpRows) {
  EXPECT_TRUE(DecodeRle(2, 1, 8, {2, 1}));
  BmpSpec spec;
  spec.width = 2;
  spec.height = 1;
  spec.bpp = 4;
  spec.compression = 1;  // RLE8 on a 4-bit bitmap
  spec.palette = kRlePalette;
  spec.pixels = {2, 1};
  EXPECT_FALSE(DecodeBmp(MakeBmp(spec)));
  spec.bpp = 8;
  spec.compression = 2;  // RLE4 on an 8-bit one
  EXPECT_FALSE(DecodeBmp(MakeBmp(spec)));
  spec.compression = 1;
  spec.height = -1;  // RLE has no top-down form
  EXPECT_FALSE(DecodeBmp(MakeBmp(spec)));
  spec.height = 1;
  Bytes file = MakeBmp(spec);
  ASSERT_TRUE(DecodeBmp(file));
  Put32(file, 10, static_cast<uint32_t>(file.size() + 1));  // pixels beyond the file
  EXPECT_FALSE(DecodeBmp(file));
  Put32(file, 10, static_cast<uint32_t>(file.size()));  // an empty stream sets nothing
  auto empty = DecodeBmp(file);
  ASSERT_TRUE(empty);
  EXPECT_EQ(Letters(*empty), (Rows{"WW"}));
}

struct JpegOptions {
  bool grayscale = false;
  bool progressive = false;
};

// A JPEG made with the library's own compressor.
Bytes EncodeJpeg(const Surface& s, JpegOptions options = {}) {
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* mem = nullptr;
  unsigned long mem_size = 0;
  jpeg_mem_dest(&c, &mem, &mem_size);
  c.image_width = static_cast<JDIMENSION>(s.width);
  c.image_height = static_cast<JDIMENSION>(s.height);
  c.input_components = options.grayscale ? 1 : 3;
  c.in_color_space = options.grayscale ? JCS_GRAYSCALE : JCS_EXT_BGR;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 100, TRUE);
  if (options.progressive) jpeg_simple_progression(&c);
  jpeg_start_compress(&c, TRUE);
  std::vector<uint8_t> gray(static_cast<size_t>(s.width));
  for (int y = 0; y < s.height; ++y) {
    JSAMPROW row = const_cast<uint8_t*>(s.Row(y));
    if (options.grayscale) {
      for (int x = 0; x < s.width; ++x) gray[x] = s.Row(y)[3 * x + 1];
      row = gray.data();
    }
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  Bytes out(mem, mem + mem_size);
  jpeg_destroy_compress(&c);
  free(mem);
  return out;
}

// Offset of the first marker 0xFF `code` (markers only: the search starts
// at the segment structure's beginning and callers look for header markers).
size_t FindMarker(const Bytes& b, uint8_t code, size_t from = 0) {
  for (size_t i = from; i + 1 < b.size(); ++i)
    if (b[i] == 0xff && b[i + 1] == code) return i;
  return b.size();
}

Surface Quadrants() {
  Surface s(16, 16, kWhite);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) s.Set(x, y, x < 8 ? (y < 8 ? kRed : kGreen) : (y < 8 ? kBlue : kWhite));
  return s;
}

int MaxChannelDifference(Color a, Color b) {
  return std::max({std::abs(platform::RedOf(a) - platform::RedOf(b)),
                   std::abs(platform::GreenOf(a) - platform::GreenOf(b)),
                   std::abs(platform::BlueOf(a) - platform::BlueOf(b))});
}

TEST(DecodeJpeg, RoundTripsColourAndGrayscale) {
  Surface s = Quadrants();
  auto back = DecodePicture("q.jpeg", EncodeJpeg(s));
  ASSERT_TRUE(back);
  ASSERT_EQ(back->width, 16);
  ASSERT_EQ(back->height, 16);
  // Sample away from the quadrant borders, where chroma subsampling blurs.
  for (auto [x, y] : {std::pair{2, 2}, {13, 2}, {2, 13}, {13, 13}})
    EXPECT_LE(MaxChannelDifference(back->Get(x, y), s.Get(x, y)), 12) << x << "," << y;

  Surface grey(8, 8, 0x808080);
  auto g = DecodeJpeg(EncodeJpeg(grey, {.grayscale = true}));
  ASSERT_TRUE(g);
  EXPECT_LE(MaxChannelDifference(g->Get(4, 4), 0x808080), 2);
}

// A picture the library can decode is shown: the end marker is only a
// formality, and a cut file shows its decoded part over the library's grey.
TEST(DecodeJpeg, MissingEndAndTruncatedDataStillDecode) {
  Surface tall(16, 64, kWhite);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 16; ++x) tall.Set(x, y, y < 32 ? kRed : kBlue);
  for (bool progressive : {false, true}) {
    SCOPED_TRACE(progressive ? "progressive" : "baseline");
    const Bytes good = EncodeJpeg(tall, {.progressive = progressive});
    const auto whole = DecodeJpeg(good);
    ASSERT_TRUE(whole);
    ASSERT_EQ(good[good.size() - 2], 0xff);
    ASSERT_EQ(good[good.size() - 1], 0xd9);
    EXPECT_EQ(DecodeJpeg(std::span(good.data(), good.size() - 2)), whole);
    EXPECT_EQ(DecodeJpeg(std::span(good.data(), good.size() - 1)), whole);

    // Every cut after the first scan's header decodes at full size.
    const size_t first_scan = FindMarker(good, 0xda);
    ASSERT_LT(first_scan, good.size());
    for (size_t len = first_scan + 14; len < good.size(); len += 5) {
      auto cut = DecodeJpeg(std::span(good.data(), len));
      ASSERT_TRUE(cut) << len;
      EXPECT_EQ(cut->width, 16);
      EXPECT_EQ(cut->height, 64);
    }
  }
  // Cut a third into its data, a baseline picture keeps its top rows and
  // shows grey where the data ran out. Noise keeps the data long.
  Surface noise(32, 128, 0);
  std::mt19937 rng(5);
  for (auto& byte : noise.pixels) byte = static_cast<uint8_t>(rng());
  const Bytes noisy = EncodeJpeg(noise);
  const auto noisy_whole = DecodeJpeg(noisy);
  ASSERT_TRUE(noisy_whole);
  const size_t data = FindMarker(noisy, 0xda);
  auto cut = DecodeJpeg(std::span(noisy.data(), data + (noisy.size() - data) / 3));
  ASSERT_TRUE(cut);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 32; ++x) ASSERT_EQ(cut->Get(x, y), noisy_whole->Get(x, y)) << x << "," << y;
  for (int y = 100; y < 128; ++y)
    for (int x = 0; x < 32; ++x) ASSERT_EQ(cut->Get(x, y), 0x808080u) << x << "," << y;
}

// A second frame header after the data is a fatal error for the library,
// but only once every row has come out: the picture stands.
TEST(DecodeJpeg, AnErrorAfterTheRowsKeepsThePicture) {
  Bytes good = EncodeJpeg(Quadrants());
  const auto whole = DecodeJpeg(good);
  ASSERT_TRUE(whole);
  const size_t sof = FindMarker(good, 0xc0);
  const size_t sof_bytes = 2 + ((good[sof + 2] << 8) | good[sof + 3]);
  const Bytes frame(good.begin() + static_cast<std::ptrdiff_t>(sof),
                    good.begin() + static_cast<std::ptrdiff_t>(sof + sof_bytes));
  good.insert(good.end() - 2, frame.begin(), frame.end());
  EXPECT_EQ(DecodeJpeg(good), whole);
}

TEST(DecodeJpeg, RefusesWhatTheLibraryCannotStart) {
  Bytes good = EncodeJpeg(Quadrants());
  ASSERT_TRUE(DecodeJpeg(good));
  EXPECT_FALSE(DecodeJpeg({}));
  // A cut before the first scan's data leaves no picture to start on.
  const size_t first_scan = FindMarker(good, 0xda);
  for (size_t len = 0; len <= first_scan; len += 3)
    EXPECT_FALSE(DecodeJpeg(std::span(good.data(), len))) << len;
  Bytes not_jpeg(100, 0x55);
  EXPECT_FALSE(DecodeJpeg(not_jpeg));

  // Random damage anywhere decodes or refuses quietly.
  std::mt19937 rng(11);
  for (int i = 0; i < 300; ++i) {
    Bytes b = good;
    for (int k = 0; k < 4; ++k) b[rng() % b.size()] = static_cast<uint8_t>(rng());
    if (auto s = DecodeJpeg(b)) {
      EXPECT_EQ(s->pixels.size(), static_cast<size_t>(s->width) * s->height * 3);
    }
  }
}

Bytes WithFrameSize(Bytes b, int width, int height) {
  size_t sof = FindMarker(b, 0xc0);
  if (sof == b.size()) sof = FindMarker(b, 0xc2);
  b[sof + 5] = static_cast<uint8_t>(height >> 8);
  b[sof + 6] = static_cast<uint8_t>(height);
  b[sof + 7] = static_cast<uint8_t>(width >> 8);
  b[sof + 8] = static_cast<uint8_t>(width);
  return b;
}

TEST(DecodeJpeg, SidesUpTo4096Pixels) {
  const Bytes good = EncodeJpeg(Quadrants());
  auto with_size = [&](int width, int height) {
    return DecodeJpeg(WithFrameSize(good, width, height));
  };
  // The data covers only the first blocks; the library fills the rest.
  auto wide = with_size(4096, 16);
  ASSERT_TRUE(wide);
  EXPECT_EQ(wide->width, 4096);
  EXPECT_FALSE(with_size(4097, 16));
  EXPECT_FALSE(with_size(16, 4097));
  EXPECT_FALSE(with_size(9000, 9000));
  EXPECT_FALSE(with_size(0, 16));
  EXPECT_FALSE(with_size(16, 0));
}

// A progressive file with its last scan repeated until it holds `scans`.
Bytes WithScans(int scans, Bytes extra_segment = {}) {
  Bytes b = EncodeJpeg(Quadrants(), {.progressive = true});
  size_t last = 0;
  int count = 0;
  for (size_t at = FindMarker(b, 0xda); at < b.size(); at = FindMarker(b, 0xda, at + 2)) {
    last = at;
    ++count;
  }
  const Bytes scan(b.begin() + static_cast<std::ptrdiff_t>(last), b.end() - 2);
  for (; count < scans; ++count) b.insert(b.end() - 2, scan.begin(), scan.end());
  b.insert(b.begin() + 2, extra_segment.begin(), extra_segment.end());
  return b;
}

// A progressive picture holds all its coefficients until the last scan; past
// 40 MiB of them the file is refused before the memory is taken.
TEST(DecodeJpeg, ProgressiveCoefficientsAreBounded) {
  auto fits = DecodeJpeg(WithFrameSize(WithScans(10), 2048, 2048));
  ASSERT_TRUE(fits);
  EXPECT_EQ(fits->width, 2048);
  EXPECT_FALSE(DecodeJpeg(WithFrameSize(WithScans(10), 4096, 4096)));
  // A plain picture of the same size needs no such store.
  auto plain = DecodeJpeg(WithFrameSize(EncodeJpeg(Quadrants()), 4096, 4096));
  ASSERT_TRUE(plain);
  EXPECT_EQ(plain->height, 4096);
}

TEST(DecodeJpeg, AtMostOneHundredScans) {
  ASSERT_TRUE(DecodeJpeg(WithScans(10)));
  EXPECT_TRUE(DecodeJpeg(WithScans(100)));
  EXPECT_FALSE(DecodeJpeg(WithScans(101)));
  EXPECT_FALSE(DecodeJpeg(WithScans(499)));
  // Start-of-scan bytes inside a segment (a comment here, a thumbnail in a
  // real file) are not scans.
  Bytes comment = {0xff, 0xfe, 0x01, 0xf6};  // 0x1f6 = 502 bytes with the length
  for (int i = 0; i < 250; ++i) comment.insert(comment.end(), {0xff, 0xda});
  EXPECT_TRUE(DecodeJpeg(WithScans(60, comment)));
}

}  // namespace
}  // namespace zepa::display
