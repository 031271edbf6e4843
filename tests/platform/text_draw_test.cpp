// Glyph pixels: Japanese text really reaches the image, colours blend by coverage, drawing is
// clipped to the image, underline and synthetic styles show, and odd input does not crash.
#include <gtest/gtest.h>

#include <string>

#include "platform/text/cp932.h"
#include "platform/text/text.h"
#include "support/pictures.h"
#include "support/pixels.h"
#include "support/text.h"

namespace {

constexpr TColor kBg = clBlack;

TFont font27(TColor color = clWhite) {
  TFont f = WhiteGothic();
  f.Color = color;
  return f;
}

TEST(TextDraw, JapaneseGlyphsPutInkInEveryCell) {
  const TFont font = font27();
  const std::string text = Cp932("日本語のテキスト");
  TBitmap b = SolidPicture(400, 60, kBg);
  const int32_t x0 = 10, y0 = 12;
  TextOut(b, font, x0, y0, text.c_str());
  const int32_t lh = TextHeight(font);
  const TRect box = InkBounds(b, kBg);
  ASSERT_LT(box.Left, box.Right) << "no ink";
  EXPECT_GE(box.Left, x0);
  EXPECT_GE(box.Top, y0);
  EXPECT_LE(box.Right, x0 + TextWidth(font, text.c_str()));
  EXPECT_LE(box.Bottom, y0 + lh);
  EXPECT_GT(box.Bottom - box.Top, lh / 2);
  int32_t x = x0;
  for (size_t i = 0; i < text.size(); i += 2) {
    const int32_t w = TextWidth(font, text.c_str() + i, 2);
    EXPECT_GT(CountPixelsNot(b, Rect(x, y0, x + w, y0 + lh), kBg), 25) << "character " << i / 2;
    x += w;
  }
}

TEST(TextDraw, CoverageBlendsFontColourOverTheBackground) {
  const TColor bg = RGB(0, 0, 200), fg = RGB(255, 0, 0);
  TBitmap b = SolidPicture(200, 40, bg);
  TextOut(b, font27(fg), 0, 0, Cp932("漢字AB").c_str());
  int full = 0, partial = 0;
  for (int32_t y = 0; y < b.Height(); ++y)
    for (int32_t x = 0; x < b.Width(); ++x) {
      const TColor c = b.Pixel(x, y);
      ASSERT_EQ(GetGValue(c), 0);
      // Every pixel lies between background and font colour: red rises as blue falls.
      ASSERT_NEAR(GetRValue(c) * 200 / 255 + GetBValue(c), 200, 2) << x << "," << y;
      if (c == fg) ++full;
      else if (c != bg) ++partial;
    }
  EXPECT_GT(full, 50) << "covered pixels take the font colour exactly";
  EXPECT_GT(partial, 20) << "antialiased edges";
}

TEST(TextDraw, ClippedAtEveryEdgeOfTheImage) {
  const TFont font = font27();
  const std::string text = Cp932("あA");
  TBitmap whole = SolidPicture(200, 100, kBg);
  TextOut(whole, font, 50, 30, text.c_str());
  struct Case {
    int32_t x, y;
  } cases[] = {{-8, -9}, {-60, 5}, {30, -20}, {35, 20}, {-100, -100}, {5000, 5}};
  for (const Case& c : cases) {
    // A small image placed so that its origin is at (50 - x, 30 - y) of the whole one.
    TBitmap part = SolidPicture(40, 30, kBg);
    TRect r{c.x, c.y, c.x + 300, c.y + 100};
    DrawTextA(&part, font, text.c_str(), -1, &r, DT_NOPREFIX);
    for (int32_t y = 0; y < part.Height(); ++y)
      for (int32_t x = 0; x < part.Width(); ++x) {
        const int32_t wx = 50 - c.x + x, wy = 30 - c.y + y;
        const TColor want = (wx >= 0 && wy >= 0 && wx < 200 && wy < 100) ? whole.Pixel(wx, wy)
                                                                         : kBg;
        ASSERT_EQ(part.Pixel(x, y), want) << c.x << "," << c.y << " at " << x << "," << y;
      }
  }
}

TEST(TextDraw, UnderlineRunsUnderTheWholeAdvance) {
  TFont font = font27();
  font.Underline = true;
  const char* text = "a b";
  TBitmap b = SolidPicture(100, 40, kBg);
  TextOut(b, font, 5, 0, text);
  const int32_t w = TextWidth(font, text);
  int32_t best = 0, bestRow = -1;
  for (int32_t y = 0; y < b.Height(); ++y) {
    int32_t run = 0;
    for (int32_t x = 0; x < b.Width(); ++x) run += b.Pixel(x, y) == clWhite;
    if (run > best) best = run, bestRow = y;
  }
  EXPECT_EQ(best, w) << "a solid line under the text, the blank included";
  EXPECT_EQ(b.Pixel(5, bestRow), clWhite);
  EXPECT_EQ(b.Pixel(5 + w - 1, bestRow), clWhite);
  EXPECT_GT(bestRow, TextHeight(font) / 2);
  EXPECT_LT(bestRow, TextHeight(font));
}

TEST(TextDraw, SyntheticStylesChangeTheGlyphs) {
  const TFont plain = font27();
  TFont bold = plain, italic = plain;
  bold.Bold = true;
  italic.Italic = true;
  const std::string text = Cp932("国語");
  auto draw = [&](const TFont& f) {
    TBitmap b = SolidPicture(120, 40, kBg);
    TextOut(b, f, 10, 0, text.c_str());
    return b;
  };
  const TBitmap p = draw(plain), bo = draw(bold), it = draw(italic);
  EXPECT_GT(CountPixelsNot(bo, kBg), CountPixelsNot(p, kBg) * 11 / 10);
  EXPECT_NE(PixelDifference(it, p), "");
  // The oblique slant moves the tops of the glyphs to the right.
  const TRect pb = InkBounds(p, kBg), ib = InkBounds(it, kBg);
  EXPECT_GT(ib.Right, pb.Right);
}

TEST(TextDraw, OddInputDoesNotCrash) {
  const TFont font = font27();
  TBitmap b = SolidPicture(64, 32, kBg);
  TBitmap empty;
  TRect r{0, 0, 64, 32};
  const std::string bytes = [] {
    std::string s;
    for (int c = 1; c < 256; ++c) s += char(c);
    return s;
  }();
  for (unsigned fmt : {0u, unsigned(DT_WORDBREAK | DT_EXPANDTABS), unsigned(DT_CENTER),
                       unsigned(DT_SINGLELINE | DT_VCENTER), unsigned(DT_RIGHT | DT_WORDBREAK)}) {
    TRect rr = r;
    DrawTextA(&b, font, bytes.c_str(), int32_t(bytes.size()), &rr, fmt);
    rr = r;
    DrawTextA(&empty, font, bytes.c_str(), -1, &rr, fmt);
    rr = r;
    DrawTextA(nullptr, font, bytes.c_str(), -1, &rr, fmt);
    TRect inverted{50, 50, 0, 0};
    DrawTextA(&b, font, "abc def", -1, &inverted, fmt);
  }
  TextOut(empty, font, 0, 0, "abc");
  TextOut(b, font, INT32_MIN / 2, INT32_MAX / 2, "abc");
  TFont huge = font;
  huge.Height = -100000;
  TRect rr = r;
  DrawTextA(&b, huge, "W", -1, &rr, 0);
  SUCCEED();
}

}  // namespace
