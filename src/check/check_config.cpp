#include "check/checker.h"
#include "display/text_layout.h"
#include "platform/ascii.h"

namespace zepa::engine::check_detail {

void Checker::CheckConfig() {
  ini_entries_ = ini_.Entries();
  const std::string ini = kIniName;
  std::vector<std::string> known_names;
  for (const KnownKey& k : kKnownKeys)
    known_names.push_back(Lower(std::string(k.section) + "/" + std::string(k.key)));
  // A key written with its default value is judged as the default: the
  // game's own write-back puts such keys into the file.
  const Config defaults = ReadConfig(IniFile(), kScreenWidth * 2, kScreenHeight * 2);
  auto written = [&](std::string_view section, std::string_view key, std::string_view def) {
    const auto v = ini_.Get(section, key);
    return v && !platform::EqualsNoCase(*v, def);
  };
  for (const IniFile::Entry& e : ini_entries_) {
    const std::string full = Printable(e.section + "/" + e.key);
    const KnownKey* known = nullptr;
    for (const KnownKey& k : kKnownKeys)
      if (platform::EqualsNoCase(k.section, e.section) && platform::EqualsNoCase(k.key, e.key))
        known = &k;
    if (!known) {
      std::string m = "unknown key " + full + ": nothing reads it";
      const KnownKey* best = nullptr;
      size_t best_d = 3;
      const std::string lower_full = Lower(full);
      for (size_t i = 0; i < std::size(kKnownKeys); ++i) {
        const std::string& name = known_names[i];
        // The distance is at least the difference in length.
        if (std::max(name.size(), lower_full.size()) - std::min(name.size(), lower_full.size()) >=
            best_d)
          continue;
        const size_t d = EditDistance(name, lower_full);
        if (d < best_d) best_d = d, best = &kKnownKeys[i];
      }
      if (best)
        m += " (did you mean " + std::string(best->section) + "/" + std::string(best->key) + "?)";
      Error(ini, e.line, m);
      continue;
    }
    if (e.shadowed) {
      Note(ini, e.line, full + " is given again: only the first one is read");
      continue;
    }
    if (known->is_int && !ProfileInt(e.value)) {
      Error(ini, e.line,
            full + "=" + platform::Cp932ToUtf8(e.value) + " is not a number: the default is used");
    }
  }

  // Message geometry: what the message window would really use.
  const display::MessageGeometry g = display::ClampMessageGeometry(
      config_.message_line, config_.message_mojisuu, config_.message_width, config_.interval);
  auto differs = [&](std::string_view section, std::string_view key, int given, int used,
                     std::string_view why) {
    if (given == used) return;
    Error(ini, IniLine(section, key),
          std::string(section) + "/" + std::string(key) + "=" + std::to_string(given) + " " +
              std::string(why) + ": " + std::to_string(used) + " is used");
  };
  differs("POS", "MESSAGEMOJISUU", config_.message_mojisuu, g.mojisuu,
          "is outside 2-1021 characters");
  differs("POS", "MESSAGELINE", config_.message_line, g.lines,
          "does not fit the 1023-byte page with that line length");
  differs("POS", "MESSAGEWIDTH", config_.message_width, g.width, "is outside 0-640 pixels");
  differs("MESSAGE", "INTERVAL", config_.interval, g.interval_ms, "is below 1 ms");
  auto on_screen = [&](std::string_view section, std::string_view key, int v, int limit,
                       std::string_view what) {
    if (v >= 0 && v < limit) return;
    Error(ini, IniLine(section, key),
          std::string(section) + "/" + std::string(key) + "=" + std::to_string(v) + " puts " +
              std::string(what) + " outside the 640 x 480 screen");
  };
  on_screen("POS", "MESSAGEX", config_.message_x, kScreenWidth, "the message window");
  on_screen("POS", "MESSAGEY", config_.message_y, kScreenHeight, "the message window");
  on_screen("POS", "MESSAGEPX", config_.message_px, kScreenWidth, "the wait icon");
  on_screen("POS", "MESSAGEPY", config_.message_py, kScreenHeight, "the wait icon");
  on_screen("MESSAGE", "SELECT_X", config_.select_x, kScreenWidth, "the choice list");
  auto not_negative = [&](std::string_view section, std::string_view key, int v) {
    if (v >= 0) return;
    Error(ini, IniLine(section, key),
          std::string(section) + "/" + std::string(key) + "=" + std::to_string(v) +
              " cannot be negative");
  };
  not_negative("TEXT", "TELOWAIT", config_.text_wait);
  not_negative("TITLE", "TIME", ini_.GetInt("TITLE", "TIME", 3));
  not_negative("TITLE", "FADE", ini_.GetInt("TITLE", "FADE", 3000));

  if (written("FILE", "DATA", defaults.data_file) && !pack_present_ && !pack_damaged_)
    Error(ini, IniLine("FILE", "DATA"),
          "FILE/DATA names " + Quoted(platform::Cp932ToUtf8(config_.data_file)) +
              ", which does not exist: every picture is read from disk");
  if (config_.end_pic != "ZEPA") CheckPicture(ini, IniLine("END", "PIC"), config_.end_pic);
  if (written("END", "BGM", defaults.end_bgm)) {
    CheckMediaFile(ini, IniLine("END", "BGM"), "end sound", config_.end_bgm);
  } else if (options_.strict && !FileOnDisk(paths_.Resolve(config_.end_bgm))) {
    // Without the default end sound the end screen is silent, by design.
    Note(ini, 0,
         "the end sound " + config_.end_bgm +
             " (the default of END/BGM) is missing: the end screen is silent");
  }
  if (!config_.font_file.empty() && !FileOnDisk(paths_.Resolve(config_.font_file)))
    Error(options_.font_file.empty() ? ini : std::string("--font"),
          options_.font_file.empty() ? IniLine("ZEPA", "FONT") : 0,
          "font file " + Quoted(config_.font_file) + " not found: tried " +
              Shown(paths_.Resolve(config_.font_file)));
}

}  // namespace zepa::engine::check_detail
