#pragma once
// The standard one-line input dialog: a caption, a prompt, an edit field
// holding a default, OK and Cancel.
#include <string>

#include "platform/host.h"
#include "platform/tool_window.h"
#include "windows/modal.h"

namespace zepa::windows {

/// Fills `box`: OK copies the field into `text` and sets `confirmed`;
/// Cancel, Escape and the close button leave both alone. `limit_bytes`
/// bounds the field in CP932 (0: no bound). `box` must stay where it is
/// while shown.
void BuildInputBox(platform::ToolWindow& box, const std::string& caption, const std::string& prompt,
                   std::string& text, bool& confirmed, size_t limit_bytes);

/// Shows the box modally. True when the player confirmed; `text` (UTF-8)
/// is then what the field held.
bool RunInputBox(platform::Host& host, WindowState& state, const std::string& caption,
                 const std::string& prompt, std::string& text, size_t limit_bytes);

}  // namespace zepa::windows
