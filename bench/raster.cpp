// Raster operations on a 640 x 480 x 3 frame, each measured against memcpy of the same 921,600
// bytes in the same run. Every iteration times one memcpy and one operation back to back, so
// both see the same caches and clock; the counter "ratio" is the operation's processor time
// over the memcpy's. The goals: copy and fill at most 1.2, AND, OR and pattern AND at most 1.5.
#include <benchmark/benchmark.h>
#include <time.h>

#include <cstring>
#include <random>
#include <vector>

#include "platform/pictures/bitmap.h"

namespace {

constexpr int32_t kW = 640, kH = 480;

TBitmap noise(uint32_t seed) {
  TBitmap b(kW, kH);
  std::mt19937 rng(seed);
  for (size_t i = 0; i < b.ByteSize(); ++i) b.Bits()[i] = uint8_t(rng());
  return b;
}

// The thread's own processor time: on a busy machine wall time also counts the time other
// programs ran, which would make both figures, and their ratio, noise.
double threadSeconds() {
  timespec ts;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

template <typename Op>
void measure(benchmark::State& state, Op op) {
  TBitmap src = noise(1), dst = noise(2);
  std::vector<uint8_t> a(src.ByteSize()), b(src.ByteSize());
  std::memcpy(a.data(), src.Bits(), a.size());
  double opTime = 0, copyTime = 0;
  // Warm both buffers so the first iteration does not pay for page faults.
  std::memcpy(b.data(), a.data(), a.size());
  op(dst, src);
  for (auto _ : state) {
    const double t0 = threadSeconds();
    std::memcpy(b.data(), a.data(), a.size());
    benchmark::ClobberMemory();
    const double t1 = threadSeconds();
    op(dst, src);
    benchmark::ClobberMemory();
    const double t2 = threadSeconds();
    const double c = t1 - t0, o = t2 - t1;
    copyTime += c;
    opTime += o;
    state.SetIterationTime(o);
  }
  benchmark::DoNotOptimize(b.data());
  benchmark::DoNotOptimize(dst.Bits());
  state.counters["ratio"] = copyTime > 0 ? opTime / copyTime : 0;
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(src.ByteSize()));
}

const TBrush& pattern() {
  static const uint8_t bits[8] = {0x88, 0x00, 0x22, 0x00, 0x88, 0x00, 0x22, 0x00};
  static const TBrush b = TBrush::FromBits(bits);
  return b;
}

void BM_Copy(benchmark::State& s) {
  measure(s,
          [](TBitmap& d, const TBitmap& src) { BitBlt(d, 0, 0, kW, kH, src, 0, 0, ropSrcCopy); });
}
void BM_And(benchmark::State& s) {
  measure(s, [](TBitmap& d, const TBitmap& src) { BitBlt(d, 0, 0, kW, kH, src, 0, 0, ropSrcAnd); });
}
void BM_Or(benchmark::State& s) {
  measure(s,
          [](TBitmap& d, const TBitmap& src) { BitBlt(d, 0, 0, kW, kH, src, 0, 0, ropSrcPaint); });
}
void BM_MergePaint(benchmark::State& s) {
  measure(
      s, [](TBitmap& d, const TBitmap& src) { BitBlt(d, 0, 0, kW, kH, src, 0, 0, ropMergePaint); });
}
void BM_PatternAnd(benchmark::State& s) {
  measure(s,
          [](TBitmap& d, const TBitmap&) { PatBlt(d, Rect(0, 0, kW, kH), pattern(), popPatAnd); });
}
void BM_Fill(benchmark::State& s) {
  measure(s, [](TBitmap& d, const TBitmap&) { FillRect(d, Rect(0, 0, kW, kH), RGB(0, 128, 0)); });
}
void BM_Invert(benchmark::State& s) {
  measure(s, [](TBitmap& d, const TBitmap&) { InvertRect(d, Rect(0, 0, kW, kH)); });
}
// A copy that is not a whole-frame memcpy: an inner rectangle, row by row.
void BM_CopyInnerRect(benchmark::State& s) {
  measure(s, [](TBitmap& d, const TBitmap& src) {
    BitBlt(d, 1, 1, kW - 2, kH - 2, src, 1, 1, ropSrcCopy);
  });
}
// Stretching a half-size picture to the whole frame, as sprites drawn at another size are.
void BM_StretchDouble(benchmark::State& s) {
  measure(s, [](TBitmap& d, const TBitmap& src) {
    StretchBlt(d, Rect(0, 0, kW, kH), src, Rect(0, 0, kW / 2, kH / 2), ropSrcCopy);
  });
}

}  // namespace

BENCHMARK(BM_Copy)->UseManualTime();
BENCHMARK(BM_Fill)->UseManualTime();
BENCHMARK(BM_And)->UseManualTime();
BENCHMARK(BM_Or)->UseManualTime();
BENCHMARK(BM_PatternAnd)->UseManualTime();
BENCHMARK(BM_MergePaint)->UseManualTime();
BENCHMARK(BM_Invert)->UseManualTime();
BENCHMARK(BM_CopyInnerRect)->UseManualTime();
BENCHMARK(BM_StretchDouble)->UseManualTime();

BENCHMARK_MAIN();
