#pragma once
// The scenario interpreter: one line per step, the command table, the wait
// states and the timed waits. Effects that belong to pictures, text, sound
// and windows are handed to a CommandSink with their argument already read.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/surface.h"

namespace zepa::script {

class VariableTable;

/// The interpreter's wait state.
namespace adv {
constexpr int kRun = 0;
constexpr int kMoreText = 1;
constexpr int kTextEnd = 2;
constexpr int kChoice = 3;
constexpr int kBusy = 4;
constexpr int kMousePosition = 5;
}  // namespace adv

/// Labels, scene names and jump targets are 256-byte buffers.
constexpr size_t kNameBytes = 256;

struct InterpreterState {
  std::string scenario_text;  // whole scenario, lines end with LF
  std::optional<size_t> current_line;  // none until a scenario is installed
  std::string scenario_name;
  std::string scene_name;
  std::string go_target;
  int adv_mode = adv::kBusy;
  int skip_mode = 0;
  int window_request = 0;
  int save_allowed = 1;
  uint32_t wait_start = 0;
  uint32_t until_target = 0;
  int32_t wait_remaining = 0;
  /// Grows each time the game is replaced (a scenario installed, a save
  /// read). A step that pumped and finds it changed has been overtaken by
  /// a load from a window: it leaves the new game's position and wait
  /// state alone.
  uint32_t game_generation = 0;
};

/// Commands whose effect lives outside the interpreter, in table order.
enum class Command {
  kMouse, kGet, kFlip, kFade, kEndPic, kEndBgm, kPic, kBPic, kBPicture, kFrame, kFill,
  kPicture, kChara, kBgm, kBgmFadeIn, kBgmFadeOut, kBgmFadeTime, kCd, kWav, kGbColor,
  kGpColor, kGDot, kGLine, kGSquare, kGCircle, kGEllipse, kTextColor, kBgTextColor,
  kSelectColor, kSelectBackColor, kSelectTextColor, kEnd, kBText, kTelo, kTextWait,
  kBgmLoop, kWavLoop, kP, kTextNw, kText, kSel,
};

/// How a command's row reads its argument: none, `CompactArgument`,
/// `LineArgument`, the text argument, `ColorArgument`, a decimal, the fade's
/// `ParseNumber`, or a `NumberList` of 2, 4 or 5 values. "if" reads its raw
/// condition and is listed as kNone.
enum class ArgumentForm { kNone, kCompact, kLine, kText, kColor, kDecimal, kFade, kNumbers2, kNumbers4, kNumbers5 };

/// A command's argument in the form its row reads it.
struct CommandArgs {
  std::string text;                  // compact, line or expanded text
  std::array<int32_t, 5> numbers{};  // number lists, decimal and "fade" values in [0]
  platform::Color color = 0;
};

enum class LoadOutcome {
  kLoaded,  // installed; CurrentLine at its start
  kFailed,  // nothing changed
  kRaised,  // the missing-file error was reported; the step is abandoned
};

class CommandSink {
 public:
  virtual ~CommandSink() = default;
  virtual uint32_t NowMs() = 0;
  /// One pump of the event loop, sleeping until the deadline at most.
  /// Returns false when the main window has closed.
  virtual bool PumpUntil(uint32_t deadline_ms) = 0;
  virtual LoadOutcome LoadScenario(const std::string& name) = 0;
  virtual void ResetState() = 0;
  virtual void RunCommand(Command command, const CommandArgs& args) = 0;
};

class Interpreter {
 public:
  Interpreter(InterpreterState& state, VariableTable& vars, CommandSink& sink)
      : state_(state), vars_(vars), sink_(sink) {}

  /// `StepInterpreter`: executes the line at CurrentLine.
  void Step();

  void NextLine();
  void SkipToLabel();

  /// The command names in the order of testing (for tools and tests).
  static const std::array<std::string_view, 55>& CommandNames();
  /// The argument form of each command, in the same order.
  static const std::array<ArgumentForm, 55>& CommandForms();

 private:
  void RunText(Command command, size_t arg);
  void TimedWait(int32_t ms, size_t line);
  void WaitUntilTarget(size_t line);
  void FinishLine(size_t line);

  InterpreterState& state_;
  VariableTable& vars_;
  CommandSink& sink_;
};

}  // namespace zepa::script
