// Looking at files and reading them in pieces, on POSIX.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "platform/files.h"
#include "platform/system_files.h"

namespace zepa::platform {
namespace {

constexpr int64_t kNsPerSecond = 1'000'000'000;

class PosixFileReader : public PieceReader {
 public:
  PosixFileReader(int fd, uint64_t size_bytes) : PieceReader(size_bytes), fd_(fd) {}
  ~PosixFileReader() override { close(fd_); }
  PosixFileReader(const PosixFileReader&) = delete;
  PosixFileReader& operator=(const PosixFileReader&) = delete;

 protected:
  size_t ReadOnce(uint64_t offset, char* out, size_t size) override {
    for (;;) {
      const ssize_t n = pread(fd_, out, size, static_cast<off_t>(offset));
      if (n < 0 && errno == EINTR) continue;
      return n > 0 ? static_cast<size_t>(n) : 0;
    }
  }

 private:
  int fd_;
};

}  // namespace

PathInfo StatPath(const std::string& path) {
  PathInfo info;
  struct stat st;
  if (stat(path.c_str(), &st) != 0) {
    info.kind = errno == ENOENT || errno == ENOTDIR ? PathKind::kMissing : PathKind::kFailed;
    return info;
  }
  info.kind = S_ISREG(st.st_mode)   ? PathKind::kRegular
              : S_ISDIR(st.st_mode) ? PathKind::kDirectory
                                    : PathKind::kOther;
  if (info.kind == PathKind::kRegular) info.size_bytes = static_cast<uint64_t>(st.st_size);
  info.modified_ns = static_cast<int64_t>(st.st_mtim.tv_sec) * kNsPerSecond + st.st_mtim.tv_nsec;
  return info;
}

bool FileTimeSettled(int64_t modified_ns) {
  // Two seconds covers the coarsest file times in use.
  constexpr int64_t kSettleNs = 2 * kNsPerSecond;
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  const int64_t now_ns = static_cast<int64_t>(now.tv_sec) * kNsPerSecond + now.tv_nsec;
  return now_ns - modified_ns >= kSettleNs;
}

std::unique_ptr<FileReader> OpenFileReader(const std::string& path) {
  // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return nullptr;
  }
  return std::make_unique<PosixFileReader>(fd, static_cast<uint64_t>(st.st_size));
}

std::string CanonicalPath(const std::string& path) {
  std::error_code ec;
  const std::filesystem::path full = std::filesystem::weakly_canonical(path, ec);
  return ec ? std::string() : full.string();
}

}  // namespace zepa::platform
