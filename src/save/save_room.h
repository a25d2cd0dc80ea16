#pragma once
// The save room: writes the running game into a save file and restores it,
// places the files (the slots, names chosen in a dialog, the save directory)
// and carries out what the save and load windows ask for. The windows only
// choose; everything they choose is done here.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/saved_state.h"
#include "platform/host.h"
#include "save/save_file.h"
#include "script/interpreter.h"
#include "script/paths.h"
#include "script/variables.h"

namespace zepa::save {

/// Save files larger than this are not read: three pictures of a 640 x 480
/// game and a full variable table take well under a megabyte.
constexpr size_t kMaxSaveFileBytes = 64u << 20;

/// The number of fixed slots, "DATA1.kvd" to "DATA5.kvd".
constexpr int kSlotCount = 5;

enum class ReadResult {
  kRestored,        // the game is the saved one
  kNotOpened,       // the file could not be read: nothing changed
  kScenarioFailed,  // the saved scenario could not be loaded (reported): nothing changed
};

/// The extension test of `LoadChosenFile`: the text from the last "." when
/// no "\", "/" or ":" follows it, else empty.
std::string_view ChosenFileExtension(std::string_view name);

/// The name a save is written under: ".kvd" is appended unless the last
/// component already ends in ".kvd" (any case).
std::string WithSaveExtension(std::string name);

/// Whether `SaveLoadWindow` shows its SAVE button; a `SaveAllowed` of 2
/// allows this one showing and becomes 0.
bool TakeSaveButton(script::SavePermission* save_allowed);

/// Where saves go: `option` when given; else the game directory when it can
/// be written, else <user data>/zepa/<game directory's name> (the game
/// directory again when no user data directory is known).
std::string ChooseSaveDir(const std::string& option, const std::string& game_dir,
                          bool game_dir_writable, const std::string& user_data_dir);

/// "DATA1.kvd" for slot 1, and so on.
std::string SlotFileName(int slot);

class SaveRoom {
 public:
  /// `game` loads scenarios and resets the game state; the rooms, the
  /// variables and the interpreter state are those of the running game.
  SaveRoom(platform::Host& host, const script::PathResolver& paths, engine::GameRooms rooms,
           script::VariableTable& vars, script::CommandSink& game);
  SaveRoom(const SaveRoom&) = delete;
  SaveRoom& operator=(const SaveRoom&) = delete;

  /// Where saves go (--save-dir). Empty: the game directory, or, when that
  /// cannot be written, $XDG_DATA_HOME/zepa/<game directory's name>.
  void SetSaveDir(std::string dir) { save_dir_option_ = std::move(dir); }
  /// The directory saves are written to now.
  std::string SaveDir() const;
  /// The game directory: where bare names resolve and dialogs start.
  const std::string& GameDir() const { return paths_.game_dir(); }
  /// The directories the load window lists, the save directory first.
  std::vector<std::string> ListedDirs() const;

  /// `WriteSaveData`: saves the game as it stands, recording `adv_mode` as
  /// its wait state. A file that cannot be written is reported in the error
  /// box with the file's name and the reason; the game goes on. Returns
  /// whether the file was written.
  bool WriteSaveData(std::string_view name, int adv_mode);

  /// `ReadSaveData`. When the file cannot be read, `why` (when given) gets
  /// the file's name and the reason.
  ReadResult ReadSaveData(std::string_view name, std::string* why = nullptr);

  /// `LoadChosenFile`: a ".kvs" name or an "http:" address starts that
  /// scenario, a ".kvd" name restores that save, anything else is refused
  /// with a message. `adv_mode_before` is the wait state from before the
  /// window; the interpreter's `adv_mode` is left as the table says.
  void LoadChosenFile(std::string_view name, int adv_mode_before);

  /// True when the slot's file exists where saves are written or listed.
  bool SlotUsed(int slot) const;
  /// Bare names of the ".kvd" or ".kvs" (`ext` without its dot) files of the
  /// listed directories: plain files only, at most 100, sorted by bytes.
  std::vector<std::string> ListFiles(std::string_view ext) const;

  /// The full path a save under `name` is written to (".kvd" not yet added).
  std::string WritePath(std::string_view name) const;
  /// The full path a save named `name` is read from: a bare name is looked
  /// for in the save directory first, then in the game directory.
  std::string ReadPath(std::string_view name) const;

 private:
  platform::Host& host_;
  const script::PathResolver& paths_;
  engine::GameRooms rooms_;
  script::VariableTable& vars_;
  script::CommandSink& game_;
  std::string save_dir_option_;
};

}  // namespace zepa::save
