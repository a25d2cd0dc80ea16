#pragma once
// The checker's state and its steps; the steps live in check_*.cpp by what
// they look at: files, assets, the configuration and the scenarios.
#include <algorithm>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "check/check.h"
#include "check/check_text.h"
#include "engine/config.h"
#include "engine/ini_file.h"
#include "platform/cp932.h"
#include "platform/font.h"
#include "script/paths.h"
#include "script/scenario.h"

namespace zepa::engine::check_detail {

struct Scenario {
  std::string file;  // as shown
  std::string text;
  std::vector<size_t> line_starts;
  std::optional<script::LabelIndex> labels;  // made at the first lookup
  std::set<size_t> labels_hit;
};

// Where the game first needs one of the message window's files.
struct FirstUse {
  std::string file;
  size_t line = 0;
  bool seen() const { return line != 0; }
};

class Checker {
 public:
  explicit Checker(const CheckOptions& options) : options_(options), paths_(options.game_dir) {
    paths_.sjis_to_utf8 = [](std::string_view s) { return platform::Cp932ToUtf8(s); };
  }

  CheckReport Run();

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

  void ReadPack();

  bool InPack(const std::string& bare);

  // Sorted entries of a directory, read once.
  const std::vector<std::string>& Listing(const std::string& dir);

  // A file on disk whose name differs from the wanted one only in case,
  // separators or Shift-JIS mangling; for pictures the pack's entries count.
  std::optional<std::string> NearMatch(std::string_view name, bool pictures);

  bool FileOnDisk(const std::string& path, bool* empty = nullptr);

  std::string MissingMessage(std::string_view what, std::string_view name, const std::string& path,
                             bool pictures);

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

  void CheckPicture(const std::string& file, size_t line, std::string_view name);

  void CheckPictureOnce(const std::string& file, size_t line, std::string_view name);

  void CheckMediaFile(const std::string& file, size_t line, std::string_view what,
                      std::string_view name);

  // The music rules of "bgm" and of the fades: a position prefix, then a name
  // that starts with a digit is a CD track, else a music or movie file.
  void CheckMusic(const std::string& file, size_t line, std::string_view command, std::string name,
                  bool digit_first);

  void CheckCdTrack(const std::string& file, size_t line, int32_t track);

  void CheckCdTrackOnce(const std::string& file, size_t line, int32_t track);

  void CheckConfig();

  void CheckScenario(const Pending& pending);

  // The plain reader reads in pieces of 2047 bytes and keeps each piece up
  // to its first NUL byte, so a NUL drops the rest of its line, LF included.
  void CheckNulBytes(const std::string& file, std::string_view bytes);

  void CheckShiftJis(const Scenario& sc, size_t pos, size_t line);

  // A label line's first token, the way FindLabel compares it.
  static std::string LabelToken(std::string_view text, size_t pos);

  void ReportLabels(Scenario& sc);

  // True when running off the line at `pos` can reach the line below it.
  bool FallsThrough(Scenario& sc, size_t pos);

  std::optional<size_t> Label(Scenario& sc, const std::string& target);

  void CheckCommand(Scenario& sc, size_t pos, size_t line);

  // Remembers the first line that shows text, a choice, a click wait or the
  // frame, for the message window's files.
  void NoteMessageWindowUse(const std::string& file, size_t line, std::string_view command);

  // The frame pictures and the wait icons, reported where they are first needed.
  void CheckMessageWindowFiles();

  // Empty when the picture is in the packed file or on disk, else why not.
  std::optional<std::string> MissingWindowPicture(std::string_view name);

  // Commas that separate values: a Shift-JIS pair is one character, and a
  // lead byte at the very end stops the scan, as NumberList reads it.
  static std::vector<size_t> Commas(std::string_view s);

  static bool HasComment(std::string_view s);

  void CheckNumbers(const std::string& file, size_t line, const std::string& cmd,
                    std::string_view rest, size_t count);

  void CheckColor(const std::string& file, size_t line, const std::string& cmd,
                  std::string_view rest);

  void CheckPlacedPicture(const std::string& file, size_t line, const std::string& cmd,
                          std::string_view arg, bool keyed);

  void CheckCharacters(const std::string& file, size_t line, std::string_view arg);

  void CheckGo(Scenario& sc, size_t line, const std::string& target);

  void CheckIf(Scenario& sc, size_t arg, size_t line);

  void CheckSet(const std::string& file, size_t line, const std::string& arg);

  platform::Font* MessageFont();

  // Walks the message as ExpandText does, leaving out what it substitutes,
  // and asks the font for every character that would be drawn.
  void CheckMessageGlyphs(const Scenario& sc, size_t arg, size_t line);

  void FinishCounts();

  struct GlyphUse {
    bool has = true;
    size_t finding = 0;
    size_t more = 0;
  };

  const CheckOptions& options_;
  script::PathResolver paths_;
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
  FirstUse first_text_, first_choice_, first_mouse_, first_frame_;

  std::deque<Pending> queue_;
  std::set<std::string> scenarios_seen_;

  bool font_tried_ = false;
  std::unique_ptr<platform::Font> font_;
  std::string font_name_;
  std::map<char32_t, GlyphUse> glyphs_;
};

}  // namespace zepa::engine::check_detail
