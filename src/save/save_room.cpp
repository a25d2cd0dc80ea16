#include "save/save_room.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "display/picture.h"
#include "display/pixels.h"
#include "platform/ascii.h"
#include "platform/files.h"
#include "script/fixed_text.h"

namespace zepa::save {
namespace {

namespace fs = std::filesystem;

constexpr int kJpegQuality = 90;
constexpr size_t kListLimit = 100;
constexpr size_t kDialogNameBytes = 512;

bool IsBareName(std::string_view name) {
  return !name.empty() && name.find_first_of("/\\") == std::string_view::npos;
}

// The file name part of a scenario name, directories of either kind ignored.
std::string_view FileNamePart(std::string_view name) {
  const size_t sep = name.find_last_of("/\\");
  return sep == std::string_view::npos ? name : name.substr(sep + 1);
}

// Not opened when missing, not a plain file (a FIFO never blocks the game),
// over the bound or unreadable: the caller treats all of these alike, and
// `why` says which.
std::optional<std::vector<uint8_t>> ReadWholeFile(const std::string& path, std::string* why) {
  platform::ReadResult read = platform::ReadRegularFile(path, kMaxSaveFileBytes);
  if (read.status != platform::ReadStatus::kOk) {
    if (why) {
      *why = read.status == platform::ReadStatus::kNotRegular ? path + ": not a regular file"
             : read.status == platform::ReadStatus::kTooLarge ? path + ": too large for a save"
             : !read.error.empty()                            ? read.error
                                                              : path + ": cannot be read";
    }
    return std::nullopt;
  }
  return std::vector<uint8_t>(read.bytes.begin(), read.bytes.end());
}

}  // namespace

std::string_view ChosenFileExtension(std::string_view name) {
  const size_t last = name.find_last_of(".\\/:");
  if (last == std::string_view::npos || name[last] != '.') return {};
  return name.substr(last);
}

std::string WithSaveExtension(std::string name) {
  const size_t sep = name.find_last_of('/');
  const size_t dot = name.rfind('.');
  const bool has = dot != std::string::npos && (sep == std::string::npos || dot > sep) &&
                   platform::EqualsNoCase(std::string_view(name).substr(dot), ".kvd");
  if (!has) name += ".kvd";
  return name;
}

bool TakeSaveButton(script::SavePermission* save_allowed) {
  using script::SavePermission;
  const bool shown = *save_allowed != SavePermission::kDisabled;
  if (*save_allowed == SavePermission::kNextWindowOnly) *save_allowed = SavePermission::kDisabled;
  return shown;
}

std::string SlotFileName(int slot) { return "DATA" + std::to_string(slot) + ".kvd"; }

SaveRoom::SaveRoom(platform::Host& host, const script::PathResolver& paths, engine::GameRooms rooms,
                   script::VariableTable& vars, script::CommandSink& game)
    : host_(host), paths_(paths), rooms_(rooms), vars_(vars), game_(game) {}

std::string ChooseSaveDir(const std::string& option, const std::string& game_dir,
                          bool game_dir_writable, const std::string& user_data_dir) {
  if (!option.empty()) return option;
  if (game_dir_writable || user_data_dir.empty()) return game_dir;
  return user_data_dir + "/zepa/" + fs::path(game_dir).filename().string();
}

std::string SaveRoom::SaveDir() const {
  if (!save_dir_option_.empty()) return save_dir_option_;
  platform::Files* files = host_.FileOps();
  if (!files) return paths_.game_dir();
  return ChooseSaveDir(save_dir_option_, paths_.game_dir(),
                       files->DirectoryWritable(paths_.game_dir()), files->UserDataDir());
}

std::vector<std::string> SaveRoom::ListedDirs() const {
  std::vector<std::string> dirs{SaveDir()};
  if (dirs[0] != paths_.game_dir()) dirs.push_back(paths_.game_dir());
  return dirs;
}

std::string SaveRoom::WritePath(std::string_view name) const {
  if (IsBareName(name)) return SaveDir() + "/" + std::string(name);
  return paths_.Resolve(name);
}

std::string SaveRoom::ReadPath(std::string_view name) const {
  if (IsBareName(name)) {
    const std::string in_save_dir = SaveDir() + "/" + std::string(name);
    std::error_code ec;
    if (fs::exists(in_save_dir, ec)) return in_save_dir;
  }
  return paths_.Resolve(name);
}

bool SaveRoom::SlotUsed(int slot) const {
  std::error_code ec;
  for (const std::string& dir : ListedDirs()) {
    if (fs::exists(dir + "/" + SlotFileName(slot), ec)) return true;
  }
  return false;
}

std::vector<std::string> SaveRoom::ListFiles(std::string_view ext) const {
  std::vector<std::string> names;
  for (const std::string& dir : ListedDirs()) {
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
      if (names.size() >= kListLimit) break;
      std::error_code type_ec;
      if (!it->is_regular_file(type_ec)) continue;
      const std::string name = it->path().filename().string();
      const size_t dot = name.rfind('.');
      if (dot == std::string::npos || !platform::EqualsNoCase(name.substr(dot + 1), ext)) continue;
      if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
    }
  }
  // Unsigned byte order, as the game's lists were sorted.
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
      return static_cast<uint8_t>(x) < static_cast<uint8_t>(y);
    });
  });
  return names;
}

bool SaveRoom::WriteSaveData(std::string_view name, int adv_mode) {
  script::InterpreterState& st = rooms_.interpreter;
  display::Stage& stage = rooms_.stage;
  rooms_.message.CoverBlinkingIcon();

  SaveContents contents;
  contents.state = engine::SavedState::Capture(rooms_);
  contents.state.adv_mode = adv_mode;
  contents.now = st.current_line
                     ? static_cast<int32_t>(std::min<size_t>(
                           ResumePosition(st.scenario_text, *st.current_line), INT32_MAX))
                     : 0;

  // The pictures are taken without the overlays the file records by name,
  // since loading draws those again. Taking them off and putting them back
  // cannot give the surfaces back exactly when the frame went on before the
  // characters, so the pixels are kept aside and returned afterwards.
  const platform::Surface kept_buffer = stage.back_buffer();
  const platform::Surface kept_display = stage.display();
  const bool frame_was_shown = stage.frame_shown() == 1;
  if (frame_was_shown) stage.RemoveFrame();
  const std::string characters = stage.character_record();
  stage.ShowCharacters("");
  if (adv_mode == script::adv::kChoice) rooms_.choices.DrawChoices(0);
  std::optional<std::vector<uint8_t>> buffer =
      display::EncodeJpeg(stage.back_buffer(), kJpegQuality);
  std::optional<std::vector<uint8_t>> screen = display::EncodeJpeg(stage.display(), kJpegQuality);
  // Back in the order a load draws them: the characters, then the frame.
  stage.ShowCharacters(characters);
  if (frame_was_shown) stage.DrawFrame();
  if (adv_mode == script::adv::kChoice) rooms_.choices.DrawChoices(rooms_.choices.select_now());
  stage.back_buffer() = kept_buffer;
  stage.display() = kept_display;
  stage.Repaint();

  for (int i = 0; i < script::kVariableCount; ++i) {
    const script::VariableEntry& e = vars_.entry(i);
    if (e.name[0] != '\0') contents.variables.emplace_back(e.name, e.value);
  }
  if (screen) contents.pictures.push_back({PictureSlot::kDisplay, std::move(*screen), 0});
  if (buffer) contents.pictures.push_back({PictureSlot::kBuffer, std::move(*buffer), 0});
  if (auto message = display::EncodeJpeg(rooms_.message.message_backup(), kJpegQuality))
    contents.pictures.push_back({PictureSlot::kMessageBackup, std::move(*message), 0});

  // A new file gets the UTF-8 spelling the desktop shows; an old one is
  // written where it is.
  const std::string path = platform::NewFileSpelling(WithSaveExtension(WritePath(name)));
  platform::Files* files = host_.FileOps();
  std::string error = files ? std::string() : std::string("no file system");
  if (files) {
    const std::string dir = fs::path(path).parent_path().string();
    if (dir == SaveDir() && dir != paths_.game_dir()) {
      // A save directory of its own is made on the first save.
      error = files->CreateDirectories(dir);
    }
    if (error.empty()) error = files->AtomicWriteFile(path, WriteSaveBytes(contents));
  }
  if (!error.empty()) {
    host_.ShowError("Cannot write file \"" + path + "\". " + error);
    return false;
  }
  return true;
}

ReadResult SaveRoom::ReadSaveData(std::string_view name, std::string* why) {
  const std::optional<std::vector<uint8_t>> bytes = ReadWholeFile(ReadPath(name), why);
  if (!bytes) return ReadResult::kNotOpened;

  script::InterpreterState& st = rooms_.interpreter;
  // The saved scenario is loaded before anything else of the game changes,
  // so that one that cannot be read leaves the running game as it was.
  {
    const SaveContents peek = ReadSaveBytes(*bytes, engine::SavedState::Capture(rooms_));
    if (!st.current_line || FileNamePart(peek.state.script) != FileNamePart(st.scenario_name)) {
      if (game_.LoadScenario(peek.state.script) != script::LoadOutcome::kLoaded)
        return ReadResult::kScenarioFailed;
    }
  }

  rooms_.message.HideWaitIcon();
  game_.ResetState();
  const engine::SavedState defaults = engine::SavedState::Capture(rooms_);
  SaveContents contents = ReadSaveBytes(*bytes, defaults);

  for (const SavePicture& block : contents.pictures) {
    std::optional<platform::Surface> picture = display::DecodeJpeg(block.jpeg);
    if (!picture) continue;  // a block that does not decode is skipped
    switch (block.slot) {
      case PictureSlot::kDisplay:
        display::Blit(rooms_.stage.display(), *picture, 0, 0);
        break;
      case PictureSlot::kBuffer:
        display::Blit(rooms_.stage.back_buffer(), *picture, 0, 0);
        break;
      case PictureSlot::kMessageBackup:
        rooms_.message.DrawOnMessageBackup(*picture);
        break;
    }
  }
  for (const auto& [var_name, value] : contents.variables) vars_.SetVariableText(var_name, value);

  const engine::SavedState& saved = contents.state;
  ++st.game_generation;
  engine::SavedState state = saved;
  // "script:" only finds the scenario; the running one keeps its own name.
  state.script = st.scenario_name;
  // A position outside the scenario resumes at its start.
  const int64_t now = contents.now;
  state.now =
      st.current_line
          ? std::optional<size_t>(now < 0 || static_cast<uint64_t>(now) > st.scenario_text.size()
                                      ? 0
                                      : static_cast<size_t>(now))
          : std::nullopt;
  state.Apply(rooms_);
  // `StopFade`, then the saved music and effect play again; the loop flags
  // are set only after them, so the restart cannot loop a stopped player.
  rooms_.sound.RestoreSave(sound::SoundSave{state.bgm, state.wav, state.bgm_loop, state.wav_loop,
                                            state.sound_fade_time_ms});
  if (!state.chara.empty()) rooms_.stage.ShowCharacters(std::string(state.chara));
  if (state.frame != 0) rooms_.stage.DrawFrame();
  if (state.wait_mode != 0) rooms_.message.ShowWaitIcon(rooms_.message.wait_icon());
  if (st.adv_mode == script::adv::kChoice) rooms_.choices.DrawChoices(rooms_.choices.select_now());
  rooms_.stage.Repaint();
  return ReadResult::kRestored;
}

void SaveRoom::LoadChosenFile(std::string_view chosen, int adv_mode_before) {
  const std::string name = script::Bounded(chosen, kDialogNameBytes);
  int& adv_mode = rooms_.interpreter.adv_mode;
  const std::string_view ext = ChosenFileExtension(name);
  const bool scenario = platform::EqualsNoCase(ext.substr(0, 4), ".kvs");
  const bool save = !scenario && platform::EqualsNoCase(ext.substr(0, 4), ".kvd");
  if (scenario || (!save && platform::StartsWithNoCase(name, "http:"))) {
    switch (game_.LoadScenario(name)) {
      case script::LoadOutcome::kLoaded:
        game_.ResetState();
        adv_mode = script::adv::kRun;
        break;
      case script::LoadOutcome::kFailed:
        host_.ShowError("シナリオの読み込みに失敗しました。");
        adv_mode = script::adv::kRun;
        break;
      case script::LoadOutcome::kRaised:
        // Our choice for a missing file or a failed fetch (already reported):
        // nothing was loaded, so the game keeps the wait state it had.
        adv_mode = adv_mode_before;
        break;
    }
  } else if (save) {
    // A save that cannot be read, or whose scenario is gone, leaves the game
    // in the wait state it had before the window.
    if (ReadSaveData(name) != ReadResult::kRestored) adv_mode = adv_mode_before;
  } else {
    host_.ShowError("このデータには対応していません。");
    adv_mode = script::adv::kRun;
  }
}

}  // namespace zepa::save
