#pragma once
// Which text lines the player has seen: one bitmap of line numbers per
// scenario file name, kept across runs so that skipping can tell read text
// from new.
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zepa::player {

class ReadMarks {
 public:
  /// Lines past this are never marked (a scenario that long is no game).
  static constexpr size_t kMaxLine = size_t{1} << 22;
  static constexpr size_t kMaxFiles = 256;
  static constexpr size_t kMaxNameBytes = 255;
  /// The largest file Serialize can write, and the most Parse accepts.
  static constexpr size_t kMaxBytes = size_t{4} << 20;

  /// Marks `line` (0-based) of `file` read. False when it was read already
  /// or lies beyond what is kept (a new file past kMaxFiles, a line past
  /// kMaxLine, an over-long name).
  bool Mark(std::string_view file, size_t line);
  bool IsRead(std::string_view file, size_t line) const;
  /// How many lines are marked, over all files.
  size_t count() const { return count_; }
  /// True when a mark was added since the last Serialize or Parse.
  bool changed() const { return changed_; }

  /// The bytes of the `read` file: a magic line, then per file its name's
  /// length (2 bytes), the name, the bitmap's length (4 bytes) and the
  /// bitmap, little-endian, bit n of the map standing for line n.
  std::string Serialize();
  /// The marks of `bytes`; nullopt when they are damaged or too large.
  static std::optional<ReadMarks> Parse(std::string_view bytes);

 private:
  std::map<std::string, std::vector<uint8_t>, std::less<>> files_;
  size_t count_ = 0;
  bool changed_ = false;
};

}  // namespace zepa::player
