// Measures the sound room on the real SDL backends: loop-restart delays,
// CPU while music plays and the game idles, CPU while a movie plays.
//   sound_timing loop FILE [ROUNDS]   delay from a file's end to its restart
//   sound_timing idle FILE SECONDS    CPU while FILE loops and ticks run
//   sound_timing movie FILE           CPU while the movie plays in the window,
//                                     the delay from the command to its first
//                                     picture and the memory it added
//   sound_timing fade FILE            1 s of FILE, then a 2 s fade-out (record
//                                     it with SDL's disk audio driver)
//   sound_timing gap FILE SECONDS     FILE looping for SECONDS through SDL's
//                                     disk audio driver, then the longest
//                                     silence between its first and last sound
//   sound_timing wavgap FILE SECONDS  the same for FILE as a looping effect
#include <SDL.h>
#include <SDL_mixer.h>
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/host.h"
#include "platform/sdl/sdl_host.h"
#include "platform/sdl/sdl_media.h"
#include "sound/sound.h"

namespace {

using zepa::platform::Media;
using zepa::platform::MediaMode;
using zepa::platform::MediaNotice;
using zepa::platform::MediaPlayer;

double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// From /proc/self/status: the resident memory now and its peak so far.
long StatusKb(const char* key) {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind(key, 0) == 0) return std::atol(line.c_str() + std::strlen(key));
  return 0;
}
long ResidentKb() { return StatusKb("VmRSS:"); }
long PeakResidentKb() { return StatusKb("VmHWM:"); }

// Passes everything on and notes when music plays start.
class TimedPlayer : public MediaPlayer {
 public:
  TimedPlayer(MediaPlayer& inner, zepa::platform::Host& host) : inner_(inner), host_(host) {}
  zepa::platform::Status Open(const std::string& p) override { return inner_.Open(p); }
  zepa::platform::Status OpenCd(const std::string& f) override { return inner_.OpenCd(f); }
  void Close() override { inner_.Close(); }
  bool IsOpen() const override { return inner_.IsOpen(); }
  bool Play(std::optional<uint32_t> a, std::optional<uint32_t> b) override {
    starts.push_back(host_.NowMs());
    return inner_.Play(a, b);
  }
  void SetRepeat(bool r) override { inner_.SetRepeat(r); }
  void Stop() override { inner_.Stop(); }
  MediaMode Mode() override { return inner_.Mode(); }
  void WaitWhilePlaying(uint32_t ms) override { inner_.WaitWhilePlaying(ms); }
  uint32_t LengthMs() override { return inner_.LengthMs(); }
  std::optional<zepa::platform::CdTrackSpan> CdTrack(int t) override { return inner_.CdTrack(t); }
  zepa::platform::VideoSize MovieSize() override { return inner_.MovieSize(); }
  bool TakeFrame(zepa::platform::Surface* f) override {
    const bool fresh = inner_.TakeFrame(f);
    if (fresh && !first_frame_ms) {
      first_frame_ms = host_.NowMs();
      std::printf("first picture %d ms after the command (%.0f ms of CPU)\n",
                  static_cast<int>(*first_frame_ms - command_ms),
                  1000.0 * (CpuSeconds() - command_cpu_s));
      std::fflush(stdout);
    }
    return fresh;
  }
  std::optional<uint32_t> NextFrameMs() override { return inner_.NextFrameMs(); }
  std::vector<uint32_t> starts;
  std::optional<uint32_t> first_frame_ms;
  uint32_t command_ms = 0;
  double command_cpu_s = 0;

 private:
  MediaPlayer& inner_;
  zepa::platform::Host& host_;
};

class TimedMedia : public Media {
 public:
  TimedMedia(Media& inner, zepa::platform::Host& host)
      : inner_(inner), music(inner.Player(0), host), effect(inner.Player(1), host) {}
  MediaPlayer& Player(int i) override { return i == 0 ? static_cast<MediaPlayer&>(music) : effect; }
  void SetNoticeHandler(std::function<void(int, MediaNotice)> h) override {
    inner_.SetNoticeHandler(std::move(h));
  }
  bool OpenMixer() override { return inner_.OpenMixer(); }
  bool ReadGain(uint32_t* r) override { return inner_.ReadGain(r); }
  bool WriteGain(uint32_t r) override { return inner_.WriteGain(r); }
  void CloseMixer() override { inner_.CloseMixer(); }

 private:
  Media& inner_;

 public:
  TimedPlayer music;
  TimedPlayer effect;
};

class Ticker : public zepa::platform::InputHandler {
 public:
  explicit Ticker(zepa::sound::Sound& s) : sound_(s) {}
  void OnKeyDown(int, bool, bool) override {}
  void OnMouseDown(zepa::platform::MouseButton b, int x, int y) override {
    sound_.OnMouseDown(b, x, y);
  }
  void OnMouseMove(int, int) override {}
  void OnMouseWheel(int) override {}
  void OnTimer() override { sound_.FadeStep(); }
  void OnCloseRequest() override {}

 private:
  zepa::sound::Sound& sound_;
};

// The longest run of silent frames in a recording of 16-bit stereo at
// `rate`, not counting the silence before the first sound and after the last.
void ReportLongestSilence(const std::string& raw_path, int rate) {
  std::ifstream in(raw_path, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const size_t frames = bytes.size() / 4;
  auto sample = [&](size_t i) {
    int16_t v = 0;
    std::memcpy(&v, bytes.data() + i * 2, 2);
    return v < 0 ? -static_cast<int>(v) : static_cast<int>(v);
  };
  // A frame counts as silent when both channels are within a step of zero;
  // a test tone passes zero for less than one frame.
  constexpr int kSilentAbs = 2;
  size_t first = frames, last = 0;
  for (size_t f = 0; f < frames; ++f) {
    if (sample(2 * f) > kSilentAbs || sample(2 * f + 1) > kSilentAbs) {
      first = std::min(first, f);
      last = f;
    }
  }
  if (first >= last) {
    std::printf("%s: no sound recorded\n", raw_path.c_str());
    return;
  }
  size_t longest = 0, longest_at = first, run = 0;
  for (size_t f = first; f <= last; ++f) {
    const bool silent = sample(2 * f) <= kSilentAbs && sample(2 * f + 1) <= kSilentAbs;
    run = silent ? run + 1 : 0;
    if (run > longest) {
      longest = run;
      longest_at = f + 1 - run;
    }
  }
  std::printf("recorded %.2f s of sound; longest silence %.2f ms at %.3f s\n",
              static_cast<double>(last - first) / rate, 1000.0 * longest / rate,
              static_cast<double>(longest_at - first) / rate);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: sound_timing loop|idle|movie FILE [N]\n");
    return 2;
  }
  const std::string mode = argv[1];
  const std::string file = argv[2];
  auto host = zepa::platform::CreateSdlHost({});
  if (!host) return 1;
  int status = 0;
  {
    auto real = zepa::platform::CreateSdlMedia();
    TimedMedia media(*real, *host);
    zepa::sound::Sound sound(*host, &media, [](std::string_view n) { return std::string(n); });
    zepa::platform::Surface display(640, 480, 0x808080);
    sound.SetDisplay(&display);
    Ticker ticker(sound);
    host->SetHandler(&ticker);
    host->SetTimerIntervalMs(50);
    host->SetTimerEnabled(true);
    host->Present(display);
    sound.Startup(100);
    if (mode == "loop") {
      const int rounds = argc > 3 ? std::atoi(argv[3]) : 5;
      sound.set_music_loop(1);
      sound.BgmCommand(file);
      // A watcher notes when the mixer stops playing the music, 1 ms apart;
      // the delay is from there to the game's next play command.
      std::atomic<bool> done{false};
      std::vector<uint32_t> ends;
      std::thread watch([&] {
        bool was = true;
        while (!done) {
          const bool now = Mix_PlayingMusic() != 0;
          if (was && !now) ends.push_back(SDL_GetTicks());
          was = now;
          SDL_Delay(1);
        }
      });
      const uint32_t length = media.music.LengthMs();
      while (static_cast<int>(media.music.starts.size()) <= rounds && host->Pump(false, 0)) {
      }
      done = true;
      watch.join();
      std::printf("%s: length %u ms; from the end of play to the restart:", file.c_str(), length);
      // No gap seen between two plays means the restart came within the
      // watcher's 1 ms.
      for (size_t i = 1; i < media.music.starts.size(); ++i) {
        std::optional<uint32_t> end;
        for (uint32_t e : ends)
          if (e > media.music.starts[i - 1] + 5 && e <= media.music.starts[i]) end = e;
        if (end) {
          std::printf(" %d", static_cast<int>(media.music.starts[i] - *end));
        } else {
          std::printf(" <1");
        }
      }
      std::printf(" ms; play lasted:");
      for (size_t i = 1; i < media.music.starts.size(); ++i)
        std::printf(" %d", static_cast<int>(media.music.starts[i] - media.music.starts[i - 1]));
      std::printf(" ms\n");
    } else if (mode == "idle") {
      const uint32_t seconds = argc > 3 ? static_cast<uint32_t>(std::atoi(argv[3])) : 8;
      sound.set_music_loop(1);
      sound.BgmCommand(file);
      const uint32_t start = host->NowMs();
      const double cpu0 = CpuSeconds();
      while (host->NowMs() - start < seconds * 1000 && host->Pump(true, start + seconds * 1000)) {
      }
      const double cpu = CpuSeconds() - cpu0;
      std::printf("%s playing, %u s: %.2f %% of one core\n", file.c_str(), seconds,
                  100.0 * cpu / ((host->NowMs() - start) / 1000.0));
      status = sound.MusicPlaying() ? 0 : 1;
    } else if (mode == "fade") {
      sound.set_music_loop(1);
      sound.BgmCommand(file);
      const uint32_t start = host->NowMs();
      while (host->NowMs() - start < 1000 && host->Pump(true, start + 1000)) {
      }
      sound.StartFade("", zepa::sound::kFadeOut);
      while (host->NowMs() - start < 4000 && host->Pump(true, start + 4000)) {
      }
      std::printf("fade ended: music %s, output %u %%\n",
                  sound.MusicPlaying() ? "playing" : "stopped", sound.user_volume());
    } else if (mode == "wavgap") {
      const uint32_t seconds = argc > 3 ? static_cast<uint32_t>(std::atoi(argv[3])) : 4;
      sound.set_effect_loop(1);
      sound.WavCommand(file);
      const uint32_t start = host->NowMs();
      while (host->NowMs() - start < seconds * 1000 && host->Pump(true, start + seconds * 1000)) {
      }
      std::printf("%s as an effect: %zu play commands in %u s\n", file.c_str(),
                  media.effect.starts.size(), seconds);
    } else if (mode == "gap") {
      const uint32_t seconds = argc > 3 ? static_cast<uint32_t>(std::atoi(argv[3])) : 4;
      sound.set_music_loop(1);
      sound.BgmCommand(file);
      const uint32_t start = host->NowMs();
      while (host->NowMs() - start < seconds * 1000 && host->Pump(true, start + seconds * 1000)) {
      }
      std::printf("%s: length %u ms, %zu play commands in %u s\n", file.c_str(),
                  media.music.LengthMs(), media.music.starts.size(), seconds);
    } else if (mode == "movie") {
      const long rss0_kb = ResidentKb();
      const uint32_t start = host->NowMs();
      media.music.command_ms = start;
      const double cpu0 = CpuSeconds();
      media.music.command_cpu_s = cpu0;
      sound.BgmCommand(file);
      const double cpu = CpuSeconds() - cpu0;
      const uint32_t ms = host->NowMs() - start;
      std::printf(
          "%s: %u ms (length %u ms), %.2f %% of one core, peak memory %.1f MB above the "
          "start\n",
          file.c_str(), ms, media.music.LengthMs(), ms ? 100.0 * cpu / (ms / 1000.0) : 0.0,
          (PeakResidentKb() - rss0_kb) / 1024.0);
    }
    sound.Shutdown();
    host->SetHandler(nullptr);
  }
  // The disk driver has closed its file with the media.
  if (mode == "gap" || mode == "wavgap") {
    const char* raw = SDL_getenv("SDL_DISKAUDIOFILE");
    if (!raw ||
        std::string(SDL_getenv("SDL_AUDIODRIVER") ? SDL_getenv("SDL_AUDIODRIVER") : "") != "disk") {
      std::fprintf(stderr, "gap needs SDL_AUDIODRIVER=disk and SDL_DISKAUDIOFILE\n");
      return 2;
    }
    ReportLongestSilence(raw, 44100);
  }
  return status;
}
