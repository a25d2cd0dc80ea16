#pragma once
// The configuration of a game whose folder cannot be written (a game
// installed read-only): what the game would write back into its own
// rurirora.ini goes to the player's folder for that game, beside its saves,
// and is read over the game's file at the next start.
#include <string>

#include "engine/ini_file.h"
#include "platform/files.h"

namespace zepa::engine {

/// The player's copy for the game in `game_dir`; empty when the game's own
/// file is to be used (its folder can be written, or no data folder is
/// known).
std::string PlayerConfigPath(platform::Files* files, const std::string& game_dir);

/// Sets in `ini` every key that `player` holds, to the player's value.
void OverlayPlayerConfig(IniFile& ini, const IniFile& player);

}  // namespace zepa::engine
