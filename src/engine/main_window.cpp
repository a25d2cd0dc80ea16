#include "engine/main_window.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "engine/end_screen.h"
#include "engine/ini_file.h"
#include "engine/limits.h"
#include "engine/player_config.h"
#include "engine/scenario_file.h"
#include "platform/ascii.h"
#include "platform/cp932.h"
#include "platform/log.h"
#include "script/file_names.h"
#include "script/scenario.h"

namespace zepa::engine {
namespace {

static_assert(kScreenWidth == display::kStageWidth && kScreenHeight == display::kStageHeight);

// The extension test of start-up and the file windows: from the last dot of
// the file name, its first four characters compared without regard to case.
bool HasExtension(std::string_view name, std::string_view ext) {
  return platform::EqualsNoCase(script::FileExtension(name).substr(0, 4), ext);
}

}  // namespace

MainWindow::MainWindow(platform::Host& host, MainWindowOptions options)
    : host_(host),
      options_(std::move(options)),
      paths_(options_.game_dir),
      http_(host.Net()),
      interpreter_(interp_, vars_, *this),
      pictures_(paths_),
      stage_(host, pictures_, interp_.adv_mode),
      message_(host, stage_.display(), stage_.back_buffer(), pictures_, interp_.adv_mode),
      choices_(message_, stage_.display(), vars_, interp_.adv_mode),
      sound_(host, options_.media, [this](std::string_view n) { return paths_.Resolve(n); }),
      save_folder_(host.FileOps(), paths_),
      save_(host, save_folder_, GameRooms{interp_, stage_, message_, choices_, sound_}, vars_,
            *this),
      debug_monitor_(
          host, window_state_, [this] { return DebugViewNow(); },
          [this](std::string_view name) { return paths_.Resolve(name); }) {
  save_folder_.SetSaveDir(options_.save_dir);
  sound_.SetDisplay(&stage_.display());
  paths_.sjis_to_utf8 = [](std::string_view s) { return platform::Cp932ToUtf8(s); };
  ini_path_ = paths_.Resolve(kIniName);
  vars_.tick_count = [this] { return host_.NowMs(); };
  vars_.music_playing = [this] { return sound_.MusicPlaying(); };
  // Flip and fade replace the display, and the message text on it with it.
  stage_.SetDisplayReplacedHandler([this] { message_.ForgetText(); });
}

// The host outlives the window: it must not ask a window that is gone.
MainWindow::~MainWindow() { host_.SetHurrySource({}); }

uint32_t MainWindow::NowMs() { return host_.NowMs(); }

bool MainWindow::PumpUntil(uint32_t deadline_ms) { return host_.Pump(true, deadline_ms); }

GameRooms MainWindow::Rooms() { return GameRooms{interp_, stage_, message_, choices_, sound_}; }

SavedState MainWindow::CaptureState() { return CaptureSavedState(Rooms()); }

windows::DebugView MainWindow::DebugViewNow() {
  const SavedState saved = CaptureState();
  windows::DebugView v;
  v.tick_time_ms = tick_time_;
  v.wait_remaining = interp_.wait_remaining;
  v.until_target = interp_.until_target;
  v.save_allowed = interp_.save_allowed;
  v.scene_name = saved.scene;
  v.scenario_text = interp_.scenario_text;
  v.current_line = saved.now;
  v.picture_path = saved.picture;
  v.character_record = saved.chara;
  v.character_count = stage_.character_count();
  // The names as the sound room holds them, played out or not (a save
  // records them only while they play).
  v.music_name = sound_.music_name();
  v.music_loop = sound_.music_loop();
  v.effect_name = sound_.effect_name();
  v.effect_loop = sound_.effect_loop();
  v.scenario_name = saved.script;
  v.variables = &vars_;
  return v;
}

void MainWindow::ApplyState(const SavedState& state) {
  GameRooms rooms = Rooms();
  ApplySavedState(state, rooms);
}

void MainWindow::ResetState() {
  interp_.ResetGameDefaults();
  sound_.ResetState();
  stage_.Reset();
  message_.Reset();
  choices_.Reset();
  vars_.Reset(options_.random_seed ? *options_.random_seed
                                   : static_cast<uint32_t>(std::time(nullptr)));
}

void MainWindow::Start() {
  interp_.go_target.clear();
  interp_.window_request = script::WindowRequest::kNone;
  interp_.adv_mode = script::adv::kBusy;
  interp_.scenario_text.clear();
  interp_.current_line.reset();
  ResetState();

  IniFile ini = IniFile::Load(ini_path_);
  const std::string own = PlayerConfigPath(host_.FileOps(), paths_.game_dir());
  if (!own.empty()) OverlayPlayerConfig(ini, IniFile::Load(own));
  const platform::ScreenSize screen = host_.GetScreenSize();
  config_ = ReadConfig(ini, screen.width, screen.height);
  if (!options_.font_file.empty()) config_.font_file = options_.font_file;
  pictures_.SetDataFile(config_.data_file);
  debug_state_ = config_.debug != 0 ? DebugMonitorState::kOpening : DebugMonitorState::kOff;
  debug_was_on_ = debug_state_ != DebugMonitorState::kOff;
  // The master level is our own output gain, so it comes from the
  // configuration rather than before it.
  sound_.SetCdDrive(config_.cd_drive);
  sound_.SetEndMusic(Bounded(config_.end_bgm, 512));
  sound_.Startup(config_.volume);
  end_picture_ = Bounded(config_.end_pic, 512);

  full_screen_ = config_.full_screen;
  if (screen.width == kScreenWidth && screen.height == kScreenHeight) full_screen_ = 1;
  if (full_screen_) {
    host_.SetWindowPosition(0, 0);
  } else {
    host_.SetWindowPosition(config_.pos_left, config_.pos_top);
  }
  if (full_screen_ && debug_state_ == DebugMonitorState::kOff) {
    if (!host_.SetFullScreen(true)) full_screen_ = 0;
  }

  main_scenario_ = Bounded(config_.scenario, script::kNameBytes);
  interp_.scenario_name = main_scenario_;
  display::MessageLayout layout;
  layout.geometry = display::ClampMessageGeometry(config_.message_line, config_.message_mojisuu,
                                                  config_.message_width, config_.interval);
  layout.x = config_.message_x;
  layout.y = config_.message_y;
  layout.icon_x = config_.message_px;
  layout.icon_y = config_.message_py;
  choices_.Configure(config_.select_x);
  host_.SetCaption(kCaption);
  stage_.back_buffer().Fill(0xffffff);
  stage_.display().Fill(0xffffff);
  stage_.Repaint();
  message_.Configure(layout, config_.text_wait, OpenFontFromConfig());
  message_.LoadWaitIcons();
  PlayerStart();

  for (const std::string& arg : options_.args) {
    if (HasExtension(arg, ".kvs")) {
      interp_.scenario_name = Bounded(arg, script::kNameBytes);
      break;
    }
    if (HasExtension(arg, ".kvd")) {
      // The save file restores adv_mode itself. One that cannot be read is
      // reported and the game starts as it would without it.
      const platform::Result<std::vector<uint8_t>> bytes = save_folder_.ReadSaveFile(arg);
      if (!bytes.ok()) {
        const std::string message = "Cannot read the save file " + bytes.message();
        platform::LogError("zepa: %s\n", message.c_str());
        host_.ShowError(message);
      } else if (save_.ApplySaveBytes(*bytes) == ReadResult::kRestored) {
        return;
      }
      break;
    }
  }

  switch (LoadScenario(interp_.scenario_name)) {
    case script::LoadOutcome::kLoaded:
      break;
    case script::LoadOutcome::kFailed:
      EndSequence();
      return;
    case script::LoadOutcome::kRaised:
      return;  // reported; the window stays white and the interpreter idle
  }
  interp_.adv_mode = script::adv::kRun;
}

std::unique_ptr<platform::Font> MainWindow::OpenFontFromConfig() {
  if (!options_.open_font) return nullptr;
  platform::FontRequest request;
  if (!config_.font_file.empty()) request.file_path = paths_.Resolve(config_.font_file);
  auto opened = options_.open_font(request);
  if (!opened.ok()) {
    host_.ShowError(opened.message());
    return nullptr;
  }
  return std::move(*opened);
}

script::LoadOutcome MainWindow::LoadScenario(const std::string& name) {
  if (name.empty()) return script::LoadOutcome::kFailed;
  script::DecodedScenario decoded;
  // Not a file name but an address the client cannot fetch; read as a
  // file it would only be reported missing.
  if (platform::StartsWithNoCase(name, "https:")) {
    host_.ShowError("HTTPS is not supported: " + name);
    return script::LoadOutcome::kRaised;
  }
  if (platform::StartsWithNoCase(name, "http:")) {
    net::FetchOptions options;
    // Waiting for the server keeps the window alive: input and the timer are
    // dispatched as they fall due, without blocking.
    options.pump = [this] { return host_.Pump(true, host_.NowMs()); };
    options.on_failure = [this] { EndSequence(); };
    const net::FetchResult fetched = http_.Get(name, options);
    if (fetched.cancelled) return script::LoadOutcome::kRaised;
    if (!fetched.error.empty()) {
      host_.ShowError(fetched.error);
      return script::LoadOutcome::kRaised;
    }
    // The failure event has run the end screen; the error page is no scenario.
    if (fetched.failure) return script::LoadOutcome::kRaised;
    decoded = script::DecodeScenarioBody(fetched.body);
  } else {
    const ScenarioFile file = ReadScenarioFile(paths_.Resolve(name));
    switch (file.status) {
      case ScenarioFile::Status::kRead:
        break;
      case ScenarioFile::Status::kMissing:
        host_.ShowError(file.message);
        return script::LoadOutcome::kRaised;
      case ScenarioFile::Status::kTooLarge:
        host_.ShowError(file.message);
        return script::LoadOutcome::kFailed;
      case ScenarioFile::Status::kUnreadable:
        return script::LoadOutcome::kFailed;
    }
    decoded = script::DecodeScenarioFile(file.bytes);
  }

  interp_.scenario_text = std::move(decoded.text);
  stage_.FillBuffer(0xffffff);
  stage_.FadeToBuffer(500);
  if (decoded.encoded) {
    if (debug_state_ == DebugMonitorState::kOpening) debug_state_ = DebugMonitorState::kOff;
    if (debug_state_ == DebugMonitorState::kOpen) debug_state_ = DebugMonitorState::kClosing;
  }
  interp_.current_line = 0;
  interp_.scenario_name = Bounded(name, script::kNameBytes);
  ++interp_.game_generation;
  return script::LoadOutcome::kLoaded;
}

void MainWindow::Tick() {
  if (ending_) return;
  tick_time_ = host_.NowMs();
  if (debug_state_ == DebugMonitorState::kOpening) {
    debug_monitor_.Open(config_.debug_x, config_.debug_y);
    debug_state_ = DebugMonitorState::kOpen;
  }
  if (debug_state_ == DebugMonitorState::kClosing) {
    debug_monitor_.Close();
    debug_state_ = DebugMonitorState::kOff;
  }
  sound_.FadeStep();
  if (options_.watch && !stepping_) WatchStep();

  if (interp_.adv_mode == script::adv::kRun && !stepping_) {
    stepping_ = true;
    PlayerBeforeStep();
    interpreter_.Step();
    PlayerAfterStep();
    stepping_ = false;
  }

  if (interp_.go_target == "#MENU") {
    stage_.FillBuffer(0xffffff);
    stage_.ForgetCharacters();
    message_.HideWaitIcon();
    stage_.DrawFrame();
    stage_.FadeToBuffer(500);
    interp_.adv_mode = script::adv::kRun;
  }
  if (!interp_.go_target.empty()) {
    if (auto line = script::FindLabel(interp_.scenario_text, interp_.go_target))
      interp_.current_line = *line;
    interp_.go_target.clear();
  }
  switch (interp_.window_request) {
    case script::WindowRequest::kNone:
      break;
    case script::WindowRequest::kSave:
      OpenSaveWindow();
      break;
    case script::WindowRequest::kLoad:
      OpenLoadWindow();
      break;
    case script::WindowRequest::kSaveLoad:
      OpenSaveLoadWindow();
      break;
  }
  interp_.window_request = script::WindowRequest::kNone;
  message_.BlinkWaitIcon();
  PlayerTick();
}

void MainWindow::EndSequence() {
  if (ending_) return;
  // From here on no tick steps the interpreter and no input reaches the
  // game: the sequence is the last thing it does.
  ending_ = true;
  interp_.adv_mode = script::adv::kBusy;
  RunEndSequence(host_, stage_, sound_, pictures_, end_picture_);
  host_.Close();
}

void MainWindow::OnTimer() { Tick(); }

uint32_t MainWindow::TimerQuietMs(uint32_t now_ms) {
  if (ending_) return kQuietForever;
  const uint32_t player_ms = PlayerQuietMs(now_ms);
  if (player_ms == 0) return 0;
  // The monitor shows every tick's time; a fade steps on every tick; a
  // step that pumps (a movie, a question) may be moved on by any tick; the
  // interpreter steps on every tick while it runs. A timed wait pumps until
  // its own end, and the ticks meanwhile find its step running and change
  // nothing: they run late, on their own clocks, when it wakes.
  const bool timed_wait = stepping_ && interp_.wait_remaining > 0;
  if (debug_state_ != DebugMonitorState::kOff || sound_.fade_level() != 0 ||
      (stepping_ && !timed_wait))
    return 0;
  // Watched files are looked at every few ticks, and a change waits to settle.
  if (options_.watch && change_seen_ms_) return 0;
  if (interp_.adv_mode == script::adv::kRun) return 0;
  if (!interp_.go_target.empty() || interp_.window_request != script::WindowRequest::kNone)
    return 0;
  const std::optional<uint32_t> blink_ms = message_.BlinkQuietMs(now_ms);
  const uint32_t quiet = std::min(blink_ms ? *blink_ms : kQuietForever, player_ms);
  return options_.watch ? std::min(quiet, kWatchPollMs) : quiet;
}

void MainWindow::OnCloseRequest() { host_.Close(); }

bool MainWindow::IdleForPlayer() const {
  if (stepping_ || !interp_.go_target.empty() ||
      interp_.window_request != script::WindowRequest::kNone || PlayerMovesOn())
    return false;
  switch (interp_.adv_mode) {
    case script::adv::kRun:
      return !interp_.current_line || *interp_.current_line >= interp_.scenario_text.size();
    case script::adv::kBusy:
      return true;  // left busy by an error: only a restart moves it
    default:
      return true;  // a text, choice or click wait
  }
}

void MainWindow::Run(const std::function<void()>& before_destroy) {
  host_.SetHandler(this);
  host_.SetTimerIntervalMs(50);
  host_.SetTimerEnabled(true);
  while (!host_.Closed()) {
    if (host_.OutOfScriptedInput() && IdleForPlayer()) break;
    if (!host_.Pump(false, 0)) break;
  }
  if (before_destroy) before_destroy();
  Shutdown();
}

void MainWindow::Shutdown() {
  if (destroyed_) return;
  destroyed_ = true;
  if (full_screen_) host_.SetFullScreen(false);
  if (options_.write_config) ConfigurationWriteBack();
  PlayerShutdown();
  debug_monitor_.Close();
  sound_.Shutdown();
}

void MainWindow::ConfigurationWriteBack() {
  // The profile functions read and rewrite the file key by key, so edits
  // made to it while the game ran are kept.
  IniFile ini = IniFile::Load(ini_path_);
  FillWriteBack(ini);
  platform::Status saved = ini.Save(ini_path_);
  if (saved.ok()) return;
  // A game installed read-only keeps the player's settings in the
  // player's own folder.
  const std::string own = PlayerConfigPath(host_.FileOps(), paths_.game_dir());
  if (!own.empty()) {
    IniFile mine = IniFile::Load(own);
    FillWriteBack(mine);
    const std::string folder = own.substr(0, own.find_last_of('/'));
    saved = host_.FileOps()->CreateDirectories(folder);
    if (saved.ok()) saved = mine.Save(own);
    if (saved.ok()) return;
  }
  platform::LogError("zepa: the configuration was not written back: %s\n", saved.message().c_str());
}

void MainWindow::FillWriteBack(IniFile& ini) {
  const bool debug_on =
      debug_state_ == DebugMonitorState::kOpening || debug_state_ == DebugMonitorState::kOpen;
  ini.SetInt("SCREEN", "FULL", full_screen_);
  ini.Set("END", "BGM", config_.end_bgm);
  ini.Set("END", "PIC", config_.end_pic);
  ini.Set("BGM", "CDDRIVE", config_.cd_drive);
  if (debug_on) {
    ini.SetInt("SYSTEM", "DEBUG", 1);
  } else if (debug_was_on_) {
    // A monitor switched off by an encoded scenario stays off next time.
    ini.SetInt("SYSTEM", "DEBUG", 0);
  }
  ini.SetInt("TEXT", "TELOWAIT", message_.text_wait());
  ini.Set("FILE", "DATA", config_.data_file);
  int left = config_.pos_left, top = config_.pos_top;
  if (!full_screen_) host_.GetWindowPosition(&left, &top);
  ini.SetInt("POS", "TOP", top);
  ini.SetInt("POS", "LEFT", left);
  if (debug_on) {
    // Where the player left the monitor; a monitor not yet opened keeps
    // the configured place.
    const bool shown = debug_monitor_.is_open();
    ini.SetInt("SYSTEM", "DEBUG_X", shown ? debug_monitor_.left() : config_.debug_x);
    ini.SetInt("SYSTEM", "DEBUG_Y", shown ? debug_monitor_.top() : config_.debug_y);
  }
  ini.SetInt("MAIN", "SCENARIOSET", config_.scenario_set);
  std::string scenario = main_scenario_;
  if (config_.scenario_set != 0) {
    if (platform::StartsWithNoCase(interp_.scenario_name, "http:")) {
      scenario = interp_.scenario_name;
    } else {
      scenario = paths_.RelativeToGame(paths_.Resolve(interp_.scenario_name));
    }
  }
  ini.Set("MAIN", "SCENARIO", scenario);
  ini.SetInt("MESSAGE", "INTERVAL", config_.interval);
}

}  // namespace zepa::engine
