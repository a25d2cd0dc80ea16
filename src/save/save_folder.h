#pragma once
// The save folder: where save files go and are found (the slots, names
// chosen in a dialog, the save directory and its fallback), which are
// there, and their bytes in and out. The save and load windows read it to
// choose; the engine's save game reads and writes the files through it.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"
#include "platform/status.h"
#include "save/save_preview.h"
#include "script/interpreter.h"
#include "script/paths.h"

namespace zepa::save {

/// Save files larger than this are not read: three pictures of a 640 x 480
/// game and a full variable table take well under a megabyte.
constexpr size_t kMaxSaveFileBytes = 64u << 20;

/// The number of fixed slots, "DATA1.kvd" to "DATA5.kvd".
constexpr int kSlotCount = 5;

/// The extension test of `LoadChosenFile`: the text from the last "." when
/// no "\", "/" or ":" follows it, else empty.
std::string_view ChosenFileExtension(std::string_view name);

/// The name a save is written under: ".kvd" is appended unless the last
/// component already ends in ".kvd" (any case).
std::string WithSaveExtension(std::string name);

/// Whether `SaveLoadWindow` shows its SAVE button; a `SaveAllowed` of 2
/// allows this one showing and becomes 0.
bool TakeSaveButton(script::SavePermission* save_allowed);

/// Where saves go: `option` when given; else the game directory when it can
/// be written, else <user data>/zepa/<game directory's name> (the game
/// directory again when no user data directory is known).
std::string ChooseSaveDir(const std::string& option, const std::string& game_dir,
                          bool game_dir_writable, const std::string& user_data_dir);

/// "DATA1.kvd" for slot 1, and so on.
std::string SlotFileName(int slot);

/// The outcome of writing a save file: where it went, and why not.
struct SaveWrite {
  std::string path;
  platform::Status status;  // the reason alone: `path` names the file

  bool written() const { return status.ok(); }
};

class SaveFolder {
 public:
  /// `files` writes the saves and may be null (no file system: nothing is
  /// written); `paths` resolves names below the game directory.
  SaveFolder(platform::Files* files, const script::PathResolver& paths);
  SaveFolder(const SaveFolder&) = delete;
  SaveFolder& operator=(const SaveFolder&) = delete;

  /// Where saves go (--save-dir). Empty: the game directory, or, when that
  /// cannot be written, $XDG_DATA_HOME/zepa/<game directory's name>.
  void SetSaveDir(std::string dir) { save_dir_option_ = std::move(dir); }
  /// The directory saves are written to now.
  std::string SaveDir() const;
  /// The game directory: where bare names resolve and dialogs start.
  const std::string& GameDir() const { return paths_.game_dir(); }
  /// The directories the load window lists, the save directory first.
  std::vector<std::string> ListedDirs() const;

  /// True when the slot's file exists where saves are written or listed.
  bool SlotUsed(int slot) const;
  /// Bare names of the ".kvd" or ".kvs" (`ext` without its dot) files of the
  /// listed directories: plain files only, at most 100, sorted by bytes.
  std::vector<std::string> ListFiles(std::string_view ext) const;

  /// The full path a save under `name` is written to (".kvd" not yet added).
  std::string WritePath(std::string_view name) const;
  /// The full path a save named `name` is read from: a bare name is looked
  /// for in the save directory first, then in the game directory.
  std::string ReadPath(std::string_view name) const;
  /// The file a save under `name` goes to: ".kvd" added where it lacks, and
  /// a new file under the UTF-8 spelling the desktop shows (an old one is
  /// written where it is).
  std::string SaveTarget(std::string_view name) const;
  /// True when a save under `name` would replace a file that is there.
  bool SaveReplaces(std::string_view name) const;

  /// The bytes of the save named `name`. Nothing when the file is missing,
  /// not a plain file (a FIFO never blocks the game), over the bound or
  /// unreadable; `why` (when given) then names the file and the reason.
  platform::Result<std::vector<uint8_t>> ReadSaveFile(std::string_view name) const;
  /// What the save named `name` shows of itself, read as `ReadSaveFile`
  /// finds it and never applied; kept until the file changes.
  const SavePreview& Preview(std::string_view name) const { return previews_.For(ReadPath(name)); }
  /// Writes a save under `name` as `SaveTarget` places it, whole or not at
  /// all; a save directory of its own is made on the first save.
  SaveWrite WriteSaveFile(std::string_view name, std::span<const uint8_t> bytes) const;

 private:
  platform::Files* files_;
  const script::PathResolver& paths_;
  std::string save_dir_option_;
  // A cache: reading a preview changes nothing the folder stands for.
  mutable SavePreviews previews_;
};

}  // namespace zepa::save
