#include "save/save_folder.h"

#include <algorithm>

#include "platform/ascii.h"

namespace zepa::save {
namespace {

constexpr size_t kListLimit = 100;

bool IsBareName(std::string_view name) {
  return !name.empty() && name.find_first_of("/\\") == std::string_view::npos;
}

// Anything at all is there: a save over a folder or a pipe fails, but the
// slot or name counts as taken.
bool Exists(const std::string& path) {
  const platform::PathKind kind = platform::ProbePath(path);
  return kind != platform::PathKind::kMissing && kind != platform::PathKind::kFailed;
}

// The folder part of a path, without the separators that end it ("/" for
// a file at the root, empty for a bare name).
std::string ParentDir(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return {};
  const size_t end = path.find_last_not_of('/', slash);
  return end == std::string::npos ? std::string("/") : path.substr(0, end + 1);
}

}  // namespace

std::string_view ChosenFileExtension(std::string_view name) {
  const size_t last = name.find_last_of(".\\/:");
  if (last == std::string_view::npos || name[last] != '.') return {};
  return name.substr(last);
}

std::string WithSaveExtension(std::string name) {
  const size_t sep = name.find_last_of('/');
  const size_t dot = name.rfind('.');
  const bool has = dot != std::string::npos && (sep == std::string::npos || dot > sep) &&
                   platform::EqualsNoCase(std::string_view(name).substr(dot), ".kvd");
  if (!has) name += ".kvd";
  return name;
}

bool TakeSaveButton(script::SavePermission* save_allowed) {
  using script::SavePermission;
  const bool shown = *save_allowed != SavePermission::kDisabled;
  if (*save_allowed == SavePermission::kNextWindowOnly) *save_allowed = SavePermission::kDisabled;
  return shown;
}

std::string SlotFileName(int slot) { return "DATA" + std::to_string(slot) + ".kvd"; }

std::string ChooseSaveDir(const std::string& option, const std::string& game_dir,
                          bool game_dir_writable, const std::string& user_data_dir) {
  if (!option.empty()) return option;
  if (game_dir_writable || user_data_dir.empty()) return game_dir;
  return user_data_dir + "/zepa/" + game_dir.substr(game_dir.find_last_of('/') + 1);
}

SaveFolder::SaveFolder(platform::Files* files, const script::PathResolver& paths)
    : files_(files), paths_(paths) {}

std::string SaveFolder::SaveDir() const {
  if (!save_dir_option_.empty()) return save_dir_option_;
  if (!files_) return paths_.game_dir();
  return ChooseSaveDir(save_dir_option_, paths_.game_dir(),
                       files_->DirectoryWritable(paths_.game_dir()), files_->UserDataDir());
}

std::vector<std::string> SaveFolder::ListedDirs() const {
  std::vector<std::string> dirs{SaveDir()};
  if (dirs[0] != paths_.game_dir()) dirs.push_back(paths_.game_dir());
  return dirs;
}

std::string SaveFolder::WritePath(std::string_view name) const {
  if (IsBareName(name)) return SaveDir() + "/" + std::string(name);
  return paths_.Resolve(name);
}

std::string SaveFolder::ReadPath(std::string_view name) const {
  if (IsBareName(name)) {
    // A Japanese name was written under its UTF-8 spelling; the resolver
    // finds that form below the game directory, and this below the save
    // directory.
    const std::string in_save_dir = platform::NewFileSpelling(SaveDir() + "/" + std::string(name));
    if (Exists(in_save_dir)) return in_save_dir;
  }
  return paths_.Resolve(name);
}

std::string SaveFolder::SaveTarget(std::string_view name) const {
  return platform::NewFileSpelling(WithSaveExtension(WritePath(name)));
}

bool SaveFolder::SaveReplaces(std::string_view name) const { return Exists(SaveTarget(name)); }

bool SaveFolder::SlotUsed(int slot) const {
  for (const std::string& dir : ListedDirs()) {
    if (Exists(dir + "/" + SlotFileName(slot))) return true;
  }
  return false;
}

std::vector<std::string> SaveFolder::ListFiles(std::string_view ext) const {
  std::vector<std::string> names;
  for (const std::string& dir : ListedDirs()) {
    const std::optional<std::vector<platform::DirEntry>> entries = platform::ListFolder(dir);
    if (!entries) continue;
    for (const platform::DirEntry& entry : *entries) {
      if (names.size() >= kListLimit) break;
      if (entry.kind != platform::PathKind::kRegular) continue;
      const std::string& name = entry.name;
      const size_t dot = name.rfind('.');
      if (dot == std::string::npos || !platform::EqualsNoCase(name.substr(dot + 1), ext)) continue;
      if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
    }
  }
  // Unsigned byte order, as the game's lists were sorted.
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
      return static_cast<uint8_t>(x) < static_cast<uint8_t>(y);
    });
  });
  return names;
}

platform::Result<std::vector<uint8_t>> SaveFolder::ReadSaveFile(std::string_view name) const {
  const std::string path = ReadPath(name);
  platform::ReadResult read = platform::ReadRegularFile(path, kMaxSaveFileBytes);
  switch (read.status) {
    case platform::ReadStatus::kOk:
      break;
    case platform::ReadStatus::kNotRegular:
      return platform::Status(platform::StatusCode::kRefused, path + ": not a regular file");
    case platform::ReadStatus::kTooLarge:
      return platform::Status(platform::StatusCode::kInvalid, path + ": too large for a save");
    default:
      return platform::Status(platform::StatusCode::kMissing,
                              !read.error.empty() ? read.error : path + ": cannot be read");
  }
  return std::vector<uint8_t>(read.bytes.begin(), read.bytes.end());
}

SaveWrite SaveFolder::WriteSaveFile(std::string_view name, std::span<const uint8_t> bytes) const {
  SaveWrite out{SaveTarget(name), {}};
  if (!files_) {
    out.status = platform::Status::Failed("no file system");
    return out;
  }
  const std::string dir = ParentDir(out.path);
  if (dir == SaveDir() && dir != paths_.game_dir()) out.status = files_->CreateDirectories(dir);
  if (out.status.ok()) out.status = files_->AtomicWriteFile(out.path, bytes);
  return out;
}

}  // namespace zepa::save
