// The player's window scale and filtering in the display menu, their keys, and full screen by
// key (Alt+Enter, F11) through the game's own two display items.
#include "platform/text/cp932.h"
#include "shell/main_form.h"
#include "shell/settings.h"

namespace {
constexpr int kKeyF11 = VK_F1 + 10;
}  // namespace

void TMainFrm::addDisplayItems() {
  mnDisp->Add("-");
  mndScale1 = mnDisp->Add(SJ("等倍(&1)"), [this] { chooseWindowScale(1); });
  mndScale2 = mnDisp->Add(SJ("2倍(&2)"), [this] { chooseWindowScale(2); });
  mndScale3 = mnDisp->Add(SJ("3倍(&3)"), [this] { chooseWindowScale(3); });
  mndScaleFit = mnDisp->Add(SJ("画面に合わせる(&A)"), [this] { chooseWindowScale(0); });
  mndSmooth = mnDisp->Add(SJ("なめらかに拡大(&S)"), [this] { switchSmoothScaling(); });
  checkDisplayItems();
}

void TMainFrm::checkDisplayItems() {
  const TPlayerSettings& s = PlayerSettings();
  if (!mndScale1) return;
  mndScale1->Checked = s.scale == 1;
  mndScale2->Checked = s.scale == 2;
  mndScale3->Checked = s.scale == 3;
  mndScaleFit->Checked = s.scale == 0;
  mndSmooth->Checked = s.smooth;
}

void TMainFrm::ApplyPlayerDisplay() {
  const TPlayerSettings& s = PlayerSettings();
  // Scale 1 with sharp pixels is the window the game has anyway.
  if (s.scale != 1 || s.smooth) SetWindowScale(s.scale, s.smooth);
  checkDisplayItems();
  if (s.fullscreen) mndFullClick();
}

void TMainFrm::chooseWindowScale(int scale) {
  ChangePlayerSettings([scale](TPlayerSettings& s) { s.scale = scale; });
  SetWindowScale(scale, PlayerSettings().smooth);
  checkDisplayItems();
  Present();
}

void TMainFrm::switchSmoothScaling() {
  ChangePlayerSettings([](TPlayerSettings& s) { s.smooth = !s.smooth; });
  SetWindowScale(PlayerSettings().scale, PlayerSettings().smooth);
  checkDisplayItems();
  Present();
}

bool TMainFrm::displayKey(int key, TShiftState shift) {
  const TShiftState mods = shift & (ssShift | ssAlt | ssCtrl);
  if (mods == ssCtrl && key >= '1' && key <= '3') {
    chooseWindowScale(key - '0');
    return true;
  }
  if ((mods == ssAlt && key == VK_RETURN) || (mods == 0 && key == kKeyF11)) {
    // The game's own items do the switch; the choice is kept for the next start.
    if (FullScreen)
      mnd640_480Click();
    else
      mndFullClick();
    const bool full = FullScreen != 0;
    ChangePlayerSettings([full](TPlayerSettings& s) { s.fullscreen = full; });
    return true;
  }
  return false;
}
