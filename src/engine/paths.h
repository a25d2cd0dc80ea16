#pragma once
// Game files are named the Windows way ("frame\frame.bmp", "BG01.BMP");
// here they are found below the game directory whatever their case.
#include <functional>
#include <string>
#include <string_view>

namespace zepa::engine {

class PathResolver {
 public:
  explicit PathResolver(std::string game_dir);

  /// `ResolvePath`: a name starting with "/" is already full; any other is
  /// joined to the game directory, "\" read as a separator and each component
  /// matched case-insensitively against the directory's entries. A component
  /// that matches nothing keeps its spelling (so new files can be created).
  std::string Resolve(std::string_view name) const;

  /// The path relative to the game directory with "\" separators, or the
  /// full path when it lies elsewhere.
  std::string RelativeToGame(const std::string& full_path) const;

  const std::string& game_dir() const { return game_dir_; }

  /// Converts a Shift-JIS component to UTF-8 for a second try, since archives
  /// unpacked on Linux often convert names. Empty = no conversion.
  std::function<std::string(std::string_view)> sjis_to_utf8;

 private:
  std::string game_dir_;  // absolute, no trailing slash
};

}  // namespace zepa::engine
