// Arbitrary bytes as a bitmap file: decoding must either refuse them or give a picture whose
// size matches its pixel buffer.
#include <cstddef>
#include <cstdint>

#include "platform/pictures/bitmap.h"
#include "support/fuzz_setup.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TBitmap out;
  if (DecodeBitmap(data, size, out)) {
    FuzzCheck(!out.Empty() && out.ByteSize() == size_t(out.Width()) * size_t(out.Height()) * 3);
    FuzzTouch(out.Bits(), out.ByteSize());
  }
  return 0;
}
