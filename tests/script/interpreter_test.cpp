#include "script/interpreter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "script/variables.h"

namespace zepa::script {
namespace {

// A sink with a virtual clock: a pump jumps to its deadline (or the next
// 50 ms tick when that comes first) and may run a hook, as input would.
class FakeSink : public CommandSink {
 public:
  uint32_t now = 1000;
  std::vector<std::pair<std::string, CommandArgs>> commands;
  std::vector<uint32_t> pumps;
  std::function<void()> on_pump;
  LoadOutcome load_outcome = LoadOutcome::kFailed;
  std::string loaded;
  int resets = 0;
  InterpreterState* state = nullptr;

  uint32_t NowMs() override { return now; }
  bool PumpUntil(uint32_t deadline) override {
    const uint32_t next_tick = now + 50;
    now = static_cast<int32_t>(deadline - next_tick) < 0 ? deadline : next_tick;
    pumps.push_back(now);
    if (on_pump) on_pump();
    return true;
  }
  LoadOutcome LoadScenario(const std::string& name) override {
    loaded = name;
    if (load_outcome == LoadOutcome::kLoaded) {
      state->scenario_text = "#new\n";
      state->current_line = 0;
    }
    return load_outcome;
  }
  void ResetState() override { ++resets; }
  void Record(std::string name, const CommandArgs& a) { commands.push_back({std::move(name), a}); }
  void RunText(const CommandArgs& a) override {
    Record("text", a);
    state->adv_mode = adv::kTextEnd;
  }
  void RunMouse(const CommandArgs& a) override { Record("mouse", a); }
  void RunGet(const CommandArgs& a) override { Record("get", a); }
  void RunFlip(const CommandArgs& a) override { Record("flip", a); }
  void RunFade(const CommandArgs& a) override { Record("fade", a); }
  void RunEndPic(const CommandArgs& a) override { Record("endpic", a); }
  void RunEndBgm(const CommandArgs& a) override { Record("endbgm", a); }
  void RunPic(const CommandArgs& a) override { Record("pic", a); }
  void RunBPic(const CommandArgs& a) override { Record("bpic", a); }
  void RunBPicture(const CommandArgs& a) override { Record("bpicture", a); }
  void RunFrame(const CommandArgs& a) override { Record("frame", a); }
  void RunFill(const CommandArgs& a) override { Record("fill", a); }
  void RunPicture(const CommandArgs& a) override { Record("picture", a); }
  void RunChara(const CommandArgs& a) override { Record("chara", a); }
  void RunBgm(const CommandArgs& a) override { Record("bgm", a); }
  void RunBgmFadeIn(const CommandArgs& a) override { Record("bgmfadein", a); }
  void RunBgmFadeOut(const CommandArgs& a) override { Record("bgmfadeout", a); }
  void RunBgmFadeTime(const CommandArgs& a) override { Record("bgmfadetime", a); }
  void RunCd(const CommandArgs& a) override { Record("cd", a); }
  void RunWav(const CommandArgs& a) override { Record("wav", a); }
  void RunGbColor(const CommandArgs& a) override { Record("gbcolor", a); }
  void RunGpColor(const CommandArgs& a) override { Record("gpcolor", a); }
  void RunGDot(const CommandArgs& a) override { Record("gdot", a); }
  void RunGLine(const CommandArgs& a) override { Record("gline", a); }
  void RunGSquare(const CommandArgs& a) override { Record("gsquare", a); }
  void RunGCircle(const CommandArgs& a) override { Record("gcircle", a); }
  void RunGEllipse(const CommandArgs& a) override { Record("gellipse", a); }
  void RunTextColor(const CommandArgs& a) override { Record("textcolor", a); }
  void RunBgTextColor(const CommandArgs& a) override { Record("bgtextcolor", a); }
  void RunSelectColor(const CommandArgs& a) override { Record("selectcolor", a); }
  void RunSelectBackColor(const CommandArgs& a) override { Record("selectbackcolor", a); }
  void RunSelectTextColor(const CommandArgs& a) override { Record("selecttextcolor", a); }
  void RunEnd(const CommandArgs& a) override { Record("end", a); }
  void RunBText(const CommandArgs& a) override { Record("btext", a); }
  void RunTelo(const CommandArgs& a) override { Record("telo", a); }
  void RunTextWait(const CommandArgs& a) override { Record("textwait", a); }
  void RunBgmLoop(const CommandArgs& a) override { Record("bgmloop", a); }
  void RunWavLoop(const CommandArgs& a) override { Record("wavloop", a); }
  void RunP(const CommandArgs& a) override { Record("p", a); }
  void RunTextNw(const CommandArgs& a) override { Record("textnw", a); }
  void RunSel(const CommandArgs& a) override { Record("sel", a); }
};

class InterpreterTest : public ::testing::Test {
 protected:
  void Load(const std::string& text) {
    st.scenario_text = text;
    st.current_line = 0;
    st.adv_mode = adv::kRun;
    sink.state = &st;
    vars.Reset(1);
  }
  // Runs steps the way the tick does: only while adv_mode is 0.
  void Steps(int n) {
    for (int i = 0; i < n && st.adv_mode == adv::kRun; ++i) interp.Step();
  }
  size_t Line() const { return *st.current_line; }

  InterpreterState st;
  VariableTable vars;
  FakeSink sink;
  Interpreter interp{st, vars, sink};
};

TEST_F(InterpreterTest, LabelsBlankLinesAndUnknownCommandsCostOneStepEach) {
  Load("#scene one\n\n[Text]skipped\n  [skip]\n#next\n");
  Steps(1);
  EXPECT_EQ(st.scene_name, "#sceneone");
  Steps(2);
  EXPECT_EQ(Line(), st.scenario_text.find("  [skip]"));
  Steps(1);
  EXPECT_EQ(st.skip_mode, 1);  // a command after blanks is still a command
  Steps(1);
  EXPECT_EQ(st.skip_mode, 0);  // the next label ends skip mode
  EXPECT_EQ(Line(), st.scenario_text.size());
  Steps(1);  // at the end every step finds nothing
  EXPECT_EQ(Line(), st.scenario_text.size());
  EXPECT_EQ(st.adv_mode, adv::kRun);
}

TEST_F(InterpreterTest, GoSetsTheTargetAndWindowRequestsFollowSaveAllowed) {
  Load("[go] #a b\n[savedisable]\n[savewin]\n[loadwin]\n[saveable]\n[save]\n");
  Steps(1);
  EXPECT_EQ(st.go_target, "#ab");
  Steps(2);
  EXPECT_EQ(st.window_request, WindowRequest::kSave);
  EXPECT_EQ(st.save_allowed, SavePermission::kNextWindowOnly);  // allowed for the next window only
  Steps(1);
  EXPECT_EQ(st.window_request, WindowRequest::kLoad);
  Steps(2);
  EXPECT_EQ(st.window_request, WindowRequest::kSaveLoad);
  EXPECT_EQ(st.save_allowed, SavePermission::kAllowed);
}

TEST_F(InterpreterTest, IfContinuesOnTheSameLineWhenTrue) {
  Load("[set]a=1\n[if]a=1[go]#x\n[if]a=2[go]#y\n[set]b=2\n");
  Steps(2);
  EXPECT_EQ(Line(), st.scenario_text.find("[go]#x"));
  Steps(1);
  EXPECT_EQ(st.go_target, "#x");
  Steps(1);  // false: the next line
  EXPECT_EQ(Line(), st.scenario_text.find("[set]b"));
  Steps(1);
  EXPECT_EQ(vars.VariableNumber("b"), 2);
}

TEST_F(InterpreterTest, AValueSetUnderTheEmptyNameGoesToTheNextNewName) {
  Load("[set]=\"7\"\n[set]fresh=fresh+1\n");
  Steps(2);
  EXPECT_EQ(vars.VariableNumber("fresh"), 8);
}

TEST_F(InterpreterTest, WaitPumpsUntilItsTime) {
  Load("[wait]120\n[wait]-5\n[wait]0\n[end]\n");
  Steps(1);
  EXPECT_EQ(sink.now, 1120u);
  EXPECT_EQ(sink.pumps, (std::vector<uint32_t>{1050, 1100, 1120}));
  EXPECT_EQ(st.wait_remaining, 0);  // no wait runs any more
  Steps(2);  // negative and zero never wait
  EXPECT_EQ(sink.now, 1120u);
  EXPECT_EQ(Line(), st.scenario_text.find("[end]"));
}

TEST_F(InterpreterTest, UntilAndUntilnCountFromTheMark) {
  Load("[untiln]500\n[start]\n[untiln]500\n[untiln]500\n[until]3000\n[untiln]500\n[until]0\n");
  Steps(1);
  EXPECT_EQ(sink.now, 1000u);  // no mark yet: no wait
  Steps(2);
  EXPECT_EQ(sink.now, 2000u);  // mark + 1000
  Steps(1);
  EXPECT_EQ(sink.now, 2500u);
  Steps(1);
  EXPECT_EQ(sink.now, 4000u);
  EXPECT_EQ(st.wait_remaining, 0);
  Steps(1);
  EXPECT_EQ(sink.now, 4500u);  // after until 3000, untiln 500 ends at 3500
  Steps(1);
  EXPECT_EQ(sink.now, 4500u);
}

TEST_F(InterpreterTest, InputDuringAWaitDoesNotSkipTheLineItMovedTo) {
  // A skip-mode click during the wait jumps to the label; the wait's end
  // must not step past that label.
  Load("[skip]\n[wait]500\nnever\n#target\n");
  Steps(1);
  sink.on_pump = [&] {
    if (st.skip_mode == 1) {
      interp.SkipToLabel();
      st.adv_mode = adv::kRun;
    }
  };
  interp.Step();
  EXPECT_EQ(Line(), st.scenario_text.find("#target"));
}

// Every row reaches its own handler: a command the interpreter does not
// keep goes to the sink method of its name, and no other.
TEST_F(InterpreterTest, EachCommandReachesTheHandlerOfItsName) {
  const std::vector<std::string_view> own = {"skip",  "saveable", "savedisable", "go",
                                             "set",   "if",       "wait",        "start",
                                             "until", "untiln",   "load",        "savewin",
                                             "loadwin", "save"};
  size_t to_sink = 0;
  for (std::string_view name : Interpreter::CommandNames()) {
    Load("[" + std::string(name) + "]\n");
    sink.commands.clear();
    interp.Step();
    if (std::find(own.begin(), own.end(), name) != own.end()) {
      EXPECT_TRUE(sink.commands.empty()) << name;
      continue;
    }
    ASSERT_EQ(sink.commands.size(), 1u) << name;
    EXPECT_EQ(sink.commands[0].first, name);
    ++to_sink;
  }
  EXPECT_EQ(to_sink + own.size(), Interpreter::CommandNames().size());
}

TEST_F(InterpreterTest, TextFollowedDirectlyBySelRunsBothInOneStep) {
  Load("[text]hello\n[sel]a\\nb\n[text]again\n\n[sel]c\n");
  Steps(1);
  ASSERT_EQ(sink.commands.size(), 2u);
  EXPECT_EQ(sink.commands[0].first, "text");
  EXPECT_EQ(sink.commands[0].second.text, "hello");
  EXPECT_EQ(sink.commands[1].first, "sel");
  EXPECT_EQ(sink.commands[1].second.text, "a\nb");
  EXPECT_EQ(st.adv_mode, adv::kChoice);
  EXPECT_EQ(Line(), st.scenario_text.find("[text]again"));
  st.adv_mode = adv::kRun;
  Steps(1);  // a blank line between: the text waits on its own
  EXPECT_EQ(sink.commands.size(), 3u);
  EXPECT_EQ(st.adv_mode, adv::kTextEnd);
}

TEST_F(InterpreterTest, MultiLineTextLeavesCurrentLineOnItsSecondLine) {
  Load("[text]one\ntwo\n[sel]x\n");
  Steps(1);
  ASSERT_EQ(sink.commands.size(), 1u);
  EXPECT_EQ(sink.commands[0].second.text, "onetwo");
  EXPECT_EQ(Line(), st.scenario_text.find("two"));
}

TEST_F(InterpreterTest, ArgumentFormsReachTheSink) {
  Load("[fade]  1 2\n[gline]10,20\n[fill]255,0,0\n[bgmfadetime] 300x\n[mouse]X,Y\n");
  Steps(4);
  ASSERT_EQ(sink.commands.size(), 4u);
  EXPECT_EQ(sink.commands[0].second.numbers[0], 12);
  EXPECT_EQ(sink.commands[1].second.numbers, (std::array<int32_t, 5>{10, 0, 0, 0, 0}));
  EXPECT_EQ(sink.commands[2].second.color, 0x0000ffu);
  EXPECT_EQ(sink.commands[3].second.numbers[0], 300);
  Steps(1);
  EXPECT_EQ(sink.commands[4].first, "mouse");
  EXPECT_EQ(sink.commands[4].second.text, "X,Y");
  EXPECT_EQ(st.adv_mode, adv::kMousePosition);
}

TEST_F(InterpreterTest, LoadOutcomes) {
  Load("[load] other.kvs\n[set]a=1\n");
  sink.load_outcome = LoadOutcome::kFailed;
  Steps(1);
  EXPECT_EQ(sink.loaded, "other.kvs");
  EXPECT_EQ(Line(), st.scenario_text.find("[set]"));
  Load("[load]missing.kvs\n");
  sink.load_outcome = LoadOutcome::kRaised;
  Steps(1);
  EXPECT_EQ(st.adv_mode, adv::kBusy);  // the error leaves the interpreter busy
  EXPECT_EQ(Line(), 0u);
  Load("[load]ok.kvs\n");
  sink.load_outcome = LoadOutcome::kLoaded;
  Steps(1);
  EXPECT_EQ(sink.resets, 1);
  EXPECT_EQ(Line(), 0u);  // the start of the new scenario, no NextLine
  EXPECT_EQ(st.adv_mode, adv::kRun);
}

}  // namespace
}  // namespace zepa::script
