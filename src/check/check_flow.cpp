#include "check/checker.h"
#include "script/arguments.h"
#include "script/interpreter.h"
#include "script/scenario.h"

namespace zepa::engine::check_detail {

namespace {

// A line that does nothing when it runs: blank, or only a comment.
bool IsQuiet(std::string_view text, size_t pos) {
  size_t p = pos;
  while (p < text.size() && (IsBlank(text[p]) || text[p] == '\r')) ++p;
  return p >= text.size() || text[p] == '\n' || text.compare(p, 2, "//") == 0;
}

}  // namespace

bool Checker::FallsThrough(Scenario& sc, size_t pos) {
  const std::string_view text = sc.text;
  if (script::MatchCommand("end", text, pos)) return false;
  if (auto arg = script::MatchCommand("load", text, pos))
    return script::LineArgument(text, *arg).empty();
  // A jump to a label that exists never comes back; one to a missing label
  // is ignored and the line below runs.
  if (auto arg = script::MatchCommand("go", text, pos)) {
    std::string target = script::CompactArgument(text, *arg);
    target.resize(std::min(target.size(), script::kNameBytes - 1));
    return target.empty() || !Label(sc, target);
  }
  return true;
}

void Checker::ReportLabels(Scenario& sc) {
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
    if (!options_.strict) {
      // Reached by running on from the lines above it (a scenario's first
      // label included, where the game or a [load] begins); lines that do
      // nothing pass the run on.
      size_t above = i;
      while (above > 0 && IsQuiet(sc.text, sc.line_starts[above - 1])) --above;
      if (above == 0 || sc.text[sc.line_starts[above - 1]] == '#' ||
          FallsThrough(sc, sc.line_starts[above - 1]))
        continue;
    }
    Note(sc.file, i + 1, "label " + shown + ": nothing jumps here");
  }
}

}  // namespace zepa::engine::check_detail
