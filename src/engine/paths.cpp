#include "engine/paths.h"

#include <filesystem>
#include <optional>
#include <vector>

namespace zepa::engine {
namespace fs = std::filesystem;
namespace {

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + 32);
    if (x != y) return false;
  }
  return true;
}

// The entry of `dir` named `component`: exact first, then any case.
std::optional<std::string> MatchEntry(const std::string& dir, const std::string& component) {
  std::error_code ec;
  if (fs::exists(fs::path(dir) / component, ec)) return component;
  fs::directory_iterator it(dir, ec);
  if (ec) return std::nullopt;
  for (const auto& entry : it) {
    const std::string name = entry.path().filename().string();
    if (EqualNoCase(name, component)) return name;
  }
  return std::nullopt;
}

}  // namespace

PathResolver::PathResolver(std::string game_dir) {
  std::error_code ec;
  fs::path p = fs::absolute(game_dir.empty() ? "." : game_dir, ec);
  p = p.lexically_normal();
  game_dir_ = p.string();
  while (game_dir_.size() > 1 && game_dir_.back() == '/') game_dir_.pop_back();
}

std::string PathResolver::Resolve(std::string_view name) const {
  if (!name.empty() && name.front() == '/') return std::string(name);
  std::vector<std::string> components;
  std::string current;
  for (char c : name) {
    if (c == '\\' || c == '/') {
      if (!current.empty()) components.push_back(current);
      current.clear();
    } else {
      current.push_back(c);
    }
  }
  if (!current.empty()) components.push_back(current);

  std::string path = game_dir_;
  bool exists = true;  // once a component is missing, later ones cannot match
  for (const std::string& component : components) {
    std::string chosen = component;
    if (exists && component != "." && component != "..") {
      auto match = MatchEntry(path, component);
      if (!match && sjis_to_utf8) {
        const std::string utf8 = sjis_to_utf8(component);
        if (!utf8.empty() && utf8 != component) match = MatchEntry(path, utf8);
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

}  // namespace zepa::engine
