#pragma once
// Where the stage and the message window get their pictures: the game's
// packed picture file first, then the disk. An interface, so that a stage can
// be built and tested with pictures held in memory.
#include <optional>
#include <string>
#include <string_view>

#include "platform/surface.h"

namespace zepa::display {

class PictureSource {
 public:
  virtual ~PictureSource() = default;

  /// The full path a scenario's picture name stands for; what the saved
  /// "picture:" records and what decides the decoder (by its extension).
  virtual std::string Resolve(std::string_view name) const = 0;

  /// The picture decoded by its extension (BMP or JPEG), or nothing when it
  /// is missing, broken or of another kind.
  virtual std::optional<platform::Surface> Load(std::string_view name) = 0;

  /// The picture decoded as a bitmap whatever its name (the wait icons).
  virtual std::optional<platform::Surface> LoadBitmap(std::string_view name) = 0;
};

}  // namespace zepa::display
