#include "windows/load_file_window.h"

#include <algorithm>
#include <new>

#include "windows/controls.h"
#include "windows/file_dialog.h"
#include "windows/save_preview_panel.h"

namespace zepa::windows {
namespace {

using platform::ControlKind;

constexpr const char* kScrollBox = "ScrollBox1";
constexpr int kListButtonHeight = 25;  // the toolkit's standard button height

platform::Control InScrollBox(platform::Control c) {
  c.parent = kScrollBox;
  return c;
}

// A listed name as game text: names that Shift-JIS can hold are passed on
// in it, as the game names files; others keep the file system's spelling,
// which the path lookup finds as it stands.
std::string GameName(const std::string& file_name) {
  std::string cp932;
  return ToGameText(file_name, &cp932) ? cp932 : file_name;
}

}  // namespace

LoadFileWindow::LoadFileWindow(platform::Host& host, WindowState& state,
                               const save::SaveFolder& folder)
    : host_(host), state_(state), folder_(folder) {
  state_.dialog_file_name.clear();
  state_.dialog_choice = DialogChoice::kNothing;

  window_.name = "Form_LOAD";
  window_.caption = "LOAD";
  constexpr int kListWidth = 218;
  window_.client_width = kListWidth + kPreviewPanelWidth;
  window_.client_height = 335;
  window_.placement = platform::Placement::kScreenCenter;
  window_.controls.push_back(MakeControl(kScrollBox, ControlKind::kScrollBox, {8, 8, 201, 241}));
  window_.controls.push_back(MakeControl("Memo1", ControlKind::kMemo, {8, 256, 201, 41}));
  platform::Control ok =
      MakeButton("BitBtn_OK", {112, 304, 97, 25}, "OK", [this] { BitBtn_OKClick(); });
  ok.is_default = true;
  window_.controls.push_back(std::move(ok));
  window_.controls.push_back(MakeButton("BitBtn_CANCEL", {8, 304, 97, 25}, "キャンセル",
                                        [this] { BitBtn_CANCELClick(); }));
  AddPreviewControls(window_, kListWidth, 8);
  // The save under the pointer is previewed; away from the saves, the one
  // chosen (a scenario has nothing to show).
  window_.on_hover = [this](const std::string& key) {
    const bool save = std::find(saves_.begin(), saves_.end(), key) != saves_.end();
    ShowPreview(window_, folder_, save ? key : chosen_);
  };
  window_.on_escape = [this] { BitBtn_CANCELClick(); };
  window_.on_close_request = [this] { BitBtn_CANCELClick(); };

  std::vector<std::string> saves, scenarios;
  try {
    saves = folder_.ListFiles("kvd");
    scenarios = folder_.ListFiles("kvs");
  } catch (const std::bad_alloc&) {
    // The lists stay empty; the manual choice still works.
    host_.ShowError("メモリーが不足しています");
    saves.clear();
    scenarios.clear();
  }
  LayOutList(saves, scenarios);
  saves_ = std::move(saves);
}

void LoadFileWindow::LayOutList(const std::vector<std::string>& saves,
                                const std::vector<std::string>& scenarios) {
  int y = 8;
  const auto label = [&](const char* name, const char* text) {
    window_.controls.push_back(
        InScrollBox(MakeControl(name, ControlKind::kLabel, {8, y, 161, LabelHeight()}, text)));
    y += LabelHeight() + 8;
  };
  // Each button is named by its file, so a save and a scenario of one stem
  // stay apart; the caption is the stem the player reads.
  const auto buttons = [&](const std::vector<std::string>& files, bool scenario) {
    for (const std::string& file : files) {
      platform::Control b =
          InScrollBox(MakeButton(file, {8, y, 161, kListButtonHeight}, BareStem(file),
                                 [this, file, scenario] { ListClick(file, scenario); }));
      window_.controls.push_back(std::move(b));
      y += 32;
    }
  };
  label("Label_SAVEDATA", "セーブデータ");
  buttons(saves, false);
  y += 8;
  label("Label_SCENARIO", "シナリオ");
  buttons(scenarios, true);
  y += 8;
  label("Label_ALL", "ファイル名を指定");
  window_.controls.push_back(InScrollBox(MakeButton("Button_MANUAL", {8, y, 161, kListButtonHeight},
                                                    "その他", [this] { Button_MANUALClick(); })));
  y += kListButtonHeight + 16;
  window_.controls.push_back(
      InScrollBox(MakeControl("Bevel1", ControlKind::kBevel, {0, y, 177, 2})));
}

void LoadFileWindow::ListClick(const std::string& file_name, bool scenario) {
  state_.SetDialogFileName(GameName(file_name));
  chosen_ = scenario ? std::string() : file_name;
  ShowPreview(window_, folder_, chosen_);
  const std::string stem = BareStem(file_name);
  SetMemoLines(window_, "Memo1",
               {scenario ? stem + " のシナリオを読み込みます。" : stem + " をロードします。"});
}

void LoadFileWindow::Button_MANUALClick() {
  FileDialogOptions options;
  options.mode = FileDialogOptions::Mode::kOpen;
  options.name = "OpenDialog1";
  options.title = "ゲームをロードします";
  options.filter = "ロード可能なデータ|*.kvd;*.kvs|ゲームデータ|*.kvd|シナリオ|*.kvs";
  options.default_ext = "kvd";
  options.directory = folder_.GameDir();
  options.answer_base = folder_.GameDir();
  const std::optional<std::string> path = RunFileDialog(host_, state_, options);
  // Back from the dialog the window is active again: its list starts at the top.
  ++window_.Find(kScrollBox)->scroll_to_top;
  window_.Touch();
  // A path the name buffer cannot hold whole would name another file.
  if (!path || path->size() >= kDialogFileNameBytes) return;
  state_.SetDialogFileName(*path);
  state_.dialog_choice = DialogChoice::kLoad;
  chosen_ = *path;
  ShowPreview(window_, folder_, chosen_);
  SetMemoLines(window_, "Memo1", {BareStem(*path) + " をロードします。"});
}

void LoadFileWindow::BitBtn_OKClick() {
  if (!state_.dialog_file_name.empty()) state_.dialog_choice = DialogChoice::kLoad;
  window_.Close();
}

void LoadFileWindow::BitBtn_CANCELClick() {
  // Cancel takes back a file chosen through Button_MANUAL too, which had
  // asked for its load at once: cancelling loads nothing.
  state_.dialog_choice = DialogChoice::kNothing;
  window_.Close();
}

}  // namespace zepa::windows
