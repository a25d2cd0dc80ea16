#include "engine/title_window.h"

#include <algorithm>
#include <span>

#include "display/glyph_blend.h"
#include "display/picture.h"
#include "engine/config.h"
#include "script/paths.h"

extern const unsigned char kTitlePictureJpeg[];
extern const size_t kTitlePictureJpeg_size;

namespace zepa::engine {
namespace {

constexpr platform::Color kTitleTextColor = 0xff0000;  // blue: red is the low byte

const platform::Surface& TitlePicture() {
  static const platform::Surface picture = [] {
    auto decoded =
        display::DecodeJpeg(std::span<const uint8_t>(kTitlePictureJpeg, kTitlePictureJpeg_size));
    return decoded ? std::move(*decoded) : platform::Surface(kTitleWidth, kTitleHeight);
  }();
  return picture;
}

bool SpaceReturnOrMiddleHeld(platform::Host& host) {
  using platform::HeldKey;
  return host.IsHeld(HeldKey::kSpace) || host.IsHeld(HeldKey::kReturn) ||
         host.IsHeld(HeldKey::kMiddleButton);
}

}  // namespace

TitleSettings ReadTitleSettings(const IniFile& ini) {
  TitleSettings s;
  s.time_s = ini.GetInt("TITLE", "TIME", 3);
  s.fade_ms = ini.GetInt("TITLE", "FADE", 3000);
  if (ini.GetInt("SYSTEM", "DEBUG", 0) != 0) s.time_s = 0;
  return s;
}

// The texts are ASCII and set at each glyph's own advance, as a window's
// text output sets them (the message window's fixed pitch is too wide here).
void DrawAsciiText(platform::Surface& s, int x, int y, std::string_view text,
                   platform::Font& font) {
  for (const char c : text) {
    platform::GlyphImage glyph;
    if (font.RenderGlyph(static_cast<char32_t>(static_cast<unsigned char>(c)), &glyph))
      display::DrawGlyph(s, x, y, glyph, kTitleTextColor);
    x += glyph.width;
  }
}

platform::Surface TitleForeground(platform::Font* font) {
  platform::Surface s = TitlePicture();
  if (font) {
    DrawAsciiText(s, 4, 4, "ZEPA Adventure SYSTEM", *font);
    DrawAsciiText(s, 20, 24, "Ver.", *font);
    DrawAsciiText(s, 60, 24, "1.18", *font);
  }
  return s;
}

platform::Surface CropDesktop(const platform::Surface& desktop, platform::ScreenSize screen) {
  platform::Surface out(kTitleWidth, kTitleHeight, 0x000000);
  const int left = (screen.width - kTitleWidth) / 2;
  const int top = (screen.height - kTitleHeight) / 2;
  for (int y = 0; y < kTitleHeight; ++y)
    for (int x = 0; x < kTitleWidth; ++x)
      if (desktop.Contains(left + x, top + y)) out.Set(x, y, desktop.Get(left + x, top + y));
  return out;
}

void BlendTitle(const platform::Surface& background, const platform::Surface& foreground,
                uint32_t foreground_weight, platform::Surface& out) {
  const uint32_t fw = std::min<uint32_t>(foreground_weight, 65535);
  const uint32_t bw = 65535 - fw;
  if (out.width != foreground.width || out.height != foreground.height)
    out.Reset(foreground.width, foreground.height);
  const size_t n =
      std::min({background.pixels.size(), foreground.pixels.size(), out.pixels.size()});
  for (size_t i = 0; i < n; ++i)
    out.pixels[i] =
        static_cast<uint8_t>((background.pixels[i] * bw + foreground.pixels[i] * fw) >> 16);
}

TitleWindow::TitleWindow(platform::Host& host, TitleSettings settings, platform::Surface background,
                         platform::Font* font, std::function<int64_t()> calendar_seconds)
    : host_(host),
      settings_(settings),
      background_(std::move(background)),
      foreground_(TitleForeground(font)),
      calendar_seconds_(std::move(calendar_seconds)) {
  window_.name = "Form3";
  window_.framed = false;
  window_.client_width = kTitleWidth;
  window_.client_height = kTitleHeight;
  window_.placement = platform::Placement::kScreenCenter;
  // A click anywhere on the window closes it.
  platform::ToolWindow* w = &window_;
  for (const char* name : {"Image1", "Image2"}) {
    platform::Control image;
    image.name = name;
    image.kind = platform::ControlKind::kPicture;
    image.rect = {0, 0, kTitleWidth, kTitleHeight};
    image.on_click = [w] { w->Close(); };
    window_.controls.push_back(std::move(image));
  }
  platform::Control& bare = window_.controls[0];
  platform::Control& frames = window_.controls[1];
  bare.picture = TitlePicture();
  frames.picture = background_;
  bare.visible = settings_.fade_ms == 0;
  frames.visible = settings_.fade_ms != 0;
}

void TitleWindow::Run() {
  host_.OpenWindow(&window_);
  uint32_t next_tick = host_.NowMs() + kTitleTimerMs;
  while (!window_.closed() && !host_.Closed()) {
    if (!host_.Pump(true, next_tick)) break;
    if (window_.closed()) break;
    if (static_cast<int32_t>(host_.NowMs() - next_tick) >= 0) {
      Timer1Timer();
      next_tick = host_.NowMs() + kTitleTimerMs;
    }
  }
  host_.CloseWindow(&window_);
}

void TitleWindow::Timer1Timer() {
  if (settings_.time_s == 0 || cancelled_) {
    window_.Close();
    return;
  }
  if (first_tick_) {
    first_tick_ = false;
    // The timer stands still during the fade: this runs inside its tick.
    if (settings_.fade_ms > 0) Fade(true);
    hold_start_s_ = calendar_seconds_();
  }
  if (calendar_seconds_() - hold_start_s_ > settings_.time_s) {
    if (settings_.fade_ms > 0 && !window_.closed()) Fade(false);
    window_.Close();
  }
}

void TitleWindow::Fade(bool fade_in) {
  // A fade longer than 65536 ms would have a step of 0 and never end.
  const uint64_t step = std::max(1, 65536 / settings_.fade_ms);
  const uint32_t t0 = host_.NowMs();
  platform::Control& frames = window_.controls[1];
  std::optional<uint32_t> shown_weight;
  for (;;) {
    const uint64_t w = static_cast<uint64_t>(host_.NowMs() - t0) * step;
    if (w > 65535) break;
    const uint32_t fg = fade_in ? static_cast<uint32_t>(w) : 65535 - static_cast<uint32_t>(w);
    // One frame per refresh at most, and none that would show the same.
    if (fg != shown_weight) {
      BlendTitle(background_, foreground_, fg, frames.picture);
      window_.Touch();
      shown_weight = fg;
    }
    if (SpaceReturnOrMiddleHeld(host_)) {
      cancelled_ = true;
      break;
    }
    // Showing the frame lets a click close the window mid-fade.
    if (!host_.Pump(true, host_.NowMs() + host_.FramePeriodMs()) || window_.closed()) break;
  }
}

void ShowTitleWindow(platform::Host& host, const TitleStartup& startup) {
  const script::PathResolver paths(startup.game_dir);
  const TitleSettings settings = ReadTitleSettings(IniFile::Load(paths.Resolve(kIniName)));
  if (settings.time_s == 0 && startup.skip_without_hold) return;
  std::unique_ptr<platform::Font> font;
  // Without a hold the window closes before a fade could show the texts:
  // the font lookup would be start-up time spent for nothing.
  if (startup.open_font && settings.time_s != 0) {
    platform::FontRequest request;
    // Twelve pixels, as the small windows use: larger, the name would run
    // past the picture's right edge.
    request.char_height_px = 12;
    if (!startup.font_file.empty()) request.file_path = paths.Resolve(startup.font_file);
    // Without a font the picture shows without its texts; the main window
    // reports a missing font when it opens its own.
    if (auto opened = startup.open_font(request); opened.ok()) font = std::move(*opened);
  }
  platform::Surface background = startup.desktop
                                     ? CropDesktop(*startup.desktop, host.GetScreenSize())
                                     : platform::Surface(kTitleWidth, kTitleHeight, 0x000000);
  std::function<int64_t()> seconds = startup.calendar_seconds;
  if (!seconds) seconds = [&host] { return static_cast<int64_t>(host.NowMs() / 1000); };
  TitleWindow title(host, settings, std::move(background), font.get(), std::move(seconds));
  title.Run();
}

}  // namespace zepa::engine
