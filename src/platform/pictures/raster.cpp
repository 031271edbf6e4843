// Raster operations on TBitmap: block copies with a raster operation, nearest-neighbour
// stretching, pattern and solid fills, inversion and pen lines.
//
// These run on whole 640 x 480 frames every 30 ms during transitions, so the inner loops work on
// byte spans of a row with 16-byte vectors (GCC/Clang vector extensions, which both compilers
// turn into plain SSE2 loads, stores and logic without needing the auto-vectoriser); the
// source-and-destination operations also have a 32-byte AVX2 version, chosen at run time when
// the processor has it, because they read twice as much as a plain copy does. A pattern
// brush repeats every 8 pixels = 24 bytes; 48 bytes (the least common multiple of 16 and 24)
// make three whole vectors, so a pattern row is prepared once as a 48-byte line in the phase of
// the rectangle's left edge and then applied vector by vector.
#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/pictures/bitmap.h"

namespace {

using V16 = uint64_t __attribute__((vector_size(16)));

inline V16 load16(const uint8_t* p) {
  V16 v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
inline void store16(uint8_t* p, V16 v) { std::memcpy(p, &v, sizeof v); }

// What a raster operation makes of source s and destination d, for vectors and single bytes.
template <TRasterOp op, typename T>
inline T combine(T s, T d) {
  if constexpr (op == ropSrcCopy) return s;
  if constexpr (op == ropSrcAnd) return s & d;
  if constexpr (op == ropSrcPaint) return s | d;
  if constexpr (op == ropMergePaint) return T(~s) | d;
  if constexpr (op == ropSrcInvert) return s ^ d;
  if constexpr (op == ropNotSrcCopy) return T(~s);
  return d;
}

template <TPatternOp op, typename T>
inline T combinePat(T p, T d) {
  if constexpr (op == popPatCopy) return p;
  if constexpr (op == popPatAnd) return p & d;
  if constexpr (op == popPatPaint) return p | d;
  if constexpr (op == popPatInvert) return p ^ d;
  return d;
}

// d[i] := op(s[i], d[i]) for n bytes. d and s must not overlap.
template <TRasterOp op>
void rowOp(uint8_t* __restrict d, const uint8_t* __restrict s, size_t n) {
  if constexpr (op == ropSrcCopy) {
    std::memcpy(d, s, n);
    return;
  }
  size_t i = 0;
  for (; i + 64 <= n; i += 64) {
    const V16 s0 = load16(s + i), s1 = load16(s + i + 16);
    const V16 s2 = load16(s + i + 32), s3 = load16(s + i + 48);
    const V16 d0 = load16(d + i), d1 = load16(d + i + 16);
    const V16 d2 = load16(d + i + 32), d3 = load16(d + i + 48);
    store16(d + i, combine<op>(s0, d0));
    store16(d + i + 16, combine<op>(s1, d1));
    store16(d + i + 32, combine<op>(s2, d2));
    store16(d + i + 48, combine<op>(s3, d3));
  }
  for (; i + 16 <= n; i += 16) store16(d + i, combine<op>(load16(s + i), load16(d + i)));
  for (; i < n; ++i) d[i] = combine<op>(s[i], d[i]);
}

#if defined(__x86_64__)
// The same with 32-byte vectors, for processors with AVX2 (chosen at run time).
using V32 = uint64_t __attribute__((vector_size(32)));

// The operation is spelt out here rather than taken from combine(), because a function passing
// 32-byte vectors by value would need AVX in the default build as well.
template <TRasterOp op>
__attribute__((target("avx2"))) void rowOpAvx2(uint8_t* __restrict d, const uint8_t* __restrict s,
                                               size_t n) {
  size_t i = 0;
  for (; i + 32 <= n; i += 32) {
    V32 sv, dv;
    std::memcpy(&sv, s + i, 32);
    std::memcpy(&dv, d + i, 32);
    if constexpr (op == ropSrcAnd) dv = sv & dv;
    if constexpr (op == ropSrcPaint) dv = sv | dv;
    if constexpr (op == ropMergePaint) dv = ~sv | dv;
    if constexpr (op == ropSrcInvert) dv = sv ^ dv;
    if constexpr (op == ropNotSrcCopy) dv = ~sv;
    if constexpr (op == ropSrcCopy) dv = sv;
    std::memcpy(d + i, &dv, 32);
  }
  rowOp<op>(d + i, s + i, n - i);
}

bool haveAvx2() {
  static const bool yes = __builtin_cpu_supports("avx2");
  return yes;
}
#endif

// d[i] := op(line[i mod 48], d[i]) for n bytes.
template <TPatternOp op>
void patRow(uint8_t* __restrict d, size_t n, const uint8_t* __restrict line) {
  const V16 p0 = load16(line), p1 = load16(line + 16), p2 = load16(line + 32);
  size_t i = 0;
  for (; i + 48 <= n; i += 48) {
    if constexpr (op == popPatCopy) {
      store16(d + i, p0);
      store16(d + i + 16, p1);
      store16(d + i + 32, p2);
    } else {
      store16(d + i, combinePat<op>(p0, load16(d + i)));
      store16(d + i + 16, combinePat<op>(p1, load16(d + i + 16)));
      store16(d + i + 32, combinePat<op>(p2, load16(d + i + 32)));
    }
  }
  for (size_t j = 0; i < n; ++i, ++j) d[i] = combinePat<op>(line[j], d[i]);
}

// A block of rows: dst rows start at dRow (stride dStride), src rows at sRow (stride sStride).
template <TRasterOp op>
void blockOp(uint8_t* dRow, size_t dStride, const uint8_t* sRow, size_t sStride, size_t rowBytes,
             int64_t rows) {
  if (op == ropSrcCopy && rowBytes == dStride && rowBytes == sStride) {
    std::memcpy(dRow, sRow, rowBytes * size_t(rows));
    return;
  }
#if defined(__x86_64__)
  if (op != ropSrcCopy && haveAvx2()) {
    for (int64_t y = 0; y < rows; ++y, dRow += dStride, sRow += sStride)
      rowOpAvx2<op>(dRow, sRow, rowBytes);
    return;
  }
#endif
  for (int64_t y = 0; y < rows; ++y, dRow += dStride, sRow += sStride)
    rowOp<op>(dRow, sRow, rowBytes);
}

void dispatchBlock(TRasterOp op, uint8_t* dRow, size_t dStride, const uint8_t* sRow, size_t sStride,
                   size_t rowBytes, int64_t rows) {
  switch (op) {
    case ropSrcCopy:
      return blockOp<ropSrcCopy>(dRow, dStride, sRow, sStride, rowBytes, rows);
    case ropSrcAnd:
      return blockOp<ropSrcAnd>(dRow, dStride, sRow, sStride, rowBytes, rows);
    case ropSrcPaint:
      return blockOp<ropSrcPaint>(dRow, dStride, sRow, sStride, rowBytes, rows);
    case ropMergePaint:
      return blockOp<ropMergePaint>(dRow, dStride, sRow, sStride, rowBytes, rows);
    case ropSrcInvert:
      return blockOp<ropSrcInvert>(dRow, dStride, sRow, sStride, rowBytes, rows);
    case ropNotSrcCopy:
      return blockOp<ropNotSrcCopy>(dRow, dStride, sRow, sStride, rowBytes, rows);
  }
}

// The rows [y0, y1) of the image's area that a rectangle covers, likewise for columns; all in
// 64-bit so that rectangles near the int32 limits cannot overflow.
struct Span {
  int64_t lo, hi;
  bool empty() const { return hi <= lo; }
};
Span clipSpan(int64_t lo, int64_t hi, int64_t size) {
  return {std::max<int64_t>(lo, 0), std::min(hi, size)};
}

// A copy of the rectangle (x, y, w, h) of an image, for operations whose source and
// destination are the same image.
TBitmap copyBlock(const TBitmap& src, int64_t x, int64_t y, int64_t w, int64_t h) {
  TBitmap tmp(int32_t(w), int32_t(h), src.PixelFormat());
  for (int64_t r = 0; r < h; ++r)
    std::memcpy(tmp.ScanLine(int32_t(r)), src.ScanLine(int32_t(y + r)) + x * 3, size_t(w) * 3);
  return tmp;
}

// Source coordinate for a destination offset: the source pixel under the centre of the
// destination pixel, src0 + floor((2 off + 1) sSize / (2 dSize)), so that an enlargement repeats
// the pixels evenly instead of shifting the picture. The product can exceed 64 bits for
// rectangles spanning the whole int32 range.
inline int64_t mapCoord(int64_t src0, int64_t off, int64_t sSize, int64_t dSize) {
  return src0 + int64_t(((__int128(off) * 2 + 1) * sSize) / (__int128(dSize) * 2));
}

template <TRasterOp op>
void stretchRows(TBitmap& dst, const TBitmap& src, const std::vector<int64_t>& colSrc, int64_t xa,
                 const std::vector<int64_t>& rowSrc, const std::vector<int64_t>& rowDst) {
  const size_t n = colSrc.size();
  int64_t prevSrc = -1;
  const uint8_t* prevDst = nullptr;
  for (size_t r = 0; r < rowSrc.size(); ++r) {
    uint8_t* d = dst.ScanLine(int32_t(rowDst[r])) + xa * 3;
    if (op == ropSrcCopy && rowSrc[r] == prevSrc && prevDst) {
      // Enlarging repeats source rows: the row just written is the same picture.
      std::memcpy(d, prevDst, n * 3);
    } else {
      const uint8_t* s = src.ScanLine(int32_t(rowSrc[r]));
      for (size_t i = 0; i < n; ++i) {
        const uint8_t* sp = s + colSrc[i] * 3;
        uint8_t* dp = d + i * 3;
        dp[0] = combine<op>(sp[0], dp[0]);
        dp[1] = combine<op>(sp[1], dp[1]);
        dp[2] = combine<op>(sp[2], dp[2]);
      }
    }
    prevSrc = rowSrc[r];
    prevDst = d;
  }
}

// The 48-byte lines of a brush for each of its 8 rows, beginning at column phase x0 mod 8.
void brushLines(const TBrush& brush, int64_t x0, uint8_t lines[8][48]) {
  for (int r = 0; r < 8; ++r) {
    for (int k = 0; k < 16; ++k) {
      const int c = int((x0 + k) & 7);
      uint8_t* p = lines[r] + k * 3;
      if (brush.IsPattern) {
        p[0] = brush.Pattern[r][c][0];
        p[1] = brush.Pattern[r][c][1];
        p[2] = brush.Pattern[r][c][2];
      } else {
        p[0] = GetBValue(brush.Color);
        p[1] = GetGValue(brush.Color);
        p[2] = GetRValue(brush.Color);
      }
    }
  }
}

template <TPatternOp op>
void patBlock(TBitmap& dst, Span xs, Span ys, const uint8_t lines[8][48]) {
  const size_t n = size_t(xs.hi - xs.lo) * 3;
  for (int64_t y = ys.lo; y < ys.hi; ++y)
    patRow<op>(dst.WriteRows(int32_t(y), 1) + xs.lo * 3, n, lines[y & 7]);
}

}  // namespace

void BitBlt(TBitmap& dst, int32_t dx, int32_t dy, int32_t w, int32_t h, const TBitmap& src,
            int32_t sx, int32_t sy, TRasterOp op) {
  if (w <= 0 || h <= 0 || dst.ByteSize() == 0 || src.ByteSize() == 0) return;
  // Offsets (i, j) inside the block for which both (dx + i, dy + j) and (sx + i, sy + j) lie
  // inside their images.
  const int64_t i0 = std::max<int64_t>({0, -int64_t(dx), -int64_t(sx)});
  const int64_t i1 = std::min<int64_t>({w, int64_t(dst.Width()) - dx, int64_t(src.Width()) - sx});
  const int64_t j0 = std::max<int64_t>({0, -int64_t(dy), -int64_t(sy)});
  const int64_t j1 = std::min<int64_t>({h, int64_t(dst.Height()) - dy, int64_t(src.Height()) - sy});
  if (i1 <= i0 || j1 <= j0) return;
  const int64_t cw = i1 - i0, ch = j1 - j0;
  if (&dst == &src) {
    // Overlapping blocks of one image: work from a copy of the source block.
    const TBitmap tmp = copyBlock(src, sx + i0, sy + j0, cw, ch);
    BitBlt(dst, int32_t(dx + i0), int32_t(dy + j0), int32_t(cw), int32_t(ch), tmp, 0, 0, op);
    return;
  }
  uint8_t* d = dst.WriteRows(int32_t(dy + j0), int32_t(ch)) + (dx + i0) * 3;
  const uint8_t* s = src.ScanLine(int32_t(sy + j0)) + (sx + i0) * 3;
  dispatchBlock(op, d, size_t(dst.Stride()), s, size_t(src.Stride()), size_t(cw) * 3, ch);
}

void StretchBlt(TBitmap& dst, const TRect& dr, const TBitmap& src, const TRect& sr, TRasterOp op) {
  const int64_t dw = int64_t(dr.Right) - dr.Left, dh = int64_t(dr.Bottom) - dr.Top;
  const int64_t sw = int64_t(sr.Right) - sr.Left, sh = int64_t(sr.Bottom) - sr.Top;
  if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return;
  if (dst.ByteSize() == 0 || src.ByteSize() == 0) return;
  if (dw == sw && dh == sh && dw <= INT32_MAX && dh <= INT32_MAX) {
    BitBlt(dst, dr.Left, dr.Top, int32_t(dw), int32_t(dh), src, sr.Left, sr.Top, op);
    return;
  }
  if (&dst == &src) {
    const TBitmap tmp = src;
    StretchBlt(dst, dr, tmp, sr, op);
    return;
  }
  // Destination columns and rows inside dst whose mapped source pixel lies inside src. The
  // mapping is monotonic, so the valid ones form one run.
  std::vector<int64_t> colSrc;
  int64_t xa = -1;
  const Span xs = clipSpan(dr.Left, dr.Right, dst.Width());
  for (int64_t x = xs.lo; x < xs.hi; ++x) {
    const int64_t s = mapCoord(sr.Left, x - dr.Left, sw, dw);
    if (s < 0) continue;
    if (s >= src.Width()) break;
    if (xa < 0) xa = x;
    colSrc.push_back(s);
  }
  std::vector<int64_t> rowSrc, rowDst;
  const Span ys = clipSpan(dr.Top, dr.Bottom, dst.Height());
  for (int64_t y = ys.lo; y < ys.hi; ++y) {
    const int64_t s = mapCoord(sr.Top, y - dr.Top, sh, dh);
    if (s < 0) continue;
    if (s >= src.Height()) break;
    rowSrc.push_back(s);
    rowDst.push_back(y);
  }
  if (colSrc.empty() || rowSrc.empty()) return;
  switch (op) {
    case ropSrcCopy:
      return stretchRows<ropSrcCopy>(dst, src, colSrc, xa, rowSrc, rowDst);
    case ropSrcAnd:
      return stretchRows<ropSrcAnd>(dst, src, colSrc, xa, rowSrc, rowDst);
    case ropSrcPaint:
      return stretchRows<ropSrcPaint>(dst, src, colSrc, xa, rowSrc, rowDst);
    case ropMergePaint:
      return stretchRows<ropMergePaint>(dst, src, colSrc, xa, rowSrc, rowDst);
    case ropSrcInvert:
      return stretchRows<ropSrcInvert>(dst, src, colSrc, xa, rowSrc, rowDst);
    case ropNotSrcCopy:
      return stretchRows<ropNotSrcCopy>(dst, src, colSrc, xa, rowSrc, rowDst);
  }
}

void PatBlt(TBitmap& dst, const TRect& r, const TBrush& brush, TPatternOp op) {
  if (dst.ByteSize() == 0) return;
  const Span xs = clipSpan(r.Left, r.Right, dst.Width());
  const Span ys = clipSpan(r.Top, r.Bottom, dst.Height());
  if (xs.empty() || ys.empty()) return;
  alignas(16) uint8_t lines[8][48];
  brushLines(brush, xs.lo, lines);
  switch (op) {
    case popPatCopy:
      return patBlock<popPatCopy>(dst, xs, ys, lines);
    case popPatAnd:
      return patBlock<popPatAnd>(dst, xs, ys, lines);
    case popPatPaint:
      return patBlock<popPatPaint>(dst, xs, ys, lines);
    case popPatInvert:
      return patBlock<popPatInvert>(dst, xs, ys, lines);
  }
}

void FillRect(TBitmap& dst, const TRect& r, TColor c) {
  TBrush b;
  b.Color = c;
  PatBlt(dst, r, b, popPatCopy);
}

void InvertRect(TBitmap& dst, const TRect& r) {
  TBrush b;
  b.Color = clWhite;
  PatBlt(dst, r, b, popPatInvert);
}

namespace {

// Sets the pixels [a, b) of row y (clipped) to colour bgr.
void hSpan(TBitmap& dst, int64_t y, int64_t a, int64_t b, const uint8_t bgr[3]) {
  if (y < 0 || y >= dst.Height()) return;
  a = std::max<int64_t>(a, 0);
  b = std::min<int64_t>(b, dst.Width());
  uint8_t* p = dst.WriteRows(int32_t(y), 1);
  for (int64_t x = a; x < b; ++x) std::memcpy(p + x * 3, bgr, 3);
}

void vSpan(TBitmap& dst, int64_t x, int64_t a, int64_t b, const uint8_t bgr[3]) {
  if (x < 0 || x >= dst.Width()) return;
  a = std::max<int64_t>(a, 0);
  b = std::min<int64_t>(b, dst.Height());
  for (int64_t y = a; y < b; ++y) std::memcpy(dst.WriteRows(int32_t(y), 1) + x * 3, bgr, 3);
}

// The steps i of a line along its major axis, from m0 in direction sm, whose coordinate lies in
// [0, size), intersected with [0, count).
Span visibleSteps(int64_t m0, int64_t sm, int64_t size, int64_t count) {
  int64_t lo, hi;
  if (sm > 0) {
    lo = -m0;
    hi = size - m0;
  } else {
    lo = m0 - size + 1;
    hi = m0 + 1;
  }
  return {std::max<int64_t>(lo, 0), std::min(hi, count)};
}

}  // namespace

// The line is rasterised along its major axis: step i sits at major coordinate m0 + i and at the
// minor coordinate rounded to the nearest pixel. A one-pixel pen leaves out the end point, as
// GDI does. A wider pen draws at every step a run of `width` pixels across the major axis,
// centred on the line, and covers the end point too (its cap), so an outline drawn as four
// connected lines closes at the corners. Only the steps that can touch the image are visited.
void DrawLine(TBitmap& dst, int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t width,
              TColor c) {
  if (dst.ByteSize() == 0) return;
  const uint8_t bgr[3] = {GetBValue(c), GetGValue(c), GetRValue(c)};
  const int64_t w = std::max(width, 1);
  const bool thick = w > 1;
  const int64_t dx = int64_t(x1) - x0, dy = int64_t(y1) - y0;
  const int64_t adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
  const int64_t sx = dx < 0 ? -1 : 1, sy = dy < 0 ? -1 : 1;
  const int64_t steps = std::max(adx, ady);
  const int64_t count = thick ? steps + 1 : steps;
  const int64_t half = w / 2;
  if (steps == 0) {
    // A zero-length line: a one-pixel pen draws nothing, a wider one its square cap.
    if (thick) {
      const Span ys = clipSpan(y0 - half, y0 - half + w, dst.Height());
      for (int64_t y = ys.lo; y < ys.hi; ++y) hSpan(dst, y, x0 - half, x0 - half + w, bgr);
    }
    return;
  }
  const bool xMajor = adx >= ady;
  const int64_t amaj = xMajor ? adx : ady, amin = xMajor ? ady : adx;
  const int64_t m0 = xMajor ? x0 : y0, n0 = xMajor ? y0 : x0;
  const int64_t sm = xMajor ? sx : sy, sn = xMajor ? sy : sx;
  const Span is = visibleSteps(m0, sm, xMajor ? dst.Width() : dst.Height(), count);
  for (int64_t i = is.lo; i < is.hi; ++i) {
    const int64_t m = m0 + i * sm;
    const int64_t n = n0 + sn * int64_t((__int128(2) * i * amin + amaj) / (__int128(2) * amaj));
    if (xMajor)
      vSpan(dst, m, n - half, n - half + w, bgr);
    else
      hSpan(dst, m, n - half, n - half + w, bgr);
  }
}
