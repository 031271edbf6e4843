// The reference the benchmarks are measured against: a plain memcpy of one 640 x 480 24-bit frame
// (921,600 bytes). Each benchmark reports the counter "x_memcpy", the CPU time of one iteration
// divided by the CPU time of one frame memcpy, so that results compare across machines.
#pragma once
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <vector>

#include "platform/pictures/bitmap.h"

namespace bench {

constexpr int32_t kW = 640, kH = 480;
constexpr size_t kFrameBytes = size_t(kW) * kH * 3;

inline double cpuSeconds() {
  timespec ts;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// CPU time of one frame memcpy from a to b (both kFrameBytes long): the median of 31 timed
// batches of 20 copies, after warmUp untimed copies.
inline double medianFrameMemcpy(std::vector<uint8_t>& a, std::vector<uint8_t>& b, int warmUp) {
  for (int i = 0; i < warmUp; ++i) std::memcpy(b.data(), a.data(), kFrameBytes);
  std::vector<double> batches;
  const int perBatch = 20;
  for (int r = 0; r < 31; ++r) {
    const double t0 = cpuSeconds();
    for (int i = 0; i < perBatch; ++i) {
      std::memcpy(b.data(), a.data(), kFrameBytes);
      benchmark::DoNotOptimize(b.data());
      benchmark::ClobberMemory();
    }
    batches.push_back((cpuSeconds() - t0) / perBatch);
  }
  std::sort(batches.begin(), batches.end());
  return batches[batches.size() / 2];
}

// Sets "x_memcpy" from the CPU time of one frame memcpy.
inline void reportRatio(benchmark::State& state, double frameMemcpySeconds) {
  state.counters["x_memcpy"] =
      benchmark::Counter(frameMemcpySeconds, benchmark::Counter::kIsIterationInvariantRate |
                                                 benchmark::Counter::kInvert);
}

// CPU time of one frame memcpy, measured again right after each benchmark so that both see the
// same load on the machine, reported as "x_memcpy".
inline void reportFrameRatio(benchmark::State& state) {
  static std::vector<uint8_t> a(kFrameBytes, 1), b(kFrameBytes, 2);
  reportRatio(state, medianFrameMemcpy(a, b, 5));
}

// A w x h picture of pseudo-random bytes, the same for the same seed: nothing in it repeats, so
// no copy or comparison can take a shortcut.
inline TBitmap noisePicture(int32_t w, int32_t h, uint32_t seed) {
  TBitmap b(w, h);
  uint32_t x = seed * 2654435761u + 1;
  for (size_t i = 0; i < b.ByteSize(); ++i) {
    x = x * 1664525u + 1013904223u;
    b.Bits()[i] = uint8_t(x >> 24);
  }
  return b;
}

// The body of BM_Memcpy: frame copies as the benchmark's iterations, with their byte rate.
inline void copyFrames(benchmark::State& state) {
  std::vector<uint8_t> a(kFrameBytes, 1), b(kFrameBytes, 2);
  for (auto _ : state) {
    std::memcpy(b.data(), a.data(), kFrameBytes);
    benchmark::DoNotOptimize(b.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kFrameBytes));
}

}  // namespace bench
