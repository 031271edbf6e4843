// Running the transitions of the play area: the frame loop with its 30 ms pacing, and the
// full-screen fade-ins and fade-outs by kind.
#include "paint/splpaint.h"
#include "platform/trace.h"
#include "shell/main_form.h"

namespace {

constexpr uint32_t kFrameMs = 30;

}  // namespace

// One frame every 30 ms. The frames are due at fixed 30 ms steps from the start, so the time
// spent preparing and showing a frame is part of the wait instead of adding to it. A frame that
// comes late carries its lateness into the following frames, which then wait less or not at
// all, so a slow moment does not stretch the whole transition. No window messages are processed
// here: input waits until the picture is done.
void TMainFrm::RunTransition() {
  // Numbers the transitions in the pacing trace, so that intervals are taken within one only.
  static long transitionNumber = 0;
  ++transitionNumber;
  FadeDone = 0;
  if (!splPaintView) {
    FadeDone = 1;
    return;
  }
  TSplPaint& sp = *splPaintView;
  uint32_t due = timeGetTime();
  while (sp.FadeExecute(false)) {
    due += kFrameMs;
    // A signed difference keeps the wait right across the wrap of the millisecond clock.
    while (static_cast<int32_t>(due - timeGetTime()) > 0) Sleep(1);
    sp.DrawToScreen(true);
    Trace("frame", transitionNumber);
    // A game step entered from a load wait inside FadeExecute may have ended the transition.
    if (FadeDone) break;
  }
  FadeDone = 1;
  sp.DrawToScreen(true);
}

void TMainFrm::FadeInScreen(int kind) {
  if (!splPaintView) return;
  TSplPaint& sp = *splPaintView;
  switch (kind) {
    case 1:
      sp.FadeFromWhite();
      break;
    case 2:
      sp.FadeFromBlack();
      break;
    case 3:
      sp.SlitInLeft();
      break;
    case 4:
      sp.SlitInRight();
      break;
    case 5:
      sp.FadeFromWhiteContrast();
      break;
    case 6:
      sp.FadeFromBlackContrast();
      break;
    case 7:
      sp.FadeFromWhiteRGB();
      break;
    case 8:
      sp.FadeFromBlackRGB();
      break;
    default:
      return;
  }
  RunTransition();
}

void TMainFrm::FadeOutScreen(int kind, bool fill) {
  if (!splPaintView) return;
  TSplPaint& sp = *splPaintView;
  switch (kind) {
    case 1:
      sp.FadeToWhite();
      break;
    case 2:
      sp.FadeToBlack();
      break;
    case 3:
      sp.SlitOutLeft();
      break;
    case 4:
      sp.SlitOutRight();
      break;
    case 5:
      sp.FadeToWhiteContrast();
      break;
    case 6:
      sp.FadeToBlackContrast();
      break;
    case 7:
      sp.FadeToWhiteRGB();
      break;
    case 8:
      sp.FadeToBlackRGB();
      break;
    default:
      return;
  }
  RunTransition();
  if (!fill) return;
  // The working image ends in the colour the picture faded to.
  if (kind == 1 || kind == 5 || kind == 7)
    sp.FillBkWhite(false);
  else
    sp.FillBkBlack(false);
}
