#pragma once
// The media players and the output gain: what the sound room needs from the
// machine. Two players exist for the life of the process: player 0 carries
// music, CD tracks and movies, player 1 the sound effects.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/status.h"
#include "platform/surface.h"

namespace zepa::platform {

/// What a player reports when asked for its mode.
enum class MediaMode { kNotReady, kStopped, kPlaying, kOpen };

/// How a play command ended, as its completion notice says.
enum class MediaNotice { kSuccessful, kSuperseded, kAborted, kFailure };

/// One track of the CD folder, on a time line that lays the tracks end to end.
struct CdTrackSpan {
  uint32_t start_ms = 0;
  uint32_t length_ms = 0;
};

struct VideoSize {
  int width = 0;
  int height = 0;
};

class MediaPlayer {
 public:
  virtual ~MediaPlayer() = default;

  /// Opens the device that the file calls for, on the file at `path`.
  /// Fails, with the device's message, when it cannot be opened; the
  /// player is closed then.
  virtual Status Open(const std::string& path) = 0;
  /// Opens CD audio on the folder `folder` that holds ripped tracks. Fails
  /// when the folder cannot be opened. A folder without any track file
  /// opens, and reports `kNotReady` (no disc).
  virtual Status OpenCd(const std::string& folder) = 0;
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;

  /// Starts playing without waiting, from `from_ms` to `to_ms` (inclusive)
  /// when given; a completion notice follows the end of play. False when
  /// nothing could start.
  virtual bool Play(std::optional<uint32_t> from_ms, std::optional<uint32_t> to_ms) = 0;
  /// Whether plays repeat: a play that reaches its end starts again at once,
  /// with no completion notice, for as long as this holds. Turned off during
  /// a play, the play ends after the round in progress with its notice.
  /// Players that cannot repeat by themselves ignore it, and end each round
  /// with a notice as usual.
  virtual void SetRepeat(bool /*repeat*/) {}
  /// The player's own level, 0-100, multiplied into what it plays on top of
  /// the output gain, at once and for the plays that follow. It is the
  /// player's setting: the output gain, which the game reads and fades, is
  /// left as it is. Players that make no sound ignore it.
  virtual void SetVolumePercent(int /*percent*/) {}
  /// Stops; the stop never produces a completion notice.
  virtual void Stop() = 0;
  virtual MediaMode Mode() = 0;
  /// Sleeps (without dispatching anything) until the player no longer plays,
  /// at most `max_ms`.
  virtual void WaitWhilePlaying(uint32_t max_ms) = 0;

  /// The open file's length in milliseconds; 0 when unknown.
  virtual uint32_t LengthMs() = 0;
  /// Track `track` of the open CD folder, or nothing when it has no file.
  virtual std::optional<CdTrackSpan> CdTrack(int track) = 0;

  /// The picture size of the open movie; 0 x 0 when the file has no video.
  virtual VideoSize MovieSize() = 0;
  /// Fills `frame` with the movie picture due now when it differs from the
  /// one last taken; false otherwise.
  virtual bool TakeFrame(Surface* frame) = 0;
  /// When (on the host clock) the next movie picture falls due, if any.
  virtual std::optional<uint32_t> NextFrameMs() = 0;
};

/// The players, their completion notices and the in-program output gain.
class Media {
 public:
  virtual ~Media() = default;

  /// `index` 0 is the music player, 1 the effect player.
  virtual MediaPlayer& Player(int index) = 0;

  /// Completion notices of both players arrive here, on the game thread, from
  /// inside `Host::Pump` (between ticks, never inside another handler's call
  /// into a player).
  virtual void SetNoticeHandler(std::function<void(int player, MediaNotice notice)> handler) = 0;

  /// The output gain applied to both players, a control whose raw values run
  /// from `kGainMin` to `kGainMax`. OpenMixer fails when there is no sound
  /// device.
  static constexpr uint32_t kGainMin = 0;
  static constexpr uint32_t kGainMax = 65535;
  virtual bool OpenMixer() = 0;
  virtual bool ReadGain(uint32_t* raw) = 0;
  virtual bool WriteGain(uint32_t raw) = 0;
  virtual void CloseMixer() = 0;
};

/// A picture shown over whatever the host presents (the movie panel). It
/// never touches the game's surfaces, so nothing of it stays when hidden.
class Overlay {
 public:
  virtual ~Overlay() = default;
  /// Shows `image` with its top-left at (`left`, `top`) in display pixels;
  /// the image is copied. Parts outside the display are cut off.
  virtual void ShowOverlay(int left, int top, const Surface& image) = 0;
  virtual void HideOverlay() = 0;
};

}  // namespace zepa::platform
