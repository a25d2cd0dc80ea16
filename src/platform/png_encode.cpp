#include "platform/png_encode.h"

#include <png.h>

#include <cstring>

namespace zepa::platform {

std::optional<std::string> EncodePng(const Surface& s) {
  if (s.Empty() || s.pixels.size() < static_cast<size_t>(s.width) * s.height * 3)
    return std::nullopt;
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(s.width);
  image.height = static_cast<png_uint_32>(s.height);
  image.format = PNG_FORMAT_BGR;
  // The first call sizes the buffer, the second fills it.
  png_alloc_size_t size = 0;
  if (!png_image_write_to_memory(&image, nullptr, &size, 0, s.pixels.data(), s.Stride(), nullptr)) {
    png_image_free(&image);
    return std::nullopt;
  }
  std::string out(size, '\0');
  const int ok =
      png_image_write_to_memory(&image, out.data(), &size, 0, s.pixels.data(), s.Stride(), nullptr);
  png_image_free(&image);
  if (!ok) return std::nullopt;
  out.resize(size);
  return out;
}

Surface ScaledUp(const Surface& s, int scale) {
  if (scale <= 1 || s.Empty()) return s;
  Surface out(s.width * scale, s.height * scale);
  for (int y = 0; y < out.height; ++y) {
    const uint8_t* src = s.Row(y / scale);
    uint8_t* dst = out.Row(y);
    for (int x = 0; x < out.width; ++x) std::memcpy(dst + x * 3, src + (x / scale) * 3, 3);
  }
  return out;
}

}  // namespace zepa::platform
