#include "engine/game_pictures.h"

#include "display/packfile.h"
#include "display/picture.h"

namespace zepa::engine {

std::optional<platform::Surface> GamePictures::Load(std::string_view name) {
  if (name.empty()) return std::nullopt;
  const std::string path = paths_.Resolve(name);
  const auto bytes = display::OpenPicture(paths_.Resolve(data_file_), path);
  if (!bytes) return std::nullopt;
  return display::DecodePicture(path, *bytes);
}

std::optional<platform::Surface> GamePictures::LoadBitmap(std::string_view name) {
  const auto bytes = display::OpenPicture(paths_.Resolve(data_file_), paths_.Resolve(name));
  if (!bytes) return std::nullopt;
  return display::DecodeBmp(*bytes);
}

}  // namespace zepa::engine
