// JPEG pictures through the IJG library: the game's pictures and those a
// save file holds, decoded and encoded.
#include <algorithm>
#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "display/picture.h"

// The library's headers need size_t and FILE declared before them.
#include <jerror.h>
#include <jpeglib.h>

namespace zepa::display {
namespace {

struct JpegError {
  jpeg_error_mgr mgr;
  std::jmp_buf jump;
};

[[noreturn]] void JpegErrorExit(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<JpegError*>(cinfo->err);
  std::longjmp(err->jump, 1);
}

// Warnings (corrupt data, a missing end marker, a premature end) are not
// printed: the library carries on and fills what the data does not cover.
void JpegEmitMessage(j_common_ptr cinfo, int msg_level) {
  if (msg_level < 0) cinfo->err->num_warnings++;
}

void JpegOutputMessage(j_common_ptr) {}

// A progressive file can hold thousands of tiny scans, each a pass over the
// whole picture; real pictures have a dozen or so.
constexpr int kMaxJpegScans = 100;

struct JpegLayout {
  int scans = 0;
  // The bytes up to the last whole segment or scan data: a file cut inside a
  // table between two scans ends before that table, so the decoder sees a
  // cut at a segment boundary and keeps the scans before it instead of
  // failing on half a table.
  size_t usable_bytes = 0;
};

// Walks the marker segments the way the decoder does, stepping over
// entropy-coded data, so bytes inside a segment (an embedded thumbnail, say)
// never count as markers. Stops counting scans past `scan_limit`.
JpegLayout ReadJpegLayout(std::span<const uint8_t> b, int scan_limit) {
  JpegLayout layout;
  layout.usable_bytes = b.size();
  size_t at = 2;  // after the start-of-image marker
  while (at + 1 < b.size()) {
    if (b[at] != 0xff) {
      ++at;  // garbage between segments, which the decoder skips too
      continue;
    }
    const uint8_t marker = b[at + 1];
    if (marker == 0xff) {  // fill byte
      ++at;
      continue;
    }
    const size_t marker_at = at;
    at += 2;
    if (marker == 0xd9) break;  // end of image
    if (marker == 0x00 || marker == 0x01 || (marker >= 0xd0 && marker <= 0xd8)) continue;
    const size_t length = at + 1 < b.size() ? (static_cast<size_t>(b[at]) << 8) | b[at + 1] : 0;
    if (length < 2 || at + length > b.size()) {
      layout.usable_bytes = marker_at;
      break;
    }
    at += length;
    if (marker != 0xda) continue;
    if (++layout.scans > scan_limit) break;
    // Entropy-coded data ends at the first 0xFF that is neither a stuffed
    // zero nor a restart marker.
    while (at + 1 < b.size() &&
           !(b[at] == 0xff && b[at + 1] != 0x00 && !(b[at + 1] >= 0xd0 && b[at + 1] <= 0xd7)))
      ++at;
  }
  return layout;
}

void JpegProgress(j_common_ptr cinfo) {
  if (!cinfo->is_decompressor) return;
  auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
  if (d->input_scan_number > kMaxJpegScans) {
    auto* err = reinterpret_cast<JpegError*>(cinfo->err);
    std::longjmp(err->jump, 1);
  }
}

// A progressive or multi-scan file keeps every coefficient of the picture
// until its last scan: 6 bytes a pixel at full colour resolution. Past this
// the library refuses the file instead of taking the memory, so a hostile
// picture costs this plus its 48 MiB surface at most. Plain pictures up to
// 4096 x 4096 and progressive ones up to about 3700 x 3700 (2600 x 2600 at
// full colour resolution) fit.
constexpr long kMaxJpegWorkBytes = 40L << 20;

// What the library shows for picture data it never received.
constexpr Color kJpegMissingFill = 0x808080;

}  // namespace

std::optional<Surface> DecodeJpeg(std::span<const uint8_t> bytes, int reduce) {
  if (bytes.size() < 4) return std::nullopt;
  // Checked before the decoder takes memory for the picture's coefficients.
  const JpegLayout layout = ReadJpegLayout(bytes, kMaxJpegScans);
  if (layout.scans > kMaxJpegScans) return std::nullopt;
  bytes = bytes.first(layout.usable_bytes);

  jpeg_decompress_struct cinfo;
  JpegError err;
  cinfo.err = jpeg_std_error(&err.mgr);
  err.mgr.error_exit = JpegErrorExit;
  err.mgr.emit_message = JpegEmitMessage;
  err.mgr.output_message = JpegOutputMessage;
  jpeg_progress_mgr progress;
  progress.progress_monitor = JpegProgress;

  // Everything the jump can skip over lives outside this frame's locals that
  // change after setjmp, or is re-read from cinfo.
  Surface* volatile result = nullptr;
  std::vector<uint8_t>* volatile cmyk_row = nullptr;
  if (setjmp(err.jump) != 0) {
    // An error once rows are coming keeps the rows decoded so far; an error
    // before that (an unreadable header or first pass) refuses the file.
    std::optional<Surface> partial;
    if (result != nullptr) partial = std::move(*result);
    jpeg_destroy_decompress(&cinfo);
    delete result;
    delete cmyk_row;
    return partial;
  }

  jpeg_create_decompress(&cinfo);
  cinfo.mem->max_memory_to_use = kMaxJpegWorkBytes;
  cinfo.progress = &progress;
  jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&cinfo, TRUE);
  if (cinfo.image_width == 0 || cinfo.image_height == 0 ||
      cinfo.image_width > static_cast<JDIMENSION>(kMaxPictureSide) ||
      cinfo.image_height > static_cast<JDIMENSION>(kMaxPictureSide)) {
    jpeg_destroy_decompress(&cinfo);
    return std::nullopt;
  }
  const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
  cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;
  if (reduce == 2 || reduce == 4 || reduce == 8) {
    cinfo.scale_num = 1;
    cinfo.scale_denom = static_cast<unsigned>(reduce);
  }
  jpeg_start_decompress(&cinfo);
  const int expected_components = cmyk ? 4 : 3;
  if (cinfo.output_components != expected_components) {
    jpeg_destroy_decompress(&cinfo);
    return std::nullopt;
  }

  result = new Surface(SolidSurface(static_cast<int>(cinfo.output_width),
                                    static_cast<int>(cinfo.output_height), kJpegMissingFill));
  if (cmyk) cmyk_row = new std::vector<uint8_t>(static_cast<size_t>(cinfo.output_width) * 4);
  while (cinfo.output_scanline < cinfo.output_height) {
    const int y = static_cast<int>(cinfo.output_scanline);
    JSAMPROW row = cmyk ? cmyk_row->data() : result->Row(y);
    if (jpeg_read_scanlines(&cinfo, &row, 1) != 1) break;
    if (cmyk) {
      // Adobe writers store CMYK inverted, so each value is already "how much
      // light": the channel is simply value * K / 255.
      uint8_t* dst = result->Row(y);
      const uint8_t* src = cmyk_row->data();
      for (JDIMENSION x = 0; x < cinfo.output_width; ++x) {
        const unsigned k = src[4 * x + 3];
        dst[3 * x] = static_cast<uint8_t>(src[4 * x + 2] * k / 255);
        dst[3 * x + 1] = static_cast<uint8_t>(src[4 * x + 1] * k / 255);
        dst[3 * x + 2] = static_cast<uint8_t>(src[4 * x] * k / 255);
      }
    }
  }
  // Reading to the end marker can still fail on trailing damage; the picture
  // is whole by then and the jump above keeps it.
  if (cinfo.output_scanline == cinfo.output_height) jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  delete cmyk_row;
  std::optional<Surface> out = std::move(*result);
  delete result;
  return out;
}

std::optional<std::vector<uint8_t>> EncodeJpeg(const Surface& surface, int quality) {
  if (surface.Empty() || surface.width > kMaxPictureSide || surface.height > kMaxPictureSide)
    return std::nullopt;
  jpeg_compress_struct cinfo;
  JpegError err;
  cinfo.err = jpeg_std_error(&err.mgr);
  err.mgr.error_exit = JpegErrorExit;
  err.mgr.emit_message = JpegEmitMessage;
  // The memory destination grows its buffer as it goes; the pointer lives
  // on the heap, not in a local that the jump below would leave unreliable.
  struct Dest {
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
  };
  Dest* const dest = new Dest;
  std::vector<uint8_t> row(static_cast<size_t>(surface.width) * 3);
  if (setjmp(err.jump) != 0) {
    jpeg_destroy_compress(&cinfo);
    std::free(dest->buffer);
    delete dest;
    return std::nullopt;
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, &dest->buffer, &dest->size);
  cinfo.image_width = static_cast<JDIMENSION>(surface.width);
  cinfo.image_height = static_cast<JDIMENSION>(surface.height);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    // Surfaces hold blue, green, red; the encoder takes red first.
    const uint8_t* src = surface.Row(static_cast<int>(cinfo.next_scanline));
    for (int x = 0; x < surface.width; ++x) {
      row[3 * x] = src[3 * x + 2];
      row[3 * x + 1] = src[3 * x + 1];
      row[3 * x + 2] = src[3 * x];
    }
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  std::vector<uint8_t> bytes(dest->buffer, dest->buffer + dest->size);
  jpeg_destroy_compress(&cinfo);
  std::free(dest->buffer);
  delete dest;
  return bytes;
}

}  // namespace zepa::display
