#pragma once
// What a host without sound needs from a real media backend: how long files
// play, and movie pictures. The headless host gets one from the program, so
// that it links no audio or video backend itself.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/movie_decoder.h"

namespace zepa::platform {

class MediaProbe {
 public:
  virtual ~MediaProbe() = default;
  /// The decoded length of a file played as music, or loaded as an effect;
  /// 0 when it cannot be told (also when the probe has no decoder at all).
  /// False, with `error`, when the file does not load.
  virtual bool MusicLength(const std::string& path, uint32_t* length_ms, std::string* error) = 0;
  virtual bool EffectLength(const std::string& path, uint32_t* length_ms, std::string* error) = 0;
  /// Null, with `error`, when the movie does not open.
  virtual std::unique_ptr<MovieDecoder> OpenMovie(const std::string& path, std::string* error) = 0;
};

}  // namespace zepa::platform
