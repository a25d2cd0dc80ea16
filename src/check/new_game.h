#pragma once
// `zepa new DIR`: a small game that plays, checks clean and shows an author
// every file a game needs. Everything in it is made here: the pictures are
// drawn and the sounds synthesised by this code.
#include <iosfwd>
#include <string>
#include <vector>

#include "platform/status.h"

namespace zepa::engine {

struct NewGameFile {
  std::string name;  // relative to the game folder, "/" separators
  std::string bytes;
};

/// The files of a new game titled `title`, in the order they are written.
/// Fails when the title cannot stand in the game's text.
platform::Result<std::vector<NewGameFile>> MakeNewGameFiles(const std::string& title);

/// Writes a new game into `dir`, which must be missing or empty. Nothing is
/// written when it is neither, or when the title is refused.
platform::Status WriteNewGame(const std::string& dir, const std::string& title);

/// The command line after "new": DIR [--title TEXT]. Returns the exit status:
/// 0 made, 1 refused or failed (one line on `err`), 2 bad usage.
int RunNewGameCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace zepa::engine
