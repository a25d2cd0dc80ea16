#include "platform/game_rect.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>

namespace zepa::platform {
namespace {

constexpr std::array<std::pair<std::string_view, ScaleMode>, 4> kModeNames = {{
    {"sharp", ScaleMode::kSharp},
    {"integer", ScaleMode::kInteger},
    {"nearest", ScaleMode::kNearest},
    {"smooth", ScaleMode::kSmooth},
}};

GameRect Centred(int window_w, int window_h, int w, int h) {
  return {(window_w - w) / 2, (window_h - h) / 2, w, h};
}

}  // namespace

std::optional<ScaleMode> ParseScaleMode(std::string_view name) {
  for (const auto& [text, mode] : kModeNames)
    if (text == name) return mode;
  return std::nullopt;
}

const char* ScaleModeName(ScaleMode mode) {
  for (const auto& [text, m] : kModeNames)
    if (m == mode) return text.data();
  return "sharp";
}

GameRect FitGameRect(int window_w, int window_h, int game_w, int game_h, ScaleMode mode) {
  if (window_w <= 0 || window_h <= 0 || game_w <= 0 || game_h <= 0) return {};
  if (mode == ScaleMode::kInteger) {
    const int k = std::min(window_w / game_w, window_h / game_h);
    if (k >= 1) return Centred(window_w, window_h, game_w * k, game_h * k);
  }
  // 64-bit products: a window of 65535 pixels times a game side still fits.
  const int64_t across = int64_t{window_w} * game_h;
  const int64_t down = int64_t{window_h} * game_w;
  if (across <= down)
    return Centred(window_w, window_h, window_w, static_cast<int>(across / game_w));
  return Centred(window_w, window_h, static_cast<int>(down / game_h), window_h);
}

std::optional<GamePoint> WindowToGame(const GameRect& rect, int game_w, int game_h, int x, int y) {
  if (rect.width <= 0 || rect.height <= 0) return std::nullopt;
  const int dx = x - rect.x, dy = y - rect.y;
  if (dx < 0 || dy < 0 || dx >= rect.width || dy >= rect.height) return std::nullopt;
  return GamePoint{static_cast<int>(int64_t{dx} * game_w / rect.width),
                   static_cast<int>(int64_t{dy} * game_h / rect.height)};
}

int WholeFactor(const GameRect& rect, int game_w, int game_h) {
  if (game_w <= 0 || game_h <= 0) return 1;
  return std::max(1, std::min(rect.width / game_w, rect.height / game_h));
}

int RoundedFactor(const GameRect& rect, int game_w) {
  if (game_w <= 0) return 1;
  return std::max(1, (rect.width + game_w / 2) / game_w);
}

}  // namespace zepa::platform
