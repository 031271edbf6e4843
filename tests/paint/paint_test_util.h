// Pictures for the presentation engine's tests; counting and files come from tests/support.
#pragma once
#include <cstdint>

#include "paint/splpaint.h"
#include "platform/pictures/bitmap.h"
#include "support/pictures.h"
#include "support/pixels.h"
#include "support/temp_dir.h"

namespace painttest {

constexpr TColor kBlue = RGB(0, 0, 255);
constexpr TColor kGreen = RGB(0, 255, 0);

// Every pixel distinct enough to catch a misplaced copy: blue = x, green = y, red = x ^ y.
inline TBitmap gradient(int32_t w, int32_t h) {
  TBitmap b(w, h);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) b.SetPixel(x, y, RGB(uint8_t(x ^ y), uint8_t(y), uint8_t(x)));
  return b;
}

}  // namespace painttest
