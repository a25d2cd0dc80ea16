#include "windows/save_load_window.h"

#include <span>

#include "display/picture.h"
#include "windows/controls.h"
#include "windows/input_box.h"
#include "windows/load_file_window.h"
#include "windows/save_file_window.h"

extern const unsigned char kSaveLoadPictureJpeg[];
extern const size_t kSaveLoadPictureJpeg_size;

namespace zepa::windows {

// The default server is the reserved example domain, which no game uses.
const char* const kDefaultScenarioUrl = "http://www.example.com/pk/rurirora/story.kvs";

SaveLoadWindow::SaveLoadWindow(platform::Host& host, WindowState& state,
                               const save::SaveFolder& folder, script::SavePermission& save_allowed)
    : host_(host), state_(state), folder_(folder) {
  window_.name = "Form5";
  window_.caption = "SAVE/LOAD";
  SetOuterSize(window_, 261, 189);
  window_.placement = platform::Placement::kScreenCenter;

  platform::Control picture =
      MakeControl("Image1", platform::ControlKind::kPicture, {8, 8, 150, 150});
  if (auto jpeg = display::DecodeJpeg(
          std::span<const uint8_t>(kSaveLoadPictureJpeg, kSaveLoadPictureJpeg_size)))
    picture.picture = std::move(*jpeg);
  window_.controls.push_back(std::move(picture));

  platform::Control save =
      MakeButton("Button_SAVE", {168, 8, 75, 25}, "SAVE", [this] { Button_SAVEClick(); });
  save.visible = save::TakeSaveButton(&save_allowed);
  window_.controls.push_back(std::move(save));
  window_.controls.push_back(
      MakeButton("Button_LOAD", {168, 40, 75, 25}, "LOAD", [this] { Button_LOADClick(); }));
  window_.controls.push_back(
      MakeButton("Button_URL", {168, 72, 75, 25}, "URL", [this] { Button_URLClick(); }));
  window_.controls.push_back(
      MakeButton("Button_CLOSE", {168, 136, 75, 25}, "閉じる", [this] { window_.Close(); }));
  window_.on_escape = [this] { window_.Close(); };
}

// The nested windows leave their request in `state_`; the opener of this
// window carries it out once this one has closed too.
void SaveLoadWindow::Button_SAVEClick() {
  SaveFileWindow nested(host_, state_, folder_);
  nested.Show();
  window_.Close();
}

void SaveLoadWindow::Button_LOADClick() {
  LoadFileWindow nested(host_, state_, folder_);
  nested.Show();
  window_.Close();
}

void SaveLoadWindow::Button_URLClick() {
  std::string url = kDefaultScenarioUrl;
  if (!RunInputBox(host_, state_, "URL Input BOX", "URLを入力してください。", url,
                   kDialogFileNameBytes - 1))
    return;
  std::string game_text;
  // The field takes only what Shift-JIS holds, so the conversion succeeds.
  if (!ToGameText(url, &game_text)) return;
  state_.SetDialogFileName(game_text);
  state_.dialog_choice = DialogChoice::kLoad;
  window_.Close();
}

}  // namespace zepa::windows
