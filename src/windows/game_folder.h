#pragma once
// Which game a start of the program plays: a folder named on the command
// line, the folder of a scenario or save named there, the current folder,
// or none, when the folder chooser asks. And the folders played last, kept
// in the player's data folder for the chooser to offer first.
#include <cstddef>
#include <string>
#include <vector>

#include "platform/files.h"

namespace zepa::windows {

/// True when `dir` holds a game: its configuration rurirora.ini or the
/// default scenario story.kvs (letters in any case).
bool HoldsGame(const std::string& dir);

struct GameArguments {
  std::string game_dir;           ///< empty: nothing names a game; ask the player
  std::vector<std::string> args;  ///< the scenario and save-file arguments left
  std::string error;              ///< set when the arguments contradict each other
};

/// Sorts the program's plain arguments. `game_option` is --game's folder,
/// empty when it was not given. A folder argument names the game as
/// --game does; else a ".kvs" or ".kvd" argument whose folder holds a game
/// plays that game (a file manager opens a save that way); else a game in
/// the current folder, or any bare scenario or save argument, plays here.
GameArguments ResolveGameArguments(const std::string& game_option, std::vector<std::string> args);

/// How many folders the list keeps.
constexpr size_t kRecentFoldersKept = 8;

/// The list's file below the player's data folder; empty when that is
/// unknown.
std::string RecentFoldersPath(const std::string& user_data_dir);

/// `list` with `dir` first, its older entry gone, cut to the bound.
std::vector<std::string> WithFolderFirst(std::vector<std::string> list, const std::string& dir);

/// The folders of the list at `path` that are still folders, newest first.
/// A missing or unreadable list is an empty one.
std::vector<std::string> ReadRecentFolders(const std::string& path);

/// Puts `dir` (made absolute) first in the list at `path`, creating its
/// folder. Fails when the list could not be written.
platform::Status RememberFolder(platform::Files& files, const std::string& path,
                                const std::string& dir);

}  // namespace zepa::windows
