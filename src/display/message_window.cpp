#include "display/message_window.h"

#include <algorithm>

#include "display/effects.h"
#include "display/glyph_blend.h"
#include "display/pixels.h"
#include "platform/cp932.h"
#include "script/arguments.h"
#include "script/fixed_text.h"
#include "script/wait_state.h"

namespace zepa::display {
namespace {

constexpr int kLinePitch = kLinePitchPixels;
constexpr size_t kPageBytes = kPageTextBytes;
// The text of "text" is held in a 2048-byte buffer.
constexpr size_t kMessageBytes = 2048;

std::string_view Prefix(std::string_view s, size_t bytes) {
  return s.substr(0, std::min(s.size(), bytes));
}

}  // namespace

MessageWindow::MessageWindow(platform::Host& host, platform::Surface& display,
                             platform::Surface& back_buffer, PictureSource& pictures, int& adv_mode)
    : host_(host),
      display_(display),
      back_buffer_(back_buffer),
      pictures_(pictures),
      adv_mode_(adv_mode) {}

void MessageWindow::Configure(const MessageLayout& layout, int32_t text_wait,
                              std::unique_ptr<platform::Font> font) {
  layout_ = layout;
  text_wait_ = text_wait;
  font_ = std::move(font);
  select_y_ = layout.y;
}

void MessageWindow::Reset() {
  text_pending_ = 0;
  wait_mode_ = 0;
  message_exist_ = 0;
  text_color_ = 0xffffff;
  bg_text_color_ = 0;
}

void MessageWindow::Repaint() { host_.Invalidate(display_); }

const platform::Surface& MessageWindow::CurrentIcon() const {
  return icons_[static_cast<size_t>(wait_bmp_)];
}

void MessageWindow::LoadWaitIcons() {
  static constexpr std::array<std::pair<const char*, WaitIconKind>, 4> kFiles = {{
      {"wait_next.bmp", WaitIconKind::kNext},
      {"wait_ent.bmp", WaitIconKind::kEnd},
      {"wait_mouse.bmp", WaitIconKind::kMouse},
      {"wait_q.bmp", WaitIconKind::kSelect},
  }};
  for (const auto& [file, kind] : kFiles) {
    // Icons are bitmaps, from the data file or beside the game.
    auto icon = pictures_.LoadBitmap(file);
    icons_[static_cast<size_t>(kind)] = icon ? std::move(*icon) : BuiltInWaitIcon(kind);
  }
  const platform::Surface& next = icons_[static_cast<size_t>(WaitIconKind::kNext)];
  icon_backup_ = platform::Surface(next.width, next.height);
}

void MessageWindow::ShowWaitIcon(WaitIconKind icon) {
  wait_bmp_ = icon;
  if (wait_mode_ != 0) HideWaitIcon();
  host_.DiscardInput();
  const platform::Surface& shown = CurrentIcon();
  icon_backup_ = CopyRect(display_, layout_.icon_x, layout_.icon_y, shown.width, shown.height);
  DrawTransparent(display_, layout_.icon_x, layout_.icon_y, shown, 0xffffff);
  wait_mode_ = 1;
  icon_shown_ms_ = host_.NowMs();
  icon_interval_ms_ = static_cast<uint32_t>(layout_.geometry.interval_ms);
  Repaint();
}

void MessageWindow::HideWaitIcon() {
  if (wait_mode_ == 0) return;
  Blit(display_, icon_backup_, layout_.icon_x, layout_.icon_y);
  wait_mode_ = 0;
  Repaint();
}

void MessageWindow::UncoverIcon() { Blit(display_, icon_backup_, layout_.icon_x, layout_.icon_y); }

void MessageWindow::CoverBlinkingIcon() {
  if (wait_mode_ != 2) return;
  UncoverIcon();
  wait_mode_ = 1;
}

void MessageWindow::DrawOnMessageBackup(const platform::Surface& picture) {
  // A window that has shown no text yet has no backup to draw on; without
  // one, erasing the restored text would leave it on the screen.
  if (message_backup_.Empty()) message_backup_ = platform::Surface(picture.width, picture.height);
  Blit(message_backup_, picture, 0, 0);
}

void MessageWindow::BlinkWaitIcon() {
  if (wait_mode_ == 0) return;
  const uint32_t phase = ((host_.NowMs() - icon_shown_ms_) / icon_interval_ms_) & 1u;
  if (static_cast<uint32_t>(wait_mode_) != phase + 1) return;
  if (wait_mode_ == 1) {
    DrawTransparent(display_, layout_.icon_x, layout_.icon_y, CurrentIcon(), 0xffffff);
  } else {
    Blit(display_, icon_backup_, layout_.icon_x, layout_.icon_y);
  }
  wait_mode_ = 2 - static_cast<int>(phase);
  Repaint();
}

std::optional<uint32_t> MessageWindow::BlinkQuietMs(uint32_t now_ms) const {
  if (wait_mode_ == 0) return std::nullopt;
  const uint32_t elapsed = now_ms - icon_shown_ms_;
  const uint32_t phase = (elapsed / icon_interval_ms_) & 1u;
  if (static_cast<uint32_t>(wait_mode_) == phase + 1) return 0;
  // The phase turns at the next whole interval, or earlier where the
  // unsigned clock difference wraps and the count starts again.
  const uint64_t next = (uint64_t{elapsed} / icon_interval_ms_ + 1) * icon_interval_ms_;
  return static_cast<uint32_t>(std::min<uint64_t>(next, uint64_t{1} << 32) - elapsed);
}

void MessageWindow::EraseMessage() {
  if (message_exist_ == 0) return;
  Blit(display_, message_backup_, layout_.x, layout_.y);
  message_exist_ = 0;
  Repaint();
}

void MessageWindow::DrawTextAt(platform::Surface& surface, int x, int y, std::string_view text,
                               platform::Color color) {
  if (!font_) return;
  int line = 0;
  size_t start = 0;
  text = Prefix(text, kPageBytes);
  while (start <= text.size()) {
    const size_t lf = text.find('\n', start);
    const std::string_view one =
        text.substr(start, lf == std::string_view::npos ? std::string_view::npos : lf - start);
    DrawTextLine(surface, x, y + kLinePitch * line, one, color, *font_);
    if (lf == std::string_view::npos) break;
    start = lf + 1;
    ++line;
  }
}

uint32_t MessageWindow::FadeInGlyph(int x, int y, const platform::GlyphImage& glyph,
                                    int32_t duration_ms, std::optional<uint32_t> start_ms) {
  const auto busy = HoldBusy(adv_mode_);
  const uint32_t d = EffectDurationMs(duration_ms);
  const platform::Surface background = CopyRect(display_, x, y, glyph.width, glyph.height);
  platform::Surface out = background;
  const uint64_t step = std::max<uint32_t>(1, 65536 / d);
  // A glyph that follows another starts where the last one's time ended, so
  // the frame that showed it complete does not add up over a line.
  const uint32_t now = host_.NowMs();
  const uint32_t start = start_ms && now - *start_ms < 100 ? *start_ms : now;
  for (;;) {
    uint64_t t = static_cast<uint64_t>(host_.NowMs() - start) * step;
    if (t > 65536 || HurryHeld(host_) || host_.Closed()) t = 65536;
    if (host_.FrameWanted() || t >= 65536) {
      BlendGlyph(background, glyph, text_color_, static_cast<uint32_t>(t), out);
      Blit(display_, out, x, y);
    }
    host_.Present(display_);
    if (t >= 65536) break;
  }
  Repaint();
  return start + d;
}

int MessageWindow::RevealLine(int x, int y, std::string_view text) {
  if (text.empty()) return 0;
  text = Prefix(text, kPageBytes);
  const std::vector<GlyphPlacement> glyphs = PlaceGlyphs(text, x, y);
  std::optional<uint32_t> next_start;
  const int32_t glyph_wait =
      speed_percent_ == 100 ? text_wait_
                            : static_cast<int32_t>(std::max<int64_t>(
                                  1, int64_t{EffectDurationMs(text_wait_)} * 100 / speed_percent_));
  for (size_t i = 0; i < glyphs.size(); ++i) {
    if (HurryHeld(host_) || host_.Closed()) {
      // The rest of the text appears at once. Only the glyphs not yet shown
      // are drawn: blending a revealed glyph again would darken its edges.
      DrawGlyphs(glyphs, i, text);
      Repaint();
      return 1;
    }
    platform::GlyphImage glyph;
    const GlyphPlacement& g = glyphs[i];
    if (!font_ ||
        !font_->RenderGlyph(platform::Cp932CharToUtf32(text.substr(g.offset, g.length)), &glyph))
      continue;
    next_start = FadeInGlyph(g.x, g.y, glyph, glyph_wait, next_start);
  }
  return 0;
}

void MessageWindow::DrawGlyphs(const std::vector<GlyphPlacement>& glyphs, size_t from,
                               std::string_view text) {
  if (!font_) return;
  platform::GlyphImage glyph;
  for (size_t i = from; i < glyphs.size(); ++i) {
    const GlyphPlacement& g = glyphs[i];
    if (font_->RenderGlyph(platform::Cp932CharToUtf32(text.substr(g.offset, g.length)), &glyph))
      DrawGlyph(display_, g.x, g.y, glyph, text_color_);
  }
}

void MessageWindow::DrawPage(std::string_view page, int32_t wait) {
  page = Prefix(page, kPageBytes);
  select_y_ = layout_.y;
  EraseMessage();
  if (page.empty()) return;
  message_backup_ = CopyRect(display_, layout_.x, layout_.y, layout_.geometry.width,
                             kLinePitch * layout_.geometry.lines);
  const std::vector<std::string_view> lines = SplitPageLines(page);
  for (size_t k = 0; k < lines.size(); ++k) {
    ++message_exist_;
    const int y = layout_.y + kLinePitch * static_cast<int>(k);
    const bool last = k + 1 == lines.size();
    if (wait != 0 && (text_pending_ == 0 || last)) {
      RevealLine(layout_.x, y, lines[k]);  // a hurried line completes itself
    } else {
      DrawTextAt(display_, layout_.x, y, lines[k], text_color_);
    }
  }
  select_y_ = layout_.y + kLinePitch * static_cast<int>(lines.size());
  Repaint();
}

std::optional<size_t> MessageWindow::LayoutPage(std::optional<size_t> start) {
  if (!start) return std::nullopt;
  const PageLayout page = display::LayoutPage(message_text_, *start, layout_.geometry);
  DrawPage(page.page, text_wait_);
  text_pending_ = page.text_complete ? 0 : 1;
  adv_mode_ = script::adv::kMoreText;
  return page.next_page_start;
}

void MessageWindow::ChooseWaitIcon() {
  if (text_pending_ == 1) {
    adv_mode_ = script::adv::kMoreText;
    ShowWaitIcon(WaitIconKind::kNext);
  } else {
    if (adv_mode_ != script::adv::kRun) adv_mode_ = script::adv::kTextEnd;
    ShowWaitIcon(WaitIconKind::kEnd);
  }
}

void MessageWindow::ShowText(std::string_view text, bool no_wait) {
  message_text_ = script::Bounded(text, kMessageBytes);
  next_page_start_ = LayoutPage(0);
  if (no_wait) adv_mode_ = script::adv::kRun;
  ChooseWaitIcon();
}

void MessageWindow::ContinueText() {
  if (adv_mode_ == script::adv::kMoreText) {
    HideWaitIcon();
    next_page_start_ = LayoutPage(next_page_start_);
    ChooseWaitIcon();
  } else if (adv_mode_ == script::adv::kTextEnd) {
    HideWaitIcon();
    adv_mode_ = script::adv::kRun;
    EraseMessage();
  }
}

void MessageWindow::Telo(std::string_view arg) {
  const auto pos = script::ParsePosition(arg);
  if (!pos) return;
  RevealLine(pos->x, pos->y, pos->rest);  // a hurried caption completes itself
  Repaint();
}

void MessageWindow::BText(std::string_view arg) {
  const auto pos = script::ParsePosition(arg);
  if (!pos) return;
  DrawTextAt(back_buffer_, pos->x, pos->y, pos->rest, bg_text_color_);
}

int MessageWindow::ChoiceListTop() {
  if (message_exist_ == 0) select_y_ = layout_.y;
  return select_y_;
}

void MessageWindow::RestoreRecord(platform::Color text_color, platform::Color bg_text_color,
                                  int message_exist, int select_y,
                                  std::optional<WaitIconKind> icon) {
  if (icon) wait_bmp_ = *icon;
  text_color_ = text_color;
  bg_text_color_ = bg_text_color;
  message_exist_ = message_exist;
  select_y_ = select_y;
}

void MessageWindow::AddDumpFields(nlohmann::ordered_json& j) const {
  static constexpr const char* kIcons[] = {"next", "end", "mouse", "select"};
  j["message_exist"] = message_exist_;
  j["text_wait"] = text_wait_;
  j["text_color"] = text_color_;
  j["bg_text_color"] = bg_text_color_;
  j["text_pending"] = text_pending_;
  j["wait_mode"] = wait_mode_;
  j["wait_icon"] = kIcons[static_cast<int>(wait_bmp_)];
}

}  // namespace zepa::display
