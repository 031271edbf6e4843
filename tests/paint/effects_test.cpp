// Brightness scaling and colour offset: the byte rules, the vector kernels against the plain
// formula, the rectangle form's bounds and the shared guards.
#include <gtest/gtest.h>

#include <climits>
#include <numeric>
#include <string>
#include <vector>

#include "paint/paint_internal.h"
#include "paint/splpaint.h"
#include "paint_test_util.h"

using namespace painttest;

namespace {

// Restores the best kernel when a test forced another one.
struct KernelGuard {
  ~KernelGuard() { paint::ForcePixelKernel(nullptr); }
};

std::vector<std::string> kernels() {
  std::vector<std::string> k = {"scalar"};
  paint::ForcePixelKernel("sse2");
  if (std::string(paint::PixelKernelName()) == "sse2") k.push_back("sse2");
  paint::ForcePixelKernel(nullptr);
  if (std::string(paint::PixelKernelName()) == "avx2") k.push_back("avx2");
  return k;
}

// All 256 byte values, repeated at every alignment and with ragged tails.
std::vector<uint8_t> allBytes() {
  std::vector<uint8_t> v(256 * 5 + 37);
  for (size_t i = 0; i < v.size(); ++i) v[i] = uint8_t(i * 7 + i / 256);
  return v;
}

TEST(PixelKernels, VectorKernelsGiveThePlainFormulaForEveryByteAndLevel) {
  KernelGuard guard;
  std::vector<int> levels = {INT_MIN, -500, -1, 0, 1, 5, 13, 33, 50, 60, 95, 99, 100, 101, 102,
                             127, 150, 199, 200, 255, 256, 257, 380, 400, 999, 1000, 12800,
                             25599, 25600, 25601, 39937, 65536, 1000000, INT_MAX};
  for (int p = 0; p <= 500; p += 7) levels.push_back(p);
  const std::vector<uint8_t> input = allBytes();
  for (const std::string& k : kernels()) {
    paint::ForcePixelKernel(k.c_str());
    ASSERT_EQ(k, paint::PixelKernelName());
    for (int level : levels) {
      std::vector<uint8_t> want = input;
      for (uint8_t& c : want) {
        const int64_t v = int64_t(c) * std::max(level, 0) / 100;
        c = level == 100 ? c : uint8_t(std::min<int64_t>(v, 255));
      }
      // Start at every offset within a vector so that heads and tails are covered.
      for (size_t off = 0; off < 33; off += 5) {
        std::vector<uint8_t> got(input.begin() + off, input.end());
        paint::ContrastBytes(got.data(), got.size(), level);
        ASSERT_TRUE(std::equal(got.begin(), got.end(), want.begin() + off))
            << k << " contrast " << level << " offset " << off;
      }
    }
    for (int delta : {INT_MIN, -300, -255, -254, -128, -60, -20, -1, 0, 1, 20, 60, 200, 254, 255,
                      256, 1000, INT_MAX}) {
      std::vector<uint8_t> want = input;
      for (uint8_t& c : want) {
        const int64_t v = int64_t(c) + delta;
        c = uint8_t(v < 0 ? 0 : v > 255 ? 255 : v);
      }
      std::vector<uint8_t> got = input;
      paint::OffsetBytes(got.data(), got.size(), delta);
      ASSERT_EQ(got, want) << k << " offset " << delta;
    }
  }
}

// Every level the vector form can meet (above 25600 percent every byte but 0 gives 255), on all
// 256 byte values.
TEST(PixelKernels, EveryLevelIsExact) {
  KernelGuard guard;
  std::vector<uint8_t> input(256 + 31);
  std::iota(input.begin(), input.begin() + 256, 0);
  for (const std::string& k : kernels()) {
    if (k == "scalar") continue;
    paint::ForcePixelKernel(k.c_str());
    for (int level = 0; level <= 25700; ++level) {
      std::vector<uint8_t> got = input;
      paint::ContrastBytes(got.data(), got.size(), level);
      for (size_t c = 0; c < 256; ++c) {
        const int want = level == 100 ? int(c) : std::min<int>(255, int(c) * level / 100);
        ASSERT_EQ(got[c], want) << k << " level " << level << " byte " << c;
      }
    }
  }
}

class Effects : public ::testing::Test {
 protected:
  TSplPaint sp{nullptr};

  // A one-row 24-bit scene holding the given byte values.
  void scene(std::initializer_list<uint8_t> bytes) {
    TBitmap b(int32_t((bytes.size() + 2) / 3), 1);
    std::copy(bytes.begin(), bytes.end(), b.Bits());
    sp.SetBkGnd(&b, true);
  }
  uint8_t byte(size_t i) const { return sp.BkGnd.Bits()[i]; }
};

TEST_F(Effects, ByteRules) {
  struct Case {
    const char* op;
    int level;
    uint8_t in, out;
  } cases[] = {
      {"contrast", 50, 255, 127}, {"contrast", 50, 1, 0},      {"contrast", 150, 200, 255},
      {"contrast", 150, 100, 150}, {"contrast", 100, 77, 77},  {"contrast", 0, 255, 0},
      {"contrast", 60, 255, 153}, {"contrast", 400, 64, 255},  {"contrast", 400, 63, 252},
      {"rgb", -60, 50, 0},        {"rgb", -60, 200, 140},      {"rgb", 20, 250, 255},
      {"rgb", 20, 0, 20},         {"rgb", -255, 255, 0},
  };
  for (const Case& c : cases) {
    scene({c.in, c.in, c.in});
    const bool ok = std::string(c.op) == "rgb" ? sp.RGBScreen(c.level) : sp.ContrastScreen(c.level);
    EXPECT_TRUE(ok);
    for (size_t i = 0; i < 3; ++i)
      EXPECT_EQ(byte(i), c.out) << c.op << " " << c.level << " of " << int(c.in);
  }
}

TEST_F(Effects, PixelOperationsRefuseAnEmptyOrNon24BitScene) {
  // Empty scene (no parent to read the screen from either).
  EXPECT_FALSE(sp.ContrastScreen(50));
  EXPECT_FALSE(sp.ContrastScreen(50, Rect(0, 0, 1, 1)));
  EXPECT_FALSE(sp.RGBScreen(-60));
  EXPECT_TRUE(sp.BkGnd.Empty());
  // Not 24-bit.
  TBitmap pic = SolidPicture(4, 4, clWhite, pf8bit);
  sp.SetBkGnd(&pic, true);
  EXPECT_FALSE(sp.ContrastScreen(50));
  EXPECT_FALSE(sp.ContrastScreen(50, Rect(0, 0, 4, 4)));
  EXPECT_FALSE(sp.RGBScreen(-60));
  EXPECT_EQ(CountPixels(sp.BkGnd, Rect(0, 0, 4, 4), clWhite), 16);
  EXPECT_FALSE(sp.ContrastSplite(1, 50));
}

TEST_F(Effects, RectangleFormBounds) {
  const int32_t w = 10, h = 6;
  struct Case {
    const char* what;
    TRect r;
    TRect changed;  // right and bottom exclusive
  } cases[] = {
      {"inside, bottom row included", Rect(2, 1, 5, 3), Rect(2, 1, 5, 4)},
      {"top equals bottom: one row", Rect(0, 2, 10, 2), Rect(0, 2, 10, 3)},
      {"bottom below the image", Rect(1, 4, 3, 99), Rect(1, 4, 3, 6)},
      {"right beyond the width", Rect(7, 0, 50, 0), Rect(7, 0, 10, 1)},
      {"left at right", Rect(5, 0, 5, 5), Rect(0, 0, 0, 0)},
      {"left past right", Rect(8, 0, 3, 5), Rect(0, 0, 0, 0)},
      {"left past the width", Rect(12, 0, 20, 5), Rect(0, 0, 0, 0)},
      {"bottom above top", Rect(0, 4, 10, 2), Rect(0, 0, 0, 0)},
      {"reaching left of and above the image", Rect(-3, -2, 2, 0), Rect(0, 0, 2, 1)},
  };
  for (const Case& c : cases) {
    TBitmap pic = SolidPicture(w, h, RGB(200, 200, 200));
    sp.SetBkGnd(&pic, true);
    EXPECT_TRUE(sp.ContrastScreen(50, c.r)) << c.what;
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x) {
        const bool in = x >= c.changed.Left && x < c.changed.Right && y >= c.changed.Top &&
                        y < c.changed.Bottom;
        EXPECT_EQ(sp.BkGnd.Pixel(x, y), in ? RGB(100, 100, 100) : RGB(200, 200, 200))
            << c.what << " at " << x << "," << y;
      }
  }
}

}  // namespace
