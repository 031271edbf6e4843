// Composing the window picture and presenting it, as a ratio to a plain memcpy of one 640 x 480
// frame (921,600 bytes) measured in the same run: the counter "x_memcpy" is the CPU time of one
// present divided by the CPU time of one frame memcpy.
//
// The window is the game's: a menu bar over the main form, a child form covering it (the ending
// screen) and, on that, the 160-pixel strip of the roll. Three kinds of present: a step of the
// ending roll (the strip's rows move up by one), the covering form drawn whole with another
// picture, and a present with nothing changed. Each on the headless backend (composing only) and
// on the SDL backend with SDL's dummy video driver (composing, converting into the window's
// surface and updating it).
//
//   bench_present --benchmark_counters_tabular=true
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <vector>

#include "frame_memcpy.h"
#include "platform/windows/app.h"
#include "platform/backend/backend.h"
#include "platform/backend/sdl/sdl_backend.h"

namespace {

using bench::kH;
using bench::kW;

// The roll's content: bands of "text" (noise) 24 rows high every 40 rows, black between.
TBitmap rollColumn() {
  TBitmap column(160, 4096);
  const TBitmap text = bench::noisePicture(160, 24, 7);
  for (int32_t y = 0; y + 24 <= column.Height(); y += 40) BitBlt(column, 0, y, 160, 24, text, 0, 0);
  return column;
}

enum Kind { kRollStep, kWholeForm, kNothing };
const char* const kKindNames[] = {"roll step", "whole form", "nothing changed"};

// range(0): the kind; range(1): 0 headless backend, 1 SDL backend on the dummy driver.
void BM_Present(benchmark::State& state) {
  const Kind kind = Kind(state.range(0));
  const bool sdl = state.range(1) != 0;
  state.SetLabel(std::string(kKindNames[kind]) + (sdl ? ", SDL dummy" : ", compose only"));
  if (sdl && !InstallSdlBackend(nullptr)) {
    state.SkipWithError("no SDL video");
    return;
  }
  {
    TApplication app;
    TForm main, ending(&main), strip(&ending);
    app.MainForm = &main;
    main.SetClientSize(kW, kH);
    main.CreateMenu()->Add("&File")->Add("&Quit");
    ending.SetBounds(0, 0, kW, kH);
    strip.SetBounds(480, 0, 160, kH);
    const TBitmap pictures[2] = {bench::noisePicture(kW, kH, 1), bench::noisePicture(kW, kH, 2)};
    const TBitmap column = rollColumn();
    BitBlt(main.Canvas(), 0, 0, kW, kH, pictures[0], 0, 0);
    BitBlt(ending.Canvas(), 0, 0, kW, kH, pictures[1], 0, 0);
    main.Show();
    ending.Show();
    strip.Show();
    main.Present();
    int32_t step = 0;
    for (auto _ : state) {
      ++step;
      if (kind == kRollStep)
        BitBlt(strip.Canvas(), 0, 0, 160, kH, column, 0, step % (column.Height() - kH));
      else if (kind == kWholeForm)
        BitBlt(ending.Canvas(), 0, 0, kW, kH, pictures[step & 1], 0, 0);
      main.Present();
    }
  }
  if (sdl) UninstallSdlBackend();
  bench::reportFrameRatio(state);
}
BENCHMARK(BM_Present)->ArgsProduct({{kRollStep, kWholeForm, kNothing}, {0, 1}});

void BM_Memcpy(benchmark::State& state) {
  bench::copyFrames(state);
  bench::reportFrameRatio(state);
}
BENCHMARK(BM_Memcpy);

}  // namespace

int main(int argc, char** argv) {
  // The SDL backend needs no window system.
  setenv("SDL_VIDEODRIVER", "dummy", 0);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
