#include "platform/sdl/sdl_media_probe.h"

#include "platform/sdl/audio_device.h"
#include "platform/sdl/movie_decoder.h"

namespace zepa::platform {
namespace {

class SdlMediaProbe : public MediaProbe {
 public:
  ~SdlMediaProbe() override {
    if (audio_ == Audio::kOpen) ReleaseAudio();
  }

  Result<uint32_t> MusicLength(const std::string& path) override {
    if (Status checked = CheckMediaFile(path); !checked.ok()) return checked;
    if (!AudioReady()) return 0u;
    return ProbeMusicLength(path);
  }
  Result<uint32_t> EffectLength(const std::string& path) override {
    if (Status checked = CheckMediaFile(path); !checked.ok()) return checked;
    if (!AudioReady()) return 0u;
    return ProbeChunkLength(path);
  }
  Result<std::unique_ptr<MovieDecoder>> OpenMovie(const std::string& path) override {
    return MovieDecoder::Open(path);
  }

 private:
  enum class Audio { kUntried, kOpen, kMissing };

  // Tried once: without a device every length is 0, as the players have it.
  bool AudioReady() {
    if (audio_ == Audio::kUntried)
      audio_ = AcquireAudio(true).ok() ? Audio::kOpen : Audio::kMissing;
    return audio_ == Audio::kOpen;
  }

  Audio audio_ = Audio::kUntried;
};

}  // namespace

std::unique_ptr<MediaProbe> CreateSdlMediaProbe() { return std::make_unique<SdlMediaProbe>(); }

}  // namespace zepa::platform
