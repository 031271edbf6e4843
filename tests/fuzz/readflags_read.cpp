// Read-flags files of any size and content: start-up reads what fits, never rewrites an existing
// file, and the next rewrite stores exactly the record.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "support/fuzz_setup.h"

namespace {

FuzzGame& world() {
  static FuzzGame w({"root", "\tchild", "line"});
  return w;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzGame& w = world();
  TMainFrm* f = w.form;
  FuzzCheck(w.h.folder.Write("orxrf.svd", data, size));

  std::memset(&f->ReadFlags, 0, sizeof f->ReadFlags);
  f->SaveData = TSaveData{};
  f->SaveData.Flags[3] = 0xFF;
  FuzzCheck(f->InitSaveFiles());
  TReadFlagsData expected{};
  std::memcpy(&expected, data, size < sizeof expected ? size : sizeof expected);
  FuzzCheck(std::memcmp(&f->ReadFlags, &expected, sizeof expected) == 0);
  FuzzCheck(f->SaveData.Flags[3] == 0);
  std::vector<uint8_t> onDisk = w.h.folder.Read("orxrf.svd");
  FuzzCheck(onDisk.size() == size && (size == 0 || std::memcmp(onDisk.data(), data, size) == 0));

  // Whatever the node index, the marks stay inside the records and the file is the record.
  int node = size >= 2 ? (data[0] | (data[1] << 8)) - 100 : 0;
  f->NodeIndex = node;
  f->MarkNodeRead();
  onDisk = w.h.folder.Read("orxrf.svd");
  FuzzCheck(onDisk.size() == sizeof f->ReadFlags);
  FuzzCheck(std::memcmp(onDisk.data(), &f->ReadFlags, sizeof f->ReadFlags) == 0);
  FuzzCheck(f->IsNodeRead(node) == (node >= 0 && node < kNodeMarkCount));
  return 0;
}
