#include "windows/menu.h"

#include <span>

#include "display/picture.h"

extern const unsigned char kQuitIconJpeg[];
extern const size_t kQuitIconJpeg_size;

namespace zepa::windows {
namespace {

using platform::Control;
using platform::ControlKind;

// The window designs give outer sizes; the toolkit wants client sizes.
void SetOuterSize(platform::ToolWindow& w, int outer_width, int outer_height) {
  w.client_width = outer_width - 2 * platform::kFrameBorderPx;
  w.client_height = outer_height - platform::kCaptionBarPx - 2 * platform::kFrameBorderPx;
}

Control Button(std::string name, platform::Rect rect, std::string text,
               std::function<void()> on_click) {
  Control c;
  c.name = std::move(name);
  c.kind = ControlKind::kButton;
  c.rect = rect;
  c.text = std::move(text);
  c.on_click = std::move(on_click);
  return c;
}

}  // namespace

std::string ScreenNotice(int full_screen, int screen_width) {
  constexpr int kGameWidth = 640;
  if (full_screen == 1 && screen_width != kGameWidth) return "フルスクリーンに変更";
  if (full_screen == 0 && screen_width == kGameWidth) return "ウインドウ表示に変更";
  return "";
}

void BuildMenu(platform::ToolWindow& menu, WindowState& state, int& full_screen, int screen_width) {
  menu.name = "Form7";
  menu.caption = "めにゅ～";
  SetOuterSize(menu, 129, 211);
  menu.placement = platform::Placement::kAtPointer;
  menu.controls.clear();
  platform::ToolWindow* w = &menu;
  const auto choose = [w, &state](DialogChoice code) {
    return [w, &state, code] {
      state.dialog_choice = code;
      w->Close();
    };
  };
  // The hint texts are kept with the buttons' design; the menu shows none.
  menu.controls.push_back(
      Button("Button_FILE", {8, 8, 105, 25}, "ロード・セーブ", choose(DialogChoice::kSaveLoad)));
  menu.controls.push_back(
      Button("Button_HELP", {8, 40, 105, 25}, "バージョン情報", choose(DialogChoice::kAbout)));
  menu.controls.push_back(
      Button("Button_EXIT", {8, 72, 105, 25}, "ゲーム終了", choose(DialogChoice::kQuit)));
  menu.controls.push_back(
      Button("Button_SCREEN", {8, 104, 105, 25}, "スクリーン", [w, &full_screen, screen_width] {
        full_screen = 1 - full_screen;
        w->Find("Label1")->text = ScreenNotice(full_screen, screen_width);
        w->Touch();
      }));
  Control notice;
  notice.name = "Label1";
  notice.kind = ControlKind::kLabel;
  notice.rect = {8, 136, 105, 12};
  menu.controls.push_back(std::move(notice));
  menu.controls.push_back(Button("Button_CLOSE", {8, 152, 105, 25}, "戻る", [w] { w->Close(); }));
}

ModalResult ShowMenu(platform::Host& host, WindowState& state, int& full_screen) {
  state.dialog_choice = DialogChoice::kNothing;
  platform::ToolWindow menu;
  BuildMenu(menu, state, full_screen, host.GetScreenSize().width);
  return ShowModal(host, menu, state);
}

void BuildQuitConfirmation(platform::ToolWindow& box, WindowState& state) {
  box.name = "Form6";
  box.caption = "ゲームをやめますか？";
  SetOuterSize(box, 189, 95);
  box.placement = platform::Placement::kScreenCenter;
  box.controls.clear();
  Control icon;
  icon.name = "Image1";
  icon.kind = ControlKind::kPicture;
  icon.rect = {4, 10, 60, 52};
  if (auto picture =
          display::DecodeJpeg(std::span<const uint8_t>(kQuitIconJpeg, kQuitIconJpeg_size)))
    icon.picture = std::move(*picture);
  box.controls.push_back(std::move(icon));
  platform::ToolWindow* w = &box;
  box.controls.push_back(Button("Button_END", {72, 8, 105, 25}, "ゲームをやめる", [w, &state] {
    state.dialog_choice = DialogChoice::kQuitConfirmed;
    w->Close();
  }));
  box.controls.push_back(
      Button("Button_CANCEL", {72, 40, 105, 25}, "考え直す", [w] { w->Close(); }));
}

bool ShowQuitConfirmation(platform::Host& host, WindowState& state) {
  platform::ToolWindow box;
  BuildQuitConfirmation(box, state);
  // A run that ended with the box open confirmed nothing.
  if (ShowModal(host, box, state) != ModalResult::kClosed) return false;
  return state.dialog_choice == DialogChoice::kQuitConfirmed;
}

}  // namespace zepa::windows
