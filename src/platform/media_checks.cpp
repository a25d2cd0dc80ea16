#include "platform/media_checks.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>

#include "platform/ascii.h"
#include "platform/wave_header.h"

namespace zepa::platform {
namespace {

std::string Extension(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  return AsciiLowerCopy(path.substr(dot));
}

// The WAVE header fits well within this; the data chunk's length is what
// the file holds past it, which the size tells.
constexpr size_t kHeadBytes = 4096;

}  // namespace

Status CheckMediaFile(const std::string& path, PathProbe probe) {
  const PathKind kind = probe(path);
  if (kind == PathKind::kMissing || kind == PathKind::kFailed)
    return {StatusCode::kMissing, "no such file"};
  if (kind != PathKind::kRegular) return {StatusCode::kRefused, "not a regular file"};
  if (std::optional<std::string> problem = WaveFileProblem(path))
    return {StatusCode::kInvalid, *problem};
  return {};
}

std::optional<uint32_t> WaveDataLimitMs(const std::string& path, ReaderOpener open) {
  const std::unique_ptr<FileReader> reader = open(path);
  if (!reader) return std::nullopt;
  std::string head_bytes(kHeadBytes, '\0');
  head_bytes.resize(reader->ReadAt(0, head_bytes.data(), head_bytes.size()));
  const uint64_t file_size = reader->size_bytes();
  const std::string_view head = head_bytes;
  const size_t got = head.size();
  if (got < 12 || head.substr(0, 4) != "RIFF" || head.substr(8, 4) != "WAVE") return std::nullopt;
  auto le32 = [&](size_t at) {
    return static_cast<uint32_t>(static_cast<uint8_t>(head[at])) |
           static_cast<uint32_t>(static_cast<uint8_t>(head[at + 1])) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(head[at + 2])) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(head[at + 3])) << 24;
  };
  uint32_t byte_rate = 0;
  for (size_t at = 12; at + 8 <= got;) {
    const uint32_t size = le32(at + 4);
    if (head.substr(at, 4) == "fmt " && at + 20 <= got) byte_rate = le32(at + 16);
    if (head.substr(at, 4) == "data") {
      if (byte_rate == 0) return std::nullopt;
      const uint64_t present =
          file_size > at + 8 ? std::min<uint64_t>(file_size - at - 8, size) : 0;
      return static_cast<uint32_t>(std::min<uint64_t>(present * 1000 / byte_rate, UINT32_MAX));
    }
    at += 8 + size + (size & 1);
  }
  return std::nullopt;
}

std::map<int, std::string> FindCdTracks(const std::string& folder, FolderLister list) {
  std::map<std::string, std::string> by_lower;  // lower-case name -> path
  const std::string prefix = folder.empty() || folder.back() == '/' ? folder : folder + "/";
  if (std::optional<std::vector<DirEntry>> entries = list(folder)) {
    for (const DirEntry& e : *entries)
      if (e.kind == PathKind::kRegular) by_lower.emplace(AsciiLowerCopy(e.name), prefix + e.name);
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

Result<std::map<int, std::string>> OpenCdFolder(const std::string& folder, PathProbe probe,
                                                FolderLister list) {
  if (probe(folder) != PathKind::kDirectory) return Status(StatusCode::kMissing, "no such folder");
  return FindCdTracks(folder, list);
}

bool IsMovieFile(const std::string& path) {
  const std::string ext = Extension(path);
  for (const char* movie : {".avi", ".mpg", ".qt", ".mov", ".mpe"})
    if (ext.compare(0, std::char_traits<char>::length(movie), movie) == 0) return true;
  return false;
}

bool IsMidiFile(const std::string& path) {
  const std::string ext = Extension(path);
  return ext == ".mid" || ext == ".midi" || ext == ".rmi";
}

}  // namespace zepa::platform
