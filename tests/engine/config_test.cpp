#include "engine/config.h"

#include <gtest/gtest.h>

namespace zepa::engine {
namespace {

TEST(Config, VolumeKeyIsHeldToItsRange) {
  const std::pair<const char*, int> cases[] = {
      {"", 100},
      {"[ZEPA]\r\nVOLUME=80\r\n", 80},
      {"[ZEPA]\r\nVOLUME=150\r\n", 100},
      {"[ZEPA]\r\nVOLUME=-3\r\n", 0},
      {"[ZEPA]\r\nVOLUME=abc\r\n", 100},
      {"[zepa]\r\nvolume=0\r\n", 0},
  };
  for (const auto& [text, want] : cases)
    EXPECT_EQ(ReadConfig(IniFile::Parse(text), 1920, 1080).volume, want) << text;
}

}  // namespace
}  // namespace zepa::engine
