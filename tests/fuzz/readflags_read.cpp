// Read-flags bytes of any size and content, taken as the file's content: the record gets what
// fits and keeps the rest, and a node's mark is asked for only inside the record.
#include <algorithm>
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
  TMainFrm* f = world().form;
  // A copy of exactly the input's size, so that a read past it is caught by the sanitizer.
  std::vector<uint8_t> bytes(data, data + size);
  std::memset(&f->ReadFlags, 0xA5, sizeof f->ReadFlags);
  f->SaveData = TSaveData{};
  f->TakeReadFlags(bytes.data(), bytes.size());

  TReadFlagsData expected;
  std::memset(&expected, 0xA5, sizeof expected);
  std::memcpy(&expected, data, std::min(size, sizeof expected));
  FuzzCheck(std::memcmp(&f->ReadFlags, &expected, sizeof expected) == 0);

  // Node numbers from the input itself, in and out of the record.
  for (size_t i = 0; i + 1 < std::min<size_t>(size, 16); i += 2) {
    const int node = (data[i] | (data[i + 1] << 8)) - 100;
    const bool inside = node >= 0 && node < kNodeMarkCount;
    const bool read = f->IsNodeRead(node);
    FuzzCheck(!read || inside);
    if (inside) FuzzCheck(read == ((expected.ReadBits[node / 8] >> (node % 8)) & 1));
  }
  return 0;
}
