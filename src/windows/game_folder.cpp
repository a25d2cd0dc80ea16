#include "windows/game_folder.h"

#include <algorithm>

#include "platform/ascii.h"
#include "platform/system.h"

namespace zepa::windows {
namespace {

// A list longer than this is not ours: read no further.
constexpr size_t kMaxListBytes = 64 * 1024;

bool HasExtension(const std::string& name, std::string_view ext) {
  return name.size() > ext.size() &&
         platform::EqualsNoCase(std::string_view(name).substr(name.size() - ext.size()), ext);
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BareName(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

bool HoldsGame(const std::string& dir) {
  const auto entries = platform::ListFolder(dir);
  if (!entries) return false;
  return std::any_of(entries->begin(), entries->end(), [](const platform::DirEntry& e) {
    return e.kind == platform::PathKind::kRegular &&
           (platform::EqualsNoCase(e.name, "rurirora.ini") ||
            platform::EqualsNoCase(e.name, "story.kvs"));
  });
}

GameArguments ResolveGameArguments(const std::string& game_option, std::vector<std::string> args) {
  GameArguments out;
  std::string folder;
  for (const std::string& a : args) {
    if (platform::ProbePath(a) != platform::PathKind::kDirectory) {
      out.args.push_back(a);
    } else if (!game_option.empty()) {
      out.error = "--game " + game_option + " and the folder " + a + " both name the game";
      return out;
    } else if (!folder.empty()) {
      out.error = "two game folders: " + folder + " and " + a;
      return out;
    } else {
      folder = a;
    }
  }
  if (!folder.empty()) {
    out.game_dir = folder;
    return out;
  }
  if (!game_option.empty()) {
    out.game_dir = game_option;
    return out;
  }
  for (std::string& a : out.args) {
    const bool scenario = HasExtension(a, ".kvs");
    if (!scenario && !HasExtension(a, ".kvd")) continue;
    const std::string dir = FolderOf(a);
    if (a.find('/') != std::string::npos && HoldsGame(dir)) {
      out.game_dir = dir;
      // A scenario is named from its game folder; a save keeps its full
      // path, since a bare name is looked for among the saves first.
      a = scenario ? BareName(a) : platform::AbsolutePath(a);
    } else {
      out.game_dir = ".";
    }
    return out;
  }
  if (HoldsGame(".")) out.game_dir = ".";
  return out;
}

std::string RecentFoldersPath(const std::string& user_data_dir) {
  if (user_data_dir.empty()) return {};
  return user_data_dir + "/zepa/recent-folders";
}

std::vector<std::string> WithFolderFirst(std::vector<std::string> list, const std::string& dir) {
  std::erase(list, dir);
  list.insert(list.begin(), dir);
  if (list.size() > kRecentFoldersKept) list.resize(kRecentFoldersKept);
  return list;
}

std::vector<std::string> ReadRecentFolders(const std::string& path) {
  std::vector<std::string> out;
  if (path.empty()) return out;
  const platform::ReadResult read = platform::ReadRegularFile(path, kMaxListBytes);
  if (read.status != platform::ReadStatus::kOk) return out;
  size_t start = 0;
  while (start < read.bytes.size() && out.size() < kRecentFoldersKept) {
    size_t end = read.bytes.find('\n', start);
    if (end == std::string::npos) end = read.bytes.size();
    const std::string line = read.bytes.substr(start, end - start);
    start = end + 1;
    // Full paths only, as the system writes them ("C:/..." on Windows).
    if (platform::IsFullPath(line) && std::find(out.begin(), out.end(), line) == out.end() &&
        platform::ProbePath(line) == platform::PathKind::kDirectory)
      out.push_back(line);
  }
  return out;
}

platform::Status RememberFolder(platform::Files& files, const std::string& path,
                                const std::string& dir) {
  if (path.empty())
    return {platform::StatusCode::kMissing,
            "no data folder is known (neither XDG_DATA_HOME nor HOME is set)"};
  const platform::Status made = files.CreateDirectories(FolderOf(path));
  if (!made.ok()) return {made.code(), FolderOf(path) + ": " + made.message()};
  std::string text;
  for (const std::string& d : WithFolderFirst(ReadRecentFolders(path), platform::AbsolutePath(dir)))
    text += d + "\n";
  const platform::ReplaceResult result = platform::ReplaceFileContents(path, text);
  if (!result.written()) return platform::Status::Failed(result.error);
  return {};
}

}  // namespace zepa::windows
