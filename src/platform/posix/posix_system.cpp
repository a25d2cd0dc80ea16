#include <time.h>

#include <filesystem>
#include <system_error>

#include "platform/posix/posix_files.h"
#include "platform/posix/posix_sockets.h"
#include "platform/system.h"

namespace zepa::platform {

std::unique_ptr<Files> CreateSystemFiles() { return CreatePosixFiles(); }

std::unique_ptr<Sockets> CreateSystemSockets() { return CreatePosixSockets(); }

bool IsFullPath(std::string_view path) { return !path.empty() && path.front() == '/'; }

std::optional<UserFolderAnswer> SystemUserFolders() { return std::nullopt; }

std::string ProgramFolder() {
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : exe.parent_path().string();
}

double ProcessCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

}  // namespace zepa::platform
