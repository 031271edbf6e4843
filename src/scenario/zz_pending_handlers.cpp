// PLACEHOLDERS TO DELETE. Weak definitions of functions whose real bodies other parts of the
// engine has not written yet (the set-up of the name-entry, ending and option screens), so
// that the interpreter links and its tests run meanwhile. A real definition anywhere replaces
// these at link time; delete this file once every one of them has landed.
#include "screens/ending.h"
#include "screens/input.h"
#include "screens/option.h"
#include "shell/main_form.h"

#define MIRAVEL_PENDING __attribute__((weak))

// The sub-screens: only the receiving name entries are kept until the screens are built.
MIRAVEL_PENDING void TfrmInput::setupNames(int32_t firstIndex, const char*, const char*,
                                           int32_t secondIndex, const char*, const char*) {
  FirstNameIndex = firstIndex;
  SecondNameIndex = secondIndex;
}
MIRAVEL_PENDING void TfrmEnding::LoadEndingFile(int) {}
MIRAVEL_PENDING void TfrmOption::RefreshColours() {}
