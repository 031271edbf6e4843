// PLACEHOLDERS TO DELETE. Weak definitions of functions whose real bodies other parts of the
// engine are writing right now (the sound and music commands, the sub-screens' set-up), so
// that the interpreter links and its tests run meanwhile. A real definition anywhere replaces
// these at link time; delete this file once every one of them has landed.
#include "screens/ending.h"
#include "screens/input.h"
#include "screens/option.h"
#include "shell/main_form.h"

#define MIRAVEL_PENDING __attribute__((weak))

MIRAVEL_PENDING bool TMainFrm::cmdBgmLoad(const char*) { return true; }
MIRAVEL_PENDING bool TMainFrm::cmdBgmNLoad(const char*) { return true; }
MIRAVEL_PENDING bool TMainFrm::cmdBgmPlay(const char*) { return true; }
MIRAVEL_PENDING bool TMainFrm::cmdBgmStop(const char*) { return true; }
MIRAVEL_PENDING bool TMainFrm::cmdBgmPauseOnly(const char*) { return true; }
MIRAVEL_PENDING bool TMainFrm::cmdBgmPause(const char*) { return true; }
MIRAVEL_PENDING bool TMainFrm::cmdBgmFadeOut(const char*) { return true; }
MIRAVEL_PENDING bool TMainFrm::cmdBgmFadeIn(const char*) { return true; }
MIRAVEL_PENDING bool TMainFrm::cmdBgmVolDef(const char*) { return true; }
MIRAVEL_PENDING bool TMainFrm::cmdWavePlaySound(const char*) { return true; }
MIRAVEL_PENDING bool TMainFrm::cmdWavePlayBgm(const char*) { return true; }
MIRAVEL_PENDING bool TMainFrm::cmdWaveStop(const char*) { return true; }
MIRAVEL_PENDING bool TMainFrm::cmdWaveFadeOut(const char*) { return true; }
MIRAVEL_PENDING bool TMainFrm::cmdWaveFadeIn(const char*) { return true; }
MIRAVEL_PENDING bool TMainFrm::cmdWaveVolDef(const char*) { return true; }

// The sub-screens: only the receiving name entries are kept until the screens are built.
MIRAVEL_PENDING void TfrmInput::setupNames(int32_t firstIndex, const char*, const char*,
                                           int32_t secondIndex, const char*, const char*) {
  FirstNameIndex = firstIndex;
  SecondNameIndex = secondIndex;
}
MIRAVEL_PENDING void TfrmEnding::LoadEndingFile(int) {}
MIRAVEL_PENDING void TfrmOption::RefreshColours() {}
