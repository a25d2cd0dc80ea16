#include "engine/scenario_file.h"

#include "platform/files.h"

namespace zepa::engine {

ScenarioFile ReadScenarioFile(const std::string& path) {
  ScenarioFile file;
  platform::ReadResult read = platform::ReadRegularFile(path, kMaxScenarioBytes);
  auto missing = [&] {
    file.status = ScenarioFile::Status::kMissing;
    file.message = "Cannot open file \"" + path + "\". " + read.reason;
  };
  switch (read.status) {
    case platform::ReadStatus::kOk:
      file.status = ScenarioFile::Status::kRead;
      file.bytes = std::move(read.bytes);
      break;
    case platform::ReadStatus::kTooLarge:
      file.status = ScenarioFile::Status::kTooLarge;
      file.message = "The scenario file \"" + path + "\" is larger than 64 MiB and was not loaded.";
      break;
    case platform::ReadStatus::kMissing:
    case platform::ReadStatus::kNotRegular:
      missing();
      break;
    case platform::ReadStatus::kFailed:
      // A file that is there but cannot be read fails quietly; one that
      // cannot even be looked at is reported as missing, with the reason.
      if (platform::StatPath(path).kind != platform::PathKind::kRegular) missing();
      break;
  }
  return file;
}

}  // namespace zepa::engine
