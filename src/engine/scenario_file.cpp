#include "engine/scenario_file.h"

#include <filesystem>
#include <fstream>
#include <new>
#include <system_error>

namespace zepa::engine {

ScenarioFile ReadScenarioFile(const std::string& path) {
  ScenarioFile file;
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  if (ec) {
    file.status = ScenarioFile::Status::kMissing;
    file.message = "Cannot open file \"" + path + "\". " + ec.message();
    return file;
  }
  if (size > kMaxScenarioBytes) {
    file.status = ScenarioFile::Status::kTooLarge;
    file.message = "The scenario file \"" + path + "\" is larger than 64 MiB and was not loaded.";
    return file;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) return file;
  try {
    file.bytes.resize(static_cast<size_t>(size));
  } catch (const std::bad_alloc&) {
    return file;
  }
  in.read(file.bytes.data(), static_cast<std::streamsize>(file.bytes.size()));
  file.bytes.resize(static_cast<size_t>(in.gcount()));
  file.status = ScenarioFile::Status::kRead;
  return file;
}

}  // namespace zepa::engine
