// Arbitrary bytes as a JPEG file: decoding gives an empty picture, a picture of the header's
// size, or refuses absurd sizes; it never crashes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/pictures/bitmap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TBitmap out;
  if (DecodeJpeg(data, size, out)) {
    if (out.ByteSize() != size_t(out.Width()) * size_t(out.Height()) * 3) abort();
    if (!out.Empty() && out.PixelFormat() != pf24bit) abort();
    unsigned sum = 0;
    for (size_t i = 0; i < out.ByteSize(); ++i) sum += out.Bits()[i];
    volatile unsigned sink = sum;
    (void)sink;
  }
  return 0;
}
