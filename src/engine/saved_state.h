#pragma once
// The game state that a save file holds (save/saved_values.h), gathered
// from the rooms that own each value and given back to them. Save
// data, the debug monitor and the state dump read the game through this and
// the rooms' own accessors, never through their private fields.
#include <optional>

#include "display/message_window.h"
#include "display/stage.h"
#include "engine/choices.h"
#include "save/saved_values.h"
#include "script/interpreter.h"
#include "sound/sound.h"

namespace zepa::engine {

/// The rooms that own the saved values.
struct GameRooms {
  script::InterpreterState& interpreter;
  display::Stage& stage;
  display::MessageWindow& message;
  Choices& choices;
  sound::Sound& sound;
};

/// The values a save file holds, as the engine gathers and gives them back.
using SavedState = save::SavedValues;

/// Reads every saved value from the room that owns it.
SavedState CaptureSavedState(const GameRooms& rooms);
/// The same values with the choice list's place and size bounded to the
/// screen, as `ApplySavedState` gives them back.
SavedState DrawableState(const SavedState& state);
/// Gives every value back to its room as a plain value. Redrawing what the
/// values describe (characters, frame, the wait icon, the choice list) and
/// restarting the saved music and effect (`bgm`, `wav`) are the save
/// reader's next steps; the icon is made current but not shown.
void ApplySavedState(const SavedState& state, GameRooms& rooms);

/// The "wait_bmp:" code of an icon, and the icon of a code (none for codes
/// that name no icon).
int WaitBmpCode(display::WaitIconKind icon);
std::optional<display::WaitIconKind> WaitIconOfCode(int code);

}  // namespace zepa::engine
