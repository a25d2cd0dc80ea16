#pragma once
// Pictures held in memory, for building a stage or a message window alone.
#include <map>
#include <string>

#include "display/picture_source.h"

namespace zepa::display::testing {

class MemoryPictures : public PictureSource {
 public:
  std::map<std::string, platform::Surface> pictures;

  std::string Resolve(std::string_view name) const override { return "/game/" + std::string(name); }
  std::optional<platform::Surface> Load(std::string_view name) override {
    auto it = pictures.find(std::string(name));
    if (it == pictures.end()) return std::nullopt;
    return it->second;
  }
  std::optional<platform::Surface> LoadBitmap(std::string_view name) override { return Load(name); }
};

}  // namespace zepa::display::testing
