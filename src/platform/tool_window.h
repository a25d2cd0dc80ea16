#pragma once
// The game's small windows (about box, menu, save and load windows, file
// dialogs, ...) as a retained description: a caption, a client size and a
// list of named controls. Game code fills it in and reacts to its
// callbacks; the SDL backend draws it in a window of its own and feeds it
// the player's clicks and keys, the headless backend drives it by control
// name. All texts here are UTF-8.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/surface.h"

namespace zepa::platform {

enum class ControlKind {
  kButton,     ///< a push button; `on_click` when pressed
  kLabel,      ///< static text; `on_click` makes it a link (hand cursor)
  kEdit,       ///< one-line edit field; `on_change` after each edit
  kMemo,       ///< several lines of text, read-only unless `read_only` is false
  kPicture,    ///< `picture` stretched to the rectangle
  kPanel,      ///< a bevelled frame that other controls name as their parent
  kScrollBox,  ///< a vertically scrolling area that holds other controls
  kList,       ///< a list of `items`; `on_select` with the index picked
  kCombo,      ///< a drop-down of `items`; `on_select` with the index picked
  kGrid,       ///< a table of `cells`, first row a fixed header
  kBevel,      ///< a one-pixel line across the rectangle's top
};

/// The kind's name in dumps and messages ("button", "label", ...).
std::string_view ControlKindName(ControlKind kind);

struct Rect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

struct Control {
  /// Unique within the window; empty for generated controls (which the
  /// headless driver finds by their caption).
  std::string name;
  ControlKind kind = ControlKind::kLabel;
  /// Relative to the parent's client area (the window's when no parent).
  Rect rect;
  /// The name of the panel or scroll box holding it, or empty.
  std::string parent;
  std::string text;  ///< caption, label or field text
  bool visible = true;
  bool enabled = true;
  bool is_default = false;  ///< Return presses it
  bool read_only = true;    ///< memos only
  int font_px = 12;
  /// Labels: drawn in a sunken box filling `rect`, the text clipped to it.
  bool framed = false;
  /// Drawn in the fixed-pitch face, so that padded numbers line up.
  bool fixed_pitch = false;
  /// The text's colour (0x00BBGGRR) instead of the toolkit's black.
  std::optional<Color> text_color;
  /// Edit fields: the most bytes the text may take in CP932 (0: no limit).
  size_t max_cp932_bytes = 0;
  /// Memos and scroll boxes: each increase scrolls the control back to its
  /// top once, the way the old windows were told to scroll up a page.
  uint32_t scroll_to_top = 0;
  Surface picture;                              ///< kPicture
  std::vector<std::string> items;               ///< kList, kCombo
  int selected = -1;                            ///< kList, kCombo
  std::vector<int> column_widths;               ///< kGrid
  std::vector<std::vector<std::string>> cells;  ///< kGrid, row by row

  std::function<void()> on_click;
  std::function<void(const std::string& text)> on_change;
  std::function<void(int index)> on_select;

  /// The name the headless driver and the dump use: the name, or for a
  /// generated control its caption.
  const std::string& Key() const { return name.empty() ? text : name; }
};

/// Where a window appears when it opens.
enum class Placement {
  kScreenCenter,  ///< centred on the screen of the game window
  kAtPointer,     ///< top-left corner at the mouse pointer
  kBesideGame,    ///< to the right of the game window, tops level
  kAt,            ///< at `left`/`top` as given
};

/// A window's frame on a desktop that draws borders the old way: the
/// caption bar and borders that turn a client size into an outer size.
/// Placement works on outer sizes, as the old windowing toolkit did.
constexpr int kFrameBorderPx = 3;
constexpr int kCaptionBarPx = 19;

class ToolWindow {
 public:
  std::string name;     ///< "AboutBox", "Form7", ...
  std::string caption;  ///< the title bar's text
  int client_width = 0;
  int client_height = 0;
  Placement placement = Placement::kScreenCenter;
  /// The outer window's top-left on the screen: the input of kAt, and what
  /// the host placed it at once open.
  int left = 0;
  int top = 0;
  std::vector<Control> controls;
  /// A modal window takes all keys and clicks while it is open; a modeless
  /// one (the debug monitor) only those aimed at it, and the game window
  /// goes on taking its own.
  bool modal = true;
  /// False for a window without border or caption bar (the title window):
  /// its outer size is its client size.
  bool framed = true;

  /// The edit field that takes the keyboard when the window opens (its
  /// key), or empty.
  std::string focus;

  /// A timer of the window's own: while the window is open the host calls
  /// `on_timer` every `timer_interval_ms` (0: no timer), from inside Pump,
  /// also while a modal window above it runs its loop and whether or not
  /// the game timer runs. The handler calls Touch() when it changed what
  /// the window shows, so an unchanged window is not redrawn.
  uint32_t timer_interval_ms = 0;
  std::function<void()> on_timer;

  /// Called when Escape reaches the window; null when Escape does nothing.
  std::function<void()> on_escape;
  /// Other keys that reach the window (a Windows virtual-key code), the
  /// wheel turned over it (positive: away from the player) and a right
  /// click on it; null when the window takes none.
  std::function<void(int vk_code)> on_key;
  std::function<void(int steps)> on_wheel;
  std::function<void()> on_right_click;
  /// The pointer came over the button `key`, or left the buttons (empty
  /// key); null when the window does not follow the pointer.
  std::function<void(const std::string& key)> on_hover;
  /// The title bar's close button (or the window manager). Null: closes.
  std::function<void()> on_close_request;
  /// File dialogs only: the answer of a scripted run (`file PATH` gives the
  /// path as written, `file-cancel` nullopt).
  std::function<void(const std::optional<std::string>& path)> on_file_answer;

  int OuterWidth() const { return client_width + (framed ? 2 * kFrameBorderPx : 0); }
  int OuterHeight() const {
    return client_height + (framed ? kCaptionBarPx + 2 * kFrameBorderPx : 0);
  }

  /// The control whose Key() is `key`, else the first button whose caption
  /// is `key` (a generated button named after its file answers to the
  /// caption the player sees), or null.
  Control* Find(std::string_view key);
  const Control* Find(std::string_view key) const;
  /// The control's rectangle in window client coordinates (parents added).
  Rect ClientRect(const Control& control) const;
  /// True when the control and every parent are visible.
  bool ShownOnScreen(const Control& control) const;

  /// Presses the control as a click would: nothing when it is hidden or
  /// disabled or has no click handler. Returns whether it acted.
  bool Press(std::string_view key);
  /// Sets an edit field's text as typing would, then calls `on_change`.
  /// False (and nothing changes) when the field is hidden, disabled, not an
  /// edit field, or the text is longer than its CP932 limit.
  bool SetText(std::string_view key, std::string text);
  /// The default button's press (Return).
  bool PressDefault();
  /// Escape, as the window defines it.
  void Escape();
  /// Hands a key, a wheel turn or a right click to the window's handler;
  /// false when it has none.
  bool Key(int vk_code);
  bool Wheel(int steps);
  bool RightClick();
  /// The pointer over the control `key` (empty: over no button), as
  /// `on_hover` takes it; false when the window has no handler or no such
  /// control is shown.
  bool Hover(std::string_view key);
  /// The close button: `on_close_request` or Close().
  void RequestClose();

  void Close() { closed_ = true; }
  bool closed() const { return closed_; }

  /// Grows whenever game code or input changes the window, so a backend
  /// redraws only then.
  uint64_t revision() const { return revision_; }
  void Touch() { ++revision_; }

  /// A copy without callbacks: what the window looked like, for dumps made
  /// after it is gone.
  ToolWindow Snapshot() const;

 private:
  bool closed_ = false;
  uint64_t revision_ = 0;
};

}  // namespace zepa::platform
