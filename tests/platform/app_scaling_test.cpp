// The scaled window's mapping: where the view is drawn in the window's drawable, and which view
// pixel a window point lands on, for window sizes, bars, HiDPI drawables and fractional scales.
#include <gtest/gtest.h>

#include "platform/windows/app_internal.h"

namespace {

struct Case {
  const char* what;
  int32_t viewW, viewH, winW, winH, outW, outH;
  bool wholeFactor;
  TRect placed;
  std::vector<std::pair<TPoint, TPoint>> points;  // window point -> view point
};

}  // namespace

TEST(ViewScaling, PlacesTheViewAndMapsWindowPointsBack) {
  const Case cases[] = {
      {"x1", 640, 500, 640, 500, 640, 500, true, Rect(0, 0, 640, 500),
       {{{0, 0}, {0, 0}}, {{639, 499}, {639, 499}}, {{-1, -1}, {-1, -1}}, {{640, 500}, {640, 500}}}},
      {"x2", 640, 500, 1280, 1000, 1280, 1000, true, Rect(0, 0, 1280, 1000),
       {{{1, 1}, {0, 0}}, {{2, 3}, {1, 1}}, {{1279, 999}, {639, 499}}, {{-1, 0}, {-1, 0}}}},
      {"x3", 640, 500, 1920, 1500, 1920, 1500, true, Rect(0, 0, 1920, 1500),
       {{{2, 5}, {0, 1}}, {{3, 6}, {1, 2}}, {{1919, 1499}, {639, 499}}}},
      {"wider window, bars left and right", 640, 500, 1400, 1000, 1400, 1000, true,
       Rect(60, 0, 1340, 1000),
       {{{59, 500}, {-1, 250}}, {{60, 0}, {0, 0}}, {{1339, 999}, {639, 499}}, {{1340, 0}, {640, 0}}}},
      {"between factors, sharp: the whole factor with bars", 640, 500, 1000, 900, 1000, 900, true,
       Rect(180, 200, 820, 700), {{{180, 200}, {0, 0}}, {{179, 699}, {-1, 499}}, {{819, 700}, {639, 500}}}},
      {"between factors, smooth: the largest fit", 640, 500, 1000, 900, 1000, 900, false,
       Rect(0, 59, 1000, 840), {{{0, 59}, {0, 0}}, {{0, 58}, {0, -1}}, {{999, 839}, {639, 499}}}},
      {"smaller than the view", 640, 500, 320, 250, 320, 250, true, Rect(0, 0, 320, 250),
       {{{0, 0}, {1, 1}}, {{319, 249}, {639, 499}}}},
      {"full screen 640x480 on 1920x1200", 640, 480, 1920, 1200, 1920, 1200, false,
       Rect(160, 0, 1760, 1200),
       {{{160, 0}, {0, 0}}, {{159, 600}, {-1, 240}}, {{1759, 1199}, {639, 479}}, {{1760, 0}, {640, 0}}}},
      {"HiDPI x1: drawable twice the window", 640, 500, 640, 500, 1280, 1000, true,
       Rect(0, 0, 1280, 1000), {{{10, 20}, {10, 20}}, {{639, 499}, {639, 499}}}},
      {"HiDPI with bars", 640, 500, 700, 500, 1400, 1000, true, Rect(60, 0, 1340, 1000),
       {{{29, 0}, {-1, 0}}, {{30, 0}, {0, 0}}, {{669, 499}, {639, 499}}, {{670, 0}, {640, 0}}}},
      {"HiDPI drawable at 1.5", 640, 500, 640, 500, 960, 750, false, Rect(0, 0, 960, 750),
       {{{0, 0}, {0, 0}}, {{639, 499}, {639, 499}}}},
  };
  for (const Case& c : cases) {
    const ViewScaling s =
        ViewScaling::Make(c.viewW, c.viewH, c.winW, c.winH, c.outW, c.outH, c.wholeFactor);
    EXPECT_EQ(s.placed, c.placed) << c.what;
    for (const auto& [window, view] : c.points)
      EXPECT_EQ(s.ToView(window), view) << c.what << " at " << window.x << "," << window.y;
    // Where every view pixel covers a window point, the point at its corner maps back to it.
    if (c.placed.Right - c.placed.Left < c.viewW * c.outW / c.winW) continue;
    for (int32_t y = 0; y < c.viewH; y += 7)
      for (int32_t x = 0; x < c.viewW; x += 13)
        ASSERT_EQ(s.ToView(s.ToWindow(TPoint{x, y})), (TPoint{x, y})) << c.what;
  }
}

TEST(ViewScaling, OutputRectanglesCoverTheirPixelsAndNoSizeMapsToItself) {
  const ViewScaling x2 = ViewScaling::Make(640, 500, 1400, 1000, 1400, 1000, true);
  EXPECT_EQ(x2.ToOutput(Rect(10, 20, 11, 22)), Rect(80, 40, 82, 44));
  const ViewScaling frac = ViewScaling::Make(640, 480, 1920, 1200, 1920, 1200, false);
  EXPECT_EQ(frac.ToOutput(Rect(1, 1, 2, 2)), Rect(162, 2, 165, 5));
  const ViewScaling none = ViewScaling::Make(640, 500, 0, 0, 0, 0, true);
  EXPECT_FALSE(none.Valid());
  EXPECT_EQ(none.ToView(TPoint{5, 6}), (TPoint{5, 6}));
}
