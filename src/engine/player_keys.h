#pragma once
// The player's layer inside the main window: history, read marks, skip,
// auto-forward, the quick save, settings, screenshots and the corner mark.
// None of it is part of the game: no variable, save or window of the game
// changes through it.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "player/history.h"
#include "player/player_files.h"
#include "player/read_marks.h"
#include "player/settings.h"

namespace zepa::engine {

/// The quick save's file, in the save folder beside the slots.
constexpr const char* kQuickSaveName = "QUICK.kvd";

/// What the player's keys change (the main window acts on it).
struct PlayerState {
  player::History history;
  player::ReadMarks marks;
  player::Settings settings;
  player::Settings settings_on_disk;  // as last read or written
  bool skip_toggled = false;          // Tab
  bool auto_on = false;               // A
  // The scaling last handed to the host, so that only a change reaches it.
  std::optional<platform::ScaleMode> scaling_applied;
  // A player key was used: only then does the dump carry the player's
  // fields, so dumps of games that never get them stay as they were.
  bool used = false;

  // The text wait on the screen: its message, and whether its line had
  // been read before it was shown.
  std::string text_shown;
  bool text_was_read = false;
  uint64_t text_serial = 0;
  uint64_t auto_serial = 0;
  std::optional<uint32_t> auto_since_ms;

  std::string notice;  // game text
  uint32_t notice_until_ms = 0;
  std::string badge_shown;
  // Whether what runs now may be hurried by a skip (not text unread).
  bool hurry_allowed = false;
  // The options of the choice on the screen, kept for the history.
  std::string choice_options;

  // What the last look saw, to tell when a choice was taken.
  int last_adv_mode = -1;
  uint32_t last_generation = 0;

  // Line starts of the scenario being played, for line numbers.
  std::optional<uint32_t> lines_generation;
  std::vector<size_t> line_starts;
};

/// The 0-based line number of the byte `offset` of `text`, with
/// `line_starts` the offsets where its lines begin.
size_t LineNumberAt(const std::vector<size_t>& line_starts, size_t offset);
std::vector<size_t> LineStarts(std::string_view text);

/// True when the scenario line starting at `offset` shows text.
bool IsTextLine(std::string_view text, size_t offset);

/// The text of the corner mark: what is on, then the notice.
std::string BadgeText(bool skip, bool auto_on, const std::string& notice);

}  // namespace zepa::engine
