#pragma once
// The scenario interpreter: one line per step, the command table, the wait
// states and the timed waits. Effects that belong to pictures, text, sound
// and windows are handed to a CommandSink with their argument already read.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "platform/surface.h"
#include "script/wait_state.h"

namespace zepa::script {

class VariableTable;

/// Labels, scene names and jump targets are 256-byte buffers.
constexpr size_t kNameBytes = 256;

/// `SaveAllowed`. The values are the ones games have always seen.
enum class SavePermission {
  kDisabled = 0,
  kAllowed = 1,
  kNextWindowOnly = 2,  // the next save/load window shows SAVE, then saving is disabled
};

/// `WindowRequest`: the window the next tick opens.
enum class WindowRequest { kNone = 0, kSave = 1, kLoad = 2, kSaveLoad = 3 };

struct InterpreterState {
  std::string scenario_text;           // whole scenario, lines end with LF
  std::optional<size_t> current_line;  // none until a scenario is installed
  std::string scenario_name;
  std::string scene_name;
  std::string go_target;
  int adv_mode = adv::kBusy;
  int skip_mode = 0;
  WindowRequest window_request = WindowRequest::kNone;
  SavePermission save_allowed = SavePermission::kAllowed;
  uint32_t wait_start = 0;
  uint32_t until_target = 0;
  int32_t wait_remaining = 0;
  /// Grows each time the game is replaced (a scenario installed, a save
  /// read). A step that pumped and finds it changed has been overtaken by
  /// a load from a window: it leaves the new game's position and wait
  /// state alone.
  uint32_t game_generation = 0;

  /// The game state's defaults, as a load or a new start gives them: save
  /// allowed, no wait running, no scene, skip off.
  void ResetGameDefaults() {
    save_allowed = SavePermission::kAllowed;
    wait_start = 0;
    until_target = 0;
    wait_remaining = 0;
    scene_name.clear();
    skip_mode = 0;
  }
};

/// How a command's row reads its argument: none, `CompactArgument`,
/// `LineArgument`, the text argument, `ColorArgument`, a decimal, the fade's
/// `ParseNumber`, or a `NumberList` of 2, 4 or 5 values. "if" reads its raw
/// condition and is listed as kNone.
enum class ArgumentForm {
  kNone,
  kCompact,
  kLine,
  kText,
  kColor,
  kDecimal,
  kFade,
  kNumbers2,
  kNumbers4,
  kNumbers5
};

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

/// What the interpreter needs of the game around it: the clock, the event
/// loop, scenario loading, and one method per command whose effect lives in
/// a room, each given its argument as the command's row reads it.
class CommandSink {
 public:
  virtual ~CommandSink() = default;
  virtual uint32_t NowMs() = 0;
  /// One pump of the event loop, sleeping until the deadline at most.
  /// Returns false when the main window has closed.
  virtual bool PumpUntil(uint32_t deadline_ms) = 0;
  virtual LoadOutcome LoadScenario(const std::string& name) = 0;
  virtual void ResetState() = 0;

  virtual void RunMouse(const CommandArgs& args) = 0;
  virtual void RunGet(const CommandArgs& args) = 0;
  virtual void RunFlip(const CommandArgs& args) = 0;
  virtual void RunFade(const CommandArgs& args) = 0;
  virtual void RunEndPic(const CommandArgs& args) = 0;
  virtual void RunEndBgm(const CommandArgs& args) = 0;
  virtual void RunPic(const CommandArgs& args) = 0;
  virtual void RunBPic(const CommandArgs& args) = 0;
  virtual void RunBPicture(const CommandArgs& args) = 0;
  virtual void RunFrame(const CommandArgs& args) = 0;
  virtual void RunFill(const CommandArgs& args) = 0;
  virtual void RunPicture(const CommandArgs& args) = 0;
  virtual void RunChara(const CommandArgs& args) = 0;
  virtual void RunBgm(const CommandArgs& args) = 0;
  virtual void RunBgmFadeIn(const CommandArgs& args) = 0;
  virtual void RunBgmFadeOut(const CommandArgs& args) = 0;
  virtual void RunBgmFadeTime(const CommandArgs& args) = 0;
  virtual void RunCd(const CommandArgs& args) = 0;
  virtual void RunWav(const CommandArgs& args) = 0;
  virtual void RunGbColor(const CommandArgs& args) = 0;
  virtual void RunGpColor(const CommandArgs& args) = 0;
  virtual void RunGDot(const CommandArgs& args) = 0;
  virtual void RunGLine(const CommandArgs& args) = 0;
  virtual void RunGSquare(const CommandArgs& args) = 0;
  virtual void RunGCircle(const CommandArgs& args) = 0;
  virtual void RunGEllipse(const CommandArgs& args) = 0;
  virtual void RunTextColor(const CommandArgs& args) = 0;
  virtual void RunBgTextColor(const CommandArgs& args) = 0;
  virtual void RunSelectColor(const CommandArgs& args) = 0;
  virtual void RunSelectBackColor(const CommandArgs& args) = 0;
  virtual void RunSelectTextColor(const CommandArgs& args) = 0;
  virtual void RunEnd(const CommandArgs& args) = 0;
  virtual void RunBText(const CommandArgs& args) = 0;
  virtual void RunTelo(const CommandArgs& args) = 0;
  virtual void RunTextWait(const CommandArgs& args) = 0;
  virtual void RunBgmLoop(const CommandArgs& args) = 0;
  virtual void RunWavLoop(const CommandArgs& args) = 0;
  virtual void RunP(const CommandArgs& args) = 0;
  virtual void RunTextNw(const CommandArgs& args) = 0;
  virtual void RunText(const CommandArgs& args) = 0;
  virtual void RunSel(const CommandArgs& args) = 0;
};

class Interpreter;

/// One row of the command table: the name, how its argument is read, and
/// its handler. The interpreter's own commands are its methods, given the
/// line and the argument's start; the others are the sink's, given the
/// argument read as `form` says, after which the line ends as most lines do.
struct CommandRow {
  using OwnHandler = void (Interpreter::*)(size_t line, size_t arg);
  using SinkHandler = void (CommandSink::*)(const CommandArgs& args);
  std::string_view name;
  ArgumentForm form;
  std::variant<OwnHandler, SinkHandler> handler;
  std::string_view summary;  // its arguments and effect in one line, for authors
};

class Interpreter {
 public:
  Interpreter(InterpreterState& state, VariableTable& vars, CommandSink& sink)
      : state_(state), vars_(vars), sink_(sink) {}

  /// `StepInterpreter`: executes the line at CurrentLine.
  void Step();

  void NextLine();
  void SkipToLabel();

  /// The command table in the order of testing.
  static std::span<const CommandRow> Commands();
  /// The command names and their argument forms, in the same order (for
  /// tools and tests).
  static std::span<const std::string_view> CommandNames();
  static std::span<const ArgumentForm> CommandForms();
  /// One line per command, in the table's order: "[name] summary".
  static std::string CommandHelp();

 private:
  friend struct CommandTable;

  // The interpreter's own commands.
  void Skip(size_t line, size_t arg);
  void Saveable(size_t line, size_t arg);
  void SaveDisable(size_t line, size_t arg);
  void Mouse(size_t line, size_t arg);
  void Go(size_t line, size_t arg);
  void Set(size_t line, size_t arg);
  void If(size_t line, size_t arg);
  void Wait(size_t line, size_t arg);
  void Start(size_t line, size_t arg);
  void Until(size_t line, size_t arg);
  void UntilN(size_t line, size_t arg);
  void Load(size_t line, size_t arg);
  void SaveWin(size_t line, size_t arg);
  void LoadWin(size_t line, size_t arg);
  void Save(size_t line, size_t arg);
  void TextNw(size_t line, size_t arg);
  void Text(size_t line, size_t arg);
  void Sel(size_t line, size_t arg);

  CommandArgs ReadArguments(ArgumentForm form, size_t arg);
  void RunSinkCommand(CommandRow::SinkHandler handler, ArgumentForm form, size_t line, size_t arg);
  void RequestWindow(WindowRequest request);
  void EndLine();
  void TimedWait(int32_t ms, size_t line);
  void WaitUntilTarget(size_t line);
  void FinishLine(size_t line);

  InterpreterState& state_;
  VariableTable& vars_;
  CommandSink& sink_;
};

}  // namespace zepa::script
