// The explorer's report as text, JSON and a Graphviz graph, and its
// command line.
#include <nlohmann/json.hpp>

#include "check/explore.h"
#include "platform/files.h"
#include "platform/log.h"
#include "platform/process.h"

namespace zepa::engine {
namespace {

std::string Via(const std::vector<std::string>& choices) {
  if (choices.empty()) return " (no choice)";
  // A long way is shown by its ends; the JSON report holds all of it.
  constexpr size_t kShown = 6;
  std::string s = " via";
  for (size_t i = 0; i < choices.size(); ++i) {
    if (choices.size() > 2 * kShown && i == kShown) {
      s += " > (" + std::to_string(choices.size() - 2 * kShown) + " more)";
      i = choices.size() - kShown;
    }
    s += (i ? " > \"" : " \"") + choices[i] + "\"";
  }
  return s;
}

std::string Where(const std::string& file, size_t line) {
  return line ? file + ":" + std::to_string(line) : file;
}

std::string DotQuoted(std::string_view s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

}  // namespace

std::string FormatExploreText(const ExploreReport& r) {
  std::string out;
  if (r.check.errors)
    out += "check: " + std::to_string(r.check.errors) +
           " errors (zepa --check names them); exploring what runs\n";
  for (const ExploreEnding& e : r.endings)
    out += Where(e.file, e.line) + ": ending " + e.kind +
           (e.label.empty() ? "" : " in " + e.label) + Via(e.choices) + "\n";
  for (const ExploreProblem& p : r.problems)
    out += Where(p.file, p.line) + ": problem " + p.kind + ": " + p.message + Via(p.choices) + "\n";
  for (const ExploreLoop& l : r.loops)
    out += Where(l.file, l.line) + ": loop" + (l.label.empty() ? "" : " in " + l.label) +
           (l.waits ? " that only waits for clicks: no choice leaves it" : " without a wait: cut") +
           Via(l.choices) + "\n";
  for (const std::string& label : r.labels_unreached) out += "never reached: " + label + "\n";
  char coverage[32];
  std::snprintf(coverage, sizeof coverage, "%.1f%%", r.coverage() * 100.0);
  out += std::to_string(r.labels_reached.size()) + " labels reached, " +
         std::to_string(r.labels_unreached.size()) + " never; " + std::to_string(r.endings.size()) +
         " endings, " + std::to_string(r.problems.size()) + " problems, " +
         std::to_string(r.loops.size()) + " loops; " + std::to_string(r.states) +
         " states; coverage " + coverage + " (" + std::to_string(r.lines_run) + " of " +
         std::to_string(r.lines) + " lines)\n";
  if (r.truncated) out += "stopped at the state limit: some paths were not followed\n";
  return out;
}

std::string FormatExploreJson(const ExploreReport& r) {
  nlohmann::ordered_json j;
  j["labels_reached"] = r.labels_reached;
  j["labels_unreached"] = r.labels_unreached;
  j["endings"] = nlohmann::json::array();
  for (const ExploreEnding& e : r.endings)
    j["endings"].push_back({{"kind", e.kind},
                            {"label", e.label},
                            {"choices", e.choices},
                            {"file", e.file},
                            {"line", e.line}});
  j["problems"] = nlohmann::json::array();
  for (const ExploreProblem& p : r.problems)
    j["problems"].push_back({{"kind", p.kind},
                             {"file", p.file},
                             {"line", p.line},
                             {"choices", p.choices},
                             {"message", p.message}});
  j["loops"] = nlohmann::json::array();
  for (const ExploreLoop& l : r.loops)
    j["loops"].push_back({{"file", l.file},
                          {"line", l.line},
                          {"label", l.label},
                          {"waits", l.waits},
                          {"choices", l.choices}});
  j["states"] = r.states;
  j["coverage"] = r.coverage();
  j["lines"] = r.lines;
  j["lines_run"] = r.lines_run;
  j["truncated"] = r.truncated;
  j["check_errors"] = r.check.errors;
  j["edges"] = nlohmann::json::array();
  for (const SceneEdge& e : r.edges)
    j["edges"].push_back({{"from", e.from}, {"to", e.to}, {"kind", e.kind}, {"text", e.text}});
  return j.dump(2) + "\n";
}

std::string FormatExploreDot(const ExploreReport& r) {
  std::string out = "digraph scenes {\n  node [shape=box];\n";
  for (const std::string& scene : r.scenes) out += "  " + DotQuoted(scene) + ";\n";
  for (const std::string& label : r.labels_unreached)
    out += "  " + DotQuoted(label) + " [style=dashed];\n";
  for (const SceneEdge& e : r.edges) {
    out += "  " + DotQuoted(e.from) + " -> " + DotQuoted(e.to);
    if (e.kind == "choice") out += " [label=" + DotQuoted(e.text) + "]";
    if (e.kind == "falls") out += " [style=dashed]";
    if (e.kind == "load") out += " [label=\"load\"]";
    out += ";\n";
  }
  return out + "}\n";
}

int ExploreCommand(const std::vector<std::string>& args,
                   decltype(ExploreOptions::open_font) open_font) {
  ExploreOptions o;
  o.open_font = std::move(open_font);
  std::string json, dot, svg;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::string* out) {
      if (i + 1 >= args.size()) return false;
      *out = args[++i];
      return true;
    };
    std::string v;
    if (a == "--explore" || a == "--game") {
      if (!value(&o.game_dir))
        return platform::LogError("zepa: %s needs a directory\n", a.c_str()), 2;
    } else if (a == "--json") {
      if (!value(&json)) return platform::LogError("zepa: --json needs a file\n"), 2;
    } else if (a == "--dot") {
      if (!value(&dot)) return platform::LogError("zepa: --dot needs a file\n"), 2;
    } else if (a == "--svg") {
      if (!value(&svg)) return platform::LogError("zepa: --svg needs a file\n"), 2;
    } else if (a == "--font") {
      if (!value(&o.font_file)) return platform::LogError("zepa: --font needs a file\n"), 2;
    } else if (a == "--max-states") {
      char* end = nullptr;
      const long n = value(&v) ? std::strtol(v.c_str(), &end, 10) : 0;
      if (v.empty() || *end != '\0' || n < 1 || n > 100000000)
        return platform::LogError("zepa: --max-states takes a number from 1\n"), 2;
      o.max_states = static_cast<size_t>(n);
    } else if (!a.empty() && a[0] != '-' && o.scenario.empty()) {
      o.scenario = a;
    } else {
      return platform::LogError("zepa: %s is not an option of --explore (see zepa --help)\n",
                                a.c_str()),
             2;
    }
  }
  if (o.game_dir.empty()) o.game_dir = ".";
  if (platform::ProbePath(o.game_dir) != platform::PathKind::kDirectory)
    return platform::LogError("zepa: no game directory %s\n", o.game_dir.c_str()), 2;
  const ExploreReport report = ExploreGame(o);
  const std::string text = FormatExploreText(report);
  std::fwrite(text.data(), 1, text.size(), stdout);
  int status = report.problems.empty() ? 0 : 1;
  if (!json.empty()) {
    if (const platform::Status w = platform::WriteWholeFile(json, FormatExploreJson(report));
        !w.ok()) {
      platform::LogError("zepa: cannot write the report %s\n", w.message().c_str());
      status = 2;
    }
  }
  const std::string graph = FormatExploreDot(report);
  if (!dot.empty()) {
    if (const platform::Status w = platform::WriteWholeFile(dot, graph); !w.ok()) {
      platform::LogError("zepa: cannot write the graph %s\n", w.message().c_str());
      status = 2;
    }
  }
  if (!svg.empty()) {
    if (!platform::ProgramOnPath("dot")) {
      platform::LogError(
          "zepa: --svg needs Graphviz's dot, which is not installed; --dot writes "
          "the graph for it\n");
      status = 2;
    } else if (const platform::Status ran =
                   platform::RunProgram({"dot", "-Tsvg", "-o", svg}, graph);
               !ran.ok()) {
      platform::LogError("zepa: %s\n", ran.message().c_str());
      status = 2;
    }
  }
  return status;
}

}  // namespace zepa::engine
