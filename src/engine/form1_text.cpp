// The message window: paging, the character reveal, captions, the blinking
// wait icon, and the choice list drawn under the text.
#include <algorithm>

#include "display/gdi.h"
#include "display/glyph_blend.h"
#include "display/packfile.h"
#include "display/picture.h"
#include "display/pixels.h"
#include "display/text_layout.h"
#include "display/wait_icons.h"
#include "engine/form1.h"
#include "engine/limits.h"
#include "platform/cp932.h"
#include "script/sjis.h"

namespace zepa::engine {
namespace {

constexpr int kLinePitch = 21;
constexpr size_t kPageBytes = 1023;

std::string_view Prefix(std::string_view s, size_t bytes) { return s.substr(0, std::min(s.size(), bytes)); }

}  // namespace

const platform::Surface& Form1::CurrentIcon() const {
  switch (wait_bmp_) {
    case WaitIcon::kNext:
      return next_icon_;
    case WaitIcon::kEnd:
      return end_icon_;
    case WaitIcon::kMouse:
      return mouse_icon_;
    case WaitIcon::kSelect:
      return select_icon_;
  }
  return next_icon_;
}

void Form1::LoadWaitIcons() {
  auto load = [&](const char* file, display::WaitIconKind kind) {
    // Icons are bitmaps, from the data file or beside the game.
    if (auto bytes = display::OpenPicture(paths_.Resolve(config_.data_file), paths_.Resolve(file))) {
      if (auto s = display::DecodeBmp(*bytes)) return *s;
    }
    return display::BuiltInWaitIcon(kind);
  };
  next_icon_ = load("wait_next.bmp", display::WaitIconKind::kNext);
  end_icon_ = load("wait_ent.bmp", display::WaitIconKind::kEnd);
  mouse_icon_ = load("wait_mouse.bmp", display::WaitIconKind::kMouse);
  select_icon_ = load("wait_q.bmp", display::WaitIconKind::kSelect);
  icon_backup_ = platform::Surface(next_icon_.width, next_icon_.height);
}

void Form1::ShowWaitIcon() {
  if (wait_mode_ != 0) HideWaitIcon();
  host_.DiscardInput();
  const platform::Surface& icon = CurrentIcon();
  icon_backup_ = display::CopyRect(image2_, config_.message_px, config_.message_py, icon.width, icon.height);
  display::DrawTransparent(image2_, config_.message_px, config_.message_py, icon, 0xffffff);
  wait_mode_ = 1;
  icon_shown_ms_ = host_.NowMs();
  icon_interval_ms_ = static_cast<uint32_t>(geometry_.interval_ms);
  Repaint();
}

void Form1::HideWaitIcon() {
  if (wait_mode_ == 0) return;
  display::Blit(image2_, icon_backup_, config_.message_px, config_.message_py);
  wait_mode_ = 0;
  Repaint();
}

void Form1::BlinkWaitIcon() {
  if (wait_mode_ == 0) return;
  const uint32_t phase = ((host_.NowMs() - icon_shown_ms_) / icon_interval_ms_) & 1u;
  if (static_cast<uint32_t>(wait_mode_) != phase + 1) return;
  if (wait_mode_ == 1) {
    display::DrawTransparent(image2_, config_.message_px, config_.message_py, CurrentIcon(), 0xffffff);
  } else {
    display::Blit(image2_, icon_backup_, config_.message_px, config_.message_py);
  }
  wait_mode_ = 2 - static_cast<int>(phase);
  Repaint();
}

void Form1::EraseMessage() {
  if (message_exist_ == 0) return;
  display::Blit(image2_, message_backup_, config_.message_x, config_.message_y);
  message_exist_ = 0;
  Repaint();
}

void Form1::DrawTextAt(platform::Surface& surface, int x, int y, std::string_view text,
                       platform::Color color) {
  if (!font_) return;
  int line = 0;
  size_t start = 0;
  text = Prefix(text, kPageBytes);
  while (start <= text.size()) {
    const size_t lf = text.find('\n', start);
    const std::string_view one = text.substr(start, lf == std::string_view::npos ? std::string_view::npos : lf - start);
    display::DrawTextLine(surface, x, y + kLinePitch * line, one, color, *font_);
    if (lf == std::string_view::npos) break;
    start = lf + 1;
    ++line;
  }
}

uint32_t Form1::FadeInGlyph(int x, int y, const platform::GlyphImage& glyph, int32_t duration_ms,
                            std::optional<uint32_t> start_ms) {
  const int saved_mode = st_.adv_mode;
  st_.adv_mode = script::adv::kBusy;
  const uint32_t d = EffectDurationMs(duration_ms);
  const platform::Surface background = display::CopyRect(image2_, x, y, glyph.width, glyph.height);
  platform::Surface out = background;
  const uint64_t step = std::max<uint32_t>(1, 65536 / d);
  // A glyph that follows another starts where the last one's time ended, so
  // the frame that showed it complete does not add up over a line.
  const uint32_t now = host_.NowMs();
  const uint32_t start = start_ms && now - *start_ms < 100 ? *start_ms : now;
  for (;;) {
    uint64_t t = static_cast<uint64_t>(host_.NowMs() - start) * step;
    if (t > 65536 || HurryHeld() || host_.Closed()) t = 65536;
    if (host_.FrameWanted() || t >= 65536) {
      display::BlendGlyph(background, glyph, text_color_, static_cast<uint32_t>(t), out);
      display::Blit(image2_, out, x, y);
    }
    host_.Present(image2_);
    if (t >= 65536) break;
  }
  Repaint();
  st_.adv_mode = saved_mode;
  return start + d;
}

int Form1::RevealLine(int x, int y, std::string_view text) {
  if (text.empty()) return 0;
  text = Prefix(text, kPageBytes);
  const std::vector<display::GlyphPlacement> glyphs = display::PlaceGlyphs(text, x, y);
  std::optional<uint32_t> next_start;
  for (size_t i = 0; i < glyphs.size(); ++i) {
    if (HurryHeld() || host_.Closed()) {
      // The rest of the text appears at once. Only the glyphs not yet shown
      // are drawn: blending a revealed glyph again would darken its edges.
      DrawGlyphs(glyphs, i, text);
      Repaint();
      return 1;
    }
    platform::GlyphImage glyph;
    const display::GlyphPlacement& g = glyphs[i];
    if (!font_ || !font_->RenderGlyph(platform::Cp932CharToUtf32(text.substr(g.offset, g.length)), &glyph))
      continue;
    next_start = FadeInGlyph(g.x, g.y, glyph, text_wait_, next_start);
  }
  return 0;
}

void Form1::DrawGlyphs(const std::vector<display::GlyphPlacement>& glyphs, size_t from, std::string_view text) {
  if (!font_) return;
  platform::GlyphImage glyph;
  for (size_t i = from; i < glyphs.size(); ++i) {
    const display::GlyphPlacement& g = glyphs[i];
    if (font_->RenderGlyph(platform::Cp932CharToUtf32(text.substr(g.offset, g.length)), &glyph))
      display::DrawGlyph(image2_, g.x, g.y, glyph, text_color_);
  }
}

void Form1::DrawPage(std::string_view page, int32_t wait) {
  page = Prefix(page, kPageBytes);
  select_y_ = config_.message_y;
  EraseMessage();
  if (page.empty()) return;
  message_backup_ = display::CopyRect(image2_, config_.message_x, config_.message_y,
                                      geometry_.width, kLinePitch * geometry_.lines);
  const std::vector<std::string_view> lines = display::SplitPageLines(page);
  for (size_t k = 0; k < lines.size(); ++k) {
    ++message_exist_;
    const int y = config_.message_y + kLinePitch * static_cast<int>(k);
    const bool last = k + 1 == lines.size();
    if (wait != 0 && (text_pending_ == 0 || last)) {
      RevealLine(config_.message_x, y, lines[k]);  // a hurried line completes itself
    } else {
      DrawTextAt(image2_, config_.message_x, y, lines[k], text_color_);
    }
  }
  select_y_ = config_.message_y + kLinePitch * static_cast<int>(lines.size());
  Repaint();
}

std::optional<size_t> Form1::LayoutPage(std::optional<size_t> start) {
  if (!start) return std::nullopt;
  const display::PageLayout page = display::LayoutPage(message_text_, *start, geometry_);
  DrawPage(page.page, text_wait_);
  text_pending_ = page.text_complete ? 0 : 1;
  st_.adv_mode = script::adv::kMoreText;
  return page.next_page_start;
}

void Form1::ChooseWaitIcon() {
  if (text_pending_ == 1) {
    st_.adv_mode = script::adv::kMoreText;
    wait_bmp_ = WaitIcon::kNext;
  } else {
    if (st_.adv_mode != script::adv::kRun) st_.adv_mode = script::adv::kTextEnd;
    wait_bmp_ = WaitIcon::kEnd;
  }
  ShowWaitIcon();
}

void Form1::ShowText(std::string_view text, bool no_wait) {
  message_text_ = std::string(Prefix(text, 2047));
  next_page_start_ = LayoutPage(0);
  if (no_wait) st_.adv_mode = script::adv::kRun;
  ChooseWaitIcon();
}

void Form1::ContinueText() {
  if (st_.adv_mode == script::adv::kMoreText) {
    HideWaitIcon();
    next_page_start_ = LayoutPage(next_page_start_);
    ChooseWaitIcon();
  } else if (st_.adv_mode == script::adv::kTextEnd) {
    HideWaitIcon();
    st_.adv_mode = script::adv::kRun;
    EraseMessage();
  }
}

void Form1::Telo(std::string_view arg) {
  const auto pos = script::ParsePosition(arg);
  if (!pos) return;
  RevealLine(pos->x, pos->y, pos->rest);  // a hurried caption completes itself
  Repaint();
}

void Form1::BText(std::string_view arg) {
  const auto pos = script::ParsePosition(arg);
  if (!pos) return;
  DrawTextAt(image1_, pos->x, pos->y, pos->rest, bg_text_color_);
}

// --- Choices ---------------------------------------------------------------

void Form1::ShowChoices(std::string_view text) {
  const display::ChoiceLayout layout = display::LayoutChoices(text, geometry_);
  select_text_ = layout.select_text;
  select_number_ = layout.select_number;
  DrawChoices(0);
  wait_bmp_ = WaitIcon::kSelect;
  ShowWaitIcon();
}

void Form1::DrawChoices(int highlight) {
  if (choice_lines_drawn_ != 0) {
    display::Blit(image2_, choice_backup_, config_.message_x, config_.message_y);
    choice_lines_drawn_ = 0;
  }
  if (select_text_.empty()) {
    Repaint();
    return;
  }
  if (message_exist_ == 0) select_y_ = config_.message_y;
  display::Blit(image2_, icon_backup_, config_.message_px, config_.message_py);
  choice_backup_ = display::CopyRect(image2_, config_.message_x, config_.message_y, geometry_.width,
                                     kLinePitch * geometry_.lines);
  const std::vector<std::string_view> lines = display::SplitPageLines(select_text_);
  for (size_t i = 0; i < lines.size(); ++i) {
    const int k = static_cast<int>(i) + 1;
    const int y = select_y_ + kLinePitch * (k - 1);
    if (k == highlight) {
      const int width = display::TextWidth(lines[i]);
      display::DrawRectangle(image2_, config_.select_x, y, config_.select_x + width, y + kLinePitch,
                             select_back_color_, select_back_color_);
      DrawTextAt(image2_, config_.select_x, y, lines[i], select_text_color_);
    } else {
      DrawTextAt(image2_, config_.select_x, y, lines[i], select_color_);
    }
    choice_lines_drawn_ = k;
  }
  Repaint();
}

void Form1::SetHighlight(int n) {
  if (n == 0) {
    HideWaitIcon();
    select_number_ = 0;
    select_text_.clear();
    DrawChoices(0);
    st_.adv_mode = script::adv::kRun;
  } else if (n != select_now_) {
    DrawChoices(n);
    select_now_ = n;
  }
}

void Form1::Choose(int k) {
  vars_.SetVariableNumber("SELECT", k);
  SetHighlight(0);
}

bool Form1::InOptionArea(int x, int y) const {
  return x > config_.select_x && x < config_.message_x + geometry_.width && y > select_y_ &&
         y < select_y_ + kLinePitch * select_number_;
}

}  // namespace zepa::engine
