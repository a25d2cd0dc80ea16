#include "windows/save_file_window.h"

#include "windows/controls.h"
#include "windows/file_dialog.h"
#include "windows/save_preview_panel.h"

namespace zepa::windows {
namespace {

using platform::ControlKind;

constexpr const char* kSavedText = "保存されています。";
constexpr const char* kOverwriteText = "（上書きします）";

}  // namespace

SaveFileWindow::SaveFileWindow(platform::Host& host, WindowState& state,
                               const save::SaveFolder& folder)
    : host_(host), state_(state), folder_(folder) {
  state_.dialog_file_name.clear();
  state_.dialog_choice = DialogChoice::kNothing;

  window_.name = "Form_SAVE";
  window_.caption = "SAVE";
  constexpr int kSlotsWidth = 210;
  window_.client_width = kSlotsWidth + kPreviewPanelWidth;
  window_.client_height = 286;
  window_.placement = platform::Placement::kScreenCenter;
  for (int slot = 1; slot <= save::kSlotCount; ++slot) {
    const int top = 8 + 32 * (slot - 1);
    const std::string k = std::to_string(slot);
    window_.controls.push_back(MakeButton("Button_SAVE" + k, {8, top, 75, 25}, "DATA" + k,
                                          [this, slot] { Button_SAVEClick(slot); }));
    slot_used_[static_cast<size_t>(slot - 1)] = folder_.SlotUsed(slot);
    window_.controls.push_back(MakeControl(
        "Label_SAVE" + k, ControlKind::kLabel, {88, top + 8, 114, LabelHeight()},
        slot_used_[static_cast<size_t>(slot - 1)] ? kSavedText : "セーブされていません。"));
  }
  window_.controls.push_back(
      MakeButton("Button_ETC", {8, 168, 75, 25}, "ETC", [this] { Button_ETCClick(); }));
  window_.controls.push_back(MakeControl("Label1", ControlKind::kLabel,
                                         {96, 176, 106, LabelHeight()}, "（他の名前で保存）"));
  window_.controls.push_back(MakeControl("Memo1", ControlKind::kMemo, {8, 200, 193, 49}));
  platform::Control ok =
      MakeButton("BitBtn_OK", {112, 256, 91, 25}, "OK", [this] { BitBtn_OKClick(); });
  ok.is_default = true;
  window_.controls.push_back(std::move(ok));
  window_.controls.push_back(
      MakeButton("BitBtn1", {8, 256, 91, 25}, "キャンセル", [this] { Cancel(); }));
  AddPreviewControls(window_, kSlotsWidth, 8);
  // The slot under the pointer is previewed; away from the slots, the one
  // chosen.
  window_.on_hover = [this](const std::string& key) {
    for (int slot = 1; slot <= save::kSlotCount; ++slot) {
      if (key == "Button_SAVE" + std::to_string(slot)) {
        ShowPreview(window_, folder_, save::SlotFileName(slot));
        return;
      }
    }
    ShowPreview(window_, folder_, chosen_);
  };
  // The Cancel button answers Escape; closing the window any way cancels.
  window_.on_escape = [this] { Cancel(); };
  window_.on_close_request = [this] { Cancel(); };
}

void SaveFileWindow::Button_SAVEClick(int slot) {
  state_.SetDialogFileName(save::SlotFileName(slot));
  chosen_ = save::SlotFileName(slot);
  ShowPreview(window_, folder_, chosen_);
  const std::string line = "DATA" + std::to_string(slot) + " にゲームを保存します。";
  if (slot_used_[static_cast<size_t>(slot - 1)]) {
    SetMemoLines(window_, "Memo1", {line, kOverwriteText});
  } else {
    SetMemoLines(window_, "Memo1", {line});
  }
}

void SaveFileWindow::Button_ETCClick() {
  state_.dialog_choice = DialogChoice::kNothing;
  FileDialogOptions options;
  options.mode = FileDialogOptions::Mode::kSave;
  options.name = "SaveDialog1";
  options.filter = "ゲームデータ|*.kvd";
  options.directory = folder_.SaveDir();
  options.answer_base = folder_.GameDir();
  const std::optional<std::string> path = RunFileDialog(host_, state_, options);
  // A path the name buffer cannot hold whole would name another file.
  if (!path || path->size() >= kDialogFileNameBytes) return;
  state_.SetDialogFileName(*path);
  chosen_ = folder_.SaveTarget(*path);
  ShowPreview(window_, folder_, chosen_);
  const std::string line = BareStem(*path) + " にゲームを保存します。";
  // The file that will be replaced is the one the save writes: ".kvd" added
  // when the chosen name lacks it, a Japanese name in its UTF-8 spelling.
  if (folder_.SaveReplaces(*path)) {
    SetMemoLines(window_, "Memo1", {line, kOverwriteText});
  } else {
    SetMemoLines(window_, "Memo1", {line});
  }
}

void SaveFileWindow::BitBtn_OKClick() {
  if (!state_.dialog_file_name.empty()) state_.dialog_choice = DialogChoice::kSave;
  window_.Close();
}

void SaveFileWindow::Cancel() {
  state_.dialog_choice = DialogChoice::kNothing;
  window_.Close();
}

}  // namespace zepa::windows
