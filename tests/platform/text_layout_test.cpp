// DrawTextA line breaking, alignment, tabs, prefixes and measuring. Every case is checked against
// the same lines drawn one by one with TextOut at the places the rules give, so the expectations
// come from the widths of the pieces and not from the pixel sizes of one font.
#include <gtest/gtest.h>

#include <cctype>
#include <ostream>
#include <string>
#include <vector>

#include "platform/text/cp932.h"
#include "platform/text/text.h"
#include "support/pictures.h"
#include "support/pixels.h"
#include "support/text.h"

namespace {

constexpr TColor kBg = RGB(10, 20, 30);

// Draws an expected line: "{x}" marks x as underlined, a tab goes to the next stop every 8
// average character widths. Returns the line's width.
int32_t drawExpectedLine(TBitmap* b, const TFont& font, const std::string& utf8, int32_t x,
                         int32_t y) {
  const std::string s = Cp932(utf8);
  const int32_t tab = 8 * TextAveCharWidth(font);
  TFont underlined = font;
  underlined.Underline = true;
  int32_t pen = 0;
  bool ul = false;
  for (size_t i = 0; i < s.size();) {
    if (s[i] == '{' || s[i] == '}') {
      ul = s[i] == '{';
      ++i;
      continue;
    }
    if (s[i] == '\t') {
      pen = (pen / tab + 1) * tab;
      ++i;
      continue;
    }
    size_t n = IsLeadByte(static_cast<unsigned char>(s[i])) ? 2 : 1;
    if (b) TextOut(*b, ul ? underlined : font, x + pen, y, s.data() + i, int32_t(n));
    pen += TextWidth(font, s.data() + i, int32_t(n));
    i += n;
  }
  return pen;
}

int32_t lineWidth(const TFont& font, const std::string& utf8) {
  return drawExpectedLine(nullptr, font, utf8, 0, 0);
}

struct LayoutCase {
  const char* name;
  const char* text;  // UTF-8
  const char* fit;   // the rectangle is as wide as this text plus delta
  int32_t delta;
  unsigned format;
  std::vector<std::string> lines;  // as drawn, in the notation of drawExpectedLine
};

void PrintTo(const LayoutCase& c, std::ostream* os) { *os << c.name; }

const LayoutCase kCases[] = {
    {"blank break", "aaa bbb ccc", "aaa bbb ", 0, DT_WORDBREAK, {"aaa bbb ", "ccc"}},
    {"word moves down without room for its blank", "aaa bbb ccc", "aaa bbb", 0, DT_WORDBREAK,
     {"aaa ", "bbb ccc"}},
    {"one pixel short", "aaa bbb ccc", "aaa bbb ", -1, DT_WORDBREAK, {"aaa ", "bbb ccc"}},
    {"blanks stay on their line", "aaa   bbb", "aaa", 0, DT_WORDBREAK, {"aaa   ", "bbb"}},
    {"blanks at a wrap count in the width", "aaa bbb", "aaa b", 0, DT_WORDBREAK,
     {"aaa ", "bbb"}},
    {"leading blanks of a line stay", "  aaa", "  aaa", 0, DT_WORDBREAK, {"  aaa"}},
    {"japanese", "あいうえお", "あいう", 0, DT_WORDBREAK, {"あいう", "えお"}},
    {"japanese short", "あいうえお", "あいう", -1, DT_WORDBREAK, {"あい", "うえ", "お"}},
    {"mixed", "日本語abc def", "日本語ab", 0, DT_WORDBREAK, {"日本語", "abc def"}},
    {"break between ascii and two-byte", "abcあい", "abcあ", -1, DT_WORDBREAK,
     {"abc", "あい"}},
    {"long word runs past the edge", "abcdefghij klm", "abc", 0, DT_WORDBREAK,
     {"abcdefghij ", "klm"}},
    {"one glyph per line", "あいう", "", 5, DT_WORDBREAK, {"あ", "い", "う"}},
    {"no wordbreak flag", "aaa bbb ccc", "aaa", 0, 0, {"aaa bbb ccc"}},
    {"cr lf variants", "ab\r\ncd\ref\ngh", "abcdefgh", 0, 0, {"ab", "cd", "ef", "gh"}},
    {"lf cr is one break", "ab\n\rcd", "abcd", 0, 0, {"ab", "cd"}},
    {"empty lines", "\n\nab", "ab", 0, 0, {"", "", "ab"}},
    {"final break adds no line", "ab\r\n", "ab", 0, 0, {"ab"}},
    {"wrap and breaks", "aaa bbb\nccc", "aaa", 0, DT_WORDBREAK, {"aaa ", "bbb", "ccc"}},
    {"single line ignores breaks", "ab\r\ncd", "a", 0, DT_SINGLELINE | DT_WORDBREAK, {"abcd"}},
    {"tab", "a\tb", "a", 0, DT_EXPANDTABS, {"a\tb"}},
    {"tab past first stop", "abcdefghij\tb", "a", 0, DT_EXPANDTABS, {"abcdefghij\tb"}},
    {"two tabs", "\t\tb", "a", 0, DT_EXPANDTABS, {"\t\tb"}},
    {"tab breaks like a blank", "aaa\tbbb", "aaa", 0, DT_EXPANDTABS | DT_WORDBREAK,
     {"aaa\t", "bbb"}},
    {"tab without expandtabs", "a\tb", "ab", 0, 0, {"ab"}},
    {"prefix", "&File", "File", 0, 0, {"{F}ile"}},
    {"prefix in the middle", "A&B", "AB", 0, 0, {"A{B}"}},
    {"double ampersand", "A&&B", "A&B", 0, 0, {"A&B"}},
    {"lone trailing ampersand", "AB&", "AB&", 0, 0, {"AB&"}},
    {"three ampersands", "&&&x", "&x", 0, 0, {"&{x}"}},
    {"prefix on two-byte", "&あい", "あい", 0, 0, {"{あ}い"}},
    {"noprefix", "A&B&&C", "A&B&&C", 0, DT_NOPREFIX, {"A&B&&C"}},
    {"centre", "aaa bbb ccc", "aaa bbb ", 21, DT_WORDBREAK | DT_CENTER, {"aaa bbb ", "ccc"}},
    {"centre japanese", "あいうえお", "あいう", 5, DT_WORDBREAK | DT_CENTER,
     {"あいう", "えお"}},
    {"centre wider than rect", "abcdefghij", "abc", 0, DT_CENTER, {"abcdefghij"}},
    {"right", "aaa bbb ccc", "aaa bbb ", 9, DT_WORDBREAK | DT_RIGHT, {"aaa bbb ", "ccc"}},
    {"right with wrap blanks", "ab  cd", "ab c", 0, DT_WORDBREAK | DT_RIGHT, {"ab  ", "cd"}},
};

class DrawTextLayout : public testing::TestWithParam<LayoutCase> {};

TEST_P(DrawTextLayout, MatchesLinesDrawnOneByOne) {
  const LayoutCase& c = GetParam();
  const TFont font = WhiteGothic();
  const int32_t lh = TextHeight(font);
  const std::string text = Cp932(c.text);
  const std::string fit = Cp932(c.fit);
  const int32_t left = 40, top = 6;
  const TRect rect{left, top, left + TextWidth(font, fit.c_str()) + c.delta, top + 60};

  TBitmap drawn = SolidPicture(700, 150, kBg);
  TRect r = rect;
  const int32_t height = DrawTextA(&drawn, font, text.c_str(), -1, &r, c.format);
  EXPECT_EQ(r, rect) << "drawing must not change the rectangle";
  EXPECT_EQ(height, lh * int32_t(c.lines.size()));

  TBitmap expected = SolidPicture(700, 150, kBg);
  int32_t widest = 0;
  for (size_t k = 0; k < c.lines.size(); ++k) {
    const int32_t w = lineWidth(font, c.lines[k]);
    widest = std::max(widest, w);
    int32_t x = rect.Left;
    if (c.format & DT_CENTER)
      x += (rect.Width() - w) / 2;
    else if (c.format & DT_RIGHT)
      x = rect.Right - w;
    drawExpectedLine(&expected, font, c.lines[k], x, rect.Top + int32_t(k) * lh);
  }
  EXPECT_EQ(PixelDifference(drawn, expected), "");

  // Measuring gives the size of the same lines and draws nothing.
  TBitmap untouched = SolidPicture(700, 150, kBg);
  TRect calc = rect;
  EXPECT_EQ(DrawTextA(&untouched, font, text.c_str(), -1, &calc, c.format | DT_CALCRECT), height);
  EXPECT_EQ(calc.Left, rect.Left);
  EXPECT_EQ(calc.Top, rect.Top);
  EXPECT_EQ(calc.Right, rect.Left + widest);
  EXPECT_EQ(calc.Bottom, rect.Top + height);
  EXPECT_EQ(PixelDifference(untouched, SolidPicture(700, 150, kBg)), "");
}

INSTANTIATE_TEST_SUITE_P(Text, DrawTextLayout, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<LayoutCase>& info) {
                           std::string n;
                           for (const char* p = info.param.name; *p; ++p)
                             n += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                           return n;
                         });

TEST(TextLayout, CountGivesTheBytesToDraw) {
  const TFont font = WhiteGothic();
  TRect a{0, 0, 600, 100}, b = a;
  DrawTextA(nullptr, font, "abc def", 3, &a, DT_CALCRECT);
  DrawTextA(nullptr, font, "abc", -1, &b, DT_CALCRECT);
  EXPECT_EQ(a, b);
  // A count that ends inside a two-byte character leaves a lone lead byte: one replacement.
  const std::string s = Cp932("あい");
  EXPECT_EQ(TextWidth(font, s.c_str(), 3), TextWidth(font, Cp932("あ・").c_str()));
}

TEST(TextLayout, EmptyTextIsOneLineHighButMeasuresNothing) {
  const TFont font = WhiteGothic();
  for (unsigned fmt : {0u, unsigned(DT_WORDBREAK), unsigned(DT_SINGLELINE)}) {
    TRect r{5, 7, 300, 100};
    EXPECT_EQ(DrawTextA(nullptr, font, "", -1, &r, fmt | DT_CALCRECT), TextHeight(font));
    EXPECT_EQ(r, (TRect{5, 7, 5, 7}));
    TRect n{5, 7, 300, 100};
    EXPECT_EQ(DrawTextA(nullptr, font, nullptr, -1, &n, fmt | DT_CALCRECT), TextHeight(font));
    // A count of 0 is no text at all: no height, and the rectangle stays as it was.
    TRect z{5, 7, 300, 100};
    EXPECT_EQ(DrawTextA(nullptr, font, "abc", 0, &z, fmt | DT_CALCRECT), 0);
    EXPECT_EQ(z, (TRect{5, 7, 300, 100}));
  }
  TRect r{0, 0, 10, 10};
  EXPECT_EQ(DrawTextA(nullptr, font, "abc", -1, nullptr, DT_CALCRECT), 0);
  TBitmap b = SolidPicture(50, 50, kBg);
  DrawTextA(&b, font, "", 0, &r, 0);
  EXPECT_EQ(PixelDifference(b, SolidPicture(50, 50, kBg)), "");
}

TEST(TextLayout, TabStopsAreEightAverageWidths) {
  const TFont font = WhiteGothic();
  const int32_t ave = TextAveCharWidth(font);
  // The monospaced Gothic faces have half-width letters of about half the em.
  EXPECT_NEAR(ave, TextWidth(font, "x"), 1);
  TRect r{0, 0, 600, 50};
  DrawTextA(nullptr, font, "a\tb", -1, &r, DT_EXPANDTABS | DT_CALCRECT);
  EXPECT_EQ(r.Right, 8 * ave + TextWidth(font, "b"));
}

TEST(TextLayout, VerticalPlacementOfASingleLine) {
  const TFont font = WhiteGothic();
  const int32_t lh = TextHeight(font);
  const TRect rect{20, 30, 300, 131};
  struct Case {
    unsigned format;
    int32_t y;
    int32_t result;
  } cases[] = {
      {DT_SINGLELINE, rect.Top, lh},
      {DT_SINGLELINE | DT_VCENTER, rect.Top + (rect.Height() - lh) / 2,
       (rect.Height() - lh) / 2 + lh},
      {DT_SINGLELINE | DT_BOTTOM, rect.Bottom - lh, rect.Height()},
      {DT_VCENTER, rect.Top, lh},  // only with DT_SINGLELINE
      {DT_BOTTOM, rect.Top, lh},
  };
  for (const Case& c : cases) {
    TBitmap drawn = SolidPicture(320, 200, kBg), expected = SolidPicture(320, 200, kBg);
    TRect r = rect;
    EXPECT_EQ(DrawTextA(&drawn, font, "Hello", -1, &r, c.format), c.result) << c.format;
    TextOut(expected, font, rect.Left, c.y, "Hello");
    EXPECT_EQ(PixelDifference(drawn, expected), "") << c.format;
  }
}

TEST(TextLayout, UndecodableBytesDrawOneReplacementGlyphEach) {
  const TFont font = WhiteGothic();
  struct Case {
    std::string raw;
    const char* shown;  // UTF-8, "・" standing for the replacement glyph
  } cases[] = {
      {"a\x80" "b", "a・b"},
      {"\xA0\xFD\xFE\xFF", "・・・・"},
      {"x\x81 y", "x・ y"},      // a bad trail byte is drawn on its own
      {"\x82\xA0\x82", "あ・"},  // a lead byte at the very end
  };
  for (const Case& c : cases) {
    TBitmap drawn = SolidPicture(400, 40, kBg), expected = SolidPicture(400, 40, kBg);
    TRect r{0, 0, 400, 40};
    DrawTextA(&drawn, font, c.raw.c_str(), int32_t(c.raw.size()), &r, DT_NOPREFIX);
    const std::string shown = Cp932(c.shown);
    TextOut(expected, font, 0, 0, shown.c_str());
    EXPECT_EQ(PixelDifference(drawn, expected), "") << c.shown;
    EXPECT_EQ(TextWidth(font, c.raw.c_str(), int32_t(c.raw.size())),
              TextWidth(font, shown.c_str()));
  }
  // The replacement glyph is visible.
  TBitmap b = SolidPicture(40, 40, kBg);
  TextOut(b, font, 0, 0, "\x80");
  EXPECT_GT(CountPixelsNot(b, kBg), 10);
}

}  // namespace
