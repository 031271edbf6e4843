// Pictures and picture files for the presentation engine's tests.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "paint/splpaint.h"
#include "platform/pictures/bitmap.h"

namespace painttest {

constexpr TColor kBlue = RGB(0, 0, 255);
constexpr TColor kGreen = RGB(0, 255, 0);

inline TBitmap solid(int32_t w, int32_t h, TColor c, TPixelFormat pf = pf24bit) {
  TBitmap b(w, h, pf);
  FillRect(b, Rect(0, 0, w, h), c);
  return b;
}

// Every pixel distinct enough to catch a misplaced copy: blue = x, green = y, red = x ^ y.
inline TBitmap gradient(int32_t w, int32_t h) {
  TBitmap b(w, h);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) b.SetPixel(x, y, RGB(uint8_t(x ^ y), uint8_t(y), uint8_t(x)));
  return b;
}

inline int countPixels(const TBitmap& b, const TRect& r, TColor c) {
  int n = 0;
  for (int32_t y = r.Top; y < r.Bottom; ++y)
    for (int32_t x = r.Left; x < r.Right; ++x) n += b.Pixel(x, y) == c ? 1 : 0;
  return n;
}

inline bool samePixels(const TBitmap& a, const TBitmap& b) {
  return a.Width() == b.Width() && a.Height() == b.Height() && a.ByteSize() == b.ByteSize() &&
         std::equal(a.Bits(), a.Bits() + a.ByteSize(), b.Bits());
}

// Rows r.Top to r.Bottom - 1 of a and b agree over columns r.Left to r.Right - 1.
inline bool sameIn(const TBitmap& a, const TBitmap& b, const TRect& r) {
  for (int32_t y = r.Top; y < r.Bottom; ++y)
    for (int32_t x = r.Left; x < r.Right; ++x)
      if (a.Pixel(x, y) != b.Pixel(x, y)) return false;
  return true;
}

// A folder of its own for one test, removed afterwards.
class TempDir {
 public:
  TempDir() {
    std::string base = ::testing::TempDir();
    if (base.empty() || base.back() != '/') base += '/';
    std::string tmpl = base + "paint_XXXXXX";
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back('\0');
    if (mkdtemp(buf.data())) path_ = buf.data();
  }
  ~TempDir() {
    for (const std::string& f : files_) std::remove(f.c_str());
    if (!path_.empty()) rmdir(path_.c_str());
  }
  std::string File(const std::string& name) {
    files_.push_back(path_ + "/" + name);
    return files_.back();
  }
  // Writes a 24-bit BMP and returns its path.
  std::string Bmp(const std::string& name, const TBitmap& b) {
    std::string p = File(name);
    EXPECT_TRUE(SaveBitmapFile(p.c_str(), b)) << p;
    return p;
  }
  std::string Raw(const std::string& name, const std::vector<uint8_t>& bytes) {
    std::string p = File(name);
    FILE* f = std::fopen(p.c_str(), "wb");
    EXPECT_NE(f, nullptr) << p;
    if (f) {
      std::fwrite(bytes.data(), 1, bytes.size(), f);
      std::fclose(f);
    }
    return p;
  }
  // An 8-bit paletted BMP of one colour (palette entry 0).
  std::string Bmp8(const std::string& name, int32_t w, int32_t h, TColor c) {
    const uint32_t rowBytes = (uint32_t(w) + 3) & ~3u;
    const uint32_t dataOff = 14 + 40 + 256 * 4;
    const uint32_t size = dataOff + rowBytes * uint32_t(h);
    std::vector<uint8_t> v(size, 0);
    auto put16 = [&](size_t at, uint32_t x) { v[at] = uint8_t(x); v[at + 1] = uint8_t(x >> 8); };
    auto put32 = [&](size_t at, uint32_t x) { put16(at, x & 0xFFFF); put16(at + 2, x >> 16); };
    v[0] = 'B';
    v[1] = 'M';
    put32(2, size);
    put32(10, dataOff);
    put32(14, 40);
    put32(18, uint32_t(w));
    put32(22, uint32_t(h));
    put16(26, 1);
    put16(28, 8);
    put32(34, rowBytes * uint32_t(h));
    put32(46, 256);
    v[54] = GetBValue(c);
    v[55] = GetGValue(c);
    v[56] = GetRValue(c);
    return Raw(name, v);
  }

 private:
  std::string path_;
  std::vector<std::string> files_;
};

}  // namespace painttest
