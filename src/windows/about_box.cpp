#include "windows/about_box.h"

#include <span>

#include "display/picture.h"

extern const unsigned char kProgramIconJpeg[];
extern const size_t kProgramIconJpeg_size;

namespace zepa::windows {
namespace {

using platform::Control;
using platform::ControlKind;

Control Label(std::string name, int x, int y, std::string text, std::string parent = "Panel1") {
  Control c;
  c.name = std::move(name);
  c.kind = ControlKind::kLabel;
  c.rect = {x, y, 0, 0};
  c.text = std::move(text);
  c.parent = std::move(parent);
  return c;
}

}  // namespace

platform::ToolWindow BuildAboutBox(platform::Host& host, std::string_view product_title,
                                   std::string_view version) {
  platform::ToolWindow w;
  w.name = "AboutBox";
  w.caption = "バージョン情報";
  w.client_width = 382;
  w.client_height = 166;
  w.placement = platform::Placement::kScreenCenter;

  Control panel;
  panel.name = "Panel1";
  panel.kind = ControlKind::kPanel;
  panel.rect = {8, 8, 369, 105};
  w.controls.push_back(panel);

  Control icon;
  icon.name = "ProgramIcon";
  icon.kind = ControlKind::kPicture;
  icon.rect = {8, 10, 98, 85};
  icon.parent = "Panel1";
  if (auto picture =
          display::DecodeJpeg(std::span<const uint8_t>(kProgramIconJpeg, kProgramIconJpeg_size)))
    icon.picture = std::move(*picture);
  w.controls.push_back(std::move(icon));

  // The value column starts past the longest caption ("HOMEPAGE").
  constexpr int kCaptionX = 116;
  constexpr int kValueX = 188;
  w.controls.push_back(Label("ProductName", kCaptionX, 12, ToWindowText(product_title)));
  w.controls.push_back(Label("Version", kCaptionX, 32, "Version"));
  w.controls.push_back(Label("Label_version", kValueX, 32, ToWindowText(version)));
  w.controls.push_back(Label("Label1", kCaptionX, 50, "Program"));
  w.controls.push_back(Label("Label2", kValueX, 50, "zepa 開発チーム"));
  w.controls.push_back(Label("Label3", kCaptionX, 66, "Illustrate"));
  w.controls.push_back(Label("Label4", kValueX, 66, "zepa デモ画像制作"));
  w.controls.push_back(Label("Label6", kCaptionX, 84, "HOMEPAGE"));
  Control link = Label("Label5", kValueX, 84, kHomepage);
  link.on_click = [&host] { host.OpenUrl(kHomepage); };
  w.controls.push_back(std::move(link));

  Control ok;
  ok.name = "OKButton";
  ok.kind = ControlKind::kButton;
  ok.rect = {154, 128, 75, 25};
  ok.text = "OK";
  ok.is_default = true;
  w.controls.push_back(std::move(ok));
  return w;
}

ModalResult ShowAbout(platform::Host& host, WindowState& state, std::string_view product_title,
                      std::string_view version) {
  platform::ToolWindow box = BuildAboutBox(host, product_title, version);
  // The handler refers to the box itself, so it is set once the box has
  // its final address.
  box.Find("OKButton")->on_click = [&box] { box.Close(); };
  // Players expect Escape to dismiss a box that only informs; nothing is
  // chosen here, so it is the same as OK.
  box.on_escape = [&box] { box.Close(); };
  return ShowModal(host, box, state);
}

}  // namespace zepa::windows
