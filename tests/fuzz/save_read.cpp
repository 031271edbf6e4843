// Slot bytes of any size and content, loaded as a slot file's content: a load either places the
// game on the saved node and line with the saved state or leaves it as it was. Only exactly one
// record whose node is in the scenario loads.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

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
  std::vector<uint8_t> bytes(data, data + size);  // exactly the input's size
  TSaveData expected{};
  std::memcpy(&expected, data, size < sizeof expected ? size : sizeof expected);

  f->NodeIndex = 1;
  f->LineIndex = 1;
  f->SaveData = TSaveData{};
  f->SaveData.SetFlag(77);
  int16_t plays = f->ReadFlags.PlayCount;
  w.h.fake.ClearBoxes();
  bool loaded = f->LoadSlotRecord(bytes.data(), bytes.size(), size > 0 && (data[0] & 1));
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
    // A missing node is reported; bytes that are not one record are refused without a word.
    FuzzCheck(w.h.fake.Boxes().size() == (whole ? 1u : 0u));
  }
  return 0;
}
