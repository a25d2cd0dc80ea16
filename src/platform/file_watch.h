#pragma once
// Noticing that files the game has read were changed on disk (an author
// saving a scenario or a picture while the game runs).
#include <memory>
#include <string>
#include <vector>

namespace zepa::platform {

class FileWatch {
 public:
  virtual ~FileWatch() = default;
  /// The files to watch from now on; a file newly named is taken as it is now.
  virtual void SetPaths(const std::vector<std::string>& paths) = 0;
  /// True when one of the files changed (written, replaced, made or removed)
  /// since the last call.
  virtual bool Changed() = 0;
};

/// Compares each file's modification time and size on every call.
std::unique_ptr<FileWatch> CreatePollingFileWatch();

}  // namespace zepa::platform
