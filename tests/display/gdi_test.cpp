#include "display/gdi.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace zepa::display {
namespace {

constexpr Color kPen = 0x00ff00, kBrush = 0xff0000, kPaper = 0xffffff;

// One string per row: '.' paper, '#' pen, 'o' brush, '?' anything else.
std::string Picture(const Surface& s) {
  std::string out;
  for (int y = 0; y < s.height; ++y) {
    for (int x = 0; x < s.width; ++x) {
      Color c = s.Get(x, y);
      out += c == kPaper ? '.' : c == kPen ? '#' : c == kBrush ? 'o' : '?';
    }
    out += '\n';
  }
  return out;
}

TEST(SetPixel, PaintsInsideIgnoresOutside) {
  Surface s(2, 2, kPaper);
  SetPixel(s, 1, 0, kPen);
  SetPixel(s, -1, 0, kPen);
  SetPixel(s, 2, 1, kPen);
  SetPixel(s, INT_MIN, INT_MAX, kPen);
  EXPECT_EQ(Picture(s), ".#\n..\n");
}

TEST(DrawLine, LeavesOutTheEndPointAndSplitsHalvesUpOrLeft) {
  Surface s(6, 3, kPaper);
  DrawLine(s, 0, 0, 4, 2, kPen);  // halves at x 1 and 3 go to the upper row
  EXPECT_EQ(Picture(s),
            "##....\n"
            "..##..\n"
            "......\n");
  Surface back(6, 3, kPaper);
  DrawLine(back, 4, 2, 0, 0, kPen);  // same pixels, its own end point left out
  EXPECT_EQ(Picture(back),
            ".#....\n"
            "..##..\n"
            "....#.\n");
  Surface steep(3, 5, kPaper);
  DrawLine(steep, 0, 0, 2, 4, kPen);  // y-major: halves go to the left column
  EXPECT_EQ(Picture(steep),
            "#..\n"
            "#..\n"
            ".#.\n"
            ".#.\n"
            "...\n");
  Surface flat(4, 2, kPaper);
  DrawLine(flat, 3, 1, 0, 1, kPen);
  DrawLine(flat, 1, 0, 1, 0, kPen);  // zero length: nothing
  EXPECT_EQ(Picture(flat), "....\n.###\n");
}

TEST(DrawLine, ClipsHugeCoordinatesWithoutStepping) {
  Surface s(4, 4, kPaper);
  DrawLine(s, INT_MIN, INT_MIN, INT_MAX, INT_MAX, kPen);
  EXPECT_EQ(Picture(s), "#...\n.#..\n..#.\n...#\n");
  Surface t(4, 4, kPaper);
  DrawLine(t, -1000000000, 2, 1000000000, 2, kPen);
  DrawLine(t, INT_MAX, INT_MIN, INT_MAX, INT_MAX, kPen);  // wholly outside
  EXPECT_EQ(Picture(t), "....\n....\n####\n....\n");
}

TEST(DrawRectangle, OutlinesAndFillsTheBoxWithoutItsRightAndBottomEdges) {
  Surface s(6, 5, kPaper);
  DrawRectangle(s, 5, 4, 1, 0, kPen, kBrush);  // corners swapped
  EXPECT_EQ(Picture(s),
            ".####.\n"
            ".#oo#.\n"
            ".#oo#.\n"
            ".####.\n"
            "......\n");
  Surface o(4, 3, kPaper);
  DrawRectangle(o, 0, 0, 3, 3, kPen, std::nullopt);
  EXPECT_EQ(Picture(o), "###.\n#.#.\n###.\n");
  Surface thin(3, 2, kPaper);
  DrawRectangle(thin, 1, 0, 2, 2, kPen, kBrush);
  DrawRectangle(thin, 0, 0, 0, 2, kPen, kBrush);  // empty box
  EXPECT_EQ(Picture(thin), ".#.\n.#.\n");
  Surface huge(3, 3, kPaper);
  DrawRectangle(huge, INT_MIN, INT_MIN, INT_MAX, INT_MAX, kPen, kBrush);
  EXPECT_EQ(Picture(huge), "ooo\nooo\nooo\n");
}

TEST(DrawEllipse, FitsTheBoxOutlineOnePixelInsideFilled) {
  Surface s(7, 7, kPaper);
  DrawEllipse(s, 1, 1, 6, 6, kPen, kBrush);
  EXPECT_EQ(Picture(s),
            ".......\n"
            "..###..\n"
            ".#ooo#.\n"
            ".#ooo#.\n"
            ".#ooo#.\n"
            "..###..\n"
            ".......\n");
  Surface o(7, 7, kPaper);
  DrawEllipse(o, 6, 6, 1, 1, kPen, std::nullopt);
  EXPECT_EQ(Picture(o),
            ".......\n"
            "..###..\n"
            ".#...#.\n"
            ".#...#.\n"
            ".#...#.\n"
            "..###..\n"
            ".......\n");
  Surface line(5, 3, kPaper);
  DrawEllipse(line, 0, 1, 5, 2, kPen, kBrush);  // one row high: all outline
  EXPECT_EQ(Picture(line), ".....\n#####\n.....\n");
}

TEST(DrawEllipse, CircleOfRadiusFiftyTouchesEachSideOfItsBoxOnce) {
  Surface s(200, 200, kPaper);
  DrawEllipse(s, 50, 50, 150, 150, kPen, std::nullopt);
  int left = 200, right = -1, top = 200, bottom = -1;
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 200; ++x)
      if (s.Get(x, y) == kPen) {
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
        // Symmetric about the box centre (99.5, 99.5).
        EXPECT_EQ(s.Get(199 - x, y), kPen);
        EXPECT_EQ(s.Get(y, x), kPen);
      }
  EXPECT_EQ(left, 50);
  EXPECT_EQ(right, 149);
  EXPECT_EQ(top, 50);
  EXPECT_EQ(bottom, 149);
  EXPECT_EQ(s.Get(100, 100), kPaper);  // not filled
  // Each row of the outline is one run on each side.
  for (int y = 51; y < 149; ++y) {
    int runs = 0;
    for (int x = 0; x < 200; ++x)
      if (s.Get(x, y) == kPen && (x == 0 || s.Get(x - 1, y) != kPen)) ++runs;
    EXPECT_EQ(runs, 2) << y;
  }
}

TEST(DrawEllipse, HugeBoxesStayBoundedAndClipped) {
  Surface s(4, 4, kPaper);
  DrawEllipse(s, INT_MIN, INT_MIN, INT_MAX, INT_MAX, kPen, kBrush);
  EXPECT_EQ(Picture(s), "oooo\noooo\noooo\noooo\n");
  Surface t(4, 4, kPaper);
  DrawEllipse(t, INT_MIN, 1, INT_MAX, 3, kPen, std::nullopt);  // two rows: both outline
  EXPECT_EQ(Picture(t), "....\n####\n####\n....\n");
  Surface u(4, 4, kPaper);
  DrawEllipse(u, 10, 10, 20, 20, kPen, kBrush);
  EXPECT_EQ(Picture(u), "....\n....\n....\n....\n");
}

}  // namespace
}  // namespace zepa::display
