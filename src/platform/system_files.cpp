#include "platform/system_files.h"

#include <algorithm>

#include "platform/cp932.h"

namespace zepa::platform {

Status AtomicWriteStatus(const std::string& path, const ReplaceResult& result) {
  if (result.written()) return {};
  const StatusCode code =
      result.status == ReplaceStatus::kNotWritable ? StatusCode::kRefused : StatusCode::kFailed;
  const std::string prefix = path + ": ";
  if (result.error.compare(0, prefix.size(), prefix) == 0)
    return {code, result.error.substr(prefix.size())};
  return {code, result.error.empty() ? std::string("not written") : result.error};
}

std::optional<FileStamp> StampOfInfo(const PathInfo& info) {
  if (info.kind != PathKind::kRegular) return std::nullopt;
  return FileStamp{info.modified_ns, info.size_bytes};
}

bool IsTemporaryName(std::string_view name, std::string* base) {
  constexpr size_t kSuffix = 7;  // ".XXXXXX"
  if (name.size() <= kSuffix || name[name.size() - kSuffix] != '.') return false;
  for (char c : name.substr(name.size() - kSuffix + 1)) {
    const bool alnum = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (!alnum) return false;
  }
  *base = std::string(name.substr(0, name.size() - kSuffix));
  return true;
}

std::optional<std::string> ShiftJisNameAsUtf8(std::string_view name) {
  const bool ascii = std::all_of(name.begin(), name.end(),
                                 [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (ascii) return std::nullopt;
  std::string utf8 = Cp932ToUtf8(name);
  if (utf8.empty() || utf8.find("\xEF\xBF\xBD") != std::string::npos) return std::nullopt;
  return utf8;
}

size_t PieceReader::ReadAt(uint64_t offset, char* out, size_t size) {
  size_t done = 0;
  while (done < size) {
    const size_t n = ReadOnce(offset + done, out + done, size - done);
    if (n == 0) break;
    done += n;
  }
  return done;
}

}  // namespace zepa::platform
