#include "engine/game_pictures.h"

#include "display/packfile.h"
#include "display/picture.h"

namespace zepa::engine {

// The packed file is asked for the name as the script wrote it: the disk
// copy may be stored under its UTF-8 form, whose bare name differs.
std::optional<std::vector<uint8_t>> GamePictures::Open(std::string_view name,
                                                        const std::string& path) const {
  const std::string pack = paths_.Resolve(data_file_);
  if (auto bytes = display::FindInPackFile(pack, display::BareName(name))) return bytes;
  return display::OpenPicture(pack, path);
}

std::optional<platform::Surface> GamePictures::Load(std::string_view name) {
  if (name.empty()) return std::nullopt;
  const std::string path = paths_.Resolve(name);
  const auto bytes = Open(name, path);
  if (!bytes) return std::nullopt;
  return display::DecodePicture(path, *bytes);
}

std::optional<platform::Surface> GamePictures::LoadBitmap(std::string_view name) {
  const auto bytes = Open(name, paths_.Resolve(name));
  if (!bytes) return std::nullopt;
  return display::DecodeBmp(*bytes);
}

}  // namespace zepa::engine
