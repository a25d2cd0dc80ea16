// Keeps the house rules that the compiler cannot: only the two backends and
// the toolkit they share talk to SDL, and no room reaches back into the main window.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

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

}  // namespace
}  // namespace zepa::engine
