// The question box of "get": the comma rules, and the box in a running game
// answered through scripted input.
#include "windows/question_box.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstring>
#include <nlohmann/json.hpp>

#include "engine/game_fixture.h"
#include "platform/cp932.h"
#include "platform/sdl/imgui_input.h"
#include "platform/toolkit/tool_window_view.h"

namespace zepa::windows {
namespace {

using platform::Utf8ToCp932;

TEST(ParseQuestion, SplitsAtTheFirstTwoCommas) {
  Question q{"old", "old message", "old answer"};
  // No comma: nothing changes.
  EXPECT_FALSE(ParseQuestion("name", q));
  EXPECT_EQ(q.name, "old");
  // One comma: the name is replaced, but no box.
  EXPECT_FALSE(ParseQuestion("name,message", q));
  EXPECT_EQ(q.name, "name");
  EXPECT_EQ(q.message, "old message");
  // Two or more: the rest after the second comma is the default, commas kept.
  EXPECT_TRUE(ParseQuestion("a,b,c,d", q));
  EXPECT_EQ(q.name, "a");
  EXPECT_EQ(q.message, "b");
  EXPECT_EQ(q.answer, "c,d");
  EXPECT_TRUE(ParseQuestion(",,", q));
  EXPECT_EQ(q.name, "");
  EXPECT_EQ(q.answer, "");
}

TEST(ParseQuestion, EachTextHoldsAtMost255Bytes) {
  Question q;
  const std::string long_text(300, 'x');
  EXPECT_TRUE(ParseQuestion(long_text + "," + long_text + "," + long_text, q));
  EXPECT_EQ(q.name.size(), 255u);
  EXPECT_EQ(q.message.size(), 255u);
  EXPECT_EQ(q.answer.size(), 255u);
  // Only the first 1023 bytes of the argument are looked at.
  EXPECT_FALSE(ParseQuestion(std::string(1023, 'x') + ",m,a", q));
  // A double-byte character that does not fit whole is left out, never cut
  // through: "あ" is 0x82 0xA0.
  const std::string a254 = std::string(254, 'x') + "\x82\xA0";
  EXPECT_TRUE(ParseQuestion(a254 + "," + a254 + "," + a254, q));
  EXPECT_EQ(q.name, std::string(254, 'x'));
  EXPECT_EQ(q.message, std::string(254, 'x'));
  EXPECT_EQ(q.answer, std::string(254, 'x'));
}

class QuestionInGame : public engine::testing::GameFixture {
 protected:
  std::string Path(const std::string& name) { return (dir_ / name).string(); }
  nlohmann::json Dump(const std::string& name) { return nlohmann::json::parse(Read(name)); }
  std::string Var(const std::string& name) { return game_->variables().VariableText(name); }
  static const nlohmann::json& Control(const nlohmann::json& window, const std::string& name) {
    for (const auto& c : window["controls"])
      if (c["name"] == name) return c;
    static const nlohmann::json none;
    return none;
  }
  void PlayUtf8(const std::string& scenario, const std::string& events) {
    Play(Utf8ToCp932(scenario), events);
  }
};

TEST_F(QuestionInGame, OkWithoutEditingStoresTheDefault) {
  PlayUtf8("[get]name,質問です,はい\n[set]after=1\n",
           "1000 dump " + Path("box.json") + "\n1100 press Button_OK\n");
  const auto box = Dump("box.json");
  ASSERT_EQ(box["windows"].size(), 1u);
  const auto& w = box["windows"][0];
  EXPECT_EQ(w["name"], "Form4");
  EXPECT_EQ(w["caption"], "質問");
  EXPECT_EQ(Control(w, "Label_MESSAGE")["text"], "質問です");
  EXPECT_EQ(Control(w, "Edit_PARAM")["text"], "はい");
  EXPECT_EQ(w["position"], nlohmann::json::array({(1920 - 295) / 2, (1080 - 120) / 2}));
  // The script waited for the answer, and went on after it.
  EXPECT_EQ(box["adv_mode"], script::adv::kBusy);
  EXPECT_EQ(box["variables"].count("after"), 0u);
  EXPECT_EQ(Var("name"), Utf8ToCp932("はい"));
  EXPECT_EQ(game_->variables().VariableNumber("after"), 1);
}

TEST_F(QuestionInGame, TypedAnswerIsStoredAndCancelKeepsTheDefault) {
  PlayUtf8("[get]a,名前は？,太郎\n[get]b,名前は？,太郎\n",
           "1000 type Edit_PARAM 花子\n1100 press Button_OK\n"
           "1500 type Edit_PARAM 次郎\n1600 press Button_CANCEL\n");
  EXPECT_EQ(Var("a"), Utf8ToCp932("花子"));
  EXPECT_EQ(Var("b"), Utf8ToCp932("太郎"));
}

TEST_F(QuestionInGame, TooFewCommasShowNoBoxAndLeaveTheVariableAlone) {
  PlayUtf8("[set]name=\"keep\"\n[get]name\n[get]name,message\n[set]done=1\n", "");
  EXPECT_EQ(Var("name"), "keep");
  EXPECT_EQ(game_->variables().VariableNumber("done"), 1);
  EXPECT_TRUE(host_->windows().empty());
}

TEST_F(QuestionInGame, MoreCommasGoToTheDefaultAndOnlyFullWidthSpacesReachTheBox) {
  PlayUtf8("[get]a,b,c,d\n[get]q, 質 問 ,は　い\n",
           "1000 press Button_OK\n1500 dump " + Path("box.json") + "\n1600 press Button_OK\n");
  EXPECT_EQ(Var("a"), "c,d");
  const auto box = Dump("box.json");
  const auto& w = box["windows"][0];
  EXPECT_EQ(Control(w, "Label_MESSAGE")["text"], "質問");
  EXPECT_EQ(Control(w, "Edit_PARAM")["text"], "は　い");
  EXPECT_EQ(Var("q"), Utf8ToCp932("は　い"));
}

TEST(QuestionField, RefusesTextTheGameCannotHold) {
  Question q{"n", "m", "d"};
  platform::ToolWindow box;
  BuildQuestionBox(box, q);
  // Not in the code page.
  EXPECT_FALSE(box.SetText("Edit_PARAM", "\xF0\x9F\x98\x80"));
  // 256 bytes do not fit; 255 do (a double-byte character counts two).
  EXPECT_FALSE(box.SetText("Edit_PARAM", std::string(254, 'x') + "あ"));
  EXPECT_TRUE(box.SetText("Edit_PARAM", std::string(253, 'x') + "あ"));
  EXPECT_TRUE(box.SetText("Edit_PARAM", "what?"));
  box.Press("Button_OK");
  EXPECT_EQ(q.answer, "what?");
}

// The box in the real renderer, in a window of SDL's dummy video driver
// (no display needed); the player's keys arrive as SDL events.
class QuestionBoxTyping : public ::testing::Test {
 protected:
  void SetUp() override {
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "dummy");
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
    window_ = SDL_CreateWindow("q", 0, 0, 295, 120, SDL_WINDOW_HIDDEN);
    ASSERT_NE(window_, nullptr) << SDL_GetError();
    renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
    ASSERT_NE(renderer_, nullptr) << SDL_GetError();
  }
  void TearDown() override {
    view_.reset();
    if (renderer_) SDL_DestroyRenderer(renderer_);
    if (window_) SDL_DestroyWindow(window_);
    SDL_SetModState(KMOD_NONE);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
  }
  // Opens the box as the host does: a view, then the frames after opening.
  void Open(Question& question) {
    BuildQuestionBox(box_, question);
    view_ = std::make_unique<platform::ToolWindowView>(
        renderer_, box_, 1, [this] { return platform::MakeSdlWindowInput(window_); });
    ASSERT_TRUE(view_->ok()) << view_->status().message();
    Frames(3);
  }
  void Frames(int n) {
    for (int i = 0; i < n; ++i) view_->Frame(box_);
  }
  void Type(const char* utf8) {
    SDL_Event e{};
    e.type = SDL_TEXTINPUT;
    e.text.windowID = SDL_GetWindowID(window_);
    std::strncpy(e.text.text, utf8, sizeof(e.text.text) - 1);
    view_->ProcessEvent(e);
    Frames(2);
  }
  // One key event, with the modifiers SDL reports while it happens.
  void Send(Uint32 type, SDL_Scancode code, SDL_Keymod mod) {
    SDL_SetModState(mod);
    SDL_Event e{};
    e.type = type;
    e.key.windowID = SDL_GetWindowID(window_);
    e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.scancode = code;
    e.key.keysym.sym = SDL_GetKeyFromScancode(code);
    e.key.keysym.mod = static_cast<uint16_t>(mod);
    view_->ProcessEvent(e);
    Frames(2);
  }
  void Key(SDL_Scancode code) {
    Send(SDL_KEYDOWN, code, KMOD_NONE);
    Send(SDL_KEYUP, code, KMOD_NONE);
  }
  void CtrlKey(SDL_Scancode code) {
    Send(SDL_KEYDOWN, SDL_SCANCODE_LCTRL, KMOD_LCTRL);
    Send(SDL_KEYDOWN, code, KMOD_LCTRL);
    Send(SDL_KEYUP, code, KMOD_LCTRL);
    Send(SDL_KEYUP, SDL_SCANCODE_LCTRL, KMOD_NONE);
  }
  std::string Field() { return box_.Find("Edit_PARAM")->text; }

  SDL_Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  platform::ToolWindow box_;
  std::unique_ptr<platform::ToolWindowView> view_;
};

// The field has the keyboard from the start, and Ctrl+A selects all of it.
TEST_F(QuestionBoxTyping, TheFieldTakesTheFirstKeysAndCtrlASelectsAll) {
  Question q{"n", "m", Utf8ToCp932("はい")};
  Open(q);
  Key(SDL_SCANCODE_END);
  Type("a");
  EXPECT_EQ(Field(), "はいa");
  CtrlKey(SDL_SCANCODE_A);
  Type("x");
  EXPECT_EQ(Field(), "x");
  box_.Press("Button_OK");
  EXPECT_EQ(q.answer, "x");
}

// Input beyond the 255 bytes the answer holds is refused as it is typed:
// the field never shows what the game would drop, and a double-byte
// character that does not fit whole is refused whole.
TEST_F(QuestionBoxTyping, InputBeyondTheByteLimitIsRefusedAsItIsTyped) {
  Question q{"n", "m", std::string(250, 'y')};
  Open(q);
  Key(SDL_SCANCODE_END);
  Type("あいう");  // two fit (254 bytes), the third does not
  EXPECT_EQ(Field(), std::string(250, 'y') + "あい");
  Type("う");  // one byte is left: not enough for it
  Type("z");
  Type("w");
  const std::string kept = std::string(250, 'y') + "あいz";
  EXPECT_EQ(Field(), kept);
  box_.Press("Button_OK");
  EXPECT_EQ(q.answer, Utf8ToCp932(kept));
  EXPECT_EQ(q.answer.size(), 255u);
}

}  // namespace
}  // namespace zepa::windows
