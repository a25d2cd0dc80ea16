#pragma once
// zepa-save: prints a save file as text and writes its pictures out, for
// authors and bug reports. It reads files with the game's own reader.
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/surface.h"

namespace zepa::save {

/// Writes a picture file; the tool is handed the platform's PNG writer.
using PictureWriter = std::function<bool(const platform::Surface&, const std::string& path)>;

/// "dump FILE" and "extract FILE DIR" (DIR made through `files`). Returns
/// the exit status.
int RunSaveTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                const PictureWriter& write_png, platform::Files& files);

}  // namespace zepa::save
