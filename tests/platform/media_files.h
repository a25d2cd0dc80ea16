#pragma once
// Test media made on the spot: WAV and MIDI written by code, compressed
// audio and movies made with the ffmpeg command when it is installed.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace zepa::platform::testing {

inline void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

inline void Le(std::string& s, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
}

/// A mono 16-bit WAV of `ms` milliseconds of a 440 Hz tone. With
/// `claimed_ms`, the header claims that much data whatever follows.
inline std::string Wav(uint32_t ms, int rate = 22050, uint32_t claimed_ms = 0) {
  const uint32_t samples = static_cast<uint32_t>(static_cast<uint64_t>(rate) * ms / 1000);
  const uint32_t claimed =
      claimed_ms ? static_cast<uint32_t>(static_cast<uint64_t>(rate) * claimed_ms / 1000) : samples;
  std::string s = "RIFF";
  Le(s, 36 + claimed * 2, 4);
  s += "WAVEfmt ";
  Le(s, 16, 4);
  Le(s, 1, 2);
  Le(s, 1, 2);
  Le(s, static_cast<uint32_t>(rate), 4);
  Le(s, static_cast<uint32_t>(rate) * 2, 4);
  Le(s, 2, 2);
  Le(s, 16, 2);
  s += "data";
  Le(s, claimed * 2, 4);
  for (uint32_t i = 0; i < samples; ++i) {
    const double v = std::sin(2.0 * 3.14159265358979 * 440.0 * i / rate) * 12000.0;
    Le(s, static_cast<uint32_t>(static_cast<int16_t>(v)) & 0xffff, 2);
  }
  return s;
}

inline void Be(std::string& s, uint32_t v, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
}

/// A format-1 MIDI file: `tracks` tracks, the first holding one note of
/// `note_ms` at 120 beats a minute (480 ticks a beat: 1 ms is ~0.96 ticks).
inline std::string Midi(uint32_t note_ms, int tracks = 1) {
  std::string s = "MThd";
  Be(s, 6, 4);
  Be(s, 1, 2);
  Be(s, static_cast<uint32_t>(tracks), 2);
  Be(s, 480, 2);
  const uint32_t ticks = note_ms * 480 / 500;
  for (int t = 0; t < tracks; ++t) {
    std::string body;
    if (t == 0) {
      body += std::string("\x00\xC0\x00", 3);  // program 0
      body += std::string("\x00\x90\x45\x60", 4);
      // Variable-length delta.
      std::string delta;
      uint32_t v = ticks;
      delta.insert(delta.begin(), static_cast<char>(v & 0x7f));
      while ((v >>= 7) > 0) delta.insert(delta.begin(), static_cast<char>((v & 0x7f) | 0x80));
      body += delta;
      body += std::string("\x80\x45\x40", 3);
    }
    body += std::string("\x00\xFF\x2F\x00", 4);
    s += "MTrk";
    Be(s, static_cast<uint32_t>(body.size()), 4);
    s += body;
  }
  return s;
}

inline bool HaveFfmpeg() { return std::system("ffmpeg -version >/dev/null 2>&1") == 0; }

/// Runs ffmpeg quietly with `args`; true when it succeeded.
inline bool Ffmpeg(const std::string& args) {
  return std::system(("ffmpeg -nostdin -loglevel error -y " + args).c_str()) == 0;
}

}  // namespace zepa::platform::testing
