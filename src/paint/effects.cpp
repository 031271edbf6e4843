// Brightness scaling and colour offset of BkGnd.
//
// Both run on every byte of a 640 x 480 frame once per transition frame and behind every menu,
// so they are written for vector units, with results identical to the plain per-byte formulas:
//
//   scaling  c := min(255, c * percent / 100), division truncating
//   offset   c := clamp(c + delta, 0, 255)
//
// Scaling in 16-bit lanes. For percent above 100 every byte at or above
// t = ceil(25600 / percent) ends at 255 (c * percent >= 25600 means c * percent / 100 >= 256), so
// bytes are first lowered to min(c, t); below 100 percent t is 255. For the level at hand a
// multiplier M and shift s are chosen, once per call, such that (x * M) >> s equals
// x * percent / 100 for every x below t and is at least 256 at x = t; they are checked for every
// x before use. (x << (16 - s)) * M >> 16 is then one multiply-high, and packing to bytes with
// unsigned saturation turns everything above 255 into 255. Such M and s exist for every level
// up to 25600 percent (beyond that every byte but 0 ends at 255 anyway, so the level is capped
// there); the tests go through all of them. Should the check ever fail, the plain loop runs.
#include <algorithm>
#include <cstring>

#include "paint/paint_internal.h"
#include "paint/splpaint.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define MIRAVEL_PAINT_X86 1
#endif

namespace {

constexpr int kMaxPercent = 25600;

struct ContrastParams {
  int percent;        // capped at kMaxPercent
  uint8_t limit;      // bytes above it give 255 anyway
  bool multiplier;    // M and s were found (the vector loops need them)
  uint16_t mult = 0;  // M
  int shift = 0;      // 16 - s
};

ContrastParams findContrastParams(int percent) {
  ContrastParams c;
  c.percent = std::clamp(percent, 0, kMaxPercent);
  if (c.percent <= 100) {
    c.limit = 255;
  } else {
    const int t = (25600 + c.percent - 1) / c.percent;
    c.limit = uint8_t(std::min(t, 255));
  }
  c.multiplier = false;
  const int64_t t = c.limit;
  for (int s = 16; s >= 1 && !c.multiplier; --s) {
    if ((t << (16 - s)) > 0xFFFF) break;  // x << (16 - s) must stay within 16 bits
    const int64_t m = ((int64_t(c.percent) << s) + 99) / 100;
    if (m > 0xFFFF) continue;
    bool exact = true;
    for (int64_t x = 0; x <= t && exact; ++x) {
      const int64_t q = (x * m) >> s;
      const int64_t want = x * c.percent / 100;
      exact = q < 0x8000 && (want > 255 ? q > 255 : q == want);
    }
    if (exact) {
      c.multiplier = true;
      c.mult = uint16_t(m);
      c.shift = 16 - s;
    }
  }
  return c;
}

// The rectangle form scales row by row at one level; the search runs once per level.
const ContrastParams& contrastParams(int percent) {
  static int lastPercent = -1;
  static ContrastParams last;
  percent = std::clamp(percent, 0, kMaxPercent);
  if (percent != lastPercent) {
    last = findContrastParams(percent);
    lastPercent = percent;
  }
  return last;
}

inline uint8_t contrastByte(uint8_t c, int percent) {
  const int64_t v = int64_t(c) * percent / 100;
  return v > 255 ? 255 : uint8_t(v);
}

inline uint8_t offsetByte(uint8_t c, int delta) {
  const int v = int(c) + delta;
  return v > 255 ? 255 : v < 0 ? 0 : uint8_t(v);
}

#ifdef MIRAVEL_PAINT_X86

void contrastSse2(uint8_t* p, size_t n, const ContrastParams& cp) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i limit = _mm_set1_epi8(char(cp.limit));
  size_t i = 0;
  const __m128i mult = _mm_set1_epi16(int16_t(cp.mult));
  const __m128i shift = _mm_cvtsi32_si128(cp.shift);
  for (; i + 16 <= n; i += 16) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    v = _mm_min_epu8(v, limit);
    const __m128i lo = _mm_mulhi_epu16(_mm_sll_epi16(_mm_unpacklo_epi8(v, zero), shift), mult);
    const __m128i hi = _mm_mulhi_epu16(_mm_sll_epi16(_mm_unpackhi_epi8(v, zero), shift), mult);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p + i), _mm_packus_epi16(lo, hi));
  }
  for (; i < n; ++i) p[i] = contrastByte(p[i], cp.percent);
}

// Unpacking and packing both work within 128-bit lanes, so the bytes come back in order.
__attribute__((target("avx2"), always_inline)) inline __m256i scaleMult(__m256i v, __m256i limit,
                                                                      __m128i shift,
                                                                      __m256i mult) {
  const __m256i zero = _mm256_setzero_si256();
  v = _mm256_min_epu8(v, limit);
  const __m256i lo =
      _mm256_mulhi_epu16(_mm256_sll_epi16(_mm256_unpacklo_epi8(v, zero), shift), mult);
  const __m256i hi =
      _mm256_mulhi_epu16(_mm256_sll_epi16(_mm256_unpackhi_epi8(v, zero), shift), mult);
  return _mm256_packus_epi16(lo, hi);
}

__attribute__((target("avx2"))) void contrastAvx2(uint8_t* p, size_t n,
                                                  const ContrastParams& cp) {
  const __m256i limit = _mm256_set1_epi8(char(cp.limit));
  size_t i = 0;
  const __m256i mult = _mm256_set1_epi16(int16_t(cp.mult));
  const __m128i shift = _mm_cvtsi32_si128(cp.shift);
  for (; i + 64 <= n; i += 64) {
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i));
    const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i + 32));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p + i), scaleMult(a, limit, shift, mult));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p + i + 32),
                        scaleMult(b, limit, shift, mult));
  }
  for (; i + 32 <= n; i += 32) {
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p + i), scaleMult(a, limit, shift, mult));
  }
  for (; i < n; ++i) p[i] = contrastByte(p[i], cp.percent);
}

void offsetSse2(uint8_t* p, size_t n, int delta) {
  const __m128i d = _mm_set1_epi8(char(uint8_t(delta < 0 ? -delta : delta)));
  size_t i = 0;
  for (; i + 16 <= n; i += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    const __m128i r = delta < 0 ? _mm_subs_epu8(v, d) : _mm_adds_epu8(v, d);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p + i), r);
  }
  for (; i < n; ++i) p[i] = offsetByte(p[i], delta);
}

__attribute__((target("avx2"))) void offsetAvx2(uint8_t* p, size_t n, int delta) {
  const __m256i d = _mm256_set1_epi8(char(uint8_t(delta < 0 ? -delta : delta)));
  size_t i = 0;
  if (delta < 0) {
    for (; i + 32 <= n; i += 32) {
      const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i));
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(p + i), _mm256_subs_epu8(v, d));
    }
  } else {
    for (; i + 32 <= n; i += 32) {
      const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i));
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(p + i), _mm256_adds_epu8(v, d));
    }
  }
  for (; i < n; ++i) p[i] = offsetByte(p[i], delta);
}

#endif  // MIRAVEL_PAINT_X86

enum class Kernel { kScalar, kSse2, kAvx2 };

Kernel bestKernel() {
#ifdef MIRAVEL_PAINT_X86
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx2")) return Kernel::kAvx2;
  return Kernel::kSse2;
#else
  return Kernel::kScalar;
#endif
}

Kernel& activeKernel() {
  static Kernel k = bestKernel();
  return k;
}

}  // namespace

namespace paint {

void ContrastBytesScalar(uint8_t* p, size_t n, int percent) {
  if (percent == 100) return;
  percent = std::max(percent, 0);
  for (size_t i = 0; i < n; ++i) p[i] = contrastByte(p[i], percent);
}

void ContrastBytes(uint8_t* p, size_t n, int percent) {
  if (percent == 100) return;
  const ContrastParams& cp = contrastParams(percent);
  if (!cp.multiplier) return ContrastBytesScalar(p, n, cp.percent);
  switch (activeKernel()) {
#ifdef MIRAVEL_PAINT_X86
    case Kernel::kAvx2: return contrastAvx2(p, n, cp);
    case Kernel::kSse2: return contrastSse2(p, n, cp);
#endif
    default: return ContrastBytesScalar(p, n, cp.percent);
  }
}

void OffsetBytesScalar(uint8_t* p, size_t n, int delta) {
  if (delta == 0) return;
  delta = std::clamp(delta, -255, 255);
  for (size_t i = 0; i < n; ++i) p[i] = offsetByte(p[i], delta);
}

void OffsetBytes(uint8_t* p, size_t n, int delta) {
  if (delta == 0) return;
  delta = std::clamp(delta, -255, 255);
  switch (activeKernel()) {
#ifdef MIRAVEL_PAINT_X86
    case Kernel::kAvx2: return offsetAvx2(p, n, delta);
    case Kernel::kSse2: return offsetSse2(p, n, delta);
#endif
    default: return OffsetBytesScalar(p, n, delta);
  }
}

const char* PixelKernelName() {
  switch (activeKernel()) {
    case Kernel::kAvx2: return "avx2";
    case Kernel::kSse2: return "sse2";
    default: return "scalar";
  }
}

void ForcePixelKernel(const char* name) {
  const Kernel best = bestKernel();
  Kernel want = best;
  if (name && std::strcmp(name, "scalar") == 0) want = Kernel::kScalar;
#ifdef MIRAVEL_PAINT_X86
  if (name && std::strcmp(name, "sse2") == 0) want = Kernel::kSse2;
#endif
  // Never more than the processor has.
  activeKernel() = int(want) <= int(best) ? want : best;
}

}  // namespace paint

// ---- the operations on BkGnd ----------------------------------------------------------------

bool TSplPaint::ContrastScreen(int percent) {
  if (BkGnd.Empty()) DrawToBkGnd(true);
  if (!BkGnd.Is24Bit()) return false;
  paint::ContrastBytes(BkGnd.Bits(), BkGnd.ByteSize(), percent);
  return true;
}

bool TSplPaint::ContrastScreen(int percent, TRect r) {
  if (BkGnd.Empty()) DrawToBkGnd(true);
  if (!BkGnd.Is24Bit()) return false;
  // Rows r.Top to r.Bottom inclusive, cut at the image's last row; columns r.Left to
  // r.Right - 1, cut at the image's width. A rectangle reaching left of or above the image
  // starts at its edge.
  const int32_t last = std::min(r.Bottom, BkGnd.Height() - 1);
  const int32_t end = std::min(r.Right, BkGnd.Width());
  const int32_t start = std::max(std::min(r.Left, end), 0);
  const int32_t top = std::max(r.Top, 0);
  if (end > start)
    for (int32_t y = top; y <= last; ++y)
      paint::ContrastBytes(BkGnd.ScanLine(y) + size_t(start) * 3, size_t(end - start) * 3,
                           percent);
  Sleep(0);
  return true;
}

bool TSplPaint::ContrastSplite(int, int) { return false; }

bool TSplPaint::RGBScreen(int delta) {
  if (BkGnd.Empty()) DrawToBkGnd(true);
  if (!BkGnd.Is24Bit()) return false;
  paint::OffsetBytes(BkGnd.Bits(), BkGnd.ByteSize(), delta);
  return true;
}
