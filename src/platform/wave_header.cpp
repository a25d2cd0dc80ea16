#include "platform/wave_header.h"

#include <cstring>
#include <fstream>

namespace zepa::platform {
namespace {

// A file holds a few chunks before its sound; this bounds a walk through a
// file that is nothing but tiny chunks.
constexpr int kMaxChunks = 4096;

constexpr uint16_t kPcm = 0x0001;
constexpr uint16_t kMsAdpcm = 0x0002;
constexpr uint16_t kFloat = 0x0003;
constexpr uint16_t kALaw = 0x0006;
constexpr uint16_t kMuLaw = 0x0007;
constexpr uint16_t kImaAdpcm = 0x0011;
constexpr uint16_t kExtensible = 0xFFFE;

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// The smallest block that holds one sample frame, or 0 when the format and
// sample size are not ones that play.
uint32_t MinBlockBytes(uint16_t tag, uint16_t bits, uint16_t channels) {
  switch (tag) {
    case kPcm:
      if (bits == 8 || bits == 16 || bits == 24 || bits == 32) return channels * (bits / 8u);
      return 0;
    case kFloat:
      if (bits == 32 || bits == 64) return channels * (bits / 8u);
      return 0;
    case kALaw:
    case kMuLaw:
      return bits == 8 ? channels : 0;
    case kMsAdpcm:
      return bits == 4 ? 7u * channels : 0;  // each channel's block header
    case kImaAdpcm:
      return bits == 4 ? 4u * channels : 0;
    default:
      return 0;
  }
}

std::optional<std::string> FormatProblem(const uint8_t* fmt, uint32_t size) {
  uint16_t tag = Le16(fmt);
  const uint16_t channels = Le16(fmt + 2);
  const uint32_t rate = Le32(fmt + 4);
  const uint16_t block_align = Le16(fmt + 12);
  const uint16_t bits = Le16(fmt + 14);
  if (tag == kExtensible) {
    if (size < 40) return "the extended format chunk is cut short";
    tag = Le16(fmt + 24);  // the first two bytes of the sub-format's identifier
  }
  if (channels < 1 || channels > 8)
    return "the header says " + std::to_string(channels) + " channels (1 to 8 play)";
  if (rate == 0) return std::string("the header says a sample rate of 0");
  if (block_align == 0) return std::string("the header says a block size of 0");
  const uint32_t min_block = MinBlockBytes(tag, bits, channels);
  if (min_block == 0)
    return "the header says " + std::to_string(bits) + "-bit samples in format " +
           std::to_string(tag) + ", which does not play";
  if (block_align < min_block)
    return "the header's block size of " + std::to_string(block_align) +
           " bytes cannot hold one sample of every channel";
  return std::nullopt;
}

}  // namespace

std::optional<std::string> WaveHeaderProblem(const ReadAt& read) {
  uint8_t head[12];
  if (read(0, head, sizeof head) != sizeof head || std::memcmp(head, "RIFF", 4) != 0 ||
      std::memcmp(head + 8, "WAVE", 4) != 0)
    return std::nullopt;
  uint64_t at = 12;
  for (int n = 0; n < kMaxChunks; ++n) {
    uint8_t chunk[8];
    if (read(at, chunk, sizeof chunk) != sizeof chunk) break;
    const uint32_t size = Le32(chunk + 4);
    if (std::memcmp(chunk, "fmt ", 4) == 0) {
      if (size < 16) return std::string("the format chunk is cut short");
      uint8_t fmt[40] = {};
      const size_t want = size < sizeof fmt ? size : sizeof fmt;
      if (read(at + 8, fmt, want) != want) return std::string("the format chunk is cut short");
      return FormatProblem(fmt, size);
    }
    if (std::memcmp(chunk, "data", 4) == 0) break;
    at += 8 + static_cast<uint64_t>(size) + (size & 1);
  }
  return std::string("there is no format chunk before the sound data");
}

std::optional<std::string> WaveFileProblem(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return WaveHeaderProblem([&in](uint64_t offset, uint8_t* out, size_t size) -> size_t {
    in.clear();
    in.seekg(static_cast<std::streamoff>(offset));
    if (!in) return 0;
    in.read(reinterpret_cast<char*>(out), static_cast<std::streamsize>(size));
    return static_cast<size_t>(in.gcount());
  });
}

}  // namespace zepa::platform
