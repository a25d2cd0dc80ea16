#include "script/interpreter.h"

#include <algorithm>

#include "script/arguments.h"
#include "script/expression.h"
#include "script/scenario.h"
#include "script/variables.h"

namespace zepa::script {
namespace {

using Form = ArgumentForm;

std::string Bounded(std::string s, size_t bytes) {
  if (s.size() > bytes - 1) s.resize(bytes - 1);
  return s;
}

// True once the signed distance from `target` to `now` is not negative, so a
// wait survives the 49-day wrap of the millisecond clock.
bool Reached(uint32_t now, uint32_t target) { return static_cast<int32_t>(now - target) >= 0; }

}  // namespace

// The command table: a command is one row here and one method, the
// interpreter's or the sink's.
struct CommandTable {
  using I = Interpreter;
  using S = CommandSink;
  static constexpr CommandRow kRows[] = {
      {"skip", Form::kNone, &I::Skip,
       "skip mode: a click or Enter jumps to the next label until a label runs"},
      {"saveable", Form::kNone, &I::Saveable, "allow saving again"},
      {"savedisable", Form::kNone, &I::SaveDisable,
       "forbid saving (a window the scenario opens may still save once)"},
      {"mouse", Form::kCompact, &I::Mouse,
       "XNAME,YNAME: wait for a click and store its x and y in two variables"},
      {"get", Form::kCompact, &S::RunGet,
       "NAME,QUESTION,ANSWER: ask the player for a text and store it in a variable"},
      {"flip", Form::kNone, &S::RunFlip, "show the back buffer at once"},
      {"fade", Form::kFade, &S::RunFade,
       "MS: cross-fade from the screen to the back buffer (0 = 1000 ms)"},
      {"endpic", Form::kCompact, &S::RunEndPic,
       "PICTURE: the picture of the end screen for this run"},
      {"endbgm", Form::kCompact, &S::RunEndBgm, "SOUND: the sound of the end screen for this run"},
      {"pic", Form::kCompact, &S::RunPic,
       "PICTURE: load a background into the back buffer and draw the frame"},
      {"bpic", Form::kCompact, &S::RunBPic,
       "[X,Y,]PICTURE[:SEE-THROUGH]: draw a keyed picture on the back buffer"},
      {"bpicture", Form::kCompact, &S::RunBPicture,
       "[X,Y,]PICTURE: draw an opaque picture on the back buffer"},
      {"frame", Form::kNone, &S::RunFrame, "draw the message window's frame on the back buffer"},
      {"fill", Form::kColor, &S::RunFill, "COLOUR: fill the back buffer with one colour"},
      {"picture", Form::kCompact, &S::RunPicture,
       "PICTURE: load a background into the back buffer, without the frame"},
      {"chara", Form::kCompact, &S::RunChara,
       "[PICTURE[,PICTURE[,PICTURE]]]: stand up to three characters (none clears)"},
      {"bgm", Form::kCompact, &S::RunBgm,
       "MUSIC: play music, a CD track (a number) or a movie; empty stops"},
      {"bgmfadein", Form::kCompact, &S::RunBgmFadeIn, "MUSIC: start music and fade the volume in"},
      {"bgmfadeout", Form::kCompact, &S::RunBgmFadeOut,
       "[MUSIC]: fade the volume out, then start MUSIC if given"},
      {"bgmfadetime", Form::kDecimal, &S::RunBgmFadeTime,
       "MS: how long fades take (below 1 = 2000)"},
      {"cd", Form::kDecimal, &S::RunCd, "TRACK: play a CD track (0 stops)"},
      {"wav", Form::kCompact, &S::RunWav, "SOUND: play a sound effect; empty stops it"},
      {"gbcolor", Form::kColor, &S::RunGbColor, "COLOUR: the fill colour of the drawing commands"},
      {"gpcolor", Form::kColor, &S::RunGpColor, "COLOUR: the line colour of the drawing commands"},
      {"gdot", Form::kNumbers2, &S::RunGDot, "X,Y: draw one dot on the screen"},
      {"gline", Form::kNumbers4, &S::RunGLine, "X1,Y1,X2,Y2: draw a line on the screen"},
      {"gsquare", Form::kNumbers5, &S::RunGSquare,
       "X1,Y1,X2,Y2,FILL: draw a rectangle on the screen"},
      {"gcircle", Form::kNumbers4, &S::RunGCircle, "X,Y,R,FILL: draw a circle on the screen"},
      {"gellipse", Form::kNumbers5, &S::RunGEllipse,
       "X1,Y1,X2,Y2,FILL: draw an ellipse in a box on the screen"},
      {"textcolor", Form::kColor, &S::RunTextColor,
       "COLOUR: the colour of message text and captions"},
      {"bgtextcolor", Form::kColor, &S::RunBgTextColor, "COLOUR: the colour of [btext] text"},
      {"selectcolor", Form::kColor, &S::RunSelectColor, "COLOUR: the colour of choices"},
      {"selectbackcolor", Form::kColor, &S::RunSelectBackColor,
       "COLOUR: the background of the highlighted choice"},
      {"selecttextcolor", Form::kColor, &S::RunSelectTextColor,
       "COLOUR: the text of the highlighted choice"},
      {"go", Form::kCompact, &I::Go, "#LABEL: jump to a label"},
      {"end", Form::kNone, &S::RunEnd, "play the end screen and quit"},
      {"set", Form::kCompact, &I::Set, "NAME=EXPRESSION or NAME=\"TEXT\": set a variable"},
      {"if", Form::kNone, &I::If,
       "CONDITION[COMMAND]: run the command after the condition when it holds"},  // reads its raw
                                                                                  // condition
      {"btext", Form::kText, &S::RunBText, "X,Y,TEXT: write text on the back buffer"},
      {"telo", Form::kText, &S::RunTelo, "X,Y,TEXT: reveal a caption on the screen"},
      {"wait", Form::kDecimal, &I::Wait, "MS: wait"},
      {"start", Form::kNone, &I::Start, "mark the time for [until] and [untiln]"},
      {"until", Form::kDecimal, &I::Until, "MS: wait until MS after the mark"},
      {"untiln", Form::kDecimal, &I::UntilN, "MS: wait until the next step of MS after the mark"},
      {"textwait", Form::kDecimal, &S::RunTextWait,
       "MS: how long each character takes to appear (kept in rurirora.ini)"},
      {"bgmloop", Form::kDecimal, &S::RunBgmLoop, "N: 1 repeats the music, 0 plays it once"},
      {"wavloop", Form::kDecimal, &S::RunWavLoop, "N: 1 repeats the sound effect, 0 plays it once"},
      {"load", Form::kLine, &I::Load, "SCENARIO: go on at the top of another scenario file"},
      {"savewin", Form::kNone, &I::SaveWin, "open the save window"},
      {"loadwin", Form::kNone, &I::LoadWin, "open the load window"},
      {"save", Form::kNone, &I::Save, "open the save and load window"},
      {"p", Form::kCompact, &S::RunP,
       "PICTURE: load a background with the frame and fade to it over 1 s"},
      {"textnw", Form::kText, &I::TextNw,
       "TEXT: show text and go on without waiting when it fits one page"},
      {"text", Form::kText, &I::Text,
       "TEXT: show text in the message window and wait for the player"},
      {"sel", Form::kText, &I::Sel,
       "OPTION\\nOPTION...: offer choices; the number picked goes to SELECT"},
  };
  static constexpr size_t kCount = std::size(kRows);
};

std::span<const CommandRow> Interpreter::Commands() { return CommandTable::kRows; }

std::span<const std::string_view> Interpreter::CommandNames() {
  static const auto names = [] {
    std::array<std::string_view, CommandTable::kCount> n{};
    for (size_t i = 0; i < n.size(); ++i) n[i] = CommandTable::kRows[i].name;
    return n;
  }();
  return names;
}

std::span<const ArgumentForm> Interpreter::CommandForms() {
  static const auto forms = [] {
    std::array<ArgumentForm, CommandTable::kCount> f{};
    for (size_t i = 0; i < f.size(); ++i) f[i] = CommandTable::kRows[i].form;
    return f;
  }();
  return forms;
}

std::string Interpreter::CommandHelp() {
  std::string out;
  for (const CommandRow& row : CommandTable::kRows) {
    std::string name = "[" + std::string(row.name) + "]";
    name.resize(std::max<size_t>(name.size() + 1, 18), ' ');
    out += name + std::string(row.summary) + "\n";
  }
  return out;
}

void Interpreter::NextLine() {
  if (!state_.current_line) return;
  state_.current_line = script::NextLine(state_.scenario_text, *state_.current_line);
}

void Interpreter::SkipToLabel() {
  if (!state_.current_line) return;
  state_.current_line = script::SkipToLabel(state_.scenario_text, *state_.current_line);
}

// A step that pumped may find that input or a nested tick moved CurrentLine
// (a skip-mode click, a jump); the line is then not advanced again.
void Interpreter::FinishLine(size_t line) {
  if (state_.current_line == line) NextLine();
  state_.adv_mode = adv::kRun;
}

void Interpreter::TimedWait(int32_t ms, size_t line) {
  const uint32_t generation = state_.game_generation;
  // A negative count never waits.
  if (ms > 0) {
    const uint32_t t0 = sink_.NowMs();
    const uint32_t n = static_cast<uint32_t>(ms);
    for (;;) {
      const uint32_t elapsed = sink_.NowMs() - t0;
      if (elapsed >= n) break;
      state_.wait_remaining = static_cast<int32_t>(n - elapsed);
      if (!sink_.PumpUntil(t0 + n)) break;
      if (state_.game_generation != generation) return;
      if (state_.current_line != line) break;  // a skip or jump moved on: the wait is over
    }
    // Cleared as "until" clears it: a stale count would have the debug
    // monitor report a wait long after it ended.
    state_.wait_remaining = 0;
  }
  FinishLine(line);
}

void Interpreter::WaitUntilTarget(size_t line) {
  const uint32_t generation = state_.game_generation;
  const uint32_t target = state_.wait_start + state_.until_target;
  for (;;) {
    const uint32_t now = sink_.NowMs();
    state_.wait_remaining = static_cast<int32_t>(target - now);
    if (Reached(now, target)) break;
    if (!sink_.PumpUntil(target)) break;
    if (state_.game_generation != generation) return;
    if (state_.current_line != line) break;
  }
  state_.wait_remaining = 0;
  FinishLine(line);
}

void Interpreter::EndLine() {
  NextLine();
  state_.adv_mode = adv::kRun;
}

CommandArgs Interpreter::ReadArguments(ArgumentForm form, size_t arg) {
  const std::string_view text = state_.scenario_text;
  const std::string_view rest = RestOfLine(text, arg);
  CommandArgs args;
  switch (form) {
    case Form::kNone:
      break;
    case Form::kCompact:
      args.text = CompactArgument(text, arg);
      break;
    case Form::kLine:
      args.text = LineArgument(text, arg);
      break;
    case Form::kText:
      args.text = ExpandText(vars_, text.substr(arg), state_.scene_name);
      break;
    case Form::kColor:
      args.color = ColorArgument(vars_, rest);
      break;
    case Form::kDecimal:
      args.numbers[0] = DecimalArgument(CompactArgument(text, arg));
      break;
    case Form::kFade:
      args.numbers[0] = ParseNumber(CompactArgument(text, arg));
      break;
    case Form::kNumbers2:
      args.numbers = NumberList(vars_, rest, 2);
      break;
    case Form::kNumbers4:
      args.numbers = NumberList(vars_, rest, 4);
      break;
    case Form::kNumbers5:
      args.numbers = NumberList(vars_, rest, 5);
      break;
  }
  return args;
}

void Interpreter::RunSinkCommand(CommandRow::SinkHandler handler, ArgumentForm form, size_t line,
                                 size_t arg) {
  const CommandArgs args = ReadArguments(form, arg);
  // Movies and the question box pump while they run.
  const uint32_t generation = state_.game_generation;
  (sink_.*handler)(args);
  if (state_.game_generation != generation) return;
  if (state_.current_line == line) NextLine();
  state_.adv_mode = adv::kRun;
}

void Interpreter::Step() {
  if (state_.adv_mode == adv::kRun) state_.adv_mode = adv::kBusy;
  if (!state_.current_line) {
    state_.adv_mode = adv::kRun;
    return;
  }
  const std::string_view text = state_.scenario_text;
  const size_t line = *state_.current_line;

  if (line < text.size() && text[line] == '#') {
    state_.scene_name = Bounded(CompactArgument(text, line), kNameBytes);
    NextLine();
    state_.skip_mode = 0;
    state_.adv_mode = adv::kRun;
    return;
  }

  for (const CommandRow& row : CommandTable::kRows) {
    const std::optional<size_t> arg = MatchCommand(row.name, text, line);
    if (!arg) continue;
    if (const auto* own = std::get_if<CommandRow::OwnHandler>(&row.handler)) {
      (this->**own)(line, *arg);
    } else {
      RunSinkCommand(std::get<CommandRow::SinkHandler>(row.handler), row.form, line, *arg);
    }
    return;
  }
  EndLine();
}

void Interpreter::Skip(size_t, size_t) {
  state_.skip_mode = 1;
  EndLine();
}

void Interpreter::Saveable(size_t, size_t) {
  state_.save_allowed = SavePermission::kAllowed;
  EndLine();
}

void Interpreter::SaveDisable(size_t, size_t) {
  state_.save_allowed = SavePermission::kDisabled;
  EndLine();
}

void Interpreter::Mouse(size_t, size_t arg) {
  const CommandArgs args = ReadArguments(Form::kCompact, arg);
  NextLine();
  sink_.RunMouse(args);
  state_.adv_mode = adv::kMousePosition;
}

void Interpreter::Go(size_t, size_t arg) {
  state_.go_target = Bounded(CompactArgument(state_.scenario_text, arg), kNameBytes);
  EndLine();
}

void Interpreter::Set(size_t, size_t arg) {
  AssignVariable(vars_, CompactArgument(state_.scenario_text, arg));
  EndLine();
}

void Interpreter::If(size_t, size_t arg) {
  const std::string_view text = state_.scenario_text;
  if (const auto rest = TestCondition(vars_, text.substr(arg))) {
    state_.current_line = arg + *rest;
  } else {
    NextLine();
  }
  state_.adv_mode = adv::kRun;
}

void Interpreter::Wait(size_t line, size_t arg) {
  TimedWait(DecimalArgument(CompactArgument(state_.scenario_text, arg)), line);
}

void Interpreter::Start(size_t, size_t) {
  state_.wait_start = sink_.NowMs();
  state_.until_target = 0;
  EndLine();
}

void Interpreter::Until(size_t line, size_t arg) {
  const int32_t n = DecimalArgument(CompactArgument(state_.scenario_text, arg));
  if (n == 0 || state_.wait_start == 0) return EndLine();
  state_.until_target = static_cast<uint32_t>(n);
  WaitUntilTarget(line);
}

void Interpreter::UntilN(size_t line, size_t arg) {
  const int32_t n = DecimalArgument(CompactArgument(state_.scenario_text, arg));
  if (n == 0 || state_.wait_start == 0) return EndLine();
  if (state_.until_target == 0) state_.until_target = static_cast<uint32_t>(n);
  state_.until_target += static_cast<uint32_t>(n);
  WaitUntilTarget(line);
}

void Interpreter::Load(size_t, size_t arg) {
  switch (sink_.LoadScenario(LineArgument(state_.scenario_text, arg))) {
    case LoadOutcome::kLoaded:
      sink_.ResetState();
      state_.adv_mode = adv::kRun;
      return;
    case LoadOutcome::kFailed:
      EndLine();
      return;
    case LoadOutcome::kRaised:
      return;  // reported; the interpreter stays busy
  }
}

void Interpreter::RequestWindow(WindowRequest request) {
  NextLine();
  state_.window_request = request;
  // A window asked for by the scenario may save once even where saving is
  // disabled.
  if (request != WindowRequest::kLoad && state_.save_allowed == SavePermission::kDisabled)
    state_.save_allowed = SavePermission::kNextWindowOnly;
  state_.adv_mode = adv::kRun;
}

void Interpreter::SaveWin(size_t, size_t) { RequestWindow(WindowRequest::kSave); }

void Interpreter::LoadWin(size_t, size_t) { RequestWindow(WindowRequest::kLoad); }

void Interpreter::Save(size_t, size_t) { RequestWindow(WindowRequest::kSaveLoad); }

// The text display leaves adv_mode as it should be: 1 while pages remain,
// else 2 ("text") or 0 ("textnw").
void Interpreter::TextNw(size_t, size_t arg) {
  sink_.RunTextNw(ReadArguments(Form::kText, arg));
  NextLine();
}

void Interpreter::Text(size_t, size_t arg) {
  sink_.RunText(ReadArguments(Form::kText, arg));
  NextLine();
  // Choices on the very next line are shown in the same step.
  if (!state_.current_line) return;
  const size_t next = *state_.current_line;
  if (auto sel = MatchCommand("sel", state_.scenario_text, next)) Sel(next, *sel);
}

void Interpreter::Sel(size_t, size_t arg) {
  sink_.RunSel(ReadArguments(Form::kText, arg));
  NextLine();
  state_.adv_mode = adv::kChoice;
}

}  // namespace zepa::script
