#pragma once
// A game run headless whose small windows are looked at through dumps taken
// while they are open.
#include <nlohmann/json.hpp>
#include <string>

#include "engine/game_fixture.h"

namespace zepa::windows::testing {

class WindowGame : public engine::testing::GameFixture {
 protected:
  nlohmann::json Dump(const std::string& name) { return nlohmann::json::parse(Read(name)); }
  std::string Path(const std::string& name) { return (dir_ / name).string(); }
  /// A scripted "dump" event at `ms`.
  std::string DumpAt(int ms, const std::string& name) {
    return std::to_string(ms) + " dump " + Path(name) + "\n";
  }
  /// The open window named `window` in a dump, or null json.
  static const nlohmann::json& Window(const nlohmann::json& dump, const std::string& window) {
    for (const auto& w : dump["windows"])
      if (w["name"] == window) return w;
    static const nlohmann::json none;
    return none;
  }
  static const nlohmann::json& Control(const nlohmann::json& window, const std::string& name) {
    for (const auto& c : window["controls"])
      if (c["name"] == name) return c;
    static const nlohmann::json none;
    return none;
  }
  static std::string Text(const nlohmann::json& dump, const std::string& window,
                          const std::string& control) {
    const auto& c = Control(Window(dump, window), control);
    return c.is_null() ? "<none>" : c["text"].get<std::string>();
  }
  static int Number(const nlohmann::json& dump, const std::string& variable) {
    if (!dump["variables"].contains(variable)) return 0;
    return std::stoi(dump["variables"][variable].get<std::string>());
  }
};

}  // namespace zepa::windows::testing
