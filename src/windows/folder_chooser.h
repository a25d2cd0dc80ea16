#pragma once
// The folder chooser the program opens when it is started without a game
// (from the desktop's menu): the folders played last as buttons, and a
// folder browser for any other.
#include <optional>
#include <string>
#include <vector>

#include "platform/host.h"
#include "platform/tool_window.h"

namespace zepa::windows {

/// The chooser's caption and prompt.
inline constexpr const char* kChooseFolderPrompt = "ゲームのフォルダを選んでください";

/// How many of the folders played last get a button.
constexpr size_t kRecentButtons = 5;

struct FolderChooserOptions {
  std::vector<std::string> recent;  ///< newest first
  std::string start_dir;            ///< where the browser starts; a relative answer counts from it
};

class FolderChooser {
 public:
  explicit FolderChooser(FolderChooserOptions options);
  // The window's handlers point back here.
  FolderChooser(const FolderChooser&) = delete;
  FolderChooser& operator=(const FolderChooser&) = delete;
  platform::ToolWindow& window() { return window_; }
  /// The chosen game folder, once the chooser closed with one.
  const std::optional<std::string>& result() const { return result_; }
  const std::string& directory() const { return directory_; }

  /// Shows the folder `dir` (a full path) in the browser.
  void Enter(const std::string& dir);
  /// Closes with `dir` when it holds a game; else says so and stays open.
  /// A relative `dir` counts from the browser's folder.
  void Choose(const std::string& dir);
  void Cancel();

 private:
  void Build();
  void Refresh();

  FolderChooserOptions options_;
  std::string directory_;
  std::vector<std::string> folders_;  // the browser's rows
  platform::ToolWindow window_;
  std::optional<std::string> result_;
};

/// Shows the chooser modally: the chosen folder, or nullopt when the player
/// cancelled or the run ended first.
std::optional<std::string> RunFolderChooser(platform::Host& host,
                                            const FolderChooserOptions& options);

/// The game folder a run plays: `game_dir` when the command line named one,
/// else the folder the player picks in the chooser (nullopt: none picked).
/// A picked folder goes first in the list of folders played, and so does a
/// named one when `remember_named` (a window run; a headless one is a test
/// and leaves the player's list alone).
std::optional<std::string> GameFolderToPlay(platform::Host& host, const std::string& game_dir,
                                            bool remember_named);

}  // namespace zepa::windows
