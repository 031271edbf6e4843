// Windows bitmap files: reading through the backend's BMP decoder (the host's is SDL's loader),
// writing 24-bit files ourselves.
//
// The decoder widens 1- and 4-bit pictures to 8 bits and hides the depth of the file, so the
// reported pixel format is taken from the file header. It also trusts the header's sizes more
// than a game should, so the header is checked here first: a file whose header, palette or pixel
// rows do not lie inside it, whose size is zero or absurd, or whose layout the decoder would
// misread, is refused before the decoder sees it.
#include <cstdio>
#include <cstring>

#include "platform/backend/backend.h"
#include "platform/files/files.h"
#include "platform/pictures/bitmap.h"
#include "platform/pictures/image_limits.h"

namespace {

constexpr uint32_t kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3;

uint16_t le16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t le32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
void put16(std::vector<uint8_t>& v, size_t at, uint16_t x) {
  v[at] = uint8_t(x);
  v[at + 1] = uint8_t(x >> 8);
}
void put32(std::vector<uint8_t>& v, size_t at, uint32_t x) {
  for (int i = 0; i < 4; ++i) v[at + i] = uint8_t(x >> (8 * i));
}

struct BmpHeader {
  int64_t width = 0, height = 0;  // height is positive; topDown tells the row order
  bool topDown = false;
  uint16_t bitCount = 0;
  uint32_t compression = kBiRgb;
  TPixelFormat format = pfDevice;
};

// Checks that the file is a bitmap the decoder can read safely and takes its depth.
bool inspectBmp(const uint8_t* d, size_t n, BmpHeader& h) {
  if (d == nullptr || n < 26 || n > size_t(INT32_MAX)) return false;
  if (d[0] != 'B' || d[1] != 'M') return false;
  const uint64_t offBits = le32(d + 10);
  const uint32_t hdrSize = le32(d + 14);
  uint64_t paletteEntry = 4, colours = 0, clrUsed = 0;
  if (hdrSize == 12) {
    // The old OS/2 core header: 16-bit unsigned sizes, 3-byte palette entries, no compression.
    h.width = le16(d + 18);
    h.height = le16(d + 20);
    h.bitCount = le16(d + 24);
    paletteEntry = 3;
  } else if (hdrSize == 40 || hdrSize == 52 || hdrSize == 56 || hdrSize == 108 || hdrSize == 124) {
    if (n < 14 + uint64_t(hdrSize)) return false;
    h.width = int32_t(le32(d + 18));
    const int64_t height = int32_t(le32(d + 22));
    h.topDown = height < 0;
    h.height = height < 0 ? -height : height;
    h.bitCount = le16(d + 28);
    h.compression = le32(d + 30);
    clrUsed = le32(d + 46);
  } else {
    return false;
  }
  if (h.width <= 0 || h.height <= 0) return false;
  if (h.width > kMaxSide || h.height > kMaxSide || h.width * h.height > kMaxLoadPixels)
    return false;

  switch (h.compression) {
    case kBiRgb:
      break;
    case kBiRle8:
      if (h.bitCount != 8 || h.topDown) return false;
      break;
    case kBiRle4:
      if (h.bitCount != 4 || h.topDown) return false;
      break;
    case kBiBitfields:
      if (h.bitCount != 16 && h.bitCount != 32) return false;
      break;
    default:
      return false;  // JPEG or PNG inside a bitmap, alpha bit fields, OS/2 Huffman ...
  }

  uint64_t tablesEnd = 14 + uint64_t(hdrSize);
  if (hdrSize == 40 && h.compression == kBiBitfields) tablesEnd += 12;  // masks follow
  switch (h.bitCount) {
    case 1:
    case 4:
    case 8:
      colours = clrUsed ? clrUsed : (uint64_t(1) << h.bitCount);
      if (colours > (uint64_t(1) << h.bitCount)) return false;
      tablesEnd += colours * paletteEntry;
      h.format = h.bitCount == 1 ? pf1bit : h.bitCount == 4 ? pf4bit : pf8bit;
      break;
    case 16:
      h.format = pf15bit;
      if (h.compression == kBiBitfields) {
        if (tablesEnd > n) return false;
        const uint32_t r = le32(d + 54), g = le32(d + 58), b = le32(d + 62);
        if (!(r == 0x7C00 && g == 0x03E0 && b == 0x001F)) h.format = pf16bit;
      }
      break;
    case 24:
      h.format = pf24bit;
      break;
    case 32:
      h.format = pf32bit;
      break;
    default:
      return false;
  }
  if (tablesEnd > n || offBits < tablesEnd || offBits >= n) return false;

  if (h.compression == kBiRgb || h.compression == kBiBitfields) {
    const uint64_t rowBytes = ((uint64_t(h.width) * h.bitCount + 31) / 32) * 4;
    if (offBits + rowBytes * uint64_t(h.height) > n) return false;
  } else if (n - offBits < 2) {
    return false;  // not even an end-of-bitmap code
  }
  return true;
}

}  // namespace

bool DecodeBitmap(const uint8_t* data, size_t size, TBitmap& out) {
  BmpHeader h;
  if (!inspectBmp(data, size, h)) return false;
  TBitmap bmp(int32_t(h.width), int32_t(h.height), h.format);
  if (bmp.Width() != h.width || bmp.Height() != h.height) return false;
  if (!CurrentBackend().DecodeBmp(data, size, bmp)) return false;
  out = std::move(bmp);
  return true;
}

bool LoadBitmapFile(const char* path, TBitmap& out) {
  std::vector<uint8_t> data;
  if (path == nullptr || !ReadWholeFile(path, data)) return false;
  return DecodeBitmap(data.data(), data.size(), out);
}

// A 24-bit bottom-up file with a 40-byte info header; each row is padded to 4 bytes. An empty
// image gives no file (an empty vector), since a bitmap file cannot be 0 pixels wide.
std::vector<uint8_t> EncodeBitmap(const TBitmap& bmp) {
  if (bmp.Empty() || bmp.ByteSize() == 0) return {};
  const size_t w = size_t(bmp.Width()), h = size_t(bmp.Height());
  const size_t rowBytes = (w * 3 + 3) & ~size_t(3);
  const size_t headers = 14 + 40, imageBytes = rowBytes * h;
  std::vector<uint8_t> f(headers + imageBytes, 0);
  f[0] = 'B';
  f[1] = 'M';
  put32(f, 2, uint32_t(f.size()));
  put32(f, 10, uint32_t(headers));
  put32(f, 14, 40);
  put32(f, 18, uint32_t(w));
  put32(f, 22, uint32_t(h));
  put16(f, 26, 1);   // planes
  put16(f, 28, 24);  // bits per pixel
  put32(f, 30, kBiRgb);
  put32(f, 34, uint32_t(imageBytes));
  put32(f, 38, 3780);  // 96 dpi in pixels per metre
  put32(f, 42, 3780);
  for (size_t y = 0; y < h; ++y)
    std::memcpy(f.data() + headers + (h - 1 - y) * rowBytes, bmp.ScanLine(int32_t(y)), w * 3);
  return f;
}

bool SaveBitmapFile(const char* nativePath, const TBitmap& bmp) {
  if (nativePath == nullptr) return false;
  const std::vector<uint8_t> f = EncodeBitmap(bmp);
  if (f.empty()) return false;
  FILE* fp = std::fopen(nativePath, "wb");
  if (fp == nullptr) return false;
  bool ok = std::fwrite(f.data(), 1, f.size(), fp) == f.size();
  ok = (std::fflush(fp) == 0) && ok;
  ok = (std::fclose(fp) == 0) && ok;
  if (!ok) std::remove(nativePath);
  return ok;
}
