#include <filesystem>

#include "check/checker.h"
#include "engine/scenario_file.h"
#include "platform/ascii.h"
#include "script/arguments.h"
#include "script/codec.h"
#include "script/interpreter.h"
#include "script/scenario.h"
#include "script/sjis.h"

namespace zepa::engine::check_detail {

namespace fs = std::filesystem;
using script::ArgumentForm;

void Checker::CheckScenario(const Pending& pending) {
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
          1 +
          static_cast<size_t>(std::count(
              letters.begin(), letters.begin() + static_cast<std::ptrdiff_t>(fault->offset), '\n'));
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

void Checker::CheckNulBytes(const std::string& file, std::string_view bytes) {
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

void Checker::CheckShiftJis(const Scenario& sc, size_t pos, size_t line) {
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

std::string Checker::LabelToken(std::string_view text, size_t pos) {
  size_t end = pos;
  while (end < text.size() && text[end] != '\t' && text[end] != '\n' && text[end] != '\r' &&
         text[end] != ' ' && text[end] != '/')
    ++end;
  return std::string(text.substr(pos, end - pos));
}

// A long game jumps to many labels: one reading of the text finds them all.
std::optional<size_t> Checker::Label(Scenario& sc, const std::string& target) {
  if (!sc.labels) sc.labels.emplace(sc.text);
  return sc.labels->Find(target);
}

void Checker::CheckCommand(Scenario& sc, size_t pos, size_t line) {
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
  NoteMessageWindowUse(sc.file, line, name);
  if (name == "pic" || name == "picture" || name == "p") {
    CheckPicture(sc.file, line, compact);
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

std::vector<size_t> Checker::Commas(std::string_view s) {
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

bool Checker::HasComment(std::string_view s) {
  for (size_t i = 0; i + 1 < s.size(); ++i) {
    if (script::IsLeadByte(s[i])) {
      ++i;
      continue;
    }
    if (s[i] == '/' && s[i + 1] == '/') return true;
  }
  return false;
}

void Checker::CheckNumbers(const std::string& file, size_t line, const std::string& cmd,
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

void Checker::CheckColor(const std::string& file, size_t line, const std::string& cmd,
                         std::string_view rest) {
  const std::string_view arg = TrimBlanks(rest);
  if (arg.find(',') != std::string_view::npos) {
    const std::vector<size_t> commas = Commas(arg);
    if (commas.size() < 2) {
      Error(file, line,
            cmd + " colour " + Quoted(platform::Cp932ToUtf8(arg)) +
                " needs r,g,b: it reads as black");
    } else if (commas.size() > 2) {
      Error(file, line,
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

void Checker::CheckPlacedPicture(const std::string& file, size_t line, const std::string& cmd,
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

void Checker::CheckCharacters(const std::string& file, size_t line, std::string_view arg) {
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

void Checker::CheckGo(Scenario& sc, size_t line, const std::string& target) {
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

void Checker::CheckIf(Scenario& sc, size_t arg, size_t line) {
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

void Checker::CheckSet(const std::string& file, size_t line, const std::string& arg) {
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

}  // namespace zepa::engine::check_detail
