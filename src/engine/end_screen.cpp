#include "engine/end_screen.h"

#include <span>

#include "display/effects.h"
#include "display/picture.h"
#include "display/pixels.h"

extern const unsigned char kEndPictureJpeg[];
extern const size_t kEndPictureJpeg_size;

namespace zepa::engine {
namespace {

// How often the wait looks at the hurry inputs between the events that wake
// it anyway (the sound's end, the game timer, input).
constexpr uint32_t kPollMs = 20;

int FloorHalf(int v) { return v >= 0 ? v / 2 : -((1 - v) / 2); }

}  // namespace

const platform::Surface& BuiltInEndPicture() {
  static const platform::Surface picture = [] {
    auto decoded =
        display::DecodeJpeg(std::span<const uint8_t>(kEndPictureJpeg, kEndPictureJpeg_size));
    return decoded ? std::move(*decoded) : platform::Surface(322, 229);
  }();
  return picture;
}

void ComposeEndPicture(platform::Surface& back_buffer, display::PictureSource& pictures,
                       std::string_view end_picture) {
  back_buffer.Fill(0xffffff);
  if (end_picture.empty()) return;
  if (end_picture == kBuiltInEndPicture) {
    const platform::Surface& picture = BuiltInEndPicture();
    display::Blit(back_buffer, picture, FloorHalf(back_buffer.width - picture.width),
                  FloorHalf(back_buffer.height - picture.height));
    return;
  }
  if (auto picture = pictures.Load(end_picture)) {
    display::Blit(back_buffer, *picture, FloorHalf(back_buffer.width - picture->width),
                  FloorHalf(back_buffer.height - picture->height));
  }
}

void RunEndSequence(platform::Host& host, display::Stage& stage, sound::Sound& sound,
                    display::PictureSource& pictures, std::string_view end_picture) {
  const std::optional<uint32_t> length_ms = sound.PlayEndSound();
  const uint32_t started_ms = host.NowMs();
  ComposeEndPicture(stage.back_buffer(), pictures, end_picture);
  stage.FadeToBuffer(kEndFadeMs);
  stage.FillBuffer(0xffffff);
  // Without an end sound there is nothing to wait for, even when an earlier
  // effect still plays.
  if (!length_ms) return;
  // Unsigned on purpose: a sound shorter than the fade never fades out.
  const uint32_t fade_after_ms = *length_ms - kEndFadeMs;
  bool faded_out = false;
  while (sound.EffectPlaying() && !display::HurryHeld(host) && !host.Closed()) {
    const uint32_t now = host.NowMs();
    if (!faded_out && now - started_ms > fade_after_ms) {
      stage.FadeToBuffer(kEndFadeMs);
      faded_out = true;
      continue;
    }
    uint32_t wake = now + kPollMs;
    if (!faded_out) {
      const uint32_t fade_due = started_ms + fade_after_ms + 1;
      if (fade_due - now < kPollMs) wake = fade_due;
    }
    if (!host.Pump(true, wake)) break;
  }
}

}  // namespace zepa::engine
