#include "platform/files.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "platform/system_files.h"

namespace zepa::platform {
namespace {

// Symlink chains longer than this are refused, as the kernel does (ELOOP).
constexpr int kMaxLinkHops = 40;
// How long an in-place rewrite waits for another writer's lock.
constexpr int kLockWaitMs = 2000;

std::string Describe(const std::string& path, int error_number) {
  return path + ": " + std::strerror(error_number);
}

std::string Folder(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// Follows a chain of symlinks at `path` (the last component only) to the
// name the data lives under, which may not exist yet.
bool FollowLinks(std::string path, std::string* target, int* error_number) {
  for (int hop = 0; hop < kMaxLinkHops; ++hop) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
      *target = path;
      return true;
    }
    std::string link(static_cast<size_t>(st.st_size > 0 ? st.st_size : 255) + 1, '\0');
    const ssize_t n = readlink(path.c_str(), link.data(), link.size());
    if (n < 0) {
      *error_number = errno;
      return false;
    }
    link.resize(static_cast<size_t>(n));
    path = link.front() == '/' ? link : Folder(path) + "/" + link;
  }
  *error_number = ELOOP;
  return false;
}

bool WriteAll(int fd, std::string_view bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

// The mode bits a new file gets from open(): 0666 less the umask. Read from
// /proc so that the process-wide umask is never changed, even briefly.
mode_t NewFileMode() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("Umask:", 0) == 0) {
      return static_cast<mode_t>(0666 & ~std::strtoul(line.c_str() + 6, nullptr, 8));
    }
  }
  return 0644;
}

// Signals that end the process by default are held back while a temporary
// file exists, so an ordinary kill cannot leave it behind; SIGKILL still can.
class TerminationSignalsHeld {
 public:
  TerminationSignalsHeld() {
    sigset_t held;
    sigemptyset(&held);
    for (int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaddset(&held, s);
    active_ = pthread_sigmask(SIG_BLOCK, &held, &old_) == 0;
  }
  ~TerminationSignalsHeld() {
    if (active_) pthread_sigmask(SIG_SETMASK, &old_, nullptr);
  }
  TerminationSignalsHeld(const TerminationSignalsHeld&) = delete;
  TerminationSignalsHeld& operator=(const TerminationSignalsHeld&) = delete;

 private:
  sigset_t old_;
  bool active_ = false;
};

bool LockWithin(int fd, int wait_ms) {
  for (int waited = 0;; waited += 10) {
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
    if (errno != EWOULDBLOCK && errno != EINTR) return false;
    if (waited >= wait_ms) return false;
    const timespec pause{0, 10 * 1000 * 1000};
    nanosleep(&pause, nullptr);
  }
}

ReplaceResult Failed(const std::string& path, int error_number) {
  return {ReplaceStatus::kFailed, Describe(path, error_number)};
}

bool ReadAllAt(int fd, std::string* out, size_t size) {
  out->assign(size, '\0');
  size_t done = 0;
  while (done < size) {
    const ssize_t n = pread(fd, out->data() + done, size - done, static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

bool WriteAllAt(int fd, std::string_view bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n =
        pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// The folder is not ours to create files in, but the file is writable: the
// bytes go into the file itself, under a lock so that two writers at once
// still leave one whole content. The space is reserved before the first byte
// is written and the old bytes are kept in memory, so a full disk refuses the
// write and a failure half way puts the old content back.
ReplaceResult RewriteInPlace(const std::string& path, std::string_view bytes) {
  const int fd = open(path.c_str(), O_RDWR | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return Failed(path, errno);
  struct stat st;
  ReplaceResult result{ReplaceStatus::kWrittenInPlace, ""};
  std::string old;
  if (fstat(fd, &st) != 0) {
    result = Failed(path, errno);
  } else if (!S_ISREG(st.st_mode)) {
    result = {ReplaceStatus::kFailed, path + ": not a regular file"};
  } else if (!LockWithin(fd, kLockWaitMs)) {
    result = {ReplaceStatus::kFailed, path + ": another program holds the file"};
  } else if (fstat(fd, &st) != 0 || !ReadAllAt(fd, &old, static_cast<size_t>(st.st_size))) {
    result = Failed(path, errno ? errno : EIO);
  } else if (const int reserve =
                 posix_fallocate(fd, 0, static_cast<off_t>(std::max(old.size(), bytes.size())));
             reserve != 0) {
    result = {ReplaceStatus::kFailed,
              Describe(path, reserve) + " (no room to rewrite it in place; left as it was)"};
  } else if (!WriteAllAt(fd, bytes) || fsync(fd) != 0 ||
             ftruncate(fd, static_cast<off_t>(bytes.size())) != 0 || fsync(fd) != 0) {
    result = Failed(path, errno ? errno : EIO);
    // The reserved space holds the old bytes whatever the new ones did.
    if (!WriteAllAt(fd, old) || ftruncate(fd, static_cast<off_t>(old.size())) != 0 ||
        fsync(fd) != 0)
      result.error += " (and the old content could not be put back)";
  }
  if (close(fd) != 0 && result.written()) result = Failed(path, errno);
  return result;
}

// A temporary of ours is NAME.XXXXXX, as mkstemp makes it, beside a file
// NAME (IsTemporaryName). A kill between its creation and the rename leaves
// it behind; one older than this is no longer being written by anyone.
constexpr time_t kStaleTemporarySeconds = 60;

// Removes the temporaries that earlier kills left in `folder`: only files of
// exactly that pattern whose NAME is there too (or is the file being written
// now, `writing`), that are ours and stale.
void RemoveStaleTemporaries(const std::string& folder, const std::string& writing) {
  DIR* dir = opendir(folder.c_str());
  if (!dir) return;
  const time_t now = time(nullptr);
  std::vector<std::string> stale;
  while (const dirent* entry = readdir(dir)) {
    std::string base;
    if (!IsTemporaryName(entry->d_name, &base)) continue;
    struct stat st, base_st;
    if (fstatat(dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode) ||
        st.st_uid != geteuid() || now - st.st_mtime < kStaleTemporarySeconds)
      continue;
    if (base != writing && (fstatat(dirfd(dir), base.c_str(), &base_st, AT_SYMLINK_NOFOLLOW) != 0 ||
                            S_ISDIR(base_st.st_mode)))
      continue;
    stale.emplace_back(entry->d_name);
  }
  for (const std::string& name : stale) unlinkat(dirfd(dir), name.c_str(), 0);
  closedir(dir);
}

}  // namespace

ReadResult ReadRegularFile(const std::string& path, size_t max_bytes) {
  ReadResult result;
  // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    result.status = errno == ENOENT ? ReadStatus::kMissing : ReadStatus::kFailed;
    result.reason = std::strerror(errno);
    result.error = Describe(path, errno);
    return result;
  }
  struct stat st;
  if (fstat(fd, &st) != 0) {
    result.reason = std::strerror(errno);
    result.error = Describe(path, errno);
  } else if (!S_ISREG(st.st_mode)) {
    result.status = ReadStatus::kNotRegular;
    result.reason = std::strerror(S_ISDIR(st.st_mode) ? EISDIR : EOPNOTSUPP);
    result.error = path + (S_ISDIR(st.st_mode) ? ": is a directory" : ": not a regular file");
  } else if (static_cast<uint64_t>(st.st_size) > max_bytes) {
    result.status = ReadStatus::kTooLarge;
    result.error = path + ": larger than " + std::to_string(max_bytes) + " bytes";
  } else {
    result.bytes.reserve(static_cast<size_t>(st.st_size));
    char buffer[65536];
    for (;;) {
      const ssize_t n = read(fd, buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        result.reason = std::strerror(errno);
        result.error = Describe(path, errno);
        break;
      }
      if (n == 0) {
        result.status = ReadStatus::kOk;
        break;
      }
      // The file may grow while we read it; the bound still holds.
      if (result.bytes.size() + static_cast<size_t>(n) > max_bytes) {
        result.status = ReadStatus::kTooLarge;
        result.error = path + ": larger than " + std::to_string(max_bytes) + " bytes";
        break;
      }
      result.bytes.append(buffer, static_cast<size_t>(n));
    }
  }
  close(fd);
  if (result.status != ReadStatus::kOk) result.bytes.clear();
  return result;
}

ReplaceResult ReplaceFileContents(const std::string& path, std::string_view bytes) {
  std::string target;
  int error_number = 0;
  if (!FollowLinks(path, &target, &error_number)) return Failed(path, error_number);

  struct stat st;
  const bool exists = lstat(target.c_str(), &st) == 0;
  if (!exists && errno != ENOENT) return Failed(target, errno);
  if (exists) {
    if (!S_ISREG(st.st_mode)) return {ReplaceStatus::kFailed, target + ": not a regular file"};
    // A file without any write bit is read-only even for root: the author
    // meant it to stay as it is.
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 ||
        faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)
      return {ReplaceStatus::kNotWritable, target + ": read-only, left as it is"};
  }

  RemoveStaleTemporaries(Folder(target), target.substr(target.find_last_of('/') + 1));
  TerminationSignalsHeld held;
  std::string temp = target + ".XXXXXX";
  const int fd = mkstemp(temp.data());
  if (fd < 0) {
    const int create_error = errno;
    if (exists && (create_error == EACCES || create_error == EPERM || create_error == EROFS))
      return RewriteInPlace(target, bytes);
    return Failed(target, create_error);
  }
  fcntl(fd, F_SETFD, FD_CLOEXEC);

  bool in_place = false;
  bool ok = true;
  if (exists) {
    // The new file must carry the old one's owner and group, or whoever
    // shared the file with us could lose it; when we may not set them, the
    // old file is rewritten instead of replaced.
    if ((st.st_uid != geteuid() || st.st_gid != getegid()) && fchown(fd, st.st_uid, st.st_gid) != 0)
      in_place = true;
    if (!in_place && fchmod(fd, st.st_mode & 07777) != 0) ok = false;
  } else if (fchmod(fd, NewFileMode()) != 0) {
    ok = false;
  }
  ok = ok && !in_place && WriteAll(fd, bytes) && fsync(fd) == 0;
  int write_error = errno;
  if (close(fd) != 0 && ok) {
    ok = false;
    write_error = errno;
  }
  if (ok && rename(temp.c_str(), target.c_str()) != 0) {
    ok = false;
    write_error = errno;
    // A sticky folder lets us write another user's file but not replace it.
    if (exists && (write_error == EPERM || write_error == EACCES)) in_place = true;
  }
  if (ok) {
    const int dir = open(Folder(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
      fsync(dir);
      close(dir);
    }
    return {ReplaceStatus::kReplaced, ""};
  }
  unlink(temp.c_str());
  if (in_place) return RewriteInPlace(target, bytes);
  return Failed(target, write_error);
}

Status WriteWholeFile(const std::string& path, std::string_view bytes) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return Status::Failed(Describe(path, errno));
  bool ok = WriteAll(fd, bytes);
  int error_number = errno;
  if (close(fd) != 0 && ok) {
    ok = false;
    error_number = errno;
  }
  if (!ok) return Status::Failed(Describe(path, error_number));
  return {};
}

Status WriteNewFile(const std::string& path, std::string_view bytes) {
  struct stat st;
  if (lstat(path.c_str(), &st) == 0) {
    if (S_ISLNK(st.st_mode))
      return {StatusCode::kRefused, path + ": is a symbolic link, not followed"};
    if (!S_ISREG(st.st_mode))
      return {StatusCode::kRefused, path + ": exists and is not a regular file"};
    if (unlink(path.c_str()) != 0) return Status::Failed(Describe(path, errno));
  } else if (errno != ENOENT) {
    return Status::Failed(Describe(path, errno));
  }
  // O_EXCL fails on anything that appeared meanwhile, a link included.
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) return Status::Failed(Describe(path, errno));
  bool ok = WriteAll(fd, bytes);
  int error_number = errno;
  if (close(fd) != 0 && ok) {
    ok = false;
    error_number = errno;
  }
  if (!ok) {
    unlink(path.c_str());
    return Status::Failed(Describe(path, error_number));
  }
  return {};
}

PathKind ProbePath(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0)
    return errno == ENOENT || errno == ENOTDIR ? PathKind::kMissing : PathKind::kFailed;
  if (S_ISREG(st.st_mode)) return PathKind::kRegular;
  if (S_ISDIR(st.st_mode)) return PathKind::kDirectory;
  return PathKind::kOther;
}

std::optional<FileStamp> StampOf(const std::string& path) { return StampOfInfo(StatPath(path)); }

std::string LocalDateTimeText(int64_t seconds) {
  const time_t t = static_cast<time_t>(seconds);
  struct tm local {};
  if (!localtime_r(&t, &local)) return {};
  char text[32];
  if (strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local) == 0) return {};
  return text;
}

std::optional<std::vector<DirEntry>> ListFolder(const std::string& path) {
  DIR* dir = opendir(path.c_str());
  if (!dir) return std::nullopt;
  std::vector<DirEntry> entries;
  const std::string prefix = path.empty() || path.back() == '/' ? path : path + "/";
  while (const dirent* e = readdir(dir)) {
    const std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    const PathKind kind = ProbePath(prefix + name);
    if (kind == PathKind::kMissing) {
      // Gone since readdir saw it, or a link that leads nowhere: a dangling
      // link is still there to see, so only the first is left out.
      struct stat st;
      if (lstat((prefix + name).c_str(), &st) != 0) continue;
    }
    entries.push_back({name, kind});
  }
  closedir(dir);
  return entries;
}

std::optional<std::string> EntrySpelling(const std::string& dir, const std::string& name) {
  const std::string path = dir.empty() || dir.back() == '/' ? dir + name : dir + "/" + name;
  const PathKind kind = ProbePath(path);
  if (kind == PathKind::kMissing || kind == PathKind::kFailed) return std::nullopt;
  return name;
}

std::string AbsolutePath(const std::string& path) {
  if (path.empty()) return path;
  std::error_code ec;
  std::filesystem::path full = std::filesystem::absolute(path, ec);
  if (ec) full = path;
  std::string out = full.lexically_normal().string();
  while (out.size() > 1 && out.back() == '/') out.pop_back();
  return out;
}

std::string NewFileSpelling(const std::string& path) {
  struct stat st;
  if (lstat(path.c_str(), &st) == 0) return path;
  const size_t slash = path.find_last_of('/');
  const size_t start = slash == std::string::npos ? 0 : slash + 1;
  const std::optional<std::string> utf8 = ShiftJisNameAsUtf8(std::string_view(path).substr(start));
  return utf8 ? path.substr(0, start) + *utf8 : path;
}

}  // namespace zepa::platform
