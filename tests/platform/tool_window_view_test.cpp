#include "platform/sdl/tool_window_view.h"

#include <gtest/gtest.h>

#include "platform/font.h"

namespace zepa::platform {
namespace {

// The windows were designed in a proportional gothic: narrow letters are
// narrower than wide ones, and kana are there.
TEST(ToolkitFont, IsAProportionalJapaneseFace) {
  const std::string file = FindToolkitFontFile();
  ASSERT_FALSE(file.empty()) << "no Japanese face installed";
  FontRequest request;
  request.file_path = file;
  request.char_height_px = 12;
  std::string error;
  auto font = OpenFont(request, &error);
  ASSERT_NE(font, nullptr) << error;
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
  ASSERT_FALSE(file.empty()) << "no Japanese face installed";
  FontRequest request;
  request.file_path = file;
  request.char_height_px = 12;
  std::string error;
  auto font = OpenFont(request, &error);
  ASSERT_NE(font, nullptr) << error;
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
