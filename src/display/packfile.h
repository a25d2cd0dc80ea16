#pragma once
// The packed picture file: a plain run of entries, each a scrambled name
// line, a scrambled size line and the raw file bytes. It is read from the
// start on every lookup; nothing is cached.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zepa::display {

// A stored line, its line ending included, is at most this long; a longer
// one is read in pieces and throws every later entry out of step.
constexpr size_t kPackLineBytes = 510;

// The byte b at position i becomes (511 - b - i) mod 256 unless b is CR, LF
// or NUL or the result would be 0, CR or LF. Its own inverse.
void ScrambleLine(std::string& line);

// The bytes of the entry named `bare_name` (compared without ASCII case), or
// nothing when the file is missing or holds no such entry.
std::optional<std::vector<uint8_t>> FindInPackFile(const std::string& pack_path,
                                                   std::string_view bare_name);

// The picture at `path`: its bare name looked up in the pack first, then the
// file itself read whole. Nothing when neither has it or the file is empty.
std::optional<std::vector<uint8_t>> OpenPicture(const std::string& pack_path,
                                                const std::string& path);

// The part of `path` after its last '/', '\\' or ':'.
std::string_view BareName(std::string_view path);

// One entry as stored: name line, size line, content. Empty with a message
// in *error when the name cannot be stored so that a reader finds it.
std::string BuildPackEntry(std::string_view bare_name, std::span<const uint8_t> content,
                           std::string* error);

struct PackEntry {
  std::string name;      // as a lookup compares it
  uint64_t size_bytes = 0;
  uint64_t offset = 0;   // of the content from the start of the file
};

// Every entry in file order, read by the same rules as a lookup. Nothing,
// with a message in *error, when the file cannot be read or an entry's size
// line is damaged or its content runs past the end.
std::optional<std::vector<PackEntry>> ListPackFile(const std::string& pack_path,
                                                   std::string* error);

// The content of one listed entry.
std::optional<std::vector<uint8_t>> ReadPackEntry(const std::string& pack_path,
                                                  const PackEntry& entry);

}  // namespace zepa::display
