// Keeps the house rules that the compiler cannot: only the two backends and
// the toolkit they share talk to SDL, and no room reaches back into the main window.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace zepa::engine {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

bool IsSource(const fs::path& p) { return p.extension() == ".cpp" || p.extension() == ".h"; }

TEST(Boundaries, OnlyTheBackendsTalkToSdl) {
  const fs::path src = fs::path(ZEPA_SOURCE_DIR) / "src";
  int checked = 0;
  for (const auto& entry : fs::recursive_directory_iterator(src)) {
    if (!entry.is_regular_file() || !IsSource(entry.path())) continue;
    const std::string rel = fs::relative(entry.path(), src).generic_string();
    if (rel.starts_with("platform/sdl/") || rel.starts_with("platform/headless/") ||
        rel.starts_with("platform/toolkit/") || rel == "main.cpp")
      continue;
    const std::string text = ReadFile(entry.path());
    EXPECT_EQ(text.find("SDL_"), std::string::npos) << rel;
    EXPECT_EQ(text.find("<SDL"), std::string::npos) << rel;
    ++checked;
  }
  EXPECT_GT(checked, 20);
}

TEST(Boundaries, RoomsNeverIncludeTheMainWindow) {
  // A room gets what it needs through its constructor, so it can be built
  // and tested alone.
  const fs::path src = fs::path(ZEPA_SOURCE_DIR) / "src";
  int checked = 0;
  for (const auto& entry : fs::recursive_directory_iterator(src)) {
    if (!entry.is_regular_file() || !IsSource(entry.path())) continue;
    const std::string rel = fs::relative(entry.path(), src).generic_string();
    if (rel.starts_with("engine/main_window") || rel == "engine/dump.cpp" || rel == "main.cpp")
      continue;
    EXPECT_EQ(ReadFile(entry.path()).find("engine/main_window.h"), std::string::npos) << rel;
    ++checked;
  }
  EXPECT_GT(checked, 20);
}

// The folders of src/ are layers: a file includes headers of its own folder
// and of the layers below it only, so no change can bring back a cycle that
// the linker would hide.
// The folder a path of src/ belongs to: the platform's backends are folders
// of their own, everything else is named by its first component.
std::string FolderOf(const std::string& rel) {
  const auto slash = rel.find('/');
  if (slash == std::string::npos) return rel;  // main.cpp
  const std::string first = rel.substr(0, slash);
  if (first == "platform") {
    const auto second = rel.find('/', slash + 1);
    if (second != std::string::npos) return rel.substr(0, second);
  }
  return first;
}

// What each folder may include besides itself. The backends see the
// platform's interfaces and shared helpers, never each other (headless never
// includes sdl/), and never the game.
const std::map<std::string, std::set<std::string>>& Allowed() {
  static const std::map<std::string, std::set<std::string>> allowed = [] {
    std::map<std::string, std::set<std::string>> a;
    a["platform"] = {};
    a["platform/posix"] = {"platform"};
    // Windows has no fontconfig: its font lookup is the toolkit's, answered there.
    a["platform/win32"] = {"platform", "platform/toolkit"};
    a["platform/toolkit"] = {"platform"};
    a["platform/sdl"] = {"platform", "platform/posix", "platform/toolkit"};
    a["platform/headless"] = {"platform", "platform/posix", "platform/toolkit"};
    a["script"] = {"platform"};
    for (const char* peer : {"display", "sound", "net"}) a[peer] = {"platform", "script"};
    a["save"] = {"platform", "script", "display", "sound", "net"};
    a["player"] = a["save"];
    a["player"].insert("save");
    a["windows"] = a["player"];
    a["windows"].insert("player");
    a["engine"] = a["windows"];
    a["engine"].insert("windows");
    a["check"] = a["engine"];
    a["check"].insert("engine");
    // The program itself picks a backend and runs the engine or the checker.
    a["main.cpp"] = a["check"];
    for (const char* top :
         {"check", "platform/posix", "platform/sdl", "platform/headless", "platform/toolkit"})
      a["main.cpp"].insert(top);
    return a;
  }();
  return allowed;
}

TEST(Layers, NoFileIncludesAHigherLayer) {
  const fs::path src = fs::path(ZEPA_SOURCE_DIR) / "src";
  const std::regex include_line(R"re(^\s*#\s*include\s*"([^"]+)")re");
  int checked = 0;
  for (const auto& entry : fs::recursive_directory_iterator(src)) {
    if (!entry.is_regular_file() || !IsSource(entry.path())) continue;
    const std::string rel = fs::relative(entry.path(), src).generic_string();
    const std::string folder = FolderOf(rel);
    const auto allowed = Allowed().find(folder);
    if (allowed == Allowed().end()) {
      ADD_FAILURE() << rel << ": folder " << folder << " has no place among the layers";
      continue;
    }
    std::istringstream lines(ReadFile(entry.path()));
    std::string line;
    while (std::getline(lines, line)) {
      std::smatch m;
      if (!std::regex_search(line, m, include_line)) continue;
      const std::string target = m[1].str();
      // A header named without a folder lies beside the file, or is generated.
      if (target.find('/') == std::string::npos) continue;
      const std::string target_folder = FolderOf(target);
      if (target_folder == folder) continue;
      EXPECT_TRUE(allowed->second.count(target_folder)) << rel << " includes " << target;
    }
    ++checked;
  }
  EXPECT_GT(checked, 100);
}

TEST(Layers, NoSourceFileOverFiveHundredLines) {
  // Long files hide more than one concern; split them by what they own.
  const fs::path src = fs::path(ZEPA_SOURCE_DIR) / "src";
  for (const auto& entry : fs::recursive_directory_iterator(src)) {
    if (!entry.is_regular_file() || !IsSource(entry.path())) continue;
    const std::string rel = fs::relative(entry.path(), src).generic_string();
    const std::string text = ReadFile(entry.path());
    EXPECT_LE(std::count(text.begin(), text.end(), '\n'), 500) << rel;
  }
}

}  // namespace
}  // namespace zepa::engine
