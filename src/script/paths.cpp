#include "script/paths.h"

#include <optional>
#include <vector>

#include "platform/system.h"
#include "script/file_names.h"

namespace zepa::script {
namespace fs = std::filesystem;
namespace {

// Listings beyond this many directories are dropped and read again on use.
constexpr size_t kMaxListings = 256;

}  // namespace

bool FileTimeSettled(std::filesystem::file_time_type mtime) {
  using FileTime = std::filesystem::file_time_type;
  // Two seconds covers the coarsest file times in use.
  constexpr FileTime::duration kSettleTime{2 * FileTime::period::den / FileTime::period::num};
  return FileTime::clock::now() - mtime >= kSettleTime;
}

PathResolver::PathResolver(std::string game_dir) {
  std::error_code ec;
  fs::path p = fs::absolute(game_dir.empty() ? "." : game_dir, ec);
  p = p.lexically_normal();
  game_dir_ = p.string();
  while (game_dir_.size() > 1 && game_dir_.back() == '/') game_dir_.pop_back();
}

const PathResolver::Listing* PathResolver::ListingOf(const std::string& dir) const {
  std::error_code ec;
  const fs::file_time_type mtime = fs::last_write_time(dir, ec);
  if (ec) return nullptr;
  auto found = listings_.find(dir);
  if (found != listings_.end() && found->second.settled && found->second.mtime == mtime)
    return &found->second;

  if (found == listings_.end() && listings_.size() >= kMaxListings) listings_.clear();
  Listing& listing = listings_[dir];
  listing.by_folded_name.clear();
  listing.mtime = mtime;
  ++listings_read_;
  fs::directory_iterator it(dir, ec);
  bool complete = !ec;
  for (; !ec && it != fs::directory_iterator(); it.increment(ec))
    listing.by_folded_name.try_emplace(script::FoldAsciiCase(it->path().filename().string()),
                                       it->path().filename().string());
  if (ec) complete = false;
  listing.settled = complete && FileTimeSettled(mtime);
  return &listing;
}

// The entry of `dir` named `component`: exact first, then any case.
std::optional<std::string> PathResolver::MatchEntry(const std::string& dir,
                                                    const std::string& component) const {
  std::error_code ec;
  if (fs::exists(fs::path(dir) / component, ec)) return component;
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
  std::error_code ec;
  if (fs::exists(std::string(name), ec)) return std::string(name);
  std::vector<size_t> starts;
  for (size_t i = 1; i < name.size(); ++i)
    if (name[i - 1] == '/' && name[i] != '/') starts.push_back(i);
  for (size_t start : starts) {
    const std::string found = ResolveInGame(name.substr(start));
    if (fs::exists(found, ec)) return found;
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
  std::error_code ec;
  const fs::path full = fs::weakly_canonical(full_path, ec);
  const fs::path base = fs::weakly_canonical(game_dir_, ec);
  const fs::path rel = full.lexically_relative(base);
  const std::string s = rel.generic_string();
  if (rel.empty() || s.rfind("..", 0) == 0) return full_path;
  std::string out;
  for (char c : s) out.push_back(c == '/' ? '\\' : c);
  return out;
}

}  // namespace zepa::script
