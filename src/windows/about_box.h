#pragma once
// The about box (`AboutBox`): the product's name, version, credits and
// homepage, shown modally.
#include <string>
#include <string_view>

#include "platform/host.h"
#include "platform/tool_window.h"
#include "windows/modal.h"

namespace zepa::windows {

/// The homepage the box shows and opens.
constexpr const char* kHomepage = "https://zepa.example.org/";

/// Builds the box: `product_title` and `version` are the game's texts
/// (`ProductTitle` and `VersionText`, CP932). A click on `Label5` hands the
/// homepage to `host.OpenUrl`; `OKButton` closes the box.
platform::ToolWindow BuildAboutBox(platform::Host& host, std::string_view product_title,
                                   std::string_view version);

/// `ShowAbout`: builds the box, shows it modally and returns once it has
/// closed. It changes nothing in the game.
ModalResult ShowAbout(platform::Host& host, WindowState& state, std::string_view product_title,
                      std::string_view version);

}  // namespace zepa::windows
