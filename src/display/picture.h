#pragma once
// Picture files as the game ships them: Windows bitmaps and JPEGs, decoded
// into 24-bit surfaces. Decoders take bytes and never touch the disk.
#include <cstddef>  // before surface.h, which uses size_t
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "platform/surface.h"

namespace zepa::display {

using platform::Color;
using platform::Surface;

// Pictures with a side beyond this are refused before anything is allocated.
// Games are 640 x 480; this leaves room for scrolling backgrounds while
// keeping a hostile header's cost to a few tens of megabytes.
constexpr int kMaxPictureSide = 4096;

// A picture of one colour. Hostile headers make the fill the largest cost
// of a decode, so it is done with block copies, row by row.
Surface SolidSurface(int width, int height, Color fill);

enum class PictureKind { kNone, kBmp, kJpeg };

// The extension after the last dot, its first four characters compared
// without case: ".BMP" is a bitmap, ".JPG" and ".JPE" (so ".JPEG") a JPEG.
PictureKind PictureKindOf(std::string_view name);

// 1, 4, 8, 16, 24 and 32-bit bitmaps (core, info, V4 and V5 headers,
// bit fields), top-down or bottom-up, and RLE8 and RLE4 (bottom-up only).
std::optional<Surface> DecodeBmp(std::span<const uint8_t> bytes);

// Colour, grayscale and CMYK JPEGs. Damaged or truncated data shows what the
// library could decode; only a file whose header cannot be read, or with more
// than 100 scans, is refused. A `reduce` of 2, 4 or 8 decodes the picture
// at that fraction of its size (rounded up), for a fraction of the work.
std::optional<Surface> DecodeJpeg(std::span<const uint8_t> bytes, int reduce = 1);

// Dispatches on PictureKindOf(name); an unknown extension decodes nothing.
std::optional<Surface> DecodePicture(std::string_view name, std::span<const uint8_t> bytes);

// A baseline colour JPEG of the whole surface at `quality` (1-100); none
// when the surface is empty or too large, or the library fails.
std::optional<std::vector<uint8_t>> EncodeJpeg(const Surface& surface, int quality);

// A bottom-up 24-bit bitmap file with a BITMAPINFOHEADER.
std::vector<uint8_t> EncodeBmp24(const Surface& surface);

}  // namespace zepa::display
