// TBitmap storage: formats, sizes, pixel layout.
#include "platform/pictures/bitmap.h"

#include <gtest/gtest.h>

TEST(BitmapStorage, DefaultFormatIsNotTwentyFourBit) {
  TBitmap b;
  EXPECT_TRUE(b.Empty());
  EXPECT_EQ(b.PixelFormat(), pfDevice);
  EXPECT_FALSE(b.Is24Bit());
  b.SetSize(640, 480);  // resizing keeps the format
  EXPECT_FALSE(b.Is24Bit());
  EXPECT_EQ(b.ByteSize(), 640u * 480u * 3u);
  EXPECT_TRUE(TBitmap(2, 2, pf24bit).Is24Bit());
  EXPECT_EQ(TBitmap(2, 2, pf8bit).PixelFormat(), pf8bit);
}

TEST(BitmapStorage, PixelsAreBlueGreenRedRowsTopFirst) {
  TBitmap b(3, 2);
  b.SetPixel(1, 1, RGB(0x11, 0x22, 0x33));
  const uint8_t* p = b.ScanLine(1) + 3;
  EXPECT_EQ(p[0], 0x33);
  EXPECT_EQ(p[1], 0x22);
  EXPECT_EQ(p[2], 0x11);
  EXPECT_EQ(b.ScanLine(1), b.Bits() + 9);  // no row padding
  EXPECT_EQ(b.Pixel(1, 1), RGB(0x11, 0x22, 0x33));
}

TEST(BitmapStorage, SetSizeKeepsTheTopLeftAndBlackensTheRest) {
  struct Case {
    int32_t w, h;
  } cases[] = {{5, 4}, {2, 2}, {7, 1}, {1, 6}};
  for (const Case& c : cases) {
    TBitmap b(3, 3);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 3; ++x) b.SetPixel(x, y, RGB(uint8_t(x + 1), uint8_t(y + 1), 9));
    b.SetSize(c.w, c.h);
    ASSERT_EQ(b.Width(), c.w);
    ASSERT_EQ(b.Height(), c.h);
    for (int y = 0; y < c.h; ++y)
      for (int x = 0; x < c.w; ++x)
        EXPECT_EQ(b.Pixel(x, y), x < 3 && y < 3 ? RGB(uint8_t(x + 1), uint8_t(y + 1), 9) : clBlack)
            << c.w << "x" << c.h << " at " << x << "," << y;
  }
}

TEST(BitmapStorage, NegativeAndHugeSizesGiveEmptyImages) {
  TBitmap b(4, 4);
  b.SetSize(-5, 3);
  EXPECT_TRUE(b.Empty());
  EXPECT_EQ(b.ByteSize(), 0u);
  b.SetSize(100000, 100000);  // 30 GB would be asked for
  EXPECT_TRUE(b.Empty());
  EXPECT_EQ(b.ByteSize(), 0u);
  b.SetWidth(640);
  b.SetHeight(480);
  EXPECT_EQ(b.Width(), 640);
  EXPECT_EQ(b.Height(), 480);
}
