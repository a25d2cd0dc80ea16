#pragma once
// Game files are named the Windows way ("frame\frame.bmp", "BG01.BMP");
// here they are found below the game directory whatever their case.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace zepa::script {

class PathResolver {
 public:
  explicit PathResolver(std::string game_dir);

  /// `ResolvePath`: a name starting with "/" is already full (when it does
  /// not exist, its last components are looked up below the game directory
  /// as a relative name is, the longest tail found winning); any other is
  /// joined to the game directory, "\" read as a separator (never the second
  /// byte of a double-byte character) and each component matched against the
  /// directory's entries: exactly, then case-insensitively, then in its UTF-8
  /// form, and then all three again without trailing blanks and dots. A
  /// component that matches nothing keeps its spelling (so new files can be
  /// created).
  std::string Resolve(std::string_view name) const;

  /// The path relative to the game directory with "\" separators, or the
  /// full path when it lies elsewhere.
  std::string RelativeToGame(const std::string& full_path) const;

  const std::string& game_dir() const { return game_dir_; }

  /// Converts a Shift-JIS component to UTF-8 for a second try, since archives
  /// unpacked on Linux often convert names. Empty = no conversion.
  std::function<std::string(std::string_view)> sjis_to_utf8;

  /// How many directory listings have been read; the listings are kept and
  /// read again only when a directory changes.
  size_t listings_read() const { return listings_read_; }

 private:
  // The entries of one directory by case-folded name, the first listed entry
  // of each folded name, as a scan of the listing would find it.
  struct Listing {
    int64_t modified_ns = 0;
    bool settled = false;  // false: read again on the next lookup
    std::unordered_map<std::string, std::string> by_folded_name;
  };

  std::string ResolveFull(std::string_view name) const;
  std::string ResolveInGame(std::string_view name) const;
  std::optional<std::string> MatchEntry(const std::string& dir, const std::string& component) const;
  const Listing* ListingOf(const std::string& dir) const;

  std::string game_dir_;  // absolute, no trailing slash
  mutable std::unordered_map<std::string, Listing> listings_;
  mutable size_t listings_read_ = 0;
};

}  // namespace zepa::script
