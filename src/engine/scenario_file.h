#pragma once
// Reading a scenario file from disk, bounded in size, before it is decoded.
#include <cstdint>
#include <string>

namespace zepa::engine {

/// The largest scenario file we read. Real scenarios are a few hundred
/// kilobytes; a bigger file is refused before any of it is read.
constexpr uint64_t kMaxScenarioBytes = uint64_t{64} << 20;

struct ScenarioFile {
  enum class Status {
    kRead,        // `bytes` holds the file
    kMissing,     // it cannot be found or opened: an error the player sees
    kTooLarge,    // over kMaxScenarioBytes: refused with `message`
    kUnreadable,  // it exists but could not be read whole into memory
  };
  Status status = Status::kUnreadable;
  std::string bytes;
  std::string message;  // for kMissing and kTooLarge, what to tell the player
};

ScenarioFile ReadScenarioFile(const std::string& path);

}  // namespace zepa::engine
