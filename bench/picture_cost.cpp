// Makes hostile picture files and decodes one file the way the game does
// (read through the bounded picture reader, then decoded), for measuring
// time and memory
// under /usr/bin/time. Built and run by bench/hostile_pictures.sh.
//
//   picture_cost jpeg KIND WIDTH HEIGHT SCANS OUT   a progressive JPEG (KIND
//       420, 444 or gray) whose frame claims WIDTH x HEIGHT, its last scan
//       repeated until it has SCANS
//   picture_cost bmp WIDTH HEIGHT BPP COMPRESSION FULL OUT   a bitmap header
//       claiming WIDTH x HEIGHT; FULL 1 adds all its pixel bytes
//   picture_cost decode FILE                   decodes and reports
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

// After the standard headers: it uses size_t and FILE without declaring them.
#include <jpeglib.h>

#include "display/packfile.h"
#include "display/picture.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes SmallProgressiveJpeg(const std::string& kind) {
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* mem = nullptr;
  unsigned long mem_size = 0;
  jpeg_mem_dest(&c, &mem, &mem_size);
  c.image_width = 16;
  c.image_height = 16;
  const bool gray = kind == "gray";
  c.input_components = gray ? 1 : 3;
  c.in_color_space = gray ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&c);
  if (kind == "444") c.comp_info[0].h_samp_factor = c.comp_info[0].v_samp_factor = 1;
  jpeg_simple_progression(&c);
  jpeg_start_compress(&c, TRUE);
  std::vector<uint8_t> row(16 * static_cast<size_t>(c.input_components));
  for (int y = 0; y < 16; ++y) {
    for (size_t i = 0; i < row.size(); ++i) row[i] = static_cast<uint8_t>(i * 7 + y * 13);
    JSAMPROW p = row.data();
    jpeg_write_scanlines(&c, &p, 1);
  }
  jpeg_finish_compress(&c);
  Bytes out(mem, mem + mem_size);
  jpeg_destroy_compress(&c);
  free(mem);
  return out;
}

size_t Find(const Bytes& b, uint8_t code, size_t from) {
  for (size_t i = from; i + 1 < b.size(); ++i)
    if (b[i] == 0xff && b[i + 1] == code) return i;
  return b.size();
}

Bytes HostileJpeg(const std::string& kind, int width, int height, int scans) {
  Bytes b = SmallProgressiveJpeg(kind);
  const size_t sof = Find(b, 0xc2, 0);
  b[sof + 5] = static_cast<uint8_t>(height >> 8);
  b[sof + 6] = static_cast<uint8_t>(height);
  b[sof + 7] = static_cast<uint8_t>(width >> 8);
  b[sof + 8] = static_cast<uint8_t>(width);
  size_t last = 0;
  int count = 0;
  for (size_t at = Find(b, 0xda, 0); at < b.size(); at = Find(b, 0xda, at + 2)) {
    last = at;
    ++count;
  }
  const Bytes scan(b.begin() + static_cast<std::ptrdiff_t>(last), b.end() - 2);
  for (; count < scans; ++count) b.insert(b.end() - 2, scan.begin(), scan.end());
  return b;
}

void Put(Bytes& b, size_t at, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

Bytes HostileBmp(int width, int height, int bpp, int compression, bool full) {
  const size_t palette = bpp <= 8 ? (size_t{4} << bpp) : 0;
  const size_t offset = 14 + 40 + palette;
  const size_t stride = (static_cast<size_t>(width) * bpp + 31) / 32 * 4;
  Bytes b(offset + (full ? stride * static_cast<size_t>(height) : 2), 0);
  b[0] = 'B';
  b[1] = 'M';
  Put(b, 2, static_cast<uint32_t>(b.size()), 4);
  Put(b, 10, static_cast<uint32_t>(offset), 4);
  Put(b, 14, 40, 4);
  Put(b, 18, static_cast<uint32_t>(width), 4);
  Put(b, 22, static_cast<uint32_t>(height), 4);
  Put(b, 26, 1, 2);
  Put(b, 28, static_cast<uint32_t>(bpp), 2);
  Put(b, 30, static_cast<uint32_t>(compression), 4);
  if (!full) Put(b, offset, 0x0100, 2);  // an RLE end of bitmap
  return b;
}

bool Write(const std::string& path, const Bytes& b) {
  std::ofstream f(path, std::ios::binary);
  f.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
  return static_cast<bool>(f);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "jpeg" && argc == 7)
    return Write(argv[6],
                 HostileJpeg(argv[2], std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5])))
               ? 0
               : 1;
  if (mode == "bmp" && argc == 8)
    return Write(argv[7], HostileBmp(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]),
                                     std::atoi(argv[5]), std::atoi(argv[6]) != 0))
               ? 0
               : 1;
  if (mode == "decode" && argc == 3) {
    const auto start = std::chrono::steady_clock::now();
    const auto bytes = zepa::display::OpenPicture("", argv[2]);
    if (!bytes) {
      std::printf("%s: not read\n", argv[2]);
      return 0;
    }
    const auto picture = zepa::display::DecodePicture(argv[2], *bytes);
    const auto ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start);
    if (picture)
      std::printf("%s: decoded %dx%d in %.1f ms\n", argv[2], picture->width, picture->height,
                  ms.count());
    else
      std::printf("%s: refused in %.1f ms\n", argv[2], ms.count());
    return 0;
  }
  std::fprintf(stderr, "usage: see the comment at the top of picture_cost.cpp\n");
  return 2;
}
