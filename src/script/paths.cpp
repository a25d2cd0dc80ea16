#include "script/paths.h"

#include <optional>
#include <vector>

#include "platform/files.h"
#include "platform/path_names.h"
#include "platform/system.h"
#include "script/file_names.h"

namespace zepa::script {
namespace {

// Listings beyond this many directories are dropped and read again on use.
constexpr size_t kMaxListings = 256;

// Anything there at all, as a lookup counts it; what cannot be looked at is not.
bool Exists(const std::string& path) {
  const platform::PathKind kind = platform::ProbePath(path);
  return kind != platform::PathKind::kMissing && kind != platform::PathKind::kFailed;
}

}  // namespace

PathResolver::PathResolver(std::string game_dir)
    : game_dir_(platform::AbsolutePath(game_dir.empty() ? "." : game_dir)) {}

const PathResolver::Listing* PathResolver::ListingOf(const std::string& dir) const {
  const platform::PathInfo info = platform::StatPath(dir);
  if (info.kind == platform::PathKind::kMissing || info.kind == platform::PathKind::kFailed)
    return nullptr;
  auto found = listings_.find(dir);
  if (found != listings_.end() && found->second.settled &&
      found->second.modified_ns == info.modified_ns)
    return &found->second;

  if (found == listings_.end() && listings_.size() >= kMaxListings) listings_.clear();
  Listing& listing = listings_[dir];
  listing.by_folded_name.clear();
  listing.modified_ns = info.modified_ns;
  ++listings_read_;
  const auto entries = platform::ListFolder(dir);
  if (entries)
    for (const platform::DirEntry& e : *entries)
      listing.by_folded_name.try_emplace(script::FoldAsciiCase(e.name), e.name);
  listing.settled = entries && platform::FileTimeSettled(info.modified_ns);
  return &listing;
}

// The entry of `dir` named `component`: the one the system opens by that
// name first (the exact name, or on Windows any case of it), then any case.
// Either way spelled as the folder lists it, so a name reads the same in
// saves and dumps on every system.
std::optional<std::string> PathResolver::MatchEntry(const std::string& dir,
                                                    const std::string& component) const {
  if (std::optional<std::string> spelled = platform::EntrySpelling(dir, component)) return spelled;
  const Listing* listing = ListingOf(dir);
  if (!listing) return std::nullopt;
  auto found = listing->by_folded_name.find(script::FoldAsciiCase(component));
  if (found == listing->by_folded_name.end()) return std::nullopt;
  return found->second;
}

std::string PathResolver::Resolve(std::string_view name) const {
  if (platform::IsFullPath(name)) return ResolveFull(name);
  return ResolveInGame(name);
}

// Saves hold full paths, which a moved game folder leaves pointing nowhere.
// A missing one is looked up again below the game folder by its last
// components, the longest tail that exists winning.
std::string PathResolver::ResolveFull(std::string_view name) const {
  if (Exists(std::string(name))) return std::string(name);
  std::vector<size_t> starts;
  for (size_t i = 1; i < name.size(); ++i)
    if (name[i - 1] == '/' && name[i] != '/') starts.push_back(i);
  for (size_t start : starts) {
    const std::string found = ResolveInGame(name.substr(start));
    if (Exists(found)) return found;
  }
  return std::string(name);
}

std::string PathResolver::ResolveInGame(std::string_view name) const {
  std::vector<std::string> components;
  script::ForEachPathComponent(name, [&](std::string_view c) { components.emplace_back(c); });

  std::string path = game_dir_;
  bool exists = true;  // once a component is missing, later ones cannot match
  for (const std::string& component : components) {
    std::string chosen = component;
    if (exists && component != "." && component != "..") {
      auto match_any_form = [&](const std::string& spelling) {
        auto match = MatchEntry(path, spelling);
        if (!match && sjis_to_utf8) {
          const std::string utf8 = sjis_to_utf8(spelling);
          if (!utf8.empty() && utf8 != spelling) match = MatchEntry(path, utf8);
        }
        return match;
      };
      auto match = match_any_form(component);
      if (!match) {
        const std::string trimmed(script::TrimTrailingBlanksAndDots(component));
        if (!trimmed.empty() && trimmed != component) match = match_any_form(trimmed);
      }
      if (match) {
        chosen = *match;
      } else {
        exists = false;
      }
    }
    if (path.empty() || path.back() != '/') path += '/';
    path += chosen;
  }
  return path;
}

std::string PathResolver::RelativeToGame(const std::string& full_path) const {
  const std::string s = platform::RelativePath(platform::CanonicalPath(full_path),
                                               platform::CanonicalPath(game_dir_));
  if (s.empty() || s.rfind("..", 0) == 0) return full_path;
  std::string out;
  for (char c : s) out.push_back(c == '/' ? '\\' : c);
  return out;
}

}  // namespace zepa::script
