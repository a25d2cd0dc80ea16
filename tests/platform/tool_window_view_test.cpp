#include "platform/toolkit/tool_window_view.h"

#include <gtest/gtest.h>

#include "platform/cp932.h"
#include "platform/font.h"

namespace zepa::platform {
namespace {

// The face the small windows draw with, at their 12-pixel size.
std::unique_ptr<Font> OpenAt12Px(const std::string& file) {
  EXPECT_FALSE(file.empty()) << "no Japanese face installed";
  if (file.empty()) return nullptr;
  FontRequest request;
  request.file_path = file;
  request.char_height_px = 12;
  auto font = OpenFont(request);
  EXPECT_TRUE(font.ok()) << font.message();
  return font.ok() ? std::move(*font) : nullptr;
}

// The windows were designed in a proportional gothic: narrow letters are
// narrower than wide ones, and kana are there.
TEST(ToolkitFont, IsAProportionalJapaneseFace) {
  const std::string file = FindToolkitFontFile();
  auto font = OpenAt12Px(file);
  ASSERT_NE(font, nullptr);
  GlyphImage narrow, wide, kana;
  ASSERT_TRUE(font->RenderGlyph(U'i', &narrow));
  ASSERT_TRUE(font->RenderGlyph(U'W', &wide));
  EXPECT_TRUE(font->RenderGlyph(U'あ', &kana));
  EXPECT_LT(narrow.width * 2, wide.width) << file;
}

// Columns of padded numbers (the debug monitor's clock) need a face whose
// letters all take the same width.
TEST(ToolkitFont, TheFixedPitchFaceGivesEveryLetterOneWidth) {
  const std::string file = FindFixedPitchToolkitFontFile();
  auto font = OpenAt12Px(file);
  ASSERT_NE(font, nullptr);
  GlyphImage narrow, wide, digit;
  ASSERT_TRUE(font->RenderGlyph(U'i', &narrow));
  ASSERT_TRUE(font->RenderGlyph(U'W', &wide));
  ASSERT_TRUE(font->RenderGlyph(U'1', &digit));
  EXPECT_EQ(narrow.width, wide.width) << file;
  EXPECT_EQ(digit.width, wide.width) << file;
}

// Every character of JIS X 0208 (rows 1-8 and 16-84), each converted from
// its two CP932 bytes, as UTF-8; `count` is how many converted.
std::string JisX0208AsUtf8(int* count) {
  std::string utf8;
  *count = 0;
  for (int row = 1; row <= 84; ++row) {
    if (row > 8 && row < 16) continue;
    for (int cell = 1; cell <= 94; ++cell) {
      const int lead = ((row - 1) >> 1) + (row <= 62 ? 0x81 : 0xC1);
      const int trail = row % 2 ? cell + 0x3F + (cell >= 64 ? 1 : 0) : cell + 0x9E;
      const char bytes[2] = {static_cast<char>(lead), static_cast<char>(trail)};
      const char32_t cp = Cp932CharToUtf32(std::string_view(bytes, 2));
      if (cp == kReplacementChar) continue;
      AppendUtf8(cp, &utf8);
      ++*count;
    }
  }
  return utf8;
}

std::string ToUtf8(const std::u32string& text) {
  std::string out;
  for (char32_t c : text) AppendUtf8(c, &out);
  return out;
}

// A window opens with few characters and is given others later (the menu's
// notice, a variable the debug monitor has not seen yet): each character of
// the set still draws with a glyph of its own in both the 12-pixel and a
// larger font, never as the fallback mark.
TEST(ToolWindowView, EveryJisX0208CharacterGivenAfterOpeningHasItsOwnGlyph) {
  SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, 200, 100, 32, SDL_PIXELFORMAT_ARGB8888);
  ASSERT_NE(surface, nullptr) << SDL_GetError();
  SDL_Renderer* renderer = SDL_CreateSoftwareRenderer(surface);
  ASSERT_NE(renderer, nullptr) << SDL_GetError();
  {
    ToolWindow w;
    w.client_width = 190;
    w.client_height = 70;
    Control small;
    small.name = "Small";
    small.rect = {4, 4, 180, 14};
    small.text = "スクリーン";
    w.controls.push_back(small);
    Control large = small;
    large.name = "Large";
    large.rect.y = 24;
    large.font_px = 21;
    large.text.clear();
    w.controls.push_back(large);
    ToolWindowView view(renderer, w);
    ASSERT_TRUE(view.ok()) << view.status().message();
    view.Draw(w);

    int count = 0;
    const std::string all = JisX0208AsUtf8(&count);
    ASSERT_EQ(count, 6879);
    w.Find("Small")->text = all;
    w.Find("Large")->text = all;
    w.caption = all;
    w.Touch();
    view.Draw(w);
    EXPECT_EQ(ToUtf8(view.MissingGlyphs(all, 12)), "");
    EXPECT_EQ(ToUtf8(view.MissingGlyphs(all, 21)), "");
    // A character no face has (the private use area) is reported.
    EXPECT_EQ(view.MissingGlyphs("\uE000", 12), U"\uE000");
  }
  SDL_DestroyRenderer(renderer);
  SDL_FreeSurface(surface);
}

TEST(ToolkitFont, AnUndrawableWindowIsRefusedWithAReason) {
  ToolWindow w;
  w.client_width = 0;
  w.client_height = -40;
  const Result<Surface> out = RenderToolWindow(w);
  EXPECT_FALSE(out.ok());
  EXPECT_FALSE(out.message().empty());
}

// A window opened at the game's scale keeps its layout: borders and faces
// are the unscaled window's grown by whole pixels, while its text is drawn
// at the enlarged size (finer than whole-pixel blocks), and its caption bar
// is still where the player drags it.
TEST(ToolWindowView, AScaledWindowKeepsItsLayoutAndDrawsTextAtSize) {
  ToolWindow w;
  w.caption = "質問 Question";
  w.client_width = 120;
  w.client_height = 40;
  Control label;
  label.name = "Text";
  label.rect = {4, 4, 110, 14};
  label.text = "はい Yes";
  w.controls.push_back(label);
  const Result<Surface> drawn_one = RenderToolWindow(w);
  const Result<Surface> drawn_three = RenderToolWindow(w, 3);
  ASSERT_TRUE(drawn_one.ok()) << drawn_one.message();
  ASSERT_TRUE(drawn_three.ok()) << drawn_three.message();
  const Surface& one = *drawn_one;
  const Surface& three = *drawn_three;
  ASSERT_EQ(one.width, w.OuterWidth());
  ASSERT_EQ(three.width, one.width * 3);
  ASSERT_EQ(three.height, one.height * 3);
  const int client_top = kFrameBorderPx + kCaptionBarPx;
  // Away from the text: the left and bottom borders and the face below the
  // label are whole-pixel copies.
  int differing = 0;
  for (int y = 0; y < three.height; ++y) {
    for (int x = 0; x < three.width; ++x) {
      const bool border = x < kFrameBorderPx * 3 || y >= three.height - kFrameBorderPx * 3;
      const bool face = y >= (client_top + 20) * 3 && y < (client_top + 36) * 3;
      if ((border || face) && three.Get(x, y) != one.Get(x / 3, y / 3)) ++differing;
    }
  }
  EXPECT_EQ(differing, 0);
  // In the label, blocks of 3 x 3 that are not one colour: glyph edges
  // drawn at three times the detail. Whole-pixel enlargement has none.
  int detailed = 0;
  const int lx = kFrameBorderPx + 4, ly = client_top + 4;
  for (int by = ly; by < ly + 14; ++by) {
    for (int bx = lx; bx < lx + 110; ++bx) {
      const Color first = three.Get(bx * 3, by * 3);
      bool mixed = false;
      for (int i = 0; i < 9; ++i) mixed |= three.Get(bx * 3 + i % 3, by * 3 + i / 3) != first;
      detailed += mixed ? 1 : 0;
    }
  }
  EXPECT_GT(detailed, 20);

  // The caption bar, in the enlarged window's own pixels.
  const int bar_y = (kFrameBorderPx + kCaptionBarPx / 2) * 3;
  EXPECT_TRUE(ToolWindowView::InScaledCaptionBar(w, 30 * 3, bar_y, 3));
  EXPECT_FALSE(ToolWindowView::InCaptionBar(w, 30 * 3, bar_y));
  EXPECT_FALSE(
      ToolWindowView::InScaledCaptionBar(w, 30 * 3, (kFrameBorderPx + kCaptionBarPx + 10) * 3, 3));
}

}  // namespace
}  // namespace zepa::platform
