#include "platform/headless/event_script.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zepa::platform {
namespace {

std::vector<ScriptedEvent> ParseOk(const std::string& text) {
  std::vector<ScriptedEvent> events;
  const Status parsed = ParseEventScript(text, &events);
  EXPECT_TRUE(parsed.ok()) << parsed.message();
  return events;
}

TEST(EventScript, ParsesEveryAction) {
  const auto e = ParseOk(
      "0 click 10 20\n"
      "5 rclick 639 479\n"
      "5 mclick 0 0\n"
      "7 move 1 2\n"
      "8 wheel -3\n"
      "9 key Return\n"
      "10 key ctrl+L\n"
      "11 key shift+ctrl+F12\n"
      "12 hold mbutton 250\n"
      "13 hold Shift 5\n"
      "14 shot out/a b.png\n"
      "15 dump state.json\n"
      "16 quit\n");
  ASSERT_EQ(e.size(), 13u);
  EXPECT_EQ(e[0].action, EventAction::kClick);
  EXPECT_EQ(e[0].x, 10);
  EXPECT_EQ(e[0].y, 20);
  EXPECT_EQ(e[1].action, EventAction::kRightClick);
  EXPECT_EQ(e[1].x, 639);
  EXPECT_EQ(e[1].at_ms, 5u);
  EXPECT_EQ(e[2].action, EventAction::kMiddleClick);
  EXPECT_EQ(e[3].action, EventAction::kMove);
  EXPECT_EQ(e[3].y, 2);
  EXPECT_EQ(e[4].action, EventAction::kWheel);
  EXPECT_EQ(e[4].wheel_steps, -3);
  EXPECT_EQ(e[5].vk_code, 0x0D);
  EXPECT_FALSE(e[5].ctrl || e[5].shift);
  EXPECT_EQ(e[6].vk_code, 'L');
  EXPECT_TRUE(e[6].ctrl);
  EXPECT_FALSE(e[6].shift);
  EXPECT_EQ(e[7].vk_code, 0x7B);
  EXPECT_TRUE(e[7].ctrl && e[7].shift);
  EXPECT_EQ(e[8].action, EventAction::kHold);
  EXPECT_EQ(e[8].vk_code, kVkMiddleButton);
  EXPECT_EQ(e[8].hold_ms, 250u);
  EXPECT_EQ(e[9].vk_code, 0x10);
  EXPECT_EQ(e[10].action, EventAction::kShot);
  EXPECT_EQ(e[10].path, "out/a b.png");
  EXPECT_EQ(e[11].action, EventAction::kDump);
  EXPECT_EQ(e[11].path, "state.json");
  EXPECT_EQ(e[12].action, EventAction::kQuit);
  EXPECT_EQ(e[12].line, 13);
}

TEST(EventScript, ParsesTheSmallWindowActions) {
  const auto e = ParseOk(
      "1 press OKButton\n"
      "2 press save 01\n"  // a generated button's caption may hold blanks
      "3 type Edit_PARAM はい、 そうです?\n"
      "4 file save/DATA 6.kvd\n"
      "5 file-cancel\n"
      "6 shot about.png AboutBox\n"
      "7 shot my shot.png\n"
      "8 shot notes.txt AboutBox\n"
      "9 type Edit_PARAM\n");
  ASSERT_EQ(e.size(), 9u);
  EXPECT_EQ(e[0].action, EventAction::kPress);
  EXPECT_EQ(e[0].target, "OKButton");
  EXPECT_EQ(e[1].target, "save 01");
  EXPECT_EQ(e[2].action, EventAction::kType);
  EXPECT_EQ(e[2].target, "Edit_PARAM");
  EXPECT_EQ(e[2].text, "はい、 そうです?");
  EXPECT_EQ(e[3].action, EventAction::kFile);
  EXPECT_EQ(e[3].path, "save/DATA 6.kvd");
  EXPECT_EQ(e[4].action, EventAction::kFileCancel);
  EXPECT_EQ(e[5].action, EventAction::kShot);
  EXPECT_EQ(e[5].path, "about.png");
  EXPECT_EQ(e[5].window, "AboutBox");
  // Without a picture name first, the whole rest is the display's file.
  EXPECT_EQ(e[6].path, "my shot.png");
  EXPECT_TRUE(e[6].window.empty());
  EXPECT_EQ(e[7].path, "notes.txt AboutBox");
  EXPECT_TRUE(e[7].window.empty());
  EXPECT_EQ(e[8].target, "Edit_PARAM");  // no text: the field is emptied
  EXPECT_TRUE(e[8].text.empty());
  // The answers of dialogs are never thrown away with stale clicks.
  EXPECT_FALSE(IsQueuedInput(EventAction::kPress));
  EXPECT_FALSE(IsQueuedInput(EventAction::kType));
}

TEST(EventScript, KeyNamesMapToVirtualKeys) {
  const std::vector<std::pair<std::string, int>> table = {
      {"Return", 0x0D}, {"Space", 0x20}, {"Escape", 0x1B}, {"Shift", 0x10}, {"F1", 0x70},
      {"f10", 0x79},    {"Up", 0x26},    {"Down", 0x28},   {"Left", 0x25},  {"Right", 0x27},
      {"A", 0x41},      {"z", 0x5A},     {"0", 0x30},      {"9", 0x39},
  };
  for (const auto& [name, vk_code] : table) EXPECT_EQ(KeyNameToVk(name), vk_code) << name;
  for (const char* bad : {"", "F0", "F13", "Fx", "?", "Retur", "AB"})
    EXPECT_EQ(KeyNameToVk(bad), std::nullopt) << bad;
}

TEST(EventScript, SkipsCommentsBlankLinesAndCarriageReturns) {
  const auto e = ParseOk(
      "# a whole-line comment\r\n"
      "\r\n"
      "   \t\n"
      "100 key Space   # after a blank\r\n"
      "200 shot a#b.png\n");
  ASSERT_EQ(e.size(), 2u);
  EXPECT_EQ(e[0].vk_code, 0x20);
  EXPECT_EQ(e[0].line, 4);
  EXPECT_EQ(e[1].path, "a#b.png");  // a '#' inside a word is kept
  EXPECT_TRUE(ParseOk("").empty());
}

TEST(EventScript, BadLinesAreRefusedWithTheirLineNumber) {
  const std::vector<std::pair<std::string, std::string>> table = {
      {"x click 1 1", "line 1: "},
      {"# ok\n10 jump 1 1", "line 2: unknown action jump"},
      {"10", "line 1: "},
      {"10 click 1", "line 1: click takes 2 arguments"},
      {"10 click 1 2 3", "line 1: "},
      {"10 click 640 0", "line 1: "},
      {"10 move -1 5", "line 1: "},
      {"10 wheel many", "line 1: "},
      {"10 key Hyper", "line 1: unknown key Hyper"},
      {"10 key ctrl+", "line 1: "},
      {"10 key mbutton", "line 1: "},
      {"10 hold Space", "line 1: "},
      {"10 hold Space -5", "line 1: "},
      {"10 shot", "line 1: "},
      {"10 quit now", "line 1: "},
      {"99999999999 quit", "line 1: "},
      {"-5 quit", "line 1: "},
      {"20 quit\n\n10 quit", "line 3: time 10 is before"},
      {"Button_SAVE1 click", "line 1: "},
      {"10 press", "line 1: press needs a control name"},
      {"10 type", "line 1: "},
      {"10 file", "line 1: "},
      {"10 file-cancel now", "line 1: "},
      // Text the game's code page cannot hold is refused, with its line.
      {"1 quit\n10 type Edit_PARAM 한국어", "line 2: type: the text has characters"},
      {"10 type Edit_PARAM caf\xc3", "line 1: type: the text has characters"},
  };
  for (const auto& [text, want] : table) {
    std::vector<ScriptedEvent> events;
    const Status parsed = ParseEventScript(text, &events);
    EXPECT_FALSE(parsed.ok()) << text;
    EXPECT_EQ(parsed.message().rfind(want, 0), 0u) << text << " -> " << parsed.message();
    EXPECT_TRUE(events.empty()) << text;  // nothing half-parsed is kept
  }
  // Equal times are fine: several things can happen in one millisecond.
  EXPECT_EQ(ParseOk("10 key A\n10 key B\n").size(), 2u);
}

}  // namespace
}  // namespace zepa::platform
