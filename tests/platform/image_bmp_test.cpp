// Bitmap files of every depth and layout, built here byte by byte, and files that must be
// refused.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/pictures/bitmap.h"
#include "support/temp_dir.h"

namespace {

using Bytes = std::vector<uint8_t>;

void put16(Bytes& v, size_t at, uint32_t x) {
  v[at] = uint8_t(x);
  v[at + 1] = uint8_t(x >> 8);
}
void put32(Bytes& v, size_t at, uint32_t x) {
  for (int i = 0; i < 4; ++i) v[at + i] = uint8_t(x >> (8 * i));
}

// A copy of a file with a little-endian field of 2 or 4 bytes replaced.
Bytes patch(Bytes b, size_t at, uint32_t v, int bytes) {
  for (int i = 0; i < bytes && at + i < b.size(); ++i) b[at + i] = uint8_t(v >> (8 * i));
  return b;
}

// The picture every variant encodes, 3 x 2, top row first.
const TColor kPicture[2][3] = {
    {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255)},
    {RGB(255, 255, 255), RGB(0, 0, 0), RGB(0x80, 0x40, 0x20)},
};
// A palette holding those six colours (0x00RRGGBB values), index i for colour i in reading order.
const std::vector<uint32_t> kPalette = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x000000, 0x804020};

struct BmpFile {
  int32_t width = 3, height = 2;  // negative height: top-down
  uint16_t bitCount = 24;
  uint32_t compression = 0;
  uint32_t headerSize = 40;
  uint32_t clrUsed = 0;
  std::vector<uint32_t> palette;
  std::vector<uint32_t> masks;  // after a 40-byte header, or inside a longer one
  Bytes pixels;                 // everything after the tables, as stored
};

Bytes build(const BmpFile& f) {
  const bool core = f.headerSize == 12;
  const size_t entry = core ? 3 : 4;
  const size_t masksAfter = (f.headerSize == 40 ? f.masks.size() * 4 : 0);
  const size_t off = 14 + f.headerSize + masksAfter + f.palette.size() * entry;
  Bytes b(off + f.pixels.size(), 0);
  b[0] = 'B';
  b[1] = 'M';
  put32(b, 2, uint32_t(b.size()));
  put32(b, 10, uint32_t(off));
  put32(b, 14, f.headerSize);
  if (core) {
    put16(b, 18, uint32_t(f.width));
    put16(b, 20, uint32_t(f.height));
    put16(b, 22, 1);
    put16(b, 24, f.bitCount);
  } else {
    put32(b, 18, uint32_t(f.width));
    put32(b, 22, uint32_t(f.height));
    put16(b, 26, 1);
    put16(b, 28, f.bitCount);
    put32(b, 30, f.compression);
    put32(b, 34, uint32_t(f.pixels.size()));
    put32(b, 46, f.clrUsed);
    for (size_t i = 0; i < f.masks.size(); ++i) put32(b, 54 + 4 * i, f.masks[i]);
  }
  size_t p = 14 + f.headerSize + masksAfter;
  for (uint32_t c : f.palette) {
    b[p] = uint8_t(c);
    b[p + 1] = uint8_t(c >> 8);
    b[p + 2] = uint8_t(c >> 16);
    p += entry;
  }
  std::memcpy(b.data() + off, f.pixels.data(), f.pixels.size());
  return b;
}

// Packs per-pixel values (palette indices or packed colours) of kPicture's layout into padded
// rows, in stored order (bottom-up unless topDown).
Bytes packRows(int bpp, const std::vector<std::vector<uint32_t>>& topFirst, bool topDown) {
  Bytes out;
  const size_t w = topFirst[0].size();
  const size_t rowBytes = ((w * bpp + 31) / 32) * 4;
  for (size_t k = 0; k < topFirst.size(); ++k) {
    const auto& row = topFirst[topDown ? k : topFirst.size() - 1 - k];
    Bytes r(rowBytes, 0);
    for (size_t x = 0; x < w; ++x) {
      const uint32_t v = row[x];
      if (bpp >= 8) {
        for (int i = 0; i < bpp / 8; ++i) r[x * (bpp / 8) + i] = uint8_t(v >> (8 * i));
      } else {
        const size_t bit = x * bpp;
        r[bit / 8] |= uint8_t(v << (8 - bpp - bit % 8));
      }
    }
    out.insert(out.end(), r.begin(), r.end());
  }
  return out;
}

const std::vector<std::vector<uint32_t>> kIndices = {{0, 1, 2}, {3, 4, 5}};

std::vector<std::vector<uint32_t>> packedColours(uint32_t (*pack)(TColor)) {
  std::vector<std::vector<uint32_t>> rows(2, std::vector<uint32_t>(3));
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) rows[y][x] = pack(kPicture[y][x]);
  return rows;
}

uint32_t pack24(TColor c) { return GetBValue(c) | (GetGValue(c) << 8) | (GetRValue(c) << 16); }
uint32_t pack32Alpha(TColor c) { return pack24(c) | (c == RGB(0, 255, 0) ? 0 : 0x80000000u); }
uint32_t pack555(TColor c) {
  return (GetBValue(c) >> 3) | ((GetGValue(c) >> 3) << 5) | ((GetRValue(c) >> 3) << 10);
}
uint32_t pack565(TColor c) {
  return (GetBValue(c) >> 3) | ((GetGValue(c) >> 2) << 5) | ((GetRValue(c) >> 3) << 11);
}

// What a colour becomes after a trip through 5 or 6 bits per channel, widened back to 8 bits.
// Either by repeating the top bits or by scaling; the two differ by at most 1 and the test
// allows for that.
uint8_t widen(uint8_t v, int bits) {
  const unsigned q = v >> (8 - bits);
  return uint8_t(q * 255 / ((1u << bits) - 1));
}
TColor via555(TColor c) {
  return RGB(widen(GetRValue(c), 5), widen(GetGValue(c), 5), widen(GetBValue(c), 5));
}
TColor via565(TColor c) {
  return RGB(widen(GetRValue(c), 5), widen(GetGValue(c), 6), widen(GetBValue(c), 5));
}
TColor exact(TColor c) { return c; }

}  // namespace

TEST(BitmapDecode, VariantsReportTheirDepthAndGiveTheSamePixels) {
  struct Case {
    const char* name;
    BmpFile file;
    TPixelFormat format;
    TColor (*expect)(TColor);
  };
  auto with = [](BmpFile f, auto change) {
    change(f);
    return f;
  };
  BmpFile base;
  std::vector<Case> cases = {
      {"24-bit bottom-up",
       with(base, [](BmpFile& f) { f.pixels = packRows(24, packedColours(pack24), false); }),
       pf24bit, exact},
      {"24-bit top-down",
       with(base,
            [](BmpFile& f) {
              f.height = -2;
              f.pixels = packRows(24, packedColours(pack24), true);
            }),
       pf24bit, exact},
      {"24-bit core header",
       with(base,
            [](BmpFile& f) {
              f.headerSize = 12;
              f.pixels = packRows(24, packedColours(pack24), false);
            }),
       pf24bit, exact},
      {"32-bit with alpha",
       with(base,
            [](BmpFile& f) {
              f.bitCount = 32;
              f.pixels = packRows(32, packedColours(pack32Alpha), false);
            }),
       pf32bit, exact},
      {"32-bit V5 bit fields",
       with(base,
            [](BmpFile& f) {
              f.bitCount = 32;
              f.compression = 3;
              f.headerSize = 124;
              f.masks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
              f.pixels = packRows(32, packedColours(pack24), false);
            }),
       pf32bit, exact},
      {"8-bit palette",
       with(base,
            [](BmpFile& f) {
              f.bitCount = 8;
              f.palette = kPalette;
              f.clrUsed = 6;
              f.pixels = packRows(8, kIndices, false);
            }),
       pf8bit, exact},
      {"8-bit palette top-down",
       with(base,
            [](BmpFile& f) {
              f.bitCount = 8;
              f.height = -2;
              f.palette = kPalette;
              f.palette.resize(256);
              f.pixels = packRows(8, kIndices, true);
            }),
       pf8bit, exact},
      {"4-bit palette",
       with(base,
            [](BmpFile& f) {
              f.bitCount = 4;
              f.palette = kPalette;
              f.palette.resize(16);
              f.pixels = packRows(4, kIndices, false);
            }),
       pf4bit, exact},
      {"16-bit 555",
       with(base,
            [](BmpFile& f) {
              f.bitCount = 16;
              f.pixels = packRows(16, packedColours(pack555), false);
            }),
       pf15bit, via555},
      {"16-bit bit fields 555",
       with(base,
            [](BmpFile& f) {
              f.bitCount = 16;
              f.compression = 3;
              f.masks = {0x7C00, 0x03E0, 0x001F};
              f.pixels = packRows(16, packedColours(pack555), false);
            }),
       pf15bit, via555},
      {"16-bit bit fields 565",
       with(base,
            [](BmpFile& f) {
              f.bitCount = 16;
              f.compression = 3;
              f.masks = {0xF800, 0x07E0, 0x001F};
              f.pixels = packRows(16, packedColours(pack565), false);
            }),
       pf16bit, via565},
      {"16-bit V3 header 565",
       with(base,
            [](BmpFile& f) {
              f.bitCount = 16;
              f.compression = 3;
              f.headerSize = 56;
              f.masks = {0xF800, 0x07E0, 0x001F, 0};
              f.pixels = packRows(16, packedColours(pack565), false);
            }),
       pf16bit, via565},
      {"RLE8",
       with(base,
            [](BmpFile& f) {
              f.bitCount = 8;
              f.compression = 1;
              f.palette = kPalette;
              f.clrUsed = 6;
              // Bottom row: three encoded runs of one pixel; end of line; top row: an absolute run
              // of three, padded to a word; end of bitmap.
              f.pixels = {1, 3, 1, 4, 1, 5, 0, 0, 0, 3, 0, 1, 2, 0, 0, 1};
            }),
       pf8bit, exact},
      {"RLE4",
       with(base,
            [](BmpFile& f) {
              f.bitCount = 4;
              f.compression = 2;
              f.palette = kPalette;
              f.palette.resize(16);
              // As for RLE8, with two pixels to a byte.
              f.pixels = {1, 0x30, 1, 0x40, 1, 0x50, 0, 0, 0, 3, 0x01, 0x20, 0, 1};
            }),
       pf4bit, exact},
  };
  for (const Case& c : cases) {
    const Bytes file = build(c.file);
    TBitmap out;
    ASSERT_TRUE(DecodeBitmap(file.data(), file.size(), out)) << c.name;
    EXPECT_EQ(out.PixelFormat(), c.format) << c.name;
    ASSERT_EQ(out.Width(), 3) << c.name;
    ASSERT_EQ(out.Height(), 2) << c.name;
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 3; ++x) {
        const TColor got = out.Pixel(x, y), want = c.expect(kPicture[y][x]);
        const int slack = c.expect == exact ? 0 : 1;
        EXPECT_LE(std::abs(GetRValue(got) - GetRValue(want)), slack)
            << c.name << " R " << x << "," << y;
        EXPECT_LE(std::abs(GetGValue(got) - GetGValue(want)), slack)
            << c.name << " G " << x << "," << y;
        EXPECT_LE(std::abs(GetBValue(got) - GetBValue(want)), slack)
            << c.name << " B " << x << "," << y;
      }
  }
}

TEST(BitmapDecode, OneBitPictureUsesItsPalette) {
  // 10 x 2, so the bits spill into a second byte: top row alternates, bottom row is all set.
  BmpFile f;
  f.width = 10;
  f.bitCount = 1;
  f.palette = {0x0000FF, 0xFF0000};  // index 0 blue, index 1 red
  const std::vector<std::vector<uint32_t>> bits = {{1, 0, 1, 0, 1, 0, 1, 0, 1, 0},
                                                   {1, 1, 1, 1, 1, 1, 1, 1, 1, 1}};
  f.pixels = packRows(1, bits, false);
  const Bytes file = build(f);
  TBitmap out;
  ASSERT_TRUE(DecodeBitmap(file.data(), file.size(), out));
  EXPECT_EQ(out.PixelFormat(), pf1bit);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 10; ++x)
      EXPECT_EQ(out.Pixel(x, y), bits[y][x] ? RGB(255, 0, 0) : RGB(0, 0, 255)) << x << "," << y;
}

TEST(BitmapDecode, DamagedAndForeignFilesAreNotLoadable) {
  BmpFile good;
  good.pixels = packRows(24, packedColours(pack24), false);
  const Bytes ok = build(good);
  auto cut = [&](size_t n) { return Bytes(ok.begin(), ok.begin() + n); };
  auto patched = [&](size_t at, uint32_t v, int bytes = 4) { return patch(ok, at, v, bytes); };
  auto file = [](auto change) {
    BmpFile f;
    f.pixels = packRows(24, packedColours(pack24), false);
    change(f);
    return build(f);
  };
  const struct {
    const char* name;
    Bytes bytes;
  } cases[] = {
      {"empty", {}},
      {"signature only", {'B', 'M'}},
      {"cut in the header", cut(30)},
      {"cut in the pixels", cut(ok.size() - 1)},
      {"text", Bytes{'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', ' ', 't', 'h', 'i',
                     's', ' ', 'i', 's', ' ', 'n', 'o', 't', ' ', 'a', ' ', 'b', 'm', 'p'}},
      {"JPEG start", Bytes{0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F',  'I',  'F', 0, 1, 1,
                           0,    0,    1,    0,    1, 0,  0,   0xFF, 0xD9, 0,   0, 0, 0}},
      {"zero width", patched(18, 0)},
      {"zero height", patched(22, 0)},
      {"negative width", patched(18, uint32_t(-3))},
      {"most negative height", patched(22, 0x80000000u)},
      {"huge dimensions", file([](BmpFile& f) {
         f.width = 100000;
         f.height = 100000;
       })},
      {"large square claiming little data", file([](BmpFile& f) {
         f.width = 16384;
         f.height = 16384;
       })},
      {"pixel offset past the end", patched(10, 100000)},
      {"pixel offset inside the header", patched(10, 20)},
      {"header size unknown", patched(14, 20)},
      {"2 bits per pixel", patched(28, 2, 2)},
      {"0 bits per pixel", patched(28, 0, 2)},
      {"JPEG compression", patched(30, 4)},
      {"RLE8 on a 24-bit file", patched(30, 1)},
      {"RLE8 top-down", file([](BmpFile& f) {
         f.bitCount = 8;
         f.compression = 1;
         f.height = -2;
         f.palette = kPalette;
         f.pixels = {0, 1};
       })},
      {"RLE8 without its data", file([](BmpFile& f) {
         f.bitCount = 8;
         f.compression = 1;
         f.palette = kPalette;
         f.pixels = {};
       })},
      {"palette larger than the depth allows", file([](BmpFile& f) {
         f.bitCount = 4;
         f.clrUsed = 17;
         f.palette = std::vector<uint32_t>(17, 0);
         f.pixels = packRows(4, kIndices, false);
       })},
      {"palette cut off", file([](BmpFile& f) {
         f.bitCount = 8;
         f.clrUsed = 200;
         f.palette = kPalette;
         f.pixels = {};
       })},
  };
  for (const auto& c : cases) {
    TBitmap out(2, 2, pf8bit);
    out.SetPixel(1, 1, clYellow);
    EXPECT_FALSE(DecodeBitmap(c.bytes.data(), c.bytes.size(), out)) << c.name;
    // A failed load leaves the picture as it was.
    EXPECT_EQ(out.Width(), 2) << c.name;
    EXPECT_EQ(out.PixelFormat(), pf8bit) << c.name;
    EXPECT_EQ(out.Pixel(1, 1), clYellow) << c.name;
  }
  TBitmap out;
  EXPECT_FALSE(DecodeBitmap(nullptr, 100, out));
}

TEST(BitmapEncode, RoundTripKeepsPixelsWithPaddedBottomUpRows) {
  for (int32_t w : {1, 2, 3, 4, 5, 13}) {
    TBitmap pic(w, 3, pf24bit);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < w; ++x)
        pic.SetPixel(x, y, RGB(uint8_t(x * 19), uint8_t(y * 70), uint8_t(x + y)));
    const std::vector<uint8_t> file = EncodeBitmap(pic);
    const size_t rowBytes = (size_t(w) * 3 + 3) / 4 * 4;
    ASSERT_EQ(file.size(), 54 + rowBytes * 3) << w;
    // The first stored row is the bottom one.
    EXPECT_EQ(file[54], GetBValue(pic.Pixel(0, 2))) << w;
    TBitmap back;
    ASSERT_TRUE(DecodeBitmap(file.data(), file.size(), back)) << w;
    EXPECT_EQ(back.PixelFormat(), pf24bit);
    ASSERT_EQ(back.Width(), w);
    ASSERT_EQ(back.Height(), 3);
    EXPECT_EQ(std::memcmp(back.Bits(), pic.Bits(), pic.ByteSize()), 0) << w;
  }
  EXPECT_TRUE(EncodeBitmap(TBitmap()).empty());
}

TEST(BitmapFiles, SaveAndLoadThroughTheFileSystem) {
  TempDir dir;
  TBitmap pic(7, 5, pf24bit);
  pic.SetPixel(6, 4, RGB(1, 2, 3));
  const std::string path = dir.File("Pic.bmp");
  ASSERT_TRUE(SaveBitmapFile(path.c_str(), pic));
  TBitmap back;
  ASSERT_TRUE(LoadBitmapFile(path.c_str(), back));
  EXPECT_EQ(back.Pixel(6, 4), RGB(1, 2, 3));
  TBitmap untouched(1, 1, pf8bit);
  EXPECT_FALSE(LoadBitmapFile(dir.File("missing.bmp").c_str(), untouched));
  EXPECT_EQ(untouched.PixelFormat(), pf8bit);
  EXPECT_FALSE(SaveBitmapFile(dir.File("no/such/dir.bmp").c_str(), pic));
}
