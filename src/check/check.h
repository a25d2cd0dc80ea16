#pragma once
// The pre-play check of a whole game: what would go wrong while it runs,
// found by reading its files with the game's own readers and command table,
// without running any of it and without a window.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/font.h"

namespace zepa::engine {

enum class Severity { kError, kNote };

struct Finding {
  std::string file;  // relative to the game directory, "/" separators, UTF-8
  size_t line = 0;   // from 1; 0 when it concerns the file as a whole
  Severity severity = Severity::kError;
  std::string message;  // UTF-8
};

struct CheckOptions {
  std::string game_dir;
  std::string scenario;   // the start scenario; empty = MAIN/SCENARIO
  std::string font_file;  // as --font: overrides ZEPA/FONT
  /// Also note what the game handles by its own choice: labels reached only
  /// by running into them, the default end sound missing, built-in wait icons.
  bool strict = false;
  platform::FontOpener open_font;  // null: glyphs are not checked
};

struct CheckReport {
  std::vector<Finding> findings;  // configuration first, then each scenario by line
  size_t errors = 0;
  size_t notes = 0;
  size_t scenarios = 0;  // scenario files read
  size_t lines = 0;      // their lines, as the game reads them
};

CheckReport CheckGame(const CheckOptions& options);

/// One "file:line: error: message" line per finding, then the count line.
std::string FormatCheckText(const CheckReport& report);
/// The same as one JSON object.
std::string FormatCheckJson(const CheckReport& report);

/// 0 when no finding is an error, else 1.
inline int CheckExitStatus(const CheckReport& report) { return report.errors ? 1 : 0; }

}  // namespace zepa::engine
