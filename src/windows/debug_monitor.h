#pragma once
// The debug monitor `Form_DEBUG`: a modeless window beside the game that
// shows the interpreter's position and state, the current picture,
// character, music and effect, the save permission, the running wait and
// every script variable, refreshed five times a second; its one button
// writes the loaded scenario out in the encoded form. It reads the game's
// state and changes none of it.
#include <array>
#include <cstdint>
#include <functional>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/host.h"
#include "platform/tool_window.h"
#include "script/interpreter.h"
#include "script/variables.h"
#include "windows/modal.h"

namespace zepa::windows {

/// What the refresh reads, gathered by the main window from its rooms. The
/// views point into state the main window keeps alive.
struct DebugView {
  uint32_t tick_time_ms = 0;           // `TickTime`
  int32_t wait_remaining = 0;          // `WaitRemaining`
  uint32_t until_target = 0;           // `UntilTarget`
  script::SavePermission save_allowed = script::SavePermission::kAllowed;  // `SaveAllowed`
  std::string scene_name;              // `SceneName`
  std::string_view scenario_text;      // `ScenarioText`
  std::optional<size_t> current_line;  // `CurrentLine`
  std::string picture_path;            // `PicturePath`
  std::string character_record;        // `CharacterRecord`
  int character_count = 0;             // `CharacterCount`
  std::string music_name;              // `MusicName`
  int music_loop = 0;                  // `MusicLoop`
  std::string effect_name;             // `EffectName`
  int effect_loop = 0;                 // `EffectLoop`
  std::string scenario_name;           // `ScenarioName`
  const script::VariableTable* variables = nullptr;
};

/// The texts one refresh gives the labels and the grid, in game text
/// (CP932). `script` is unset when `CurrentLine` is, so the label keeps
/// what it showed.
struct DebugTexts {
  std::string time;
  std::string until;
  std::string save;
  std::string scene;
  std::optional<std::string> script;
  std::string picture;
  std::string chara;
  std::string exist;
  std::string bgm;
  std::string bgm_loop;
  std::string wav;
  std::string wav_loop;
  std::string script_file;
  std::vector<std::array<std::string, 3>> grid;  // header row first
};

/// `Timer1Timer`'s texts for a state.
DebugTexts RefreshTexts(const DebugView& view);

/// The script label's text: at most 1023 bytes from `CurrentLine`, cut at
/// the first LF followed by "[", or when there is none at the first LF
/// followed by "//".
std::string ScriptExcerpt(std::string_view scenario_text, size_t current_line);

/// The file the encode button writes for the entered name (game text):
/// the name resolved, with ".kvs" appended whatever its extension.
std::string EncodeTargetPath(std::string_view entered,
                             const std::function<std::string(std::string_view)>& resolve_path);

class DebugMonitor {
 public:
  using ViewSource = std::function<DebugView()>;
  using PathResolver = std::function<std::string(std::string_view)>;

  /// `read_view` gathers the game's state for each refresh; `resolve_path`
  /// is `ResolvePath` (game text in, file path out).
  DebugMonitor(platform::Host& host, WindowState& window_state, ViewSource read_view,
               PathResolver resolve_path);
  ~DebugMonitor();
  DebugMonitor(const DebugMonitor&) = delete;
  DebugMonitor& operator=(const DebugMonitor&) = delete;

  /// Builds the window, paints it once and shows it without blocking, with
  /// its outer top-left at (left, top). Nothing when it is open already.
  void Open(int left, int top);
  /// Takes the window off the screen for good.
  void Close();
  bool is_open() const { return open_; }

  /// The window's outer top-left as it stands now (moved by the player).
  int left() const { return window_.left; }
  int top() const { return window_.top; }

  /// `Timer1Timer`: every label and the grid from the game's state now.
  void Refresh();
  /// `Button_ENCODEClick`: writes the scenario to the entered name +
  /// ".kvs". A file that cannot be written turns the note line red and
  /// says so; the next success puts the note back.
  void EncodeClick();

  const platform::ToolWindow& window() const { return window_; }

  /// The labels' texts and the grid rows (UTF-8), for the state dump.
  nlohmann::ordered_json Describe() const;

 private:
  void Build();
  // True when the label's text changed.
  bool SetLabel(std::string_view name, std::string_view cp932);
  void SetNote(bool failed);

  platform::Host& host_;
  WindowState& window_state_;
  ViewSource read_view_;
  PathResolver resolve_path_;
  platform::ToolWindow window_;
  bool open_ = false;
};

}  // namespace zepa::windows
