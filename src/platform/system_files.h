#pragma once
// What the systems' file operations (platform/posix, platform/win32) share
// beside their system calls: the rules and the shape around them, so each
// system writes only the calls.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/files.h"

namespace zepa::platform {

/// The bytes of a save as the file operations take them.
inline std::string_view AsText(std::span<const uint8_t> bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

/// What a ReplaceFileContents result comes to as Files::AtomicWriteFile
/// tells it: kRefused for a file that may not be written, and the reason
/// alone, since the caller names the file itself.
Status AtomicWriteStatus(const std::string& path, const ReplaceResult& result);

/// The stamp of what a look at a path showed: nothing unless it is a
/// regular file.
std::optional<FileStamp> StampOfInfo(const PathInfo& info);

/// True for a name that a replace of the file NAME writes first and renames
/// over it: NAME.XXXXXX, six letters or digits. `*base` is then NAME.
bool IsTemporaryName(std::string_view name, std::string* base);

/// The UTF-8 spelling of a file name in Shift-JIS; nothing for an ASCII
/// name, which is the same in both, and for bytes that are not Shift-JIS
/// (a name already in UTF-8).
std::optional<std::string> ShiftJisNameAsUtf8(std::string_view name);

/// A FileReader built on one read call of the system: ReadAt repeats the
/// call until the piece is whole, the file ends or a read fails.
class PieceReader : public FileReader {
 public:
  explicit PieceReader(uint64_t size_bytes) : size_bytes_(size_bytes) {}

  uint64_t size_bytes() const final { return size_bytes_; }
  size_t ReadAt(uint64_t offset, char* out, size_t size) final;

 protected:
  /// Reads up to `size` bytes at `offset`; how many, 0 at the end of the
  /// file or on a failure.
  virtual size_t ReadOnce(uint64_t offset, char* out, size_t size) = 0;

 private:
  uint64_t size_bytes_;
};

}  // namespace zepa::platform
