// Small pixel helpers for the text tests: plain canvases, ink boxes and image comparison, written
// against TBitmap's row access only.
#pragma once
#include <algorithm>
#include <cstdint>
#include <sstream>
#include <string>

#include "platform/pictures/bitmap.h"
#include "platform/text/cp932.h"
#include "platform/text/text.h"

namespace texttest {

// White "ＭＳ ゴシック" of the given pixel height; -27 is the message window's.
inline TFont WhiteGothic(int32_t height = -27) {
  TFont f;
  f.Name = FontMSGothic();
  f.Height = height;
  f.Color = clWhite;
  return f;
}

inline TColor PixelAt(const TBitmap& b, int32_t x, int32_t y) {
  const uint8_t* p = b.ScanLine(y) + x * 3;
  return RGB(p[2], p[1], p[0]);
}

inline TBitmap Canvas(int32_t w, int32_t h, TColor bg) {
  TBitmap b(w, h);
  for (int32_t y = 0; y < h; ++y) {
    uint8_t* p = b.ScanLine(y);
    for (int32_t x = 0; x < w; ++x, p += 3)
      p[0] = GetBValue(bg), p[1] = GetGValue(bg), p[2] = GetRValue(bg);
  }
  return b;
}

struct Box {
  int32_t left = 0, top = 0, right = 0, bottom = 0;  // right and bottom exclusive
  bool empty = true;
};

// The bounding box of every pixel that differs from bg.
inline Box InkBox(const TBitmap& b, TColor bg) {
  Box box;
  for (int32_t y = 0; y < b.Height(); ++y)
    for (int32_t x = 0; x < b.Width(); ++x) {
      if (PixelAt(b, x, y) == bg) continue;
      if (box.empty) {
        box = {x, y, x + 1, y + 1, false};
      } else {
        box.left = std::min(box.left, x), box.right = std::max(box.right, x + 1);
        box.top = std::min(box.top, y), box.bottom = std::max(box.bottom, y + 1);
      }
    }
  return box;
}

inline int InkCount(const TBitmap& b, TColor bg, int32_t x0 = 0, int32_t y0 = 0,
                    int32_t x1 = 1 << 30, int32_t y1 = 1 << 30) {
  int n = 0;
  for (int32_t y = std::max(0, y0); y < std::min(b.Height(), y1); ++y)
    for (int32_t x = std::max(0, x0); x < std::min(b.Width(), x1); ++x)
      if (PixelAt(b, x, y) != bg) ++n;
  return n;
}

// Empty when equal, else a description of the first difference.
inline std::string Difference(const TBitmap& a, const TBitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return "sizes differ";
  int count = 0;
  std::ostringstream first;
  for (int32_t y = 0; y < a.Height(); ++y)
    for (int32_t x = 0; x < a.Width(); ++x)
      if (PixelAt(a, x, y) != PixelAt(b, x, y)) {
        if (count++ == 0)
          first << "first at (" << x << ", " << y << "): " << std::hex << PixelAt(a, x, y)
                << " vs " << PixelAt(b, x, y) << std::dec;
      }
  if (!count) return "";
  return std::to_string(count) + " pixels differ, " + first.str();
}

// UTF-8 test text to the engine's CP932.
inline std::string Sj(const std::string& utf8) {
  std::string out;
  Utf8ToCp932(utf8, out);
  return out;
}

}  // namespace texttest
