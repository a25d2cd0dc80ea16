#pragma once
// Scripted input for the headless host: one event per line, "MS ACTION ARGS".
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/status.h"

namespace zepa::platform {

enum class EventAction {
  kClick,        // click X Y: left button down at X,Y
  kRightClick,   // rclick X Y
  kMiddleClick,  // mclick X Y
  kMove,         // move X Y
  kWheel,        // wheel N
  kKey,          // key [ctrl+][shift+]NAME
  kHold,         // hold NAME MS: held for IsHeld, no press sent
  kShot,         // shot FILE [WINDOW]: write the shown display, or a small window
  kDump,         // dump FILE: ask the game for a state dump
  kQuit,         // quit: the title bar's close button
  kPress,        // press NAME: click the control NAME of the top small window
  kHover,        // hover [NAME]: the pointer over that button of it (none without NAME)
  kType,         // type NAME TEXT: set the edit field NAME to TEXT
  kFile,         // file PATH: answer the file dialog that is open or opens next
  kFileCancel,   // file-cancel: cancel that dialog
};

/// One scripted event. Only the fields of its action carry meaning; `args`
/// keeps the words after the action as written, so that actions which name
/// controls of modal windows can be added without changing this shape.
struct ScriptedEvent {
  uint32_t at_ms = 0;
  EventAction action = EventAction::kQuit;
  int x = 0;
  int y = 0;
  int wheel_steps = 0;
  int vk_code = 0;
  bool shift = false;
  bool ctrl = false;
  uint32_t hold_ms = 0;
  std::string path;    ///< shot, dump and file: the file as written
  std::string window;  ///< shot: the small window to draw, empty for the display
  std::string target;  ///< press, hover, type: the control's name (or caption)
  std::string text;    ///< type: the text, UTF-8
  std::vector<std::string> args;
  int line = 0;  // 1-based line of the script, 0 when added by code
};

/// The virtual-key code that stands for the middle mouse button in `hold`
/// (Windows' VK_MBUTTON).
constexpr int kVkMiddleButton = 0x04;

/// Input that goes through the queue and that DiscardInput drops. The
/// actions on small windows are queued too but never dropped: the game
/// throws away stale clicks on its display, not a dialog's answers.
bool IsQueuedInput(EventAction action);

/// A key name of the script ("Return", "F5", "A", "7", ...) as a Windows
/// virtual-key code; nullopt for an unknown name. Case does not matter.
std::optional<int> KeyNameToVk(std::string_view name);

/// Where scripted points may lie: the game's display, or a window around it.
struct PointArea {
  int width = 640;
  int height = 480;
  bool window = false;
};

/// Parses a whole script and appends its events to `events`. On failure
/// (kInvalid) nothing is appended and the message starts with "line N: ".
/// Times must not decrease.
Status ParseEventScript(std::string_view text, std::vector<ScriptedEvent>* events,
                        const PointArea& area = {});

}  // namespace zepa::platform
