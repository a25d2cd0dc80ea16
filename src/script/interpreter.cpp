#include "script/interpreter.h"

#include "script/arguments.h"
#include "script/expression.h"
#include "script/scenario.h"
#include "script/variables.h"

namespace zepa::script {
namespace {

using Form = ArgumentForm;

// The interpreter's own commands; everything else goes to the sink.
enum class Own { kNo, kSkip, kSaveable, kSaveDisable, kGo, kSet, kIf, kWait, kStart, kUntil,
                 kUntilN, kLoad, kSaveWin, kLoadWin, kSave };

struct Row {
  std::string_view name;
  Own own;
  Command command;
  Form form;
};

constexpr Command kNoCommand = Command::kEnd;  // placeholder for the interpreter's own rows

constexpr std::array<Row, 55> kTable = {{
    {"skip", Own::kSkip, kNoCommand, Form::kNone},
    {"saveable", Own::kSaveable, kNoCommand, Form::kNone},
    {"savedisable", Own::kSaveDisable, kNoCommand, Form::kNone},
    {"mouse", Own::kNo, Command::kMouse, Form::kCompact},
    {"get", Own::kNo, Command::kGet, Form::kCompact},
    {"flip", Own::kNo, Command::kFlip, Form::kNone},
    {"fade", Own::kNo, Command::kFade, Form::kFade},
    {"endpic", Own::kNo, Command::kEndPic, Form::kCompact},
    {"endbgm", Own::kNo, Command::kEndBgm, Form::kCompact},
    {"pic", Own::kNo, Command::kPic, Form::kCompact},
    {"bpic", Own::kNo, Command::kBPic, Form::kCompact},
    {"bpicture", Own::kNo, Command::kBPicture, Form::kCompact},
    {"frame", Own::kNo, Command::kFrame, Form::kNone},
    {"fill", Own::kNo, Command::kFill, Form::kColor},
    {"picture", Own::kNo, Command::kPicture, Form::kCompact},
    {"chara", Own::kNo, Command::kChara, Form::kCompact},
    {"bgm", Own::kNo, Command::kBgm, Form::kCompact},
    {"bgmfadein", Own::kNo, Command::kBgmFadeIn, Form::kCompact},
    {"bgmfadeout", Own::kNo, Command::kBgmFadeOut, Form::kCompact},
    {"bgmfadetime", Own::kNo, Command::kBgmFadeTime, Form::kDecimal},
    {"cd", Own::kNo, Command::kCd, Form::kDecimal},
    {"wav", Own::kNo, Command::kWav, Form::kCompact},
    {"gbcolor", Own::kNo, Command::kGbColor, Form::kColor},
    {"gpcolor", Own::kNo, Command::kGpColor, Form::kColor},
    {"gdot", Own::kNo, Command::kGDot, Form::kNumbers2},
    {"gline", Own::kNo, Command::kGLine, Form::kNumbers4},
    {"gsquare", Own::kNo, Command::kGSquare, Form::kNumbers5},
    {"gcircle", Own::kNo, Command::kGCircle, Form::kNumbers4},
    {"gellipse", Own::kNo, Command::kGEllipse, Form::kNumbers5},
    {"textcolor", Own::kNo, Command::kTextColor, Form::kColor},
    {"bgtextcolor", Own::kNo, Command::kBgTextColor, Form::kColor},
    {"selectcolor", Own::kNo, Command::kSelectColor, Form::kColor},
    {"selectbackcolor", Own::kNo, Command::kSelectBackColor, Form::kColor},
    {"selecttextcolor", Own::kNo, Command::kSelectTextColor, Form::kColor},
    {"go", Own::kGo, kNoCommand, Form::kCompact},
    {"end", Own::kNo, Command::kEnd, Form::kNone},
    {"set", Own::kSet, kNoCommand, Form::kCompact},
    {"if", Own::kIf, kNoCommand, Form::kNone},
    {"btext", Own::kNo, Command::kBText, Form::kText},
    {"telo", Own::kNo, Command::kTelo, Form::kText},
    {"wait", Own::kWait, kNoCommand, Form::kDecimal},
    {"start", Own::kStart, kNoCommand, Form::kNone},
    {"until", Own::kUntil, kNoCommand, Form::kDecimal},
    {"untiln", Own::kUntilN, kNoCommand, Form::kDecimal},
    {"textwait", Own::kNo, Command::kTextWait, Form::kDecimal},
    {"bgmloop", Own::kNo, Command::kBgmLoop, Form::kDecimal},
    {"wavloop", Own::kNo, Command::kWavLoop, Form::kDecimal},
    {"load", Own::kLoad, kNoCommand, Form::kLine},
    {"savewin", Own::kSaveWin, kNoCommand, Form::kNone},
    {"loadwin", Own::kLoadWin, kNoCommand, Form::kNone},
    {"save", Own::kSave, kNoCommand, Form::kNone},
    {"p", Own::kNo, Command::kP, Form::kCompact},
    {"textnw", Own::kNo, Command::kTextNw, Form::kText},
    {"text", Own::kNo, Command::kText, Form::kText},
    {"sel", Own::kNo, Command::kSel, Form::kText},
}};

std::string Bounded(std::string s, size_t bytes) {
  if (s.size() > bytes - 1) s.resize(bytes - 1);
  return s;
}

// True once the signed distance from `target` to `now` is not negative, so a
// wait survives the 49-day wrap of the millisecond clock.
bool Reached(uint32_t now, uint32_t target) { return static_cast<int32_t>(now - target) >= 0; }

}  // namespace

const std::array<std::string_view, 55>& Interpreter::CommandNames() {
  static const std::array<std::string_view, 55> names = [] {
    std::array<std::string_view, 55> n{};
    for (size_t i = 0; i < kTable.size(); ++i) n[i] = kTable[i].name;
    return n;
  }();
  return names;
}

const std::array<ArgumentForm, 55>& Interpreter::CommandForms() {
  static const std::array<ArgumentForm, 55> forms = [] {
    std::array<ArgumentForm, 55> f{};
    for (size_t i = 0; i < kTable.size(); ++i) f[i] = kTable[i].form;
    return f;
  }();
  return forms;
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

void Interpreter::RunText(Command command, size_t arg) {
  const std::string_view text = state_.scenario_text;
  CommandArgs args;
  args.text = ExpandText(vars_, text.substr(arg), state_.scene_name);
  sink_.RunCommand(command, args);
  NextLine();
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

  const Row* row = nullptr;
  size_t arg = 0;
  for (const Row& r : kTable) {
    if (auto a = MatchCommand(r.name, text, line)) {
      row = &r;
      arg = *a;
      break;
    }
  }
  if (!row) {
    NextLine();
    state_.adv_mode = adv::kRun;
    return;
  }

  switch (row->own) {
    case Own::kSkip:
      state_.skip_mode = 1;
      break;
    case Own::kSaveable:
      state_.save_allowed = 1;
      break;
    case Own::kSaveDisable:
      state_.save_allowed = 0;
      break;
    case Own::kGo:
      state_.go_target = Bounded(CompactArgument(text, arg), kNameBytes);
      break;
    case Own::kSet:
      AssignVariable(vars_, CompactArgument(text, arg));
      break;
    case Own::kIf: {
      const auto rest = TestCondition(vars_, text.substr(arg));
      if (rest) {
        state_.current_line = arg + *rest;
      } else {
        NextLine();
      }
      state_.adv_mode = adv::kRun;
      return;
    }
    case Own::kWait:
      TimedWait(DecimalArgument(CompactArgument(text, arg)), line);
      return;
    case Own::kStart:
      state_.wait_start = sink_.NowMs();
      state_.until_target = 0;
      break;
    case Own::kUntil: {
      const int32_t n = DecimalArgument(CompactArgument(text, arg));
      if (n == 0 || state_.wait_start == 0) break;
      state_.until_target = static_cast<uint32_t>(n);
      WaitUntilTarget(line);
      return;
    }
    case Own::kUntilN: {
      const int32_t n = DecimalArgument(CompactArgument(text, arg));
      if (n == 0 || state_.wait_start == 0) break;
      if (state_.until_target == 0) state_.until_target = static_cast<uint32_t>(n);
      state_.until_target += static_cast<uint32_t>(n);
      WaitUntilTarget(line);
      return;
    }
    case Own::kLoad: {
      switch (sink_.LoadScenario(LineArgument(text, arg))) {
        case LoadOutcome::kLoaded:
          sink_.ResetState();
          state_.adv_mode = adv::kRun;
          return;
        case LoadOutcome::kFailed:
          break;
        case LoadOutcome::kRaised:
          return;  // reported; the interpreter stays busy
      }
      break;
    }
    case Own::kSaveWin:
    case Own::kSave:
      NextLine();
      state_.window_request = row->own == Own::kSaveWin ? 1 : 3;
      if (state_.save_allowed == 0) state_.save_allowed = 2;
      state_.adv_mode = adv::kRun;
      return;
    case Own::kLoadWin:
      NextLine();
      state_.window_request = 2;
      state_.adv_mode = adv::kRun;
      return;
    case Own::kNo: {
      const Command command = row->command;
      if (command == Command::kText || command == Command::kTextNw) {
        RunText(command, arg);
        if (command == Command::kText && state_.current_line) {
          const size_t next = *state_.current_line;
          if (auto sel = MatchCommand("sel", text, next)) {
            RunText(Command::kSel, *sel);
            state_.adv_mode = adv::kChoice;
          }
        }
        return;  // the text display left adv_mode as it should be
      }
      if (command == Command::kSel) {
        RunText(command, arg);
        state_.adv_mode = adv::kChoice;
        return;
      }
      CommandArgs args;
      const std::string_view rest = RestOfLine(text, arg);
      switch (row->form) {
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
      if (command == Command::kMouse) {
        NextLine();
        sink_.RunCommand(command, args);
        state_.adv_mode = adv::kMousePosition;
        return;
      }
      // Movies and the question box pump while they run.
      const uint32_t generation = state_.game_generation;
      sink_.RunCommand(command, args);
      if (state_.game_generation != generation) return;
      if (state_.current_line == line) NextLine();
      state_.adv_mode = adv::kRun;
      return;
    }
  }
  NextLine();
  state_.adv_mode = adv::kRun;
}

}  // namespace zepa::script
