#include "support/pixels.h"

#include <algorithm>
#include <climits>
#include <sstream>

int CountPixelsIf(const TBitmap& b, const TRect& r, const std::function<bool(TColor)>& pred) {
  int n = 0;
  for (int32_t y = std::max(0, r.Top); y < std::min(b.Height(), r.Bottom); ++y)
    for (int32_t x = std::max(0, r.Left); x < std::min(b.Width(), r.Right); ++x)
      if (pred(b.Pixel(x, y))) ++n;
  return n;
}

int CountPixels(const TBitmap& b, const TRect& r, TColor c) {
  return CountPixelsIf(b, r, [c](TColor p) { return p == c; });
}

int CountPixelsNot(const TBitmap& b, const TRect& r, TColor c) {
  return CountPixelsIf(b, r, [c](TColor p) { return p != c; });
}

int CountPixelsNot(const TBitmap& b, TColor c) { return CountPixelsNot(b, Bounds(b), c); }

TRect PixelBounds(const TBitmap& b, const std::function<bool(TColor)>& pred) {
  TRect r = Rect(INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN);
  for (int32_t y = 0; y < b.Height(); ++y)
    for (int32_t x = 0; x < b.Width(); ++x)
      if (pred(b.Pixel(x, y))) {
        r.Left = std::min(r.Left, x);
        r.Top = std::min(r.Top, y);
        r.Right = std::max(r.Right, x + 1);
        r.Bottom = std::max(r.Bottom, y + 1);
      }
  return r;
}

TRect InkBounds(const TBitmap& b, TColor bg) {
  return PixelBounds(b, [bg](TColor p) { return p != bg; });
}

bool SamePixels(const TBitmap& a, const TBitmap& b) {
  return a.Width() == b.Width() && a.Height() == b.Height() && a.ByteSize() == b.ByteSize() &&
         std::equal(a.Bits(), a.Bits() + a.ByteSize(), b.Bits());
}

bool SameIn(const TBitmap& a, const TBitmap& b, const TRect& r) {
  for (int32_t y = r.Top; y < r.Bottom; ++y)
    for (int32_t x = r.Left; x < r.Right; ++x)
      if (a.Pixel(x, y) != b.Pixel(x, y)) return false;
  return true;
}

std::string PixelDifference(const TBitmap& a, const TBitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return "sizes differ";
  int count = 0;
  std::ostringstream first;
  for (int32_t y = 0; y < a.Height(); ++y)
    for (int32_t x = 0; x < a.Width(); ++x)
      if (a.Pixel(x, y) != b.Pixel(x, y)) {
        if (count++ == 0)
          first << "first at (" << x << ", " << y << "): " << std::hex << a.Pixel(x, y) << " vs "
                << b.Pixel(x, y) << std::dec;
      }
  if (!count) return "";
  return std::to_string(count) + " pixels differ, " + first.str();
}
