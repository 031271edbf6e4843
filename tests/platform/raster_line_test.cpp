// Pen lines: end points, pen width, clipping.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <set>
#include <utility>

#include "platform/pictures/bitmap.h"

namespace {

using Pixels = std::set<std::pair<int, int>>;

Pixels setPixels(const TBitmap& b) {
  Pixels s;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x)
      if (b.Pixel(x, y) != clBlack) s.insert({x, y});
  return s;
}

}  // namespace

TEST(RasterLine, OnePixelPenLeavesOutTheEndPoint) {
  struct Case {
    int x0, y0, x1, y1;
    Pixels want;
  } cases[] = {
      {2, 3, 7, 3, {{2, 3}, {3, 3}, {4, 3}, {5, 3}, {6, 3}}},
      {7, 3, 2, 3, {{7, 3}, {6, 3}, {5, 3}, {4, 3}, {3, 3}}},
      {4, 8, 4, 5, {{4, 8}, {4, 7}, {4, 6}}},
      {0, 0, 3, 3, {{0, 0}, {1, 1}, {2, 2}}},
      {5, 5, 5, 5, {}},                 // zero length draws nothing
      {-3, 1, 2, 1, {{0, 1}, {1, 1}}},  // starts left of the image
      {8, 2, 12, 2, {{8, 2}, {9, 2}}},  // runs off the right edge (width 10)
  };
  for (const Case& c : cases) {
    TBitmap b(10, 10);
    DrawLine(b, c.x0, c.y0, c.x1, c.y1, 1, clWhite);
    EXPECT_EQ(setPixels(b), c.want) << c.x0 << "," << c.y0 << " -> " << c.x1 << "," << c.y1;
  }
}

TEST(RasterLine, SlopedLinesHaveOnePixelPerMajorStepNearTheIdealLine) {
  struct Case {
    int x0, y0, x1, y1;
  } cases[] = {{0, 0, 17, 5}, {17, 9, 1, 2}, {3, 0, 8, 19}, {9, 19, 0, 1}};
  for (const Case& c : cases) {
    TBitmap b(20, 20);
    DrawLine(b, c.x0, c.y0, c.x1, c.y1, 1, clWhite);
    const Pixels got = setPixels(b);
    const bool xMajor = std::abs(c.x1 - c.x0) >= std::abs(c.y1 - c.y0);
    const int steps = xMajor ? std::abs(c.x1 - c.x0) : std::abs(c.y1 - c.y0);
    EXPECT_EQ(int(got.size()), steps);
    for (auto [x, y] : got) {
      const double t = xMajor ? double(x - c.x0) / (c.x1 - c.x0) : double(y - c.y0) / (c.y1 - c.y0);
      const double ideal = xMajor ? c.y0 + t * (c.y1 - c.y0) : c.x0 + t * (c.x1 - c.x0);
      EXPECT_LE(std::fabs((xMajor ? y : x) - ideal), 0.5) << x << "," << y;
      EXPECT_LT(t, 1.0);
    }
  }
}

TEST(RasterLine, WidePenOutlineIsClosedAndTwoPixelsThick) {
  // The slot screens outline a rectangle with a pen of width 2: (l, t) to (r-1, t) to
  // (r-1, b-1) to (l, b-1) and back to (l, t).
  const int l = 10, t = 8, r = 30, bot = 20;
  TBitmap b(40, 30);
  const int pts[5][2] = {{l, t}, {r - 1, t}, {r - 1, bot - 1}, {l, bot - 1}, {l, t}};
  for (int i = 0; i < 4; ++i)
    DrawLine(b, pts[i][0], pts[i][1], pts[i + 1][0], pts[i + 1][1], 2, clYellow);
  for (int x = l; x < r; ++x) {
    EXPECT_EQ(b.Pixel(x, t), clYellow) << "top " << x;
    EXPECT_EQ(b.Pixel(x, bot - 1), clYellow) << "bottom " << x;
  }
  for (int y = t; y < bot; ++y) {
    EXPECT_EQ(b.Pixel(l, y), clYellow) << "left " << y;
    EXPECT_EQ(b.Pixel(r - 1, y), clYellow) << "right " << y;
  }
  // Each side is two pixels across, and nothing reaches further in or out.
  for (int x = l + 2; x < r - 2; ++x) {
    int topRows = 0;
    for (int y = 0; y < 30; ++y) topRows += (y < (t + bot) / 2 && b.Pixel(x, y) == clYellow);
    EXPECT_EQ(topRows, 2) << "column " << x;
  }
  for (int y = t + 2; y < bot - 2; ++y)
    for (int x = l + 2; x < r - 2; ++x) ASSERT_EQ(b.Pixel(x, y), clBlack) << x << "," << y;
  EXPECT_EQ(b.Pixel(l - 2, t), clBlack);
  EXPECT_EQ(b.Pixel(r + 1, bot), clBlack);
}

TEST(RasterLine, ExtremeCoordinatesAreClippedQuickly) {
  // A line across the whole int32 range must draw only what lies in the image, without walking
  // four billion steps.
  TBitmap b(16, 16);
  DrawLine(b, INT32_MIN, 5, INT32_MAX, 5, 1, clWhite);
  for (int x = 0; x < 16; ++x) EXPECT_EQ(b.Pixel(x, 5), clWhite) << x;
  EXPECT_EQ(setPixels(b).size(), 16u);

  TBitmap c(16, 16);
  DrawLine(c, INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN, INT32_MAX, clWhite);
  DrawLine(c, 3, INT32_MIN, 3, INT32_MAX, 3, clWhite);
  for (int y = 0; y < 16; ++y) EXPECT_EQ(c.Pixel(3, y), clWhite) << y;
}
