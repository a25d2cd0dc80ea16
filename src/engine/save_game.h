#pragma once
// The save game: writes the running game into a save file and restores it,
// and carries out what the save and load windows chose. Where the files go
// and their bytes on disk are the save folder's (save/save_folder.h); what
// the bytes say is the save file's (save/save_file.h).
#include <string>
#include <string_view>

#include "engine/saved_state.h"
#include "platform/host.h"
#include "save/save_folder.h"
#include "script/interpreter.h"
#include "script/variables.h"

namespace zepa::engine {

enum class ReadResult {
  kRestored,        // the game is the saved one
  kNotOpened,       // the file could not be read: nothing changed
  kScenarioFailed,  // the saved scenario could not be loaded (reported): nothing changed
};

class SaveGame {
 public:
  /// `game` loads scenarios and resets the game state; the rooms, the
  /// variables and the interpreter state are those of the running game.
  SaveGame(platform::Host& host, const save::SaveFolder& folder, GameRooms rooms,
           script::VariableTable& vars, script::CommandSink& game);
  SaveGame(const SaveGame&) = delete;
  SaveGame& operator=(const SaveGame&) = delete;

  /// `WriteSaveData`: saves the game as it stands, recording `adv_mode` as
  /// its wait state. A file that cannot be written is reported in the error
  /// box with the file's name and the reason; the game goes on. Returns
  /// whether the file was written.
  bool WriteSaveData(std::string_view name, int adv_mode);

  /// `ReadSaveData`: reads the save named `name` through the save folder
  /// and restores it (`ApplySaveBytes`).
  ReadResult ReadSaveData(std::string_view name);
  /// Restores the save whose bytes are given: the saved scenario first, so
  /// that one that cannot be loaded leaves the running game as it was.
  ReadResult ApplySaveBytes(const std::vector<uint8_t>& bytes);

  /// `LoadChosenFile`: a ".kvs" name or an "http:" address starts that
  /// scenario, a ".kvd" name restores that save, anything else is refused
  /// with a message. `adv_mode_before` is the wait state from before the
  /// window; the interpreter's `adv_mode` is left as the table says.
  void LoadChosenFile(std::string_view name, int adv_mode_before);

 private:
  platform::Host& host_;
  const save::SaveFolder& folder_;
  GameRooms rooms_;
  script::VariableTable& vars_;
  script::CommandSink& game_;
};

}  // namespace zepa::engine
