// Arbitrary bytes as a bitmap file: decoding must either refuse them or give a picture whose
// size matches its pixel buffer.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/pictures/bitmap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TBitmap out;
  if (DecodeBitmap(data, size, out)) {
    if (out.Empty() || out.ByteSize() != size_t(out.Width()) * size_t(out.Height()) * 3) abort();
    // Touch every pixel so that a short buffer would show under the address sanitizer.
    unsigned sum = 0;
    for (size_t i = 0; i < out.ByteSize(); ++i) sum += out.Bits()[i];
    volatile unsigned sink = sum;
    (void)sink;
  }
  return 0;
}
