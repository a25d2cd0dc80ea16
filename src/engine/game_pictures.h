#pragma once
// The game's pictures: names resolved below the game directory, looked up in
// the packed picture file first and then on disk, decoded by extension.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "display/picture_source.h"
#include "script/paths.h"

namespace zepa::engine {

class GamePictures : public display::PictureSource {
 public:
  explicit GamePictures(const script::PathResolver& paths) : paths_(paths) {}

  /// FILE/DATA, the packed picture file's name.
  void SetDataFile(std::string name) { data_file_ = std::move(name); }

  std::string Resolve(std::string_view name) const override { return paths_.Resolve(name); }
  std::optional<platform::Surface> Load(std::string_view name) override;
  std::optional<platform::Surface> LoadBitmap(std::string_view name) override;

 private:
  std::optional<std::vector<uint8_t>> Open(std::string_view name, const std::string& path) const;

  const script::PathResolver& paths_;
  std::string data_file_ = "zepaadv.dat";
};

}  // namespace zepa::engine
