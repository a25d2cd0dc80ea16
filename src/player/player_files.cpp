#include "player/player_files.h"

#include <cstdlib>

#include "platform/log.h"
#include "platform/path_names.h"
#include "platform/system.h"

namespace zepa::player {
namespace {

std::string Join(std::string_view dir, std::string_view name) {
  std::string out(dir);
  if (!out.empty() && out.back() != '/') out += '/';
  out += name;
  return out;
}

std::string_view LastComponent(std::string_view path) {
  while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
  const size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// Reads a player file: its bytes, or nothing (a missing file silently, a
// file that cannot be read with a warning).
std::optional<std::string> ReadPlayerFile(const std::string& path, size_t max_bytes) {
  if (path.empty()) return std::nullopt;
  platform::ReadResult read = platform::ReadRegularFile(path, max_bytes);
  if (read.status == platform::ReadStatus::kOk) return std::move(read.bytes);
  if (read.status != platform::ReadStatus::kMissing)
    platform::LogWarning("zepa: %s: ignored, it will be replaced\n", read.error.c_str());
  return std::nullopt;
}

}  // namespace

std::string GameName(std::string_view game_dir, std::string_view current_dir) {
  std::string_view name = LastComponent(game_dir);
  if (name == "." || name.empty()) name = LastComponent(current_dir);
  if (name.empty() || name == "/" || name == "..") return "game";
  return std::string(name);
}

std::string PicturesDir(std::string_view user_dirs, std::string_view home) {
  while (!user_dirs.empty()) {
    const size_t lf = user_dirs.find('\n');
    std::string_view line = user_dirs.substr(0, lf);
    user_dirs.remove_prefix(lf == std::string_view::npos ? user_dirs.size() : lf + 1);
    constexpr std::string_view kKey = "XDG_PICTURES_DIR=\"";
    if (!line.starts_with(kKey)) continue;
    line.remove_prefix(kKey.size());
    const size_t quote = line.find('"');
    if (quote == std::string_view::npos) continue;
    line = line.substr(0, quote);
    std::string dir;
    if (line.starts_with("$HOME")) {
      if (home.empty()) continue;
      dir = std::string(home) + std::string(line.substr(5));
    } else if (line.starts_with("/")) {
      dir = std::string(line);
    } else {
      continue;  // the desktop writes only these two forms
    }
    return dir;
  }
  return home.empty() ? std::string() : Join(home, "Pictures");
}

PlayerPaths WindowPaths(std::string_view game, const UserFolders& f) {
  PlayerPaths p;
  const std::string data = !f.data_home.empty() ? f.data_home
                           : !f.home.empty()    ? Join(f.home, ".local/share")
                                                : std::string();
  const std::string config = !f.config_home.empty() ? f.config_home
                             : !f.home.empty()      ? Join(f.home, ".config")
                                                    : std::string();
  if (!data.empty()) p.read_marks = Join(Join(Join(data, "zepa"), game), "read");
  if (!config.empty()) p.settings = Join(Join(config, "zepa"), std::string(game) + ".ini");
  const std::string pictures = PicturesDir(f.user_dirs, f.home);
  if (!pictures.empty()) p.screenshots = Join(pictures, "zepa");
  return p;
}

ReadMarks LoadReadMarks(const std::string& path) {
  const std::optional<std::string> bytes = ReadPlayerFile(path, ReadMarks::kMaxBytes);
  if (!bytes) return {};
  std::optional<ReadMarks> marks = ReadMarks::Parse(*bytes);
  if (marks) return std::move(*marks);
  platform::LogWarning("zepa: %s: damaged read marks ignored, they will be replaced\n",
                       path.c_str());
  return {};
}

Settings LoadSettings(const std::string& path) {
  const std::optional<std::string> bytes = ReadPlayerFile(path, kMaxSettingsBytes);
  if (!bytes) return {};
  if (const std::optional<Settings> s = ParseSettings(*bytes)) return *s;
  platform::LogWarning("zepa: %s: damaged settings ignored, they will be replaced\n", path.c_str());
  return {};
}

bool WritePlayerFile(platform::Files* files, const std::string& path, std::string_view bytes) {
  if (path.empty()) return true;
  // The system's own separators too: a folder given on Windows is spelled
  // with backslashes.
  const std::string folder = platform::ParentPath(path);
  if (files && !folder.empty() && folder != path) {
    const platform::Status made = files->CreateDirectories(folder);
    if (!made.ok()) {
      platform::LogWarning("zepa: %s: %s\n", folder.c_str(), made.message().c_str());
      return false;
    }
  }
  const platform::ReplaceResult r = platform::ReplaceFileContents(path, bytes);
  if (r.written()) return true;
  platform::LogWarning("zepa: %s\n", r.error.c_str());
  return false;
}

}  // namespace zepa::player

namespace zepa::player {

PlayerPaths PathsFromEnvironment(std::string_view game, bool headless, const std::string& save_dir,
                                 const std::string& shot_dir) {
  if (headless) {
    PlayerPaths p;
    if (!save_dir.empty()) {
      p.read_marks = save_dir + "/read";
      p.settings = save_dir + "/" + std::string(game) + ".ini";
    }
    p.screenshots = shot_dir;
    return p;
  }
  const auto env = [](const char* name) {
    const char* v = std::getenv(name);
    return std::string(v ? v : "");
  };
  UserFolders f;
  f.home = env("HOME");
  f.data_home = env("XDG_DATA_HOME");
  f.config_home = env("XDG_CONFIG_HOME");
  if (const std::optional<platform::UserFolderAnswer> system = platform::SystemUserFolders()) {
    f.home = system->home;
    f.data_home = system->data;
    f.config_home = system->config;
  }
  const std::string config = !f.config_home.empty() ? f.config_home
                             : !f.home.empty()      ? f.home + "/.config"
                                                    : std::string();
  if (!config.empty()) {
    platform::ReadResult dirs = platform::ReadRegularFile(config + "/user-dirs.dirs", 64 * 1024);
    if (dirs.status == platform::ReadStatus::kOk) f.user_dirs = std::move(dirs.bytes);
  }
  return WindowPaths(game, f);
}

}  // namespace zepa::player
