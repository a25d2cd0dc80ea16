#include "windows/file_dialog.h"

#include <algorithm>

#include "platform/files.h"
#include "platform/path_names.h"
#include "windows/controls.h"

namespace zepa::windows {
namespace {

using platform::Control;
using platform::ControlKind;

constexpr int kClientWidth = 360;
constexpr int kClientHeight = 250;
constexpr const char* kDirMark = "[フォルダ] ";

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

std::vector<std::string_view> Split(std::string_view s, char sep) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  for (;;) {
    const size_t at = s.find(sep, start);
    parts.push_back(
        s.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start));
    if (at == std::string_view::npos) break;
    start = at + 1;
  }
  return parts;
}

}  // namespace

std::vector<FileFilter> ParseFilter(std::string_view filter) {
  std::vector<FileFilter> filters;
  if (filter.empty()) return filters;
  const std::vector<std::string_view> parts = Split(filter, '|');
  for (size_t i = 0; i < parts.size(); i += 2) {
    FileFilter f;
    f.description = std::string(parts[i]);
    if (i + 1 < parts.size()) {
      for (std::string_view p : Split(parts[i + 1], ';'))
        if (!p.empty()) f.patterns.emplace_back(p);
    }
    filters.push_back(std::move(f));
  }
  return filters;
}

bool MatchesPattern(std::string_view name, std::string_view pattern) {
  // Iterative wildcard matching with one backtrack point: linear enough
  // for file names, and no recursion on hostile patterns.
  size_t n = 0, p = 0, star = std::string_view::npos, resume = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || Lower(pattern[p]) == Lower(name[n]))) {
      ++n;
      ++p;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      resume = n;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

FileDialog::FileDialog(FileDialogOptions options) : options_(std::move(options)) {
  filters_ = ParseFilter(options_.filter);
  const std::string start = options_.directory.empty() ? "." : options_.directory;
  directory_ = platform::NormalPath(platform::JoinPath(platform::AbsolutePath("."), start));
  if (options_.answer_base.empty()) options_.answer_base = directory_;
  Build();
  Refresh();
}

void FileDialog::Build() {
  const bool save = options_.mode == FileDialogOptions::Mode::kSave;
  window_.name = options_.name;
  window_.caption = !options_.title.empty() ? options_.title
                    : save                  ? "名前を付けて保存"
                                            : "ファイルを開く";
  window_.client_width = kClientWidth;
  window_.client_height = kClientHeight;
  window_.placement = platform::Placement::kScreenCenter;

  window_.controls.push_back(MakeControl("Label_DIRECTORY", ControlKind::kLabel, {8, 10, 276, 14}));
  Control up = MakeControl("Button_UP", ControlKind::kButton, {288, 6, 64, 22}, "上へ");
  up.on_click = [this] { Enter(platform::ParentPath(directory_)); };
  window_.controls.push_back(std::move(up));

  Control list = MakeControl("ListBox_FILES", ControlKind::kList, {8, 34, 344, 134});
  list.on_select = [this](int index) {
    if (index < 0 || index >= static_cast<int>(entries_.size())) return;
    const std::string& entry = entries_[static_cast<size_t>(index)];
    if (entry_is_dir_[static_cast<size_t>(index)]) {
      Enter(platform::JoinPath(directory_, entry));
    } else if (Control* field = window_.Find("Edit_FILENAME")) {
      field->text = entry;
    }
  };
  window_.controls.push_back(std::move(list));

  window_.controls.push_back(
      MakeControl("Label_FILENAME", ControlKind::kLabel, {8, 181, 0, 0}, "ファイル名"));
  window_.controls.push_back(MakeControl("Edit_FILENAME", ControlKind::kEdit, {92, 177, 188, 21}));
  window_.controls.push_back(
      MakeControl("Label_FILTER", ControlKind::kLabel, {8, 209, 0, 0}, "ファイルの種類"));
  Control combo = MakeControl("ComboBox_FILTER", ControlKind::kCombo, {92, 205, 188, 21});
  for (const FileFilter& f : filters_) combo.items.push_back(f.description);
  combo.selected = filters_.empty() ? -1 : 0;
  combo.on_select = [this](int index) {
    if (index >= 0 && index < static_cast<int>(filters_.size())) filter_index_ = index;
    Refresh();
  };
  window_.controls.push_back(std::move(combo));

  Control ok =
      MakeControl("Button_OK", ControlKind::kButton, {288, 176, 64, 23}, save ? "保存" : "開く");
  ok.is_default = true;
  ok.on_click = [this] { Accept(); };
  window_.controls.push_back(std::move(ok));
  Control cancel =
      MakeControl("Button_CANCEL", ControlKind::kButton, {288, 204, 64, 23}, "キャンセル");
  cancel.on_click = [this] { Cancel(); };
  window_.controls.push_back(std::move(cancel));
  window_.controls.push_back(MakeControl("Label_STATUS", ControlKind::kLabel, {8, 232, 0, 0}));

  window_.on_escape = [this] { Cancel(); };
  window_.on_close_request = [this] { Cancel(); };
  window_.on_file_answer = [this](const std::optional<std::string>& answer) {
    if (answer) {
      AcceptPath(*answer);
    } else {
      Cancel();
    }
  };
}

void FileDialog::Refresh() {
  entries_.clear();
  entry_is_dir_.clear();
  std::vector<std::string> dirs, files;
  // Entries that vanish or cannot be read while listing are skipped, never
  // fatal: the player still has the name field.
  const std::vector<platform::DirEntry> listed =
      platform::ListFolder(directory_).value_or(std::vector<platform::DirEntry>{});
  for (const platform::DirEntry& entry : listed) {
    const std::string& name = entry.name;
    if (entry.kind == platform::PathKind::kDirectory) {
      if (!name.empty() && name[0] != '.') dirs.push_back(name);
      continue;
    }
    if (entry.kind != platform::PathKind::kRegular) continue;
    bool shown = filters_.empty() || filters_[static_cast<size_t>(filter_index_)].patterns.empty();
    if (!shown) {
      for (const std::string& p : filters_[static_cast<size_t>(filter_index_)].patterns)
        shown = shown || MatchesPattern(name, p);
    }
    if (shown) files.push_back(name);
  }
  std::sort(dirs.begin(), dirs.end());
  std::sort(files.begin(), files.end());
  Control* list = window_.Find("ListBox_FILES");
  list->items.clear();
  list->selected = -1;
  for (const std::string& d : dirs) {
    entries_.push_back(d);
    entry_is_dir_.push_back(true);
    list->items.push_back(kDirMark + d);
  }
  for (const std::string& f : files) {
    entries_.push_back(f);
    entry_is_dir_.push_back(false);
    list->items.push_back(f);
  }
  window_.Find("Label_DIRECTORY")->text = directory_;
  window_.Touch();
}

void FileDialog::Enter(const std::string& directory) {
  if (directory.empty() || platform::ProbePath(directory) != platform::PathKind::kDirectory) return;
  directory_ = platform::NormalPath(directory);
  while (directory_.size() > 1 && directory_.back() == '/') directory_.pop_back();
  SetStatus("");
  Refresh();
}

void FileDialog::SetStatus(std::string text) {
  window_.Find("Label_STATUS")->text = std::move(text);
  window_.Touch();
}

void FileDialog::Choose(const std::string& typed) {
  if (typed.empty()) return;
  std::string path =
      platform::IsRelativePath(typed) ? platform::JoinPath(directory_, typed) : typed;
  if (platform::ProbePath(path) == platform::PathKind::kDirectory) {
    Enter(path);
    window_.Find("Edit_FILENAME")->text.clear();
    return;
  }
  // A name without an extension gets the default one, as the old dialog
  // added it.
  if (!options_.default_ext.empty() && !platform::HasExtension(path))
    path += "." + options_.default_ext;
  if (options_.mode == FileDialogOptions::Mode::kOpen &&
      platform::ProbePath(path) != platform::PathKind::kRegular) {
    SetStatus("ファイルが見つかりません: " + platform::FileNameOf(path));
    return;
  }
  result_ = platform::NormalPath(path);
  window_.Close();
}

void FileDialog::Accept() { Choose(window_.Find("Edit_FILENAME")->text); }

void FileDialog::AcceptPath(const std::string& path) {
  Choose(platform::IsRelativePath(path) ? platform::JoinPath(options_.answer_base, path) : path);
}

void FileDialog::Cancel() {
  result_.reset();
  window_.Close();
}

std::optional<std::string> RunFileDialog(platform::Host& host, WindowState& state,
                                         const FileDialogOptions& options) {
  FileDialog dialog(options);
  if (ShowModal(host, dialog.window(), state) != ModalResult::kClosed) return std::nullopt;
  return dialog.result();
}

}  // namespace zepa::windows
