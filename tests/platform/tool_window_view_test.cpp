#include "platform/sdl/tool_window_view.h"

#include <gtest/gtest.h>

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
  std::string error;
  auto font = OpenFont(request, &error);
  EXPECT_NE(font, nullptr) << error;
  return font;
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

TEST(ToolkitFont, AnUndrawableWindowIsRefusedWithAReason) {
  ToolWindow w;
  w.client_width = 0;
  w.client_height = -40;
  Surface out;
  std::string error;
  EXPECT_FALSE(RenderToolWindow(w, &out, &error));
  EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace zepa::platform
