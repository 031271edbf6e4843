// The control on a form: copies to and from the screen, message processing inside FadeExecute
// and shadowed text.
#include <gtest/gtest.h>

#include <string>

#include "paint/splpaint.h"
#include "paint_test_util.h"
#include "platform/text/cp932.h"
#include "platform/backend/fake/fake_backend.h"

using namespace painttest;

namespace {

class OnForm : public ::testing::Test {
 protected:
  FakeBackend fake;
  TApplication app;
  TForm form;
  TSplPaint sp{&form};

  void SetUp() override {
    app.MainForm = &form;
    form.SetClientSize(640, 480);
    form.Show();
    app.ProcessMessages();
  }
  TColor screen(int32_t x, int32_t y) { return form.Canvas().Pixel(x, y); }
};

TEST_F(OnForm, DrawToScreenShowsTheSceneAtOnce) {
  const TBitmap pic = gradient(640, 480);
  sp.SetBkGnd(&pic, true);
  sp.Temp = SolidPicture(640, 480, clRed);
  const uint64_t frames = fake.FrameCount();
  sp.DrawToScreen(true);
  EXPECT_EQ(fake.FrameCount(), frames + 1);
  EXPECT_TRUE(SamePixels(form.Canvas(), pic));
  EXPECT_EQ(fake.ClientPixel(100, 50), pic.Pixel(100, 50));
  sp.DrawToScreen(false);
  EXPECT_EQ(fake.ClientPixel(639, 479), clRed);
  // An empty source draws nothing and shows nothing.
  sp.BkGnd = TBitmap();
  sp.DrawToScreen(true);
  sp.CopyRectToScreen(true);
  sp.CopyRectToScreen(true, Rect(0, 0, 10, 10));
  EXPECT_EQ(fake.FrameCount(), frames + 2);
}

TEST_F(OnForm, DisplacedAndRectangleCopiesStayInTheControl) {
  FillRect(form.Canvas(), Rect(0, 0, 640, 480), clBlack);
  sp.Left = 10;
  sp.Top = 20;
  sp.Width = 100;
  sp.Height = 50;
  const TBitmap pic = SolidPicture(100, 50, clWhite);
  sp.SetBkGnd(&pic, true);
  sp.DrawToScreen(true, 5, -3);  // a shake: moved right and up
  EXPECT_EQ(CountPixels(form.Canvas(), Rect(0, 0, 640, 480), clWhite), 95 * 47);
  EXPECT_EQ(screen(15, 20), clWhite);
  EXPECT_EQ(screen(14, 20), clBlack);
  EXPECT_EQ(screen(109, 66), clWhite);
  EXPECT_EQ(screen(110, 20), clBlack);  // right of the control
  EXPECT_EQ(screen(15, 67), clBlack);   // bottom rows uncovered
  FillRect(form.Canvas(), Rect(0, 0, 640, 480), clBlack);
  sp.CopyRectToScreen(true, Rect(90, 40, 200, 200));
  EXPECT_EQ(CountPixels(form.Canvas(), Rect(0, 0, 640, 480), clWhite), 10 * 10);
  EXPECT_EQ(screen(100, 60), clWhite);
}

TEST_F(OnForm, ReadingBackFromTheScreen) {
  const TBitmap pic = gradient(640, 480);
  sp.SetBkGnd(&pic, true);
  FillRect(form.Canvas(), Rect(0, 0, 640, 480), clRed);
  sp.CopyRectToBkGnd(true, Rect(0, 10, 640, 19));
  EXPECT_EQ(CountPixels(sp.BkGnd, Rect(0, 0, 640, 480), clRed), 640 * 10);
  EXPECT_EQ(sp.BkGnd.Pixel(3, 19), clRed);
  EXPECT_EQ(sp.BkGnd.Pixel(3, 20), pic.Pixel(3, 20));
  sp.DrawToBkGnd(true);
  EXPECT_EQ(CountPixels(sp.BkGnd, Rect(0, 0, 640, 480), clRed), 640 * 480);
}

TEST_F(OnForm, FadeExecuteProcessesMessagesOnlyWhenAsked) {
  const TBitmap pic = SolidPicture(16, 16, clWhite);
  sp.SetBkGnd(&pic, true);
  sp.FadeFromBlack();
  uint64_t n = fake.ProcessMessagesCount();
  EXPECT_TRUE(sp.FadeExecute(false));
  EXPECT_EQ(fake.ProcessMessagesCount(), n);
  EXPECT_TRUE(sp.FadeExecute(true));
  EXPECT_EQ(fake.ProcessMessagesCount(), n + 1);
  // While messages are processed after the final frame the transition still counts as running.
  bool fadeingInPump = false;
  sp.FadeAbort();
  fake.OnProcessMessages([&] { fadeingInPump = sp.GetFadeing(); });
  EXPECT_FALSE(sp.FadeExecute(true));
  EXPECT_TRUE(fadeingInPump);
  EXPECT_FALSE(sp.GetFadeing());
}

TEST_F(OnForm, FadeExecuteWaitsForALoadAtMost100Passes) {
  const TBitmap pic = SolidPicture(16, 16, clWhite);
  sp.SetBkGnd(&pic, true);
  struct Case {
    int clearAfter;  // passes after which a handler finishes the load; 0 never
    uint64_t passes;
  } cases[] = {{3, 3}, {1, 1}, {0, 100}};
  for (const Case& c : cases) {
    sp.FadeFromBlack();
    sp.Loading = true;
    int seen = 0;
    fake.OnProcessMessages([&] {
      if (++seen == c.clearAfter) sp.Loading = false;
    });
    const uint64_t n = fake.ProcessMessagesCount();
    EXPECT_TRUE(sp.FadeExecute(false));
    EXPECT_EQ(fake.ProcessMessagesCount() - n, c.passes) << c.clearAfter;
    EXPECT_EQ(sp.FadeStep, 1);  // the frame was composed anyway
    fake.OnProcessMessages({});
    sp.Loading = false;
    sp.FadeAbort();
    sp.FadeExecute(false);
  }
}

class Text : public OnForm {
 protected:
  const TColor grey = RGB(128, 128, 128);
  void SetUp() override {
    OnForm::SetUp();
    if (ResolvedFamily(sp.Font).empty()) GTEST_SKIP() << "no Japanese font installed";
    const TBitmap pic = SolidPicture(320, 80, grey);
    sp.SetBkGnd(&pic, true);
  }
  TBitmap draw(const char* text, bool center, TFont* font = nullptr, int target = 1) {
    sp.BkGnd = SolidPicture(320, 80, grey);
    TRect r = Rect(20, 20, 300, 70);
    sp.DoDrawText(target, r, text, font, center);
    EXPECT_EQ(r, Rect(20, 20, 300, 70));
    return sp.BkGnd;
  }
};

TEST_F(Text, ShadowOffsets) {
  struct Case {
    bool center;
    int dx, dy;  // where the black copy lies relative to the coloured one
  } cases[] = {{false, 2, 2}, {true, 0, 2}};
  for (const Case& c : cases) {
    const TBitmap img = draw("HIJ", c.center);
    const TRect white = PixelBounds(img, [](TColor p) { return GetRValue(p) >= 224; });
    const TRect dark = PixelBounds(img, [](TColor p) { return GetRValue(p) <= 32; });
    ASSERT_LT(white.Left, white.Right);
    ASSERT_LT(dark.Left, dark.Right);
    // Strongly covered pixels only: allow one pixel of antialiasing either way.
    EXPECT_NEAR(dark.Right - white.Right, c.dx, 1) << c.center;
    EXPECT_NEAR(dark.Bottom - white.Bottom, c.dy, 1) << c.center;
  }
}

TEST_F(Text, CallersFontKeepsItsColourAndTargetsOtherThanZeroAndOneDrawNothing) {
  TFont f = sp.Font;
  f.Color = clYellow;
  const TBitmap img = draw("AB", false, &f);
  EXPECT_EQ(f.Color, clYellow);
  EXPECT_EQ(sp.Font.Color, clWhite);
  EXPECT_GT(CountPixels(img, Rect(0, 0, 320, 80), clYellow), 0);
  EXPECT_GT(CountPixels(img, Rect(0, 0, 320, 80), clBlack), 0);
  EXPECT_TRUE(SamePixels(draw("AB", false, nullptr, 2), SolidPicture(320, 80, grey)));
  EXPECT_TRUE(SamePixels(draw("AB", false, nullptr, -1), SolidPicture(320, 80, grey)));
  EXPECT_TRUE(SamePixels(draw("", false), SolidPicture(320, 80, grey)));
  EXPECT_TRUE(SamePixels(draw(nullptr, false), SolidPicture(320, 80, grey)));
}

TEST_F(Text, TargetZeroDrawsOnTheScreen) {
  FillRect(form.Canvas(), Rect(0, 0, 640, 480), grey);
  const uint64_t frames = fake.FrameCount();
  const TBitmap onBkGnd = draw(SJ("日本語"), false);
  draw(SJ("日本語"), false, nullptr, 0);
  EXPECT_TRUE(SamePixels(sp.BkGnd, SolidPicture(320, 80, grey)));
  EXPECT_EQ(fake.FrameCount(), frames + 1);
  EXPECT_TRUE(SameIn(form.Canvas(), onBkGnd, Rect(0, 0, 320, 80)));
}

// "A&B" draws AB with the B underlined: left of B's coloured copy it matches "AB", right of A's
// shadow it matches an underlined "AB".
TEST_F(Text, AmpersandUnderlinesTheNextCharacter) {
  TFont under = sp.Font;
  under.Underline = true;
  const TBitmap amp = draw("A&B", false);
  const TBitmap plain = draw("AB", false);
  const TBitmap lined = draw("AB", false, &under);
  const int32_t wA = TextWidth(sp.Font, "A");
  const int32_t bStart = 20 - 2 + wA, aShadowEnd = 20 + wA;
  EXPECT_TRUE(SameIn(amp, plain, Rect(0, 0, bStart, 80)));
  EXPECT_TRUE(SameIn(amp, lined, Rect(aShadowEnd, 0, 320, 80)));
  EXPECT_FALSE(SameIn(plain, lined, Rect(aShadowEnd, 0, 320, 80)));
}

}  // namespace
