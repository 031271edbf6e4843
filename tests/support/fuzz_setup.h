// Set-up shared by the fuzz targets: the check that stops a run, a scratch folder for the whole
// run, and a game whose main form is built once and then fed every input.
//
//   FuzzGame& game() {
//     static FuzzGame g({"root", "\tchild", "line"});
//     return g;
//   }
#pragma once
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "support/main_form_harness.h"
#include "support/temp_dir.h"

// A failed check is a finding: it stops the run at once, where the sanitizers see it.
inline void FuzzCheck(bool ok) {
  if (!ok) __builtin_trap();
}

// Reads every byte, so that a buffer shorter than it claims shows under the address sanitizer.
void FuzzTouch(const uint8_t* data, size_t size);

// A folder kept for the whole run and removed when the process ends.
const TempDir& FuzzScratch();

// A game folder with the given scenario (UTF-8 lines) and its main form built by the
// constructor alone: no game loop is posted, so message processing inside a handler (a refused
// load's message box, a wait) returns on its own. timeLimitMs, when not 0, replaces the fake's
// runaway guard limit before anything runs.
struct FuzzGame {
  explicit FuzzGame(std::initializer_list<std::string_view> scenarioLines,
                    uint64_t timeLimitMs = 0);
  MainFormHarness h;
  TMainFrm* form = nullptr;
};
