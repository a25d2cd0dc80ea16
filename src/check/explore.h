#pragma once
// The branch explorer: plays a game from its start with the real interpreter
// on a virtual clock, forks at every choice and click-position wait, merges
// states that are equal, and reports what the paths reach.
#include <cstddef>
#include <string>
#include <vector>

#include "check/check.h"

namespace zepa::engine {

struct ExploreOptions {
  std::string game_dir;
  std::string scenario;  // the start scenario; empty = MAIN/SCENARIO
  std::string font_file;
  platform::FontOpener open_font;  // for the check that runs first; null: glyphs are not checked
  size_t max_states = 20000;
  // Lines run without any wait before a path is cut as an endless loop.
  size_t step_limit = 100000;
};

/// Where a path stopped for good. kind: "end" ([end] ran), "runs_off" (the
/// scenario ran out) or "stuck" (a wait nothing can end).
struct ExploreEnding {
  std::string kind;
  std::string file;
  size_t line = 0;                   // from 1
  std::string label;                 // the scene it was in, "#name", UTF-8; empty before any label
  std::vector<std::string> choices;  // option texts (or clicks) that lead there, UTF-8
};

/// Something that goes wrong on a path. kind: "missing_file", "unknown_label",
/// "load_failed", "endless_loop", or "check" for another error the checker
/// reports on a line a path runs.
struct ExploreProblem {
  std::string kind;
  std::string file;
  size_t line = 0;
  std::string message;
  std::vector<std::string> choices;
};

/// A loop no choice leaves: the player only clicks on (waits), or nothing
/// waits at all and the path was cut.
struct ExploreLoop {
  std::string file;
  size_t line = 0;
  std::string label;
  bool waits = false;
  std::vector<std::string> choices;
};

/// One edge of the scene graph. kind: "choice" (text is the option),
/// "jump", "falls" (the line above runs into the label) or "load".
struct SceneEdge {
  std::string from;
  std::string to;
  std::string kind;
  std::string text;
  bool operator==(const SceneEdge&) const = default;
};

struct ExploreReport {
  CheckReport check;
  std::vector<std::string> labels_reached;    // in the order of the files, then the lines
  std::vector<std::string> labels_unreached;  // labels of the start scenario are "#name";
                                              // of another scenario "file:#name"
  std::vector<ExploreEnding> endings;
  std::vector<ExploreProblem> problems;
  std::vector<ExploreLoop> loops;
  std::vector<std::string> scenes;  // the graph's nodes: "(start)", then the labels reached
  std::vector<SceneEdge> edges;
  size_t states = 0;
  size_t steps = 0;        // interpreter steps run over all paths
  size_t lines = 0;        // lines of the scenarios the paths loaded
  size_t lines_run = 0;    // of which some path ran
  bool truncated = false;  // max_states was reached: some paths were not followed
  double coverage() const { return lines ? static_cast<double>(lines_run) / lines : 0.0; }
};

ExploreReport ExploreGame(const ExploreOptions& options);

std::string FormatExploreText(const ExploreReport& report);
std::string FormatExploreJson(const ExploreReport& report);
/// The scene graph as Graphviz DOT.
std::string FormatExploreDot(const ExploreReport& report);

/// `zepa --explore DIR [--json FILE] [--dot FILE] [--svg FILE] [--max-states N]`:
/// `args` are the words after the program name. Returns the exit status:
/// 0 no problem found, 1 problems, 2 bad arguments or an output not written.
/// `open_font` is the platform's font service, for the check of the glyphs.
int ExploreCommand(const std::vector<std::string>& args,
                   decltype(ExploreOptions::open_font) open_font = nullptr);

}  // namespace zepa::engine
