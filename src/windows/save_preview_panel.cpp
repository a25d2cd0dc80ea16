#include "windows/save_preview_panel.h"

#include "windows/controls.h"

namespace zepa::windows {
namespace {

using platform::ControlKind;

constexpr const char* kPanel = "Panel_PREVIEW";
constexpr const char* kPicture = "Image_PREVIEW";
constexpr const char* kFileLabel = "Label_PREVIEW_FILE";
constexpr const char* kDateLabel = "Label_PREVIEW_DATE";
constexpr const char* kSceneLabel = "Label_PREVIEW_SCENE";

void SetText(platform::ToolWindow& w, const char* key, std::string text) {
  if (platform::Control* c = w.Find(key)) c->text = std::move(text);
}

}  // namespace

void AddPreviewControls(platform::ToolWindow& w, int x, int y) {
  w.controls.push_back(MakeControl(kPanel, ControlKind::kPanel,
                                   {x, y, save::kPreviewWidth + 4, save::kPreviewHeight + 4}));
  platform::Control picture = MakeControl(kPicture, ControlKind::kPicture,
                                          {2, 2, save::kPreviewWidth, save::kPreviewHeight});
  picture.parent = kPanel;
  w.controls.push_back(std::move(picture));
  int top = y + save::kPreviewHeight + 4 + 8;
  for (const char* key : {kFileLabel, kDateLabel, kSceneLabel}) {
    w.controls.push_back(
        MakeControl(key, ControlKind::kLabel, {x, top, save::kPreviewWidth + 4, LabelHeight()}));
    top += LabelHeight() + 6;
  }
}

void ShowPreview(platform::ToolWindow& w, const save::SaveFolder& folder, const std::string& name) {
  const save::SavePreview* preview = name.empty() ? nullptr : &folder.Preview(name);
  const bool shown = preview && !preview->empty();
  if (platform::Control* c = w.Find(kPicture))
    c->picture = shown ? preview->picture : platform::Surface();
  SetText(w, kFileLabel, shown ? BareStem(name) : std::string());
  SetText(w, kDateLabel, shown ? preview->date_text : std::string());
  SetText(w, kSceneLabel, shown ? preview->scene : std::string());
  w.Touch();
}

}  // namespace zepa::windows
