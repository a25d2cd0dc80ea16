#pragma once
// The preview beside the slots of the save and load windows: the saved
// display at 160 x 120 in a sunken frame, and below it the file's name,
// when it was written and its scene. The windows grow to the side for it,
// so none of their own controls moves.
#include <string>

#include "platform/tool_window.h"
#include "save/save_folder.h"

namespace zepa::windows {

/// The width the preview takes beside a window's controls, margins included.
constexpr int kPreviewPanelWidth = save::kPreviewWidth + 4 + 8;

/// Adds the preview's controls with their top-left at (x, y), empty.
void AddPreviewControls(platform::ToolWindow& w, int x, int y);

/// Shows what the save `name` shows of itself (as the folder finds it); a
/// missing or unreadable file, or an empty name, leaves an empty frame and
/// no text.
void ShowPreview(platform::ToolWindow& w, const save::SaveFolder& folder, const std::string& name);

}  // namespace zepa::windows
