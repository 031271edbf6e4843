// TBitmap storage and brushes.
#include "platform/bitmap.h"

#include <algorithm>
#include <cstring>

TBitmap::TBitmap(int32_t w, int32_t h, TPixelFormat pf) : format_(pf) { SetSize(w, h); }

void TBitmap::SetSize(int32_t w, int32_t h) {
  w = std::max(w, 0);
  h = std::max(h, 0);
  if (w == 0 || h == 0) {
    // A zero-sized side keeps the other one, as an image 0 pixels high may still be 640 wide.
    width_ = w;
    height_ = h;
    pixels_.clear();
    return;
  }
  if (int64_t(w) * int64_t(h) > kMaxPixels) {
    width_ = height_ = 0;
    pixels_.clear();
    return;
  }
  if (w == width_ && h == height_) return;
  std::vector<uint8_t> fresh(size_t(w) * size_t(h) * 3, 0);
  const int32_t keepW = std::min(w, width_), keepH = std::min(h, height_);
  if (keepW > 0 && keepH > 0 && !pixels_.empty()) {
    for (int32_t y = 0; y < keepH; ++y)
      std::memcpy(fresh.data() + size_t(y) * size_t(w) * 3, ScanLine(y), size_t(keepW) * 3);
  }
  pixels_.swap(fresh);
  width_ = w;
  height_ = h;
}

TColor TBitmap::Pixel(int32_t x, int32_t y) const {
  const uint8_t* p = ScanLine(y) + size_t(x) * 3;
  return RGB(p[2], p[1], p[0]);
}

void TBitmap::SetPixel(int32_t x, int32_t y, TColor c) {
  uint8_t* p = ScanLine(y) + size_t(x) * 3;
  p[0] = GetBValue(c);
  p[1] = GetGValue(c);
  p[2] = GetRValue(c);
}

namespace {
void setCell(TBrush& b, int r, int c, TColor color) {
  b.Pattern[r][c][0] = GetBValue(color);
  b.Pattern[r][c][1] = GetGValue(color);
  b.Pattern[r][c][2] = GetRValue(color);
}
}  // namespace

TBrush TBrush::Solid(TColor c) {
  TBrush b;
  b.IsPattern = false;
  b.Color = c & 0xFFFFFF;
  for (int r = 0; r < 8; ++r)
    for (int col = 0; col < 8; ++col) setCell(b, r, col, b.Color);
  return b;
}

TBrush TBrush::FromBits(const uint8_t rows[8]) {
  TBrush b;
  b.IsPattern = true;
  for (int r = 0; r < 8; ++r)
    for (int c = 0; c < 8; ++c) setCell(b, r, c, (rows[r] & (0x80 >> c)) ? clWhite : clBlack);
  return b;
}

TBrush TBrush::FromBitmap(const TBitmap& pattern) {
  // The top-left 8 x 8 pixels make the cells; a smaller picture repeats, an empty one is black.
  TBrush b;
  b.IsPattern = true;
  if (pattern.Empty() || pattern.ByteSize() == 0) return b;
  for (int r = 0; r < 8; ++r)
    for (int c = 0; c < 8; ++c)
      setCell(b, r, c, pattern.Pixel(c % pattern.Width(), r % pattern.Height()));
  return b;
}

TBrush TBrush::Inverted() const {
  TBrush b = *this;
  b.Color = ~Color & 0xFFFFFF;
  for (auto& row : b.Pattern)
    for (auto& cell : row)
      for (auto& byte : cell) byte = uint8_t(~byte);
  return b;
}
