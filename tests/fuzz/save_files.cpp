// The save files end to end, through the disk: the input split into a slot file and a
// read-flags file of any size and content. Start-up reads what fits and never rewrites an
// existing file, the slot list shows what fits, a load takes only one whole record, and the next
// read-flags rewrite stores exactly the record.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "support/fuzz_setup.h"

namespace {

FuzzGame& world() {
  static FuzzGame w({"root", "\t", "one ", "a", "b", " ", "two ", "c"});
  return w;
}

bool fileHolds(FuzzGame& w, const char* name, const uint8_t* data, size_t size) {
  std::vector<uint8_t> onDisk = w.h.folder.Read(name);
  return onDisk.size() == size && (size == 0 || std::memcmp(onDisk.data(), data, size) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzGame& w = world();
  TMainFrm* f = w.form;
  // The first two bytes say where the slot file ends and the read-flags file begins.
  if (size < 2) return 0;
  const size_t split = std::min<size_t>(size - 2, data[0] | (data[1] << 8));
  const uint8_t* slot = data + 2;
  const uint8_t* flags = slot + split;
  const size_t flagsSize = size - 2 - split;
  FuzzCheck(w.h.folder.Write("orxdf01.svd", slot, split));
  FuzzCheck(w.h.folder.Write("orxrf.svd", flags, flagsSize));

  std::memset(&f->ReadFlags, 0, sizeof f->ReadFlags);
  f->SaveData = TSaveData{};
  FuzzCheck(f->InitSaveFiles());
  TReadFlagsData expectedFlags{};
  std::memcpy(&expectedFlags, flags, std::min(flagsSize, sizeof expectedFlags));
  FuzzCheck(std::memcmp(&f->ReadFlags, &expectedFlags, sizeof expectedFlags) == 0);
  FuzzCheck(fileHolds(w, "orxdf01.svd", slot, split));
  FuzzCheck(fileHolds(w, "orxrf.svd", flags, flagsSize));

  f->ReadSlotHeaders();
  TSaveData expected{};
  std::memcpy(&expected, slot, std::min(split, sizeof expected));
  FuzzCheck(std::memcmp(&f->SlotCache[0], &expected, sizeof expected) == 0);

  f->NodeIndex = 1;
  f->LineIndex = 1;
  w.h.fake.ClearBoxes();
  const bool loaded = f->LoadSlot(1, false);
  FuzzCheck(loaded == (split == sizeof expected && expected.SaveNodeIndex >= 0 &&
                       expected.SaveNodeIndex < 3));
  if (!loaded) FuzzCheck(f->NodeIndex == 1 && f->LineIndex == 1);

  f->MarkNodeRead();
  std::vector<uint8_t> onDisk = w.h.folder.Read("orxrf.svd");
  FuzzCheck(onDisk.size() == sizeof f->ReadFlags);
  FuzzCheck(std::memcmp(onDisk.data(), &f->ReadFlags, sizeof f->ReadFlags) == 0);
  return 0;
}
