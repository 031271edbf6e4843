// Counting, bounding and comparing the pixels of 24-bit pictures. Rectangles are clipped to the
// picture, so a test may pass one that reaches past an edge.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "platform/pictures/bitmap.h"

// The whole picture as a rectangle.
inline TRect Bounds(const TBitmap& b) { return Rect(0, 0, b.Width(), b.Height()); }

// Pixels inside r for which pred holds.
int CountPixelsIf(const TBitmap& b, const TRect& r, const std::function<bool(TColor)>& pred);
// Pixels inside r of colour c.
int CountPixels(const TBitmap& b, const TRect& r, TColor c);
// Pixels inside r (without r: in the whole picture) that differ from colour c, such as ink on
// a plain background.
int CountPixelsNot(const TBitmap& b, const TRect& r, TColor c);
int CountPixelsNot(const TBitmap& b, TColor c);

// The bounding box of the pixels for which pred holds; empty (Left >= Right) when there are none.
TRect PixelBounds(const TBitmap& b, const std::function<bool(TColor)>& pred);
// The bounding box of the pixels that differ from bg.
TRect InkBounds(const TBitmap& b, TColor bg);

// Same size and the same bytes.
bool SamePixels(const TBitmap& a, const TBitmap& b);
// a and b agree over r (both at least as large as r).
bool SameIn(const TBitmap& a, const TBitmap& b, const TRect& r);
// Empty when a and b are equal, else how many pixels differ and the first of them.
std::string PixelDifference(const TBitmap& a, const TBitmap& b);
