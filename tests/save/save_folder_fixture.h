#pragma once
// A save folder over a scratch game folder, for its tests on every system
// and the POSIX-only ones in posix/.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/cp932.h"
#include "platform/files.h"
#include "platform/system.h"
#include "save/save_folder.h"

namespace zepa::save::testing {

namespace fs = std::filesystem;

// Paths are spelled as the platform layer spells them ("/" between
// folders), and files are made and read through it, so that a Japanese
// name names the same file as for the game on every system.
class SaveFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = platform::AbsolutePath(fs::temp_directory_path().generic_string() + "/zepa_save_folder_" +
                                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_ + "/game");
    game_ = dir_ + "/game";
    paths_ = std::make_unique<script::PathResolver>(game_);
    paths_->sjis_to_utf8 = [](std::string_view s) { return platform::Cp932ToUtf8(s); };
    folder_ = std::make_unique<SaveFolder>(files_.get(), *paths_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  static void Put(const std::string& path, const std::string& text) {
    ASSERT_TRUE(platform::WriteWholeFile(path, text).ok()) << path;
  }
  static std::string Get(const std::string& path) {
    return platform::ReadRegularFile(path, size_t{1} << 20).bytes;
  }
  // The names a folder lists, sorted.
  static std::vector<std::string> Listed(const std::string& folder) {
    std::vector<std::string> names;
    if (const auto entries = platform::ListFolder(folder))
      for (const platform::DirEntry& e : *entries) names.push_back(e.name);
    std::sort(names.begin(), names.end());
    return names;
  }
  static std::span<const uint8_t> Bytes(const std::string& s) {
    return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
  }
  std::string Read(std::string_view name, std::string* why = nullptr) {
    const auto bytes = folder_->ReadSaveFile(name);
    if (!bytes.ok() && why) *why = bytes.message();
    return bytes.ok() ? std::string(bytes->begin(), bytes->end()) : "<none>";
  }

  std::string dir_, game_;
  std::unique_ptr<platform::Files> files_ = platform::CreateSystemFiles();
  std::unique_ptr<script::PathResolver> paths_;
  std::unique_ptr<SaveFolder> folder_;
};

}  // namespace zepa::save::testing
