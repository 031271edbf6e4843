// PNG writing through libpng, for screenshots. The picture is encoded in memory first and the
// file written as a temporary beside the target and renamed over it, so that a failure (a
// missing folder, a full disk) leaves no partial file behind.
#include <png.h>
#include <unistd.h>

#include <cerrno>
#include <csetjmp>
#include <string>
#include <vector>

#include "platform/backend/backend.h"
#include "platform/pictures/bitmap.h"

namespace {

void appendBytes(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}

void noFlush(png_structp) {}

// libpng reports an error by jumping back to the setjmp in EncodePng; warnings are dropped.
void onError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void onWarning(png_structp, png_const_charp) {}

// Rows of 24-bit RGB, converted from the bitmap's BGR rows before libpng is called, so that
// nothing below the setjmp allocates.
std::vector<uint8_t> rgbRows(const TBitmap& bmp) {
  const size_t w = size_t(bmp.Width()), h = size_t(bmp.Height());
  std::vector<uint8_t> rgb(w * h * 3);
  for (size_t y = 0; y < h; ++y) {
    const uint8_t* src = bmp.ScanLine(int32_t(y));
    uint8_t* dst = rgb.data() + y * w * 3;
    for (size_t x = 0; x < w; ++x) {
      dst[3 * x] = src[3 * x + 2];
      dst[3 * x + 1] = src[3 * x + 1];
      dst[3 * x + 2] = src[3 * x];
    }
  }
  return rgb;
}

}  // namespace

std::vector<uint8_t> EncodePng(const TBitmap& bmp) {
  if (bmp.Width() <= 0 || bmp.Height() <= 0 || !bmp.Is24Bit()) return {};
  std::vector<uint8_t> rgb = rgbRows(bmp);
  std::vector<png_bytep> rows(size_t(bmp.Height()));
  for (size_t y = 0; y < rows.size(); ++y) rows[y] = rgb.data() + y * size_t(bmp.Width()) * 3;
  std::vector<uint8_t> out;
  out.reserve(rgb.size() / 4 + 1024);

  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, onError, onWarning);
  if (!png) return {};
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    return {};
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return {};
  }
  png_set_write_fn(png, &out, appendBytes, noFlush);
  png_set_IHDR(png, info, png_uint_32(bmp.Width()), png_uint_32(bmp.Height()), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_write_image(png, rows.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

bool SavePngFile(const char* nativePath, const TBitmap& bmp) {
  if (!nativePath || !*nativePath) return false;
  const std::vector<uint8_t> data = EncodePng(bmp);
  if (data.empty()) return false;
  const std::string target = nativePath;
  const size_t slash = target.rfind('/');
  const std::string dir = slash == std::string::npos ? "" : target.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
  Backend& be = CurrentBackend();
  std::string temp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temp = dir + "." + base + "." + std::to_string(::getpid()) + "." + std::to_string(attempt) +
           ".tmp";
    fd = be.FileCreate(temp);
    if (fd < 0 && errno != EEXIST) return false;
  }
  if (fd < 0) return false;
  bool ok = be.FileWrite(fd, data.data(), data.size());
  if (ok) ok = be.FileFlush(fd);
  if (::close(fd) != 0) ok = false;
  if (ok) ok = be.FileRename(temp, target);
  if (!ok) ::unlink(temp.c_str());
  return ok;
}
