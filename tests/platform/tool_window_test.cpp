#include "platform/tool_window.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zepa::platform {
namespace {

Control Make(std::string name, ControlKind kind, Rect rect, std::string parent = {}) {
  Control c;
  c.name = std::move(name);
  c.kind = kind;
  c.rect = rect;
  c.parent = std::move(parent);
  return c;
}

// A panel holding a button, a generated button found by its caption, an
// edit field with a CP932 limit and a default button.
struct Sample {
  Sample() {
    w.name = "Sample";
    w.client_width = 200;
    w.client_height = 100;
    w.controls.push_back(Make("Panel1", ControlKind::kPanel, {10, 20, 150, 60}));
    Control inner = Make("Button_IN", ControlKind::kButton, {5, 6, 40, 20}, "Panel1");
    inner.on_click = [this] { log.push_back("in"); };
    w.controls.push_back(inner);
    Control generated = Make("", ControlKind::kButton, {5, 30, 40, 20}, "Panel1");
    generated.text = "DATA1";
    generated.on_click = [this] { log.push_back("data1"); };
    w.controls.push_back(generated);
    Control edit = Make("Edit_PARAM", ControlKind::kEdit, {0, 0, 50, 20});
    edit.max_cp932_bytes = 4;
    edit.on_change = [this](const std::string& t) { log.push_back("edit " + t); };
    w.controls.push_back(edit);
    Control ok = Make("OKButton", ControlKind::kButton, {0, 80, 50, 20});
    ok.is_default = true;
    ok.on_click = [this] { w.Close(); };
    w.controls.push_back(ok);
  }
  ToolWindow w;
  std::vector<std::string> log;
};

TEST(ToolWindow, PressActsOnlyOnShownEnabledControlsWithAHandler) {
  Sample s;
  EXPECT_TRUE(s.w.Press("Button_IN"));
  EXPECT_TRUE(s.w.Press("DATA1"));    // a generated button answers to its caption
  EXPECT_FALSE(s.w.Press("Panel1"));  // no handler
  EXPECT_FALSE(s.w.Press("Nothing"));
  s.w.Find("Button_IN")->enabled = false;
  EXPECT_FALSE(s.w.Press("Button_IN"));
  s.w.Find("Button_IN")->enabled = true;
  // Hiding the panel hides what it holds.
  s.w.Find("Panel1")->visible = false;
  EXPECT_FALSE(s.w.Press("Button_IN"));
  EXPECT_FALSE(s.w.ShownOnScreen(*s.w.Find("DATA1")));
  EXPECT_EQ(s.log, (std::vector<std::string>{"in", "data1"}));
}

TEST(ToolWindow, NamedButtonsAnswerToTheirCaptionWhenNoNameMatches) {
  Sample s;
  Control save = Make("DATA2.kvd", ControlKind::kButton, {0, 0, 40, 20});
  save.text = "DATA2";
  save.on_click = [&s] { s.log.push_back("save"); };
  s.w.controls.push_back(save);
  Control scenario = Make("DATA2.kvs", ControlKind::kButton, {0, 30, 40, 20});
  scenario.text = "DATA2";
  scenario.on_click = [&s] { s.log.push_back("scenario"); };
  s.w.controls.push_back(scenario);
  // A label's text is no key: only buttons are pressed by what they show.
  Control label = Make("Label_X", ControlKind::kLabel, {0, 60, 40, 20});
  label.text = "DATA9";
  s.w.controls.push_back(label);
  EXPECT_TRUE(s.w.Press("DATA2"));  // the first of that caption
  EXPECT_TRUE(s.w.Press("DATA2.kvs"));
  EXPECT_EQ(s.w.Find("DATA9"), nullptr);
  // A name wins over another control's caption.
  s.w.Find("DATA2.kvd")->text = "Button_IN";
  EXPECT_EQ(s.w.Find("Button_IN")->name, "Button_IN");
  EXPECT_EQ(s.log, (std::vector<std::string>{"save", "scenario"}));
}

TEST(ToolWindow, ChildRectanglesAddTheirParents) {
  Sample s;
  const Rect r = s.w.ClientRect(*s.w.Find("Button_IN"));
  EXPECT_EQ(r.x, 15);
  EXPECT_EQ(r.y, 26);
  EXPECT_EQ(r.width, 40);
  // A parent cycle in a broken description ends instead of looping.
  s.w.Find("Panel1")->parent = "Button_IN";
  (void)s.w.ClientRect(*s.w.Find("Button_IN"));
  (void)s.w.ShownOnScreen(*s.w.Find("Button_IN"));
}

TEST(ToolWindow, EditTextIsRefusedBeyondItsCp932Limit) {
  Sample s;
  const uint64_t before = s.w.revision();
  EXPECT_TRUE(s.w.SetText("Edit_PARAM", "はい"));  // two double-byte characters: 4 bytes
  EXPECT_GT(s.w.revision(), before);
  EXPECT_FALSE(s.w.SetText("Edit_PARAM", "はいa"));
  EXPECT_EQ(s.w.Find("Edit_PARAM")->text, "はい");
  EXPECT_FALSE(s.w.SetText("OKButton", "x"));  // not an edit field
  EXPECT_EQ(s.log, (std::vector<std::string>{"edit はい"}));
}

TEST(ToolWindow, ReturnPressesTheDefaultButtonAndCloseFallsBackToClosing) {
  Sample s;
  EXPECT_TRUE(s.w.PressDefault());
  EXPECT_TRUE(s.w.closed());

  Sample t;
  t.w.Escape();  // no Escape handler: nothing happens
  EXPECT_FALSE(t.w.closed());
  bool asked = false;
  t.w.on_close_request = [&] { asked = true; };
  t.w.RequestClose();
  EXPECT_TRUE(asked);
  EXPECT_FALSE(t.w.closed());
  t.w.on_close_request = nullptr;
  t.w.RequestClose();
  EXPECT_TRUE(t.w.closed());
}

TEST(ToolWindow, SnapshotKeepsTheLookButNoHandlers) {
  Sample s;
  s.w.left = 7;
  ToolWindow copy = s.w.Snapshot();
  EXPECT_EQ(copy.left, 7);
  EXPECT_EQ(copy.controls.size(), s.w.controls.size());
  EXPECT_FALSE(copy.Press("Button_IN"));
  EXPECT_TRUE(s.log.empty());
  EXPECT_EQ(copy.OuterWidth(), 200 + 2 * kFrameBorderPx);
  EXPECT_EQ(copy.OuterHeight(), 100 + kCaptionBarPx + 2 * kFrameBorderPx);
}

}  // namespace
}  // namespace zepa::platform
