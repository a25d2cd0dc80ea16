#pragma once
// The packed picture file: a plain run of entries, each a scrambled name
// line, a scrambled size line and the raw file bytes. Its entries are indexed
// once and read again only when the file changes.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/status.h"

namespace zepa::display {

// A stored line, its line ending included, is at most this long; a longer
// one is read in pieces and throws every later entry out of step.
constexpr size_t kPackLineBytes = 510;

// The byte b at position i becomes (511 - b - i) mod 256 unless b is CR, LF
// or NUL or the result would be 0, CR or LF. Its own inverse.
void ScrambleLine(std::string& line);

// The entries of one packed file by case-folded name, so that a lookup is a
// hash probe. It answers exactly as a scan from the start would: the first
// entry of a name wins, and entries after a damaged size are out of reach.
class PackIndex {
 public:
  // Bounds on what one index holds, so that a hostile file of tiny entries
  // cannot take gigabytes; names past them are found by a scan as before.
  static constexpr size_t kMaxEntries = size_t{1} << 22;
  static constexpr size_t kMaxNameBytes = size_t{64} << 20;

  PackIndex() = default;
  PackIndex(size_t max_entries, size_t max_name_bytes)
      : max_entries_(max_entries), max_name_bytes_(max_name_bytes) {}

  // The bytes of the entry named `bare_name` (compared without ASCII case),
  // or nothing when the file is missing or holds no such entry. The index is
  // read again when the file's path, time or size has changed.
  std::optional<std::vector<uint8_t>> Find(const std::string& pack_path,
                                           std::string_view bare_name);

  // How many times a file has been indexed.
  size_t builds() const { return builds_; }

 private:
  struct Entry {
    uint64_t content_offset;
    uint32_t name_pos;  // of the folded name in names_
    int32_t size;
    uint16_t name_len;
  };
  struct Slot {
    uint32_t hash = 0;
    uint32_t entry = 0;  // entry number + 1; 0 is an empty slot
  };

  bool Build(const std::string& pack_path);
  const Entry* Probe(std::string_view folded, uint32_t hash) const;
  void Insert(std::string_view folded, uint32_t hash, uint64_t content_offset, int32_t size);

  size_t max_entries_ = kMaxEntries;
  size_t max_name_bytes_ = kMaxNameBytes;
  std::string path_;
  int64_t modified_ns_ = 0;
  uint64_t size_bytes_ = 0;
  bool valid_ = false;
  bool settled_ = false;
  std::string names_;
  std::vector<Entry> entries_;
  std::vector<Slot> slots_;
  // Set when the index stopped at its size bound: names it lacks are then
  // looked for by a scan from resume_offset_ on.
  bool truncated_ = false;
  uint64_t resume_offset_ = 0;
  size_t builds_ = 0;
};

// The bytes of the entry named `bare_name` (compared without ASCII case), or
// nothing when the file is missing or holds no such entry. Uses one index
// kept for the process, since the game looks up one packed file.
std::optional<std::vector<uint8_t>> FindInPackFile(const std::string& pack_path,
                                                   std::string_view bare_name);

// The same answer by a plain scan from the start of the file, without index.
std::optional<std::vector<uint8_t>> ScanPackFile(const std::string& pack_path,
                                                 std::string_view bare_name);

// The picture at `path`: its bare name looked up in the pack first, then the
// file itself read whole. Nothing when neither has it or the file is empty.
std::optional<std::vector<uint8_t>> OpenPicture(const std::string& pack_path,
                                                const std::string& path);

// The part of `path` after its last '/', '\\' or ':' (never the second byte of
// a double-byte character).
std::string_view BareName(std::string_view path);

// One entry as stored: name line, size line, content. Fails (kInvalid) when
// the name cannot be stored so that a reader finds it.
platform::Result<std::string> BuildPackEntry(std::string_view bare_name,
                                             std::span<const uint8_t> content);

struct PackEntry {
  std::string name;      // as a lookup compares it
  uint64_t size_bytes = 0;
  uint64_t offset = 0;   // of the content from the start of the file
};

// Every entry in file order, read by the same rules as a lookup. Fails when
// the file cannot be read (kMissing) or an entry's size line is damaged or
// its content runs past the end (kInvalid).
platform::Result<std::vector<PackEntry>> ListPackFile(const std::string& pack_path);

// The content of one listed entry.
std::optional<std::vector<uint8_t>> ReadPackEntry(const std::string& pack_path,
                                                  const PackEntry& entry);

}  // namespace zepa::display
