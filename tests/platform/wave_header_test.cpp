// The WAVE header check: which format chunks are refused before a decoder
// sees them, and which files it leaves to the decoders.
#include "platform/wave_header.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/media_files.h"

namespace zepa::platform {
namespace {

using testing::Le;

struct Format {
  uint16_t tag = 1;
  uint16_t channels = 2;
  uint32_t rate = 22050;
  uint16_t block_align = 4;
  uint16_t bits = 16;
};

// A RIFF WAVE file: `before` goes between the RIFF header and the format
// chunk, `extra` ends the format chunk, and a short data chunk follows.
std::string WaveBytes(const Format& f, const std::string& before = "",
                      const std::string& extra = "") {
  std::string fmt;
  Le(fmt, f.tag, 2);
  Le(fmt, f.channels, 2);
  Le(fmt, f.rate, 4);
  Le(fmt, f.rate * f.block_align, 4);
  Le(fmt, f.block_align, 2);
  Le(fmt, f.bits, 2);
  fmt += extra;
  std::string s = "RIFF";
  Le(s, 0, 4);
  s += "WAVE" + before + "fmt ";
  Le(s, static_cast<uint32_t>(fmt.size()), 4);
  s += fmt + "data";
  Le(s, 8, 4);
  s += std::string(8, '\0');
  return s;
}

std::optional<std::string> Problem(const std::string& bytes) {
  return WaveHeaderProblem([&bytes](uint64_t offset, uint8_t* out, size_t size) -> size_t {
    if (offset >= bytes.size()) return 0;
    const size_t n = std::min<size_t>(size, bytes.size() - offset);
    std::memcpy(out, bytes.data() + offset, n);
    return n;
  });
}

// The extension of a WAVE_FORMAT_EXTENSIBLE chunk whose sub-format is `tag`.
std::string Extensible(uint16_t tag, bool whole = true) {
  std::string x;
  Le(x, 22, 2);   // extension size
  Le(x, 16, 2);   // valid bits
  Le(x, 3, 4);    // channel mask
  Le(x, tag, 2);  // sub-format identifier, first two bytes
  if (whole) x += std::string(14, '\x01');
  return x;
}

TEST(WaveHeader, FormatsThatPlayPass) {
  EXPECT_EQ(Problem(WaveBytes({})), std::nullopt);
  EXPECT_EQ(Problem(WaveBytes({.channels = 1, .block_align = 1, .bits = 8})), std::nullopt);
  EXPECT_EQ(Problem(WaveBytes({.tag = 3, .channels = 8, .block_align = 32, .bits = 32})),
            std::nullopt);
  EXPECT_EQ(Problem(WaveBytes({.tag = 2, .channels = 1, .block_align = 256, .bits = 4})),
            std::nullopt);
  EXPECT_EQ(Problem(WaveBytes({.tag = 7, .channels = 1, .block_align = 1, .bits = 8})),
            std::nullopt);
  EXPECT_EQ(Problem(WaveBytes({.tag = 0xFFFE}, "", Extensible(1))), std::nullopt);
  // Chunks before the format chunk are stepped over, odd sizes with their pad byte.
  std::string list = "LIST";
  Le(list, 5, 4);
  list += "INFOx";
  list += '\0';
  EXPECT_EQ(Problem(WaveBytes({}, list)), std::nullopt);
  // The real test tone of the other tests.
  EXPECT_EQ(Problem(testing::Wav(20)), std::nullopt);
}

TEST(WaveHeader, HeadersThatWouldDivideByZeroOrMisreadAreRefused) {
  EXPECT_EQ(Problem(WaveBytes({.channels = 0})), "the header says 0 channels (1 to 8 play)");
  EXPECT_EQ(Problem(WaveBytes({.channels = 9, .block_align = 18})),
            "the header says 9 channels (1 to 8 play)");
  EXPECT_EQ(Problem(WaveBytes({.rate = 0})), "the header says a sample rate of 0");
  EXPECT_EQ(Problem(WaveBytes({.block_align = 0})), "the header says a block size of 0");
  EXPECT_EQ(Problem(WaveBytes({.block_align = 3})),
            "the header's block size of 3 bytes cannot hold one sample of every channel");
  EXPECT_EQ(Problem(WaveBytes({.bits = 12})),
            "the header says 12-bit samples in format 1, which does not play");
  EXPECT_EQ(Problem(WaveBytes({.tag = 3, .bits = 16})),
            "the header says 16-bit samples in format 3, which does not play");
  EXPECT_EQ(Problem(WaveBytes({.tag = 0x55})),
            "the header says 16-bit samples in format 85, which does not play");
  // An extensible chunk is judged by its sub-format.
  EXPECT_EQ(Problem(WaveBytes({.tag = 0xFFFE}, "", Extensible(0x55))),
            "the header says 16-bit samples in format 85, which does not play");
  EXPECT_EQ(Problem(WaveBytes({.tag = 0xFFFE}, "", Extensible(1, false))),
            "the extended format chunk is cut short");
}

TEST(WaveHeader, MissingOrShortFormatChunks) {
  std::string no_fmt = "RIFF";
  Le(no_fmt, 0, 4);
  no_fmt += "WAVEdata";
  Le(no_fmt, 4, 4);
  no_fmt += "abcd";
  EXPECT_EQ(Problem(no_fmt), "there is no format chunk before the sound data");
  EXPECT_EQ(Problem(no_fmt.substr(0, 12)), "there is no format chunk before the sound data");
  const std::string full = WaveBytes({});
  // Cut inside the format chunk.
  EXPECT_EQ(Problem(full.substr(0, 30)), "the format chunk is cut short");
  std::string short_fmt = full;
  short_fmt[16] = 12;  // the chunk claims 12 bytes
  EXPECT_EQ(Problem(short_fmt), "the format chunk is cut short");
}

TEST(WaveHeader, OtherFilesAreLeftToTheirDecoders) {
  EXPECT_EQ(Problem(""), std::nullopt);
  EXPECT_EQ(Problem("RIFF"), std::nullopt);
  EXPECT_EQ(Problem("OggS" + std::string(40, '\0')), std::nullopt);
  std::string avi = WaveBytes({.channels = 0});
  avi.replace(8, 4, "AVI ");
  EXPECT_EQ(Problem(avi), std::nullopt);
}

}  // namespace
}  // namespace zepa::platform
