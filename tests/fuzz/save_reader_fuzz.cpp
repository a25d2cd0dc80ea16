// libFuzzer target for the save-file reader, with the pictures decoded the
// way a load decodes them. Links src/save/save_file.cpp, the letter codec,
// the variable helpers, src/display/picture.cpp and libjpeg; seeds come from
// tests/fuzz/seeds/save_reader.sh.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "display/picture.h"
#include "save/save_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace zepa;
  save::ReadReport report;
  const save::SaveContents c =
      save::ReadSaveBytes(std::span(data, size), save::SavedValues{}, &report);
  // Every picture lies inside the file, texts fit their fields, variables
  // come only after the end marker.
  size_t picture_bytes = 0;
  for (const save::SavePicture& p : c.pictures) {
    if (p.offset > size || p.jpeg.size() > size - p.offset) std::abort();
    picture_bytes += p.jpeg.size();
    if (auto picture = display::DecodeJpeg(p.jpeg)) {
      if (picture->width > display::kMaxPictureSide || picture->height > display::kMaxPictureSide)
        std::abort();
    }
  }
  if (picture_bytes > size) std::abort();
  if (c.state.script.size() > 255 || c.state.scene.size() > 255 || c.state.chara.size() > 511 ||
      c.state.select_text.size() > 1023)
    std::abort();
  if (!report.end_marker && !c.variables.empty()) std::abort();
  for (const auto& [name, value] : c.variables) {
    if (name.empty() || name.size() > 63 || value.size() > 255) std::abort();
  }
  return 0;
}
