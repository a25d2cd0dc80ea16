#pragma once
// Whole-file reads and writes with the care that shared game folders need:
// never blocking on a FIFO or device, never tearing a file another process
// reads, never writing through a link the caller did not mean. The
// implementation is the operating system's (platform/posix); game code sees
// only these functions.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/status.h"

namespace zepa::platform {

enum class ReadStatus {
  kOk,
  kMissing,     // no such file
  kNotRegular,  // a directory, FIFO, device or socket: never opened for reading
  kTooLarge,    // larger than the caller's bound
  kFailed,      // any other failure (permissions, I/O)
};

struct ReadResult {
  ReadStatus status = ReadStatus::kFailed;
  std::string bytes;  // the whole file when status is kOk
  std::string error;  // "PATH: reason" otherwise
  // The system's own words for the failure, without the path ("Is a
  // directory"); empty for a file over the bound.
  std::string reason;
};

/// Reads a regular file whole. A FIFO or device is refused without blocking.
ReadResult ReadRegularFile(const std::string& path, size_t max_bytes);

enum class ReplaceStatus {
  kReplaced,        // a new file renamed over the old one (or created)
  kWrittenInPlace,  // the folder was not writable, the file was: rewritten in place
  kNotWritable,     // the file exists but is read-only for us: nothing written
  kFailed,          // nothing written, or the old content kept
};

struct ReplaceResult {
  ReplaceStatus status = ReplaceStatus::kFailed;
  std::string error;  // "PATH: reason" when nothing was written

  bool written() const {
    return status == ReplaceStatus::kReplaced || status == ReplaceStatus::kWrittenInPlace;
  }
};

/// Replaces the content of `path` so that a reader sees the old or the new
/// bytes, never a mixture, and the last of several writers wins whole.
/// A symlink is written through: the file replaced is its target, in the
/// target's folder. The file keeps its mode (and its owner where we may set
/// it); a new file gets the usual mode for new files. A file without any
/// write permission for us, or one that is not a regular file, is left
/// untouched. When the folder is not writable but the file is, the file is
/// rewritten in place under a lock (a kill during that write can cut it).
ReplaceResult ReplaceFileContents(const std::string& path, std::string_view bytes);

/// Writes `bytes` to `path` the ordinary way: created or truncated, links
/// followed, pipes and terminals allowed (a dump to /dev/stdout). Fails
/// with "PATH: reason" when the file could not be written whole.
Status WriteWholeFile(const std::string& path, std::string_view bytes);

/// Writes a new file at `path` without following a link there. An existing
/// regular file is unlinked first; an existing link, directory or other
/// file is refused (kRefused). Fails with "PATH: reason" when not written.
Status WriteNewFile(const std::string& path, std::string_view bytes);

enum class PathKind {
  kMissing,
  kRegular,
  kDirectory,
  kOther,   // a FIFO, device or socket: nothing the game reads or writes
  kFailed,  // cannot be looked at (permissions, I/O)
};

/// What is at `path`, links followed. Never opens it, so never blocks.
PathKind ProbePath(const std::string& path);

/// When a regular file was last changed and how large it is: enough to
/// tell that a file read before is still the same.
struct FileStamp {
  int64_t modified_ns = 0;  // since the epoch
  uint64_t size_bytes = 0;

  bool operator==(const FileStamp&) const = default;
};

/// The stamp of the regular file at `path`, links followed; nothing for a
/// missing file or anything that is not a regular file. Never opens it.
std::optional<FileStamp> StampOf(const std::string& path);

/// Seconds since the epoch as the local date and time, "YYYY-MM-DD HH:MM".
std::string LocalDateTimeText(int64_t seconds);

struct DirEntry {
  std::string name;                   // the last component only, as the folder spells it
  PathKind kind = PathKind::kFailed;  // links followed, as ProbePath says
};

/// The entries of the folder `path`, without "." and "..", in no particular
/// order. An entry that vanishes while listed is left out. Nothing when the
/// folder cannot be opened (missing, not a folder, no permission).
std::optional<std::vector<DirEntry>> ListFolder(const std::string& path);

/// The entry of the folder `dir` that the system opens as `name` (one
/// component), spelled as the folder lists it; nothing when nothing is
/// there or it cannot be looked at (ProbePath's kMissing and kFailed).
/// Where names are bytes (POSIX) that is `name` itself; Windows matches a
/// name in any case, in Shift-JIS or UTF-8 and without its trailing dots
/// and blanks, and the entry's own spelling is what callers keep.
std::optional<std::string> EntrySpelling(const std::string& dir, const std::string& name);

/// What a look at `path` shows, links followed.
struct PathInfo {
  PathKind kind = PathKind::kFailed;
  uint64_t size_bytes = 0;  // of a regular file
  int64_t modified_ns = 0;  // the last change of its content, in ns since 1970
  bool operator==(const PathInfo&) const = default;
};

/// The kind, size and time of what is at `path`. Never opens it, so never
/// blocks.
PathInfo StatPath(const std::string& path);

/// False for a file time so recent that the file may change again within
/// the resolution of file times without its time or size showing it; what
/// was read of such a file is read again on its next use.
bool FileTimeSettled(int64_t modified_ns);

/// A regular file open for reading in pieces, for files too large to read
/// whole (the packed pictures are read a header and an entry at a time).
class FileReader {
 public:
  virtual ~FileReader() = default;
  /// The size when it was opened.
  virtual uint64_t size_bytes() const = 0;
  /// Reads up to `size` bytes at `offset` into `out`; how many were read,
  /// fewer only at the end of the file or on a failure.
  virtual size_t ReadAt(uint64_t offset, char* out, size_t size) = 0;
};

/// Opens a regular file for reading; nothing when it is missing, not a
/// regular file (a FIFO or device is refused without blocking) or unreadable.
std::unique_ptr<FileReader> OpenFileReader(const std::string& path);

/// `path` made absolute against the current folder, with "." and ".."
/// folded away by name (links are not followed); empty stays empty.
std::string AbsolutePath(const std::string& path);

/// `path` with the links of its existing leading part resolved and the rest
/// folded by name; empty when it cannot be looked at.
std::string CanonicalPath(const std::string& path);

/// The name a file the game is about to write at `path` goes under. A file
/// already there keeps its name; a new one whose last component is Shift-JIS
/// gets that component in UTF-8, as the desktop shows names (the lookup
/// finds either form), or its UTF-8 form when that exists already.
std::string NewFileSpelling(const std::string& path);

/// The same operations behind an object, reached through the host, so that
/// tests can put their own in place where the game's saves are written.
class Files {
 public:
  virtual ~Files() = default;

  /// Replaces the file at `path` with `bytes` as ReplaceFileContents does: at
  /// any moment the old file or the new one is there whole. On failure the
  /// message is the reason alone (the caller names the file), kRefused for
  /// a file that may not be written; the old file is then untouched.
  virtual Status AtomicWriteFile(const std::string& path, std::span<const uint8_t> bytes) = 0;

  /// True when new files can be created in the directory `dir`.
  virtual bool DirectoryWritable(const std::string& dir) = 0;

  /// Creates `dir` and its missing parents; on failure the message is the
  /// system's reason alone.
  virtual Status CreateDirectories(const std::string& dir) = 0;

  /// The user's data directory: $XDG_DATA_HOME, else $HOME/.local/share;
  /// empty when neither is known.
  virtual std::string UserDataDir() = 0;
};

}  // namespace zepa::platform
