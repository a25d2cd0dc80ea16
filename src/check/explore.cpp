// The walk: one working interpreter, state and variable table; a fork is a
// compact snapshot of them, restored before its path runs.
#include "check/explore.h"

#include <algorithm>
#include <deque>
#include <map>
#include <set>
#include <tuple>
#include <unordered_set>

#include "check/explore_sink.h"
#include "engine/config.h"
#include "engine/ini_file.h"
#include "engine/input_rules.h"
#include "platform/cp932.h"
#include "script/arguments.h"
#include "script/expression.h"
#include "script/scenario.h"

namespace zepa::engine {
namespace {

using explore_detail::ExploreSink;
using explore_detail::LoadedScenario;
using explore_detail::SinkState;

// The options picked on the way to a state, shared by the forks below it.
struct PathNode {
  std::shared_ptr<const PathNode> parent;
  std::string text;
};

struct Var {
  int index;
  std::string name, value;
};

struct Snapshot {
  script::InterpreterState interp;  // scenario_text left empty: sink.scenario holds it
  std::vector<Var> vars;
  uint32_t random_state = 0;
  SinkState sink;
  std::shared_ptr<const PathNode> path;
  // For the scene graph only; no step can see them.
  std::string scene_node = "(start)";
  std::string pending_text;  // the option picked since the last label
  std::string via;           // "jump" or "load" since the last label
};

class Explorer {
 public:
  explicit Explorer(const ExploreOptions& options, const Config& config)
      : options_(options),
        sink_(options.game_dir, interp_, vars_,
              display::ClampMessageGeometry(config.message_line, config.message_mojisuu,
                                            config.message_width, config.interval)),
        interpreter_(interp_, vars_, sink_) {}

  void Run(const std::string& start, ExploreReport& report);

 private:
  Snapshot Take(const std::shared_ptr<const PathNode>& path);
  void Restore(const Snapshot& s);
  std::string Key() const;
  void RunPath(Snapshot start);
  void Fork(const Snapshot& here, const std::string& text);
  void ForkClicks(const Snapshot& here);

  std::vector<std::string> Choices() const;
  std::string SceneLabel() const { return platform::Cp932ToUtf8(interp_.scene_name); }
  std::string NodeName(const LoadedScenario& sc, const std::string& token) const;
  void AddEnding(const std::string& kind);
  void AddProblem(const std::string& kind, size_t pos, const std::string& message);
  void MarkLine(size_t pos);
  void EnterScene(size_t pos);
  void ResolveJump(size_t pos);

  const ExploreOptions& options_;
  script::InterpreterState interp_;
  script::VariableTable vars_;
  ExploreSink sink_;
  script::Interpreter interpreter_;

  ExploreReport* report_ = nullptr;
  // Breadth first, so that what a path meets first it meets by the fewest choices.
  std::deque<Snapshot> queue_;
  std::unordered_set<std::string> visited_;
  std::set<std::pair<std::string, size_t>> problem_lines_;
  std::set<std::tuple<std::string, std::string, size_t>> ending_points_;
  std::map<std::pair<std::string, size_t>, std::vector<const Finding*>> check_errors_;

  // The running path's graph bookkeeping and its choices.
  std::shared_ptr<const PathNode> path_;
  std::string scene_node_, pending_text_, via_;
  size_t last_pos_ = 0;  // where the last step began
};

Snapshot Explorer::Take(const std::shared_ptr<const PathNode>& path) {
  Snapshot s;
  // The text stays with the sink's scenario; a fork does not copy it.
  std::string text = std::move(interp_.scenario_text);
  s.interp = interp_;
  interp_.scenario_text = std::move(text);
  for (int i = 0; i < script::kVariableCount; ++i) {
    const script::VariableEntry& e = vars_.entry(i);
    if (e.name[0] != '\0') s.vars.push_back({i, e.name, e.value});
  }
  s.random_state = vars_.random_state();
  s.sink = sink_.state;
  s.path = path;
  s.scene_node = scene_node_;
  s.pending_text = pending_text_;
  s.via = via_;
  return s;
}

void Explorer::Restore(const Snapshot& s) {
  const LoadedScenario* sc = s.sink.scenario;
  std::string text = std::move(interp_.scenario_text);
  interp_ = s.interp;
  interp_.scenario_text = std::move(text);
  vars_.Reset(0);
  for (const Var& v : s.vars) {
    script::VariableEntry& e = vars_.entry(v.index);
    script::CopyToField(e.name, sizeof e.name, v.name);
    script::CopyToField(e.value, sizeof e.value, v.value);
  }
  vars_.set_random_state(s.random_state);
  const LoadedScenario* installed = sink_.state.scenario;
  sink_.state = s.sink;
  sink_.state.scenario = installed;
  if (sc) sink_.Install(sc);
  path_ = s.path;
  scene_node_ = s.scene_node;
  pending_text_ = s.pending_text;
  via_ = s.via;
}

// Exactly what a later step can see: the scenario, the line, the wait, the
// variables and the sink's own state. The clock is left out: paths that
// differ only in time behave alike unless a step reads TIME.
std::string Explorer::Key() const {
  std::string k;
  auto add = [&k](std::string_view part) {
    k += part;
    k += '\x1f';
  };
  const SinkState& s = sink_.state;
  add(std::to_string(s.scenario ? s.scenario->index : size_t(-1)));
  add(interp_.current_line ? std::to_string(*interp_.current_line) : "-");
  add(std::to_string(interp_.adv_mode * 10 + interp_.skip_mode));
  add(std::to_string(static_cast<int>(interp_.save_allowed)));
  add(interp_.scene_name);
  add(interp_.go_target);
  add(interp_.wait_start ? "s" : "-");
  add(std::to_string(interp_.until_target));
  add(std::to_string(vars_.random_state()));
  add(s.mouse_x.value_or("\x1e"));
  add(s.mouse_y.value_or("\x1e"));
  for (const std::string& o : s.options) add(o);
  add(s.ended ? "e" : "-");
  for (int i = 0; i < script::kVariableCount; ++i) {
    const script::VariableEntry& e = vars_.entry(i);
    if (e.name[0] == '\0') continue;
    add(std::to_string(i));
    add(e.name);
    // TIME is the clock, written into the table by every expression.
    add(std::string_view(e.name) == "TIME" ? "" : e.value);
  }
  return k;
}

std::vector<std::string> Explorer::Choices() const {
  std::vector<std::string> out;
  for (const PathNode* n = path_.get(); n; n = n->parent.get()) out.push_back(n->text);
  std::reverse(out.begin(), out.end());
  return out;
}

std::string Explorer::NodeName(const LoadedScenario& sc, const std::string& token) const {
  const std::string label = platform::Cp932ToUtf8(token);
  return sc.index == 0 ? label : sc.file + ":" + label;
}

void Explorer::AddEnding(const std::string& kind) {
  const LoadedScenario* sc = sink_.state.scenario;
  const std::string file = sc ? sc->file : std::string();
  size_t line = 0;
  // [end] has moved on past its line; a stuck load stays on its own.
  if (sc) line = sc->LineOf(kind == "end" ? last_pos_ : interp_.current_line.value_or(0)) + 1;
  if (kind == "runs_off" && sc) line = sc->line_starts.size();
  if (!ending_points_.insert({kind, file, line}).second) return;
  report_->endings.push_back({kind, file, line, SceneLabel(), Choices()});
}

void Explorer::AddProblem(const std::string& kind, size_t pos, const std::string& message) {
  const LoadedScenario* sc = sink_.state.scenario;
  const std::string file = sc ? sc->file : std::string();
  const size_t line = sc ? sc->LineOf(pos) + 1 : 0;
  if (!problem_lines_.insert({file, line}).second) {
    // What the run itself found says more than the checker's reading of the line.
    if (kind == "check" || kind == "missing_file") return;
    for (ExploreProblem& p : report_->problems)
      if (p.file == file && p.line == line && (p.kind == "check" || p.kind == "missing_file")) {
        p.kind = kind;
        p.message = message;
      }
    return;
  }
  report_->problems.push_back({kind, file, line, message, Choices()});
}

void Explorer::MarkLine(size_t pos) {
  LoadedScenario* sc = const_cast<LoadedScenario*>(sink_.state.scenario);
  const size_t line = sc->LineOf(pos);
  if (sc->run[line]) return;
  sc->run[line] = true;
  auto it = check_errors_.find({sc->file, line + 1});
  if (it == check_errors_.end()) return;
  for (const Finding* f : it->second) {
    const bool missing = f->message.find(" not found") != std::string::npos;
    AddProblem(missing ? "missing_file" : "check", pos, f->message);
  }
}

void Explorer::EnterScene(size_t pos) {
  LoadedScenario* sc = const_cast<LoadedScenario*>(sink_.state.scenario);
  const size_t line = sc->LineOf(pos);
  for (LoadedScenario::Label& label : sc->labels) {
    if (label.line != line) continue;
    label.reached = true;
    const std::string node = NodeName(*sc, label.token);
    if (std::find(report_->scenes.begin(), report_->scenes.end(), node) == report_->scenes.end())
      report_->scenes.push_back(node);
    SceneEdge edge{scene_node_, node,
                   !pending_text_.empty() ? "choice" : (via_.empty() ? "falls" : via_),
                   pending_text_};
    if (scene_node_ != node &&
        std::find(report_->edges.begin(), report_->edges.end(), edge) == report_->edges.end())
      report_->edges.push_back(edge);
    scene_node_ = node;
    pending_text_.clear();
    via_.clear();
  }
}

// The rest of the tick after a step: the pending jump, then the window
// request (a save or load window the player may close: not followed).
void Explorer::ResolveJump(size_t pos) {
  interp_.window_request = script::WindowRequest::kNone;
  if (interp_.go_target.empty()) return;
  if (interp_.go_target == "#MENU") interp_.adv_mode = script::adv::kRun;
  // The installed scenario's index answers as FindLabel on its text would,
  // without reading the text again at every jump.
  const LoadedScenario* sc = sink_.state.scenario;
  const std::optional<size_t> line =
      sc && sc->jump_targets ? sc->jump_targets->Find(interp_.go_target)
                             : script::FindLabel(interp_.scenario_text, interp_.go_target);
  if (line) {
    interp_.current_line = *line;
    if (via_.empty()) via_ = "jump";
  } else {
    AddProblem("unknown_label", pos,
               "[go] " + platform::Cp932ToUtf8(interp_.go_target) +
                   ": no such label; the scenario goes on with the next line");
  }
  interp_.go_target.clear();
}

void Explorer::Fork(const Snapshot& here, const std::string& text) {
  Snapshot child = here;
  child.path = std::make_shared<PathNode>(PathNode{here.path, text});
  child.pending_text = text;
  queue_.push_back(std::move(child));
}

void Explorer::RunPath(Snapshot start) {
  Restore(start);
  std::unordered_set<std::string> own;  // the states of this path since its fork
  size_t steps = 0;
  for (;;) {
    if (sink_.state.ended) return AddEnding("end");
    const int adv = interp_.adv_mode;
    if (adv == script::adv::kRun) {
      if (!interp_.current_line || *interp_.current_line >= interp_.scenario_text.size())
        return AddEnding("runs_off");
      const size_t pos = *interp_.current_line;
      last_pos_ = pos;
      const LoadedScenario* before = sink_.state.scenario;
      MarkLine(pos);
      const bool label = interp_.scenario_text[pos] == '#';
      interpreter_.Step();
      ++report_->steps;
      sink_.state.clock += 50;
      if (label) EnterScene(pos);
      if (sink_.fault) {
        AddProblem("load_failed", pos, sink_.fault->message);
        const bool raised = sink_.fault->raised;
        sink_.fault.reset();
        if (raised) return AddEnding("stuck");
      }
      if (sink_.state.scenario != before) {
        via_ = "load";
      } else if (interp_.current_line && *interp_.current_line > pos) {
        // A step may take more than its line (a choice list shown with its text).
        const size_t next = sink_.state.scenario->LineOf(*interp_.current_line);
        for (size_t l = sink_.state.scenario->LineOf(pos) + 1; l < next; ++l)
          MarkLine(sink_.state.scenario->line_starts[l]);
      }
      ResolveJump(pos);
      if (++steps > options_.step_limit) {
        AddProblem("endless_loop", pos,
                   "no wait in " + std::to_string(options_.step_limit) +
                       " lines: the game never waits for the player here");
        report_->loops.push_back({sink_.state.scenario->file, sink_.state.scenario->LineOf(pos) + 1,
                                  SceneLabel(), false, Choices()});
        return;
      }
      continue;
    }
    if (adv == script::adv::kBusy) return AddEnding("stuck");
    // A wait for the player: merge with an equal state met before.
    std::string key = Key();
    if (own.count(key)) {
      const LoadedScenario* sc = sink_.state.scenario;
      const size_t at = interp_.current_line ? *interp_.current_line : 0;
      report_->loops.push_back({sc->file, sc->LineOf(at) + 1, SceneLabel(), true, Choices()});
      return;
    }
    if (visited_.count(key)) return;
    if (visited_.size() >= options_.max_states) {
      report_->truncated = true;
      return;
    }
    visited_.insert(key);
    own.insert(std::move(key));
    steps = 0;
    switch (ClickActionFor(interp_.skip_mode, adv)) {
      case ClickAction::kSkipToLabel:
        interpreter_.SkipToLabel();
        interp_.adv_mode = script::adv::kRun;
        continue;
      case ClickAction::kContinueText:
        interp_.adv_mode = script::adv::kRun;
        continue;
      case ClickAction::kChoose: {
        const Snapshot here = Take(path_);
        const std::vector<std::string> options = sink_.state.options;
        for (size_t k = 0; k < options.size(); ++k) {
          Restore(here);
          vars_.SetVariableNumber("SELECT", static_cast<int32_t>(k + 1));
          sink_.state.options.clear();
          interp_.adv_mode = script::adv::kRun;
          Fork(Take(path_), platform::Cp932ToUtf8(options[k]));
        }
        return;
      }
      case ClickAction::kMousePosition:
        return ForkClicks(Take(path_));
      case ClickAction::kNone:
        return AddEnding("stuck");
    }
  }
}

// One click per distinct outcome of the [if] lines that test the click's
// variables: the points tried are the numbers those conditions name and
// their neighbours; each point whose set of outcomes is new is followed.
void Explorer::ForkClicks(const Snapshot& here) {
  const SinkState s = here.sink;
  std::vector<std::string> conditions;
  if (s.mouse_x && s.mouse_y) {
    const std::string& text = s.scenario->text;
    for (size_t pos : s.scenario->line_starts) {
      const std::optional<size_t> arg = script::MatchCommand("if", text, pos);
      if (!arg) continue;
      const std::string cond(script::RestOfLine(text, *arg));
      if (cond.find(*s.mouse_x) != std::string::npos || cond.find(*s.mouse_y) != std::string::npos)
        conditions.push_back(cond);
    }
  }
  std::set<int> xs{320}, ys{240};
  if (!conditions.empty()) xs = {0, 639}, ys = {0, 479};
  for (const std::string& c : conditions) {
    for (size_t i = 0; i < c.size();) {
      if (c[i] < '0' || c[i] > '9') {
        ++i;
        continue;
      }
      int n = 0;
      while (i < c.size() && c[i] >= '0' && c[i] <= '9' && n < 100000) n = n * 10 + (c[i++] - '0');
      for (int d = -1; d <= 1; ++d) {
        xs.insert(std::clamp(n + d, 0, 639));
        ys.insert(std::clamp(n + d, 0, 479));
      }
    }
  }
  std::set<std::vector<bool>> seen;
  std::vector<std::pair<int, int>> points;
  for (int x : xs) {
    for (int y : ys) {
      Restore(here);
      std::vector<bool> outcome;
      if (s.mouse_x && s.mouse_y) {
        vars_.SetVariableNumber(*s.mouse_x, x);
        vars_.SetVariableNumber(*s.mouse_y, y);
      }
      for (const std::string& c : conditions)
        outcome.push_back(script::TestCondition(vars_, c).has_value());
      if (seen.insert(outcome).second) points.emplace_back(x, y);
    }
  }
  for (auto it = points.begin(); it != points.end(); ++it) {
    Restore(here);
    if (s.mouse_x && s.mouse_y) {
      vars_.SetVariableNumber(*s.mouse_x, it->first);
      vars_.SetVariableNumber(*s.mouse_y, it->second);
    }
    interp_.adv_mode = script::adv::kRun;
    Fork(Take(path_), "click " + std::to_string(it->first) + "," + std::to_string(it->second));
  }
}

void Explorer::Run(const std::string& start, ExploreReport& report) {
  report_ = &report;
  for (const Finding& f : report.check.findings)
    if (f.severity == Severity::kError) check_errors_[{f.file, f.line}].push_back(&f);
  report.scenes.push_back("(start)");
  scene_node_ = "(start)";
  sink_.ResetState();
  interp_.adv_mode = script::adv::kBusy;
  if (sink_.LoadScenario(start) != script::LoadOutcome::kLoaded) {
    const std::string message = sink_.fault ? sink_.fault->message : "no start scenario";
    report.problems.push_back({"load_failed", "", 0, message, {}});
    sink_.fault.reset();
  } else {
    interp_.adv_mode = script::adv::kRun;
    queue_.push_back(Take(nullptr));
  }
  while (!queue_.empty()) {
    Snapshot next = std::move(queue_.front());
    queue_.pop_front();
    RunPath(std::move(next));
  }
  report.states = visited_.size();
  for (const auto& sc : sink_.scenarios()) {
    report.lines += sc->line_starts.size();
    report.lines_run += static_cast<size_t>(std::count(sc->run.begin(), sc->run.end(), true));
    for (const LoadedScenario::Label& label : sc->labels)
      (label.reached ? report.labels_reached : report.labels_unreached)
          .push_back(NodeName(*sc, label.token));
  }
}

}  // namespace

ExploreReport ExploreGame(const ExploreOptions& options) {
  ExploreReport report;
  CheckOptions co;
  co.game_dir = options.game_dir;
  co.scenario = options.scenario;
  co.font_file = options.font_file;
  co.open_font = options.open_font;
  report.check = CheckGame(co);

  script::PathResolver paths(options.game_dir);
  paths.sjis_to_utf8 = [](std::string_view s) { return platform::Cp932ToUtf8(s); };
  const Config config = ReadConfig(IniFile::Load(paths.Resolve(kIniName)), 1920, 1080);
  const std::string start = options.scenario.empty() ? config.scenario : options.scenario;
  Explorer explorer(options, config);
  explorer.Run(start, report);
  return report;
}

}  // namespace zepa::engine
