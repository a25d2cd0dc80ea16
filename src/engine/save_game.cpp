#include "engine/save_game.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "display/picture.h"
#include "display/pixels.h"
#include "platform/ascii.h"
#include "save/save_file.h"
#include "script/fixed_text.h"

namespace zepa::engine {
namespace {

constexpr int kJpegQuality = 90;
constexpr size_t kDialogNameBytes = 512;

// The file name part of a scenario name, directories of either kind ignored.
std::string_view FileNamePart(std::string_view name) {
  const size_t sep = name.find_last_of("/\\");
  return sep == std::string_view::npos ? name : name.substr(sep + 1);
}

}  // namespace

SaveGame::SaveGame(platform::Host& host, const save::SaveFolder& folder, GameRooms rooms,
                   script::VariableTable& vars, script::CommandSink& game)
    : host_(host), folder_(folder), rooms_(rooms), vars_(vars), game_(game) {}

bool SaveGame::WriteSaveData(std::string_view name, int adv_mode) {
  script::InterpreterState& st = rooms_.interpreter;
  display::Stage& stage = rooms_.stage;
  rooms_.message.CoverBlinkingIcon();

  save::SaveContents contents;
  contents.state = CaptureSavedState(rooms_);
  contents.state.adv_mode = adv_mode;
  contents.now = st.current_line
                     ? static_cast<int32_t>(std::min<size_t>(
                           save::ResumePosition(st.scenario_text, *st.current_line), INT32_MAX))
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
  if (screen) contents.pictures.push_back({save::PictureSlot::kDisplay, std::move(*screen), 0});
  if (buffer) contents.pictures.push_back({save::PictureSlot::kBuffer, std::move(*buffer), 0});
  if (auto message = display::EncodeJpeg(rooms_.message.message_backup(), kJpegQuality))
    contents.pictures.push_back({save::PictureSlot::kMessageBackup, std::move(*message), 0});

  const save::SaveWrite written = folder_.WriteSaveFile(name, save::WriteSaveBytes(contents));
  if (!written.written()) {
    host_.ShowError("Cannot write file \"" + written.path + "\". " + written.status.message());
    return false;
  }
  return true;
}

ReadResult SaveGame::ReadSaveData(std::string_view name) {
  const platform::Result<std::vector<uint8_t>> bytes = folder_.ReadSaveFile(name);
  if (!bytes.ok()) return ReadResult::kNotOpened;
  return ApplySaveBytes(*bytes);
}

ReadResult SaveGame::ApplySaveBytes(const std::vector<uint8_t>& bytes) {
  script::InterpreterState& st = rooms_.interpreter;
  // The saved scenario is loaded before anything else of the game changes,
  // so that one that cannot be read leaves the running game as it was.
  {
    const save::SaveContents peek = save::ReadSaveBytes(bytes, CaptureSavedState(rooms_));
    if (!st.current_line || FileNamePart(peek.state.script) != FileNamePart(st.scenario_name)) {
      if (game_.LoadScenario(peek.state.script) != script::LoadOutcome::kLoaded)
        return ReadResult::kScenarioFailed;
    }
  }

  rooms_.message.HideWaitIcon();
  game_.ResetState();
  const SavedState defaults = CaptureSavedState(rooms_);
  save::SaveContents contents = save::ReadSaveBytes(bytes, defaults);

  for (const save::SavePicture& block : contents.pictures) {
    std::optional<platform::Surface> picture = display::DecodeJpeg(block.jpeg);
    if (!picture) continue;  // a block that does not decode is skipped
    switch (block.slot) {
      case save::PictureSlot::kDisplay:
        display::Blit(rooms_.stage.display(), *picture, 0, 0);
        break;
      case save::PictureSlot::kBuffer:
        display::Blit(rooms_.stage.back_buffer(), *picture, 0, 0);
        break;
      case save::PictureSlot::kMessageBackup:
        rooms_.message.DrawOnMessageBackup(*picture);
        break;
    }
  }
  for (const auto& [var_name, value] : contents.variables) vars_.SetVariableText(var_name, value);

  const SavedState& saved = contents.state;
  ++st.game_generation;
  SavedState state = saved;
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
  ApplySavedState(state, rooms_);
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

void SaveGame::LoadChosenFile(std::string_view chosen, int adv_mode_before) {
  const std::string name = script::Bounded(chosen, kDialogNameBytes);
  int& adv_mode = rooms_.interpreter.adv_mode;
  const std::string_view ext = save::ChosenFileExtension(name);
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

}  // namespace zepa::engine
