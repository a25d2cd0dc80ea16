#pragma once
// The settings read from "rurirora.ini" at start-up.
#include <string>

#include "engine/ini_file.h"

namespace zepa::engine {

constexpr const char* kIniName = "rurirora.ini";
constexpr const char* kCaption = "ZEPA Adventure SYSTEM";
constexpr const char* kVersion = "1.18";
constexpr int kScreenWidth = 640;
constexpr int kScreenHeight = 480;

struct Config {
  int debug = 0;
  int debug_x = 100;
  int debug_y = 100;
  std::string cd_drive;
  std::string end_bgm = "se\\sleep.wav";
  std::string end_pic = "ZEPA";
  int full_screen = 1;
  int pos_top = 0;
  int pos_left = 0;
  std::string data_file = "zepaadv.dat";
  int text_wait = 50;
  int message_line = 6;
  int message_mojisuu = 56;
  int message_width = 630;
  int message_x = 12;
  int message_y = 348;
  int select_x = 32;
  int message_px = 604;
  int message_py = 442;
  int scenario_set = 0;
  std::string scenario = "story.kvs";
  int interval = 500;
  std::string font_file;  // our own key: a font file that overrides the face lookup
  int volume = 100;       // our own key: the player's output level in percent, 0-100
};

/// Reads every key in the order the main window reads them at creation.
/// `screen_w`/`screen_h` give the defaults of POS/TOP and POS/LEFT.
Config ReadConfig(const IniFile& ini, int screen_w, int screen_h);

}  // namespace zepa::engine
