#include "platform/headless/event_script.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <utility>

#include "platform/cp932.h"

namespace zepa::platform {
namespace {

// Scripted times and durations stay below 2^31 ms (about 24 days), so the
// 32-bit game clock never wraps during a scripted run.
constexpr int64_t kMaxMs = 0x7fffffff;
constexpr int kMaxWheelSteps = 1000;

struct NamedKey {
  std::string_view name;
  int vk_code;
};

constexpr std::array<NamedKey, 20> kNamedKeys = {{
    {"return", 0x0D},    {"enter", 0x0D},  {"space", 0x20},    {"escape", 0x1B},
    {"esc", 0x1B},       {"shift", 0x10},  {"ctrl", 0x11},     {"tab", 0x09},
    {"backspace", 0x08}, {"up", 0x26},     {"down", 0x28},     {"left", 0x25},
    {"right", 0x27},     {"pageup", 0x21}, {"pagedown", 0x22}, {"home", 0x24},
    {"end", 0x23},       {"insert", 0x2D}, {"delete", 0x2E},   {"mbutton", kVkMiddleButton},
}};

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && Lower(s.substr(0, prefix.size())) == prefix;
}

std::optional<int64_t> ParseInt(std::string_view s, int64_t min, int64_t max) {
  int64_t v = 0;
  const char* end = s.data() + s.size();
  auto [p, ec] = std::from_chars(s.data(), end, v);
  if (ec != std::errc() || p != end || v < min || v > max) return std::nullopt;
  return v;
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsSpace(s.back())) s.remove_suffix(1);
  return s;
}

// A '#' at the start of a line or after a blank starts a comment, so that a
// '#' inside a word (a label named in a future action) survives.
std::string_view StripComment(std::string_view line) {
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '#' && (i == 0 || IsSpace(line[i - 1]))) return line.substr(0, i);
  }
  return line;
}

// Splits off the first word; `rest` keeps what follows, trimmed.
std::string_view NextWord(std::string_view* rest) {
  std::string_view s = Trim(*rest);
  size_t n = 0;
  while (n < s.size() && !IsSpace(s[n])) ++n;
  *rest = Trim(s.substr(n));
  return s.substr(0, n);
}

std::vector<std::string> Words(std::string_view rest) {
  std::vector<std::string> words;
  for (std::string_view w = NextWord(&rest); !w.empty(); w = NextWord(&rest)) words.emplace_back(w);
  return words;
}

bool HasImageExtension(std::string_view file) {
  const std::string lower = Lower(file);
  return lower.size() > 4 && (lower.ends_with(".png") || lower.ends_with(".bmp"));
}

// Every character converts: the converter writes '?' for those it lacks
// (and for broken UTF-8), so the question marks must be the text's own.
bool Cp932CanHold(std::string_view utf8) {
  const std::string cp932 = Utf8ToCp932(utf8);
  return std::count(cp932.begin(), cp932.end(), '?') == std::count(utf8.begin(), utf8.end(), '?');
}

// A script line that cannot be read.
Status Invalid(std::string why) { return Status(StatusCode::kInvalid, std::move(why)); }

// Fills `e` from the words after the action; fails (kInvalid) with what is wrong.
Status ParseArguments(std::string_view action, std::string_view rest, const PointArea& area,
                      ScriptedEvent* e) {
  e->args = Words(rest);
  const std::vector<std::string>& a = e->args;
  auto want = [&](size_t n) -> Status {
    if (a.size() == n) return {};
    return Invalid(std::string(action) + " takes " + std::to_string(n) +
                   (n == 1 ? " argument" : " arguments"));
  };
  auto point = [&](EventAction kind) -> Status {
    e->action = kind;
    if (Status err = want(2); !err.ok()) return err;
    auto x = ParseInt(a[0], 0, area.width - 1);
    auto y = ParseInt(a[1], 0, area.height - 1);
    if (!x || !y)
      return Invalid("the point must lie inside the " + std::to_string(area.width) + " x " +
                     std::to_string(area.height) + (area.window ? " window" : " display"));
    e->x = static_cast<int>(*x);
    e->y = static_cast<int>(*y);
    return {};
  };

  if (action == "click") return point(EventAction::kClick);
  if (action == "rclick") return point(EventAction::kRightClick);
  if (action == "mclick") return point(EventAction::kMiddleClick);
  if (action == "move") return point(EventAction::kMove);
  if (action == "wheel") {
    e->action = EventAction::kWheel;
    if (Status err = want(1); !err.ok()) return err;
    auto n = ParseInt(a[0], -kMaxWheelSteps, kMaxWheelSteps);
    if (!n) return Invalid("wheel takes a step count from -1000 to 1000");
    e->wheel_steps = static_cast<int>(*n);
    return {};
  }
  if (action == "key") {
    e->action = EventAction::kKey;
    if (Status err = want(1); !err.ok()) return err;
    std::string_view name = a[0];
    for (;;) {
      if (StartsWithNoCase(name, "ctrl+") && name.size() > 5) {
        e->ctrl = true;
        name.remove_prefix(5);
      } else if (StartsWithNoCase(name, "shift+") && name.size() > 6) {
        e->shift = true;
        name.remove_prefix(6);
      } else {
        break;
      }
    }
    auto vk = KeyNameToVk(name);
    if (!vk || *vk == kVkMiddleButton) return Invalid("unknown key " + std::string(name));
    e->vk_code = *vk;
    return {};
  }
  if (action == "hold") {
    e->action = EventAction::kHold;
    if (Status err = want(2); !err.ok()) return err;
    auto vk = KeyNameToVk(a[0]);
    if (!vk) return Invalid("unknown key " + a[0]);
    auto ms = ParseInt(a[1], 0, kMaxMs);
    if (!ms) return Invalid("hold takes a duration in milliseconds");
    e->vk_code = *vk;
    e->hold_ms = static_cast<uint32_t>(*ms);
    return {};
  }
  if (action == "shot" && a.size() == 2 && HasImageExtension(a[0])) {
    // "shot FILE WINDOW" draws a small window; a picture file name followed
    // by one more word is that form, anything else is one file name.
    e->action = EventAction::kShot;
    e->path = a[0];
    e->window = a[1];
    return {};
  }
  if (action == "shot" || action == "dump") {
    // The file is the rest of the line, so names with blanks work.
    e->action = action == "shot" ? EventAction::kShot : EventAction::kDump;
    if (rest.empty()) return Invalid(std::string(action) + " needs a file name");
    e->path = std::string(rest);
    return {};
  }
  if (action == "press") {
    e->action = EventAction::kPress;
    // A generated button's caption may hold blanks: the name is the rest.
    if (rest.empty()) return Invalid("press needs a control name");
    e->target = std::string(rest);
    return {};
  }
  if (action == "hover") {
    e->action = EventAction::kHover;
    e->target = std::string(rest);
    return {};
  }
  if (action == "type") {
    e->action = EventAction::kType;
    std::string_view text = rest;
    const std::string_view name = NextWord(&text);
    if (name.empty()) return Invalid("type needs a control name and a text");
    e->target = std::string(name);
    e->text = std::string(text);
    if (!Cp932CanHold(e->text))
      return Invalid("type: the text has characters that the game's code page cannot hold");
    return {};
  }
  if (action == "file") {
    e->action = EventAction::kFile;
    if (rest.empty()) return Invalid("file needs a path (or use file-cancel)");
    e->path = std::string(rest);
    return {};
  }
  if (action == "file-cancel") {
    e->action = EventAction::kFileCancel;
    return want(0);
  }
  if (action == "quit") {
    e->action = EventAction::kQuit;
    return want(0);
  }
  return Invalid("unknown action " + std::string(action));
}

}  // namespace

bool IsQueuedInput(EventAction action) {
  switch (action) {
    case EventAction::kClick:
    case EventAction::kRightClick:
    case EventAction::kMiddleClick:
    case EventAction::kMove:
    case EventAction::kWheel:
    case EventAction::kKey:
      return true;
    default:
      return false;
  }
}

std::optional<int> KeyNameToVk(std::string_view name) {
  if (name.empty()) return std::nullopt;
  if (name.size() == 1) {
    const unsigned char c =
        static_cast<unsigned char>(std::toupper(static_cast<unsigned char>(name[0])));
    if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return c;
    return std::nullopt;
  }
  const std::string lower = Lower(name);
  if (lower.size() <= 3 && lower[0] == 'f') {
    auto n = ParseInt(std::string_view(lower).substr(1), 1, 12);
    if (n) return 0x70 + static_cast<int>(*n) - 1;
  }
  for (const NamedKey& k : kNamedKeys) {
    if (k.name == lower) return k.vk_code;
  }
  return std::nullopt;
}

Status ParseEventScript(std::string_view text, std::vector<ScriptedEvent>* events,
                        const PointArea& area) {
  std::vector<ScriptedEvent> parsed;
  uint32_t last_ms = 0;
  int line_number = 0;
  while (!text.empty()) {
    const size_t eol = text.find('\n');
    std::string_view line = text.substr(0, eol);
    text = eol == std::string_view::npos ? std::string_view() : text.substr(eol + 1);
    ++line_number;
    std::string_view rest = Trim(StripComment(line));
    if (rest.empty()) continue;

    auto fail = [&](const std::string& why) {
      return Status(StatusCode::kInvalid, "line " + std::to_string(line_number) + ": " + why);
    };
    const std::string_view ms_word = NextWord(&rest);
    auto ms = ParseInt(ms_word, 0, kMaxMs);
    if (!ms)
      return fail("a line starts with its time in milliseconds, not " + std::string(ms_word));
    const std::string_view action = NextWord(&rest);
    if (action.empty()) return fail("an action must follow the time");

    ScriptedEvent e;
    e.at_ms = static_cast<uint32_t>(*ms);
    e.line = line_number;
    if (e.at_ms < last_ms) {
      return fail("time " + std::to_string(e.at_ms) + " is before the previous event's " +
                  std::to_string(last_ms));
    }
    if (Status why = ParseArguments(action, rest, area, &e); !why.ok()) return fail(why.message());
    last_ms = e.at_ms;
    parsed.push_back(std::move(e));
  }
  for (ScriptedEvent& e : parsed) events->push_back(std::move(e));
  return {};
}

}  // namespace zepa::platform
