// libFuzzer target for the bitmap decoder, through the same entry the game
// uses for a ".bmp" name. Links src/display/picture.cpp and libjpeg; seeds
// come from tests/fuzz/seeds/bmp.sh.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "display/picture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace zepa::display;
  const auto picture = DecodePicture("fuzz.bmp", std::span(data, size));
  if (!picture) return 0;
  // A decoded picture is never empty, never beyond the bound, and holds
  // exactly its pixels.
  if (picture->width <= 0 || picture->height <= 0 || picture->width > kMaxPictureSide ||
      picture->height > kMaxPictureSide ||
      picture->pixels.size() != static_cast<size_t>(picture->width) * picture->height * 3)
    std::abort();
  return 0;
}
