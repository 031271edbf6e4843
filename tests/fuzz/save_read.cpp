// Slot files of any size and content: the slot header reader takes what fits and nothing more,
// and a load either places the game on the saved node and line or leaves it as it was.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "shell/game_folder.h"
#include "support/main_form_harness.h"
#include "support/scenario_builder.h"

namespace {

void check(bool ok) {
  if (!ok) __builtin_trap();
}

struct World {
  MainFormHarness h;
  TMainFrm* form = nullptr;
  World() {
    WriteScenario();
    SetCommandLine({h.folder.File("miravel")});
    // The constructor alone: no game loop is posted, so a refused load's message box returns.
    form = new TMainFrm();
    h.form = form;
    h.app.MainForm = form;
    check(form->StartupFailed == 0);
  }
  void WriteScenario() {
    check(h.WriteScenario(ScenarioText({"root", "\t", "one ", "a", "b", " ", "two ", "c"})));
  }
};

World& world() {
  static World w;
  return w;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  World& w = world();
  TMainFrm* f = w.form;
  check(w.h.folder.Write("orxdf01.svd", data, size));

  f->ReadSlotHeaders();
  TSaveData expected{};
  std::memcpy(&expected, data, size < sizeof expected ? size : sizeof expected);
  check(std::memcmp(&f->SlotCache[0], &expected, sizeof expected) == 0);

  f->NodeIndex = 1;
  f->LineIndex = 1;
  f->SaveData = TSaveData{};
  f->SaveData.SetFlag(77);
  int16_t plays = f->ReadFlags.PlayCount;
  w.h.fake.ClearBoxes();
  bool loaded = f->LoadSlot(1, false);
  bool nodeExists = expected.SaveNodeIndex >= 0 && expected.SaveNodeIndex < 3;
  check(loaded == nodeExists);
  if (loaded) {
    check(f->NodeIndex == expected.SaveNodeIndex);
    check(f->LineIndex == expected.SaveLineIndex);
    check(std::memcmp(&f->SaveData, &expected, sizeof expected) == 0);
    check(f->ReadFlags.PlayCount == static_cast<int16_t>(plays + 1));
  } else {
    check(f->NodeIndex == 1 && f->LineIndex == 1);
    check(f->SaveData.TestFlag(77));
    check(f->ReadFlags.PlayCount == plays);
    check(w.h.fake.Boxes().size() == 1);
  }
  return 0;
}
