#pragma once
// An initialisation file read and written the way the Windows profile
// functions do it: names case-insensitive, the first of duplicate sections
// or keys wins, and writing a key keeps every other line as it was.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/status.h"

namespace zepa::engine {

class IniFile {
 public:
  /// Reads the file; a missing or unreadable file gives an empty one. Only
  /// regular files are read, and a FIFO never blocks.
  static IniFile Load(const std::string& path);
  static IniFile Parse(std::string_view text);

  /// The value text, or nullopt when the key is missing.
  std::optional<std::string> Get(std::string_view section, std::string_view key) const;
  /// A string key: the default only when the key is missing.
  std::string GetString(std::string_view section, std::string_view key, std::string_view def) const;
  /// An integer key: its leading decimal number; a missing key or a value
  /// without one gives the default.
  int GetInt(std::string_view section, std::string_view key, int def) const;

  void Set(std::string_view section, std::string_view key, std::string_view value);
  void SetInt(std::string_view section, std::string_view key, int value);
  /// Removes every occurrence of the key in the section.
  void Remove(std::string_view section, std::string_view key);

  std::string Text() const;

  struct Entry {
    std::string section;
    std::string key;
    std::string value;      // as Get returns it
    size_t line = 0;        // from 1
    bool shadowed = false;  // an earlier section or key of the same name wins
  };
  /// Every key line in file order, for tools that look the file over.
  std::vector<Entry> Entries() const;

  /// Writes the file whole (platform::ReplaceFileContents): through a
  /// symlink, keeping its mode, never over a read-only file. A file that
  /// existed but could not be loaded is never written. Fails, naming the
  /// file, when nothing was written.
  platform::Status Save(const std::string& path) const;

 private:
  struct Line {
    std::string text;  // without the line ending
  };
  // Index of the section header line, or nullopt.
  std::optional<size_t> FindSection(std::string_view section) const;
  // Index of the key line inside the section starting after `header`.
  std::optional<size_t> FindKey(size_t header, std::string_view key) const;
  size_t SectionEnd(size_t header) const;

  std::vector<Line> lines_;
  std::string eol_ = "\r\n";
  bool final_eol_ = true;
  bool unreadable_ = false;  // Load found a file it could not read
};

/// The standard profile-integer reading of a value text.
std::optional<int> ProfileInt(std::string_view value);

}  // namespace zepa::engine
