#include "check/explore_sink.h"

#include <algorithm>

#include "check/check_text.h"
#include "engine/scenario_file.h"
#include "platform/ascii.h"
#include "platform/cp932.h"
#include "script/scenario.h"
#include "windows/question_box.h"

namespace zepa::engine::explore_detail {
namespace {

// A label line's first token, compared as FindLabel compares it.
std::string LabelToken(std::string_view text, size_t pos) {
  size_t end = pos;
  while (end < text.size() && text[end] != '\t' && text[end] != '\n' && text[end] != '\r' &&
         text[end] != ' ' && text[end] != '/')
    ++end;
  return std::string(text.substr(pos, end - pos));
}

}  // namespace

size_t LoadedScenario::LineOf(size_t pos) const {
  const auto it = std::upper_bound(line_starts.begin(), line_starts.end(), pos);
  return it == line_starts.begin() ? 0 : static_cast<size_t>(it - line_starts.begin()) - 1;
}

ExploreSink::ExploreSink(const std::string& game_dir, script::InterpreterState& interp,
                         script::VariableTable& vars, display::MessageGeometry geometry)
    : paths_(game_dir), interp_(interp), vars_(vars), geometry_(geometry) {
  paths_.sjis_to_utf8 = [](std::string_view s) { return platform::Cp932ToUtf8(s); };
  vars_.tick_count = [this] { return state.clock; };
}

std::string ExploreSink::Shown(const std::string& path) const {
  const std::string& dir = paths_.game_dir();
  if (path.size() > dir.size() && path.compare(0, dir.size(), dir) == 0 && path[dir.size()] == '/')
    return check_detail::Printable(path.substr(dir.size() + 1));
  return check_detail::Printable(path);
}

bool ExploreSink::PumpUntil(uint32_t deadline_ms) {
  // Nothing but time can end a wait here, so it passes at once.
  if (static_cast<int32_t>(deadline_ms - state.clock) > 0) state.clock = deadline_ms;
  return true;
}

const LoadedScenario* ExploreSink::Read(const std::string& name) {
  if (platform::StartsWithNoCase(name, "http:") || platform::StartsWithNoCase(name, "https:")) {
    fault = LoadFault{
        name,
        "[load] " + platform::Cp932ToUtf8(name) + ": scenarios over the network are not explored",
        false};
    return nullptr;
  }
  const std::string path = paths_.Resolve(name);
  if (auto it = by_path_.find(path); it != by_path_.end()) return it->second;
  if (auto it = faults_by_path_.find(path); it != faults_by_path_.end()) {
    fault = it->second;
    return nullptr;
  }
  const ScenarioFile file = ReadScenarioFile(path);
  if (file.status != ScenarioFile::Status::kRead) {
    LoadFault f{name, "", file.status == ScenarioFile::Status::kMissing};
    f.message =
        "scenario " + Shown(path) +
        (file.status == ScenarioFile::Status::kMissing ? " cannot be found" : " cannot be read");
    if (!file.message.empty()) f.message += ": " + check_detail::Printable(file.message);
    faults_by_path_[path] = f;
    fault = f;
    return nullptr;
  }
  auto sc = std::make_unique<LoadedScenario>();
  sc->index = scenarios_.size();
  sc->name = name;
  sc->file = Shown(path);
  sc->text = script::DecodeScenarioFile(file.bytes).text;
  for (size_t pos = 0; pos < sc->text.size(); pos = script::NextLine(sc->text, pos)) {
    if (sc->text[pos] == '#')
      sc->labels.push_back({sc->line_starts.size(), LabelToken(sc->text, pos)});
    sc->line_starts.push_back(pos);
  }
  sc->run.assign(sc->line_starts.size(), false);
  sc->jump_targets.emplace(sc->text);
  const LoadedScenario* raw = sc.get();
  scenarios_.push_back(std::move(sc));
  by_path_[path] = raw;
  return raw;
}

void ExploreSink::Install(const LoadedScenario* sc) {
  if (state.scenario == sc && interp_.scenario_text.size() == sc->text.size()) return;
  state.scenario = sc;
  interp_.scenario_text = sc->text;
  interp_.scenario_name = sc->name;
}

script::LoadOutcome ExploreSink::LoadScenario(const std::string& name) {
  if (name.empty()) {
    fault = LoadFault{name, "[load] without a scenario name fails", false};
    return script::LoadOutcome::kFailed;
  }
  const LoadedScenario* sc = Read(name);
  if (!sc) return fault->raised ? script::LoadOutcome::kRaised : script::LoadOutcome::kFailed;
  state.scenario = nullptr;  // installed afresh even when it is the same file
  Install(sc);
  interp_.current_line = 0;
  ++interp_.game_generation;
  return script::LoadOutcome::kLoaded;
}

// The game state's defaults, as a load gives them.
void ExploreSink::ResetState() {
  interp_.ResetGameDefaults();
  state.mouse_x.reset();
  state.mouse_y.reset();
  state.options.clear();
  vars_.Reset(0);
}

void ExploreSink::RunMouse(const script::CommandArgs& args) {
  // The targets as the click wait keeps them: without a comma the old ones
  // stay; a name is taken only when the table has room for it.
  const std::string_view arg = args.text;
  const size_t comma = arg.find(',');
  if (comma == std::string_view::npos) return;
  const std::string x(arg.substr(0, comma));
  std::string y(arg.substr(comma + 1));
  y = y.substr(0, y.find(','));
  state.mouse_x.reset();
  state.mouse_y.reset();
  if (vars_.VariableText(x)) state.mouse_x = x;
  if (vars_.VariableText(y)) state.mouse_y = y;
}

void ExploreSink::RunGet(const script::CommandArgs& args) {
  // The player is taken to accept the default answer.
  windows::Question question;
  if (!windows::ParseQuestion(args.text, question)) return;
  vars_.SetVariableText(question.name, question.answer);
}

void ExploreSink::RunSel(const script::CommandArgs& args) {
  const display::ChoiceLayout layout = display::LayoutChoices(args.text, geometry_);
  state.options.clear();
  for (std::string_view line : display::SplitPageLines(layout.select_text))
    state.options.emplace_back(line);
  state.options.resize(static_cast<size_t>(std::max(layout.select_number, 0)));
}

}  // namespace zepa::engine::explore_detail
