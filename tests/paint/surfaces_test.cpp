// Loading, colour keying, sprite composition and the copies between the scene images.
#include <gtest/gtest.h>

#include "paint/splpaint.h"
#include "paint_test_util.h"

using namespace painttest;

namespace {

class Surfaces : public ::testing::Test {
 protected:
  TempDir dir;
  TSplPaint sp{nullptr};

  // Loads a background of the given size in which every pixel differs.
  void loadBackground(int32_t w = 64, int32_t h = 48) {
    ASSERT_TRUE(sp.LoadBkGnd(WriteBmp(dir, "bg.bmp", gradient(w, h)).c_str(), true));
  }
};

TEST_F(Surfaces, LoadBkGndFillsAllThreeSurfacesAndSizesTheControl) {
  const TBitmap pic = gradient(80, 60);
  ASSERT_TRUE(sp.LoadBkGnd(WriteBmp(dir, "a.bmp", pic).c_str(), true, 123));
  EXPECT_FALSE(sp.Loading);
  EXPECT_EQ(sp.BkRect, Rect(0, 0, 80, 60));
  EXPECT_EQ(sp.Width, 80);
  EXPECT_EQ(sp.Height, 60);
  for (const TBitmap* b : {&sp.BkGnd, &sp.OrgBkGnd, &sp.Temp}) {
    EXPECT_TRUE(SamePixels(*b, pic));
    EXPECT_TRUE(b->Is24Bit());
  }
}

TEST_F(Surfaces, LoadBkGndFailures) {
  // Missing file: nothing changes.
  EXPECT_FALSE(sp.LoadBkGnd((dir.File("none.bmp")).c_str(), true));
  EXPECT_TRUE(sp.BkGnd.Empty());
  EXPECT_EQ(sp.Width, 640);
  EXPECT_FALSE(sp.Loading);

  loadBackground();
  const TBitmap before = sp.BkGnd;
  // A file that exists but is no picture: a failed load, every surface as it was.
  ASSERT_TRUE(dir.Write("junk.bmp", std::vector<uint8_t>{'B', 'M', 1, 2, 3, 4, 5}));
  const std::string junk = dir.File("junk.bmp");
  EXPECT_FALSE(sp.LoadBkGnd(junk.c_str(), true));
  EXPECT_FALSE(sp.Loading);
  EXPECT_TRUE(SamePixels(sp.BkGnd, before));
  EXPECT_TRUE(SamePixels(sp.OrgBkGnd, before));
  EXPECT_TRUE(SamePixels(sp.Temp, before));
  EXPECT_FALSE(sp.LoadBkGnd(nullptr, true));
}

TEST_F(Surfaces, LoadBkGndWithoutBkGndOnAnEmptySceneSizesTheControlToZero) {
  const TBitmap pic = gradient(32, 16);
  EXPECT_FALSE(sp.LoadBkGnd(WriteBmp(dir, "a.bmp", pic).c_str(), false));
  EXPECT_TRUE(sp.BkGnd.Empty());
  EXPECT_TRUE(SamePixels(sp.OrgBkGnd, pic));
  EXPECT_TRUE(SamePixels(sp.Temp, pic));
  EXPECT_EQ(sp.BkRect, Rect(0, 0, 32, 16));
  EXPECT_EQ(sp.Width, 0);
  EXPECT_EQ(sp.Height, 0);
}

TEST_F(Surfaces, SetBkGndCopiesThePicture) {
  EXPECT_FALSE(sp.SetBkGnd(nullptr, true));
  TBitmap pic = gradient(20, 10);
  ASSERT_TRUE(sp.SetBkGnd(&pic, true));
  pic.SetPixel(0, 0, clWhite);  // the caller's picture stays its own
  EXPECT_NE(sp.BkGnd.Pixel(0, 0), clWhite);
  // A picture of another size without alsoBkGnd: loaded, but the sizes disagree.
  TBitmap other = SolidPicture(8, 8, clRed);
  EXPECT_FALSE(sp.SetBkGnd(&other, false));
  EXPECT_EQ(sp.BkGnd.Width(), 20);
  EXPECT_TRUE(SamePixels(sp.OrgBkGnd, other));
  EXPECT_EQ(sp.BkRect, Rect(0, 0, 8, 8));
  // One of the control's own surfaces may be passed.
  EXPECT_TRUE(sp.SetBkGnd(&sp.OrgBkGnd, true));
  EXPECT_TRUE(SamePixels(sp.BkGnd, other));
}

// The colour key is exactly RGB(0, 255, 0); every neighbour of it is drawn.
TEST_F(Surfaces, ColourKeyIsPureGreenOnly) {
  loadBackground(16, 4);
  struct Case {
    TColor colour;
    bool transparent;
  } cases[] = {
      {RGB(0, 255, 0), true},  {RGB(0, 254, 0), false}, {RGB(1, 255, 0), false},
      {RGB(0, 255, 1), false}, {RGB(0, 0, 0), false},   {RGB(255, 255, 255), false},
  };
  TBitmap sprite(6, 1);
  for (int i = 0; i < 6; ++i) sprite.SetPixel(i, 0, cases[i].colour);
  ASSERT_TRUE(sp.LoadSplite(3, WriteBmp(dir, "s.bmp", sprite).c_str()));
  EXPECT_EQ(sp.Splite[3].SrcRect, Rect(0, 0, 6, 1));
  EXPECT_EQ(sp.Splite[3].DestRect, Rect(0, 0, 6, 1));
  sp.MoveSplite(3, 2, 1);
  sp.DrawSplite(3, true);
  for (int i = 0; i < 6; ++i) {
    const TColor want = cases[i].transparent ? sp.OrgBkGnd.Pixel(2 + i, 1) : cases[i].colour;
    EXPECT_EQ(sp.BkGnd.Pixel(2 + i, 1), want) << i;
    EXPECT_EQ(sp.Temp.Pixel(2 + i, 1), want) << i;
    EXPECT_EQ(sp.Splite[3].Mask.Pixel(i, 0), cases[i].transparent ? clWhite : clBlack) << i;
  }
  // Keyed pixels are black in the image, so OR-ing them changes nothing.
  EXPECT_EQ(sp.Splite[3].Image.Pixel(0, 0), clBlack);
}

TEST_F(Surfaces, NonTwentyFourBitSpriteIsRefusedButReplacesTheImage) {
  ASSERT_TRUE(sp.LoadSplite(5, WriteBmp(dir, "s.bmp", SolidPicture(4, 4, clRed)).c_str()));
  ASSERT_TRUE(dir.Write("p8.bmp", PalettedBmp(10, 3, kBlue)));
  const std::string eight = dir.File("p8.bmp");
  EXPECT_FALSE(sp.LoadSplite(5, eight.c_str()));
  EXPECT_FALSE(sp.Loading);
  EXPECT_EQ(sp.Splite[5].Image.Width(), 10);
  EXPECT_EQ(sp.Splite[5].Image.PixelFormat(), pf8bit);
  EXPECT_EQ(sp.Splite[5].Mask.Width(), 4);  // the old mask
  EXPECT_EQ(sp.Splite[5].SrcRect, Rect(0, 0, 4, 4));
  EXPECT_EQ(sp.Splite[5].DestRect, Rect(0, 0, 4, 4));
}

TEST_F(Surfaces, SpriteLoadFailuresLeaveTheSlot) {
  ASSERT_TRUE(sp.LoadSplite(1, WriteBmp(dir, "s.bmp", SolidPicture(4, 4, clRed)).c_str()));
  ASSERT_TRUE(dir.Write("junk.bmp", std::vector<uint8_t>{0, 1, 2, 3}));
  const std::string junk = dir.File("junk.bmp");
  EXPECT_FALSE(sp.LoadSplite(1, dir.File("missing.bmp").c_str()));
  EXPECT_FALSE(sp.LoadSplite(1, junk.c_str()));
  EXPECT_FALSE(sp.Loading);
  EXPECT_EQ(sp.Splite[1].Image.Pixel(0, 0), clRed);
  // Slot numbers outside 0-63 are refused instead of writing past the slots.
  EXPECT_FALSE(sp.LoadSplite(64, WriteBmp(dir, "t.bmp", SolidPicture(2, 2, clRed)).c_str()));
  EXPECT_FALSE(sp.LoadSplite(-1, dir.File("t.bmp").c_str()));
}

TEST_F(Surfaces, TwoFileSprite) {
  const std::string img = WriteBmp(dir, "i.bmp", SolidPicture(6, 4, clRed));
  const std::string mask = WriteBmp(dir, "m.bmp", SolidPicture(6, 4, clBlack));
  const std::string small = WriteBmp(dir, "m2.bmp", SolidPicture(3, 4, clBlack));
  EXPECT_FALSE(sp.LoadSplite(2, img.c_str(), dir.File("none.bmp").c_str()));
  EXPECT_TRUE(sp.Splite[2].Image.Empty());
  ASSERT_TRUE(sp.LoadSplite(2, img.c_str(), mask.c_str()));
  EXPECT_EQ(sp.Splite[2].DestRect, Rect(0, 0, 6, 4));
  // A mask of another size: everything is loaded, but the load reports false.
  EXPECT_FALSE(sp.LoadSplite(2, img.c_str(), small.c_str()));
  EXPECT_EQ(sp.Splite[2].Mask.Width(), 3);
  EXPECT_FALSE(sp.Loading);
}

TEST_F(Surfaces, FirstSpriteWithoutBackgroundMakesADarkGreenScene) {
  sp.Width = 40;
  sp.Height = 30;
  sp.DrawSplite(7, true);  // never loaded: nothing to draw, but the scene is created
  ASSERT_EQ(sp.BkGnd.Width(), 40);
  ASSERT_EQ(sp.BkGnd.Height(), 30);
  EXPECT_EQ(CountPixels(sp.BkGnd, Rect(0, 0, 40, 30), RGB(0, 128, 0)), 40 * 30);
  EXPECT_FALSE(sp.BkGnd.Is24Bit());
  EXPECT_TRUE(SamePixels(sp.OrgBkGnd, sp.BkGnd));
  // The pixel effects and the copies into BkGnd refuse it.
  EXPECT_FALSE(sp.RGBScreen(-60));
  EXPECT_EQ(sp.BkGnd.Pixel(0, 0), RGB(0, 128, 0));
}

TEST_F(Surfaces, InvisibleSpriteIsSkipped) {
  loadBackground();
  ASSERT_TRUE(sp.LoadSplite(4, WriteBmp(dir, "s.bmp", SolidPicture(4, 4, clRed)).c_str()));
  sp.SetVisible(4, false);
  EXPECT_FALSE(sp.GetVisible(4));
  sp.DrawSplite(4, true);
  EXPECT_TRUE(SamePixels(sp.BkGnd, sp.OrgBkGnd));
  sp.SetVisible(4, true);
  sp.DrawSplite(4, false);
  EXPECT_EQ(sp.BkGnd.Pixel(0, 0), clRed);
  EXPECT_TRUE(SamePixels(sp.Temp, sp.OrgBkGnd));  // alsoTemp false
}

TEST_F(Surfaces, StretchedSpriteAndPatchRestoreExactlyItsRectangle) {
  loadBackground();
  TBitmap sprite = SolidPicture(4, 2, clRed);
  sprite.SetPixel(0, 0, RGB(0, 255, 0));  // the transparent corner stretches too
  ASSERT_TRUE(sp.LoadSplite(9, WriteBmp(dir, "s.bmp", sprite).c_str()));
  const TRect r = Rect(10, 6, 18, 12);  // twice as wide, three times as high
  sp.MoveSplite(9, r);
  sp.DrawSplite(9, true);
  EXPECT_EQ(CountPixels(sp.BkGnd, r, clRed), 8 * 6 - 2 * 3);
  EXPECT_EQ(sp.BkGnd.Pixel(10, 6), sp.OrgBkGnd.Pixel(10, 6));
  EXPECT_EQ(CountPixels(sp.BkGnd, Rect(0, 0, 64, 48), clRed), 8 * 6 - 2 * 3);
  sp.PatchSplite(9);
  EXPECT_TRUE(SamePixels(sp.BkGnd, sp.OrgBkGnd));
  EXPECT_TRUE(SamePixels(sp.Temp, sp.OrgBkGnd));
}

TEST_F(Surfaces, PatchAfterAMoveErasesOnlyTheNewPlace) {
  loadBackground();
  ASSERT_TRUE(sp.LoadSplite(1, WriteBmp(dir, "s.bmp", SolidPicture(5, 5, clRed)).c_str()));
  sp.MoveSplite(1, 2, 2);
  sp.DrawSplite(1, true);
  sp.MoveSplite2(1, 20, 10);
  EXPECT_EQ(sp.Splite[1].DestRect, Rect(22, 12, 27, 17));
  sp.DrawSplite(1, true);
  sp.PatchSplite(1);
  EXPECT_EQ(CountPixels(sp.BkGnd, Rect(2, 2, 7, 7), clRed), 25);
  EXPECT_EQ(CountPixels(sp.BkGnd, Rect(22, 12, 27, 17), clRed), 0);
  EXPECT_EQ(CountPixels(sp.Temp, Rect(2, 2, 7, 7), clRed), 25);
  sp.PatchSplite();  // the whole control area
  EXPECT_TRUE(SamePixels(sp.BkGnd, sp.OrgBkGnd));
  EXPECT_TRUE(SamePixels(sp.Temp, sp.OrgBkGnd));
}

TEST_F(Surfaces, DrawAllSkipsOnlyTheGivenSlotAndHigherSlotsCoverLower) {
  loadBackground();
  // Slot 0 covers columns 0-3, slot 10 columns 2-5, slot 63 columns 5-8.
  ASSERT_TRUE(sp.LoadSplite(0, WriteBmp(dir, "a.bmp", SolidPicture(4, 1, clRed)).c_str()));
  ASSERT_TRUE(sp.LoadSplite(10, WriteBmp(dir, "b.bmp", SolidPicture(4, 1, clYellow)).c_str()));
  ASSERT_TRUE(sp.LoadSplite(63, WriteBmp(dir, "c.bmp", SolidPicture(4, 1, kBlue)).c_str()));
  sp.MoveSplite(10, 2, 0);
  sp.MoveSplite(63, 5, 0);
  const TColor bg = sp.OrgBkGnd.Pixel(0, 0);
  struct Case {
    int except;
    TColor at0, at2, at5;
  } cases[] = {
      {-1, clRed, clYellow, kBlue}, {64, clRed, clYellow, kBlue}, {0, bg, clYellow, kBlue},
      {10, clRed, clRed, kBlue},    {63, clRed, clYellow, clYellow},
  };
  for (const Case& c : cases) {
    sp.FillBkBlack(false);  // DrawAll starts again from the clean background
    sp.DrawAll(c.except);
    EXPECT_EQ(sp.BkGnd.Pixel(0, 0), c.at0) << c.except;
    EXPECT_EQ(sp.BkGnd.Pixel(2, 0), c.at2) << c.except;
    EXPECT_EQ(sp.BkGnd.Pixel(5, 0), c.at5) << c.except;
    EXPECT_TRUE(SamePixels(sp.BkGnd, sp.Temp)) << c.except;
  }
}

TEST_F(Surfaces, SlotAccessors) {
  ASSERT_TRUE(sp.LoadSplite(6, WriteBmp(dir, "s.bmp", SolidPicture(7, 3, clRed)).c_str()));
  EXPECT_EQ(sp.GetWidth(6), 7);
  EXPECT_EQ(sp.GetHeight(6), 3);
  sp.SetWidth(6, 12);
  sp.SetHeight(6, 5);
  EXPECT_EQ(sp.Splite[6].Image.Width(), 12);
  EXPECT_EQ(sp.Splite[6].Mask.Width(), 12);
  EXPECT_EQ(sp.Splite[6].Mask.Height(), 5);
  // Out-of-range slots read as empty and change nothing.
  EXPECT_EQ(sp.GetWidth(99), 0);
  EXPECT_FALSE(sp.GetVisible(-3));
  sp.SetWidth(64, 5);
  sp.MoveSplite(64, Rect(0, 0, 1, 1));
  sp.DrawSplite(-1, true);
  sp.PatchSplite(100);
}

TEST_F(Surfaces, CopyRectToBkGndIncludesTheBottomRow) {
  loadBackground(640, 200);
  sp.FillBkBlack(false);
  sp.CopyRectToBkGnd(false, Rect(0, 0, 640, 100));
  EXPECT_TRUE(SameIn(sp.BkGnd, sp.Temp, Rect(0, 0, 640, 101)));
  EXPECT_EQ(CountPixels(sp.BkGnd, Rect(0, 101, 640, 200), clBlack), 640 * 99);
  // A rectangle further in copies just its columns.
  sp.FillBkBlack(false);
  sp.CopyRectToBkGnd(false, Rect(5, 7, 9, 7));
  EXPECT_TRUE(SameIn(sp.BkGnd, sp.Temp, Rect(5, 7, 9, 8)));
  EXPECT_EQ(CountPixels(sp.BkGnd, Rect(0, 0, 640, 200), clBlack), 640 * 200 - 4);
}

TEST_F(Surfaces, CopiesIntoBkGndNeedA24BitBkGnd) {
  TBitmap pic = gradient(16, 16);
  pic.SetPixelFormat(pf8bit);
  sp.SetBkGnd(&pic, true);
  sp.Temp = SolidPicture(16, 16, clRed);
  sp.DrawToBkGnd(false);
  sp.CopyRectToBkGnd(false, Rect(0, 0, 16, 16));
  sp.DrawToTemp();  // refuses too: Temp stays red
  EXPECT_TRUE(SamePixels(sp.BkGnd, gradient(16, 16)));
  EXPECT_EQ(sp.Temp.Pixel(3, 3), clRed);
}

TEST_F(Surfaces, DrawToTempReshapesTempToBkGnd) {
  loadBackground(30, 20);
  sp.Temp = SolidPicture(5, 50, clRed, pf8bit);
  sp.DrawToTemp();
  EXPECT_TRUE(SamePixels(sp.Temp, sp.BkGnd));
  EXPECT_TRUE(sp.Temp.Is24Bit());
  // The rectangle form also reshapes, then copies only its rectangle.
  sp.Temp = SolidPicture(5, 5, clRed);
  sp.CopyRectToTemp(Rect(0, 0, 2, 2));
  EXPECT_EQ(sp.Temp.Width(), 30);
  EXPECT_EQ(sp.Temp.Height(), 20);
  EXPECT_TRUE(SameIn(sp.Temp, sp.BkGnd, Rect(0, 0, 2, 2)));
  EXPECT_EQ(sp.Temp.Pixel(3, 3), clRed);
  EXPECT_EQ(sp.Temp.Pixel(10, 10), clBlack);  // grown area
}

TEST_F(Surfaces, Fills) {
  struct Case {
    bool white, all;
  } cases[] = {{false, false}, {false, true}, {true, false}, {true, true}};
  for (const Case& c : cases) {
    loadBackground(20, 10);
    const TColor colour = c.white ? clWhite : clBlack;
    if (c.white)
      sp.FillBkWhite(c.all);
    else
      sp.FillBkBlack(c.all);
    EXPECT_EQ(CountPixels(sp.BkGnd, sp.BkRect, colour), 200);
    const int others = c.all ? 200 : CountPixels(gradient(20, 10), sp.BkRect, colour);
    EXPECT_EQ(CountPixels(sp.OrgBkGnd, sp.BkRect, colour), others);
    EXPECT_EQ(CountPixels(sp.Temp, sp.BkRect, colour), others);
    if (!c.all) {
      sp.DrawToBkGnd(false);  // Temp brings the scene back
      EXPECT_TRUE(SamePixels(sp.BkGnd, gradient(20, 10)));
    }
  }
}

}  // namespace
