#pragma once
// What the explorer gives the interpreter in place of the main window: a
// virtual clock that jumps to every deadline, scenario loading from the
// game's files, and the commands that change what a later step can see
// (the choice list, the click-position targets, the question's answer, the
// end). Pictures, text and sound draw and play nothing here.
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "display/text_layout.h"
#include "script/interpreter.h"
#include "script/paths.h"
#include "script/scenario.h"
#include "script/variables.h"

namespace zepa::engine::explore_detail {

/// A scenario as the paths share it: read once, never changed.
struct LoadedScenario {
  size_t index = 0;  // in the order first loaded
  std::string name;  // as the game names it (Shift-JIS)
  std::string file;  // as reports show it: relative to the game, UTF-8
  std::string text;
  std::vector<size_t> line_starts;
  std::vector<bool> run;  // per line: some path stepped on it
  struct Label {
    size_t line = 0;    // index into line_starts
    std::string token;  // "#name" as written, Shift-JIS
    bool reached = false;
  };
  std::vector<Label> labels;
  std::optional<script::LabelIndex> jump_targets;  // for the [go]s, by first token

  size_t LineOf(size_t pos) const;  // index of the line holding `pos`
};

/// What the sink keeps besides the interpreter state and the variables.
struct SinkState {
  std::optional<std::string> mouse_x, mouse_y;  // the variables "mouse" writes
  std::vector<std::string> options;             // the choice list on screen
  bool ended = false;                           // [end] ran
  uint32_t clock = 10000;
  const LoadedScenario* scenario = nullptr;
};

/// A load the sink could not carry out, for the walker to report.
struct LoadFault {
  std::string name;
  std::string message;
  bool raised = false;  // the game stays busy on it
};

class ExploreSink final : public script::CommandSink {
 public:
  ExploreSink(const std::string& game_dir, script::InterpreterState& interp,
              script::VariableTable& vars, display::MessageGeometry geometry);

  SinkState state;
  std::optional<LoadFault> fault;  // set by a load that failed, taken by the walker

  /// Every scenario loaded so far, in load order.
  const std::vector<std::unique_ptr<LoadedScenario>>& scenarios() const { return scenarios_; }
  std::vector<std::unique_ptr<LoadedScenario>>& scenarios() { return scenarios_; }
  /// How a path is shown in reports: relative to the game directory.
  std::string Shown(const std::string& path) const;
  /// Installs `sc` as the running scenario (a restored state).
  void Install(const LoadedScenario* sc);

  uint32_t NowMs() override { return state.clock; }
  bool PumpUntil(uint32_t deadline_ms) override;
  script::LoadOutcome LoadScenario(const std::string& name) override;
  void ResetState() override;

  void RunMouse(const script::CommandArgs& args) override;
  void RunGet(const script::CommandArgs& args) override;
  void RunEnd(const script::CommandArgs&) override { state.ended = true; }
  void RunTextNw(const script::CommandArgs&) override { interp_.adv_mode = script::adv::kRun; }
  void RunText(const script::CommandArgs&) override { interp_.adv_mode = script::adv::kTextEnd; }
  void RunSel(const script::CommandArgs& args) override;

  // Nothing a later step can see.
  void RunFlip(const script::CommandArgs&) override {}
  void RunFade(const script::CommandArgs&) override {}
  void RunEndPic(const script::CommandArgs&) override {}
  void RunEndBgm(const script::CommandArgs&) override {}
  void RunPic(const script::CommandArgs&) override {}
  void RunBPic(const script::CommandArgs&) override {}
  void RunBPicture(const script::CommandArgs&) override {}
  void RunFrame(const script::CommandArgs&) override {}
  void RunFill(const script::CommandArgs&) override {}
  void RunPicture(const script::CommandArgs&) override {}
  void RunChara(const script::CommandArgs&) override {}
  void RunBgm(const script::CommandArgs&) override {}
  void RunBgmFadeIn(const script::CommandArgs&) override {}
  void RunBgmFadeOut(const script::CommandArgs&) override {}
  void RunBgmFadeTime(const script::CommandArgs&) override {}
  void RunCd(const script::CommandArgs&) override {}
  void RunWav(const script::CommandArgs&) override {}
  void RunGbColor(const script::CommandArgs&) override {}
  void RunGpColor(const script::CommandArgs&) override {}
  void RunGDot(const script::CommandArgs&) override {}
  void RunGLine(const script::CommandArgs&) override {}
  void RunGSquare(const script::CommandArgs&) override {}
  void RunGCircle(const script::CommandArgs&) override {}
  void RunGEllipse(const script::CommandArgs&) override {}
  void RunTextColor(const script::CommandArgs&) override {}
  void RunBgTextColor(const script::CommandArgs&) override {}
  void RunSelectColor(const script::CommandArgs&) override {}
  void RunSelectBackColor(const script::CommandArgs&) override {}
  void RunSelectTextColor(const script::CommandArgs&) override {}
  void RunBText(const script::CommandArgs&) override {}
  void RunTelo(const script::CommandArgs&) override {}
  void RunTextWait(const script::CommandArgs&) override {}
  void RunBgmLoop(const script::CommandArgs&) override {}
  void RunWavLoop(const script::CommandArgs&) override {}
  void RunP(const script::CommandArgs&) override {}

 private:
  const LoadedScenario* Read(const std::string& name);

  script::PathResolver paths_;
  script::InterpreterState& interp_;
  script::VariableTable& vars_;
  display::MessageGeometry geometry_;
  std::vector<std::unique_ptr<LoadedScenario>> scenarios_;
  std::map<std::string, const LoadedScenario*> by_path_;
  std::map<std::string, LoadFault> faults_by_path_;
};

}  // namespace zepa::engine::explore_detail
