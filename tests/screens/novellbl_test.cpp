// The novel label: what it measures for auto-size, where and in which colours it draws its text
// (shadow, disabled emboss, vertical layout), when a caption change repaints, and the accelerator.
#include "screens/novellbl.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/pictures/bitmap.h"
#include "platform/backend/fake/fake_backend.h"
#include "support/pixels.h"
#include "support/text.h"

namespace {

struct LabelForm {
  FakeBackend fake;
  TApplication app;
  TForm form;
  LabelForm() {
    app.MainForm = &form;
    form.SetClientSize(200, 100);
  }
};

TRect measured(const TFont& font, const std::string& text) {
  TRect r = Rect(0, 0, 0, 0);
  DrawTextA(nullptr, font, text.c_str(), int32_t(text.size()), &r,
            DT_CALCRECT | DT_EXPANDTABS | DT_NOPREFIX);
  return r;
}

}  // namespace

TEST(NovelLabel, AutoSizeMeasuresTheCaption) {
  // An empty caption and a lone "&" (as a prefix) take the room of one blank.
  struct Case {
    const char* caption;
    bool showAccel;
    const char* measuredAs;
  } cases[] = {
      {"", true, " "},       {"&", true, " "},      {"&", false, "&"},
      {"AB&C", true, "ABC"}, {"A&&B", true, "A&B"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.caption);
    LabelForm t;
    TNovelLabel label(&t.form);
    label.Font = WhiteGothic(-20);
    label.SetShowAccelChar(c.showAccel);
    label.SetCaption(c.caption);
    label.AdjustBounds();
    TRect want = measured(label.Font, c.measuredAs);
    EXPECT_GT(want.Right, 0);
    EXPECT_EQ(label.Width, want.Right);
    EXPECT_EQ(label.Height, want.Bottom);
  }
}

TEST(NovelLabel, RightJustifiedAutoSizeKeepsItsRightEdge) {
  LabelForm t;
  TNovelLabel label(&t.form);
  label.Font = WhiteGothic(-20);
  label.SetAlignment(taRightJustify);
  label.SetBounds(100, 10, 65, 17);
  label.SetCaption("AB");
  const int32_t right = label.Left + label.Width;
  label.SetCaption("ABCDEF");
  EXPECT_EQ(label.Left + label.Width, right);
  EXPECT_GT(label.Width, measured(label.Font, "AB").Right);
}

TEST(NovelLabel, PaintsShadowEmbossAndLayoutWhereTheyBelong) {
  // Each case is drawn by the label and, independently, by DrawTextA at the offsets and in the
  // colours it must use; the two canvases must agree byte for byte.
  constexpr TColor kBack = RGB(40, 80, 120), kShadow = RGB(0, 0, 200);
  enum Down { kNone, kBottom, kCentre };
  struct Pass {
    int32_t dx, dy;
    TColor colour;
  };
  struct Case {
    const char* name;
    bool enabled, shadow, transparent;
    TTextLayout layout;
    Down down;
    std::vector<Pass> passes;
  } cases[] = {
      {"plain", true, false, true, tlTop, kNone, {{0, 0, clWhite}}},
      {"shadow", true, true, true, tlTop, kNone, {{1, 1, kShadow}, {0, 0, clWhite}}},
      {"disabled ignores the shadow",
       false,
       true,
       true,
       tlTop,
       kNone,
       {{1, 1, clBtnHighlight}, {0, 0, clBtnShadow}}},
      {"bottom", true, false, true, tlBottom, kBottom, {{0, 0, clWhite}}},
      {"centre", true, false, true, tlCenter, kCentre, {{0, 0, clWhite}}},
      {"opaque fills its colour", true, false, false, tlTop, kNone, {{0, 0, clWhite}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LabelForm t;
    TNovelLabel label(&t.form);
    label.Font = WhiteGothic(-20);
    label.SetAutoSize(false);
    label.SetBounds(30, 20, 120, 60);
    label.Color = kShadow;
    label.TextShadow = c.shadow;
    label.SetEnabled(c.enabled);
    label.SetTransparent(c.transparent);
    label.SetLayout(c.layout);
    label.SetCaption("Ab");
    FillRect(t.form.Canvas(), Rect(0, 0, 200, 100), kBack);
    label.Paint();

    TBitmap want(200, 100, pf24bit);
    FillRect(want, Rect(0, 0, 200, 100), kBack);
    if (!c.transparent) FillRect(want, Rect(30, 20, 150, 80), kShadow);
    const int32_t textH = measured(label.Font, "Ab").Bottom;
    const int32_t down = c.down == kBottom ? 60 - textH : c.down == kCentre ? (60 - textH) / 2 : 0;
    for (const Pass& p : c.passes) {
      TFont f = label.Font;
      f.Color = p.colour;
      TRect r = Rect(30 + p.dx, 20 + down + p.dy, 150 + p.dx, 80 + down + p.dy);
      DrawTextA(&want, f, "Ab", 2, &r, DT_EXPANDTABS);
    }
    const TBitmap& got = t.form.Canvas();
    int differ = 0;
    for (int32_t y = 0; y < 100; ++y)
      for (int32_t x = 0; x < 200; ++x) differ += got.Pixel(x, y) != want.Pixel(x, y);
    EXPECT_EQ(differ, 0);
  }
}

TEST(NovelLabel, CaptionChangeRepaintsOnlyWithDrawRefresh) {
  for (bool refresh : {false, true}) {
    SCOPED_TRACE(refresh);
    LabelForm t;
    TNovelLabel label(&t.form);
    label.Font = WhiteGothic(-20);
    label.SetAutoSize(false);
    label.SetBounds(10, 10, 150, 40);
    label.SetTransparent(false);
    label.Color = clBlack;
    label.DrawRefresh = refresh;
    label.SetCaption("I");
    t.form.Show();
    t.app.ProcessMessages();
    auto inked = [&] { return CountPixelsNot(t.form.Canvas(), Rect(60, 10, 160, 50), clBlack); };
    EXPECT_EQ(inked(), 0);
    label.SetCaption("IIIIIIIIIIIIIIIIIIIIIIIII");
    t.app.ProcessMessages();
    // Without DrawRefresh the old picture stays until something else repaints.
    EXPECT_EQ(inked() > 0, refresh);
  }
}

TEST(NovelLabel, AcceleratorFocusesItsControl) {
  struct Case {
    const char* caption;
    char key;
    bool showAccel, enabled;
    bool taken;
  } cases[] = {
      {"&Name", 'n', true, true, true},   {"&Name", 'a', true, true, false},
      {"&Name", 'N', false, true, false}, {"&Name", 'N', true, false, false},
      {"A&&B", 'B', true, true, false},   {"A&&&B", 'b', true, true, true},
  };
  struct Focusable : TControl {
    using TControl::TControl;
    bool Windowed() const override { return true; }
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.caption) + " " + c.key);
    LabelForm t;
    Focusable first(&t.form);  // takes the focus when the form is shown
    first.SetBounds(100, 50, 50, 20);
    Focusable target(&t.form);
    target.TabOrder = 1;
    target.SetBounds(0, 50, 50, 20);
    TNovelLabel label(&t.form);
    label.SetCaption(c.caption);
    label.SetShowAccelChar(c.showAccel);
    label.SetEnabled(c.enabled);
    label.SetFocusControl(&target);
    t.form.Show();
    EXPECT_EQ(label.CMDialogChar(c.key), c.taken);
    EXPECT_EQ(target.Focused(), c.taken);
    label.Notification(&target, opRemove);
    EXPECT_EQ(label.FocusControl(), nullptr);
  }
}
