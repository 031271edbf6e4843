// Speed of the presentation engine on a 640 x 480 scene, as a ratio to a plain memcpy of one
// such frame (921,600 bytes) measured in the same run: the counter "x_memcpy" is the CPU time of
// one iteration divided by the CPU time of one frame memcpy, timed right after the benchmark.
//
//   bench_paint --benchmark_counters_tabular=true
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "frame_memcpy.h"
#include "paint/paint_internal.h"
#include "paint/splpaint.h"
#include "platform/text/cp932.h"

namespace {

using bench::kH;
using bench::kW;

void reportRatio(benchmark::State& state) { bench::reportFrameRatio(state); }

TBitmap picture(uint32_t seed) { return bench::noisePicture(kW, kH, seed); }

void BM_Memcpy(benchmark::State& state) {
  bench::copyFrames(state);
  reportRatio(state);
}
BENCHMARK(BM_Memcpy);

// ---- pixel effects --------------------------------------------------------------------------

// range(0): level; range(1): 0 best kernel, 1 SSE2, 2 scalar.
const char* kernelOf(int64_t k) { return k == 0 ? nullptr : k == 1 ? "sse2" : "scalar"; }

void BM_ContrastScreen(benchmark::State& state) {
  paint::ForcePixelKernel(kernelOf(state.range(1)));
  state.SetLabel(paint::PixelKernelName());
  TSplPaint sp(nullptr);
  const TBitmap pic = picture(1);
  sp.SetBkGnd(&pic, true);
  for (auto _ : state) {
    sp.ContrastScreen(int(state.range(0)));
    benchmark::ClobberMemory();
  }
  paint::ForcePixelKernel(nullptr);
  reportRatio(state);
}
BENCHMARK(BM_ContrastScreen)->Args({60, 0})->Args({150, 0})->Args({60, 1})->Args({150, 1})
    ->Args({60, 2})->Args({150, 2});

void BM_RGBScreen(benchmark::State& state) {
  paint::ForcePixelKernel(kernelOf(state.range(1)));
  state.SetLabel(paint::PixelKernelName());
  TSplPaint sp(nullptr);
  const TBitmap pic = picture(2);
  sp.SetBkGnd(&pic, true);
  for (auto _ : state) {
    sp.RGBScreen(int(state.range(0)));
    benchmark::ClobberMemory();
  }
  paint::ForcePixelKernel(nullptr);
  reportRatio(state);
}
BENCHMARK(BM_RGBScreen)->Args({-60, 0})->Args({-60, 1})->Args({-60, 2});

// ---- transitions: one frame of each kind ----------------------------------------------------

struct Kind {
  const char* name;
  void (TSplPaint::*prepare)();
  int32_t step;  // the frame measured: FadeStep on entry
};

const Kind kKinds[] = {
    {"FadeFromBlack", &TSplPaint::FadeFromBlack, 3},
    {"FadeToBlack", &TSplPaint::FadeToBlack, 3},
    {"FadeFromWhite", &TSplPaint::FadeFromWhite, 3},
    {"FadeToWhite", &TSplPaint::FadeToWhite, 3},
    {"FadeFromWhiteContrast", &TSplPaint::FadeFromWhiteContrast, 200},
    {"FadeToBlackContrast", &TSplPaint::FadeToBlackContrast, 60},
    {"FadeFromBlackContrast", &TSplPaint::FadeFromBlackContrast, 40},
    {"FadeToWhiteContrast", &TSplPaint::FadeToWhiteContrast, 140},
    {"FadeFromBlackRGB", &TSplPaint::FadeFromBlackRGB, -115},
    {"FadeToBlackRGB", &TSplPaint::FadeToBlackRGB, -100},
    {"FadeFromWhiteRGB", &TSplPaint::FadeFromWhiteRGB, 115},
    {"FadeToWhiteRGB", &TSplPaint::FadeToWhiteRGB, 100},
    {"SlitInLeft", &TSplPaint::SlitInLeft, 0},
    {"SlitInRight", &TSplPaint::SlitInRight, 20},
    {"SlitOutLeft", &TSplPaint::SlitOutLeft, 0},
    {"SlitOutRight", &TSplPaint::SlitOutRight, 20},
};

// A 200 x 400 sprite with a keyed outline, in slots 1 and 2.
void loadSprites(TSplPaint& sp) {
  for (int n : {1, 2}) {
    TpbSplite& s = sp.Splite[n];
    s.Image = TBitmap(200, 400);
    s.Mask = TBitmap(200, 400);
    for (int32_t y = 0; y < 400; ++y)
      for (int32_t x = 0; x < 200; ++x) {
        const bool transparent = (x - 100) * (x - 100) + (y - 200) * (y - 200) / 4 > 90 * 90;
        s.Image.SetPixel(x, y, transparent ? clBlack : RGB(uint8_t(x), uint8_t(y), uint8_t(n)));
        s.Mask.SetPixel(x, y, transparent ? clWhite : clBlack);
      }
    s.SrcRect = Rect(0, 0, 200, 400);
    s.DestRect = Rect(220, 40, 420, 440);
  }
}

void BM_TransitionFrame(benchmark::State& state) {
  const Kind& kind = kKinds[state.range(0)];
  state.SetLabel(kind.name);
  TSplPaint sp(nullptr);
  const TBitmap pic = picture(3);
  sp.SetBkGnd(&pic, true);
  (sp.*kind.prepare)();
  const uint8_t k = sp.FadeKind;
  for (auto _ : state) {
    sp.FadeKind = k;
    sp.FadeStep = kind.step;
    benchmark::DoNotOptimize(sp.FadeExecute(false));
    benchmark::ClobberMemory();
  }
  reportRatio(state);
}
BENCHMARK(BM_TransitionFrame)->DenseRange(0, int(std::size(kKinds)) - 1);

// Sprite fades of a 200 x 400 sprite: range(0) is the kind (1-3), range(1) the step; step 0
// also restores the whole background.
void BM_SpriteFadeFrame(benchmark::State& state) {
  TSplPaint sp(nullptr);
  const TBitmap pic = picture(4);
  sp.SetBkGnd(&pic, true);
  loadSprites(sp);
  const int kind = int(state.range(0));
  if (kind == 1) sp.FadeInSplite(1);
  if (kind == 2) sp.FadeOutSplite(1);
  if (kind == 3) sp.FadeSplite(1, 2);
  state.SetLabel(kind == 1 ? "FadeInSplite" : kind == 2 ? "FadeOutSplite" : "FadeSplite");
  for (auto _ : state) {
    sp.FadeKind = uint8_t(kind);
    sp.FadeStep = int32_t(state.range(1));
    benchmark::DoNotOptimize(sp.FadeExecute(false));
    benchmark::ClobberMemory();
  }
  reportRatio(state);
}
BENCHMARK(BM_SpriteFadeFrame)->Args({1, 0})->Args({1, 3})->Args({2, 0})->Args({3, 0})
    ->Args({3, 3});

// ---- sprites and text -----------------------------------------------------------------------

void BM_DrawSplite200x400(benchmark::State& state) {
  TSplPaint sp(nullptr);
  const TBitmap pic = picture(5);
  sp.SetBkGnd(&pic, true);
  loadSprites(sp);
  const bool alsoTemp = state.range(0) != 0;
  for (auto _ : state) {
    sp.DrawSplite(1, alsoTemp);
    benchmark::ClobberMemory();
  }
  reportRatio(state);
}
BENCHMARK(BM_DrawSplite200x400)->Arg(0)->Arg(1);

// 64 sprites of 80 x 60 that together cover the scene once.
void BM_DrawAll64(benchmark::State& state) {
  TSplPaint sp(nullptr);
  const TBitmap pic = picture(6);
  sp.SetBkGnd(&pic, true);
  for (int n = 0; n < 64; ++n) {
    TpbSplite& s = sp.Splite[n];
    s.Image = TBitmap(80, 60);
    s.Mask = TBitmap(80, 60);
    for (int32_t y = 0; y < 60; ++y)
      for (int32_t x = 0; x < 80; ++x) {
        const bool transparent = (x + y + n) % 5 == 0;
        s.Image.SetPixel(x, y, transparent ? clBlack : RGB(uint8_t(n * 4), uint8_t(x), uint8_t(y)));
        s.Mask.SetPixel(x, y, transparent ? clWhite : clBlack);
      }
    s.SrcRect = Rect(0, 0, 80, 60);
    const int32_t x = (n % 8) * 80, y = (n / 8) * 60;
    s.DestRect = Rect(x, y, x + 80, y + 60);
  }
  for (auto _ : state) {
    sp.DrawAll(-1);
    benchmark::ClobberMemory();
  }
  reportRatio(state);
}
BENCHMARK(BM_DrawAll64);

void BM_DoDrawText40(benchmark::State& state) {
  TSplPaint sp(nullptr);
  const TBitmap pic = picture(7);
  sp.SetBkGnd(&pic, true);
  // 40 two-byte characters: kana and kanji, two lines in a message window.
  const char* line = SJ("吾輩は猫である。名前はまだ無い。どこで生れたかとんと見当がつかぬ。"
                        "何でも薄暗いじ");
  if (std::strlen(line) != 80) state.SkipWithError("the line is not 40 characters");
  for (auto _ : state) {
    TRect r = Rect(20, 360, 620, 470);
    sp.DoDrawText(1, r, line, nullptr, false);
    benchmark::ClobberMemory();
  }
  reportRatio(state);
}
BENCHMARK(BM_DoDrawText40);

}  // namespace

BENCHMARK_MAIN();
