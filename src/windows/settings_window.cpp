#include "windows/settings_window.h"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <memory>
#include <string>

namespace zepa::windows {
namespace {

using platform::Control;
using platform::ControlKind;

constexpr int kRowPitch = 28;

std::string OnOff(bool on) { return on ? "on" : "off"; }

struct NumberRow {
  const char* name;
  const char* label;
  int player::Settings::*field;
  player::SettingBounds bounds;
};

constexpr NumberRow kNumbers[] = {
    {"Edit_TEXT_SPEED", "Text speed (%)", &player::Settings::text_speed_percent,
     player::kTextSpeedBounds},
    {"Edit_AUTO_BASE", "Auto delay (ms)", &player::Settings::auto_base_ms, player::kAutoBaseBounds},
    {"Edit_AUTO_PER_CHAR", "Auto per character (ms)", &player::Settings::auto_per_char_ms,
     player::kAutoPerCharBounds},
    {"Edit_MUSIC_VOLUME", "Music volume (%)", &player::Settings::music_volume_percent,
     player::kVolumeBounds},
    {"Edit_EFFECT_VOLUME", "Effect volume (%)", &player::Settings::effect_volume_percent,
     player::kVolumeBounds},
};

// In the order the choice lists them.
constexpr platform::ScaleMode kScaleModes[] = {
    platform::ScaleMode::kSharp, platform::ScaleMode::kInteger, platform::ScaleMode::kNearest,
    platform::ScaleMode::kSmooth};

}  // namespace

void BuildSettingsWindow(platform::ToolWindow& window, player::Settings& settings,
                         SettingsActions actions) {
  window.name = "Settings";
  window.caption = "Settings";
  window.client_width = 330;
  window.placement = platform::Placement::kScreenCenter;
  window.controls.clear();
  platform::ToolWindow* w = &window;
  auto shared = std::make_shared<SettingsActions>(std::move(actions));
  int y = 8;
  for (const NumberRow& row : kNumbers) {
    Control label;
    label.name = std::string("Label_") + (row.name + 5);
    label.kind = ControlKind::kLabel;
    label.rect = {8, y + 3, 200, 18};
    label.text = row.label;
    window.controls.push_back(std::move(label));
    Control edit;
    edit.name = row.name;
    edit.kind = ControlKind::kEdit;
    edit.rect = {216, y, 100, 20};
    edit.text = std::to_string(settings.*row.field);
    edit.max_cp932_bytes = 6;
    // A value that is no number yet (the player is still typing) changes
    // nothing; a number outside the bounds is taken to the nearest one.
    edit.on_change = [&settings, row, shared](const std::string& text) {
      int v = 0;
      const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
      if (ec != std::errc() || end != text.data() + text.size()) return;
      settings.*row.field = std::clamp(v, row.bounds.min, row.bounds.max);
      if (shared->apply) shared->apply();
    };
    window.controls.push_back(std::move(edit));
    y += kRowPitch;
  }

  {
    Control label;
    label.name = "Label_SCALING";
    label.kind = ControlKind::kLabel;
    label.rect = {8, y + 3, 200, 18};
    label.text = "Scaling";
    window.controls.push_back(std::move(label));
    Control combo;
    combo.name = "ComboBox_SCALING";
    combo.kind = ControlKind::kCombo;
    combo.rect = {216, y, 100, 21};
    for (const platform::ScaleMode mode : kScaleModes)
      combo.items.emplace_back(platform::ScaleModeName(mode));
    combo.selected = static_cast<int>(
        std::find(std::begin(kScaleModes), std::end(kScaleModes), settings.scaling) -
        std::begin(kScaleModes));
    combo.on_select = [&settings, shared](int index) {
      if (index < 0 || index >= static_cast<int>(std::size(kScaleModes))) return;
      settings.scaling = kScaleModes[index];
      if (shared->apply) shared->apply();
    };
    window.controls.push_back(std::move(combo));
    y += kRowPitch;
  }

  const auto toggle = [&](std::string name, std::string label, std::function<bool()> get,
                          std::function<void()> flip) {
    Control c;
    c.name = std::move(name);
    c.kind = ControlKind::kButton;
    c.rect = {8, y, 308, 22};
    c.text = label + ": " + OnOff(get());
    const std::string key = c.name;
    c.on_click = [w, key, label, get, flip, shared] {
      flip();
      if (shared->apply) shared->apply();
      w->Find(key)->text = label + ": " + OnOff(get());
    };
    window.controls.push_back(std::move(c));
    y += kRowPitch;
  };
  toggle(
      "Button_FULL_SCREEN", "Full screen",
      [shared] { return shared->full_screen && shared->full_screen(); },
      [shared] {
        if (shared->toggle_full_screen) shared->toggle_full_screen();
      });
  toggle(
      "Button_SKIP_UNREAD", "Skip unread text", [&settings] { return settings.skip_unread; },
      [&settings] { settings.skip_unread = !settings.skip_unread; });
  toggle(
      "Button_LARGE_FONT", "Large font in small windows",
      [&settings] { return settings.large_font; },
      [&settings] { settings.large_font = !settings.large_font; });

  Control close;
  close.name = "Button_CLOSE";
  close.kind = ControlKind::kButton;
  close.rect = {226, y + 4, 90, 22};
  close.text = "Close";
  close.is_default = true;
  close.on_click = [w] { w->Close(); };
  window.controls.push_back(std::move(close));
  window.client_height = y + 34;
  window.on_escape = [w] { w->Close(); };
}

ModalResult ShowSettings(platform::Host& host, WindowState& state, player::Settings& settings,
                         SettingsActions actions) {
  platform::ToolWindow window;
  BuildSettingsWindow(window, settings, std::move(actions));
  return ShowModal(host, window, state);
}

}  // namespace zepa::windows
