#include "engine/config.h"

#include <algorithm>

namespace zepa::engine {
namespace {

// Positions and sizes on the screen are added to and multiplied in int
// arithmetic all through the drawing code; a bound far beyond any screen
// keeps every such sum representable whatever the file says.
constexpr int kMinCoordinate = -32768;
constexpr int kMaxCoordinate = 32767;

int Coordinate(const IniFile& ini, std::string_view section, std::string_view key, int def) {
  return std::clamp(ini.GetInt(section, key, def), kMinCoordinate, kMaxCoordinate);
}

}  // namespace

Config ReadConfig(const IniFile& ini, int screen_w, int screen_h) {
  Config c;
  c.debug = ini.GetInt("SYSTEM", "DEBUG", 0);
  c.debug_x = Coordinate(ini, "SYSTEM", "DEBUG_X", 100);
  c.debug_y = Coordinate(ini, "SYSTEM", "DEBUG_Y", 100);
  c.cd_drive = ini.GetString("BGM", "CDDRIVE", "");
  c.end_bgm = ini.GetString("END", "BGM", "se\\sleep.wav");
  c.end_pic = ini.GetString("END", "PIC", "ZEPA");
  c.full_screen = ini.GetInt("SCREEN", "FULL", 1);
  // Rounded down, also for a screen smaller than the window.
  auto floor_half = [](int v) { return v >= 0 ? v / 2 : -((-v + 1) / 2); };
  c.pos_top = Coordinate(ini, "POS", "TOP", floor_half(screen_h - kScreenHeight));
  c.pos_left = Coordinate(ini, "POS", "LEFT", floor_half(screen_w - kScreenWidth));
  c.data_file = ini.GetString("FILE", "DATA", "zepaadv.dat");
  c.text_wait = ini.GetInt("TEXT", "TELOWAIT", 50);
  c.message_line = Coordinate(ini, "POS", "MESSAGELINE", 6);
  c.message_mojisuu = Coordinate(ini, "POS", "MESSAGEMOJISUU", 56);
  c.message_width = Coordinate(ini, "POS", "MESSAGEWIDTH", 630);
  c.message_x = Coordinate(ini, "POS", "MESSAGEX", 12);
  c.message_y = Coordinate(ini, "POS", "MESSAGEY", 348);
  c.select_x = Coordinate(ini, "MESSAGE", "SELECT_X", 32);
  c.message_px = Coordinate(ini, "POS", "MESSAGEPX", 604);
  c.message_py = Coordinate(ini, "POS", "MESSAGEPY", 442);
  c.scenario_set = ini.GetInt("MAIN", "SCENARIOSET", 0);
  c.scenario = ini.GetString("MAIN", "SCENARIO", "story.kvs");
  c.interval = ini.GetInt("MESSAGE", "INTERVAL", 500);
  c.font_file = ini.GetString("ZEPA", "FONT", "");
  // The level stands in for the system mixer's master volume, which we
  // never touch; out-of-range values are held to the range.
  const int volume = ini.GetInt("ZEPA", "VOLUME", 100);
  c.volume = volume < 0 ? 0 : volume > 100 ? 100 : volume;
  return c;
}

}  // namespace zepa::engine
