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
  EXPECT_FALSE(DecodeBmp(patched(30, 1)));                   // RLE8
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

// A JPEG made with the library's own compressor.
Bytes EncodeJpeg(const Surface& s, bool grayscale) {
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* mem = nullptr;
  unsigned long mem_size = 0;
  jpeg_mem_dest(&c, &mem, &mem_size);
  c.image_width = static_cast<JDIMENSION>(s.width);
  c.image_height = static_cast<JDIMENSION>(s.height);
  c.input_components = grayscale ? 1 : 3;
  c.in_color_space = grayscale ? JCS_GRAYSCALE : JCS_EXT_BGR;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 100, TRUE);
  jpeg_start_compress(&c, TRUE);
  std::vector<uint8_t> gray(static_cast<size_t>(s.width));
  for (int y = 0; y < s.height; ++y) {
    JSAMPROW row = const_cast<uint8_t*>(s.Row(y));
    if (grayscale) {
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
  auto back = DecodePicture("q.jpeg", EncodeJpeg(s, false));
  ASSERT_TRUE(back);
  ASSERT_EQ(back->width, 16);
  ASSERT_EQ(back->height, 16);
  // Sample away from the quadrant borders, where chroma subsampling blurs.
  for (auto [x, y] : {std::pair{2, 2}, {13, 2}, {2, 13}, {13, 13}})
    EXPECT_LE(MaxChannelDifference(back->Get(x, y), s.Get(x, y)), 12) << x << "," << y;

  Surface grey(8, 8, 0x808080);
  auto g = DecodeJpeg(EncodeJpeg(grey, true));
  ASSERT_TRUE(g);
  EXPECT_LE(MaxChannelDifference(g->Get(4, 4), 0x808080), 2);
}

TEST(DecodeJpeg, RefusesTruncatedCorruptAndHugePictures) {
  Bytes good = EncodeJpeg(Quadrants(), false);
  ASSERT_TRUE(DecodeJpeg(good));
  EXPECT_FALSE(DecodeJpeg({}));
  EXPECT_FALSE(DecodeJpeg(std::span(good.data(), good.size() / 2)));
  for (size_t len = 0; len + 2 < good.size(); len += 7)
    EXPECT_FALSE(DecodeJpeg(std::span(good.data(), len))) << len;
  Bytes not_jpeg(100, 0x55);
  EXPECT_FALSE(DecodeJpeg(not_jpeg));

  // Find the frame header and claim 9000 x 9000, then zero width.
  size_t sof = 0;
  for (size_t i = 0; i + 1 < good.size(); ++i)
    if (good[i] == 0xff && good[i + 1] == 0xc0) {
      sof = i;
      break;
    }
  ASSERT_NE(sof, 0u);
  Bytes huge = good;
  huge[sof + 5] = 9000 >> 8;
  huge[sof + 6] = 9000 & 0xff;
  huge[sof + 7] = 9000 >> 8;
  huge[sof + 8] = 9000 & 0xff;
  EXPECT_FALSE(DecodeJpeg(huge));
  Bytes zero = good;
  zero[sof + 7] = 0;
  zero[sof + 8] = 0;
  EXPECT_FALSE(DecodeJpeg(zero));

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

}  // namespace
}  // namespace zepa::display
