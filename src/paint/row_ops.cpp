// Fused row operations. A frame of a dither fade or a sprite composition is several raster
// operations over the same rows; done one after the other each streams the whole image through
// memory again, so the common cases (images of the same size, no stretching) do them in a single
// pass per row with 16-byte vectors. The results are byte for byte those of the sequence.
#include <cstring>

#include "paint/paint_internal.h"

namespace {

using V16 = uint8_t __attribute__((vector_size(16)));

inline V16 load(const uint8_t* p) {
  V16 v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
inline void store(uint8_t* p, V16 v) { std::memcpy(p, &v, sizeof v); }

}  // namespace

namespace paint {

void ComposeRow(uint8_t* __restrict d, const uint8_t* __restrict mask,
                const uint8_t* __restrict image, size_t n) {
  size_t i = 0;
  for (; i + 32 <= n; i += 32) {
    store(d + i, (load(d + i) & load(mask + i)) | load(image + i));
    store(d + i + 16, (load(d + i + 16) & load(mask + i + 16)) | load(image + i + 16));
  }
  for (; i < n; ++i) d[i] = uint8_t((d[i] & mask[i]) | image[i]);
}

void ComposeRow2(uint8_t* __restrict d1, uint8_t* __restrict d2, const uint8_t* __restrict mask,
                 const uint8_t* __restrict image, size_t n) {
  size_t i = 0;
  for (; i + 16 <= n; i += 16) {
    const V16 m = load(mask + i), im = load(image + i);
    store(d1 + i, (load(d1 + i) & m) | im);
    store(d2 + i, (load(d2 + i) & m) | im);
  }
  for (; i < n; ++i) {
    d1[i] = uint8_t((d1[i] & mask[i]) | image[i]);
    d2[i] = uint8_t((d2[i] & mask[i]) | image[i]);
  }
}

void MaskRow(uint8_t* __restrict d, const uint8_t* __restrict src, const uint8_t* line,
             size_t n) {
  const V16 p0 = load(line), p1 = load(line + 16), p2 = load(line + 32);
  size_t i = 0;
  for (; i + 48 <= n; i += 48) {
    store(d + i, load(src + i) & p0);
    store(d + i + 16, load(src + i + 16) & p1);
    store(d + i + 32, load(src + i + 32) & p2);
  }
  for (size_t j = 0; i < n; ++i, ++j) d[i] = src[i] & line[j];
}

void WhitenRow(uint8_t* __restrict bk, const uint8_t* __restrict org, uint8_t* __restrict part,
               const uint8_t* line, size_t n) {
  const V16 p[3] = {load(line), load(line + 16), load(line + 32)};
  size_t i = 0;
  for (; i + 48 <= n; i += 48)
    for (int k = 0; k < 3; ++k) {
      const size_t o = i + size_t(k) * 16;
      store(part + o, p[k]);
      store(bk + o, (load(bk + o) & load(org + o)) | ~p[k]);
    }
  for (size_t j = 0; i < n; ++i, ++j) {
    part[i] = line[j];
    bk[i] = uint8_t((bk[i] & org[i]) | uint8_t(~line[j]));
  }
}

void MixRow(uint8_t* __restrict mix, uint8_t* __restrict part, const uint8_t* __restrict src,
            const uint8_t* line, const uint8_t* inv, size_t n) {
  const V16 p[3] = {load(line), load(line + 16), load(line + 32)};
  const V16 q[3] = {load(inv), load(inv + 16), load(inv + 32)};
  size_t i = 0;
  for (; i + 48 <= n; i += 48)
    for (int k = 0; k < 3; ++k) {
      const size_t o = i + size_t(k) * 16;
      const V16 pt = load(src + o) & q[k];
      store(part + o, pt);
      store(mix + o, (load(mix + o) & p[k]) | pt);
    }
  for (size_t j = 0; i < n; ++i, ++j) {
    part[i] = src[i] & inv[j];
    mix[i] = uint8_t((mix[i] & line[j]) | part[i]);
  }
}

void BrushLines(const TBrush& brush, uint8_t lines[8][48]) {
  for (int r = 0; r < 8; ++r)
    for (int k = 0; k < 16; ++k) {
      uint8_t* p = lines[r] + k * 3;
      if (brush.IsPattern) {
        std::memcpy(p, brush.Pattern[r][k & 7], 3);
      } else {
        p[0] = GetBValue(brush.Color);
        p[1] = GetGValue(brush.Color);
        p[2] = GetRValue(brush.Color);
      }
    }
}

}  // namespace paint
