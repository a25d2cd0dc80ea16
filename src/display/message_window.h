#pragma once
// The message window: the text commands, paging, the character reveal,
// captions, and the blinking wait icon. It has no surface of its own: text
// goes straight onto the display (and "btext" onto the back buffer).
#include <array>
#include <cstdint>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "display/picture_source.h"
#include "display/text_layout.h"
#include "display/wait_icons.h"
#include "platform/font.h"
#include "platform/host.h"
#include "platform/surface.h"

namespace zepa::display {

/// Where the window and its icon sit, from the configuration.
struct MessageLayout {
  MessageGeometry geometry;  // MESSAGELINE, MESSAGEMOJISUU, MESSAGEWIDTH, INTERVAL
  int x = 12;                // MESSAGEX
  int y = 348;               // MESSAGEY
  int icon_x = 604;          // MESSAGEPX
  int icon_y = 442;          // MESSAGEPY
};

class MessageWindow {
 public:
  /// Draws on `display` and `back_buffer`; `adv_mode` is the interpreter's
  /// wait state, which the pages and their icons set.
  MessageWindow(platform::Host& host, platform::Surface& display, platform::Surface& back_buffer,
                PictureSource& pictures, int& adv_mode);
  MessageWindow(const MessageWindow&) = delete;
  MessageWindow& operator=(const MessageWindow&) = delete;

  /// Takes the configured shape, the initial `TextWait` and the face. A
  /// missing font draws no text (its absence has been reported already).
  void Configure(const MessageLayout& layout, int32_t text_wait,
                 std::unique_ptr<platform::Font> font);

  /// The window's part of `ResetState`: no text counts as shown, no icon is
  /// active, the text colours are the defaults. `TextWait` stays.
  void Reset();

  // The text commands.
  void ShowText(std::string_view text, bool no_wait);  // "text", "textnw"
  void ContinueText();                                 // the continue input
  void Telo(std::string_view arg);
  void BText(std::string_view arg);
  void SetTextWait(int32_t ms) { text_wait_ = ms; }
  /// The player's text speed, a factor on `TextWait` that the game never
  /// sees: 200 reveals each glyph in half the time.
  void SetSpeedPercent(int percent) { speed_percent_ = percent > 0 ? percent : 100; }
  void SetTextColor(platform::Color color) { text_color_ = color; }
  void SetBgTextColor(platform::Color color) { bg_text_color_ = color; }

  // The wait icon.
  void LoadWaitIcons();
  /// Makes `icon` the current icon and shows it.
  void ShowWaitIcon(WaitIconKind icon);
  void HideWaitIcon();
  void BlinkWaitIcon();
  /// How long from `now_ms` the blink changes nothing: 0 when a blink step
  /// now would draw or hide the icon, nullopt when no icon is shown.
  std::optional<uint32_t> BlinkQuietMs(uint32_t now_ms) const;
  /// Puts back what lay under the icon without changing `wait_mode` (the
  /// choice list does this before it takes its backup).
  void UncoverIcon();
  /// A save takes its pictures without the icon: an icon drawn in its blink
  /// is covered and counts as hidden, so the next blink draws it again.
  void CoverBlinkingIcon();

  void EraseMessage();
  /// Shows the display when convenient.
  void Repaint();
  /// The display was replaced whole: no message text is on it any more.
  void ForgetText() { message_exist_ = 0; }

  /// Draws `text` at once, one line per 21 pixels, on `surface`.
  void DrawTextAt(platform::Surface& surface, int x, int y, std::string_view text,
                  platform::Color color);

  // The steps of a page, public for the tests of their rules.
  std::optional<size_t> LayoutPage(std::optional<size_t> start);
  void DrawPage(std::string_view page, int32_t wait);
  /// 0 when every character was revealed, 1 when the player hurried it (the
  /// rest was then drawn at once).
  int RevealLine(int x, int y, std::string_view text);
  void ChooseWaitIcon();

  const MessageLayout& layout() const { return layout_; }
  platform::Font* font() { return font_.get(); }
  int message_exist() const { return message_exist_; }
  int text_pending() const { return text_pending_; }
  int32_t text_wait() const { return text_wait_; }
  platform::Color text_color() const { return text_color_; }
  platform::Color bg_text_color() const { return bg_text_color_; }
  int wait_mode() const { return wait_mode_; }
  WaitIconKind wait_icon() const { return wait_bmp_; }
  /// Where a choice list starts: MESSAGEY, or the line below the text.
  int select_y() const { return select_y_; }
  /// `select_y` for a list about to be drawn: with no text shown it is
  /// MESSAGEY again.
  int ChoiceListTop();
  const platform::Surface& message_backup() const { return message_backup_; }
  /// Draws a saved picture over `MessageBackup` at (0, 0), clipped; its size
  /// stays, unless no text has been shown yet: then it takes the picture's.
  void DrawOnMessageBackup(const platform::Surface& picture);

  /// Puts back recorded values as they were; nothing is drawn.
  /// `icon`, when given, becomes the current icon without being shown.
  void RestoreRecord(platform::Color text_color, platform::Color bg_text_color, int message_exist,
                     int select_y, std::optional<WaitIconKind> icon);

  /// The window's fields of the state dump.
  void AddDumpFields(nlohmann::ordered_json& j) const;

 private:
  /// Returns when the glyph's time ended (the next glyph's start).
  uint32_t FadeInGlyph(int x, int y, const platform::GlyphImage& glyph, int32_t duration_ms,
                       std::optional<uint32_t> start_ms);
  void DrawGlyphs(const std::vector<GlyphPlacement>& glyphs, size_t from, std::string_view text);
  const platform::Surface& CurrentIcon() const;

  platform::Host& host_;
  platform::Surface& display_;
  platform::Surface& back_buffer_;
  PictureSource& pictures_;
  int& adv_mode_;

  MessageLayout layout_;
  std::unique_ptr<platform::Font> font_;
  int32_t text_wait_ = 50;
  int speed_percent_ = 100;
  platform::Color text_color_ = 0xffffff;
  platform::Color bg_text_color_ = 0;

  std::string message_text_;
  std::optional<size_t> next_page_start_;
  int text_pending_ = 0;
  platform::Surface message_backup_;
  int message_exist_ = 0;
  int select_y_ = 348;

  std::array<platform::Surface, 4> icons_;  // by WaitIconKind
  WaitIconKind wait_bmp_ = WaitIconKind::kNext;
  platform::Surface icon_backup_;
  int wait_mode_ = 0;
  uint32_t icon_shown_ms_ = 0;
  uint32_t icon_interval_ms_ = 500;
};

}  // namespace zepa::display
