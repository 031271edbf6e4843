// platform/pictures: TBitmap, the raster operations, BMP and JPEG files.
//
// Images and raster operations: the part of the platform that stands where GDI bitmaps stood.
//
// Every TBitmap holds its pixels as rows of 3 bytes per pixel (blue, green, red), top row first,
// with no padding between rows. The pixel format is only a report of what the picture was in its
// file (or what a caller set), so that code which accepts only 24-bit pictures can refuse the
// others while they can still be drawn.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/types.h"

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };

class TBitmap {
 public:
  // The largest picture a TBitmap holds (about 200 MB of pixels). Asking for more leaves the
  // image empty instead of exhausting memory.
  static constexpr int64_t kMaxPixels = int64_t(1) << 26;

  // A new image is empty and has the default format pfDevice, which is not 24-bit.
  TBitmap() = default;
  TBitmap(int32_t w, int32_t h, TPixelFormat pf = pf24bit);
  // A copy's rows all count as written (see TakeWrittenRows).
  TBitmap(const TBitmap& other);
  TBitmap(TBitmap&& other) noexcept;
  TBitmap& operator=(const TBitmap& other);
  TBitmap& operator=(TBitmap&& other) noexcept;

  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  bool Empty() const { return width_ <= 0 || height_ <= 0; }
  TPixelFormat PixelFormat() const { return format_; }
  // Only the reported format changes; the pixels stay 3 bytes each.
  void SetPixelFormat(TPixelFormat pf) { format_ = pf; }
  bool Is24Bit() const { return format_ == pf24bit; }

  // Resizes keeping the pixels that still fit at the top-left; new pixels are black. A negative
  // size counts as 0; a size above kMaxPixels makes the image empty (0 x 0).
  void SetSize(int32_t w, int32_t h);
  void SetWidth(int32_t w) { SetSize(w, height_); }
  void SetHeight(int32_t h) { SetSize(width_, h); }

  int32_t Stride() const { return width_ * 3; }
  // Writable access counts rows as written; reading through a const image does not. A row
  // pointer may be walked down by Stride, so ScanLine counts every row from y to the bottom;
  // WriteRows counts only the rows [y, y + count) the caller promises to write.
  uint8_t* ScanLine(int32_t y) { return WriteRows(y, height_ - y); }
  uint8_t* WriteRows(int32_t y, int32_t count) {
    ++generation_;
    if (!allWritten_) markRows(y, count);
    return pixels_.data() + size_t(y) * size_t(Stride());
  }
  const uint8_t* ScanLine(int32_t y) const { return pixels_.data() + size_t(y) * size_t(Stride()); }
  uint8_t* Bits() {
    MarkAllWritten();
    return pixels_.data();
  }
  const uint8_t* Bits() const { return pixels_.data(); }
  size_t ByteSize() const { return pixels_.size(); }

  // The rows asked for writing since a reader last took the record.
  struct WrittenRows {
    bool all = true;
    std::vector<uint64_t> bits;  // bit r: row r
    bool Has(int64_t row) const {
      if (all) return true;
      if (row < 0 || size_t(row >> 6) >= bits.size()) return false;
      return (bits[size_t(row >> 6)] >> (row & 63)) & 1;
    }
  };
  // Hands out the record and starts a new one. Each call gets a new serial, so a reader can
  // tell that nobody else took the record since its own last call. The screen copy uses this
  // to compare only the rows that may have changed.
  uint64_t TakeWrittenRows(WrittenRows* out) const;
  uint64_t WrittenRowsSerial() const { return takeSerial_; }
  void MarkAllWritten() const {
    ++generation_;
    allWritten_ = true;
  }
  // Counts every writable access (and resize or assignment): while it stays the same, the
  // pixels have not changed.
  uint64_t Generation() const { return generation_; }

  // Pixel access for tests and slow paths; (x, y) must lie inside the image.
  TColor Pixel(int32_t x, int32_t y) const;
  void SetPixel(int32_t x, int32_t y, TColor c);

 private:
  int32_t width_ = 0, height_ = 0;
  TPixelFormat format_ = pfDevice;
  std::vector<uint8_t> pixels_;
  void markRows(int32_t y, int32_t count) const;
  // Rows asked for writing since the last TakeWrittenRows; a new image counts as all written.
  mutable bool allWritten_ = true;
  mutable std::vector<uint64_t> written_;
  mutable uint64_t takeSerial_ = 0;
  mutable uint64_t generation_ = 0;
};

// Raster operations of a copy: what the destination becomes from source S and destination D.
enum TRasterOp {
  ropSrcCopy,    // S
  ropSrcAnd,     // S AND D
  ropSrcPaint,   // S OR D
  ropMergePaint, // (NOT S) OR D
  ropSrcInvert,  // S XOR D
  ropNotSrcCopy, // NOT S
};

// A brush: a solid colour or an 8x8 pattern tiled from the origin of the image it is applied to
// (pixel (x, y) takes pattern cell (x mod 8, y mod 8)).
struct TBrush {
  bool IsPattern = false;
  TColor Color = clBlack;
  uint8_t Pattern[8][8][3] = {};  // [row][column][blue, green, red]

  static TBrush Solid(TColor c);
  // rows[r] gives row r, bit 7 = column 0; a set bit is a white cell, a clear bit a black one.
  static TBrush FromBits(const uint8_t rows[8]);
  static TBrush FromBitmap(const TBitmap& pattern8x8);
  TBrush Inverted() const;
};

// Pattern operations of a brush P on destination D.
enum TPatternOp {
  popPatCopy,  // P
  popPatAnd,   // P AND D
  popPatPaint, // P OR D
  popPatInvert // P XOR D
};

// All copies clip against both images; nothing outside either image is read or written.
// BitBlt: copy the w x h block at (sx, sy) of src to (dx, dy) of dst.
void BitBlt(TBitmap& dst, int32_t dx, int32_t dy, int32_t w, int32_t h, const TBitmap& src,
            int32_t sx, int32_t sy, TRasterOp op = ropSrcCopy);
// Copies rectangle sr of src onto rectangle dr of dst; when the sizes differ the copy is a
// nearest-neighbour stretch: destination x maps to source sr.Left + (x - dr.Left) * sw / dw,
// rounded down (likewise for y).
void StretchBlt(TBitmap& dst, const TRect& dr, const TBitmap& src, const TRect& sr,
                TRasterOp op = ropSrcCopy);
void PatBlt(TBitmap& dst, const TRect& r, const TBrush& brush, TPatternOp op);
void FillRect(TBitmap& dst, const TRect& r, TColor c);
void InvertRect(TBitmap& dst, const TRect& r);

// A pen line of the given width and colour from (x0, y0) to (x1, y1), end point excluded as GDI
// does. Used for outlines.
void DrawLine(TBitmap& dst, int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t width,
              TColor c);

// Picture loading. The path is an engine path (CP932, "\\" separators), resolved through
// ResolvePath (files.h). Returns false when the file is missing or cannot be decoded; then `out`
// is unchanged. Never throws, never exits.
bool LoadBitmapFile(const char* path, TBitmap& out);
bool LoadJpegFile(const char* path, TBitmap& out);
bool DecodeBitmap(const uint8_t* data, size_t size, TBitmap& out);
// A file with no decodable header is an empty picture (true, empty `out`); a truncated file gives
// what could be decoded.
bool DecodeJpeg(const uint8_t* data, size_t size, TBitmap& out);
// Writes a 24-bit bottom-up BMP file (native path); for tools, tests and screenshots.
bool SaveBitmapFile(const char* nativePath, const TBitmap& bmp);
std::vector<uint8_t> EncodeBitmap(const TBitmap& bmp);
// Writes a 24-bit PNG file (native path) through a temporary beside it, renamed over the target
// once complete: a failure leaves no file behind. False as well for a picture that is not 24-bit.
bool SavePngFile(const char* nativePath, const TBitmap& bmp);
// The PNG file's bytes; empty when the picture cannot be encoded.
std::vector<uint8_t> EncodePng(const TBitmap& bmp);
