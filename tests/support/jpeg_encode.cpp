#include "support/jpeg_encode.h"

#include <cstdio>  // jpeglib.h needs FILE and size_t declared first
#include <cstdlib>
#include <cstring>
// clang-format off
#include <jpeglib.h>
// clang-format on

std::vector<uint8_t> EncodeJpeg(const TBitmap& pic, int quality, JpegKind kind) {
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* buf = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &buf, &size);
  c.image_width = JDIMENSION(pic.Width());
  c.image_height = JDIMENSION(pic.Height());
  switch (kind) {
    case JpegKind::Colour:
    case JpegKind::Progressive:
      c.input_components = 3;
      c.in_color_space = JCS_EXT_BGR;
      break;
    case JpegKind::Grey:
      c.input_components = 1;
      c.in_color_space = JCS_GRAYSCALE;
      break;
    case JpegKind::Cmyk:
      c.input_components = 4;
      c.in_color_space = JCS_CMYK;
      break;
  }
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, quality, TRUE);
  if (kind == JpegKind::Progressive) jpeg_simple_progression(&c);
  jpeg_start_compress(&c, TRUE);
  std::vector<uint8_t> row(size_t(pic.Width()) * 4);
  while (c.next_scanline < c.image_height) {
    const uint8_t* src = pic.ScanLine(int32_t(c.next_scanline));
    JSAMPROW r = row.data();
    for (int x = 0; x < pic.Width(); ++x) {
      const uint8_t* p = src + x * 3;
      if (kind == JpegKind::Grey) {
        row[x] = p[1];
      } else if (kind == JpegKind::Cmyk) {
        // Adobe's inverted CMYK, as libjpeg marks it: 255 means no ink.
        row[x * 4 + 0] = p[2];
        row[x * 4 + 1] = p[1];
        row[x * 4 + 2] = p[0];
        row[x * 4 + 3] = 255;
      } else {
        std::memcpy(&row[x * 3], p, 3);
      }
    }
    jpeg_write_scanlines(&c, &r, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  std::vector<uint8_t> out(buf, buf + size);
  std::free(buf);
  return out;
}
