#include "engine/check.h"

#include <algorithm>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "display/packfile.h"
#include "display/picture.h"
#include "display/text_layout.h"
#include "engine/config.h"
#include "engine/ini_file.h"
#include "engine/paths.h"
#include "engine/scenario_file.h"
#include "platform/ascii.h"
#include "platform/cp932.h"
#include "script/arguments.h"
#include "script/codec.h"
#include "script/expression.h"
#include "script/interpreter.h"
#include "script/scenario.h"
#include "script/sjis.h"

namespace zepa::engine {
namespace fs = std::filesystem;
namespace {

using script::ArgumentForm;

std::string Lower(std::string_view s) { return platform::AsciiLowerCopy(s); }

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool IsTrailByte(uint8_t b) { return (b >= 0x40 && b <= 0x7e) || (b >= 0x80 && b <= 0xfc); }

// Lead bytes of the pairs the message window draws: the game's own lead bytes
// and the IBM extension rows the text layout also takes as pairs.
bool IsPairLead(uint8_t b) { return script::IsLeadByte(b) || (b >= 0xfa && b <= 0xfc); }

// What is left of a name for a near-match comparison: ASCII case and the
// separators that archives and copies tend to change are dropped.
std::string NearKey(std::string_view s) {
  std::string out;
  for (char c : s) {
    if (c == ' ' || c == '_' || c == '-' || c == '.' || c == '\\' || c == '/') continue;
    out.push_back(platform::AsciiLower(c));
  }
  return out;
}

// A Shift-JIS name as an archiver that took each byte for Latin-1 would have
// written it to disk.
std::string Latin1Mangled(std::string_view cp932) {
  std::string out;
  for (char c : cp932) platform::AppendUtf8(static_cast<uint8_t>(c), &out);
  return out;
}

bool IsUtf8(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    const auto b = static_cast<uint8_t>(s[i]);
    const size_t len = b < 0x80         ? 1
                       : (b >> 5) == 6  ? 2
                       : (b >> 4) == 14 ? 3
                       : (b >> 3) == 30 ? 4
                                        : 0;
    if (len == 0 || i + len > s.size()) return false;
    for (size_t k = 1; k < len; ++k)
      if ((static_cast<uint8_t>(s[i + k]) & 0xc0) != 0x80) return false;
    i += len;
  }
  return true;
}

// Paths mix names found on disk (mostly UTF-8) with the script's own
// Shift-JIS spelling where nothing matched; the report is UTF-8.
std::string Printable(std::string_view s) {
  return IsUtf8(s) ? std::string(s) : platform::Cp932ToUtf8(s);
}

std::string Quoted(std::string_view utf8) { return "\"" + std::string(utf8) + "\""; }

std::string Hex2(uint8_t b) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "0x%02X", b);
  return buf;
}

std::string CodePoint(char32_t cp) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(cp));
  return buf;
}

struct KnownKey {
  std::string_view section;
  std::string_view key;
  bool is_int;
};

// Every key the engine reads, the title window's included.
constexpr KnownKey kKnownKeys[] = {
    {"SYSTEM", "DEBUG", true},       {"SYSTEM", "DEBUG_X", true},
    {"SYSTEM", "DEBUG_Y", true},     {"BGM", "CDDRIVE", false},
    {"END", "BGM", false},           {"END", "PIC", false},
    {"SCREEN", "FULL", true},        {"POS", "TOP", true},
    {"POS", "LEFT", true},           {"POS", "MESSAGELINE", true},
    {"POS", "MESSAGEMOJISUU", true}, {"POS", "MESSAGEWIDTH", true},
    {"POS", "MESSAGEX", true},       {"POS", "MESSAGEY", true},
    {"POS", "MESSAGEPX", true},      {"POS", "MESSAGEPY", true},
    {"MESSAGE", "SELECT_X", true},   {"MESSAGE", "INTERVAL", true},
    {"FILE", "DATA", false},         {"TEXT", "TELOWAIT", true},
    {"MAIN", "SCENARIOSET", true},   {"MAIN", "SCENARIO", false},
    {"TITLE", "TIME", true},         {"TITLE", "FADE", true},
    {"ZEPA", "FONT", false},
};

size_t EditDistance(std::string_view a, std::string_view b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diag = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t up = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diag + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diag = up;
    }
  }
  return row[b.size()];
}

struct Scenario {
  std::string file;  // as shown
  std::string text;
  std::vector<size_t> line_starts;
  std::unordered_map<std::string, std::optional<size_t>> label_cache;
  std::set<size_t> labels_hit;
};

class Checker {
 public:
  explicit Checker(const CheckOptions& options) : options_(options), paths_(options.game_dir) {
    paths_.sjis_to_utf8 = [](std::string_view s) { return platform::Cp932ToUtf8(s); };
  }

  CheckReport Run() {
    ini_ = IniFile::Load(paths_.Resolve(kIniName));
    config_ = ReadConfig(ini_, kScreenWidth * 2, kScreenHeight * 2);
    if (!options_.font_file.empty()) config_.font_file = options_.font_file;
    pack_path_ = paths_.Resolve(config_.data_file);
    ReadPack();
    CheckConfig();

    const std::string start = options_.scenario.empty() ? config_.scenario : options_.scenario;
    const size_t scenario_line = options_.scenario.empty() ? IniLine("MAIN", "SCENARIO") : 0;
    queue_.push_back({start, options_.scenario.empty() ? kIniName : std::string(), scenario_line});
    while (!queue_.empty()) {
      const Pending next = queue_.front();
      queue_.pop_front();
      CheckScenario(next);
    }
    FinishCounts();

    std::stable_sort(report_.findings.begin(), report_.findings.end(),
                     [&](const Finding& a, const Finding& b) {
                       const size_t fa = FileRank(a.file), fb = FileRank(b.file);
                       if (fa != fb) return fa < fb;
                       return a.line < b.line;
                     });
    for (const Finding& f : report_.findings)
      (f.severity == Severity::kError ? report_.errors : report_.notes)++;
    return std::move(report_);
  }

 private:
  struct Pending {
    std::string name;         // Shift-JIS, as written
    std::string origin_file;  // where it was named; empty = the command line
    size_t origin_line = 0;
  };

  void Add(const std::string& file, size_t line, Severity severity, std::string message) {
    if (std::find(file_order_.begin(), file_order_.end(), file) == file_order_.end())
      file_order_.push_back(file);
    report_.findings.push_back({file, line, severity, std::move(message)});
  }
  void Error(const std::string& file, size_t line, std::string message) {
    Add(file, line, Severity::kError, std::move(message));
  }
  void Note(const std::string& file, size_t line, std::string message) {
    Add(file, line, Severity::kNote, std::move(message));
  }
  size_t FileRank(const std::string& file) const {
    return static_cast<size_t>(std::find(file_order_.begin(), file_order_.end(), file) -
                               file_order_.begin());
  }

  // A path as the report shows it: relative to the game directory.
  std::string Shown(const std::string& path) const {
    const std::string& dir = paths_.game_dir();
    if (path.size() > dir.size() && path.compare(0, dir.size(), dir) == 0 &&
        path[dir.size()] == '/')
      return Printable(path.substr(dir.size() + 1));
    return Printable(path);
  }

  size_t IniLine(std::string_view section, std::string_view key) const {
    for (const IniFile::Entry& e : ini_entries_)
      if (!e.shadowed && Lower(e.section) == Lower(section) && Lower(e.key) == Lower(key))
        return e.line;
    return 0;
  }

  // --- files -------------------------------------------------------------

  void ReadPack() {
    std::error_code ec;
    if (!fs::is_regular_file(pack_path_, ec)) return;
    std::string error;
    auto entries = display::ListPackFile(pack_path_, &error);
    if (!entries) {
      pack_damaged_ = true;
      Error(Shown(pack_path_), 0,
            "the packed picture file cannot be read whole (" + error +
                "): pictures after the damage are not found");
      return;
    }
    pack_present_ = true;
    for (const display::PackEntry& e : *entries) {
      pack_names_.insert(Lower(e.name));
      pack_entries_.push_back(e.name);
    }
  }

  bool InPack(const std::string& bare) {
    if (pack_present_) return pack_names_.count(Lower(bare)) != 0;
    if (pack_damaged_) return display::FindInPackFile(pack_path_, bare).has_value();
    return false;
  }

  // Sorted entries of a directory, read once.
  const std::vector<std::string>& Listing(const std::string& dir) {
    auto it = listings_.find(dir);
    if (it != listings_.end()) return it->second;
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator d(dir, ec), end; !ec && d != end; d.increment(ec))
      names.push_back(d->path().filename().string());
    std::sort(names.begin(), names.end());
    return listings_.emplace(dir, std::move(names)).first->second;
  }

  // A file on disk whose name differs from the wanted one only in case,
  // separators or Shift-JIS mangling; for pictures the pack's entries count.
  std::optional<std::string> NearMatch(std::string_view name, bool pictures) {
    std::string_view bare = name;
    std::string_view dir_part;
    const size_t cut = name.find_last_of("\\/");
    if (cut != std::string_view::npos) {
      bare = name.substr(cut + 1);
      dir_part = name.substr(0, cut);
    }
    const std::set<std::string> keys = {NearKey(bare), NearKey(platform::Cp932ToUtf8(bare)),
                                        NearKey(Latin1Mangled(bare))};
    auto matches = [&](std::string_view candidate) { return keys.count(NearKey(candidate)) != 0; };

    std::string dir = paths_.Resolve(dir_part);
    std::error_code ec;
    if (dir_part.empty() || !fs::is_directory(dir, ec)) dir = paths_.game_dir();
    for (const std::string& entry : Listing(dir)) {
      if (!matches(entry)) continue;
      return Shown(dir + "/" + entry);
    }
    if (pictures)
      for (const std::string& entry : pack_entries_)
        if (matches(entry)) return entry + " in " + config_.data_file;
    return std::nullopt;
  }

  bool FileOnDisk(const std::string& path, bool* empty = nullptr) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) return false;
    if (empty) *empty = fs::file_size(path, ec) == 0;
    return true;
  }

  std::string MissingMessage(std::string_view what, std::string_view name, const std::string& path,
                             bool pictures) {
    std::string m = std::string(what) + " " + Quoted(platform::Cp932ToUtf8(name)) +
                    " not found: tried " + Shown(path);
    if (pictures && (pack_present_ || pack_damaged_)) m += " and " + config_.data_file;
    if (auto near = NearMatch(name, pictures)) m += "; near match: " + *near;
    return m;
  }

  // --- assets --------------------------------------------------------------

  // Runs `check` for the first use of `key` only; a fault that repeats is
  // counted on the finding of its first use rather than reported again.
  template <typename F>
  void Once(const std::string& key, F check) {
    if (auto it = seen_.find(key); it != seen_.end()) {
      if (it->second.faulted) ++it->second.more;
      return;
    }
    const size_t before = report_.findings.size();
    check();
    seen_[key] = SeenUse{before, 0, report_.findings.size() > before};
  }

  void CheckPicture(const std::string& file, size_t line, std::string_view name) {
    if (name.empty()) return;
    Once("picture:" + std::string(name), [&] { CheckPictureOnce(file, line, name); });
  }

  void CheckPictureOnce(const std::string& file, size_t line, std::string_view name) {
    if (display::PictureKindOf(name) == display::PictureKind::kNone) {
      Error(file, line,
            "picture " + Quoted(platform::Cp932ToUtf8(name)) +
                " is not drawn: only .bmp, .jpg and .jpe pictures are read");
      return;
    }
    const std::string path = paths_.Resolve(name);
    if (InPack(std::string(display::BareName(path)))) return;
    bool empty = false;
    if (FileOnDisk(path, &empty)) {
      if (empty) Error(file, line, "picture " + Quoted(Shown(path)) + " is an empty file");
      return;
    }
    Error(file, line, MissingMessage("picture", name, path, true));
  }

  void CheckMediaFile(const std::string& file, size_t line, std::string_view what,
                      std::string_view name) {
    if (name.empty()) return;
    const std::string path = paths_.Resolve(name);
    Once("media:" + path, [&] {
      if (!FileOnDisk(path)) Error(file, line, MissingMessage(what, name, path, false));
    });
  }

  // The music rules of "bgm" and of the fades: a position prefix, then a name
  // that starts with a digit is a CD track, else a music or movie file.
  void CheckMusic(const std::string& file, size_t line, std::string_view command, std::string name,
                  bool digit_first) {
    auto skip = [](std::string_view s) {
      while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
      return s;
    };
    if (name.empty()) return;
    if (digit_first) {
      const std::string_view s = skip(name);
      if (!s.empty() && s.front() >= '0' && s.front() <= '9') {
        CheckCdTrack(file, line, script::DecimalArgument(s));
        return;
      }
    }
    const size_t c1 = name.find(',');
    if (c1 != std::string::npos) {
      const size_t c2 = name.find(',', c1 + 1);
      if (c2 == std::string::npos) {
        Error(file, line,
              "[" + std::string(command) + "] " + Quoted(platform::Cp932ToUtf8(name)) +
                  " has one comma: a position needs x,y,name, so nothing plays");
        return;
      }
      name = name.substr(c2 + 1);
    }
    const std::string_view s = skip(name);
    if (!s.empty() && s.front() >= '0' && s.front() <= '9') {
      CheckCdTrack(file, line, script::DecimalArgument(s));
      return;
    }
    const size_t dot = name.rfind('.');
    const std::string ext = dot == std::string::npos ? "" : Lower(name.substr(dot));
    bool movie = false;
    for (std::string_view m : {".avi", ".mpg", ".qt", ".mov", ".mpe"})
      if (ext.compare(0, m.size(), m) == 0) movie = true;
    CheckMediaFile(file, line, movie ? "movie" : "music", std::string(s));
  }

  void CheckCdTrack(const std::string& file, size_t line, int32_t track) {
    if (track == 0) return;
    if (track < 0) {
      Error(file, line, "CD track " + std::to_string(track) + " cannot exist: tracks count from 1");
      return;
    }
    Once("track:" + std::to_string(track), [&] { CheckCdTrackOnce(file, line, track); });
  }

  void CheckCdTrackOnce(const std::string& file, size_t line, int32_t track) {
    std::vector<std::string> dirs;
    std::string where;
    if (config_.cd_drive.empty()) {
      dirs = {paths_.Resolve("cd"), paths_.game_dir()};
      where = "cd/ or the game directory";
    } else {
      const std::string dir = paths_.Resolve(config_.cd_drive);
      std::error_code ec;
      if (!fs::is_directory(dir, ec)) {
        Error(file, line,
              "CD track " + std::to_string(track) + " not found: BGM/CDDRIVE names " +
                  Quoted(platform::Cp932ToUtf8(config_.cd_drive)) +
                  ", which is not a folder (tried " + Shown(dir) + ")");
        return;
      }
      dirs = {dir};
      where = Shown(dir) + "/";
    }
    char n1[16], n2[16];
    std::snprintf(n1, sizeof n1, "%d", track);
    std::snprintf(n2, sizeof n2, "%02d", track);
    std::set<std::string> wanted;
    for (std::string_view stem : {"track", "track_"})
      for (const char* num : {n1, n2})
        for (std::string_view ext : {".ogg", ".flac", ".wav", ".mp3"})
          wanted.insert(std::string(stem) + num + std::string(ext));
    for (const std::string& dir : dirs)
      for (const std::string& entry : Listing(dir))
        if (wanted.count(Lower(entry)) && FileOnDisk(dir + "/" + entry)) return;
    Error(file, line,
          "CD track " + std::to_string(track) + " not found: no track" + n2 + " or track_" + n2 +
              " (.ogg, .flac, .wav, .mp3) in " + where);
  }

  // --- configuration -------------------------------------------------------

  void CheckConfig() {
    ini_entries_ = ini_.Entries();
    const std::string ini = kIniName;
    for (const IniFile::Entry& e : ini_entries_) {
      const std::string full = Printable(e.section + "/" + e.key);
      const KnownKey* known = nullptr;
      for (const KnownKey& k : kKnownKeys)
        if (Lower(k.section) == Lower(e.section) && Lower(k.key) == Lower(e.key)) known = &k;
      if (!known) {
        std::string m = "unknown key " + full + ": nothing reads it";
        const KnownKey* best = nullptr;
        size_t best_d = 3;
        for (const KnownKey& k : kKnownKeys) {
          const size_t d =
              EditDistance(Lower(std::string(k.section) + "/" + std::string(k.key)), Lower(full));
          if (d < best_d) best_d = d, best = &k;
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
        Error(
            ini, e.line,
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

    if (ini_.Get("FILE", "DATA") && !pack_present_ && !pack_damaged_)
      Error(ini, IniLine("FILE", "DATA"),
            "FILE/DATA names " + Quoted(platform::Cp932ToUtf8(config_.data_file)) +
                ", which does not exist: every picture is read from disk");
    if (config_.end_pic != "ZEPA") CheckPicture(ini, IniLine("END", "PIC"), config_.end_pic);
    if (ini_.Get("END", "BGM")) {
      CheckMediaFile(ini, IniLine("END", "BGM"), "end sound", config_.end_bgm);
    } else if (!FileOnDisk(paths_.Resolve(config_.end_bgm))) {
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

  // --- scenarios -----------------------------------------------------------

  void CheckScenario(const Pending& pending) {
    const std::string origin = pending.origin_file.empty() ? "zepa" : pending.origin_file;
    if (pending.name.empty()) {
      Error(origin, pending.origin_line, "the start scenario name is empty");
      return;
    }
    if (platform::StartsWithNoCase(pending.name, "http:")) {
      Note(origin, pending.origin_line,
           "scenario " + Quoted(platform::Cp932ToUtf8(pending.name)) +
               " is fetched over HTTP: not checked");
      return;
    }
    const std::string path = paths_.Resolve(pending.name);
    if (!scenarios_seen_.insert(path).second) return;
    const ScenarioFile read = ReadScenarioFile(path);
    switch (read.status) {
      case ScenarioFile::Status::kRead:
        break;
      case ScenarioFile::Status::kMissing:
        Error(origin, pending.origin_line, MissingMessage("scenario", pending.name, path, false));
        return;
      case ScenarioFile::Status::kTooLarge:
        Error(origin, pending.origin_line, read.message);
        return;
      case ScenarioFile::Status::kUnreadable:
        Error(origin, pending.origin_line, "scenario " + Shown(path) + " cannot be read");
        return;
    }
    Scenario sc;
    sc.file = Shown(path);
    const script::DecodedScenario decoded = script::DecodeScenarioFile(read.bytes);
    if (decoded.encoded) {
      const std::string_view letters = std::string_view(read.bytes).substr(1);
      if (auto fault = script::FindLetterFault(letters)) {
        const size_t line =
            1 + static_cast<size_t>(
                    std::count(letters.begin(),
                               letters.begin() + static_cast<std::ptrdiff_t>(fault->offset), '\n'));
        Error(sc.file, line, "the encoded scenario does not decode: " + fault->message);
      }
      Note(sc.file, 0, "encoded scenario: line numbers count the lines of its decoded text");
    } else {
      CheckNulBytes(sc.file, read.bytes);
    }
    sc.text = decoded.text;
    ++report_.scenarios;
    for (size_t pos = 0; pos < sc.text.size(); pos = script::NextLine(sc.text, pos))
      sc.line_starts.push_back(pos);
    report_.lines += sc.line_starts.size();

    for (size_t i = 0; i < sc.line_starts.size(); ++i) {
      const size_t pos = sc.line_starts[i];
      CheckShiftJis(sc, pos, i + 1);
      if (pos < sc.text.size() && sc.text[pos] == '#') continue;
      CheckCommand(sc, pos, i + 1);
    }
    ReportLabels(sc);
  }

  // The plain reader reads in pieces of 2047 bytes and keeps each piece up
  // to its first NUL byte, so a NUL drops the rest of its line, LF included.
  void CheckNulBytes(const std::string& file, std::string_view bytes) {
    size_t line = 1;
    for (size_t pos = 0; pos < bytes.size(); ++line) {
      size_t lf = bytes.find('\n', pos);
      if (lf == std::string_view::npos) lf = bytes.size();
      const size_t nul = bytes.substr(pos, lf - pos).find('\0');
      if (nul != std::string_view::npos)
        Error(file, line,
              "a NUL byte at byte " + std::to_string(nul + 1) +
                  ": the reader drops the rest of the line and joins the next line to it");
      pos = lf + 1;
    }
  }

  void CheckShiftJis(const Scenario& sc, size_t pos, size_t line) {
    const std::string_view text = sc.text;
    for (size_t i = pos; i < text.size() && text[i] != '\n'; ++i) {
      const auto b = static_cast<uint8_t>(text[i]);
      if (b < 0x80 || (b >= 0xa1 && b <= 0xdf)) continue;
      if (IsPairLead(b)) {
        const bool has_trail = i + 1 < text.size() && text[i + 1] != '\n' &&
                               IsTrailByte(static_cast<uint8_t>(text[i + 1]));
        if (!has_trail) {
          Error(sc.file, line,
                "invalid Shift-JIS: lead byte " + Hex2(b) + " at byte " +
                    std::to_string(i - pos + 1) + " has no trail byte");
          return;
        }
        ++i;
        continue;
      }
      Error(sc.file, line,
            "invalid Shift-JIS: byte " + Hex2(b) + " at byte " + std::to_string(i - pos + 1) +
                " is not a character");
      return;
    }
  }

  // A label line's first token, the way FindLabel compares it.
  static std::string LabelToken(std::string_view text, size_t pos) {
    size_t end = pos;
    while (end < text.size() && text[end] != '\t' && text[end] != '\n' && text[end] != '\r' &&
           text[end] != ' ' && text[end] != '/')
      ++end;
    return std::string(text.substr(pos, end - pos));
  }

  void ReportLabels(const Scenario& sc) {
    std::map<std::string, size_t> first_line;
    for (size_t i = 0; i < sc.line_starts.size(); ++i) {
      const size_t pos = sc.line_starts[i];
      if (sc.text[pos] != '#') continue;
      const std::string token = LabelToken(sc.text, pos);
      const std::string shown = platform::Cp932ToUtf8(token);
      auto [it, fresh] = first_line.emplace(token, i + 1);
      if (!fresh) {
        Note(sc.file, i + 1,
             "label " + shown + " repeats the one on line " + std::to_string(it->second) +
                 ": jumps always reach that one");
        continue;
      }
      // The menu key jumps to "#MENU" from anywhere.
      if (token == "#MENU" || sc.labels_hit.count(pos)) continue;
      Note(sc.file, i + 1, "label " + shown + ": nothing jumps here");
    }
  }

  std::optional<size_t> Label(Scenario& sc, const std::string& target) {
    auto it = sc.label_cache.find(target);
    if (it != sc.label_cache.end()) return it->second;
    const auto found = script::FindLabel(sc.text, target);
    sc.label_cache.emplace(target, found);
    return found;
  }

  void CheckCommand(Scenario& sc, size_t pos, size_t line) {
    const std::string_view text = sc.text;
    size_t p = pos;
    while (p < text.size() && IsBlank(text[p])) ++p;
    if (p >= text.size() || text[p] != '[') return;

    const auto& names = script::Interpreter::CommandNames();
    const auto& forms = script::Interpreter::CommandForms();
    size_t index = names.size();
    size_t arg = 0;
    for (size_t i = 0; i < names.size(); ++i) {
      if (auto a = script::MatchCommand(names[i], text, pos)) {
        index = i;
        arg = *a;
        break;
      }
    }
    if (index == names.size()) {
      size_t end = p + 1;
      while (end < text.size() && text[end] != ']' && text[end] != '\n') ++end;
      const std::string name(text.substr(p + 1, end - p - 1));
      std::string m = "unknown command [" + platform::Cp932ToUtf8(name) + "]: the line is skipped";
      for (std::string_view n : names)
        if (Lower(name) == n) m += " (commands are lower case: [" + std::string(n) + "])";
      Error(sc.file, line, m);
      return;
    }
    const std::string_view name = names[index];
    const std::string cmd = "[" + std::string(name) + "]";
    const std::string_view rest = script::RestOfLine(text, arg);

    switch (forms[index]) {
      case ArgumentForm::kNumbers2:
        CheckNumbers(sc.file, line, cmd, rest, 2);
        break;
      case ArgumentForm::kNumbers4:
        CheckNumbers(sc.file, line, cmd, rest, 4);
        break;
      case ArgumentForm::kNumbers5:
        CheckNumbers(sc.file, line, cmd, rest, 5);
        break;
      case ArgumentForm::kColor:
        CheckColor(sc.file, line, cmd, rest);
        break;
      case ArgumentForm::kDecimal: {
        const std::string a = script::CompactArgument(text, arg);
        size_t i = (!a.empty() && (a[0] == '-' || a[0] == '+')) ? 1 : 0;
        while (i < a.size() && a[i] >= '0' && a[i] <= '9') ++i;
        if (i != a.size())
          Error(sc.file, line,
                cmd + " takes a whole number: " + Quoted(platform::Cp932ToUtf8(a)) + " reads as " +
                    std::to_string(script::DecimalArgument(a)));
        break;
      }
      case ArgumentForm::kText:
        CheckMessageGlyphs(sc, arg, line);
        break;
      default:
        break;
    }

    const std::string compact = script::CompactArgument(text, arg);
    if (name == "pic" || name == "picture" || name == "p") {
      CheckPicture(sc.file, line, compact);
      if (name != "picture") CheckFrame(sc.file, line);
    } else if (name == "frame") {
      CheckFrame(sc.file, line);
    } else if (name == "endpic") {
      if (compact != "ZEPA") CheckPicture(sc.file, line, compact);
    } else if (name == "bpic" || name == "bpicture") {
      CheckPlacedPicture(sc.file, line, cmd, compact, name == "bpic");
    } else if (name == "chara") {
      CheckCharacters(sc.file, line, compact);
    } else if (name == "bgm") {
      CheckMusic(sc.file, line, name, compact, false);
    } else if (name == "bgmfadein" || name == "bgmfadeout") {
      CheckMusic(sc.file, line, name, compact, true);
    } else if (name == "cd") {
      CheckCdTrack(sc.file, line, script::DecimalArgument(compact));
    } else if (name == "wav") {
      CheckMediaFile(sc.file, line, "sound effect", compact);
    } else if (name == "endbgm") {
      CheckMediaFile(sc.file, line, "end sound", compact);
    } else if (name == "go") {
      CheckGo(sc, line, compact.substr(0, std::min(compact.size(), script::kNameBytes - 1)));
    } else if (name == "if") {
      CheckIf(sc, arg, line);
    } else if (name == "set") {
      CheckSet(sc.file, line, compact);
    } else if (name == "load") {
      const std::string target = script::LineArgument(text, arg);
      if (target.empty()) {
        Error(sc.file, line, "[load] without a scenario name fails; the scenario goes on");
      } else {
        queue_.push_back({target, sc.file, line});
      }
    }
  }

  void CheckFrame(const std::string& file, size_t line) {
    if (frame_checked_) return;
    frame_checked_ = true;
    CheckPicture(file, line, "frame\\frame2.bmp");
    CheckPicture(file, line, "frame\\frame.bmp");
  }

  // Commas that separate values: a Shift-JIS pair is one character, and a
  // lead byte at the very end stops the scan, as NumberList reads it.
  static std::vector<size_t> Commas(std::string_view s) {
    std::vector<size_t> commas;
    for (size_t i = 0; i < s.size(); ++i) {
      if (script::IsLeadByte(s[i])) {
        if (i + 1 >= s.size()) break;
        ++i;
        continue;
      }
      if (s[i] == ',') commas.push_back(i);
    }
    return commas;
  }

  static bool HasComment(std::string_view s) {
    for (size_t i = 0; i + 1 < s.size(); ++i) {
      if (script::IsLeadByte(s[i])) {
        ++i;
        continue;
      }
      if (s[i] == '/' && s[i + 1] == '/') return true;
    }
    return false;
  }

  void CheckNumbers(const std::string& file, size_t line, const std::string& cmd,
                    std::string_view rest, size_t count) {
    const std::string_view arg = TrimBlanks(rest);
    const std::vector<size_t> commas = Commas(arg);
    const size_t given = arg.empty() ? 0 : commas.size() + 1;
    if (commas.size() + 1 < count) {
      // A value is taken only once its comma is found.
      const size_t first_zero = commas.size() + 1;
      Error(file, line,
            cmd + " needs " + std::to_string(count) + " numbers, found " + std::to_string(given) +
                ": values " + std::to_string(first_zero) + " to " + std::to_string(count) +
                " read as 0");
    } else if (commas.size() + 1 > count) {
      Error(file, line,
            cmd + " needs " + std::to_string(count) + " numbers, found " + std::to_string(given) +
                ": the last value reads " +
                Quoted(platform::Cp932ToUtf8(arg.substr(commas[count - 2] + 1))) +
                " as one expression");
    }
    if (HasComment(arg))
      Error(file, line,
            "a // comment after the numbers of " + cmd + " becomes part of the last value");
  }

  void CheckColor(const std::string& file, size_t line, const std::string& cmd,
                  std::string_view rest) {
    const std::string_view arg = TrimBlanks(rest);
    if (arg.find(',') != std::string_view::npos) {
      const std::vector<size_t> commas = Commas(arg);
      if (commas.size() < 2) {
        Error(file, line,
              cmd + " colour " + Quoted(platform::Cp932ToUtf8(arg)) +
                  " needs r,g,b: it reads as black");
      } else if (commas.size() > 2) {
        Error(
            file, line,
            cmd + " colour " + Quoted(platform::Cp932ToUtf8(arg)) + " has more than three values");
      }
      if (HasComment(arg))
        Error(file, line,
              "a // comment after the colour of " + cmd + " becomes part of the blue value");
      return;
    }
    // Only the first six characters are read; a comment after them is harmless.
    std::string_view digits = arg;
    const size_t comment = digits.find("//");
    if (comment != std::string_view::npos) digits = TrimBlanks(digits.substr(0, comment));
    bool ok = digits.size() == 6;
    for (char c : digits)
      if (!std::isxdigit(static_cast<unsigned char>(c))) ok = false;
    if (!ok)
      Error(file, line,
            cmd + " colour " + Quoted(platform::Cp932ToUtf8(digits)) +
                " is not six hexadecimal digits (rrggbb)");
  }

  void CheckPlacedPicture(const std::string& file, size_t line, const std::string& cmd,
                          std::string_view arg, bool keyed) {
    std::string_view name = arg;
    if (arg.find(',') != std::string_view::npos) {
      const auto pos = script::ParsePosition(arg);
      if (!pos) {
        Error(file, line,
              cmd + " " + Quoted(platform::Cp932ToUtf8(arg)) +
                  " draws nothing: a position needs x,y,name");
        return;
      }
      name = pos->rest;
    }
    if (keyed) {
      const size_t colon = name.find(':');
      if (colon != std::string_view::npos) {
        const int32_t n = script::DecimalArgument(name.substr(colon + 1));
        if (n < 0 || n > 100)
          Error(file, line,
                cmd + " opacity " + std::to_string(n) + " is outside 0-100 and counts as 0");
        name = name.substr(0, colon);
      }
    }
    CheckPicture(file, line, name);
  }

  void CheckCharacters(const std::string& file, size_t line, std::string_view arg) {
    if (arg.empty()) return;
    size_t start = 0;
    size_t count = 0;
    while (start <= arg.size()) {
      size_t comma = arg.find(',', start);
      if (comma == std::string_view::npos) comma = arg.size();
      const std::string_view name = arg.substr(start, comma - start);
      if (++count > 3) {
        Error(file, line,
              "[chara] draws three characters at most: " +
                  Quoted(platform::Cp932ToUtf8(arg.substr(start))) + " is ignored");
        return;
      }
      CheckPicture(file, line, name);
      start = comma + 1;
    }
  }

  void CheckGo(Scenario& sc, size_t line, const std::string& target) {
    if (target.empty()) {
      Error(sc.file, line, "[go] without a label: the scenario goes on with the next line");
      return;
    }
    const std::string shown = platform::Cp932ToUtf8(target);
    if (target[0] != '#') {
      Error(sc.file, line, "[go] " + shown + " does not begin with #: it never reaches a label");
      return;
    }
    if (const auto found = Label(sc, target)) {
      sc.labels_hit.insert(*found);
      return;
    }
    if (target == "#MENU") {
      Error(sc.file, line,
            "no label #MENU: the jump clears the screen, then the scenario goes on after it");
      return;
    }
    std::string m = "no label " + shown + ": the jump is ignored and the scenario goes on";
    for (size_t pos : sc.line_starts) {
      if (sc.text[pos] != '#') continue;
      const std::string token = LabelToken(sc.text, pos);
      if (Lower(token) == Lower(target) || NearKey(token) == NearKey(target)) {
        m += " (near match: " + platform::Cp932ToUtf8(token) + ")";
        break;
      }
    }
    Error(sc.file, line, m);
  }

  void CheckIf(Scenario& sc, size_t arg, size_t line) {
    const std::string_view rest = script::RestOfLine(sc.text, arg);
    const size_t op = rest.find_first_of("<=>!");
    if (op == std::string_view::npos) {
      Error(sc.file, line, "[if] condition has no <, =, > or !: it never holds");
      return;
    }
    size_t right = op;
    while (right < rest.size() &&
           std::string_view("<=>! \t").find(rest[right]) != std::string_view::npos)
      ++right;
    const size_t bracket = rest.find('[', right);
    const std::string_view condition =
        rest.substr(0, bracket == std::string_view::npos ? rest.size() : bracket);
    if (HasComment(condition))
      Error(sc.file, line, "a // comment in an [if] condition becomes part of its right side");
    if (bracket != std::string_view::npos) CheckCommand(sc, arg + bracket, line);
  }

  void CheckSet(const std::string& file, size_t line, const std::string& arg) {
    const size_t quote = arg.find('"');
    const size_t eq = arg.find('=');
    if (eq == std::string::npos) {
      Error(file, line,
            "[set] " + Quoted(platform::Cp932ToUtf8(arg)) + " has no =: it changes nothing");
      return;
    }
    if (quote != std::string::npos && arg.find('"', quote + 1) == std::string::npos)
      Error(file, line, "[set] text value has no closing \": it changes nothing");
  }

  // --- the message font ----------------------------------------------------

  platform::Font* MessageFont() {
    if (font_tried_) return font_.get();
    font_tried_ = true;
    std::string error = "no font service";
    if (options_.open_font) {
      platform::FontRequest request;
      if (!config_.font_file.empty()) request.file_path = paths_.Resolve(config_.font_file);
      font_ = options_.open_font(request, &error);
    }
    if (!font_)
      Note(kIniName, 0, "no message font could be opened (" + error + "): glyphs are not checked");
    if (font_) {
      const std::string& path = font_->FilePath();
      font_name_ = path.substr(path.find_last_of('/') + 1);
    }
    return font_.get();
  }

  // Walks the message as ExpandText does, leaving out what it substitutes,
  // and asks the font for every character that would be drawn.
  void CheckMessageGlyphs(const Scenario& sc, size_t arg, size_t line) {
    platform::Font* font = MessageFont();
    if (!font) return;
    const std::string_view text = sc.text;
    size_t at_line = line;
    for (size_t i = arg; i < text.size();) {
      const char c = text[i];
      if (c == '\n') {
        if (i + 1 >= text.size() || text[i + 1] == '#' || text[i + 1] == '[' || text[i + 1] == '/')
          return;
        ++at_line;
        ++i;
        continue;
      }
      if ((c == '\\' && i + 1 < text.size() && text[i + 1] == 'n') ||
          (c == '%' && i + 1 < text.size() && (text[i + 1] == 's' || text[i + 1] == 'v'))) {
        i += 2;
        continue;
      }
      if (c == '$') {
        const size_t close = text.substr(i + 1, 66).find('$');
        i += close == std::string_view::npos ? 1 : close + 2;
        continue;
      }
      const auto b = static_cast<uint8_t>(c);
      size_t len = 1;
      if (IsPairLead(b)) {
        if (i + 1 >= text.size() || !IsTrailByte(static_cast<uint8_t>(text[i + 1]))) {
          ++i;  // reported as invalid Shift-JIS
          continue;
        }
        len = 2;
      }
      if (b < 0x20) {
        ++i;
        continue;
      }
      const char32_t cp = platform::Cp932CharToUtf32(text.substr(i, len));
      i += len;
      if (cp == platform::kReplacementChar) continue;  // reported as invalid Shift-JIS
      auto known = glyphs_.find(cp);
      if (known == glyphs_.end()) {
        const bool has = font->HasGlyph(cp);
        known = glyphs_.emplace(cp, GlyphUse{has, report_.findings.size(), 0}).first;
        if (!has) {
          std::string shown;
          platform::AppendUtf8(cp, &shown);
          Error(sc.file, at_line,
                "the message font " + font_name_ + " has no glyph for \"" + shown + "\" (" +
                    CodePoint(cp) + ")");
        }
      } else if (!known->second.has) {
        ++known->second.more;
      }
    }
  }

  void FinishCounts() {
    auto more = [](size_t n) {
      return "; used " + std::to_string(n) + (n == 1 ? " more time" : " more times");
    };
    for (const auto& [cp, use] : glyphs_)
      if (!use.has && use.more) report_.findings[use.finding].message += more(use.more);
    for (const auto& [key, use] : seen_)
      if (use.faulted && use.more) report_.findings[use.finding].message += more(use.more);
  }

  struct GlyphUse {
    bool has = true;
    size_t finding = 0;
    size_t more = 0;
  };

  const CheckOptions& options_;
  PathResolver paths_;
  IniFile ini_;
  std::vector<IniFile::Entry> ini_entries_;
  Config config_;
  CheckReport report_;
  std::vector<std::string> file_order_;

  std::string pack_path_;
  bool pack_present_ = false;
  bool pack_damaged_ = false;
  std::unordered_set<std::string> pack_names_;
  std::vector<std::string> pack_entries_;

  std::unordered_map<std::string, std::vector<std::string>> listings_;
  struct SeenUse {
    size_t finding = 0;  // the first use's finding, when it faulted
    size_t more = 0;
    bool faulted = false;
  };
  std::unordered_map<std::string, SeenUse> seen_;
  bool frame_checked_ = false;

  std::deque<Pending> queue_;
  std::set<std::string> scenarios_seen_;

  bool font_tried_ = false;
  std::unique_ptr<platform::Font> font_;
  std::string font_name_;
  std::map<char32_t, GlyphUse> glyphs_;
};

std::string JsonString(std::string_view s) {
  std::string out = "\"";
  for (char c : s) {
    const auto b = static_cast<uint8_t>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (b < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", b);
      out += buf;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string Plural(size_t n, std::string_view word) {
  return std::to_string(n) + " " + std::string(word) + (n == 1 ? "" : "s");
}

}  // namespace

CheckReport CheckGame(const CheckOptions& options) { return Checker(options).Run(); }

std::string FormatCheckText(const CheckReport& report) {
  std::string out;
  for (const Finding& f : report.findings) {
    out += f.file;
    if (f.line) out += ":" + std::to_string(f.line);
    out += f.severity == Severity::kError ? ": error: " : ": note: ";
    out += f.message;
    out += '\n';
  }
  out += Plural(report.errors, "error") + ", " + Plural(report.notes, "note") + " in " +
         Plural(report.scenarios, "scenario") + " (" + Plural(report.lines, "line") + ")\n";
  return out;
}

std::string FormatCheckJson(const CheckReport& report) {
  std::string out = "{\"findings\":[";
  for (size_t i = 0; i < report.findings.size(); ++i) {
    const Finding& f = report.findings[i];
    if (i) out += ",";
    out += "\n{\"file\":" + JsonString(f.file) + ",\"line\":" + std::to_string(f.line) +
           ",\"severity\":" + (f.severity == Severity::kError ? "\"error\"" : "\"note\"") +
           ",\"message\":" + JsonString(f.message) + "}";
  }
  out += "],\n\"errors\":" + std::to_string(report.errors) +
         ",\"notes\":" + std::to_string(report.notes) +
         ",\"scenarios\":" + std::to_string(report.scenarios) +
         ",\"lines\":" + std::to_string(report.lines) + "}\n";
  return out;
}

}  // namespace zepa::engine
