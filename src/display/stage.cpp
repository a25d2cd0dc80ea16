#include "display/stage.h"

#include <algorithm>
#include <vector>

#include "display/effects.h"
#include "display/gdi.h"
#include "display/picture.h"
#include "display/pixels.h"
#include "platform/cp932.h"
#include "script/arguments.h"
#include "script/file_names.h"
#include "script/fixed_text.h"

namespace zepa::display {
namespace {

constexpr int kW = kStageWidth;
constexpr int kH = kStageHeight;
// "picture:" and "chara:" are kept in 512-byte buffers.
constexpr size_t kRecordBytes = 512;

// Rounds a halved difference down, also when the picture is larger.
int FloorHalf(int v) { return v >= 0 ? v / 2 : -((-v + 1) / 2); }

}  // namespace

Stage::Stage(platform::Host& host, PictureSource& pictures, int& adv_mode)
    : host_(host),
      pictures_(pictures),
      adv_mode_(adv_mode),
      back_buffer_(kW, kH, 0xffffff),
      display_(kW, kH, 0xffffff) {}

void Stage::Reset() {
  picture_path_.clear();
  character_record_.clear();
  frame_shown_ = 0;
  character_count_ = 0;
  graphic_brush_color_ = 0xff0000;
  graphic_pen_color_ = 0x00ff00;
}

void Stage::Repaint() { host_.Invalidate(display_); }

void Stage::Flip() {
  display_ = back_buffer_;
  if (display_replaced_) display_replaced_();
  Repaint();
}

void Stage::FadeToBuffer(int32_t duration_ms) {
  const auto busy = HoldBusy(adv_mode_);
  const uint32_t d = EffectDurationMs(duration_ms);
  if (display_replaced_) display_replaced_();
  const platform::Surface from = display_;
  const platform::Surface& to = back_buffer_;
  const uint64_t step = std::max<uint32_t>(1, 65536 / d);
  const uint32_t start = host_.NowMs();
  for (;;) {
    uint64_t t = static_cast<uint64_t>(host_.NowMs() - start) * step;
    if (t > 65536) t = 65536;
    if (HurryHeld(host_) || host_.Closed()) break;
    if (host_.FrameWanted()) BlendFrames(from, to, display_, static_cast<uint32_t>(t));
    host_.PresentWholeFrame(display_);
    if (t >= 65536) break;
  }
  display_ = to;
  Repaint();
}

void Stage::FillBuffer(platform::Color color) { back_buffer_.Fill(color); }

void Stage::PicCommand(std::string_view name) {
  LoadBackground(name);
  ForgetCharacters();
  DrawFrame();
}

void Stage::PictureCommand(std::string_view name) {
  LoadBackground(name);
  frame_shown_ = 0;
  ForgetCharacters();
}

void Stage::PCommand(std::string_view name) {
  LoadBackground(name);
  DrawFrame();
  ForgetCharacters();
  FadeToBuffer(1000);
}

void Stage::FillCommand(platform::Color color) {
  FillBuffer(color);
  ForgetCharacters();
  frame_shown_ = 0;
}

void Stage::CharaCommand(std::string_view arg) {
  const bool frame = frame_shown_ == 1;
  if (frame) RemoveFrame();
  ShowCharacters(arg);
  if (frame) DrawFrame();
}

void Stage::LoadBackground(std::string_view name) {
  frame_shown_ = 0;
  picture_path_.clear();
  if (name.empty()) return;
  picture_path_ = script::Bounded(pictures_.Resolve(name), kRecordBytes);
  const auto kind = PictureKindOf(picture_path_);
  if (kind == PictureKind::kNone) return;
  auto picture = pictures_.Load(name);
  if (!picture) return;
  if (kind == PictureKind::kBmp) {
    // A bitmap background replaces the back buffer whole; what a smaller one
    // does not cover is black, as a bitmap grown to the screen would be.
    back_buffer_.Fill(0);
    Blit(back_buffer_, *picture, 0, 0);
  } else {
    Blit(back_buffer_, *picture, FloorHalf(kW - picture->width), FloorHalf(kH - picture->height));
  }
  Repaint();
}

void Stage::DrawPicture(int x, int y, std::string_view name) {
  auto picture = pictures_.Load(name);
  if (!picture) return;
  if (x == -1 && y == -1) {
    x = FloorHalf(kW - picture->width);
    y = FloorHalf(kH - picture->height);
  }
  Blit(back_buffer_, *picture, x, y);
  Repaint();
}

void Stage::DrawPictureKeyed(int x, int y, int opacity, std::string_view name) {
  if (opacity < 0 || opacity > 100) opacity = 0;
  auto picture = pictures_.Load(name);
  if (!picture) return;
  if (x == -1 && y == -1) {
    x = FloorHalf(kW - picture->width);
    y = FloorHalf(kH - picture->height);
  }
  platform::Surface area = CopyRect(back_buffer_, x, y, picture->width, picture->height);
  DrawKeyed(area, *picture, opacity);
  Blit(back_buffer_, area, x, y);
  Repaint();
}

void Stage::EraseCharacter(int slot) {
  if (character_count_ > 0) --character_count_;
  Character& c = characters_[static_cast<size_t>(slot - 1)];
  if (c.backup.Empty()) return;
  Blit(back_buffer_, c.backup, c.center - c.backup.width / 2, kH - c.backup.height);
  Repaint();
}

void Stage::ShowCharacters(std::string_view argument) {
  character_record_ = script::Bounded(argument, kRecordBytes);
  for (int slot = character_count_; slot >= 1; --slot) EraseCharacter(slot);
  character_count_ = 0;
  for (Character& c : characters_) c.center = 0;
  if (argument.empty() || argument[0] == '\r' || argument[0] == '\n') return;

  // At most three names; blanks after a comma are skipped.
  std::vector<std::string> names;
  size_t pos = 0;
  while (names.size() < 3) {
    size_t comma = argument.find(',', pos);
    names.emplace_back(argument.substr(
        pos, comma == std::string_view::npos ? std::string_view::npos : comma - pos));
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
    auto picture = pictures_.Load(names[i]);
    if (!picture) continue;
    const int left = c.center - picture->width / 2;
    const int top = kH - picture->height;
    c.backup = CopyRect(back_buffer_, left, top, picture->width, picture->height);
    platform::Surface area = c.backup;
    DrawKeyed(area, *picture, 0);
    Blit(back_buffer_, area, left, top);
    Repaint();
  }
}

void Stage::ShadeStrip(std::string_view name) {
  frame_backup_ = platform::Surface();
  auto mask = pictures_.Load(name);
  if (!mask) return;
  const int top = kH - mask->height;
  frame_backup_ = CopyRect(back_buffer_, 0, top, mask->width, mask->height);
  platform::Surface strip = frame_backup_;
  display::ShadeStrip(strip, *mask);
  Blit(back_buffer_, strip, 0, top);
  Repaint();
}

void Stage::DrawFrame() {
  ShadeStrip("frame\\frame2.bmp");
  DrawPictureKeyed(0, kH - frame_backup_.height, 0, "frame\\frame.bmp");
  frame_shown_ = 1;
}

void Stage::RemoveFrame() {
  if (!frame_backup_.Empty()) Blit(back_buffer_, frame_backup_, 0, kH - frame_backup_.height);
  Repaint();
  frame_shown_ = 0;
}

void Stage::ForgetCharacters() {
  character_count_ = 0;
  character_record_.clear();
}

// "bpicture" and "bpic": an optional x,y prefix, read only when a comma is
// present; "bpic" takes an opacity after the first colon.
void Stage::DrawPictureCommand(std::string_view arg, bool keyed) {
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
    const size_t colon = script::FindFirstSeparator(name, ":");
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

namespace {
// The shapes fill with the brush when their fill value is not 0.
std::optional<platform::Color> BrushIf(int32_t fill, platform::Color brush) {
  return fill != 0 ? std::optional<platform::Color>(brush) : std::nullopt;
}
}  // namespace

void Stage::DotCommand(const Numbers& n) {
  SetPixel(display_, n[0], n[1], graphic_pen_color_);
  Repaint();
}

void Stage::LineCommand(const Numbers& n) {
  DrawLine(display_, n[0], n[1], n[2], n[3], graphic_pen_color_);
  Repaint();
}

void Stage::SquareCommand(const Numbers& n) {
  DrawRectangle(display_, n[0], n[1], n[2], n[3], graphic_pen_color_,
                BrushIf(n[4], graphic_brush_color_));
  Repaint();
}

void Stage::CircleCommand(const Numbers& n) {
  const int64_t x = n[0], y = n[1], r = n[2];
  auto clamp = [](int64_t v) {
    return static_cast<int>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
  };
  DrawEllipse(display_, clamp(x - r), clamp(y - r), clamp(x + r), clamp(y + r), graphic_pen_color_,
              BrushIf(n[3], graphic_brush_color_));
  Repaint();
}

void Stage::EllipseCommand(const Numbers& n) {
  DrawEllipse(display_, n[0], n[1], n[2], n[3], graphic_pen_color_,
              BrushIf(n[4], graphic_brush_color_));
  Repaint();
}

void Stage::RestoreRecord(std::string picture_path, std::string character_record, int frame_shown) {
  picture_path_ = script::Bounded(picture_path, kRecordBytes);
  character_record_ = script::Bounded(character_record, kRecordBytes);
  frame_shown_ = frame_shown;
}

void Stage::AddDumpFields(nlohmann::ordered_json& j) const {
  j["picture"] = platform::Cp932ToUtf8(picture_path_);
  j["frame_shown"] = frame_shown_;
  j["chara"] = platform::Cp932ToUtf8(character_record_);
  j["character_count"] = character_count_;
  j["graphic_pen_color"] = graphic_pen_color_;
  j["graphic_brush_color"] = graphic_brush_color_;
}

}  // namespace zepa::display
