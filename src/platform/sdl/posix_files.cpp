#include "platform/sdl/posix_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace zepa::platform {
namespace {

std::string Reason(int err) { return std::strerror(err); }

std::string DirectoryOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// Writes all of `bytes`, retrying after interruptions and short writes.
int WriteAll(int fd, std::span<const uint8_t> bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    done += static_cast<size_t>(n);
  }
  return 0;
}

class PosixFiles : public Files {
 public:
  std::string AtomicWriteFile(const std::string& path, std::span<const uint8_t> bytes) override {
    const std::string dir = DirectoryOf(path);
    struct stat st;
    if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return Reason(EISDIR);
    std::string temp = path + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) return Reason(errno);
    int err = WriteAll(fd, bytes);
    if (err == 0 && ::fsync(fd) != 0) err = errno;
    // mkstemp creates the file private; a save file is an ordinary file.
    if (err == 0) ::fchmod(fd, 0644);
    if (::close(fd) != 0 && err == 0) err = errno;
    if (err == 0 && ::rename(temp.c_str(), path.c_str()) != 0) err = errno;
    if (err != 0) {
      ::unlink(temp.c_str());
      return Reason(err);
    }
    // The rename is durable only once the directory itself reaches the disk.
    const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY);
    if (dfd >= 0) {
      ::fsync(dfd);
      ::close(dfd);
    }
    return {};
  }

  bool DirectoryWritable(const std::string& dir) override {
    struct stat st;
    if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
    return ::access(dir.c_str(), W_OK | X_OK) == 0;
  }

  std::string CreateDirectories(const std::string& dir) override {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    return ec ? ec.message() : std::string();
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
