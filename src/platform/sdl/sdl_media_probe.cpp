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

  bool MusicLength(const std::string& path, uint32_t* length_ms, std::string* error) override {
    *length_ms = 0;
    if (!CheckMediaFile(path, error)) return false;
    return !AudioReady() || ProbeMusicLength(path, length_ms, error);
  }
  bool EffectLength(const std::string& path, uint32_t* length_ms, std::string* error) override {
    *length_ms = 0;
    if (!CheckMediaFile(path, error)) return false;
    return !AudioReady() || ProbeChunkLength(path, length_ms, error);
  }
  std::unique_ptr<MovieDecoder> OpenMovie(const std::string& path, std::string* error) override {
    return MovieDecoder::Open(path, error);
  }

 private:
  enum class Audio { kUntried, kOpen, kMissing };

  // Tried once: without a device every length is 0, as the players have it.
  bool AudioReady() {
    if (audio_ == Audio::kUntried) {
      std::string ignored;
      audio_ = AcquireAudio(true, &ignored) ? Audio::kOpen : Audio::kMissing;
    }
    return audio_ == Audio::kOpen;
  }

  Audio audio_ = Audio::kUntried;
};

}  // namespace

std::unique_ptr<MediaProbe> CreateSdlMediaProbe() { return std::make_unique<SdlMediaProbe>(); }

}  // namespace zepa::platform
