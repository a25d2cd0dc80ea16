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

  std::string P(const std::string& rel) const { return (dir_ / rel).string(); }
  void Write(const std::string& rel, const std::string& bytes) const {
    std::ofstream(P(rel), std::ios::binary) << bytes;
  }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
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
