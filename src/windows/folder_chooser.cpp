#include "windows/folder_chooser.h"

#include <algorithm>

#include "platform/files.h"
#include "platform/log.h"
#include "platform/system.h"
#include "windows/controls.h"
#include "windows/game_folder.h"
#include "windows/modal.h"

namespace zepa::windows {
namespace {

using platform::Control;
using platform::ControlKind;

constexpr int kClientWidth = 420;
constexpr int kClientHeight = 372;
constexpr int kRecentTop = 46;
constexpr int kRecentStep = 24;
constexpr const char* kGameMark = "[ゲーム] ";

std::string Join(const std::string& dir, const std::string& name) {
  return dir == "/" ? "/" + name : dir + "/" + name;
}

std::string Parent(const std::string& dir) {
  const size_t slash = dir.find_last_of('/');
  return slash == 0 || slash == std::string::npos ? "/" : dir.substr(0, slash);
}

}  // namespace

FolderChooser::FolderChooser(FolderChooserOptions options) : options_(std::move(options)) {
  if (options_.start_dir.empty()) options_.start_dir = ".";
  options_.start_dir = platform::AbsolutePath(options_.start_dir);
  directory_ = options_.start_dir;
  Build();
  Refresh();
}

void FolderChooser::Build() {
  window_.name = "FolderChooser";
  window_.caption = kChooseFolderPrompt;
  window_.client_width = kClientWidth;
  window_.client_height = kClientHeight;
  window_.placement = platform::Placement::kScreenCenter;

  window_.controls.push_back(
      MakeControl("Label_PROMPT", ControlKind::kLabel, {8, 8, 0, 0}, kChooseFolderPrompt));
  window_.controls.push_back(MakeControl(
      "Label_RECENT", ControlKind::kLabel, {8, 28, 0, 0},
      options_.recent.empty() ? "最近遊んだフォルダはありません" : "最近遊んだフォルダ"));
  for (size_t i = 0; i < kRecentButtons; ++i) {
    Control b = MakeControl("Button_RECENT" + std::to_string(i + 1), ControlKind::kButton,
                            {8, kRecentTop + static_cast<int>(i) * kRecentStep, 404, 22});
    if (i < options_.recent.size()) {
      b.text = options_.recent[i];
      b.on_click = [this, dir = options_.recent[i]] { Choose(dir); };
    } else {
      b.visible = false;
    }
    window_.controls.push_back(std::move(b));
  }

  const int browser_top = kRecentTop + static_cast<int>(kRecentButtons) * kRecentStep + 8;
  window_.controls.push_back(
      MakeControl("Label_DIRECTORY", ControlKind::kLabel, {8, browser_top + 4, 336, 14}));
  Control up = MakeControl("Button_UP", ControlKind::kButton, {348, browser_top, 64, 22}, "上へ");
  up.on_click = [this] { Enter(Parent(directory_)); };
  window_.controls.push_back(std::move(up));
  Control list = MakeControl("ListBox_FOLDERS", ControlKind::kList, {8, browser_top + 28, 404, 96});
  list.on_select = [this](int index) {
    if (index >= 0 && index < static_cast<int>(folders_.size()))
      Enter(Join(directory_, folders_[static_cast<size_t>(index)]));
  };
  window_.controls.push_back(std::move(list));

  const int bottom = browser_top + 132;
  window_.controls.push_back(
      MakeControl("Label_FOLDER", ControlKind::kLabel, {8, bottom + 4, 0, 0}, "フォルダ"));
  window_.controls.push_back(MakeControl("Edit_FOLDER", ControlKind::kEdit, {64, bottom, 204, 21}));
  Control ok = MakeControl("Button_OK", ControlKind::kButton, {276, bottom, 64, 23}, "遊ぶ");
  ok.is_default = true;
  ok.on_click = [this] {
    // An empty field plays the folder the browser shows.
    const std::string typed = window_.Find("Edit_FOLDER")->text;
    Choose(typed.empty() ? directory_ : typed);
  };
  window_.controls.push_back(std::move(ok));
  Control cancel =
      MakeControl("Button_CANCEL", ControlKind::kButton, {348, bottom, 64, 23}, "キャンセル");
  cancel.on_click = [this] { Cancel(); };
  window_.controls.push_back(std::move(cancel));
  window_.controls.push_back(
      MakeControl("Label_STATUS", ControlKind::kLabel, {8, bottom + 32, 0, 0}));

  window_.on_escape = [this] { Cancel(); };
  window_.on_close_request = [this] { Cancel(); };
  window_.on_file_answer = [this](const std::optional<std::string>& answer) {
    if (!answer) return Cancel();
    Choose(answer->empty() || platform::IsFullPath(*answer) ? *answer
                                                            : Join(options_.start_dir, *answer));
  };
}

void FolderChooser::Refresh() {
  folders_.clear();
  if (const auto entries = platform::ListFolder(directory_)) {
    for (const platform::DirEntry& e : *entries)
      if (e.kind == platform::PathKind::kDirectory && !e.name.empty() && e.name[0] != '.')
        folders_.push_back(e.name);
  }
  std::sort(folders_.begin(), folders_.end());
  Control* list = window_.Find("ListBox_FOLDERS");
  list->items.clear();
  list->selected = -1;
  // A folder that holds a game is marked, so the player sees where to stop.
  for (const std::string& f : folders_)
    list->items.push_back(HoldsGame(Join(directory_, f)) ? kGameMark + f : f);
  window_.Find("Label_DIRECTORY")->text = directory_;
  window_.Touch();
}

void FolderChooser::Enter(const std::string& dir) {
  if (platform::ProbePath(dir) != platform::PathKind::kDirectory) return;
  directory_ = platform::AbsolutePath(dir);
  window_.Find("Label_STATUS")->text.clear();
  Refresh();
}

void FolderChooser::Choose(const std::string& typed) {
  if (typed.empty()) return;
  // A full path as this system writes one ("C:/..." on Windows), or a name
  // below the folder shown.
  const std::string dir =
      platform::AbsolutePath(platform::IsFullPath(typed) ? typed : Join(directory_, typed));
  Control* status = window_.Find("Label_STATUS");
  if (platform::ProbePath(dir) != platform::PathKind::kDirectory) {
    status->text = "フォルダが見つかりません: " + dir;
  } else if (!HoldsGame(dir)) {
    status->text = "このフォルダにはゲームがありません: " + dir;
  } else {
    result_ = dir;
    window_.Close();
  }
  window_.Touch();
}

void FolderChooser::Cancel() {
  result_.reset();
  window_.Close();
}

std::optional<std::string> RunFolderChooser(platform::Host& host,
                                            const FolderChooserOptions& options) {
  FolderChooser chooser(options);
  WindowState state;
  if (ShowModal(host, chooser.window(), state) != ModalResult::kClosed) return std::nullopt;
  return chooser.result();
}

std::optional<std::string> GameFolderToPlay(platform::Host& host, const std::string& game_dir,
                                            bool remember_named) {
  platform::Files* files = host.FileOps();
  const std::string list = files ? RecentFoldersPath(files->UserDataDir()) : std::string();
  std::optional<std::string> dir;
  if (!game_dir.empty()) {
    dir = game_dir;
  } else {
    FolderChooserOptions options;
    options.recent = ReadRecentFolders(list);
    options.start_dir = ".";
    dir = RunFolderChooser(host, options);
    if (!dir) {
      platform::LogInfo("zepa: no game folder was chosen\n");
      return std::nullopt;
    }
  }
  if (files && (game_dir.empty() || remember_named)) {
    if (const platform::Status kept = RememberFolder(*files, list, *dir); !kept.ok())
      platform::LogWarning("zepa: the folders played last were not written: %s\n",
                           kept.message().c_str());
  }
  return dir;
}

}  // namespace zepa::windows
