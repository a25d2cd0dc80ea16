// The media checks that read the file or its folder. They take a path, not
// a Files object: the players are handed paths that the game has already
// resolved, and these reads only look, never write.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "platform/ascii.h"
#include "platform/media_checks.h"
#include "platform/wave_header.h"

namespace zepa::platform {

Status CheckMediaFile(const std::string& path) {
  std::error_code ec;
  const auto status = std::filesystem::status(path, ec);
  if (ec || !std::filesystem::exists(status)) return {StatusCode::kMissing, "no such file"};
  if (!std::filesystem::is_regular_file(status))
    return {StatusCode::kRefused, "not a regular file"};
  if (std::optional<std::string> problem = WaveFileProblem(path))
    return {StatusCode::kInvalid, *problem};
  return {};
}

std::optional<uint32_t> WaveDataLimitMs(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  char head[4096] = {};
  in.read(head, sizeof head);
  const size_t got = static_cast<size_t>(in.gcount());
  if (got < 12 || std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "WAVE", 4) != 0)
    return std::nullopt;
  auto le32 = [&](size_t at) {
    return static_cast<uint32_t>(static_cast<uint8_t>(head[at])) |
           static_cast<uint32_t>(static_cast<uint8_t>(head[at + 1])) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(head[at + 2])) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(head[at + 3])) << 24;
  };
  uint32_t byte_rate = 0;
  for (size_t at = 12; at + 8 <= got;) {
    const uint32_t size = le32(at + 4);
    if (std::memcmp(head + at, "fmt ", 4) == 0 && at + 20 <= got) byte_rate = le32(at + 16);
    if (std::memcmp(head + at, "data", 4) == 0) {
      if (byte_rate == 0) return std::nullopt;
      std::error_code ec;
      const uint64_t file_size = std::filesystem::file_size(path, ec);
      if (ec) return std::nullopt;
      const uint64_t present =
          file_size > at + 8 ? std::min<uint64_t>(file_size - at - 8, size) : 0;
      return static_cast<uint32_t>(std::min<uint64_t>(present * 1000 / byte_rate, UINT32_MAX));
    }
    at += 8 + size + (size & 1);
  }
  return std::nullopt;
}

std::map<int, std::string> FindCdTracks(const std::string& folder) {
  std::map<std::string, std::string> by_lower;  // lower-case name -> path
  std::error_code ec;
  for (auto it = std::filesystem::directory_iterator(folder, ec);
       !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
    std::error_code fe;
    if (!it->is_regular_file(fe)) continue;
    const std::string name = AsciiLowerCopy(it->path().filename().string());
    by_lower.emplace(name, it->path().string());
  }
  std::map<int, std::string> tracks;
  for (int n = 1; n <= 99; ++n) {
    char two[3];
    std::snprintf(two, sizeof two, "%02d", n);
    const std::string one = std::to_string(n);
    for (const std::string& stem :
         {"track" + one, "track" + std::string(two), "track_" + one, "track_" + std::string(two)}) {
      bool found = false;
      for (const char* ext : {".ogg", ".flac", ".wav", ".mp3"}) {
        auto it = by_lower.find(stem + ext);
        if (it != by_lower.end()) {
          tracks.emplace(n, it->second);
          found = true;
          break;
        }
      }
      if (found) break;
    }
  }
  return tracks;
}

Result<std::map<int, std::string>> OpenCdFolder(const std::string& folder) {
  std::error_code ec;
  if (!std::filesystem::is_directory(folder, ec))
    return Status(StatusCode::kMissing, "no such folder");
  return FindCdTracks(folder);
}

}  // namespace zepa::platform
