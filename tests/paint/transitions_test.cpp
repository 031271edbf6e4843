// The transition engine: frame counts, the frames shown and the state each kind leaves behind.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "paint/paint_internal.h"
#include "paint/splpaint.h"
#include "paint_test_util.h"

using namespace painttest;

namespace {

constexpr TColor kGrey = RGB(50, 50, 50);

bool patternWhite(int set, int p, int x, int y) {
  return (paint::FadePatternRows(set, p)[y & 7] >> (7 - (x & 7))) & 1;
}

class Transitions : public ::testing::Test {
 protected:
  TSplPaint sp{nullptr};

  void scene(const TBitmap& pic) { ASSERT_TRUE(sp.SetBkGnd(&pic, true)); }

  // Runs the prepared transition to its end; returns how many calls returned true.
  int runToEnd(const std::function<void(int)>& afterFrame = {}) {
    int frames = 0;
    while (sp.FadeExecute(false)) {
      if (afterFrame) afterFrame(frames);
      if (++frames > 1000) break;
    }
    return frames;
  }

  void putSprite(int n, const TBitmap& img, int32_t x, int32_t y) {
    TpbSplite& s = sp.Splite[n];
    s.Image = img;
    s.Mask = SolidPicture(img.Width(), img.Height(), clBlack);
    s.SrcRect = Rect(0, 0, img.Width(), img.Height());
    s.DestRect = Rect(x, y, x + img.Width(), y + img.Height());
  }
};

// Every kind in one table: how it is prepared, how many frames return true before the final
// call, and what the final call leaves in BkGnd, OrgBkGnd and Temp.
TEST_F(Transitions, EveryKindFrameCountAndEnd) {
  enum End { kPicture, kBlack, kWhite, kBlackBkGndOnly, kSpriteShown, kSpriteGone };
  struct Case {
    const char* name;
    uint8_t kind;
    std::function<void(TSplPaint&)> prepare;
    int frames;
    End end;
  } cases[] = {
      {"FadeInSplite", 1, [](TSplPaint& s) { s.FadeInSplite(2); }, 8, kSpriteShown},
      {"FadeOutSplite", 2, [](TSplPaint& s) { s.FadeOutSplite(2); }, 8, kSpriteGone},
      {"FadeSplite", 3, [](TSplPaint& s) { s.FadeSplite(3, 2); }, 8, kSpriteShown},
      {"FadeFromBlack", 5, [](TSplPaint& s) { s.FadeFromBlack(); }, 8, kPicture},
      {"FadeToBlack", 6, [](TSplPaint& s) { s.FadeToBlack(); }, 8, kBlack},
      {"FadeFromWhite", 7, [](TSplPaint& s) { s.FadeFromWhite(); }, 8, kPicture},
      {"FadeToWhite", 8, [](TSplPaint& s) { s.FadeToWhite(); }, 8, kWhite},
      {"FadeFromWhiteContrast", 9, [](TSplPaint& s) { s.FadeFromWhiteContrast(); }, 15, kPicture},
      {"FadeToBlackContrast", 10, [](TSplPaint& s) { s.FadeToBlackContrast(); }, 19, kBlack},
      {"FadeFromBlackContrast", 11, [](TSplPaint& s) { s.FadeFromBlackContrast(); }, 19, kPicture},
      {"FadeToWhiteContrast", 12, [](TSplPaint& s) { s.FadeToWhiteContrast(); }, 14, kWhite},
      {"FadeFromBlackRGB", 13, [](TSplPaint& s) { s.FadeFromBlackRGB(); }, 12, kPicture},
      {"FadeToBlackRGB", 14, [](TSplPaint& s) { s.FadeToBlackRGB(); }, 12, kBlack},
      {"FadeFromWhiteRGB", 15, [](TSplPaint& s) { s.FadeFromWhiteRGB(); }, 12, kPicture},
      {"FadeToWhiteRGB", 16, [](TSplPaint& s) { s.FadeToWhiteRGB(); }, 12, kWhite},
      {"SlitInLeft", 17, [](TSplPaint& s) { s.SlitInLeft(); }, 44, kPicture},
      {"SlitInRight", 18, [](TSplPaint& s) { s.SlitInRight(); }, 44, kPicture},
      {"SlitOutLeft", 19, [](TSplPaint& s) { s.SlitOutLeft(); }, 44, kBlackBkGndOnly},
      {"SlitOutRight", 20, [](TSplPaint& s) { s.SlitOutRight(); }, 44, kBlackBkGndOnly},
  };
  const TBitmap pic = gradient(48, 24);
  const TBitmap oldSprite = SolidPicture(8, 4, clRed), newSprite = SolidPicture(8, 4, clYellow);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    scene(pic);
    putSprite(2, c.kind == 3 ? newSprite : oldSprite, 5, 3);
    putSprite(3, oldSprite, 5, 3);
    const TBitmap temp = sp.Temp;
    EXPECT_FALSE(sp.GetFadeing());
    c.prepare(sp);
    EXPECT_EQ(sp.FadeKind, c.kind);
    EXPECT_TRUE(sp.GetFadeing());
    EXPECT_EQ(runToEnd(), c.frames);
    EXPECT_FALSE(sp.GetFadeing());
    EXPECT_EQ(sp.FadeKind, 0);
    EXPECT_EQ(sp.FadeStep, 0);
    EXPECT_FALSE(sp.FadeExecute(false));  // nothing prepared any more
    const TRect all = Rect(0, 0, 48, 24);
    switch (c.end) {
      case kPicture: EXPECT_TRUE(SamePixels(sp.BkGnd, pic)); break;
      case kBlack:
      case kWhite: {
        const TColor colour = c.end == kBlack ? clBlack : clWhite;
        EXPECT_EQ(CountPixels(sp.BkGnd, all, colour), 48 * 24);
        EXPECT_EQ(CountPixels(sp.OrgBkGnd, all, colour), 48 * 24);
        break;
      }
      case kBlackBkGndOnly:
        EXPECT_EQ(CountPixels(sp.BkGnd, all, clBlack), 48 * 24);
        EXPECT_TRUE(SamePixels(sp.OrgBkGnd, pic));
        EXPECT_TRUE(SamePixels(sp.Temp, temp));
        break;
      case kSpriteShown:
      case kSpriteGone: {
        const TRect at = Rect(5, 3, 13, 7);
        if (c.end == kSpriteShown)
          EXPECT_EQ(CountPixels(sp.BkGnd, at, c.kind == 3 ? clYellow : clRed), 32);
        else
          EXPECT_TRUE(SameIn(sp.BkGnd, pic, at));
        EXPECT_TRUE(SamePixels(sp.OrgBkGnd, pic));
        break;
      }
    }
  }
}

// Set 0: frame k of a fade from black shows the picture in the black cells of pattern k.
TEST_F(Transitions, FadeFromBlackShowsTheBlackCellsOfEachPattern) {
  scene(SolidPicture(16, 16, clWhite));
  sp.FadeFromBlack();
  std::vector<int> shown;
  const int frames = runToEnd([&](int k) {
    shown.push_back(CountPixels(sp.BkGnd, Rect(0, 0, 8, 8), clWhite));
    // The same in every 8 x 8 tile, aligned to the image's origin.
    for (int32_t y = 0; y < 16; ++y)
      for (int32_t x = 0; x < 16; ++x)
        ASSERT_EQ(sp.BkGnd.Pixel(x, y), patternWhite(0, k, x, y) ? clBlack : clWhite);
  });
  EXPECT_EQ(frames, 8);
  EXPECT_EQ(shown, (std::vector<int>{4, 8, 16, 32, 40, 48, 56, 60}));
  EXPECT_EQ(CountPixels(sp.BkGnd, Rect(0, 0, 16, 16), clWhite), 256);
}

// The four dither kinds frame by frame on a plain picture, for every pattern set.
TEST_F(Transitions, DitherFramesForEverySet) {
  struct Case {
    const char* name;
    std::function<void(TSplPaint&)> prepare;
    TColor closed;               // what the cells not yet showing the picture hold
    bool pictureInWhiteCells;    // else in the black cells of pattern k
  } cases[] = {
      {"FadeFromBlack", [](TSplPaint& s) { s.FadeFromBlack(); }, clBlack, false},
      {"FadeToBlack", [](TSplPaint& s) { s.FadeToBlack(); }, clBlack, true},
      {"FadeFromWhite", [](TSplPaint& s) { s.FadeFromWhite(); }, clWhite, false},
      {"FadeToWhite", [](TSplPaint& s) { s.FadeToWhite(); }, clWhite, true},
  };
  for (int set = 0; set < 4; ++set)
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.name) + " set " + std::to_string(set));
      sp.ChangeFadeBrush(set);
      scene(SolidPicture(16, 8, kGrey));
      sp.FillBkWhite(false);  // a white screen before the fade from white
      c.prepare(sp);
      runToEnd([&](int k) {
        for (int32_t y = 0; y < 8; ++y)
          for (int32_t x = 0; x < 16; ++x) {
            const bool open = patternWhite(set, k, x, y) == c.pictureInWhiteCells;
            ASSERT_EQ(sp.BkGnd.Pixel(x, y), open ? kGrey : c.closed) << k << ": " << x << "," << y;
          }
      });
    }
}

TEST_F(Transitions, FadeFromWhiteOverBlackKeepsPatternZeroBlackCellsClosed) {
  scene(SolidPicture(8, 8, kGrey));
  sp.FillBkBlack(false);
  sp.FadeFromWhite();
  runToEnd([&](int k) {
    for (int32_t y = 0; y < 8; ++y)
      for (int32_t x = 0; x < 8; ++x) {
        TColor want = patternWhite(0, k, x, y) ? clWhite : kGrey;
        if (!patternWhite(0, 0, x, y)) want = clBlack;
        ASSERT_EQ(sp.BkGnd.Pixel(x, y), want) << k << ": " << x << "," << y;
      }
  });
  EXPECT_EQ(CountPixels(sp.BkGnd, Rect(0, 0, 8, 8), kGrey), 64);
}

// The levels each brightness and offset fade shows, read back from the frames themselves.
TEST_F(Transitions, LevelSequences) {
  auto range = [](int from, int to, int step) {
    std::vector<int> v;
    for (int x = from; step > 0 ? x <= to : x >= to; x += step) v.push_back(x);
    return v;
  };
  struct Case {
    const char* name;
    std::function<void(TSplPaint&)> prepare;
    bool contrast;
    std::vector<int> levels;
  } cases[] = {
      {"FadeFromWhiteContrast", [](TSplPaint& s) { s.FadeFromWhiteContrast(); }, true,
       range(380, 100, -20)},
      {"FadeToBlackContrast", [](TSplPaint& s) { s.FadeToBlackContrast(); }, true,
       range(95, 5, -5)},
      {"FadeFromBlackContrast", [](TSplPaint& s) { s.FadeFromBlackContrast(); }, true,
       range(5, 95, 5)},
      {"FadeToWhiteContrast", [](TSplPaint& s) { s.FadeToWhiteContrast(); }, true,
       range(120, 380, 20)},
      {"FadeFromBlackRGB", [](TSplPaint& s) { s.FadeFromBlackRGB(); }, false,
       range(-235, -15, 20)},
      {"FadeToBlackRGB", [](TSplPaint& s) { s.FadeToBlackRGB(); }, false, range(-20, -240, -20)},
      {"FadeFromWhiteRGB", [](TSplPaint& s) { s.FadeFromWhiteRGB(); }, false,
       range(235, 15, -20)},
      {"FadeToWhiteRGB", [](TSplPaint& s) { s.FadeToWhiteRGB(); }, false, range(20, 240, 20)},
  };
  // Byte values 0..255 across the picture, so that each frame identifies its level exactly.
  TBitmap pic(86, 1);
  for (size_t i = 0; i < pic.ByteSize(); ++i) pic.Bits()[i] = uint8_t(std::min<size_t>(i, 255));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    scene(pic);
    c.prepare(sp);
    std::vector<int> levels;
    runToEnd([&](int k) {
      levels.push_back(sp.FadeStep);
      for (size_t i = 0; i < pic.ByteSize(); ++i) {
        const int in = pic.Bits()[i];
        const int want = c.contrast ? std::min(255, in * sp.FadeStep / 100)
                                    : std::clamp(in + sp.FadeStep, 0, 255);
        ASSERT_EQ(sp.BkGnd.Bits()[i], want) << "frame " << k << " byte " << i;
      }
    });
    EXPECT_EQ(levels, c.levels);
  }
}

// The columns a slit frame touches, from the band table.
std::vector<int> bandColumns(int k, bool movingRight) {
  static const int kRight[6][2] = {{-1, 1}, {-18, -14}, {-36, -28}, {-54, -42}, {-72, -56},
                                   {-90, -70}};
  static const int kLeft[6][2] = {{-1, 1}, {14, 18}, {28, 36}, {42, 54}, {56, 72}, {70, 80}};
  const int x = movingRight ? 16 * (k + 1) : 640 - 16 * (k + 1);
  std::vector<bool> in(640, false);
  for (const auto& b : movingRight ? kRight : kLeft)
    for (int c = x + b[0]; c < x + b[1]; ++c)
      if (c >= 0 && c < 640) in[size_t(c)] = true;
  std::vector<int> cols;
  for (int c = 0; c < 640; ++c)
    if (in[size_t(c)]) cols.push_back(c);
  return cols;
}

// Each slit frame in isolation: before every call the scene is reset, so the frame's own bands
// are all that differ.
TEST_F(Transitions, SlitBands) {
  struct Case {
    const char* name;
    std::function<void(TSplPaint&)> prepare;
    bool in, movingRight;
  } cases[] = {
      {"SlitInLeft", [](TSplPaint& s) { s.SlitInLeft(); }, true, true},
      {"SlitInRight", [](TSplPaint& s) { s.SlitInRight(); }, true, false},
      {"SlitOutLeft", [](TSplPaint& s) { s.SlitOutLeft(); }, false, true},
      {"SlitOutRight", [](TSplPaint& s) { s.SlitOutRight(); }, false, false},
  };
  const TBitmap pic = SolidPicture(640, 3, kGrey);
  for (const Case& c : cases) {
    for (int k : {0, 1, 5, 43}) {
      SCOPED_TRACE(std::string(c.name) + " k=" + std::to_string(k));
      scene(pic);
      c.prepare(sp);
      sp.FadeStep = k;
      if (c.in) sp.FillBkBlack(false);
      EXPECT_TRUE(sp.FadeExecute(false));
      EXPECT_EQ(sp.FadeStep, k + 1);
      std::vector<int> cols;
      for (int32_t x = 0; x < 640; ++x) {
        const TColor p = sp.BkGnd.Pixel(x, 1);
        if (p == (c.in ? kGrey : clBlack)) cols.push_back(x);
        EXPECT_EQ(sp.BkGnd.Pixel(x, 0), p);  // bands run from top to bottom
      }
      EXPECT_EQ(cols, bandColumns(k, c.movingRight));
      sp.FadeKind = 0;
    }
  }
  // The first frame opens x = 16 (or 624) and the start of the second band at the edge.
  EXPECT_EQ(bandColumns(0, true), (std::vector<int>{0, 1, 15, 16}));
  EXPECT_EQ(bandColumns(0, false), (std::vector<int>{623, 624, 638, 639}));
}

TEST_F(Transitions, SlitOnANarrowPictureStillRuns45Calls) {
  scene(gradient(100, 10));
  sp.SlitInLeft();
  EXPECT_EQ(runToEnd(), 44);
  EXPECT_TRUE(SamePixels(sp.BkGnd, gradient(100, 10)));
  sp.SlitOutRight();
  EXPECT_EQ(runToEnd(), 44);
}

TEST_F(Transitions, FadeAbort) {
  // A dither fade ends at the next call.
  scene(SolidPicture(8, 8, kGrey));
  sp.FadeFromBlack();
  EXPECT_TRUE(sp.FadeExecute(false));
  EXPECT_TRUE(sp.FadeExecute(false));
  sp.FadeAbort();
  EXPECT_FALSE(sp.FadeExecute(false));
  EXPECT_EQ(CountPixels(sp.BkGnd, Rect(0, 0, 8, 8), kGrey), 64);
  // A fade from black by contrast goes on from 13 percent.
  sp.FadeFromBlackContrast();
  sp.FadeExecute(false);
  sp.FadeAbort();
  EXPECT_TRUE(sp.FadeExecute(false));
  EXPECT_EQ(sp.FadeStep, 13);
  EXPECT_EQ(runToEnd(), 17);  // 18, 23, ..., 98
  // A slit wipe jumps to its ninth position.
  sp.SlitInLeft();
  sp.FadeAbort();
  EXPECT_TRUE(sp.FadeExecute(false));
  EXPECT_EQ(sp.FadeStep, 9);
  EXPECT_EQ(runToEnd(), 44 - 9);
  // A sprite fade ends at the next call, with the sprite in place.
  putSprite(1, SolidPicture(4, 4, clRed), 2, 2);
  sp.FadeInSplite(1);
  sp.FadeExecute(false);
  sp.FadeAbort();
  EXPECT_FALSE(sp.FadeExecute(false));
  EXPECT_EQ(CountPixels(sp.BkGnd, Rect(2, 2, 6, 6), clRed), 16);
}

TEST_F(Transitions, PreparingWhileATransitionRunsChangesNothing) {
  scene(SolidPicture(8, 8, kGrey));
  sp.FadeFromBlack();
  sp.FadeExecute(false);
  sp.FadeExecute(false);
  const TBitmap frame = sp.BkGnd;
  sp.FadeFromBlack();
  sp.FadeToWhite();  // would fill BkGnd white if it were not ignored
  sp.FadeInSplite(0);
  sp.SlitOutLeft();
  EXPECT_EQ(sp.FadeKind, 5);
  EXPECT_EQ(sp.FadeStep, 2);
  EXPECT_TRUE(SamePixels(sp.BkGnd, frame));
  EXPECT_EQ(runToEnd(), 6);
}

TEST_F(Transitions, SpriteFadeFramesAtTheImagesOwnSize) {
  scene(SolidPicture(40, 30, kGrey));
  putSprite(4, SolidPicture(8, 8, clRed), 0, 0);
  sp.MoveSplite(4, Rect(3, 5, 19, 21));  // drawn twice as large
  sp.FadeInSplite(4);
  runToEnd([&](int k) {
    // Inside the image's own size at (3, 5): the sprite in the black cells of pattern k,
    // counted from the sprite's corner; the stretched rest of DestRect is untouched.
    for (int32_t y = 0; y < 30; ++y)
      for (int32_t x = 0; x < 40; ++x) {
        const bool inside = x >= 3 && x < 11 && y >= 5 && y < 13;
        const TColor want = inside && !patternWhite(0, k, x - 3, y - 5) ? clRed : kGrey;
        ASSERT_EQ(sp.BkGnd.Pixel(x, y), want) << k << ": " << x << "," << y;
      }
  });
  EXPECT_EQ(CountPixels(sp.BkGnd, Rect(3, 5, 11, 13), clRed), 64);
  EXPECT_EQ(CountPixels(sp.BkGnd, Rect(0, 0, 40, 30), clRed), 64);
}

TEST_F(Transitions, SpriteFadesRemoveOtherSpritesAndCrossFade) {
  scene(SolidPicture(32, 16, kGrey));
  putSprite(1, SolidPicture(4, 4, clRed), 2, 2);
  putSprite(2, SolidPicture(4, 4, clYellow), 2, 2);
  putSprite(5, SolidPicture(4, 4, clWhite), 20, 2);
  sp.DrawAll(-1);
  sp.FadeSplite(1, 2);  // the old sprite gives way to the new one in the same place
  runToEnd([&](int k) {
    EXPECT_EQ(CountPixels(sp.BkGnd, Rect(20, 2, 24, 6), clWhite), 0) << k;  // other sprites gone
    for (int32_t y = 0; y < 4; ++y)
      for (int32_t x = 0; x < 4; ++x) {
        const TColor want = patternWhite(0, 7 - k, x, y) ? clYellow : clRed;
        EXPECT_EQ(sp.BkGnd.Pixel(2 + x, 2 + y), want) << k;
      }
  });
  EXPECT_EQ(CountPixels(sp.BkGnd, Rect(2, 2, 6, 6), clYellow), 16);
}

TEST_F(Transitions, ChangeFadeBrush) {
  struct Case {
    int set;
    int blackInFirst;  // black cells of FadeBrush[0] afterwards
  } cases[] = {{1, 1}, {9, 1}, {-1, 1}, {4, 1}, {2, 1}, {3, 0}, {100, 0}, {0, 4}};
  for (const Case& c : cases) {
    sp.ChangeFadeBrush(c.set);
    int black = 0, inverseAgrees = 0;
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x) {
        black += sp.FadeBrush[0].Pattern[y][x][0] == 0;
        inverseAgrees += sp.FadeBrushInv[0].Pattern[y][x][1] == 255 - sp.FadeBrush[0].Pattern[y][x][1];
      }
    EXPECT_EQ(black, c.blackInFirst) << c.set;
    EXPECT_EQ(inverseAgrees, 64) << c.set;
  }
  // Set 1's single black cell sits at row 3, column 4.
  sp.ChangeFadeBrush(1);
  EXPECT_EQ(sp.FadeBrush[0].Pattern[3][4][2], 0);
  EXPECT_EQ(sp.FadeBrush[0].Pattern[3][3][2], 255);
}

TEST_F(Transitions, ContrastFadesOnANon24BitSceneShowTheUnchangedPicture) {
  TBitmap pic = gradient(16, 8);
  pic.SetPixelFormat(pf8bit);
  scene(pic);
  sp.FadeFromBlackContrast();
  EXPECT_EQ(runToEnd([&](int) { EXPECT_TRUE(SamePixels(sp.BkGnd, pic)); }), 19);
}

TEST_F(Transitions, StrayStateDoesNotCrash) {
  scene(SolidPicture(16, 16, kGrey));
  sp.FadeKind = 4;  // no such kind: ends at once
  EXPECT_FALSE(sp.FadeExecute(false));
  EXPECT_EQ(sp.FadeKind, 0);
  sp.FadeFromBlack();
  sp.FadeStep = -50;
  EXPECT_TRUE(sp.FadeExecute(false));
  sp.FadeInSplite(70);  // no such slot: nothing is prepared
  runToEnd();
  sp.FadeInSplite(70);
  EXPECT_FALSE(sp.GetFadeing());
}

}  // namespace

namespace {

// The one-pass paths (images of one size, no stretching) against the step-by-step raster
// operations they stand for: an extra column on a work image or on a mask forces the
// step-by-step path without changing what BkGnd must show.
class FusedPaths : public Transitions {};

std::vector<TBitmap> frames(TSplPaint& sp, const std::function<void(TSplPaint&)>& prepare,
                            bool forceSteps) {
  prepare(sp);
  if (forceSteps) sp.FadePart.SetSize(sp.FadePart.Width() + 1, sp.FadePart.Height());
  std::vector<TBitmap> out;
  bool more = true;
  while (more && out.size() < 100) {
    more = sp.FadeExecute(false);
    out.push_back(sp.BkGnd);
  }
  return out;
}

TEST_F(FusedPaths, TransitionFramesAgree) {
  struct Case {
    const char* name;
    std::function<void(TSplPaint&)> prepare;
  } cases[] = {
      {"FadeInSplite", [](TSplPaint& s) { s.FadeInSplite(1); }},
      {"FadeOutSplite", [](TSplPaint& s) { s.FadeOutSplite(1); }},
      {"FadeSplite", [](TSplPaint& s) { s.FadeSplite(2, 1); }},
      {"FadeFromBlack", [](TSplPaint& s) { s.FadeFromBlack(); }},
      {"FadeToBlack", [](TSplPaint& s) { s.FadeToBlack(); }},
      {"FadeFromWhite", [](TSplPaint& s) { s.FadeFromWhite(); }},
      {"FadeToWhite", [](TSplPaint& s) { s.FadeToWhite(); }},
  };
  // Odd sizes, so that rows end inside a vector and a pattern line.
  const TBitmap pic = gradient(101, 37), a = gradient(29, 19), b = SolidPicture(29, 19, clYellow);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<TBitmap> result[2];
    for (int force = 0; force < 2; ++force) {
      scene(pic);
      sp.FillBkBlack(false);
      putSprite(1, a, 7, 3);
      putSprite(2, b, 7, 3);
      sp.Splite[1].Mask.SetPixel(4, 4, clWhite);
      result[force] = frames(sp, c.prepare, force == 1);
    }
    ASSERT_EQ(result[0].size(), result[1].size());
    for (size_t i = 0; i < result[0].size(); ++i)
      EXPECT_TRUE(SamePixels(result[0][i], result[1][i])) << "frame " << i;
  }
}

TEST_F(FusedPaths, SpriteCompositionAgreesWhereverTheSpriteIsClipped) {
  TBitmap img = gradient(23, 17);
  TBitmap mask = SolidPicture(23, 17, clBlack);
  for (int32_t y = 0; y < 17; ++y)
    for (int32_t x = 0; x < 23; ++x)
      if ((x * 7 + y * 3) % 5 == 0) {
        mask.SetPixel(x, y, clWhite);
        img.SetPixel(x, y, clBlack);
      }
  const TPoint places[] = {{5, 5}, {-10, 3}, {90, -8}, {95, 30}, {-30, -30}, {200, 0}};
  for (const TPoint& at : places) {
    TBitmap out[2], outTemp[2];
    for (int force = 0; force < 2; ++force) {
      scene(gradient(101, 37));
      FillRect(sp.Temp, Rect(0, 0, 101, 37), clYellow);  // Temp holds a scene of its own
      TpbSplite& s = sp.Splite[4];
      s.Image = img;
      s.Mask = mask;
      if (force) s.Mask.SetSize(24, 17);  // step by step: the mask no longer matches the image
      s.SrcRect = Rect(0, 0, 23, 17);
      sp.MoveSplite(4, Rect(at.x, at.y, at.x + 23, at.y + 17));
      sp.DrawSplite(4, true);
      out[force] = sp.BkGnd;
      outTemp[force] = sp.Temp;
    }
    EXPECT_TRUE(SamePixels(out[0], out[1])) << at.x << "," << at.y;
    EXPECT_TRUE(SamePixels(outTemp[0], outTemp[1])) << at.x << "," << at.y;
  }
}

}  // namespace
