#pragma once
// A game with the debug monitor on, its dumps and its labels, for the
// monitor's tests on every system and the POSIX-only ones in posix/.
#include <nlohmann/json.hpp>
#include <string>

#include "engine/game_fixture.h"

namespace zepa::windows::testing {

class DebugMonitorInGame : public engine::testing::GameFixture {
 protected:
  void SetUp() override {
    GameFixture::SetUp();
    Write("rurirora.ini",
          "[SCREEN]\r\nFULL=0\r\n[SYSTEM]\r\nDEBUG=1\r\nDEBUG_X=700\r\nDEBUG_Y=30\r\n");
  }
  nlohmann::json Dump(const std::string& name) { return nlohmann::json::parse(Read(name)); }
  std::string Path(const std::string& name) { return (dir_ / name).string(); }
  std::string DumpAt(int ms, const std::string& name) {
    return std::to_string(ms) + " dump " + Path(name) + "\n";
  }
  static std::string Label(const nlohmann::json& dump, const std::string& name) {
    return dump["debug_monitor"]["labels"][name].get<std::string>();
  }
};

}  // namespace zepa::windows::testing
