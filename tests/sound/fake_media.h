#pragma once
// A media layer and a host that tests drive by hand: players that play until
// told to end, a clock that moves 10 ms per pump, and a hook run in each pump.
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/host.h"
#include "platform/media.h"

namespace zepa::sound::testing {

using platform::MediaMode;
using platform::MediaNotice;

class FakePlayer : public platform::MediaPlayer {
 public:
  platform::Status Open(const std::string& path) override {
    Log("open " + path);
    if (fail.count(path)) {
      Close();
      return platform::Status::Failed("the device refuses");
    }
    open_path = path;
    is_open = true;
    cd = false;
    mode = MediaMode::kStopped;
    return {};
  }
  platform::Status OpenCd(const std::string& folder) override {
    Log("opencd " + folder);
    if (fail.count(folder)) return {platform::StatusCode::kMissing, "no such folder"};
    open_path = folder;
    is_open = true;
    cd = true;
    mode = cd_tracks[folder].empty() ? MediaMode::kNotReady : MediaMode::kStopped;
    return {};
  }
  void Close() override {
    if (is_open) Log("close");
    is_open = false;
    mode = MediaMode::kNotReady;
  }
  bool IsOpen() const override { return is_open; }
  bool Play(std::optional<uint32_t> from_ms, std::optional<uint32_t> to_ms) override {
    if (!is_open) return false;
    std::string s = "play";
    if (from_ms) s += " " + std::to_string(*from_ms) + "-" + std::to_string(to_ms.value_or(0));
    Log(s);
    mode = MediaMode::kPlaying;
    ++plays;
    frame_taken = false;
    return true;
  }
  void SetRepeat(bool r) override { repeat = r; }
  void Stop() override {
    if (mode == MediaMode::kPlaying) {
      Log("stop");
      mode = MediaMode::kStopped;
    }
  }
  MediaMode Mode() override { return mode; }
  void WaitWhilePlaying(uint32_t) override {}
  uint32_t LengthMs() override { return length_ms; }
  std::optional<platform::CdTrackSpan> CdTrack(int track) override {
    auto& tracks = cd_tracks[open_path];
    auto it = tracks.find(track);
    if (it == tracks.end()) return std::nullopt;
    return it->second;
  }
  platform::VideoSize MovieSize() override { return video; }
  bool TakeFrame(platform::Surface* frame) override {
    if (video.width == 0 || frame_taken) return false;
    frame_taken = true;
    frame->Reset(video.width, video.height, 0x0000ff);
    return true;
  }
  std::optional<uint32_t> NextFrameMs() override { return std::nullopt; }

  void Log(const std::string& s) { log.push_back(s); }

  std::vector<std::string> log;
  std::set<std::string> fail;
  std::map<std::string, std::map<int, platform::CdTrackSpan>> cd_tracks;
  platform::VideoSize video;
  std::string open_path;
  bool is_open = false;
  bool cd = false;
  bool frame_taken = false;
  bool repeat = false;
  int plays = 0;
  uint32_t length_ms = 1000;
  MediaMode mode = MediaMode::kNotReady;
};

class FakeMedia : public platform::Media {
 public:
  platform::MediaPlayer& Player(int index) override { return index == 0 ? music : effect; }
  void SetNoticeHandler(std::function<void(int, MediaNotice)> h) override {
    handler = std::move(h);
  }
  bool OpenMixer() override { return has_mixer; }
  bool ReadGain(uint32_t* raw) override {
    *raw = gain;
    return true;
  }
  bool WriteGain(uint32_t raw) override {
    gain = raw;
    gains.push_back(raw);
    return true;
  }
  void CloseMixer() override {}

  // A play that reaches its end by itself, as the platform reports it.
  void End(int player, MediaNotice notice = MediaNotice::kSuccessful) {
    FakePlayer& p = index_player(player);
    p.mode = MediaMode::kStopped;
    if (handler) handler(player, notice);
  }
  FakePlayer& index_player(int i) { return i == 0 ? music : effect; }

  FakePlayer music, effect;
  std::function<void(int, MediaNotice)> handler;
  bool has_mixer = true;
  uint32_t gain = 0;
  std::vector<uint32_t> gains;
};

class FakeHost : public platform::Host, public platform::Overlay {
 public:
  uint32_t NowMs() override { return now; }
  void SetHandler(platform::InputHandler*) override {}
  void SetTimerEnabled(bool) override {}
  bool TimerEnabled() const override { return true; }
  void SetTimerIntervalMs(uint32_t) override {}
  bool Pump(bool, uint32_t) override {
    now += 10;
    ++pumps;
    if (on_pump) on_pump();
    return !closed;
  }
  bool OutOfScriptedInput() const override { return false; }
  bool IsHeld(platform::HeldKey key) override { return held.count(key) > 0; }
  void DiscardInput() override {}
  void Present(const platform::Surface&) override { ++presents; }
  void Invalidate(const platform::Surface&) override {}
  platform::Overlay* overlay() override { return this; }
  platform::ScreenSize GetScreenSize() override { return {1920, 1080}; }
  bool SetFullScreen(bool) override { return true; }
  void SetWindowPosition(int, int) override {}
  void GetWindowPosition(int*, int*) override {}
  void SetCaption(std::string_view) override {}
  void ShowError(std::string_view) override {}
  void OpenWindow(platform::ToolWindow*) override {}
  void CloseWindow(platform::ToolWindow*) override {}
  void OpenUrl(std::string_view) override {}
  void Close() override { closed = true; }
  bool Closed() const override { return closed; }

  void ShowOverlay(int left, int top, const platform::Surface& image) override {
    overlay_shown = true;
    ++overlay_shows;
    overlay_left = left;
    overlay_top = top;
    overlay_width = image.width;
    overlay_height = image.height;
  }
  void HideOverlay() override { overlay_shown = false; }

  uint32_t now = 0;
  int pumps = 0;
  int presents = 0;
  bool closed = false;
  std::set<platform::HeldKey> held;
  std::function<void()> on_pump;
  bool overlay_shown = false;
  int overlay_shows = 0;
  int overlay_left = 0, overlay_top = 0, overlay_width = 0, overlay_height = 0;
};

}  // namespace zepa::sound::testing
