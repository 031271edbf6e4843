// JPEG decoding: good pictures of each kind, truncated files, garbage.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <vector>

#include "platform/pictures/bitmap.h"
#include "support/jpeg_encode.h"
#include "support/temp_dir.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Colour blocks of 16 x 16 keep the decoded colours close to the originals.
const TColor kBlocks[] = {RGB(200, 30, 30),  RGB(30, 200, 30),   RGB(30, 30, 200),
                          RGB(220, 220, 40), RGB(250, 250, 250), RGB(10, 10, 10)};

TBitmap blocks(int32_t w, int32_t h) {
  TBitmap b(w, h, pf24bit);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.SetPixel(x, y, kBlocks[(x / 16 + y / 16 * 3) % 6]);
  return b;
}

int channelDiff(TColor a, TColor b) {
  return std::max({std::abs(GetRValue(a) - GetRValue(b)), std::abs(GetGValue(a) - GetGValue(b)),
                   std::abs(GetBValue(a) - GetBValue(b))});
}

// Largest channel difference over the block centres (edges ring a little after compression).
int centreError(const TBitmap& got, const TBitmap& want, bool grey) {
  int worst = 0;
  for (int y = 8; y < want.Height(); y += 16)
    for (int x = 8; x < want.Width(); x += 16) {
      TColor w = want.Pixel(x, y);
      if (grey) w = RGB(GetGValue(w), GetGValue(w), GetGValue(w));
      worst = std::max(worst, channelDiff(got.Pixel(x, y), w));
    }
  return worst;
}

}  // namespace

TEST(ImageJpeg, GoodPicturesDecodeToTwentyFourBitBgr) {
  const TBitmap pic = blocks(96, 64);
  const struct {
    const char* name;
    JpegKind kind;
  } cases[] = {{"baseline", JpegKind::Colour},
               {"progressive", JpegKind::Progressive},
               {"greyscale", JpegKind::Grey},
               {"Adobe CMYK", JpegKind::Cmyk}};
  for (const auto& c : cases) {
    const Bytes file = EncodeJpeg(pic, 95, c.kind);
    TBitmap out;
    ASSERT_TRUE(DecodeJpeg(file.data(), file.size(), out)) << c.name;
    EXPECT_EQ(out.PixelFormat(), pf24bit) << c.name;
    ASSERT_EQ(out.Width(), 96) << c.name;
    ASSERT_EQ(out.Height(), 64) << c.name;
    EXPECT_LE(centreError(out, pic, c.kind == JpegKind::Grey), 8) << c.name;
  }
}

TEST(ImageJpeg, TruncatedFileShowsTheDecodedTopAndGreyBelow) {
  // Flat blocks on top, noise below, so that the coded picture and not the tables fills the
  // file and half of it ends well inside the picture.
  TBitmap pic = blocks(64, 256);
  std::mt19937 rng(3);
  for (int y = 32; y < 256; ++y)
    for (int x = 0; x < 64 * 3; ++x) pic.ScanLine(y)[x] = uint8_t(rng());
  const Bytes file = EncodeJpeg(pic);
  const Bytes half(file.begin(), file.begin() + file.size() / 2);
  TBitmap out;
  ASSERT_TRUE(DecodeJpeg(half.data(), half.size(), out));
  ASSERT_EQ(out.Width(), 64);
  ASSERT_EQ(out.Height(), 256);
  EXPECT_EQ(out.PixelFormat(), pf24bit);
  EXPECT_LE(channelDiff(out.Pixel(8, 8), pic.Pixel(8, 8)), 8);  // the top was decoded
  for (int x = 0; x < 64; ++x)
    EXPECT_LE(channelDiff(out.Pixel(x, 255), RGB(128, 128, 128)), 1) << x;

  // Cut just after the headers: the size is known, nothing of the picture is.
  size_t sos = 0;
  for (size_t i = 0; i + 1 < file.size(); ++i)
    if (file[i] == 0xFF && file[i + 1] == 0xDA) {
      sos = i;
      break;
    }
  ASSERT_GT(sos, 0u);
  const Bytes headersOnly(file.begin(), file.begin() + sos + 14);
  TBitmap grey;
  ASSERT_TRUE(DecodeJpeg(headersOnly.data(), headersOnly.size(), grey));
  EXPECT_EQ(grey.Width(), 64);
  EXPECT_LE(channelDiff(grey.Pixel(30, 100), RGB(128, 128, 128)), 1);
}

TEST(ImageJpeg, NoDecodableHeaderGivesAnEmptyPicture) {
  std::mt19937 rng(11);
  Bytes garbage(4000);
  for (auto& b : garbage) b = uint8_t(rng());
  const Bytes full = EncodeJpeg(blocks(32, 32));
  const struct {
    const char* name;
    Bytes bytes;
  } cases[] = {
      {"empty", {}},
      {"garbage", garbage},
      {"start of image only", {0xFF, 0xD8}},
      {"bitmap file", EncodeBitmap(blocks(8, 8))},
      {"cut inside the frame header", Bytes(full.begin(), full.begin() + 150)},
  };
  for (const auto& c : cases) {
    TBitmap out(5, 5, pf8bit);
    ASSERT_TRUE(DecodeJpeg(c.bytes.data(), c.bytes.size(), out)) << c.name;
    EXPECT_TRUE(out.Empty()) << c.name;
  }
}

TEST(ImageJpeg, AbsurdDimensionsAreNotLoadable) {
  Bytes file = EncodeJpeg(blocks(16, 16));
  // The baseline frame header: FF C0, length, precision, height, width.
  size_t sof = 0;
  for (size_t i = 0; i + 1 < file.size(); ++i)
    if (file[i] == 0xFF && file[i + 1] == 0xC0) {
      sof = i;
      break;
    }
  ASSERT_GT(sof, 0u);
  // 20000 x 20000: within what libjpeg accepts, far beyond any game picture.
  file[sof + 5] = file[sof + 7] = 20000 >> 8;
  file[sof + 6] = file[sof + 8] = 20000 & 0xFF;
  TBitmap out(3, 3, pf8bit);
  EXPECT_FALSE(DecodeJpeg(file.data(), file.size(), out));
  EXPECT_EQ(out.Width(), 3);
  EXPECT_EQ(out.PixelFormat(), pf8bit);
}

TEST(ImageJpeg, LoadsFromAFile) {
  TempDir dir;
  ASSERT_TRUE(dir.Write("pic.jpg", EncodeJpeg(blocks(48, 32))));
  const std::string path = dir.File("pic.jpg");
  TBitmap out;
  ASSERT_TRUE(LoadJpegFile(path.c_str(), out));
  EXPECT_EQ(out.Width(), 48);
  TBitmap untouched(2, 2, pf8bit);
  EXPECT_FALSE(LoadJpegFile(dir.File("none.jpg").c_str(), untouched));
  EXPECT_EQ(untouched.Width(), 2);
}
