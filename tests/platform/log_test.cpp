#include "platform/log.h"

#include <gtest/gtest.h>

#include <string>

namespace zepa::platform {
namespace {

TEST(Log, ThresholdFromTheSetting) {
  struct Case {
    const char* value;
    LogLevel want;
  };
  // Anything not understood keeps the default, so a typo never hides errors
  // nor silences what has always been printed.
  const Case cases[] = {
      {nullptr, LogLevel::kInfo},     {"error", LogLevel::kError}, {"warning", LogLevel::kWarning},
      {"info", LogLevel::kInfo},      {"debug", LogLevel::kDebug}, {"", LogLevel::kInfo},
      {"DEBUG", LogLevel::kInfo},     {"warn", LogLevel::kInfo},   {"error ", LogLevel::kInfo},
      {"debugging", LogLevel::kInfo},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ThresholdFromSetting(c.value), c.want) << (c.value ? c.value : "(unset)");
}

class LogThresholdTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = LogThreshold();
    SetLogSink([this](std::string_view text) { written_.append(text); });
  }
  void TearDown() override {
    SetLogSink(nullptr);
    SetLogThreshold(saved_);
  }
  std::string written_;
  LogLevel saved_ = LogLevel::kInfo;
};

TEST_F(LogThresholdTest, WritesTheLevelsUpToTheThresholdByteForByte) {
  struct Case {
    LogLevel threshold;
    const char* want;
  };
  const Case cases[] = {
      {LogLevel::kError, "zepa: e 1\n"},
      {LogLevel::kWarning, "zepa: e 1\nw 2 %d"},
      {LogLevel::kInfo, "zepa: e 1\nw 2 %d\xfa\x80 3\n"},
      {LogLevel::kDebug, "zepa: e 1\nw 2 %d\xfa\x80 3\nd 4\n\n"},
  };
  for (const Case& c : cases) {
    written_.clear();
    SetLogThreshold(c.threshold);
    LogError("zepa: %s %d\n", "e", 1);
    LogWarning("w 2 %s", "%d");  // no newline is added, the argument is not a format
    LogInfo("%c%c %u\n", '\xfa', '\x80', 3u);
    LogDebug("%s\n", "d 4\n");
    EXPECT_EQ(written_, c.want) << "threshold " << static_cast<int>(c.threshold);
  }
}

TEST_F(LogThresholdTest, PlainTextIsWrittenAsGiven) {
  SetLogThreshold(LogLevel::kWarning);
  const std::string text("a%sb\0c", 6);
  Log(LogLevel::kWarning, text);
  Log(LogLevel::kInfo, "hidden");
  EXPECT_EQ(written_, text);
}

}  // namespace
}  // namespace zepa::platform
