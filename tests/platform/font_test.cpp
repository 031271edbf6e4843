// TFont's height and size rules and the resolution of Windows font names to installed faces.
#include <gtest/gtest.h>

#include <string>

#include "platform/text/cp932.h"
#include "platform/text/text.h"

namespace {

TEST(FontSize, PointsAt96DpiWithMulDivRounding) {
  struct Case {
    int32_t height, points;
  } cases[] = {
      {-27, 20}, {-19, 14}, {-16, 12}, {-13, 10}, {-12, 9}, {-11, 8}, {-1, 1}, {0, 0},
      {27, -20},  // a cell height gives a negative size, as Windows reports it
      {-2, 2},    // 1.5 rounds away from zero
  };
  for (const Case& c : cases) {
    TFont f;
    f.Height = c.height;
    EXPECT_EQ(f.Size(), c.points) << "height " << c.height;
  }
  struct SetCase {
    int32_t points, height;
  } sets[] = {{14, -19}, {20, -27}, {12, -16}, {10, -13}, {9, -12}, {8, -11}, {0, 0}};
  for (const SetCase& c : sets) {
    TFont f;
    f.SetSize(c.points);
    EXPECT_EQ(f.Height, c.height) << c.points << " pt";
  }
}

TEST(FontNames, WindowsNamesInCp932) {
  EXPECT_EQ(Cp932ToUtf8(FontMSGothic()), "ＭＳ ゴシック");
  EXPECT_EQ(Cp932ToUtf8(FontMSPGothic()), "ＭＳ Ｐゴシック");
}

// The machine has the IPA Gothic fonts; a machine with the real Windows fonts resolves to them.
TEST(FontResolution, WindowsNamesFindTheirStandIns) {
  struct Case {
    std::string name;
    bool bold;
    std::vector<std::string> accepted;
  } cases[] = {
      {FontMSGothic(), false, {"IPAGothic", "MS Gothic", "ＭＳ ゴシック"}},
      {"", false, {"IPAGothic", "MS Gothic", "ＭＳ ゴシック"}},
      {FontMSGothic(), true, {"IPAGothic", "MS Gothic", "ＭＳ ゴシック"}},
      {FontMSPGothic(), false, {"IPAPGothic", "MS PGothic", "ＭＳ Ｐゴシック"}},
      {"MS PGothic", false, {"IPAPGothic", "MS PGothic", "ＭＳ Ｐゴシック"}},
      {"No Such Face 12345", false, {"IPAGothic", "MS Gothic", "ＭＳ ゴシック"}},
      {"IPAPGothic", false, {"IPAPGothic"}},
  };
  for (const Case& c : cases) {
    TFont f;
    f.Name = c.name;
    f.Bold = c.bold;
    const std::string family = ResolvedFamily(f);
    bool ok = false;
    for (const std::string& a : c.accepted) ok = ok || family == a;
    EXPECT_TRUE(ok) << Cp932ToUtf8(c.name) << " resolved to '" << family << "'";
  }
}

TEST(FontMetrics, TextHeightFollowsTheHeightSign) {
  for (int32_t em : {9, 12, 16, 19, 27, 40}) {
    TFont f;
    f.Height = -em;
    const int32_t h = TextHeight(f);
    // The em height plus the internal leading that the face's ascent and descent give.
    EXPECT_GE(h, em) << em;
    EXPECT_LE(h, em + em / 3 + 1) << em;
    TFont cell;
    cell.Height = h;
    EXPECT_EQ(TextHeight(cell), h) << "a positive height is the cell height";
  }
  TFont a, b;
  a.Height = -27;
  b.Height = -28;
  EXPECT_LT(TextHeight(a), TextHeight(b));
  // The stand-in for the message font: 27 pixels of em plus a little leading.
  EXPECT_GT(TextHeight(a), 27);
  EXPECT_LE(TextHeight(a), 31);
}

TEST(FontMetrics, AdvancesAreWholePixelsAndStyleAware) {
  TFont f;
  f.Height = -27;
  const std::string jp = [] {
    std::string s;
    Utf8ToCp932("あいう", s);
    return s;
  }();
  const int32_t one = TextWidth(f, jp.c_str(), 2);
  EXPECT_GT(one, 20);
  EXPECT_EQ(TextWidth(f, jp.c_str()), 3 * one) << "hinted integer advances add up";
  TFont bold = f;
  bold.Bold = true;
  EXPECT_GT(TextWidth(bold, jp.c_str()), TextWidth(f, jp.c_str()))
      << "emboldening widens the advance as GDI's synthetic bold does";
  TFont bigger = f;
  bigger.Height = -54;
  EXPECT_NEAR(TextWidth(bigger, "abcd"), 2 * TextWidth(f, "abcd"), 4);
  EXPECT_EQ(TextWidth(f, ""), 0);
  EXPECT_EQ(TextWidth(f, nullptr), 0);
}

TEST(FontMetrics, AbsurdHeightsStayUsable) {
  for (int32_t h : {0, 1, -1, 100000, -100000, INT32_MIN + 1}) {
    TFont f;
    f.Height = h;
    EXPECT_GT(TextHeight(f), 0) << h;
    EXPECT_GE(TextWidth(f, "ab"), 0) << h;
  }
}

}  // namespace
