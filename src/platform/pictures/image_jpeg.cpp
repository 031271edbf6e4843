// JPEG pictures through libjpeg-turbo.
//
// The library reports fatal errors by calling error_exit, which must not return; ours jumps back
// into decode() with longjmp. The objects with destructors belong to DecodeJpeg's frame, which
// the jump never leaves, so no destructor is skipped. What the caller gets:
//   - no decodable header (garbage, an empty file, tables only): true and an empty picture, as an
//     image object that was assigned nothing;
//   - a header with absurd dimensions: false, the picture is not loadable;
//   - a truncated or damaged file: true and the picture as far as it could be decoded. libjpeg
//     pads a stream that ends early, so the missing part comes out grey; rows after a fatal
//     error stay grey as well.
// Warnings (corrupt data, premature end) are expected on such files and are not printed.
#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <vector>
// jpeglib.h needs size_t and FILE declared before it, so it stays after the standard headers.
// clang-format off
#include <jpeglib.h>
// clang-format on

#include "platform/pictures/bitmap.h"
#include "platform/files/files.h"
#include "platform/pictures/image_limits.h"

namespace {

// Ordinary progressive files have about ten scans; thousands of tiny scans are a way to make
// the decoder work for minutes on a small file.
constexpr int kMaxScans = 256;
constexpr uint8_t kGrey = 0x80;

struct ErrorManager {
  jpeg_error_mgr pub;
  jmp_buf jump;
};

struct ProgressMonitor {
  jpeg_progress_mgr pub;
};

void onError(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  std::longjmp(err->jump, 1);
}

void onMessage(j_common_ptr, int) {}
void onOutput(j_common_ptr) {}

void onProgress(j_common_ptr cinfo) {
  if (!cinfo->is_decompressor) return;
  auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
  if (d->input_scan_number > kMaxScans) onError(cinfo);
}

// Adobe CMYK files store the inks inverted: 255 is no ink. Their colour is then C * K / 255 per
// channel, which is what image viewers show for them.
void cmykRowToBgr(const uint8_t* cmyk, uint8_t* bgr, size_t width, bool inverted) {
  for (size_t x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
    unsigned c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
    if (!inverted) {
      c = 255 - c;
      m = 255 - m;
      y = 255 - y;
      k = 255 - k;
    }
    bgr[0] = uint8_t((y * k + 127) / 255);
    bgr[1] = uint8_t((m * k + 127) / 255);
    bgr[2] = uint8_t((c * k + 127) / 255);
  }
}

// Everything that outlives a jump lives here, in the caller's frame, and is reached through a
// reference, so nothing the error path reads is a register copy made stale by longjmp.
struct DecodeState {
  jpeg_decompress_struct cinfo;
  ErrorManager err;
  ProgressMonitor progress;
  TBitmap picture;
  std::vector<uint8_t> cmykRow;
  int stage = 0;  // 0 no header yet, 1 picture allocated
};

// Returns 1 for a picture (possibly partial or empty) in st.picture, 0 for not loadable.
int decode(const uint8_t* data, size_t size, DecodeState& st) {
  std::memset(&st.cinfo, 0, sizeof st.cinfo);
  std::memset(&st.progress, 0, sizeof st.progress);
  st.cinfo.err = jpeg_std_error(&st.err.pub);
  st.err.pub.error_exit = onError;
  st.err.pub.emit_message = onMessage;
  st.err.pub.output_message = onOutput;
  if (setjmp(st.err.jump)) {
    jpeg_destroy_decompress(&st.cinfo);
    if (st.stage == 0) st.picture = TBitmap(0, 0, pf24bit);
    return 1;
  }

  jpeg_decompress_struct& cinfo = st.cinfo;
  jpeg_create_decompress(&cinfo);
  st.progress.pub.progress_monitor = onProgress;
  cinfo.progress = &st.progress.pub;
  jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
  jpeg_read_header(&cinfo, TRUE);

  const int64_t w = cinfo.image_width, h = cinfo.image_height;
  if (w <= 0 || h <= 0 || w > kMaxSide || h > kMaxSide || w * h > kMaxLoadPixels) {
    jpeg_destroy_decompress(&cinfo);
    return 0;
  }
  const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
  cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;
  cinfo.scale_num = cinfo.scale_denom = 1;

  st.picture = TBitmap(int32_t(w), int32_t(h), pf24bit);
  std::memset(st.picture.Bits(), kGrey, st.picture.ByteSize());
  if (cmyk) st.cmykRow.resize(size_t(w) * 4);
  st.stage = 1;

  jpeg_start_decompress(&cinfo);
  if (int64_t(cinfo.output_width) != w || int64_t(cinfo.output_height) != h) {
    jpeg_destroy_decompress(&cinfo);
    return 0;
  }
  const bool inverted = cinfo.saw_Adobe_marker;
  while (cinfo.output_scanline < cinfo.output_height) {
    const int32_t y = int32_t(cinfo.output_scanline);
    JSAMPROW row = cmyk ? st.cmykRow.data() : st.picture.ScanLine(y);
    if (jpeg_read_scanlines(&cinfo, &row, 1) != 1) break;
    if (cmyk) cmykRowToBgr(st.cmykRow.data(), st.picture.ScanLine(y), size_t(w), inverted);
  }
  // The rest of the stream (trailing markers, garbage after the picture) does not matter.
  jpeg_destroy_decompress(&cinfo);
  return 1;
}

}  // namespace

bool DecodeJpeg(const uint8_t* data, size_t size, TBitmap& out) {
  DecodeState st;
  if (!decode(data, size, st)) return false;
  out = std::move(st.picture);
  return true;
}

bool LoadJpegFile(const char* path, TBitmap& out) {
  std::vector<uint8_t> data;
  if (path == nullptr || !ReadWholeFile(path, data)) return false;
  return DecodeJpeg(data.data(), data.size(), out);
}
