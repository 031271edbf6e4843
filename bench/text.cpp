// Speed of text drawing: DrawTextA of one 40-character Japanese line (the message font, -27
// pixels) with its glyphs already cached, onto a 640 x 480 24-bit picture, as a ratio to a plain
// memcpy of one such frame (921,600 bytes) measured in the same run. The counter "x_memcpy" is
// the CPU time of one iteration divided by the CPU time of one frame memcpy.
//
//   bench_text --benchmark_counters_tabular=true
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "frame_memcpy.h"
#include "platform/pictures/bitmap.h"
#include "platform/text/cp932.h"
#include "platform/text/text.h"

namespace {

using bench::kH;
using bench::kW;

// CPU time of one frame memcpy, measured once per run.
double memcpySeconds() {
  static const double secs = [] {
    std::vector<uint8_t> a(bench::kFrameBytes, 1), b(bench::kFrameBytes, 2);
    return bench::medianFrameMemcpy(a, b, 20);
  }();
  return secs;
}

void reportRatio(benchmark::State& state) { bench::reportRatio(state, memcpySeconds()); }

TFont messageFont() {
  TFont f;
  f.Name = FontMSGothic();
  f.Height = -27;
  f.Color = clWhite;
  return f;
}

// 40 two-byte characters: kanji, kana and punctuation, the mix of a story line.
const char* kLine40 = "吾輩は猫である。名前はまだ無い。どこで生れたかとんと見当がつかぬ。何でも薄暗いじ";

void BM_Memcpy(benchmark::State& state) {
  bench::copyFrames(state);
  reportRatio(state);
}
BENCHMARK(BM_Memcpy);

// range(0): format flags. The line is wider than the message area, so DT_WORDBREAK lays it out
// on two lines, as the game's message window does.
void BM_DrawTextLine(benchmark::State& state) {
  const TFont font = messageFont();
  const char* text = SJ(kLine40);
  if (std::strlen(text) != 80) {
    state.SkipWithError("the line is not 40 two-byte characters");
    return;
  }
  TBitmap target(kW, kH);
  for (size_t i = 0; i < target.ByteSize(); ++i) target.Bits()[i] = uint8_t(i * 7);
  const unsigned format = unsigned(state.range(0));
  TRect r{24, 356, 624, 462};
  DrawTextA(&target, font, text, -1, &r, format);  // warm the glyph cache
  for (auto _ : state) {
    TRect rect{24, 356, 624, 462};
    benchmark::DoNotOptimize(DrawTextA(&target, font, text, -1, &rect, format));
    benchmark::ClobberMemory();
  }
  reportRatio(state);
}
BENCHMARK(BM_DrawTextLine)->Arg(DT_LEFT)->Arg(DT_WORDBREAK);

}  // namespace

BENCHMARK_MAIN();
