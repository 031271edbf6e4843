// Slot files of any size and content: the slot header reader takes what fits and nothing more,
// and a load either places the game on the saved node and line or leaves it as it was. Only a
// file of exactly one record can load.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "support/fuzz_setup.h"

namespace {

// A refused load's message box returns: no game loop runs.
FuzzGame& world() {
  static FuzzGame w({"root", "\t", "one ", "a", "b", " ", "two ", "c"});
  return w;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzGame& w = world();
  TMainFrm* f = w.form;
  FuzzCheck(w.h.folder.Write("orxdf01.svd", data, size));

  f->ReadSlotHeaders();
  TSaveData expected{};
  std::memcpy(&expected, data, size < sizeof expected ? size : sizeof expected);
  FuzzCheck(std::memcmp(&f->SlotCache[0], &expected, sizeof expected) == 0);

  f->NodeIndex = 1;
  f->LineIndex = 1;
  f->SaveData = TSaveData{};
  f->SaveData.SetFlag(77);
  int16_t plays = f->ReadFlags.PlayCount;
  w.h.fake.ClearBoxes();
  bool loaded = f->LoadSlot(1, false);
  const bool whole = size == sizeof expected;
  const bool nodeExists = expected.SaveNodeIndex >= 0 && expected.SaveNodeIndex < 3;
  FuzzCheck(loaded == (whole && nodeExists));
  if (loaded) {
    FuzzCheck(f->NodeIndex == expected.SaveNodeIndex);
    FuzzCheck(f->LineIndex == expected.SaveLineIndex);
    FuzzCheck(std::memcmp(&f->SaveData, &expected, sizeof expected) == 0);
    FuzzCheck(f->ReadFlags.PlayCount == static_cast<int16_t>(plays + 1));
  } else {
    FuzzCheck(f->NodeIndex == 1 && f->LineIndex == 1);
    FuzzCheck(f->SaveData.TestFlag(77));
    FuzzCheck(f->ReadFlags.PlayCount == plays);
    // A missing node is reported; a file that is not one record is refused without a word.
    FuzzCheck(w.h.fake.Boxes().size() == (whole ? 1u : 0u));
  }
  return 0;
}
