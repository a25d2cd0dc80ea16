#pragma once
// Where the player's own files live and how they are read and written:
// through the platform's file functions only, a damaged file ignored with
// one warning and replaced whole on the next write.
#include <string>
#include <string_view>

#include "platform/files.h"
#include "player/read_marks.h"
#include "player/settings.h"

namespace zepa::player {

/// The player's files for one game; an empty path keeps that part in
/// memory only (headless runs without a save folder).
struct PlayerPaths {
  std::string read_marks;
  std::string settings;
  /// Where F12 writes; empty: no screenshots.
  std::string screenshots;
};

/// What the desktop tells about the user's folders.
struct UserFolders {
  std::string home;
  std::string data_home;    // $XDG_DATA_HOME, may be empty
  std::string config_home;  // $XDG_CONFIG_HOME, may be empty
  std::string user_dirs;    // the text of user-dirs.dirs, may be empty
};

/// The game's name for the player's files: the last component of its
/// folder (the folder's own name for ".").
std::string GameName(std::string_view game_dir, std::string_view current_dir);

/// The pictures folder `user-dirs.dirs` names (XDG_PICTURES_DIR, "$HOME"
/// expanded), else HOME/Pictures; empty when neither is known.
std::string PicturesDir(std::string_view user_dirs, std::string_view home);

/// The files of a game played in the window.
PlayerPaths WindowPaths(std::string_view game, const UserFolders& folders);

/// Reads the marks at `path`; a missing file is no marks, a damaged or
/// oversized one is warned about and ignored.
ReadMarks LoadReadMarks(const std::string& path);
Settings LoadSettings(const std::string& path);

/// Replaces the file whole, making its folder when needed. False, with a
/// warning, when it could not be written.
bool WritePlayerFile(platform::Files* files, const std::string& path, std::string_view bytes);

}  // namespace zepa::player

namespace zepa::player {

/// The player's files as the program finds them from its environment
/// ($HOME, $XDG_DATA_HOME, $XDG_CONFIG_HOME and the desktop's
/// user-dirs.dirs). Headless runs keep read marks and settings in
/// `save_dir` when one is given, else in memory, and write screenshots only
/// into `shot_dir`.
PlayerPaths PathsFromEnvironment(std::string_view game, bool headless, const std::string& save_dir,
                                 const std::string& shot_dir);

}  // namespace zepa::player
