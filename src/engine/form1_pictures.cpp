// Composition of the back buffer: backgrounds, pictures, characters and the
// window frame, and the drawing commands on the display.
#include <algorithm>

#include "display/gdi.h"
#include "display/packfile.h"
#include "display/picture.h"
#include "display/pixels.h"
#include "engine/form1.h"
#include "engine/limits.h"

namespace zepa::engine {
namespace {

constexpr int kW = kScreenWidth;
constexpr int kH = kScreenHeight;

// Rounds a halved difference down, also when the picture is larger.
int FloorHalf(int v) { return v >= 0 ? v / 2 : -((-v + 1) / 2); }

}  // namespace

std::optional<platform::Surface> Form1::LoadPicture(std::string_view name) {
  if (name.empty()) return std::nullopt;
  const std::string path = paths_.Resolve(name);
  const auto bytes = display::OpenPicture(paths_.Resolve(config_.data_file), path);
  if (!bytes) return std::nullopt;
  return display::DecodePicture(path, *bytes);
}

void Form1::LoadBackground(std::string_view name) {
  frame_shown_ = 0;
  picture_path_.clear();
  if (name.empty()) return;
  picture_path_ = Bounded(paths_.Resolve(name), 512);
  const auto kind = display::PictureKindOf(picture_path_);
  if (kind == display::PictureKind::kNone) return;
  auto picture = LoadPicture(name);
  if (!picture) return;
  if (kind == display::PictureKind::kBmp) {
    // A bitmap background replaces the back buffer whole; what a smaller one
    // does not cover is black, as a bitmap grown to the screen would be.
    image1_.Fill(0);
    display::Blit(image1_, *picture, 0, 0);
  } else {
    display::Blit(image1_, *picture, FloorHalf(kW - picture->width), FloorHalf(kH - picture->height));
  }
  Repaint();
}

void Form1::DrawPicture(int x, int y, std::string_view name) {
  auto picture = LoadPicture(name);
  if (!picture) return;
  if (x == -1 && y == -1) {
    x = FloorHalf(kW - picture->width);
    y = FloorHalf(kH - picture->height);
  }
  display::Blit(image1_, *picture, x, y);
  Repaint();
}

void Form1::DrawPictureKeyed(int x, int y, int opacity, std::string_view name) {
  if (opacity < 0 || opacity > 100) opacity = 0;
  auto picture = LoadPicture(name);
  if (!picture) return;
  if (x == -1 && y == -1) {
    x = FloorHalf(kW - picture->width);
    y = FloorHalf(kH - picture->height);
  }
  platform::Surface area = display::CopyRect(image1_, x, y, picture->width, picture->height);
  display::DrawKeyed(area, *picture, opacity);
  display::Blit(image1_, area, x, y);
  Repaint();
}

void Form1::EraseCharacter(int slot) {
  if (character_count_ > 0) --character_count_;
  Character& c = characters_[static_cast<size_t>(slot - 1)];
  if (c.backup.Empty()) return;
  display::Blit(image1_, c.backup, c.center - c.backup.width / 2, kH - c.backup.height);
  Repaint();
}

void Form1::ShowCharacters(std::string_view argument) {
  character_record_ = Bounded(argument, 512);
  for (int slot = character_count_; slot >= 1; --slot) EraseCharacter(slot);
  character_count_ = 0;
  for (Character& c : characters_) c.center = 0;
  if (argument.empty() || argument[0] == '\r' || argument[0] == '\n') return;

  // At most three names; blanks after a comma are skipped.
  std::vector<std::string> names;
  size_t pos = 0;
  while (names.size() < 3) {
    size_t comma = argument.find(',', pos);
    names.emplace_back(argument.substr(pos, comma == std::string_view::npos ? std::string_view::npos : comma - pos));
    if (comma == std::string_view::npos) break;
    pos = comma + 1;
    while (pos < argument.size() && (argument[pos] == ' ' || argument[pos] == '\t')) ++pos;
  }
  static constexpr int kCentres[3][3] = {
      {kW / 2, 0, 0}, {5 * kW / 16, 11 * kW / 16, 0}, {kW / 6, kW / 2, 5 * kW / 6}};
  for (size_t i = 0; i < names.size(); ++i) characters_[i].center = kCentres[names.size() - 1][i];

  for (size_t i = 0; i < 3; ++i) {
    Character& c = characters_[i];
    c.backup = platform::Surface();
    if (c.center <= 0) continue;
    ++character_count_;  // an unloadable picture still takes its slot
    auto picture = LoadPicture(names[i]);
    if (!picture) continue;
    const int left = c.center - picture->width / 2;
    const int top = kH - picture->height;
    c.backup = display::CopyRect(image1_, left, top, picture->width, picture->height);
    platform::Surface area = c.backup;
    display::DrawKeyed(area, *picture, 0);
    display::Blit(image1_, area, left, top);
    Repaint();
  }
}

void Form1::ShadeStrip(std::string_view name) {
  frame_backup_ = platform::Surface();
  auto mask = LoadPicture(name);
  if (!mask) return;
  const int top = kH - mask->height;
  frame_backup_ = display::CopyRect(image1_, 0, top, mask->width, mask->height);
  platform::Surface strip = frame_backup_;
  display::ShadeStrip(strip, *mask);
  display::Blit(image1_, strip, 0, top);
  Repaint();
}

void Form1::DrawFrame() {
  ShadeStrip("frame\\frame2.bmp");
  DrawPictureKeyed(0, kH - frame_backup_.height, 0, "frame\\frame.bmp");
  frame_shown_ = 1;
}

void Form1::RemoveFrame() {
  if (!frame_backup_.Empty()) display::Blit(image1_, frame_backup_, 0, kH - frame_backup_.height);
  Repaint();
  frame_shown_ = 0;
}

void Form1::ForgetCharacters() {
  character_count_ = 0;
  character_record_.clear();
}

// "bpicture" and "bpic": an optional x,y prefix, read only when a comma is
// present; "bpic" takes an opacity after the first colon.
void Form1::DrawPictureCommand(std::string_view arg, bool keyed) {
  int x = -1, y = -1;
  std::string_view name = arg;
  if (arg.find(',') != std::string_view::npos) {
    const auto pos = script::ParsePosition(arg);
    if (!pos) return;
    x = pos->x;
    y = pos->y;
    name = pos->rest;
  }
  int opacity = 0;
  if (keyed) {
    const size_t colon = name.find(':');
    if (colon != std::string_view::npos) {
      opacity = script::DecimalArgument(name.substr(colon + 1));
      name = name.substr(0, colon);
    }
  }
  const bool frame = frame_shown_ == 1;
  if (frame) RemoveFrame();
  if (keyed) {
    DrawPictureKeyed(x, y, opacity, name);
  } else {
    DrawPicture(x, y, name);
  }
  if (frame) DrawFrame();
}

void Form1::DrawShape(script::Command command, const std::array<int32_t, 5>& n) {
  using script::Command;
  const std::optional<platform::Color> brush =
      n[4] != 0 ? std::optional<platform::Color>(graphic_brush_color_) : std::nullopt;
  switch (command) {
    case Command::kGDot:
      display::SetPixel(image2_, n[0], n[1], graphic_pen_color_);
      break;
    case Command::kGLine:
      display::DrawLine(image2_, n[0], n[1], n[2], n[3], graphic_pen_color_);
      break;
    case Command::kGSquare:
      display::DrawRectangle(image2_, n[0], n[1], n[2], n[3], graphic_pen_color_, brush);
      break;
    case Command::kGCircle: {
      const std::optional<platform::Color> fill =
          n[3] != 0 ? std::optional<platform::Color>(graphic_brush_color_) : std::nullopt;
      const int64_t x = n[0], y = n[1], r = n[2];
      auto clamp = [](int64_t v) {
        return static_cast<int>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
      };
      display::DrawEllipse(image2_, clamp(x - r), clamp(y - r), clamp(x + r), clamp(y + r),
                           graphic_pen_color_, fill);
      break;
    }
    case Command::kGEllipse:
      display::DrawEllipse(image2_, n[0], n[1], n[2], n[3], graphic_pen_color_, brush);
      break;
    default:
      break;
  }
  Repaint();
}

}  // namespace zepa::engine
