#include "player/settings.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace zepa::player {
namespace {

struct Key {
  std::string_view name;
  int Settings::*number;
  bool Settings::*flag;
  SettingBounds bounds;
};

constexpr std::string_view kScalingKey = "SCALING";

constexpr std::array<Key, 10> kKeys = {{
    {"TEXT_SPEED", &Settings::text_speed_percent, nullptr, kTextSpeedBounds},
    {"AUTO_BASE", &Settings::auto_base_ms, nullptr, kAutoBaseBounds},
    {"AUTO_PER_CHAR", &Settings::auto_per_char_ms, nullptr, kAutoPerCharBounds},
    {"MUSIC_VOLUME", &Settings::music_volume_percent, nullptr, kVolumeBounds},
    {"EFFECT_VOLUME", &Settings::effect_volume_percent, nullptr, kVolumeBounds},
    {"SKIP_UNREAD", nullptr, &Settings::skip_unread, {0, 1}},
    {"LARGE_FONT", nullptr, &Settings::large_font, {0, 1}},
    {"WINDOW_WIDTH", &Settings::window_width, nullptr, kWindowSideBounds},
    {"WINDOW_HEIGHT", &Settings::window_height, nullptr, kWindowSideBounds},
    {"WINDOW_MAXIMIZED", nullptr, &Settings::window_maximized, {0, 1}},
}};

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

}  // namespace

Settings Bounded(Settings s) {
  for (const Key& k : kKeys)
    if (k.number) s.*k.number = std::clamp(s.*k.number, k.bounds.min, k.bounds.max);
  return s;
}

std::optional<Settings> ParseSettings(std::string_view text) {
  if (text.size() > kMaxSettingsBytes) return std::nullopt;
  Settings s;
  bool in_player = false;
  while (!text.empty()) {
    const size_t lf = text.find('\n');
    const std::string_view line = Trim(text.substr(0, lf));
    text.remove_prefix(lf == std::string_view::npos ? text.size() : lf + 1);
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      if (line.back() != ']') return std::nullopt;
      in_player = line == "[PLAYER]";
      continue;
    }
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    if (!in_player) continue;
    const std::string_view name = Trim(line.substr(0, eq));
    const std::string_view value = Trim(line.substr(eq + 1));
    if (name == kScalingKey) {
      s.scaling = platform::ParseScaleMode(value).value_or(platform::ScaleMode::kSharp);
      continue;
    }
    const auto key =
        std::find_if(kKeys.begin(), kKeys.end(), [&](const Key& k) { return k.name == name; });
    if (key == kKeys.end()) continue;
    long long v = 0;
    const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), v);
    if (ec != std::errc() || end != value.data() + value.size()) return std::nullopt;
    const int bounded =
        static_cast<int>(std::clamp<long long>(v, key->bounds.min, key->bounds.max));
    if (key->number) {
      s.*key->number = bounded;
    } else {
      s.*key->flag = bounded != 0;
    }
  }
  return s;
}

std::string FormatSettings(const Settings& s) {
  std::string out = "[PLAYER]\n";
  for (const Key& k : kKeys) {
    const int v = k.number ? s.*k.number : (s.*k.flag ? 1 : 0);
    out += std::string(k.name) + "=" + std::to_string(v) + "\n";
  }
  out += std::string(kScalingKey) + "=" + platform::ScaleModeName(s.scaling) + "\n";
  return out;
}

uint32_t AutoDelayMs(const Settings& s, std::string_view text) {
  uint32_t chars = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const auto b = static_cast<uint8_t>(text[i]);
    if (b == '\r' || b == '\n') continue;
    // A lead byte takes the next byte with it.
    if (((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) && i + 1 < text.size()) ++i;
    ++chars;
  }
  const Settings b = Bounded(s);
  return static_cast<uint32_t>(b.auto_base_ms) + static_cast<uint32_t>(b.auto_per_char_ms) * chars;
}

}  // namespace zepa::player
