#pragma once
// The main window: owns every piece of game state, runs the 50 ms tick and
// receives the player's input.
#include <array>
#include <functional>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/config.h"
#include "engine/ini_file.h"
#include "engine/paths.h"
#include "display/text_layout.h"
#include "platform/font.h"
#include "platform/host.h"
#include "platform/surface.h"
#include "script/arguments.h"
#include "script/interpreter.h"
#include "script/variables.h"

namespace zepa::engine {

using FontOpener =
    std::function<std::unique_ptr<platform::Font>(const platform::FontRequest&, std::string* error)>;

struct Form1Options {
  std::string game_dir = ".";
  std::vector<std::string> args;  // scenario and save-file arguments
  std::string font_file;          // --font overrides the configuration
  FontOpener open_font;           // the platform's font service
};

class Form1 : public platform::InputHandler, public script::CommandSink {
 public:
  Form1(platform::Host& host, Form1Options options);
  ~Form1() override;
  Form1(const Form1&) = delete;
  Form1& operator=(const Form1&) = delete;

  /// `FormCreate`: reads the configuration, loads the start scenario.
  void FormCreate();
  /// `FormDestroy`: writes the configuration back. Runs once.
  void FormDestroy();
  /// `Tick`, the `Timer1` handler.
  void Tick();
  /// `ResetState`: the game state's defaults.
  void ResetState() override;

  /// Runs the message loop until the main window closes (or, headless, until
  /// only the player could move the game on and no scripted input is left).
  void Run();

  /// True when nothing but the player can move the game on.
  bool IdleForPlayer() const;

  /// The state as JSON text (headless dumps).
  std::string DumpJson() const;

  // InputHandler
  void OnKeyDown(int vk_code, bool shift, bool ctrl) override;
  void OnMouseDown(platform::MouseButton button, int x, int y) override;
  void OnMouseMove(int x, int y) override;
  void OnMouseWheel(int steps) override;
  void OnTimer() override;
  void OnCloseRequest() override;
  bool OnDumpRequest(const std::string& path, std::string* error) override;

  // CommandSink
  uint32_t NowMs() override;
  bool PumpUntil(uint32_t deadline_ms) override;
  script::LoadOutcome LoadScenario(const std::string& name) override;
  void RunCommand(script::Command command, const script::CommandArgs& args) override;

  // Presentation operations used across the engine.
  void FadeToBuffer(int32_t duration_ms);
  void FillBuffer(platform::Color color);
  void Flip();
  void EndSequence();
  void Repaint();
  bool HurryHeld();

  // Back-buffer composition.
  std::optional<platform::Surface> LoadPicture(std::string_view name);
  void LoadBackground(std::string_view name);
  void DrawPicture(int x, int y, std::string_view name);
  void DrawPictureKeyed(int x, int y, int opacity, std::string_view name);
  void ShowCharacters(std::string_view argument);
  void EraseCharacter(int slot);
  void ShadeStrip(std::string_view name);
  void DrawFrame();
  void RemoveFrame();
  void ForgetCharacters();

  // The message window.
  void LoadWaitIcons();
  void ShowWaitIcon();
  void HideWaitIcon();
  void BlinkWaitIcon();
  void EraseMessage();
  void DrawPage(std::string_view page, int32_t wait);
  std::optional<size_t> LayoutPage(std::optional<size_t> start);
  int RevealLine(int x, int y, std::string_view text);
  /// Returns when the glyph's time ended (the next glyph's start).
  uint32_t FadeInGlyph(int x, int y, const platform::GlyphImage& glyph, int32_t duration_ms,
                       std::optional<uint32_t> start_ms = std::nullopt);
  void ChooseWaitIcon();
  void ShowText(std::string_view text, bool no_wait);
  void ContinueText();
  void Telo(std::string_view arg);
  void BText(std::string_view arg);

  // Choices and input.
  void ShowChoices(std::string_view text);
  void DrawChoices(int highlight);
  void SetHighlight(int n);
  void Choose(int k);
  bool InOptionArea(int x, int y) const;
  int OptionAt(int y) const;
  void Restart();
  void OpenMenu();
  void EnterFullScreen();
  void LeaveFullScreen();

  std::string ResolvePath(std::string_view name) const { return paths_.Resolve(name); }

  // State, readable by tests and the debug view.
  const script::InterpreterState& interpreter_state() const { return st_; }
  script::InterpreterState& interpreter_state() { return st_; }
  script::VariableTable& variables() { return vars_; }
  const Config& config() const { return config_; }
  const platform::Surface& image1() const { return image1_; }
  const platform::Surface& image2() const { return image2_; }
  int debug_state() const { return debug_state_; }
  int full_screen() const { return full_screen_; }

 private:
  void ConfigurationWriteBack();
  void OpenFontFromConfig();
  void DrawTextAt(platform::Surface& surface, int x, int y, std::string_view text, platform::Color color);
  enum class WaitIcon { kNext, kEnd, kMouse, kSelect };
  const platform::Surface& CurrentIcon() const;
  void DrawPictureCommand(std::string_view arg, bool keyed);
  void DrawShape(script::Command command, const std::array<int32_t, 5>& numbers);
  void ShowCreateError(const std::string& message);

  platform::Host& host_;
  Form1Options options_;
  PathResolver paths_;
  std::string ini_path_;
  IniFile ini_;
  Config config_;

  // Shell state.
  int debug_state_ = 0;
  bool debug_was_on_ = false;
  int full_screen_ = 0;
  uint32_t tick_time_ = 0;
  std::string main_scenario_;
  std::string end_music_;
  std::string end_picture_;
  int text_wait_ = 50;
  bool destroyed_ = false;
  bool stepping_ = false;  // an interpreter step is running (it may pump)

  script::InterpreterState st_;
  script::VariableTable vars_;
  script::Interpreter interp_;

  // Surfaces: Image1 the back buffer, Image2 the display.
  platform::Surface image1_;
  platform::Surface image2_;

  // Presentation state restored by ResetState (filled in by the display code).
  std::string picture_path_;
  int frame_shown_ = 0;
  int character_count_ = 0;
  std::string character_record_;
  struct Character {
    int center = 0;
    platform::Surface backup;  // the back buffer under the character
  };
  std::array<Character, 3> characters_;
  platform::Surface frame_backup_;
  int message_exist_ = 0;
  int text_pending_ = 0;
  int wait_mode_ = 0;
  int select_number_ = 0;
  int select_now_ = 0;
  int choice_lines_drawn_ = 0;
  platform::Color text_color_ = 0xffffff;
  platform::Color bg_text_color_ = 0;
  platform::Color select_color_ = 0xffff00;
  platform::Color select_back_color_ = 0xff0000;
  platform::Color select_text_color_ = 0x00ffff;
  platform::Color graphic_brush_color_ = 0xff0000;
  platform::Color graphic_pen_color_ = 0x00ff00;
  // Message window and wait icon.
  display::MessageGeometry geometry_;
  std::unique_ptr<platform::Font> font_;
  std::string message_text_;
  std::optional<size_t> next_page_start_;
  platform::Surface message_backup_;
  int select_y_ = 348;
  platform::Surface next_icon_, end_icon_, mouse_icon_, select_icon_;
  WaitIcon wait_bmp_ = WaitIcon::kNext;
  platform::Surface icon_backup_;
  uint32_t icon_shown_ms_ = 0;
  uint32_t icon_interval_ms_ = 500;
  // Choices.
  std::string select_text_;
  platform::Surface choice_backup_;
  std::optional<std::string> mouse_x_target_;
  std::optional<std::string> mouse_y_target_;

  // Sound state restored by ResetState.
  int fade_time_ = 2000;
  int fade_direction_ = 0;
  std::string next_music_;
  int music_loop_ = 0;
  int effect_loop_ = 0;
  std::string music_name_;
  std::string effect_name_;
};

}  // namespace zepa::engine
