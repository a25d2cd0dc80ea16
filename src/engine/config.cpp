#include "engine/config.h"

namespace zepa::engine {

Config ReadConfig(const IniFile& ini, int screen_w, int screen_h) {
  Config c;
  c.debug = ini.GetInt("SYSTEM", "DEBUG", 0);
  c.debug_x = ini.GetInt("SYSTEM", "DEBUG_X", 100);
  c.debug_y = ini.GetInt("SYSTEM", "DEBUG_Y", 100);
  c.cd_drive = ini.GetString("BGM", "CDDRIVE", "");
  c.end_bgm = ini.GetString("END", "BGM", "se\\sleep.wav");
  c.end_pic = ini.GetString("END", "PIC", "ZEPA");
  c.full_screen = ini.GetInt("SCREEN", "FULL", 1);
  // Rounded down, also for a screen smaller than the window.
  auto floor_half = [](int v) { return v >= 0 ? v / 2 : -((-v + 1) / 2); };
  c.pos_top = ini.GetInt("POS", "TOP", floor_half(screen_h - kScreenHeight));
  c.pos_left = ini.GetInt("POS", "LEFT", floor_half(screen_w - kScreenWidth));
  c.data_file = ini.GetString("FILE", "DATA", "zepaadv.dat");
  c.text_wait = ini.GetInt("TEXT", "TELOWAIT", 50);
  c.message_line = ini.GetInt("POS", "MESSAGELINE", 6);
  c.message_mojisuu = ini.GetInt("POS", "MESSAGEMOJISUU", 56);
  c.message_width = ini.GetInt("POS", "MESSAGEWIDTH", 630);
  c.message_x = ini.GetInt("POS", "MESSAGEX", 12);
  c.message_y = ini.GetInt("POS", "MESSAGEY", 348);
  c.select_x = ini.GetInt("MESSAGE", "SELECT_X", 32);
  c.message_px = ini.GetInt("POS", "MESSAGEPX", 604);
  c.message_py = ini.GetInt("POS", "MESSAGEPY", 442);
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
