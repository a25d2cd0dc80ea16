#pragma once
// What a host without sound needs from a real media backend: how long files
// play, and movie pictures. The headless host gets one from the program, so
// that it links no audio or video backend itself.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/movie_decoder.h"
#include "platform/status.h"

namespace zepa::platform {

class MediaProbe {
 public:
  virtual ~MediaProbe() = default;
  /// The decoded length in ms of a file played as music, or loaded as an
  /// effect; 0 when it cannot be told (also when the probe has no decoder
  /// at all). Fails when the file does not load.
  virtual Result<uint32_t> MusicLength(const std::string& path) = 0;
  virtual Result<uint32_t> EffectLength(const std::string& path) = 0;
  /// Fails when the movie does not open.
  virtual Result<std::unique_ptr<MovieDecoder>> OpenMovie(const std::string& path) = 0;
};

}  // namespace zepa::platform
