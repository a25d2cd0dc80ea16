#pragma once
// The save file as bytes: settings lines, three JPEG picture blocks, the
// choice line, the end marker and the variables, all letter-encoded behind a
// leading "X". Writing and reading here take and give values only; applying
// them to the game is the engine's business (engine/save_game.h).
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "save/saved_values.h"

namespace zepa::save {

/// The three picture blocks, in the order they are written.
enum class PictureSlot { kDisplay, kBuffer, kMessageBackup };

/// The header key of a slot ("bDISPLAY_IMAGE:", "bBUFFER_IMAGE:",
/// "bMESSAAGE_BAK:", the last with its doubled A).
std::string_view PictureKey(PictureSlot slot);

struct SavePicture {
  PictureSlot slot = PictureSlot::kDisplay;
  std::vector<uint8_t> jpeg;
  size_t offset = 0;  // where the bytes start in the file (reading only)
};

struct SaveContents {
  /// The settings. `state.now` is not used: the file holds `now` below.
  SavedValues state;
  /// "now:", the resume position in bytes from the start of the scenario.
  int32_t now = 0;
  /// Written in slot order; a block that could not be produced is absent.
  std::vector<SavePicture> pictures;
  /// Name and value text, in table order.
  std::vector<std::pair<std::string, std::string>> variables;
};

/// What the reader found besides the contents.
struct ReadReport {
  bool encoded = false;       // the file began with "X"
  bool end_marker = false;    // "SETTING_END" was seen
  bool pictures_cut = false;  // a block ran past the end of the file or was negative
};

/// The file's bytes, always in the encoded form. "wait_mode:" and
/// "wait_bmp:" are written only while `state.wait_mode` is not 0,
/// "select_now:" and "select_number:" only while the select icon is the
/// active one, and the choice line only when `state.adv_mode` is 3.
std::vector<uint8_t> WriteSaveBytes(const SaveContents& contents);

/// Reads the encoded or the plain form. Settings the file lacks keep their
/// value in `defaults`, except "now:", "FRAME:", "BGMLOOP:", "WAVLOOP:",
/// "adv_mode:" and "wait_mode:", which are 0 when absent. Texts are cut to
/// the fields that receive them; a variable's value is the text after the
/// first "=" as it stands, cut to 255 bytes.
SaveContents ReadSaveBytes(std::span<const uint8_t> bytes, const SavedValues& defaults,
                           ReadReport* report = nullptr);

/// What a save shows of itself without being loaded: its scene name and
/// the JPEG of the display it was saved on (empty when it has none).
struct SaveHeader {
  std::string scene;
  std::vector<uint8_t> display_jpeg;
};

/// Reads the settings up to the first picture block and nothing after it,
/// as `ReadSaveBytes` reads them.
SaveHeader ReadSaveHeader(std::span<const uint8_t> bytes);

/// The "now:" position for `current_line`: the start of the "[text]" line
/// that `current_line` lies in, else `current_line` itself when it lies in
/// another command line, else 0 when no command line starts at or before it.
size_t ResumePosition(std::string_view scenario_text, size_t current_line);

/// The decimal reading of numeric settings: optional blanks and sign, then
/// digits up to the first other byte; saturates at the int32 range.
int32_t ParseSavedInt(std::string_view text);

}  // namespace zepa::save
