#include "engine/player_config.h"

#include "save/save_folder.h"

namespace zepa::engine {

std::string PlayerConfigPath(platform::Files* files, const std::string& game_dir) {
  if (!files || files->DirectoryWritable(game_dir)) return {};
  const std::string user_data = files->UserDataDir();
  if (user_data.empty()) return {};
  // The folder the saves of a read-only game go to.
  return save::ChooseSaveDir("", game_dir, false, user_data) + "/rurirora.ini";
}

void OverlayPlayerConfig(IniFile& ini, const IniFile& player) {
  for (const IniFile::Entry& e : player.Entries())
    if (!e.shadowed) ini.Set(e.section, e.key, e.value);
}

}  // namespace zepa::engine
