#pragma once
// The open and save file dialogs of the save and load windows, built on the
// window toolkit: the directory's entries, a name field and the filter list.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/host.h"
#include "platform/tool_window.h"
#include "windows/modal.h"

namespace zepa::windows {

/// One entry of a filter list: "ゲームデータ" with the patterns {"*.kvd"}.
struct FileFilter {
  std::string description;
  std::vector<std::string> patterns;
};

/// Reads a filter written as the old dialogs took it, description and
/// patterns alternating between "|", patterns separated by ";":
/// "ロード可能なデータ|*.kvd;*.kvs|ゲームデータ|*.kvd". A description without
/// patterns matches every file.
std::vector<FileFilter> ParseFilter(std::string_view filter);

/// `*` and `?` wildcards, letters compared without regard to case as the
/// old file system did.
bool MatchesPattern(std::string_view name, std::string_view pattern);

struct FileDialogOptions {
  enum class Mode { kOpen, kSave };
  Mode mode = Mode::kOpen;
  std::string name = "OpenDialog1";  ///< the window's name for the driver and dumps
  std::string title;                 ///< caption; empty gives the mode's own
  std::string filter;                ///< as ParseFilter reads it (UTF-8)
  std::string default_ext;           ///< without the dot ("kvd"), or empty
  std::string directory;             ///< where the dialog starts (file system path)
  /// Scripted answers name files relative to this (the game directory);
  /// empty means `directory`.
  std::string answer_base;
};

/// What the dialog shows and does; RunFileDialog wraps it in a modal loop.
class FileDialog {
 public:
  explicit FileDialog(FileDialogOptions options);
  // The window's handlers point back here.
  FileDialog(const FileDialog&) = delete;
  FileDialog& operator=(const FileDialog&) = delete;
  platform::ToolWindow& window() { return window_; }
  /// The chosen file's full path, once the dialog has closed with one.
  const std::optional<std::string>& result() const { return result_; }

  /// Lists the directory into the entry list, by the filter chosen now.
  void Refresh();
  /// Enters `directory` (a full path).
  void Enter(const std::string& directory);
  /// The OK button: takes the name field as a file (or a directory to enter).
  void Accept();
  /// Takes `path` as the OK button would with it in the name field; a
  /// relative path counts from `answer_base`.
  void AcceptPath(const std::string& path);
  void Cancel();
  const std::string& directory() const { return directory_; }

 private:
  void Build();
  void Choose(const std::string& path);
  void SetStatus(std::string text);

  FileDialogOptions options_;
  std::vector<FileFilter> filters_;
  int filter_index_ = 0;
  std::string directory_;
  // Entry list rows: the names shown, and whether each is a directory.
  std::vector<std::string> entries_;
  std::vector<bool> entry_is_dir_;
  platform::ToolWindow window_;
  std::optional<std::string> result_;
};

/// Shows the dialog modally. Returns the chosen file's full path as the
/// file system spells it, or nullopt when the player cancelled (or the run
/// ended while it was open).
std::optional<std::string> RunFileDialog(platform::Host& host, WindowState& state,
                                         const FileDialogOptions& options);

}  // namespace zepa::windows
