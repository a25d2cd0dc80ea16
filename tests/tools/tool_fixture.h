#pragma once
// A scratch folder per test and an in-process run of a tool's command line,
// capturing what it prints.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <ostream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "platform/files.h"

namespace zepa::testing_tools {

using ToolMain = int (*)(const std::vector<std::string>&, std::ostream&, std::ostream&);

class ToolFixture : public ::testing::Test {
 protected:
  ToolFixture(std::string prefix, ToolMain tool) : prefix_(std::move(prefix)), tool_(tool) {}

  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           (prefix_ + std::to_string(std::random_device{}()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  // Paths are joined as bytes and files made and read through the platform
  // layer, as the tools do: on Windows std::filesystem would read a name's
  // bytes in the system's code page.
  std::string P(const std::string& rel) const { return dir_.generic_string() + "/" + rel; }
  void Write(const std::string& rel, const std::string& bytes) const {
    ASSERT_TRUE(platform::WriteWholeFile(P(rel), bytes).ok()) << rel;
  }
  static std::string Read(const std::string& path) {
    return platform::ReadRegularFile(path, size_t{1} << 30).bytes;
  }
  int Run(std::vector<std::string> args) {
    out_.str("");
    err_.str("");
    return tool_(args, out_, err_);
  }

  std::filesystem::path dir_;
  std::ostringstream out_, err_;

 private:
  std::string prefix_;
  ToolMain tool_;
};

}  // namespace zepa::testing_tools
