#pragma once
// The title window (`Form3`) that start-up shows before the main window: the
// built-in picture with the system's name and version, faded in over what
// lies behind it, held for whole seconds and faded out again.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "engine/ini_file.h"
#include "platform/font.h"
#include "platform/host.h"
#include "platform/surface.h"
#include "platform/tool_window.h"

namespace zepa::engine {

constexpr int kTitleWidth = 205;
constexpr int kTitleHeight = 203;
constexpr uint32_t kTitleTimerMs = 100;

struct TitleSettings {
  int time_s = 3;      ///< `TitleTime`: seconds to hold the picture
  int fade_ms = 3000;  ///< `TitleFade`: each fade's length
};

/// TITLE/TIME and TITLE/FADE; a nonzero SYSTEM/DEBUG makes the hold 0.
TitleSettings ReadTitleSettings(const IniFile& ini);

/// The title picture with the name and version written on it in blue (the
/// texts are left out when there is no font).
platform::Surface TitleForeground(platform::Font* font);

/// The part of `desktop` that the centred window covers on a screen of
/// `screen` size; black where the desktop picture does not reach.
platform::Surface CropDesktop(const platform::Surface& desktop, platform::ScreenSize screen);

/// One frame of a fade: each colour byte is
/// (background x (65535 - w) + foreground x w) >> 16.
void BlendTitle(const platform::Surface& background, const platform::Surface& foreground,
                uint32_t foreground_weight, platform::Surface& out);

class TitleWindow {
 public:
  /// `calendar_seconds` gives the calendar time in whole seconds (the hold
  /// is counted in them); `background` is what the window first shows.
  TitleWindow(platform::Host& host, TitleSettings settings, platform::Surface background,
              platform::Font* font, std::function<int64_t()> calendar_seconds);

  /// Shows the window and returns once it has closed.
  void Run();

  /// `Timer1Timer`.
  void Timer1Timer();

  const platform::ToolWindow& window() const { return window_; }
  bool cancelled() const { return cancelled_; }

 private:
  void Fade(bool fade_in);

  platform::Host& host_;
  TitleSettings settings_;
  platform::Surface background_;
  platform::Surface foreground_;
  std::function<int64_t()> calendar_seconds_;
  platform::ToolWindow window_;
  bool first_tick_ = true;
  bool cancelled_ = false;
  int64_t hold_start_s_ = 0;
};

/// What start-up hands the title window.
struct TitleStartup {
  std::string game_dir = ".";
  /// The platform's font service and an explicit font file (may be empty).
  platform::FontOpener open_font;
  std::string font_file;
  /// The desktop behind the window, where the platform can give one; black
  /// otherwise.
  std::optional<platform::Surface> desktop;
  std::function<int64_t()> calendar_seconds;
  /// Leaves out a title with no hold, which would only show its picture
  /// for one tick before the game: the real window does, so that the game
  /// shows sooner. Headless runs keep the tick, on which their recorded
  /// timelines are built.
  bool skip_without_hold = false;
};

/// Start-up's step 2: reads the settings from the game's configuration,
/// shows the title window and returns once it has closed.
void ShowTitleWindow(platform::Host& host, const TitleStartup& startup);

}  // namespace zepa::engine
