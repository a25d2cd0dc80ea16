#pragma once
// Where the game's display lies inside a window of any size, and how a
// point of the window maps back to it. The game always sees its own
// 640 x 480 pixels; the window shows them as large as it can with the
// aspect kept, centred between black bars.
#include <optional>
#include <string_view>

namespace zepa::platform {

enum class ScaleMode {
  kSharp,    // the largest whole factor by nearest pixels, the rest smoothed
  kInteger,  // whole factors only, wider bars around
  kNearest,  // any factor by nearest pixels (strokes of uneven width)
  kSmooth,   // any factor, bilinear
};

/// "sharp", "integer", "nearest", "smooth"; nullopt for anything else.
std::optional<ScaleMode> ParseScaleMode(std::string_view name);
const char* ScaleModeName(ScaleMode mode);

struct GameRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  bool operator==(const GameRect&) const = default;
};

struct GamePoint {
  int x = 0;
  int y = 0;
  bool operator==(const GamePoint&) const = default;
};

/// The rectangle of a window `window_w` x `window_h` that shows a game of
/// `game_w` x `game_h`: the largest with the game's aspect (in integer mode
/// the largest whole multiple), centred. A window smaller than the game
/// shows it shrunk in every mode, since no whole factor fits.
GameRect FitGameRect(int window_w, int window_h, int game_w, int game_h, ScaleMode mode);

/// The game pixel under the window point (x, y); nullopt on the bars.
std::optional<GamePoint> WindowToGame(const GameRect& rect, int game_w, int game_h, int x, int y);

/// The largest whole factor that fits in `rect` (at least 1): the first,
/// pixel-even step of the sharp mode.
int WholeFactor(const GameRect& rect, int game_w, int game_h);

/// The factor of `rect` rounded to the nearest whole one (at least 1): the
/// size the small windows open at over the game.
int RoundedFactor(const GameRect& rect, int game_w);

}  // namespace zepa::platform
