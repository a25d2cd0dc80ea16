#pragma once
// The one object through which game code reaches the machine. Two backends
// implement it: the SDL window (platform/sdl) and a headless host with a
// virtual clock and scripted input (platform/headless).
#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"
#include "platform/game_rect.h"
#include "platform/sockets.h"
#include "platform/status.h"
#include "platform/surface.h"
#include "platform/tool_window.h"

namespace zepa::platform {

class Overlay;

/// Windows virtual-key codes: the key tables of the game are written in them.
namespace vk {
constexpr int kTab = 0x09;
constexpr int kReturn = 0x0D;
constexpr int kShift = 0x10;
constexpr int kControl = 0x11;
constexpr int kEscape = 0x1B;
constexpr int kSpace = 0x20;
constexpr int kPageUp = 0x21;
constexpr int kPageDown = 0x22;
constexpr int kUp = 0x26;
constexpr int kDown = 0x28;
constexpr int kF1 = 0x70;
constexpr int kF2 = 0x71;
constexpr int kF5 = 0x74;
constexpr int kF9 = 0x78;
constexpr int kF11 = 0x7A;
constexpr int kF12 = 0x7B;
// Letters and digits are their upper-case ASCII codes ('A' = 0x41, '0' = 0x30).
}  // namespace vk

enum class MouseButton { kLeft, kRight, kMiddle };

/// Keys whose held state busy effects poll (the hurry inputs), and Ctrl,
/// which the player's skip polls; a look at Ctrl takes no hurry tap.
enum class HeldKey { kShift, kSpace, kReturn, kMiddleButton, kControl };

/// Receives what the event pump dispatches. All calls arrive on the one game
/// thread, from inside `Host::Pump`, and may nest when a handler pumps again.
class InputHandler {
 public:
  virtual ~InputHandler() = default;
  /// A key went down; `vk_code` is a Windows virtual-key code.
  virtual void OnKeyDown(int vk_code, bool shift, bool ctrl) = 0;
  /// A mouse button went down at display coordinates (640 x 480 space).
  virtual void OnMouseDown(MouseButton button, int x, int y) = 0;
  /// The pointer moved over the display (640 x 480 space).
  virtual void OnMouseMove(int x, int y) = 0;
  /// The wheel turned; positive `steps` is away from the player (up).
  virtual void OnMouseWheel(int steps) = 0;
  /// The 50 ms game timer fired.
  virtual void OnTimer() = 0;
  /// How long from `now_ms` no timer tick could change anything, so that
  /// the host may sleep through the ticks in between (until this time or
  /// the next input, whichever comes first) and run them when it wakes,
  /// each seeing the clock it would have had. 0: the next tick may matter;
  /// `kQuietForever`: no tick does until something else happens.
  virtual uint32_t TimerQuietMs(uint32_t now_ms) {
    (void)now_ms;
    return 0;
  }
  static constexpr uint32_t kQuietForever = UINT32_MAX;
  /// The player asked to close the main window (title bar, window manager).
  /// Also dispatched from inside `Host::Present`, so that busy effects,
  /// which pump nothing, end at once.
  virtual void OnCloseRequest() = 0;
  /// A scripted headless event asked for a state dump at this moment.
  /// Fails, naming the file and the reason, when the dump could not be
  /// written.
  virtual Status OnDumpRequest(const std::string& path) {
    return Status::Failed(path + ": nothing to dump");
  }
};

struct ScreenSize {
  int width = 0;
  int height = 0;
};

/// What the game window shows on the desktop: its size in pixels, how the
/// game is scaled and where it lies inside.
struct WindowView {
  int width = 0;
  int height = 0;
  ScaleMode scale_mode = ScaleMode::kSharp;
  GameRect game_rect;
};

/// The player's window as it is kept between runs: its size when not
/// maximised or full screen, and whether it was maximised.
struct WindowLook {
  int width = 0;
  int height = 0;
  bool maximized = false;
  bool operator==(const WindowLook&) const = default;
};

class Host {
 public:
  virtual ~Host() = default;

  /// Milliseconds since an arbitrary start, wrapping at 2^32.
  virtual uint32_t NowMs() = 0;

  virtual void SetHandler(InputHandler* handler) = 0;

  /// Enables or disables the periodic game timer (`Timer1`).
  virtual void SetTimerEnabled(bool enabled) = 0;
  virtual bool TimerEnabled() const = 0;
  virtual void SetTimerIntervalMs(uint32_t interval_ms) = 0;

  /// Sleeps until an input event arrives, the timer falls due or the clock
  /// reaches `deadline_ms` (whichever is first), then dispatches everything
  /// that is due. Never spins. With `has_deadline` false it waits for input
  /// or the timer only. Returns false once the main window has closed.
  virtual bool Pump(bool has_deadline, uint32_t deadline_ms) = 0;

  /// True when nothing but the player can move the game on: no scripted
  /// input is left (headless) — the SDL host always answers false.
  virtual bool OutOfScriptedInput() const = 0;

  /// Asynchronous key state: is the key held down right now?
  virtual bool IsHeld(HeldKey key) = 0;

  /// Throws away keyboard and mouse input that waits in the queue, except
  /// presses of the kept keys.
  virtual void DiscardInput() = 0;
  /// Keys (virtual-key codes) of the player's own layer, which no game
  /// sees: a press of one survives DiscardInput, so a quick load pressed
  /// while a text is revealed still loads once the reveal is done.
  void SetKeptKeys(std::vector<int> vk_codes) { kept_keys_ = std::move(vk_codes); }
  bool KeptKey(int vk_code) const {
    return std::find(kept_keys_.begin(), kept_keys_.end(), vk_code) != kept_keys_.end();
  }

  /// Shows `display` now. Busy effects call this once per frame; it returns
  /// no sooner than the next display refresh, so effects never spin.
  virtual void Present(const Surface& display) = 0;
  /// As Present, for a frame that differs from the last one everywhere (a
  /// cross-fade's): the host need not look for what changed.
  virtual void PresentWholeFrame(const Surface& display) { Present(display); }

  /// False when nobody would see the frame the next Present shows, so a busy
  /// effect may skip composing it (headless runs between screenshots).
  virtual bool FrameWanted() { return true; }

  /// Shows `display` when convenient (a repaint after a change that is not
  /// part of an animation). Cheap to call often.
  virtual void Invalidate(const Surface& display) = 0;

  /// The picture layer over the display (the movie panel); null when the
  /// host has none.
  virtual Overlay* overlay() { return nullptr; }

  /// A small picture of the player's own (the skip or auto mark, a notice)
  /// drawn over every frame at present time, never into the display, so
  /// shots and saves of the game do not hold it. An empty image takes it
  /// away.
  virtual void ShowBadge(int left, int top, const Surface& image) {
    (void)left;
    (void)top;
    (void)image;
  }
  /// How many screen pixels one display pixel takes in the window, rounded
  /// to a whole number.
  virtual int WindowScale() const { return 1; }
  /// The window around the game; nullopt when the host has none to tell of.
  virtual std::optional<WindowView> DescribeWindow() const { return std::nullopt; }
  /// How the game is scaled to the window (the player's choice). A mode
  /// given on the command line wins over the first one set.
  virtual void SetScaleMode(ScaleMode mode) { (void)mode; }
  /// Gives the window the size and state the player left it in; a size
  /// set on the command line wins. Called before the game window first
  /// shows.
  virtual void RestoreWindowLook(const WindowLook& look) { (void)look; }
  /// The window's size and state to keep; nullopt when there is nothing of
  /// the player's to keep (no window, or a size the command line set).
  virtual std::optional<WindowLook> CurrentWindowLook() const { return std::nullopt; }
  /// How often a small window that changes can be shown anew: the display's
  /// refresh period. An animation of a small window composes no more often.
  /// Hosts without a screen keep the title window's old 10 ms pace, which
  /// their virtual clock and recorded runs are built on.
  virtual uint32_t FramePeriodMs() const { return 10; }

  /// The player's skip: while the source says so, busy effects complete as
  /// though a hurry key were held. Asked on every frame of an effect.
  void SetHurrySource(std::function<bool()> source) { hurry_source_ = std::move(source); }
  bool HurryForced() const { return hurry_source_ && hurry_source_(); }

  virtual ScreenSize GetScreenSize() = 0;

  /// Switches to full screen (true) or back to a window; returns false when
  /// the platform refuses.
  virtual bool SetFullScreen(bool full) = 0;
  /// Places the window (windowed mode) with its client area's top-left here.
  virtual void SetWindowPosition(int left, int top) = 0;
  virtual void GetWindowPosition(int* left, int* top) = 0;

  virtual void SetCaption(std::string_view utf8) = 0;

  /// The standard error message box; `utf8` is the message. Modal.
  virtual void ShowError(std::string_view utf8) = 0;

  /// Shows a small window above the game window, on top of any other small
  /// window, placed by `window->placement` (the host writes the position it
  /// chose into `left`/`top`). The window must stay alive until
  /// CloseWindow. While a modal small window is open, Pump hands keys and
  /// clicks to the top one (its callbacks run inside Pump) and none to the
  /// InputHandler; a modeless window takes only the input aimed at it. The
  /// game timer and repaints of the game window go on.
  /// Modal showing is the caller's nested loop: Pump until `closed()`.
  virtual void OpenWindow(ToolWindow* window) = 0;
  /// Takes the window off the screen. Closing one that is not open does
  /// nothing.
  virtual void CloseWindow(ToolWindow* window) = 0;
  /// Asks the desktop to open an address (a web page) in its browser. The
  /// outcome is not reported.
  virtual void OpenUrl(std::string_view utf8) = 0;

  /// Closes the main window: the next Pump returns false.
  virtual void Close() = 0;
  virtual bool Closed() const = 0;

  /// The machine's sockets and name lookup; null when it has none, which
  /// the HTTP client reports as a socket layer that cannot be started.
  virtual Sockets* Net() { return nullptr; }

  /// The machine's file operations (atomic replacement, data directories);
  /// null when it has none, which makes every save fail with a reason.
  virtual Files* FileOps() { return nullptr; }

 private:
  std::function<bool()> hurry_source_;
  std::vector<int> kept_keys_;
};

}  // namespace zepa::platform
