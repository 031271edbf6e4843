// Running the transitions of the play area: the frame loop with its 30 ms pacing, and the
// full-screen fade-ins and fade-outs by kind.
#include "paint/splpaint.h"
#include "platform/trace.h"
#include "shell/main_form.h"

namespace {

// The time from one transition frame to the next.
constexpr uint32_t kTransitionFrameMs = 30;

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
    due += kTransitionFrameMs;
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
    case fkWhite:
      sp.FadeFromWhite();
      break;
    case fkBlack:
      sp.FadeFromBlack();
      break;
    case fkSlitLeft:
      sp.SlitInLeft();
      break;
    case fkSlitRight:
      sp.SlitInRight();
      break;
    case fkWhiteContrast:
      sp.FadeFromWhiteContrast();
      break;
    case fkBlackContrast:
      sp.FadeFromBlackContrast();
      break;
    case fkWhiteRGB:
      sp.FadeFromWhiteRGB();
      break;
    case fkBlackRGB:
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
    case fkWhite:
      sp.FadeToWhite();
      break;
    case fkBlack:
      sp.FadeToBlack();
      break;
    case fkSlitLeft:
      sp.SlitOutLeft();
      break;
    case fkSlitRight:
      sp.SlitOutRight();
      break;
    case fkWhiteContrast:
      sp.FadeToWhiteContrast();
      break;
    case fkBlackContrast:
      sp.FadeToBlackContrast();
      break;
    case fkWhiteRGB:
      sp.FadeToWhiteRGB();
      break;
    case fkBlackRGB:
      sp.FadeToBlackRGB();
      break;
    default:
      return;
  }
  RunTransition();
  if (!fill) return;
  // The working image ends in the colour the picture faded to.
  if (kind == fkWhite || kind == fkWhiteContrast || kind == fkWhiteRGB)
    sp.FillBkWhite(false);
  else
    sp.FillBkBlack(false);
}
