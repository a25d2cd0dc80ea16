#include "platform/posix/posix_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/system_files.h"

namespace zepa::platform {
namespace {

class PosixFiles : public Files {
 public:
  Status AtomicWriteFile(const std::string& path, std::span<const uint8_t> bytes) override {
    // One way of replacing a file for the whole program: the one that also
    // keeps a shared file's owner and mode and writes through links.
    return AtomicWriteStatus(path, ReplaceFileContents(path, AsText(bytes)));
  }

  bool DirectoryWritable(const std::string& dir) override {
    struct stat st;
    if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
    return ::access(dir.c_str(), W_OK | X_OK) == 0;
  }

  Status CreateDirectories(const std::string& dir) override {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) return Status::Failed(ec.message());
    return {};
  }

  std::string UserDataDir() override {
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && xdg[0] == '/') return xdg;
    if (const char* home = std::getenv("HOME"); home && home[0] != '\0')
      return std::string(home) + "/.local/share";
    return {};
  }
};

}  // namespace

std::unique_ptr<Files> CreatePosixFiles() { return std::make_unique<PosixFiles>(); }

}  // namespace zepa::platform
