// Pieces of the presentation engine shared between its source files and its tests: the compiled
// dither patterns and the byte kernels of the brightness and colour effects.
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/pictures/bitmap.h"

namespace paint {

// Rows of pattern `index` (0-7) of dither set `set` (0-3): row 0 is the top row, bit 7 is column
// 0, a set bit is a white cell. Null for a set or index outside the range.
const uint8_t* FadePatternRows(int set, int index);

// c := c * percent / 100 (truncating, at most 255) for n bytes; percent below 0 counts as 0
// and 100 leaves the bytes alone. The scalar form is the reference; the fast form uses the
// widest vector unit the processor has and gives the same bytes.
void ContrastBytesScalar(uint8_t* p, size_t n, int percent);
void ContrastBytes(uint8_t* p, size_t n, int percent);

// c := c + delta clamped to 0-255 for n bytes.
void OffsetBytesScalar(uint8_t* p, size_t n, int delta);
void OffsetBytes(uint8_t* p, size_t n, int delta);

// Which vector unit ContrastBytes and OffsetBytes use: "avx2", "sse2" or "scalar". Tests and
// benchmarks may force a narrower one to compare them.
const char* PixelKernelName();
void ForcePixelKernel(const char* name);  // null or unknown: back to the best one

}  // namespace paint

namespace paint {

// Fused row operations of the sprite composition and the dither frames. Each gives exactly the
// bytes the equivalent sequence of whole-image raster operations gives, in one pass. `line` is a
// pattern row repeated to 48 bytes (16 pixels), starting at column 0 of the pattern.

// d := (d AND mask) OR image.
void ComposeRow(uint8_t* d, const uint8_t* mask, const uint8_t* image, size_t n);
// The same on two targets at once.
void ComposeRow2(uint8_t* d1, uint8_t* d2, const uint8_t* mask, const uint8_t* image, size_t n);
// d := src AND line.
void MaskRow(uint8_t* d, const uint8_t* src, const uint8_t* line, size_t n);
// part := line; bk := (bk AND org) OR NOT part.
void WhitenRow(uint8_t* bk, const uint8_t* org, uint8_t* part, const uint8_t* line, size_t n);
// part := src AND inv; mix := (mix AND line) OR part.
void MixRow(uint8_t* mix, uint8_t* part, const uint8_t* src, const uint8_t* line,
            const uint8_t* inv, size_t n);

// The 48-byte lines of the eight rows of a brush, in the phase of column 0.
void BrushLines(const TBrush& brush, uint8_t lines[8][48]);

}  // namespace paint
