// The media checks that read the file or its folder, through the
// wide-character file operations.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/ascii.h"
#include "platform/files.h"
#include "platform/media_checks.h"
#include "platform/wave_header.h"
#include "platform/win32/win32_text.h"

namespace zepa::platform {
namespace {

// The WAVE header fits well within this; the data chunk's length is what
// the file holds past it, which the size tells.
constexpr DWORD kHeadBytes = 4096;

// The first bytes of a regular file and its size.
bool ReadHead(const std::string& path, std::string* head, uint64_t* size) {
  HANDLE h = CreateFileW(win32::WidePath(path).c_str(), GENERIC_READ,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER length;
  head->assign(kHeadBytes, '\0');
  DWORD got = 0;
  const bool ok = GetFileType(h) == FILE_TYPE_DISK && GetFileSizeEx(h, &length) &&
                  ReadFile(h, head->data(), kHeadBytes, &got, nullptr);
  CloseHandle(h);
  head->resize(got);
  *size = ok ? static_cast<uint64_t>(length.QuadPart) : 0;
  return ok;
}

}  // namespace

Status CheckMediaFile(const std::string& path) {
  const PathKind kind = ProbePath(path);
  if (kind == PathKind::kMissing || kind == PathKind::kFailed)
    return {StatusCode::kMissing, "no such file"};
  if (kind != PathKind::kRegular) return {StatusCode::kRefused, "not a regular file"};
  if (std::optional<std::string> problem = WaveFileProblem(path))
    return {StatusCode::kInvalid, *problem};
  return {};
}

std::optional<uint32_t> WaveDataLimitMs(const std::string& path) {
  std::string head_bytes;
  uint64_t file_size = 0;
  if (!ReadHead(path, &head_bytes, &file_size)) return std::nullopt;
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

std::map<int, std::string> FindCdTracks(const std::string& folder) {
  std::map<std::string, std::string> by_lower;  // lower-case name -> path
  if (std::optional<std::vector<DirEntry>> entries = ListFolder(folder)) {
    for (const DirEntry& e : *entries)
      if (e.kind == PathKind::kRegular)
        by_lower.emplace(AsciiLowerCopy(e.name), folder + "/" + e.name);
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
  if (ProbePath(folder) != PathKind::kDirectory)
    return Status(StatusCode::kMissing, "no such folder");
  return FindCdTracks(folder);
}

}  // namespace zepa::platform
