#pragma once
// The file operations whose safety depends on the operating system: replacing
// a file so that a crash never leaves it torn, and where a user's own data
// lives. Plain reading goes through the standard library.
#include <cstdint>
#include <span>
#include <string>

namespace zepa::platform {

class Files {
 public:
  virtual ~Files() = default;

  /// Replaces the file at `path` with `bytes`: writes a temporary file in the
  /// same directory, flushes it to the disk, renames it over `path` and
  /// flushes the directory, so that at any moment the old file or the new one
  /// is there whole. Returns an empty string on success, else the system's
  /// reason; the old file is then untouched.
  virtual std::string AtomicWriteFile(const std::string& path, std::span<const uint8_t> bytes) = 0;

  /// True when new files can be created in the directory `dir`.
  virtual bool DirectoryWritable(const std::string& dir) = 0;

  /// Creates `dir` and its missing parents; returns the system's reason on
  /// failure, else an empty string.
  virtual std::string CreateDirectories(const std::string& dir) = 0;

  /// The user's data directory: $XDG_DATA_HOME, else $HOME/.local/share;
  /// empty when neither is known.
  virtual std::string UserDataDir() = 0;
};

}  // namespace zepa::platform
