// libFuzzer target for the configuration reader: the profile-file parser,
// the start-up keys and the write-back at exit, in memory and through a
// real file. Run by bench/fuzz.sh config.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/config.h"
#include "engine/ini_file.h"

namespace {

using zepa::engine::Config;
using zepa::engine::IniFile;

// The keys the main window writes back, set the way it sets them.
void WriteBack(IniFile& ini, const Config& c) {
  ini.SetInt("SCREEN", "FULL", c.full_screen);
  ini.Set("END", "BGM", c.end_bgm);
  ini.Set("END", "PIC", c.end_pic);
  ini.Set("BGM", "CDDRIVE", c.cd_drive);
  ini.SetInt("SYSTEM", "DEBUG", 1);
  ini.SetInt("TEXT", "TELOWAIT", c.text_wait);
  ini.Set("FILE", "DATA", c.data_file);
  ini.SetInt("POS", "TOP", c.pos_top);
  ini.SetInt("POS", "LEFT", c.pos_left);
  ini.SetInt("SYSTEM", "DEBUG_X", c.debug_x);
  ini.SetInt("SYSTEM", "DEBUG_Y", c.debug_y);
  ini.SetInt("MAIN", "SCENARIOSET", c.scenario_set);
  ini.Set("MAIN", "SCENARIO", c.scenario);
  ini.SetInt("MESSAGE", "INTERVAL", c.interval);
}

void CheckSame(const Config& a, const Config& b) {
  if (a.full_screen != b.full_screen || a.text_wait != b.text_wait || a.pos_top != b.pos_top ||
      a.pos_left != b.pos_left || a.debug_x != b.debug_x || a.debug_y != b.debug_y ||
      b.debug != 1 || a.scenario_set != b.scenario_set || a.interval != b.interval)
    std::abort();
  for (auto [x, y] : {std::pair{&a.end_bgm, &b.end_bgm},
                      {&a.end_pic, &b.end_pic},
                      {&a.cd_drive, &b.cd_drive},
                      {&a.data_file, &b.data_file},
                      {&a.scenario, &b.scenario}})
    if (*x != *y) std::abort();
  // Keys that are never written back keep their values.
  if (a.message_line != b.message_line || a.message_x != b.message_x ||
      a.message_y != b.message_y || a.select_x != b.select_x || a.font_file != b.font_file)
    std::abort();
}

const std::string& TempPath() {
  static const std::string* path = [] {
    const char* dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    auto* p = new std::string(std::string(dir) + "/zepa_config_fuzz_" + std::to_string(getpid()) +
                              ".ini");
    std::atexit([] { unlink(TempPath().c_str()); });
    return p;
  }();
  return *path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  IniFile ini = IniFile::Parse(text);
  if (ini.Text() != IniFile::Parse(ini.Text()).Text()) std::abort();
  const Config before = zepa::engine::ReadConfig(ini, 1920, 1080);

  WriteBack(ini, before);
  CheckSame(before, zepa::engine::ReadConfig(IniFile::Parse(ini.Text()), 1920, 1080));

  // Through the file: what was saved loads back as the text it was.
  if (!ini.Save(TempPath()).ok()) std::abort();
  const IniFile loaded = IniFile::Load(TempPath());
  if (loaded.Text() != IniFile::Parse(ini.Text()).Text()) std::abort();
  CheckSame(before, zepa::engine::ReadConfig(loaded, 1920, 1080));
  return 0;
}
