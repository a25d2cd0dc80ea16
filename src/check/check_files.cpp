#include <algorithm>

#include "check/checker.h"
#include "display/packfile.h"
#include "platform/files.h"

namespace zepa::engine::check_detail {

void Checker::ReadPack() {
  if (platform::ProbePath(pack_path_) != platform::PathKind::kRegular) return;
  auto entries = display::ListPackFile(pack_path_);
  if (!entries.ok()) {
    pack_damaged_ = true;
    Error(Shown(pack_path_), 0,
          "the packed picture file cannot be read whole (" + entries.message() +
              "): pictures after the damage are not found");
    return;
  }
  pack_present_ = true;
  for (const display::PackEntry& e : *entries) {
    pack_names_.insert(Lower(e.name));
    pack_entries_.push_back(e.name);
  }
}

bool Checker::InPack(const std::string& bare) {
  if (pack_present_) return pack_names_.count(Lower(bare)) != 0;
  if (pack_damaged_) return display::FindInPackFile(pack_path_, bare).has_value();
  return false;
}

const std::vector<std::string>& Checker::Listing(const std::string& dir) {
  auto it = listings_.find(dir);
  if (it != listings_.end()) return it->second;
  // Through the platform layer, which gives names as the folder spells
  // them (std::filesystem on Windows would read them in the code page).
  std::vector<std::string> names;
  if (const auto entries = platform::ListFolder(dir))
    for (const platform::DirEntry& e : *entries) names.push_back(e.name);
  std::sort(names.begin(), names.end());
  return listings_.emplace(dir, std::move(names)).first->second;
}

std::optional<std::string> Checker::NearMatch(std::string_view name, bool pictures) {
  std::string_view bare = name;
  std::string_view dir_part;
  const size_t cut = name.find_last_of("\\/");
  if (cut != std::string_view::npos) {
    bare = name.substr(cut + 1);
    dir_part = name.substr(0, cut);
  }
  const std::set<std::string> keys = {NearKey(bare), NearKey(platform::Cp932ToUtf8(bare)),
                                      NearKey(Latin1Mangled(bare))};
  auto matches = [&](std::string_view candidate) { return keys.count(NearKey(candidate)) != 0; };

  std::string dir = paths_.Resolve(dir_part);
  if (dir_part.empty() || platform::ProbePath(dir) != platform::PathKind::kDirectory)
    dir = paths_.game_dir();
  for (const std::string& entry : Listing(dir)) {
    if (!matches(entry)) continue;
    return Shown(dir + "/" + entry);
  }
  if (pictures)
    for (const std::string& entry : pack_entries_)
      if (matches(entry)) return entry + " in " + config_.data_file;
  return std::nullopt;
}

bool Checker::FileOnDisk(const std::string& path, bool* empty) {
  const platform::PathInfo info = platform::StatPath(path);
  if (info.kind != platform::PathKind::kRegular) return false;
  if (empty) *empty = info.size_bytes == 0;
  return true;
}

std::string Checker::MissingMessage(std::string_view what, std::string_view name,
                                    const std::string& path, bool pictures) {
  std::string m = std::string(what) + " " + Quoted(platform::Cp932ToUtf8(name)) +
                  " not found: tried " + Shown(path);
  if (pictures && (pack_present_ || pack_damaged_)) m += " and " + config_.data_file;
  if (auto near = NearMatch(name, pictures)) m += "; near match: " + *near;
  return m;
}

}  // namespace zepa::engine::check_detail
