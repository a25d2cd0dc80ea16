#include "display/packfile.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>

#include "platform/files.h"
#include "script/expression.h"
#include "script/file_names.h"

namespace zepa::display {
namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

std::string_view CutAtLineEnd(std::string_view s) {
  size_t end = s.find_first_of("\r\n");
  return end == std::string_view::npos ? s : s.substr(0, end);
}

// Nothing larger is read into memory, from the pack or from disk. The
// largest picture we decode, 4096 x 4096 at 32 bits, is 64 MiB and headers.
constexpr uint64_t kMaxFileBytes = 65ull << 20;

class PackReader {
 public:
  // The reader keeps its own buffer, so that a skip inside it costs nothing
  // and content reads go to the file directly.
  bool Open(const std::string& path) {
    file_ = platform::OpenFileReader(path);
    if (!file_) return false;
    size_bytes_ = file_->size_bytes();
    return true;
  }

  // Like fgets into a 511-byte buffer: up to 510 bytes, ending after a line
  // feed; false at the end of the file with nothing read. The line stops at
  // a NUL byte, as the C string it was read into would.
  bool ReadLine(std::string& line) {
    line.clear();
    bool any = false;
    while (line.size() < kPackLineBytes) {
      if (next_ == end_ && !Refill()) break;
      const char* from = buffer_.get() + next_;
      const size_t avail = std::min(end_ - next_, kPackLineBytes - line.size());
      const void* lf = std::memchr(from, '\n', avail);
      const size_t n = lf ? static_cast<size_t>(static_cast<const char*>(lf) - from) + 1 : avail;
      line.append(from, n);
      next_ += n;
      position_ += n;
      any = true;
      if (lf) break;
    }
    size_t nul = line.find('\0');
    if (nul != std::string::npos) line.resize(nul);
    return any;
  }

  // Reads the next entry's name and size lines. False at the end of the file.
  bool ReadHeader(std::string& name, int32_t& size) {
    if (!ReadLine(line_)) return false;
    // The directory cut is made on the stored bytes, before unscrambling.
    std::string_view view = line_;
    size_t cut = script::FindLastSeparator(view, "\\:");
    if (cut != std::string_view::npos) view.remove_prefix(cut + 1);
    name.assign(CutAtLineEnd(view));
    ScrambleLine(name);
    if (!ReadLine(line_)) return false;
    std::string size_text(CutAtLineEnd(line_));
    ScrambleLine(size_text);
    size = script::ParseNumber(size_text);
    return true;
  }

  uint64_t Position() const { return position_; }
  uint64_t Remaining() const { return position_ < size_bytes_ ? size_bytes_ - position_ : 0; }

  bool Skip(int32_t size) {
    if (size < 0 || static_cast<uint64_t>(size) > Remaining()) return false;
    const auto n = static_cast<uint64_t>(size);
    if (n <= end_ - next_) {
      next_ += static_cast<size_t>(n);
      position_ += n;
      return true;
    }
    return SeekTo(position_ + n);
  }

  bool Read(uint64_t size, std::vector<uint8_t>& out) {
    if (size > Remaining() || size > kMaxFileBytes) return false;
    out.resize(static_cast<size_t>(size));
    const size_t buffered = static_cast<size_t>(std::min<uint64_t>(size, end_ - next_));
    std::copy_n(buffer_.get() + next_, buffered, out.begin());
    next_ += buffered;
    position_ += buffered;
    const size_t rest = static_cast<size_t>(size) - buffered;
    const size_t got =
        rest == 0 ? 0
                  : file_->ReadAt(position_, reinterpret_cast<char*>(out.data() + buffered), rest);
    position_ += got;
    return got == rest;
  }

  bool SeekTo(uint64_t offset) {
    if (offset > size_bytes_) return false;
    position_ = offset;
    next_ = end_ = 0;
    sequential_ = false;
    return true;
  }

 private:
  // Right after a seek only a little is read, since the next seek may come
  // soon; reads that follow each other take the whole buffer.
  bool Refill() {
    if (!buffer_) buffer_ = std::make_unique_for_overwrite<char[]>(kBufferBytes);
    const size_t want = sequential_ ? kBufferBytes : kFirstReadBytes;
    sequential_ = true;
    // The buffer is empty here, so the file is read from the position on.
    next_ = 0;
    end_ = file_->ReadAt(position_, buffer_.get(), want);
    return end_ > 0;
  }

  static constexpr size_t kFirstReadBytes = 4096;
  static constexpr size_t kBufferBytes = 64 * 1024;
  std::unique_ptr<char[]> buffer_;
  size_t next_ = 0;
  size_t end_ = 0;
  bool sequential_ = false;
  std::unique_ptr<platform::FileReader> file_;
  std::string line_;
  uint64_t size_bytes_ = 0;
  uint64_t position_ = 0;
};

// The old lookup: entries from the reader's position on, the first of the
// name wins, and a skip that cannot be made ends the search.
std::optional<std::vector<uint8_t>> ScanFrom(PackReader& reader, std::string_view bare_name) {
  std::string name;
  int32_t size = 0;
  while (reader.ReadHeader(name, size)) {
    if (EqualNoCase(name, bare_name)) {
      // A size that is negative or runs past the end cannot be had; the
      // lookup fails rather than return bytes the entry does not hold.
      std::vector<uint8_t> bytes;
      if (size < 0 || !reader.Read(static_cast<uint64_t>(size), bytes)) return std::nullopt;
      return bytes;
    }
    // A negative skip would seek backwards and could loop for ever.
    if (!reader.Skip(size)) return std::nullopt;
  }
  return std::nullopt;
}

uint32_t HashName(std::string_view folded) {
  uint32_t h = 2166136261u;
  for (char c : folded) h = (h ^ static_cast<uint8_t>(c)) * 16777619u;
  return h;
}

}  // namespace

void ScrambleLine(std::string& line) {
  for (size_t i = 0; i < line.size(); ++i) {
    const unsigned b = static_cast<uint8_t>(line[i]);
    if (b == 0 || b == '\r' || b == '\n') continue;
    const unsigned n = (511u - b - static_cast<unsigned>(i % 256)) & 0xffu;
    if (n == 0 || n == '\r' || n == '\n') continue;
    line[i] = static_cast<char>(n);
  }
}

std::string_view BareName(std::string_view path) { return script::FileNamePart(path); }

std::optional<std::vector<uint8_t>> PackIndex::Find(const std::string& pack_path,
                                                    std::string_view bare_name) {
  const platform::PathInfo info = platform::StatPath(pack_path);
  if (info.kind != platform::PathKind::kRegular) {
    valid_ = false;
    return std::nullopt;
  }
  if (!valid_ || !settled_ || path_ != pack_path || modified_ns_ != info.modified_ns ||
      size_bytes_ != info.size_bytes) {
    path_ = pack_path;
    modified_ns_ = info.modified_ns;
    size_bytes_ = info.size_bytes;
    settled_ = platform::FileTimeSettled(info.modified_ns);
    valid_ = Build(pack_path);
    if (!valid_) return std::nullopt;
  }

  const std::string folded = script::FoldAsciiCase(bare_name);
  PackReader reader;
  if (const Entry* e = Probe(folded, HashName(folded))) {
    std::vector<uint8_t> bytes;
    if (e->size < 0 || !reader.Open(pack_path) || !reader.SeekTo(e->content_offset) ||
        !reader.Read(static_cast<uint64_t>(e->size), bytes))
      return std::nullopt;
    return bytes;
  }
  if (!truncated_ || !reader.Open(pack_path) || !reader.SeekTo(resume_offset_)) return std::nullopt;
  return ScanFrom(reader, bare_name);
}

bool PackIndex::Build(const std::string& pack_path) {
  ++builds_;
  names_.clear();
  entries_.clear();
  slots_.assign(1024, Slot{});
  truncated_ = false;
  resume_offset_ = 0;
  PackReader reader;
  if (!reader.Open(pack_path)) return false;
  std::string name;
  std::string folded;
  int32_t size = 0;
  for (;;) {
    const uint64_t header_offset = reader.Position();
    if (!reader.ReadHeader(name, size)) break;
    folded = name;
    for (char& c : folded) c = Lower(c);
    const uint32_t hash = HashName(folded);
    if (!Probe(folded, hash)) {
      if (entries_.size() >= max_entries_ || names_.size() + folded.size() > max_name_bytes_) {
        truncated_ = true;
        resume_offset_ = header_offset;
        break;
      }
      Insert(folded, hash, reader.Position(), size);
    }
    // Entries after a skip that cannot be made are out of reach of a scan.
    if (!reader.Skip(size)) break;
  }
  return true;
}

const PackIndex::Entry* PackIndex::Probe(std::string_view folded, uint32_t hash) const {
  const size_t mask = slots_.size() - 1;
  for (size_t i = hash & mask;; i = (i + 1) & mask) {
    const Slot& slot = slots_[i];
    if (slot.entry == 0) return nullptr;
    if (slot.hash != hash) continue;
    const Entry& e = entries_[slot.entry - 1];
    if (std::string_view(names_).substr(e.name_pos, e.name_len) == folded) return &e;
  }
}

void PackIndex::Insert(std::string_view folded, uint32_t hash, uint64_t content_offset,
                       int32_t size) {
  if ((entries_.size() + 1) * 2 > slots_.size()) {
    // Grown to keep at most half the slots in use, so probes stay short.
    std::vector<Slot> grown(slots_.size() * 2);
    const size_t mask = grown.size() - 1;
    for (const Slot& slot : slots_) {
      if (slot.entry == 0) continue;
      size_t i = slot.hash & mask;
      while (grown[i].entry != 0) i = (i + 1) & mask;
      grown[i] = slot;
    }
    slots_.swap(grown);
  }
  entries_.push_back({content_offset, static_cast<uint32_t>(names_.size()), size,
                      static_cast<uint16_t>(folded.size())});
  names_.append(folded);
  const size_t mask = slots_.size() - 1;
  size_t i = hash & mask;
  while (slots_[i].entry != 0) i = (i + 1) & mask;
  slots_[i] = {hash, static_cast<uint32_t>(entries_.size())};
}

std::optional<std::vector<uint8_t>> FindInPackFile(const std::string& pack_path,
                                                   std::string_view bare_name) {
  // The game runs on one thread and looks up one packed file.
  static PackIndex index;
  return index.Find(pack_path, bare_name);
}

std::optional<std::vector<uint8_t>> ScanPackFile(const std::string& pack_path,
                                                 std::string_view bare_name) {
  PackReader reader;
  if (!reader.Open(pack_path)) return std::nullopt;
  return ScanFrom(reader, bare_name);
}

std::optional<std::vector<uint8_t>> OpenPicture(const std::string& pack_path,
                                                const std::string& path) {
  if (auto packed = FindInPackFile(pack_path, BareName(path))) return packed;
  PackReader reader;
  if (!reader.Open(path)) return std::nullopt;
  std::vector<uint8_t> bytes;
  const uint64_t size = reader.Remaining();
  if (size == 0 || !reader.Read(size, bytes)) return std::nullopt;
  return bytes;
}

platform::Result<std::string> BuildPackEntry(std::string_view bare_name,
                                             std::span<const uint8_t> content) {
  auto fail = [](std::string message) {
    return platform::Status(platform::StatusCode::kInvalid, std::move(message));
  };
  std::string quoted(1, '"');
  quoted.append(bare_name);
  quoted += '"';
  if (bare_name.empty()) return fail("empty entry name");
  if (bare_name.find_first_of(std::string_view("\0\r\n", 3)) != std::string_view::npos)
    return fail("entry name " + quoted + " holds a line break or NUL byte");
  // A lookup takes the part of a path after its last separator, so a name
  // that holds one is never asked for.
  if (script::FindLastSeparator(bare_name, "/\\:") != std::string_view::npos)
    return fail("entry name " + quoted + " holds a path separator");
  if (bare_name.size() + 1 > kPackLineBytes)
    return fail("entry name " + quoted + " is longer than " + std::to_string(kPackLineBytes - 1) +
                " bytes");
  if (content.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max()))
    return fail("content of " + quoted + " is larger than 2147483647 bytes");
  std::string name(bare_name);
  ScrambleLine(name);
  // A reader cuts the stored name at its last backslash or colon, stepping
  // over double-byte characters as it does.
  size_t bad = script::FindLastSeparator(name, "\\:");
  if (bad != std::string::npos)
    return fail("entry name " + quoted + " cannot be stored: byte " + std::to_string(bad) +
                " scrambles to a backslash or colon; rename the file");
  std::string size_line = std::to_string(content.size());
  ScrambleLine(size_line);
  std::string entry;
  entry.reserve(name.size() + size_line.size() + 2 + content.size());
  entry += name;
  entry += '\n';
  entry += size_line;
  entry += '\n';
  entry.append(reinterpret_cast<const char*>(content.data()), content.size());
  return entry;
}

platform::Result<std::vector<PackEntry>> ListPackFile(const std::string& pack_path) {
  auto fail = [](std::string message) {
    return platform::Status(platform::StatusCode::kInvalid, std::move(message));
  };
  PackReader reader;
  if (!reader.Open(pack_path))
    return platform::Status(platform::StatusCode::kMissing, "cannot read " + pack_path);
  std::vector<PackEntry> entries;
  std::string name;
  int32_t size = 0;
  while (true) {
    const uint64_t start = reader.Position();
    if (!reader.ReadHeader(name, size)) {
      if (reader.Position() == start) break;  // a clean end after the last entry
      return fail("entry at offset " + std::to_string(start) + " has no size line");
    }
    if (size < 0 || static_cast<uint64_t>(size) > reader.Remaining())
      return fail("entry \"" + name + "\" at offset " + std::to_string(start) +
                  " claims " + std::to_string(size) + " bytes; the file is damaged");
    entries.push_back({name, static_cast<uint64_t>(size), reader.Position()});
    reader.Skip(size);
  }
  return entries;
}

std::optional<std::vector<uint8_t>> ReadPackEntry(const std::string& pack_path,
                                                  const PackEntry& entry) {
  PackReader reader;
  std::vector<uint8_t> bytes;
  if (!reader.Open(pack_path) || !reader.SeekTo(entry.offset) || !reader.Read(entry.size_bytes, bytes))
    return std::nullopt;
  return bytes;
}

}  // namespace zepa::display
