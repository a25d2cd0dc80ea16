#pragma once
// The player's own settings, kept apart from the game's configuration in
// an ini file of their own, and the auto-forward delay they give.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/game_rect.h"

namespace zepa::player {

struct Settings {
  /// A factor on the game's text wait: 200 reveals twice as fast.
  int text_speed_percent = 100;
  int auto_base_ms = 1000;
  int auto_per_char_ms = 60;
  /// On top of the game's own output level.
  int music_volume_percent = 100;
  int effect_volume_percent = 100;
  bool skip_unread = false;
  /// The history window's text in a larger size.
  bool large_font = false;
  /// The game window as the player left it: its size (0 x 0 for the
  /// opening default) and whether it was maximised, and how the game is
  /// scaled in it.
  int window_width = 0;
  int window_height = 0;
  bool window_maximized = false;
  platform::ScaleMode scaling = platform::ScaleMode::kSharp;

  bool operator==(const Settings&) const = default;
};

/// The bounds of each number; values outside are taken to the nearest bound.
struct SettingBounds {
  int min;
  int max;
};
constexpr SettingBounds kTextSpeedBounds{25, 400};
constexpr SettingBounds kAutoBaseBounds{0, 10000};
constexpr SettingBounds kAutoPerCharBounds{0, 1000};
constexpr SettingBounds kVolumeBounds{0, 100};
constexpr SettingBounds kWindowSideBounds{0, 65535};

/// Every number brought inside its bounds.
Settings Bounded(Settings s);

/// The settings file bigger than this is refused whole.
constexpr size_t kMaxSettingsBytes = 64 * 1024;

/// The settings of an ini text: `KEY=number` lines under `[PLAYER]`
/// (`SCALING=` takes a mode's name; one it does not know leaves the
/// default), blank lines and `;` comments allowed, unknown keys skipped,
/// numbers bounded. nullopt when the text is damaged (a line of another shape, a
/// value that is not a number, an oversized file).
std::optional<Settings> ParseSettings(std::string_view text);
std::string FormatSettings(const Settings& s);

/// How long auto mode leaves a fully shown page of `text` (game text,
/// CP932: a double-byte character counts once; line breaks do not count).
uint32_t AutoDelayMs(const Settings& s, std::string_view text);

}  // namespace zepa::player
