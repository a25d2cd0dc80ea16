#pragma once
// Noticing that files the game has read were changed on disk (an author
// saving a scenario or a picture while the game runs).
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/files.h"

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

/// Reads a file's stamp; nothing for a missing file.
using StampReader = std::optional<FileStamp> (*)(const std::string& path);

/// Compares each file's modification time and size on every call, as
/// `stamp_of` (the system's by default) tells them.
std::unique_ptr<FileWatch> CreatePollingFileWatch(StampReader stamp_of = StampOf);

}  // namespace zepa::platform
