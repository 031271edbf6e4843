// Copies to a form's canvas present the window picture only when something on it changed; the
// screen must still show every change, whatever made it.
#include <gtest/gtest.h>

#include <memory>

#include "app_test_forms.h"
#include "support/pictures.h"
#include "support/pixels.h"

namespace {

constexpr TColor kBlue = RGB(0, 0, 255), kGreen = RGB(0, 255, 0);

struct PresentFixture : AppFixture {
  TBitmap scene = SolidPicture(640, 480, kBlue);
  std::unique_ptr<RecordingForm> child;
  PresentFixture() { main.CopyToCanvasAndPresent(0, 0, 640, 480, scene, 0, 0); }
  // Copies the scene again; true when the layer skipped the present as unchanged.
  bool copySkipped() {
    uint64_t frames = fake.FrameCount(), skipped = fake.UnchangedFrameCount();
    main.CopyToCanvasAndPresent(0, 0, 640, 480, scene, 0, 0);
    EXPECT_EQ(fake.FrameCount(), frames + 1) << "every copy counts as a frame";
    return fake.UnchangedFrameCount() == skipped + 1;
  }
};

}  // namespace

TEST(AppPresent, OnlyAnUnchangedPictureIsSkipped) {
  struct Case {
    const char* what;
    std::function<void(PresentFixture&)> change;  // between two copies of the scene
    bool skipped;
    TColor atOrigin;  // client pixel (0, 0) on the screen afterwards
  } cases[] = {
      {"nothing", [](PresentFixture&) {}, true, kBlue},
      {"the source", [](PresentFixture& f) { f.scene.SetPixel(0, 0, clRed); }, false, clRed},
      {"the canvas drawn on directly",
       [](PresentFixture& f) { f.main.Canvas().SetPixel(0, 0, kGreen); }, false, kBlue},
      {"a child form shown",
       [](PresentFixture& f) {
         f.child = std::make_unique<RecordingForm>("child", &f.main);
         f.child->SetBounds(300, 300, 10, 10);
         f.child->Show();
       },
       false, kBlue},
      {"full screen", [](PresentFixture&) { SetFullScreenDisplay(true); }, false, kBlue},
      {"the window hidden and shown",
       [](PresentFixture& f) {
         f.main.Hide();
         f.main.Show();
       },
       false, kBlue},
  };
  for (const auto& c : cases) {
    PresentFixture f;
    ASSERT_TRUE(f.copySkipped()) << "a second identical copy";
    c.change(f);
    EXPECT_EQ(f.copySkipped(), c.skipped) << c.what;
    EXPECT_EQ(f.fake.ClientPixel(0, 0), c.atOrigin) << c.what;
    // Once the window has caught up, the next identical copy is skipped again, except over a
    // child form, whose canvas may change without a copy.
    f.app.ProcessMessages();
    EXPECT_EQ(f.copySkipped(), !f.child) << c.what;
    SetFullScreenDisplay(false);
  }
}

TEST(AppPresent, ACopyIsClippedToBothImages) {
  struct Case {
    int32_t x, y, w, h, sx, sy;
    TPoint red;  // canvas pixel that gets the source's red pixel at (5, 5), or (-1, -1)
  } cases[] = {
      {0, 0, 640, 480, 0, 0, {5, 5}},
      {-10, -10, 640, 480, 0, 0, {-1, -1}},  // the red pixel lands outside the canvas
      {10, 20, 100, 100, 0, 0, {15, 25}},
      {0, 0, 100, 100, -5, -5, {10, 10}},  // a negative source start shifts the target
      {630, 470, 100, 100, 0, 0, {635, 475}},
      {0, 0, 4, 4, 0, 0, {-1, -1}},  // the rectangle ends before the pixel
  };
  for (const auto& c : cases) {
    AppFixture f;
    FillRect(f.main.Canvas(), Rect(0, 0, 640, 480), clWhite);
    TBitmap src = SolidPicture(50, 50, clBlack);
    src.SetPixel(5, 5, clRed);
    f.main.CopyToCanvasAndPresent(c.x, c.y, c.w, c.h, src, c.sx, c.sy);
    int reds = 0;
    for (int32_t y = 0; y < 480; ++y)
      for (int32_t x = 0; x < 640; ++x)
        if (f.fake.ClientPixel(x, y) == clRed) {
          ++reds;
          EXPECT_EQ(x, c.red.x);
          EXPECT_EQ(y, c.red.y);
        }
    EXPECT_EQ(reds, c.red.x >= 0 ? 1 : 0) << c.x << "," << c.y << " from " << c.sx << "," << c.sy;
  }
}

// Between two copies of the same source to the same place only rows written since are compared;
// every way of writing a picture must count its rows.
TEST(AppPresent, EveryWayOfWritingTheSourceReachesTheScreen) {
  struct Case {
    const char* what;
    std::function<void(TBitmap&)> write;  // must make pixel (7, 300) red
  } cases[] = {
      {"SetPixel", [](TBitmap& b) { b.SetPixel(7, 300, clRed); }},
      {"FillRect", [](TBitmap& b) { FillRect(b, Rect(7, 300, 8, 301), clRed); }},
      {"BitBlt",
       [](TBitmap& b) {
         TBitmap red = SolidPicture(1, 1, clRed);
         BitBlt(b, 7, 300, 1, 1, red, 0, 0, ropSrcCopy);
       }},
      {"a row pointer walked down",
       [](TBitmap& b) {
         uint8_t* p = b.ScanLine(100) + size_t(200) * b.Stride() + 7 * 3;
         p[0] = 0, p[1] = 0, p[2] = 255;
       }},
      {"Bits",
       [](TBitmap& b) {
         uint8_t* p = b.Bits() + size_t(300) * b.Stride() + 7 * 3;
         p[0] = 0, p[1] = 0, p[2] = 255;
       }},
      {"the record of written rows taken by another reader",
       [](TBitmap& b) {
         b.SetPixel(7, 300, clRed);
         TBitmap::WrittenRows rows;
         b.TakeWrittenRows(&rows);
       }},
      {"a copy assigned",
       [](TBitmap& b) {
         TBitmap other = b;
         other.SetPixel(7, 300, clRed);
         b = other;
       }},
  };
  for (const auto& c : cases) {
    PresentFixture f;
    ASSERT_TRUE(f.copySkipped());
    c.write(f.scene);
    EXPECT_FALSE(f.copySkipped()) << c.what;
    EXPECT_EQ(f.fake.ClientPixel(7, 300), clRed) << c.what;
    EXPECT_EQ(f.fake.ClientPixel(7, 299), kBlue) << c.what;
  }
}

namespace {

// The window picture made from scratch: the main canvas, then its visible children (and theirs)
// at their places, later shown above earlier. The main form has no menu bar.
TBitmap composedByHand(const TForm& main) {
  TBitmap out(main.ClientWidth(), main.ClientHeight());
  std::function<void(const TForm&, TPoint)> draw = [&](const TForm& f, TPoint o) {
    BitBlt(out, o.x, o.y, f.ClientWidth(), f.ClientHeight(), f.Canvas(), 0, 0);
    for (TForm* c : f.ChildrenInZOrder()) draw(*c, TPoint{o.x + c->Left, o.y + c->Top});
  };
  draw(main, TPoint{0, 0});
  return out;
}

// A main form with two children, a, which holds a child of its own, and b.
struct Scene : AppFixture {
  RecordingForm a{"a", &main}, b{"b", &main}, inner{"inner", &a};
  Scene() {
    a.SetBounds(100, 50, 200, 150);
    b.SetBounds(0, 0, 640, 480);
    inner.SetBounds(10, 10, 50, 40);
    FillRect(a.Canvas(), Rect(0, 0, 200, 150), kBlue);
    FillRect(b.Canvas(), Rect(0, 0, 640, 480), kGreen);
    FillRect(inner.Canvas(), Rect(0, 0, 50, 40), clYellow);
  }
};

}  // namespace

// The window picture is composed again only where canvases changed; after any change it must be
// the picture composed from scratch, whatever covers what.
TEST(AppPresent, ComposingOnlyTheChangesGivesTheWholePicture) {
  struct Step {
    const char* what;
    std::function<void(Scene&)> change;
  } steps[] = {
      {"main drawn", [](Scene& s) { FillRect(s.main.Canvas(), Rect(0, 0, 640, 480), clRed); }},
      {"a shown", [](Scene& s) { s.a.Show(); }},
      {"a drawn", [](Scene& s) { FillRect(s.a.Canvas(), Rect(5, 5, 60, 20), clWhite); }},
      {"main drawn under a and beside it",
       [](Scene& s) { FillRect(s.main.Canvas(), Rect(90, 40, 400, 60), RGB(9, 9, 9)); }},
      {"inner shown", [](Scene& s) { s.inner.Show(); }},
      {"inner drawn", [](Scene& s) { s.inner.Canvas().SetPixel(49, 39, clRed); }},
      {"a drawn under inner", [](Scene& s) { FillRect(s.a.Canvas(), Rect(0, 0, 70, 60), clRed); }},
      {"a moved", [](Scene& s) { s.a.Left += 30; }},
      {"the same pixels written again",
       [](Scene& s) { FillRect(s.a.Canvas(), Rect(0, 0, 70, 60), clRed); }},
      {"b covering everything shown", [](Scene& s) { s.b.Show(); }},
      {"main and a drawn under b",
       [](Scene& s) {
         FillRect(s.main.Canvas(), Rect(0, 0, 640, 480), clWhite);
         FillRect(s.a.Canvas(), Rect(0, 0, 200, 150), clBlack);
       }},
      {"a strip of b drawn", [](Scene& s) { FillRect(s.b.Canvas(), Rect(480, 0, 640, 480), 0); }},
      {"b hidden: main and a as drawn under it", [](Scene& s) { s.b.Hide(); }},
      {"full screen and a drawn",
       [](Scene& s) {
         SetFullScreenDisplay(true);
         FillRect(s.a.Canvas(), Rect(100, 100, 200, 150), kGreen);
       }},
      {"main drawn in full screen",
       [](Scene& s) { FillRect(s.main.Canvas(), Rect(600, 0, 640, 480), kBlue); }},
      {"a shown again comes to the top", [](Scene& s) { s.a.Show(); }},
      {"the window again", [](Scene&) { SetFullScreenDisplay(false); }},
      {"a partly outside the window", [](Scene& s) { s.a.Left = 560; }},
      {"a drawn outside the window",
       [](Scene& s) { FillRect(s.a.Canvas(), Rect(0, 0, 200, 150), kBlue); }},
      {"inner hidden", [](Scene& s) { s.inner.Hide(); }},
  };
  Scene s;
  for (const Step& step : steps) {
    step.change(s);
    s.main.Present();
    EXPECT_TRUE(SamePixels(s.fake.LastFrame(), composedByHand(s.main))) << step.what;
  }
  SetFullScreenDisplay(false);
}
