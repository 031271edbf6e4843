// Block copies, pattern fills and stretching against plain per-pixel models of the operations.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <random>

#include "platform/pictures/bitmap.h"

namespace {

TBitmap noise(int32_t w, int32_t h, uint32_t seed) {
  TBitmap b(w, h);
  std::mt19937 rng(seed);
  for (size_t i = 0; i < b.ByteSize(); ++i) b.Bits()[i] = uint8_t(rng());
  return b;
}

uint8_t modelRop(TRasterOp op, uint8_t s, uint8_t d) {
  switch (op) {
    case ropSrcCopy:
      return s;
    case ropSrcAnd:
      return s & d;
    case ropSrcPaint:
      return s | d;
    case ropMergePaint:
      return uint8_t(~s | d);
    case ropSrcInvert:
      return s ^ d;
    case ropNotSrcCopy:
      return uint8_t(~s);
  }
  return d;
}

bool inside(const TBitmap& b, int64_t x, int64_t y) {
  return x >= 0 && y >= 0 && x < b.Width() && y < b.Height();
}

// Model of StretchBlt: every destination pixel of dr inside dst whose source pixel (the one
// under the destination pixel's centre) lies inside src.
void modelStretch(TBitmap& dst, const TRect& dr, const TBitmap& src, const TRect& sr,
                  TRasterOp op) {
  const TBitmap from = src;  // the source as it was before the copy
  const int64_t dw = int64_t(dr.Right) - dr.Left, dh = int64_t(dr.Bottom) - dr.Top;
  const int64_t sw = int64_t(sr.Right) - sr.Left, sh = int64_t(sr.Bottom) - sr.Top;
  if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return;
  for (int64_t y = 0; y < dst.Height(); ++y)
    for (int64_t x = 0; x < dst.Width(); ++x) {
      if (x < dr.Left || x >= dr.Right || y < dr.Top || y >= dr.Bottom) continue;
      const int64_t fx = sr.Left + (2 * (x - dr.Left) + 1) * sw / (2 * dw);
      const int64_t fy = sr.Top + (2 * (y - dr.Top) + 1) * sh / (2 * dh);
      if (!inside(from, fx, fy)) continue;
      for (int c = 0; c < 3; ++c) {
        uint8_t& d = dst.ScanLine(int32_t(y))[x * 3 + c];
        d = modelRop(op, from.ScanLine(int32_t(fy))[fx * 3 + c], d);
      }
    }
}

void expectSame(const TBitmap& a, const TBitmap& b, const std::string& what) {
  ASSERT_EQ(a.Width(), b.Width()) << what;
  ASSERT_EQ(a.Height(), b.Height()) << what;
  for (int32_t y = 0; y < a.Height(); ++y)
    for (int32_t x = 0; x < a.Width(); ++x)
      if (std::memcmp(a.ScanLine(y) + x * 3, b.ScanLine(y) + x * 3, 3) != 0) {
        ADD_FAILURE() << what << ": first difference at (" << x << ", " << y << ")";
        return;
      }
}

constexpr TRasterOp kAllOps[] = {ropSrcCopy,    ropSrcAnd,    ropSrcPaint,
                                 ropMergePaint, ropSrcInvert, ropNotSrcCopy};

}  // namespace

TEST(RasterOps, TruthTables) {
  // Each op on the four combinations of source and destination bits, spread over bytes so that
  // every bit position is checked: S = 0xCC (1100), D = 0xAA (1010).
  struct Case {
    TRasterOp op;
    uint8_t expected;
  } cases[] = {
      {ropSrcCopy, 0xCC},    {ropSrcAnd, 0x88},    {ropSrcPaint, 0xEE},
      {ropMergePaint, 0xBB}, {ropSrcInvert, 0x66}, {ropNotSrcCopy, 0x33},
  };
  for (const Case& c : cases) {
    // 37 pixels make 111 bytes: whole 64- and 16-byte blocks plus a ragged tail.
    TBitmap src(37, 3), dst(37, 3);
    std::memset(src.Bits(), 0xCC, src.ByteSize());
    std::memset(dst.Bits(), 0xAA, dst.ByteSize());
    BitBlt(dst, 0, 0, 37, 3, src, 0, 0, c.op);
    for (size_t i = 0; i < dst.ByteSize(); ++i)
      ASSERT_EQ(dst.Bits()[i], c.expected) << "op " << c.op << " byte " << i;
  }
}

TEST(RasterOps, BitBltMatchesModelWithClipping) {
  // Blocks placed partly or wholly outside either image, of every width near the vector sizes.
  struct Case {
    int32_t dx, dy, w, h, sx, sy;
  } cases[] = {
      {0, 0, 50, 40, 0, 0},
      {3, 2, 17, 5, 9, 1},
      {-5, -3, 30, 20, 0, 0},
      {10, 10, 100, 100, -7, -2},
      {45, 35, 20, 20, 0, 0},
      {0, 0, 50, 40, 30, 25},
      {-100, 0, 10, 10, 0, 0},
      {0, 0, 0, 10, 0, 0},
      {0, 0, 10, -1, 0, 0},
      {2, 1, INT32_MAX, INT32_MAX, 1, 1},
      {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, 0, 0},
      {7, 3, 22, 9, INT32_MAX, 0},
      {1, 1, 22, 4, 1, 1},
  };
  const TBitmap src = noise(41, 33, 1);
  for (TRasterOp op : kAllOps)
    for (const Case& c : cases) {
      TBitmap got = noise(50, 40, 2), want = got;
      BitBlt(got, c.dx, c.dy, c.w, c.h, src, c.sx, c.sy, op);
      for (int64_t y = 0; y < want.Height(); ++y)
        for (int64_t x = 0; x < want.Width(); ++x) {
          const int64_t i = x - c.dx, j = y - c.dy;
          const int64_t fx = int64_t(c.sx) + i, fy = int64_t(c.sy) + j;
          if (i < 0 || j < 0 || i >= c.w || j >= c.h || !inside(src, fx, fy)) continue;
          for (int k = 0; k < 3; ++k) {
            uint8_t& d = want.ScanLine(int32_t(y))[x * 3 + k];
            d = modelRop(op, src.ScanLine(int32_t(fy))[fx * 3 + k], d);
          }
        }
      expectSame(
          got, want,
          "op " + std::to_string(op) + " dx " + std::to_string(c.dx) + " w " + std::to_string(c.w));
    }
}

TEST(RasterOps, OverlappingCopyWithinOneImage) {
  // Moving a block inside one image reads the source as it was before the copy, in every
  // direction.
  struct Case {
    int32_t dx, dy, sx, sy;
  } cases[] = {{2, 0, 0, 0}, {0, 0, 2, 0}, {0, 3, 0, 0}, {0, 0, 0, 3}, {5, 4, 3, 3}};
  for (TRasterOp op : {ropSrcCopy, ropSrcInvert})
    for (const Case& c : cases) {
      TBitmap got = noise(30, 20, 3);
      const TBitmap before = got;
      TBitmap want = got;
      BitBlt(got, c.dx, c.dy, 20, 12, got, c.sx, c.sy, op);
      BitBlt(want, c.dx, c.dy, 20, 12, before, c.sx, c.sy, op);
      expectSame(got, want, "dx " + std::to_string(c.dx) + " dy " + std::to_string(c.dy));
    }
}

TEST(RasterStretch, MapsDestinationCentreToSource) {
  // A one-row source whose pixels are numbered by their blue byte: enlarging and shrinking both
  // pick the source column under the centre of each destination column.
  struct Case {
    int32_t sw, dw;
    std::vector<int> columns;
  } cases[] = {
      {3, 8, {0, 0, 0, 1, 1, 2, 2, 2}},
      {8, 3, {1, 4, 6}},
      {4, 10, {0, 0, 1, 1, 1, 2, 2, 3, 3, 3}},
      {8, 5, {0, 2, 4, 5, 7}},
      {7, 7, {0, 1, 2, 3, 4, 5, 6}},
  };
  for (const Case& c : cases) {
    TBitmap src(c.sw + 2, 1), dst(c.dw, 1);
    for (int32_t x = 0; x < src.Width(); ++x) src.SetPixel(x, 0, RGB(0, 0, uint8_t(x)));
    // The source rectangle starts at column 1, so the offset is part of the mapping.
    StretchBlt(dst, Rect(0, 0, c.dw, 1), src, Rect(1, 0, 1 + c.sw, 1));
    for (int32_t x = 0; x < c.dw; ++x)
      EXPECT_EQ(GetBValue(dst.Pixel(x, 0)), c.columns[x] + 1)
          << c.sw << " -> " << c.dw << " at " << x;
  }
  // Rows map the same way: 2 rows stretched to 5 give 0, 0, 1, 1, 1.
  TBitmap src(1, 2), dst(1, 5);
  src.SetPixel(0, 0, clWhite);
  StretchBlt(dst, Rect(0, 0, 1, 5), src, Rect(0, 0, 1, 2));
  const TColor rows[] = {clWhite, clWhite, clBlack, clBlack, clBlack};
  for (int y = 0; y < 5; ++y) EXPECT_EQ(dst.Pixel(0, y), rows[y]) << "row " << y;
}

TEST(RasterStretch, MatchesModelForEveryOpAndClipping) {
  struct Case {
    TRect dr, sr;
  } cases[] = {
      {Rect(0, 0, 60, 45), Rect(0, 0, 20, 15)},     // enlarge
      {Rect(3, 4, 13, 9), Rect(0, 0, 31, 23)},      // shrink
      {Rect(-17, -9, 40, 30), Rect(2, 3, 19, 11)},  // destination partly outside: the mapping
                                                    // still starts at dr.Left
      {Rect(10, 5, 70, 60), Rect(-4, -6, 25, 30)},  // source rectangle partly outside
      {Rect(50, 40, 90, 90), Rect(0, 0, 9, 9)},     // destination corner only
      {Rect(0, 0, 64, 48), Rect(0, 0, 31, 23)},     // same scale both ways
      {Rect(5, 5, 5, 30), Rect(0, 0, 10, 10)},      // empty destination
      {Rect(0, 0, 30, 30), Rect(10, 0, 5, 10)},     // inverted source
      {Rect(INT32_MIN, 0, INT32_MAX, 30), Rect(0, 0, 31, 23)},
  };
  const TBitmap src = noise(31, 23, 4);
  for (TRasterOp op : kAllOps)
    for (const Case& c : cases) {
      TBitmap got = noise(64, 48, 5), want = got;
      StretchBlt(got, c.dr, src, c.sr, op);
      modelStretch(want, c.dr, src, c.sr, op);
      expectSame(got, want, "op " + std::to_string(op) + " dr.Left " + std::to_string(c.dr.Left));
    }
}

TEST(RasterStretch, SameImageReadsTheOriginal) {
  TBitmap got = noise(40, 30, 6);
  const TBitmap before = got;
  TBitmap want = got;
  StretchBlt(got, Rect(5, 5, 40, 30), got, Rect(0, 0, 20, 15));
  StretchBlt(want, Rect(5, 5, 40, 30), before, Rect(0, 0, 20, 15));
  expectSame(got, want, "self stretch");
}

TEST(RasterPattern, TilesFromTheImageOriginForEveryOp) {
  // A pattern whose cells differ in every row and column, so a wrong phase shows.
  const uint8_t bits[8] = {0x80, 0x41, 0x22, 0x14, 0x0F, 0xF0, 0x3C, 0xA5};
  const TBrush brush = TBrush::FromBits(bits);
  struct Case {
    TPatternOp op;
    TRect r;
  } cases[] = {
      {popPatCopy, Rect(0, 0, 53, 37)},   {popPatAnd, Rect(3, 5, 50, 17)},
      {popPatPaint, Rect(11, 2, 12, 30)}, {popPatInvert, Rect(-6, -9, 20, 20)},
      {popPatAnd, Rect(1, 1, 53, 37)},    {popPatCopy, Rect(40, 30, 100, 100)},
  };
  for (const Case& c : cases) {
    TBitmap got = noise(53, 37, 7);
    const TBitmap before = got;
    PatBlt(got, c.r, brush, c.op);
    for (int32_t y = 0; y < got.Height(); ++y)
      for (int32_t x = 0; x < got.Width(); ++x) {
        const bool in = x >= c.r.Left && x < c.r.Right && y >= c.r.Top && y < c.r.Bottom;
        const uint8_t cell = (bits[y % 8] & (0x80 >> (x % 8))) ? 0xFF : 0x00;
        for (int k = 0; k < 3; ++k) {
          const uint8_t d = before.ScanLine(y)[x * 3 + k];
          uint8_t want = d;
          if (in) {
            switch (c.op) {
              case popPatCopy:
                want = cell;
                break;
              case popPatAnd:
                want = cell & d;
                break;
              case popPatPaint:
                want = cell | d;
                break;
              case popPatInvert:
                want = cell ^ d;
                break;
            }
          }
          ASSERT_EQ(got.ScanLine(y)[x * 3 + k], want)
              << "op " << c.op << " at (" << x << ", " << y << ") rect left " << c.r.Left;
        }
      }
  }
}

TEST(RasterPattern, BrushesFromBitsBitmapsAndInversion) {
  const uint8_t bits[8] = {0x80, 0, 0, 0, 0, 0, 0, 0x01};
  const TBrush b = TBrush::FromBits(bits);
  EXPECT_TRUE(b.IsPattern);
  EXPECT_EQ(b.Pattern[0][0][0], 0xFF);  // bit 7 is column 0
  EXPECT_EQ(b.Pattern[0][1][0], 0x00);
  EXPECT_EQ(b.Pattern[7][7][2], 0xFF);
  const TBrush inv = b.Inverted();
  EXPECT_EQ(inv.Pattern[0][0][1], 0x00);
  EXPECT_EQ(inv.Pattern[3][3][1], 0xFF);

  // A brush made from a picture takes its colours cell by cell; a smaller picture repeats.
  TBitmap pic(2, 8);
  pic.SetPixel(1, 0, RGB(1, 2, 3));
  const TBrush fromPic = TBrush::FromBitmap(pic);
  TBitmap dst(16, 8);
  PatBlt(dst, Rect(0, 0, 16, 8), fromPic, popPatCopy);
  EXPECT_EQ(dst.Pixel(1, 0), RGB(1, 2, 3));
  EXPECT_EQ(dst.Pixel(3, 0), RGB(1, 2, 3));
  EXPECT_EQ(dst.Pixel(2, 0), clBlack);

  // A solid brush paints its colour whatever its pattern cells hold.
  TBrush solid;
  solid.Color = RGB(10, 20, 30);
  PatBlt(dst, Rect(0, 0, 16, 8), solid, popPatCopy);
  EXPECT_EQ(dst.Pixel(9, 5), RGB(10, 20, 30));
}

TEST(RasterFill, FillAndInvertOnlyInsideTheClippedRectangle) {
  struct Case {
    TRect r;
  } cases[] = {{Rect(0, 0, 33, 21)},    {Rect(5, 3, 22, 4)},
               {Rect(-10, -10, 3, 50)}, {Rect(30, 18, 2000, 2000)},
               {Rect(10, 10, 5, 20)},   {Rect(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX)}};
  for (const Case& c : cases) {
    TBitmap filled = noise(33, 21, 8), inverted = filled;
    const TBitmap before = filled;
    FillRect(filled, c.r, RGB(0x12, 0x34, 0x56));
    InvertRect(inverted, c.r);
    for (int32_t y = 0; y < 21; ++y)
      for (int32_t x = 0; x < 33; ++x) {
        const bool in = x >= c.r.Left && x < c.r.Right && y >= c.r.Top && y < c.r.Bottom;
        ASSERT_EQ(filled.Pixel(x, y), in ? RGB(0x12, 0x34, 0x56) : before.Pixel(x, y))
            << x << "," << y;
        ASSERT_EQ(inverted.Pixel(x, y), in ? (~before.Pixel(x, y) & 0xFFFFFF) : before.Pixel(x, y))
            << x << "," << y;
      }
  }
}

TEST(RasterOps, EmptyImagesAreLeftAlone) {
  TBitmap empty, some = noise(8, 8, 9);
  const TBitmap before = some;
  BitBlt(empty, 0, 0, 8, 8, some, 0, 0);
  BitBlt(some, 0, 0, 8, 8, empty, 0, 0);
  StretchBlt(some, Rect(0, 0, 8, 8), empty, Rect(0, 0, 4, 4));
  StretchBlt(empty, Rect(0, 0, 8, 8), some, Rect(0, 0, 4, 4));
  FillRect(empty, Rect(0, 0, 8, 8), clWhite);
  InvertRect(empty, Rect(0, 0, 8, 8));
  DrawLine(empty, 0, 0, 7, 7, 3, clWhite);
  expectSame(some, before, "empty source");
  EXPECT_TRUE(empty.Empty());
}
