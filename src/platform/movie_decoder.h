#pragma once
// A movie file's pictures one by one at their time stamps, converted to the
// display's pixel layout, and its sound decoded as it is played. The hosts get decoders
// through a MediaProbe; the FFmpeg module behind them belongs to the SDL
// backend.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/media.h"
#include "platform/status.h"
#include "platform/surface.h"

namespace zepa::platform {

/// Movies larger than this on a side are refused like files that do not open.
constexpr int kMaxMovieSide = 4096;

/// A movie's sound track from its start, decoded as it is read.
class MovieSound {
 public:
  virtual ~MovieSound() = default;
  /// Writes up to `count` values of interleaved signed 16-bit stereo to
  /// `out`; fewer at the end of the track, or when the file keeps giving
  /// packets without sound (the caller pads with silence and reads on).
  virtual size_t Read(int16_t* out, size_t count) = 0;
  /// True once the whole track has been read.
  virtual bool ended() const = 0;
};

class MovieDecoder {
 public:
  /// Loads the movie module on first use (defined by the SDL backend). Fails
  /// for a file that does not open, has no video stream or claims a picture
  /// larger than kMaxMovieSide.
  static Result<std::unique_ptr<MovieDecoder>> Open(const std::string& path);
  virtual ~MovieDecoder() = default;

  virtual VideoSize size() const = 0;
  /// 0 when the file does not say.
  virtual uint32_t duration_ms() const = 0;
  virtual bool has_audio() const = 0;

  /// Decodes forward to the last picture due at `t_ms` (from the start) and
  /// writes it to `out`; false when that is the picture given last time.
  virtual bool FrameAt(uint32_t t_ms, Surface* out) = 0;
  /// When the picture after the one given last is due; nothing at the end.
  virtual std::optional<uint32_t> NextFrameMs() = 0;
  /// Back to the first picture, for playing again.
  virtual void Rewind() = 0;
  /// The sound track from its start, resampled to `rate`; null when the
  /// file has none or it cannot be decoded. It reads the file on its own,
  /// so it may be read on another thread than the pictures.
  virtual std::unique_ptr<MovieSound> OpenSound(int rate) = 0;
};

}  // namespace zepa::platform
