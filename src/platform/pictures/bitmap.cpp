// TBitmap storage and brushes.
#include "platform/pictures/bitmap.h"

#include <algorithm>
#include <cstring>

TBitmap::TBitmap(int32_t w, int32_t h, TPixelFormat pf) : format_(pf) { SetSize(w, h); }

TBitmap::TBitmap(const TBitmap& other)
    : width_(other.width_),
      height_(other.height_),
      format_(other.format_),
      pixels_(other.pixels_) {}

TBitmap::TBitmap(TBitmap&& other) noexcept
    : width_(other.width_),
      height_(other.height_),
      format_(other.format_),
      pixels_(std::move(other.pixels_)) {
  other.width_ = other.height_ = 0;
  other.pixels_.clear();
  other.MarkAllWritten();
}

TBitmap& TBitmap::operator=(const TBitmap& other) {
  if (this != &other) {
    width_ = other.width_;
    height_ = other.height_;
    format_ = other.format_;
    pixels_ = other.pixels_;
  }
  MarkAllWritten();
  return *this;
}

TBitmap& TBitmap::operator=(TBitmap&& other) noexcept {
  if (this != &other) {
    width_ = other.width_;
    height_ = other.height_;
    format_ = other.format_;
    pixels_ = std::move(other.pixels_);
    other.width_ = other.height_ = 0;
    other.pixels_.clear();
    other.MarkAllWritten();
  }
  MarkAllWritten();
  return *this;
}

void TBitmap::markRows(int32_t y, int32_t count) const {
  const int64_t a = std::max<int64_t>(y, 0), b = std::min<int64_t>(int64_t(y) + count, height_);
  const size_t words = (size_t(std::max(height_, 0)) + 63) / 64;
  if (written_.size() != words) written_.assign(words, 0);
  for (int64_t r = a; r < b;) {
    const int64_t bit = r & 63, n = std::min<int64_t>(64 - bit, b - r);
    const uint64_t mask = n == 64 ? ~uint64_t(0) : ((uint64_t(1) << n) - 1) << bit;
    written_[size_t(r >> 6)] |= mask;
    r += n;
  }
}

uint64_t TBitmap::TakeWrittenRows(WrittenRows* out) const {
  out->all = allWritten_;
  out->bits.swap(written_);
  written_.assign((size_t(std::max(height_, 0)) + 63) / 64, 0);
  allWritten_ = false;
  return ++takeSerial_;
}

void TBitmap::SetSize(int32_t w, int32_t h) {
  MarkAllWritten();
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
  uint8_t* p = WriteRows(y, 1) + size_t(x) * 3;
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
