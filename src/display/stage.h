#pragma once
// The stage: the display `Image2` and the back buffer `Image1`, what is
// composed on the back buffer (background, characters, window frame), the
// flip and the cross-fade that bring it to the display, and the drawing
// commands with their pen and brush colours.
#include <array>
#include <cstdint>
#include <functional>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

#include "display/picture_source.h"
#include "platform/host.h"
#include "platform/surface.h"

namespace zepa::display {

constexpr int kStageWidth = 640;
constexpr int kStageHeight = 480;

class Stage {
 public:
  /// `adv_mode` is held busy while a fade runs.
  Stage(platform::Host& host, PictureSource& pictures, int& adv_mode);
  Stage(const Stage&) = delete;
  Stage& operator=(const Stage&) = delete;

  /// Called whenever the display is replaced whole (flip, fade): whatever
  /// was drawn on it, such as message text, is gone.
  void SetDisplayReplacedHandler(std::function<void()> handler) {
    display_replaced_ = std::move(handler);
  }

  /// The stage's part of `ResetState`: nothing recorded is on the back
  /// buffer any more (the pixels stay) and the colours are the defaults.
  void Reset();

  platform::Surface& display() { return display_; }
  const platform::Surface& display() const { return display_; }
  platform::Surface& back_buffer() { return back_buffer_; }
  const platform::Surface& back_buffer() const { return back_buffer_; }

  /// Shows the display when convenient (not part of an animation).
  void Repaint();

  // Transitions.
  void Flip();
  void FadeToBuffer(int32_t duration_ms);
  void FillBuffer(platform::Color color);

  // The composing commands, each as the scenario line asks for it.
  void PicCommand(std::string_view name);      // "pic"
  void PictureCommand(std::string_view name);  // "picture"
  void PCommand(std::string_view name);        // "p"
  void FillCommand(platform::Color color);     // "fill"
  void CharaCommand(std::string_view arg);     // "chara"
  /// "bpic" (keyed, with an opacity) and "bpicture".
  void DrawPictureCommand(std::string_view arg, bool keyed);
  /// "gdot", "gline", "gsquare", "gcircle", "gellipse" on the display, each
  /// with its number list.
  using Numbers = std::array<int32_t, 5>;
  void DotCommand(const Numbers& numbers);
  void LineCommand(const Numbers& numbers);
  void SquareCommand(const Numbers& numbers);
  void CircleCommand(const Numbers& numbers);
  void EllipseCommand(const Numbers& numbers);
  void SetPenColor(platform::Color color) { graphic_pen_color_ = color; }
  void SetBrushColor(platform::Color color) { graphic_brush_color_ = color; }

  // The operations behind them.
  void LoadBackground(std::string_view name);
  void DrawPicture(int x, int y, std::string_view name);
  void DrawPictureKeyed(int x, int y, int opacity, std::string_view name);
  void ShowCharacters(std::string_view argument);
  void EraseCharacter(int slot);
  void ShadeStrip(std::string_view name);
  void DrawFrame();
  void RemoveFrame();
  /// The back buffer was replaced: the characters on it are forgotten.
  void ForgetCharacters();

  // Recorded state.
  const std::string& picture_path() const { return picture_path_; }
  const std::string& character_record() const { return character_record_; }
  int frame_shown() const { return frame_shown_; }
  int character_count() const { return character_count_; }
  platform::Color pen_color() const { return graphic_pen_color_; }
  platform::Color brush_color() const { return graphic_brush_color_; }
  /// Puts back recorded values as they were; nothing is drawn.
  void RestoreRecord(std::string picture_path, std::string character_record, int frame_shown);

  /// The stage's fields of the state dump.
  void AddDumpFields(nlohmann::ordered_json& j) const;

 private:
  struct Character {
    int center = 0;
    platform::Surface backup;  // the back buffer under the character
  };

  platform::Host& host_;
  PictureSource& pictures_;
  int& adv_mode_;
  std::function<void()> display_replaced_;

  platform::Surface back_buffer_;  // Image1: what the composing commands draw on
  platform::Surface display_;      // Image2: what the window shows
  std::string picture_path_;
  int frame_shown_ = 0;
  int character_count_ = 0;
  std::string character_record_;
  std::array<Character, 3> characters_;
  platform::Surface frame_backup_;
  platform::Color graphic_brush_color_ = 0xff0000;
  platform::Color graphic_pen_color_ = 0x00ff00;
};

}  // namespace zepa::display
