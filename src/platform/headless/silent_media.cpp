#include "platform/headless/silent_media.h"

#include <algorithm>
#include <array>
#include <map>
#include <system_error>
#include <utility>

#include "platform/media_checks.h"
#include "platform/media_probe.h"

namespace zepa::platform {
namespace {

class SilentPlayer : public MediaPlayer {
 public:
  SilentPlayer(HeadlessHost& host, bool music, MediaProbe* probe)
      : host_(host), music_(music), probe_(probe) {}

  Status Open(const std::string& path) override {
    Close();
    if (Status checked = CheckMediaFile(path); !checked.ok()) return checked;
    if (music_ && IsMovieFile(path)) {
      if (!probe_) return Status::Failed("this run has no movie decoder");
      auto movie = probe_->OpenMovie(path);
      if (!movie.ok()) return movie.status();
      movie_ = std::move(*movie);
      length_ms_ = movie_->duration_ms();
    } else if (probe_) {
      const Result<uint32_t> length =
          music_ ? probe_->MusicLength(path) : probe_->EffectLength(path);
      if (!length.ok()) return length.status();
      length_ms_ = *length;
    } else {
      length_ms_ = 0;  // no decoder to measure it with
    }
    open_ = true;
    return {};
  }
  Status OpenCd(const std::string& folder) override {
    Close();
    if (!music_) return {StatusCode::kRefused, "the effect player has no CD audio"};
    auto tracks = OpenCdFolder(folder);
    if (!tracks.ok()) return tracks.status();
    tracks_ = std::move(*tracks);
    open_ = true;
    cd_ = true;
    return {};
  }
  void Close() override {
    Stop();
    open_ = false;
    cd_ = false;
    tracks_.clear();
    lengths_.clear();
    movie_.reset();
    length_ms_ = 0;
  }
  bool IsOpen() const override { return open_; }
  bool Play(std::optional<uint32_t> from_ms, std::optional<uint32_t> to_ms) override {
    if (!open_) return false;
    uint32_t length = length_ms_;
    if (cd_) {
      if (!from_ms || !to_ms || *to_ms < *from_ms) return false;
      length = *to_ms - *from_ms + 1;
    }
    start_ms_ = host_.now64();
    // A length that could not be told is 0 ms; the notice still comes a
    // moment later, so a loop of such a file moves the clock on.
    ends_ms_ = start_ms_ + std::max<uint32_t>(length, 1);
    notice_pending_ = true;
    last_frame_ms_.reset();
    if (movie_) movie_->Rewind();
    return true;
  }
  void Stop() override {
    ends_ms_.reset();
    notice_pending_ = false;
  }
  MediaMode Mode() override {
    if (!open_ || (cd_ && tracks_.empty())) return MediaMode::kNotReady;
    return ends_ms_ && host_.now64() < *ends_ms_ ? MediaMode::kPlaying : MediaMode::kStopped;
  }
  void WaitWhilePlaying(uint32_t) override {}
  uint32_t LengthMs() override { return length_ms_; }
  std::optional<CdTrackSpan> CdTrack(int track) override {
    if (!cd_ || !tracks_.count(track)) return std::nullopt;
    uint32_t start = 0;
    for (const auto& [n, path] : tracks_) {
      auto it = lengths_.find(n);
      if (it == lengths_.end()) {
        const Result<uint32_t> length = probe_ ? probe_->MusicLength(path) : Result<uint32_t>(0u);
        it = lengths_.emplace(n, length.ok() ? *length : 0).first;
      }
      if (n == track) return CdTrackSpan{start, it->second};
      start += it->second;
    }
    return std::nullopt;
  }
  VideoSize MovieSize() override { return movie_ ? movie_->size() : VideoSize{}; }
  bool TakeFrame(Surface* frame) override {
    if (!movie_ || !ends_ms_) return false;
    return movie_->FrameAt(static_cast<uint32_t>(host_.now64() - start_ms_), frame);
  }
  std::optional<uint32_t> NextFrameMs() override {
    if (!movie_ || !ends_ms_) return std::nullopt;
    const std::optional<uint32_t> next = movie_->NextFrameMs();
    if (!next) return std::nullopt;
    return static_cast<uint32_t>(start_ms_ + *next);
  }

  std::optional<uint64_t> NoticeDueMs() const {
    if (!notice_pending_) return std::nullopt;
    return ends_ms_;
  }
  bool TakeDueNotice(uint64_t now_ms) {
    if (!notice_pending_ || !ends_ms_ || *ends_ms_ > now_ms) return false;
    notice_pending_ = false;
    return true;
  }

 private:
  HeadlessHost& host_;
  bool music_;
  MediaProbe* probe_;
  bool open_ = false;
  bool cd_ = false;
  uint32_t length_ms_ = 0;
  uint64_t start_ms_ = 0;
  std::optional<uint64_t> ends_ms_;
  bool notice_pending_ = false;
  std::optional<uint32_t> last_frame_ms_;
  std::map<int, std::string> tracks_;
  std::map<int, uint32_t> lengths_;
  std::unique_ptr<MovieDecoder> movie_;
};

class SilentMedia : public Media, public HeadlessWaker {
 public:
  SilentMedia(HeadlessHost& host, MediaProbe* probe)
      : host_(host), players_{SilentPlayer(host, true, probe), SilentPlayer(host, false, probe)} {
    host_.SetWaker(this);
  }
  ~SilentMedia() override {
    host_.SetWaker(nullptr);
    players_[0].Close();
    players_[1].Close();
  }

  MediaPlayer& Player(int index) override { return players_[index == 0 ? 0 : 1]; }
  void SetNoticeHandler(std::function<void(int, MediaNotice)> handler) override {
    handler_ = std::move(handler);
  }
  // The silent device always has its gain control, so fades run headless.
  bool OpenMixer() override { return true; }
  bool ReadGain(uint32_t* raw) override {
    *raw = gain_;
    return true;
  }
  bool WriteGain(uint32_t raw) override {
    gain_ = std::min(raw, kGainMax);
    return true;
  }
  void CloseMixer() override {}

  std::optional<uint64_t> NextWakeMs() override {
    std::optional<uint64_t> first;
    for (const SilentPlayer& p : players_) {
      const std::optional<uint64_t> due = p.NoticeDueMs();
      if (due && (!first || *due < *first)) first = due;
    }
    return first;
  }
  void Wake(uint64_t now_ms) override {
    for (int i = 0; i < 2; ++i) {
      if (players_[i].TakeDueNotice(now_ms) && handler_) handler_(i, MediaNotice::kSuccessful);
    }
  }

 private:
  HeadlessHost& host_;
  std::array<SilentPlayer, 2> players_;
  uint32_t gain_ = kGainMax;
  std::function<void(int, MediaNotice)> handler_;
};

}  // namespace

std::unique_ptr<Media> CreateSilentMedia(HeadlessHost& host, MediaProbe* probe) {
  return std::make_unique<SilentMedia>(host, probe);
}

}  // namespace zepa::platform
