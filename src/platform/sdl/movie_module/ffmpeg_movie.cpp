// The FFmpeg side of MovieDecoder, built as a module of its own that the
// program loads when it first opens a movie: FFmpeg and the libraries it
// pulls in are some 18 MB of memory that a game without movies never needs.
#include "platform/sdl/movie_decoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <climits>
#include <vector>

namespace zepa::platform {
namespace {

// A file that keeps handing out packets without ever giving a picture is
// treated as ended rather than read to the last byte on every call.
constexpr int kMaxPacketsPerFrame = 4096;
// Bounds the length scan of a file at open.
constexpr int kMaxScannedPackets = 2'000'000;
// The length scan reads this many pictures from the start (their stamps are
// out of order within a group of pictures) and the rest from this far
// before the end, which holds some seconds of every stream.
constexpr int kHeadPictures = 64;
constexpr int64_t kTailBytes = 2 << 20;
constexpr int64_t kTailSeconds = 10;

std::string AvError(int code) {
  char buf[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, buf, sizeof buf);
  return buf;
}

struct FormatCloser {
  void operator()(AVFormatContext* f) const { avformat_close_input(&f); }
};
using FormatPtr = std::unique_ptr<AVFormatContext, FormatCloser>;
struct CodecCloser {
  void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
using CodecPtr = std::unique_ptr<AVCodecContext, CodecCloser>;
struct FrameCloser {
  void operator()(AVFrame* f) const { av_frame_free(&f); }
};
using FramePtr = std::unique_ptr<AVFrame, FrameCloser>;
struct PacketCloser {
  void operator()(AVPacket* p) const { av_packet_free(&p); }
};
using PacketPtr = std::unique_ptr<AVPacket, PacketCloser>;

FormatPtr OpenFormat(const std::string& path, std::string* error) {
  AVFormatContext* raw = nullptr;
  const int r = avformat_open_input(&raw, path.c_str(), nullptr, nullptr);
  if (r < 0) {
    *error = AvError(r);
    return nullptr;
  }
  FormatPtr fmt(raw);
  const int s = avformat_find_stream_info(fmt.get(), nullptr);
  if (s < 0) {
    *error = AvError(s);
    return nullptr;
  }
  return fmt;
}

CodecPtr OpenCodec(AVStream* stream, std::string* error) {
  const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
  if (!codec) {
    *error = "no decoder for the stream";
    return nullptr;
  }
  CodecPtr ctx(avcodec_alloc_context3(codec));
  if (!ctx || avcodec_parameters_to_context(ctx.get(), stream->codecpar) < 0) {
    *error = "cannot set up the decoder";
    return nullptr;
  }
  ctx->thread_count = 1;
  const int r = avcodec_open2(ctx.get(), codec, nullptr);
  if (r < 0) {
    *error = AvError(r);
    return nullptr;
  }
  return ctx;
}

// The sound track on a reader of its own: the pictures are decoded on the
// game's thread and the sound on the audio device's, each at its own pace.
class FfmpegSound : public MovieSound {
 public:
  ~FfmpegSound() override { swr_free(&swr_); }

  bool Init(const std::string& path, int rate) {
    std::string error;
    fmt_ = OpenFormat(path, &error);
    if (!fmt_) return false;
    index_ = av_find_best_stream(fmt_.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (index_ < 0) return false;
    codec_ = OpenCodec(fmt_->streams[index_], &error);
    if (!codec_) return false;
    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    if (swr_alloc_set_opts2(&swr_, &stereo, AV_SAMPLE_FMT_S16, rate, &codec_->ch_layout,
                            codec_->sample_fmt, codec_->sample_rate, 0, nullptr) < 0 ||
        swr_init(swr_) < 0)
      return false;
    frame_.reset(av_frame_alloc());
    packet_.reset(av_packet_alloc());
    return frame_ && packet_;
  }

  size_t Read(int16_t* out, size_t count) override {
    size_t written = 0;
    while (written < count) {
      if (taken_ < buffer_.size()) {
        const size_t n = std::min(count - written, buffer_.size() - taken_);
        std::copy_n(buffer_.data() + taken_, n, out + written);
        taken_ += n;
        written += n;
      } else if (!Refill()) {
        break;
      }
    }
    return written;
  }

  bool ended() const override { return ended_ && taken_ >= buffer_.size(); }

 private:
  // Decodes the next block of sound into buffer_; false when there is none
  // yet (the file gave packets of other streams only) or none left.
  bool Refill() {
    buffer_.clear();
    taken_ = 0;
    for (int packets = 0; !ended_ && packets < kMaxPacketsPerFrame;) {
      const int r = avcodec_receive_frame(codec_.get(), frame_.get());
      if (r == 0) {
        Convert(const_cast<const uint8_t**>(frame_->extended_data), frame_->nb_samples);
        av_frame_unref(frame_.get());
        if (!buffer_.empty()) return true;
        continue;
      }
      if (r != AVERROR(EAGAIN) || flushing_) {
        // The decoder is drained: what the resampler still holds comes last.
        Convert(nullptr, 0);
        ended_ = true;
        break;
      }
      ++packets;
      if (av_read_frame(fmt_.get(), packet_.get()) < 0) {
        avcodec_send_packet(codec_.get(), nullptr);
        flushing_ = true;
        continue;
      }
      if (packet_->stream_index == index_) avcodec_send_packet(codec_.get(), packet_.get());
      av_packet_unref(packet_.get());
    }
    return !buffer_.empty();
  }

  void Convert(const uint8_t** in, int in_samples) {
    const int room = swr_get_out_samples(swr_, in_samples);
    if (room <= 0) return;
    const size_t at = buffer_.size();
    buffer_.resize(at + static_cast<size_t>(room) * 2);
    uint8_t* dst = reinterpret_cast<uint8_t*>(buffer_.data() + at);
    const int got = swr_convert(swr_, &dst, room, in, in_samples);
    buffer_.resize(at + static_cast<size_t>(std::max(got, 0)) * 2);
  }

  FormatPtr fmt_;
  CodecPtr codec_;
  int index_ = -1;
  SwrContext* swr_ = nullptr;
  FramePtr frame_;
  PacketPtr packet_;
  std::vector<int16_t> buffer_;
  size_t taken_ = 0;
  bool flushing_ = false;
  bool ended_ = false;
};

class FfmpegMovie : public MovieDecoder {
 public:
  bool Init(const std::string& path, std::string* error) {
    path_ = path;
    fmt_ = OpenFormat(path, error);
    if (!fmt_) return false;
    stream_ = av_find_best_stream(fmt_.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (stream_ < 0) {
      *error = "the file has no video stream";
      return false;
    }
    AVStream* vs = fmt_->streams[stream_];
    const int w = vs->codecpar->width, h = vs->codecpar->height;
    if (w <= 0 || h <= 0 || w > kMaxMovieSide || h > kMaxMovieSide) {
      *error = "the picture is " + std::to_string(w) + " x " + std::to_string(h) + ", beyond " +
               std::to_string(kMaxMovieSide) + " pixels a side";
      return false;
    }
    size_ = {w, h};
    codec_ = OpenCodec(vs, error);
    if (!codec_) return false;
    time_base_ = vs->time_base;
    start_pts_ = vs->start_time != AV_NOPTS_VALUE ? vs->start_time : 0;
    const AVRational rate = av_guess_frame_rate(fmt_.get(), vs, nullptr);
    frame_step_ms_ = rate.num > 0 && rate.den > 0 ? std::max(1, 1000 * rate.den / rate.num) : 40;
    duration_ms_ = ScanDuration();
    has_audio_ = av_find_best_stream(fmt_.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0) >= 0;
    frame_.reset(av_frame_alloc());
    pending_.reset(av_frame_alloc());
    current_.reset(av_frame_alloc());
    packet_.reset(av_packet_alloc());
    return frame_ && pending_ && current_ && packet_;
  }
  ~FfmpegMovie() override {
    if (sws_) sws_freeContext(sws_);
  }

  VideoSize size() const override { return size_; }
  uint32_t duration_ms() const override { return duration_ms_; }
  bool has_audio() const override { return has_audio_; }

  bool FrameAt(uint32_t t_ms, Surface* out) override {
    bool fresh = false;
    for (;;) {
      if (!pending_ms_ && !DecodeNext()) break;
      if (*pending_ms_ > t_ms) break;
      av_frame_unref(current_.get());
      av_frame_move_ref(current_.get(), pending_.get());
      pending_ms_.reset();
      fresh = true;
      at_start_ = false;
    }
    if (!fresh) return false;
    return Convert(*current_, out);
  }

  std::optional<uint32_t> NextFrameMs() override {
    if (!pending_ms_) DecodeNext();
    return pending_ms_;
  }

  void Rewind() override {
    // A movie played for the first time is where it was opened.
    if (at_start_) return;
    // Seeking in program streams lands on a later group of pictures, so the
    // file is opened afresh instead; the first picture keeps its origin.
    std::string error;
    FormatPtr fmt = OpenFormat(path_, &error);
    if (!fmt) {
      ended_ = true;
      return;
    }
    CodecPtr codec = OpenCodec(fmt->streams[stream_], &error);
    if (!codec) {
      ended_ = true;
      return;
    }
    codec_ = std::move(codec);
    fmt_ = std::move(fmt);
    av_frame_unref(pending_.get());
    pending_ms_.reset();
    ended_ = false;
    last_ms_ = 0;
    at_start_ = true;
  }

  std::unique_ptr<MovieSound> OpenSound(int rate) override;

 private:
  // The stamps of the packets read: the first picture's start and the
  // latest end of a picture or a sound.
  struct Span {
    std::optional<int64_t> first_ms;
    int64_t end_ms = 0;
    int pictures = 0;
  };

  // Reads packets until the end of the file or until `max_pictures` pictures
  // were seen; false at the end of the file.
  bool ScanPackets(AVFormatContext* fmt, int max_pictures, Span* span) {
    PacketPtr packet(av_packet_alloc());
    if (!packet) return false;
    for (int n = 0; n < kMaxScannedPackets; ++n) {
      if (av_read_frame(fmt, packet.get()) < 0) return false;
      AVStream* st = fmt->streams[packet->stream_index];
      const AVMediaType type = st->codecpar->codec_type;
      const bool picture = type == AVMEDIA_TYPE_VIDEO && packet->stream_index == stream_;
      const int64_t pts = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
      if ((picture || type == AVMEDIA_TYPE_AUDIO) && pts != AV_NOPTS_VALUE) {
        const int64_t start = av_rescale_q(pts, st->time_base, AVRational{1, 1000});
        int64_t length = av_rescale_q(packet->duration, st->time_base, AVRational{1, 1000});
        if (length <= 0 && picture) length = frame_step_ms_;
        if (picture && (!span->first_ms || start < *span->first_ms)) span->first_ms = start;
        span->end_ms = std::max(span->end_ms, start + std::max<int64_t>(length, 0));
        if (picture) ++span->pictures;
      }
      av_packet_unref(packet.get());
      if (span->pictures >= max_pictures) return true;
    }
    return false;
  }

  // Enters the file a little before its end: by bytes where the format
  // allows it, else by time where the file says how long it is.
  static bool SeekNearEnd(AVFormatContext* fmt) {
    const int64_t size = fmt->pb ? avio_size(fmt->pb) : -1;
    if (size <= 2 * kTailBytes) return false;
    if (!(fmt->iformat->flags & AVFMT_NO_BYTE_SEEK))
      return av_seek_frame(fmt, -1, size - kTailBytes, AVSEEK_FLAG_BYTE) >= 0;
    if (fmt->duration <= 0) return false;
    const int64_t start = fmt->start_time != AV_NOPTS_VALUE ? fmt->start_time : 0;
    const int64_t target = start + fmt->duration - kTailSeconds * AV_TIME_BASE;
    return target > start && av_seek_frame(fmt, -1, target, AVSEEK_FLAG_BACKWARD) >= 0;
  }

  // The time from the first picture to the end of the last picture or sound,
  // from the packets' stamps: program streams estimate their duration from
  // the bit rate, which can be far off. Reading a long file whole would hold
  // up its start (over a second for five minutes), so the file is read at
  // its head, for the first picture, and from near its end, for the last
  // stamps; whole when it cannot be entered there.
  uint32_t ScanDuration() {
    std::string error;
    FormatPtr fmt = OpenFormat(path_, &error);
    if (!fmt) return 0;
    Span span;
    if (ScanPackets(fmt.get(), kHeadPictures, &span)) {
      Span tail;
      const bool entered = SeekNearEnd(fmt.get());
      if (entered) ScanPackets(fmt.get(), INT_MAX, &tail);
      if (entered && tail.pictures > 0) {
        span.end_ms = std::max(span.end_ms, tail.end_ms);
      } else {
        fmt = OpenFormat(path_, &error);
        if (!fmt) return 0;
        span = Span();
        ScanPackets(fmt.get(), INT_MAX, &span);
      }
    }
    if (!span.first_ms || span.end_ms <= *span.first_ms) return 0;
    return static_cast<uint32_t>(std::min<int64_t>(span.end_ms - *span.first_ms, UINT32_MAX));
  }

  // Decodes the next picture into pending_; false at the end of the file.
  bool DecodeNext() {
    if (ended_) return false;
    int packets = 0;
    for (;;) {
      const int r = avcodec_receive_frame(codec_.get(), frame_.get());
      if (r == 0) break;
      if (r != AVERROR(EAGAIN) || ++packets > kMaxPacketsPerFrame) {
        ended_ = true;
        return false;
      }
      const int read = av_read_frame(fmt_.get(), packet_.get());
      if (read < 0) {
        avcodec_send_packet(codec_.get(), nullptr);  // drain what the decoder holds
        continue;
      }
      if (packet_->stream_index == stream_) avcodec_send_packet(codec_.get(), packet_.get());
      av_packet_unref(packet_.get());
    }
    const int64_t pts = frame_->best_effort_timestamp;
    uint32_t ms = last_ms_ + static_cast<uint32_t>(frame_step_ms_);
    if (pts != AV_NOPTS_VALUE) {
      // The first picture opens the movie whatever its stamp says, so a file
      // whose clock starts late does not show a blank panel first.
      if (!origin_pts_) origin_pts_ = pts;
      const int64_t t = av_rescale_q(pts - *origin_pts_, time_base_, AVRational{1, 1000});
      ms = static_cast<uint32_t>(std::clamp<int64_t>(t, 0, UINT32_MAX));
    }
    last_ms_ = ms;
    av_frame_unref(pending_.get());
    av_frame_move_ref(pending_.get(), frame_.get());
    pending_ms_ = ms;
    return true;
  }

  // The scaler writes whole vector registers past a line's end, so it gets a
  // picture laid out as FFmpeg lays out its own (aligned, padded lines);
  // the surface, whose lines are packed, is filled from it line by line.
  bool Convert(const AVFrame& f, Surface* out) {
    if (f.width <= 0 || f.height <= 0) return false;
    sws_ = sws_getCachedContext(sws_, f.width, f.height, static_cast<AVPixelFormat>(f.format),
                                size_.width, size_.height, AV_PIX_FMT_BGR24, SWS_BILINEAR, nullptr,
                                nullptr, nullptr);
    if (!sws_) return false;
    if (!scaled_) {
      scaled_.reset(av_frame_alloc());
      if (!scaled_) return false;
      scaled_->format = AV_PIX_FMT_BGR24;
      scaled_->width = size_.width;
      scaled_->height = size_.height;
      if (av_frame_get_buffer(scaled_.get(), 0) < 0) {
        scaled_.reset();
        return false;
      }
    }
    if (sws_scale(sws_, f.data, f.linesize, 0, f.height, scaled_->data, scaled_->linesize) <= 0)
      return false;
    if (out->width != size_.width || out->height != size_.height)
      out->Reset(size_.width, size_.height, 0);
    av_image_copy_plane(out->pixels.data(), out->Stride(), scaled_->data[0], scaled_->linesize[0],
                        out->Stride(), size_.height);
    return true;
  }

  std::string path_;
  FormatPtr fmt_;
  CodecPtr codec_;
  int stream_ = -1;
  AVRational time_base_{1, 1000};
  int64_t start_pts_ = 0;
  std::optional<int64_t> origin_pts_;
  VideoSize size_;
  uint32_t duration_ms_ = 0;
  int frame_step_ms_ = 40;
  bool has_audio_ = false;
  FramePtr frame_, pending_, current_, scaled_;
  PacketPtr packet_;
  std::optional<uint32_t> pending_ms_;
  uint32_t last_ms_ = 0;
  bool ended_ = false;
  bool at_start_ = true;  // no picture given since the open or the last rewind
  SwsContext* sws_ = nullptr;
};

std::unique_ptr<MovieSound> FfmpegMovie::OpenSound(int rate) {
  if (!has_audio_) return nullptr;
  auto sound = std::make_unique<FfmpegSound>();
  if (!sound->Init(path_, rate)) return nullptr;
  return sound;
}

}  // namespace

}  // namespace zepa::platform

extern "C" __attribute__((visibility("default"))) zepa::platform::MovieDecoder* ZepaOpenMovie(
    const std::string& path, std::string* error) {
  av_log_set_level(AV_LOG_QUIET);
  auto movie = std::make_unique<zepa::platform::FfmpegMovie>();
  if (!movie->Init(path, error)) return nullptr;
  return movie.release();
}
