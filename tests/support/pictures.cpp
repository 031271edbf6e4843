#include "support/pictures.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <system_error>

TBitmap SolidPicture(int32_t w, int32_t h, TColor c, TPixelFormat pf) {
  TBitmap b(w, h, pf);
  FillRect(b, Rect(0, 0, w, h), c);
  return b;
}

std::string WriteBmp(const TempDir& dir, std::string_view name, const TBitmap& pic) {
  const std::string path = dir.File(name);
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
  if (!SaveBitmapFile(path.c_str(), pic)) {
    ADD_FAILURE() << "cannot write " << path;
    return "";
  }
  return path;
}

std::vector<uint8_t> PalettedBmp(int32_t w, int32_t h, TColor c) {
  const uint32_t rowBytes = (uint32_t(w) + 3) & ~3u;
  const uint32_t dataOff = 14 + 40 + 256 * 4;
  const uint32_t size = dataOff + rowBytes * uint32_t(h);
  std::vector<uint8_t> v(size, 0);
  auto put16 = [&](size_t at, uint32_t x) {
    v[at] = uint8_t(x);
    v[at + 1] = uint8_t(x >> 8);
  };
  auto put32 = [&](size_t at, uint32_t x) {
    put16(at, x & 0xFFFF);
    put16(at + 2, x >> 16);
  };
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
  return v;
}
