// Arbitrary bytes as a JPEG file: decoding gives an empty picture, a picture of the header's
// size, or refuses absurd sizes; it never crashes.
#include <cstddef>
#include <cstdint>

#include "platform/pictures/bitmap.h"
#include "support/fuzz_setup.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TBitmap out;
  if (DecodeJpeg(data, size, out)) {
    FuzzCheck(out.ByteSize() == size_t(out.Width()) * size_t(out.Height()) * 3);
    FuzzCheck(out.Empty() || out.PixelFormat() == pf24bit);
    FuzzTouch(out.Bits(), out.ByteSize());
  }
  return 0;
}
