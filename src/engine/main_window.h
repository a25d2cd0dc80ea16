#pragma once
// The main window: start-up and shutdown, the 50 ms tick, the player's
// input, and the dispatch of scenario commands to the rooms that own their
// state (the stage, the message window, the choices, the sound settings).
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "display/message_window.h"
#include "display/stage.h"
#include "engine/choices.h"
#include "engine/config.h"
#include "engine/game_pictures.h"
#include "engine/player_keys.h"
#include "engine/save_game.h"
#include "engine/saved_state.h"
#include "net/http_client.h"
#include "platform/file_watch.h"
#include "platform/font.h"
#include "platform/host.h"
#include "platform/scope_restore.h"
#include "script/interpreter.h"
#include "script/paths.h"
#include "script/variables.h"
#include "sound/sound.h"
#include "windows/debug_monitor.h"
#include "windows/modal.h"
#include "windows/question_box.h"

namespace zepa::engine {

using FontOpener = platform::FontOpener;

struct MainWindowOptions {
  std::string game_dir = ".";
  std::vector<std::string> args;  // scenario and save-file arguments
  std::string font_file;          // --font overrides the configuration
  FontOpener open_font;           // the platform's font service
  // Seeds RND with this instead of the calendar time, so that recorded runs
  // repeat exactly.
  std::optional<uint32_t> random_seed;
  platform::Media* media = nullptr;  // the two players; none plays nothing
  // --save-dir: where save files are written and first looked for. Empty:
  // the game directory, or the user's data directory when that is read-only.
  std::string save_dir;
  // Whether closing writes the configuration back into the game's
  // rurirora.ini. Headless runs are tests and leave the author's file alone
  // unless asked (--write-config).
  bool write_config = true;
  // --watch: a scenario or picture changed on disk is read again and the
  // game goes on at the label it was in. Null: nothing is watched.
  platform::FileWatch* watch = nullptr;
  // The player's own files (read marks, settings, screenshots); empty
  // paths keep them in memory or write none.
  player::PlayerPaths player_paths;
  std::string game_name = "game";  // names the screenshots
};

/// --watch: how often the files are looked at while the game waits, and how
/// long a change must stand alone before the game reloads.
constexpr uint32_t kWatchPollMs = 100;
constexpr uint32_t kWatchSettleMs = 200;

/// Stops the game timer for a scope; its earlier state comes back on every
/// way out.
inline auto StopTimerForScope(platform::Host& host) {
  return platform::ScopeRestore(false, host.TimerEnabled(),
                                [&host](bool on) { host.SetTimerEnabled(on); });
}

/// Where the debug monitor is: the tick opens it in state 1 and closes it
/// in state 3, so that a request made inside a step waits for the tick.
enum class DebugMonitorState : int {
  kOff = 0,
  kOpening = 1,  ///< asked for, opened by the next tick
  kOpen = 2,
  kClosing = 3,  ///< an encoded scenario was loaded: closed by the next tick
};

class MainWindow : public platform::InputHandler, public script::CommandSink {
 public:
  MainWindow(platform::Host& host, MainWindowOptions options);
  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  /// `Start`: reads the configuration, loads the start scenario.
  void Start();
  /// `Shutdown`: writes the configuration back. Runs once.
  void Shutdown();
  /// `Tick`, the `Timer1` handler.
  void Tick();
  /// `ResetState`: the game state's defaults.
  void ResetState() override;

  /// Runs the message loop until the main window closes (or, headless, until
  /// only the player could move the game on and no scripted input is left).
  /// `before_destroy` runs once the loop has ended, while the game still
  /// stands (the headless end-of-run dump and shot).
  void Run(const std::function<void()>& before_destroy = {});

  /// True when nothing but the player can move the game on.
  bool IdleForPlayer() const;

  /// The state as JSON text (headless dumps), each room adding its fields.
  std::string DumpJson() const;

  // InputHandler
  void OnKeyDown(int vk_code, bool shift, bool ctrl) override;
  void OnMouseDown(platform::MouseButton button, int x, int y) override;
  void OnMouseMove(int x, int y) override;
  void OnMouseWheel(int steps) override;
  void OnTimer() override;
  /// No tick changes anything while the game waits for the player with
  /// nothing in flight (no music fade, jump, window request, wait or debug
  /// monitor), except the wait icon's blink at its known moment.
  uint32_t TimerQuietMs(uint32_t now_ms) override;
  void OnCloseRequest() override;
  platform::Status OnDumpRequest(const std::string& path) override;

  // CommandSink
  uint32_t NowMs() override;
  bool PumpUntil(uint32_t deadline_ms) override;
  script::LoadOutcome LoadScenario(const std::string& name) override;
  // The commands, each carried out by the room that owns its state
  // (main_window_commands.cpp).
  void RunMouse(const script::CommandArgs& args) override;
  void RunGet(const script::CommandArgs& args) override;
  void RunFlip(const script::CommandArgs& args) override;
  void RunFade(const script::CommandArgs& args) override;
  void RunEndPic(const script::CommandArgs& args) override;
  void RunEndBgm(const script::CommandArgs& args) override;
  void RunPic(const script::CommandArgs& args) override;
  void RunBPic(const script::CommandArgs& args) override;
  void RunBPicture(const script::CommandArgs& args) override;
  void RunFrame(const script::CommandArgs& args) override;
  void RunFill(const script::CommandArgs& args) override;
  void RunPicture(const script::CommandArgs& args) override;
  void RunChara(const script::CommandArgs& args) override;
  void RunBgm(const script::CommandArgs& args) override;
  void RunBgmFadeIn(const script::CommandArgs& args) override;
  void RunBgmFadeOut(const script::CommandArgs& args) override;
  void RunBgmFadeTime(const script::CommandArgs& args) override;
  void RunCd(const script::CommandArgs& args) override;
  void RunWav(const script::CommandArgs& args) override;
  void RunGbColor(const script::CommandArgs& args) override;
  void RunGpColor(const script::CommandArgs& args) override;
  void RunGDot(const script::CommandArgs& args) override;
  void RunGLine(const script::CommandArgs& args) override;
  void RunGSquare(const script::CommandArgs& args) override;
  void RunGCircle(const script::CommandArgs& args) override;
  void RunGEllipse(const script::CommandArgs& args) override;
  void RunTextColor(const script::CommandArgs& args) override;
  void RunBgTextColor(const script::CommandArgs& args) override;
  void RunSelectColor(const script::CommandArgs& args) override;
  void RunSelectBackColor(const script::CommandArgs& args) override;
  void RunSelectTextColor(const script::CommandArgs& args) override;
  void RunEnd(const script::CommandArgs& args) override;
  void RunBText(const script::CommandArgs& args) override;
  void RunTelo(const script::CommandArgs& args) override;
  void RunTextWait(const script::CommandArgs& args) override;
  void RunBgmLoop(const script::CommandArgs& args) override;
  void RunWavLoop(const script::CommandArgs& args) override;
  void RunP(const script::CommandArgs& args) override;
  void RunTextNw(const script::CommandArgs& args) override;
  void RunText(const script::CommandArgs& args) override;
  void RunSel(const script::CommandArgs& args) override;

  void EndSequence();
  void Restart();
  /// --watch: reads the scenario again and goes on at the scene's label, or
  /// from the top when the label is gone (main_window_watch.cpp).
  void ReloadFromDisk();
  void OpenMenu();
  void ConfirmQuit();
  /// "get": the question box, its answer stored in the named variable.
  void AskQuestion(std::string_view argument);
  void EnterFullScreen();
  void LeaveFullScreen();

  /// The save and load windows, each with `Timer1` stopped while it is open
  /// and its earlier state brought back afterwards. `OpenSaveLoadWindow`
  /// also holds adv_mode busy meanwhile; a save records the wait state from
  /// before the window.
  void OpenSaveLoadWindow();
  void OpenSaveWindow();
  void OpenLoadWindow();

  /// The values a save file holds, read from the rooms that own them.
  SavedState CaptureState();
  void ApplyState(const SavedState& state);

  /// `WriteSaveData`, `ReadSaveData` and `LoadChosenFile` of the save game,
  /// for the save and load windows and the tests.
  bool WriteSaveData(std::string_view name, int adv_mode) {
    return save_.WriteSaveData(name, adv_mode);
  }
  ReadResult ReadSaveData(std::string_view name) { return save_.ReadSaveData(name); }
  void LoadChosenFile(std::string_view name, int adv_mode_before) {
    save_.LoadChosenFile(name, adv_mode_before);
  }
  save::SaveFolder& save_folder() { return save_folder_; }

  // The rooms and the state, readable by tests and the debug view.
  const script::InterpreterState& interpreter_state() const { return interp_; }
  script::InterpreterState& interpreter_state() { return interp_; }
  script::VariableTable& variables() { return vars_; }
  const Config& config() const { return config_; }
  const windows::WindowState& window_state() const { return window_state_; }
  const platform::Surface& back_buffer() const { return stage_.back_buffer(); }
  const platform::Surface& display() const { return stage_.display(); }
  display::Stage& stage() { return stage_; }
  display::MessageWindow& message_window() { return message_; }
  Choices& choices() { return choices_; }
  sound::Sound& sound() { return sound_; }
  DebugMonitorState debug_state() const { return debug_state_; }
  const windows::DebugMonitor& debug_monitor() const { return debug_monitor_; }
  int full_screen() const { return full_screen_; }
  PlayerState& player() { return player_; }

 private:
  // The player's layer (main_window_player.cpp).
  bool PlayerKey(int vk_code, bool ctrl);
  void PlayerClicked();
  bool PlayerWheel(int steps);
  void PlayerBeforeStep();
  void PlayerAfterStep();
  void PlayerTextShown(std::string_view text);
  void PlayerTick();
  uint32_t PlayerQuietMs(uint32_t now_ms);
  bool PlayerMovesOn() const;
  bool PlayerSkipping() const;
  bool PlayerHurry() const;
  void PlayerStart();
  void PlayerShutdown();
  void PlayerApplySettings();
  void PlayerNoteChoice();
  size_t PlayerLineNow();
  void PlayerNotice(std::string text);
  void PlayerUpdateBadge();
  void PlayerOpenHistory();
  void PlayerOpenSettings();
  void PlayerQuickSave();
  void PlayerQuickLoad();
  void PlayerScreenshot();
  void PlayerDump(nlohmann::ordered_json& j) const;

  void ConfigurationWriteBack();
  // Sets the keys the write-back writes.
  void FillWriteBack(IniFile& ini);
  // Watches the files in use and reloads once changes have settled.
  void WatchStep();
  std::unique_ptr<platform::Font> OpenFontFromConfig();
  GameRooms Rooms();
  // What the debug monitor shows, read through the saved settings.
  windows::DebugView DebugViewNow();

  platform::Host& host_;
  MainWindowOptions options_;
  // `DialogChoice`, `DialogFileName` and the small windows on the screen.
  windows::WindowState window_state_;
  script::PathResolver paths_;
  // One client for the whole run: a redirect's cookie is kept for later fetches.
  net::HttpClient http_;
  std::string ini_path_;
  Config config_;

  // Shell state.
  DebugMonitorState debug_state_ = DebugMonitorState::kOff;
  bool debug_was_on_ = false;
  int full_screen_ = 0;
  uint32_t tick_time_ = 0;
  std::string main_scenario_;
  std::string end_picture_;
  bool destroyed_ = false;
  bool stepping_ = false;                   // an interpreter step is running (it may pump)
  windows::Question question_;              // `QuestionName`, `QuestionMessage`, `QuestionAnswer`
  bool ending_ = false;                     // the end sequence runs: the game takes no more input
  std::optional<uint32_t> change_seen_ms_;  // --watch: the last change not yet reloaded

  script::InterpreterState interp_;
  script::VariableTable vars_;
  script::Interpreter interpreter_;

  // The rooms, in the order they depend on each other.
  GamePictures pictures_;
  display::Stage stage_;
  display::MessageWindow message_;
  Choices choices_;
  // Mutable: asking the players whether they play changes no game state,
  // and the dump asks.
  mutable sound::Sound sound_;
  save::SaveFolder save_folder_;
  SaveGame save_;

  PlayerState player_;

  // Last: it reads the rooms above while it is open.
  windows::DebugMonitor debug_monitor_;
};

}  // namespace zepa::engine
