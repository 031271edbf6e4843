#include "support/png_decode.h"

#include <png.h>

#include <cstring>
#include <vector>

TBitmap DecodePngFile(const std::string& nativePath) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, nativePath.c_str())) return TBitmap();
  image.format = PNG_FORMAT_BGR;  // the bitmap's own byte order
  std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) {
    png_image_free(&image);
    return TBitmap();
  }
  TBitmap out(int32_t(image.width), int32_t(image.height), pf24bit);
  const size_t rowBytes = size_t(image.width) * 3;
  for (uint32_t y = 0; y < image.height; ++y)
    std::memcpy(out.ScanLine(int32_t(y)), pixels.data() + y * rowBytes, rowBytes);
  return out;
}
