// The player's keys and what they do, around the game rather than in it:
// a text wait ends early only the way a click would end it, effects are
// hurried only the way the hurry keys hurry them.
#include <algorithm>
#include <ctime>

#include "display/text_layout.h"
#include "engine/main_window.h"
#include "engine/player_keys.h"
#include "platform/cp932.h"
#include "platform/log.h"
#include "platform/png_encode.h"
#include "windows/history_window.h"
#include "windows/settings_window.h"

namespace zepa::engine {
namespace {

constexpr uint32_t kNoticeMs = 2000;

bool TextWait(int adv_mode) {
  return adv_mode == script::adv::kMoreText || adv_mode == script::adv::kTextEnd;
}

}  // namespace

std::vector<size_t> LineStarts(std::string_view text) {
  std::vector<size_t> starts{0};
  for (size_t i = 0; i < text.size(); ++i)
    if (text[i] == '\n') starts.push_back(i + 1);
  return starts;
}

size_t LineNumberAt(const std::vector<size_t>& line_starts, size_t offset) {
  const auto it = std::upper_bound(line_starts.begin(), line_starts.end(), offset);
  return it == line_starts.begin() ? 0 : static_cast<size_t>(it - line_starts.begin()) - 1;
}

bool IsTextLine(std::string_view text, size_t offset) {
  if (offset >= text.size()) return false;
  const size_t end = text.find('\n', offset);
  return text.substr(offset, end == std::string_view::npos ? end : end - offset).find("[text") !=
         std::string_view::npos;
}

std::string BadgeText(bool skip, bool auto_on, const std::string& notice) {
  std::string out;
  if (skip) out = "SKIP";
  if (auto_on) out += out.empty() ? "AUTO" : " AUTO";
  if (!notice.empty()) out += out.empty() ? notice : "  " + notice;
  return out;
}

bool MainWindow::PlayerSkipping() const {
  return player_.skip_toggled || host_.IsHeld(platform::HeldKey::kControl);
}

bool MainWindow::PlayerHurry() const { return player_.hurry_allowed && PlayerSkipping(); }

void MainWindow::PlayerStart() {
  host_.SetHurrySource([this] { return PlayerHurry(); });
  {
    using namespace platform::vk;
    // The game drops the keys pressed during its effects; the player's
    // keys are none of the game's, and a quick load pressed during a text
    // reveal is meant all the same.
    host_.SetKeptKeys({kPageUp, kTab, 'A', kF2, kF5, kF9, kF12});
  }
  player_.marks = player::LoadReadMarks(options_.player_paths.read_marks);
  player_.settings = player::LoadSettings(options_.player_paths.settings);
  player_.settings_on_disk = player_.settings;
  const player::Settings& s = player_.settings;
  host_.RestoreWindowLook({s.window_width, s.window_height, s.window_maximized});
  PlayerApplySettings();
}

void MainWindow::PlayerShutdown() {
  host_.SetHurrySource({});
  host_.SetKeptKeys({});
  // The window's size is kept as the player left it; the file is written
  // only when something differs from it (a run ended with the Settings
  // window open, too).
  if (const std::optional<platform::WindowLook> look = host_.CurrentWindowLook()) {
    player_.settings.window_width = look->width;
    player_.settings.window_height = look->height;
    player_.settings.window_maximized = look->maximized;
  }
  if (!(player_.settings == player_.settings_on_disk)) {
    player::WritePlayerFile(host_.FileOps(), options_.player_paths.settings,
                            player::FormatSettings(player_.settings));
    player_.settings_on_disk = player_.settings;
  }
  if (player_.marks.changed())
    player::WritePlayerFile(host_.FileOps(), options_.player_paths.read_marks,
                            player_.marks.Serialize());
}

void MainWindow::PlayerApplySettings() {
  message_.SetSpeedPercent(player_.settings.text_speed_percent);
  sound_.SetPlayerVolumes(player_.settings.music_volume_percent,
                          player_.settings.effect_volume_percent);
  if (player_.scaling_applied != player_.settings.scaling) {
    host_.SetScaleMode(player_.settings.scaling);
    player_.scaling_applied = player_.settings.scaling;
  }
}

bool MainWindow::PlayerKey(int vk_code, bool ctrl) {
  using namespace platform::vk;
  if (ctrl && vk_code != kTab) return false;
  switch (vk_code) {
    case kPageUp:
      PlayerOpenHistory();
      break;
    case kTab:
      // Where the player must act, there is nothing to skip.
      player_.skip_toggled = !player_.skip_toggled && interp_.adv_mode != script::adv::kChoice &&
                             interp_.adv_mode != script::adv::kMousePosition;
      break;
    case 'A':
      player_.auto_on = !player_.auto_on;
      player_.auto_since_ms.reset();
      break;
    case kF2:
      PlayerOpenSettings();
      break;
    case kF5:
      PlayerQuickSave();
      break;
    case kF9:
      PlayerQuickLoad();
      break;
    case kF12:
      PlayerScreenshot();
      break;
    default:
      return false;
  }
  player_.used = true;
  PlayerUpdateBadge();
  return true;
}

void MainWindow::PlayerClicked() {
  if (!player_.auto_on) return;
  player_.auto_on = false;
  PlayerUpdateBadge();
}

bool MainWindow::PlayerWheel(int steps) {
  if (steps <= 0) return false;
  player_.used = true;
  PlayerOpenHistory();
  return true;
}

void MainWindow::PlayerNoteChoice() {
  if (interp_.adv_mode == script::adv::kChoice) player_.choice_options = choices_.select_text();
  if (player_.last_adv_mode == script::adv::kChoice && interp_.adv_mode != script::adv::kChoice &&
      player_.last_generation == interp_.game_generation) {
    const std::vector<std::string_view> options = display::SplitPageLines(player_.choice_options);
    const int k = choices_.select_now();
    if (k >= 1 && static_cast<size_t>(k) <= options.size())
      player_.history.AddChoice(options[static_cast<size_t>(k) - 1]);
  }
  player_.last_adv_mode = interp_.adv_mode;
  player_.last_generation = interp_.game_generation;
}

void MainWindow::PlayerBeforeStep() {
  PlayerNoteChoice();
  // Skipping hurries what the step shows, except text not yet read, which
  // the player sees as it comes.
  player_.hurry_allowed =
      interp_.current_line &&
      (player_.settings.skip_unread || !IsTextLine(interp_.scenario_text, *interp_.current_line) ||
       player_.marks.IsRead(interp_.scenario_name, PlayerLineNow()));
}

void MainWindow::PlayerAfterStep() { player_.hurry_allowed = false; }

size_t MainWindow::PlayerLineNow() {
  if (player_.lines_generation != interp_.game_generation) {
    player_.line_starts = LineStarts(interp_.scenario_text);
    player_.lines_generation = interp_.game_generation;
  }
  return LineNumberAt(player_.line_starts, interp_.current_line.value_or(0));
}

void MainWindow::PlayerTextShown(std::string_view text) {
  player_.history.AddPage(text);
  player_.text_shown = std::string(text);
  ++player_.text_serial;
  player_.auto_since_ms.reset();
  const size_t line = PlayerLineNow();
  player_.text_was_read = player_.marks.IsRead(interp_.scenario_name, line);
  player_.marks.Mark(interp_.scenario_name, line);
}

void MainWindow::PlayerTick() {
  PlayerNoteChoice();
  const int mode = interp_.adv_mode;
  // Skip and auto end where the player must act.
  if (mode == script::adv::kChoice || mode == script::adv::kMousePosition) {
    if (player_.skip_toggled || player_.auto_on) {
      player_.skip_toggled = false;
      player_.auto_on = false;
    }
  } else if (TextWait(mode) && !stepping_) {
    const uint32_t now = host_.NowMs();
    if (PlayerSkipping()) {
      player_.used = true;
      if (player_.text_was_read || player_.settings.skip_unread) {
        player_.hurry_allowed = true;
        message_.ContinueText();
        player_.hurry_allowed = false;
      } else {
        player_.skip_toggled = false;  // new text: the player reads it
      }
    } else if (player_.auto_on) {
      if (!player_.auto_since_ms || player_.auto_serial != player_.text_serial) {
        player_.auto_since_ms = now;
        player_.auto_serial = player_.text_serial;
      }
      if (now - *player_.auto_since_ms >= AutoDelayMs(player_.settings, player_.text_shown)) {
        player_.auto_since_ms.reset();
        message_.ContinueText();
      }
    }
  }
  if (!player_.notice.empty() && static_cast<int32_t>(host_.NowMs() - player_.notice_until_ms) >= 0)
    player_.notice.clear();
  PlayerUpdateBadge();
}

uint32_t MainWindow::PlayerQuietMs(uint32_t now_ms) {
  uint32_t quiet = kQuietForever;
  if (!player_.notice.empty())
    quiet = std::max<int32_t>(0, static_cast<int32_t>(player_.notice_until_ms - now_ms));
  if (!TextWait(interp_.adv_mode)) return quiet;
  if (PlayerSkipping()) return 0;
  if (player_.auto_on) {
    if (!player_.auto_since_ms || player_.auto_serial != player_.text_serial) return 0;
    const uint32_t due = *player_.auto_since_ms + AutoDelayMs(player_.settings, player_.text_shown);
    quiet = std::min<uint32_t>(quiet, std::max<int32_t>(0, static_cast<int32_t>(due - now_ms)));
  }
  return quiet;
}

bool MainWindow::PlayerMovesOn() const {
  return TextWait(interp_.adv_mode) && (player_.auto_on || PlayerSkipping());
}

void MainWindow::PlayerNotice(std::string text) {
  player_.notice = std::move(text);
  player_.notice_until_ms = host_.NowMs() + kNoticeMs;
  PlayerUpdateBadge();
}

void MainWindow::PlayerUpdateBadge() {
  const std::string text = BadgeText(PlayerSkipping(), player_.auto_on, player_.notice);
  if (text == player_.badge_shown) return;
  player_.badge_shown = text;
  if (text.empty()) {
    host_.ShowBadge(0, 0, platform::Surface());
    return;
  }
  // Wide enough for the message font's half-width letters.
  const int width = 12 * static_cast<int>(text.size()) + 12;
  platform::Surface badge(width, 26, 0x202020);
  message_.DrawTextAt(badge, 6, 2, text, 0x40e0ff);
  host_.ShowBadge(kScreenWidth - width - 4, 4, badge);
}

void MainWindow::PlayerOpenHistory() {
  if (ending_) return;
  const auto timer = StopTimerForScope(host_);
  windows::ShowHistory(host_, window_state_, player_.history.Lines(), player_.settings.large_font);
}

void MainWindow::PlayerOpenSettings() {
  if (ending_) return;
  const auto timer = StopTimerForScope(host_);
  const player::Settings before = player_.settings;
  windows::SettingsActions actions;
  actions.apply = [this] { PlayerApplySettings(); };
  actions.full_screen = [this] { return full_screen_ != 0; };
  actions.toggle_full_screen = [this] {
    if (full_screen_) {
      LeaveFullScreen();
    } else {
      EnterFullScreen();
    }
  };
  windows::ShowSettings(host_, window_state_, player_.settings, std::move(actions));
  if (!(player_.settings == before)) {
    player::WritePlayerFile(host_.FileOps(), options_.player_paths.settings,
                            player::FormatSettings(player_.settings));
    player_.settings_on_disk = player_.settings;
  }
}

void MainWindow::PlayerQuickSave() {
  if (ending_) return;
  // As the S key's window: a disabled save stays disabled, a save allowed
  // once is used up.
  using script::SavePermission;
  if (interp_.save_allowed == SavePermission::kDisabled) {
    PlayerNotice("Saving is not allowed here");
    return;
  }
  if (interp_.save_allowed == SavePermission::kNextWindowOnly)
    interp_.save_allowed = SavePermission::kDisabled;
  const int recorded =
      interp_.adv_mode == script::adv::kBusy ? script::adv::kRun : interp_.adv_mode;
  PlayerNotice(save_.WriteSaveData(kQuickSaveName, recorded) ? "Quick saved" : "Quick save failed");
}

void MainWindow::PlayerQuickLoad() {
  if (ending_) return;
  const int before = interp_.adv_mode;
  if (save_.ReadSaveData(kQuickSaveName) != ReadResult::kRestored) {
    interp_.adv_mode = before;
    PlayerNotice("No quick save to load");
    return;
  }
  PlayerNotice("Quick loaded");
}

void MainWindow::PlayerScreenshot() {
  const std::string& dir = options_.player_paths.screenshots;
  if (dir.empty()) {
    PlayerNotice("No folder for screenshots");
    return;
  }
  const std::optional<std::string> png =
      platform::EncodePng(platform::ScaledUp(stage_.display(), host_.WindowScale()));
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
  std::string path = dir + "/" + options_.game_name + "-" + stamp + ".png";
  // Two shots in one second get numbers rather than replacing each other.
  for (int n = 2; platform::ProbePath(path) != platform::PathKind::kMissing && n < 100; ++n)
    path = dir + "/" + options_.game_name + "-" + stamp + "-" + std::to_string(n) + ".png";
  platform::Files* files = host_.FileOps();
  platform::Status written = files ? files->CreateDirectories(dir) : platform::Status();
  if (written.ok() && png) written = platform::WriteNewFile(path, *png);
  if (!png || !written.ok()) {
    platform::LogWarning("zepa: screenshot not written: %s\n", written.message().c_str());
    PlayerNotice("Screenshot failed");
    return;
  }
  PlayerNotice("Screenshot saved");
}

void MainWindow::PlayerDump(nlohmann::ordered_json& j) const {
  if (!player_.used) return;
  nlohmann::ordered_json pages = nlohmann::ordered_json::array();
  for (const std::string& page : player_.history.PageTexts())
    pages.push_back(platform::Cp932ToUtf8(page));
  j["history"] = pages;
  j["skip"] = player_.skip_toggled || host_.IsHeld(platform::HeldKey::kControl) ? 1 : 0;
  j["auto"] = player_.auto_on ? 1 : 0;
  j["read_lines"] = player_.marks.count();
}

}  // namespace zepa::engine
