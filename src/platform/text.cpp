// TFont rules and DrawTextA: line breaking, alignment, tabs, the "&" prefix and glyph blending
// onto 24-bit images, following the rules of GDI's DrawText that the game relies on.
#include "platform/text.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

#include "platform/cp932.h"
#include "platform/font_face.h"

namespace {

// Windows MulDiv: a * b / c with the product in 64 bits, rounded half away from zero; a result
// that does not fit 32 bits gives -1.
int32_t mulDiv(int64_t a, int64_t b, int64_t c) {
  if (c == 0) return -1;
  int64_t p = a * b;
  bool negative = (p < 0) != (c < 0);
  uint64_t up = uint64_t(p < 0 ? -p : p), uc = uint64_t(c < 0 ? -c : c);
  uint64_t q = (up + uc / 2) / uc;
  if (q > uint64_t(INT32_MAX)) return -1;
  return int32_t(negative ? -int64_t(q) : int64_t(q));
}

// One character of the text after decoding and prefix handling.
struct Ch {
  char32_t cp;
  bool twoByte;
  bool underline;
};

constexpr char32_t kLineBreak = 0x0A;  // CR, LF and CR LF all become this one mark

struct Line {
  size_t begin, end;  // characters drawn on the line
  int32_t width;      // pixels, without blanks left at a wrap
};

// t / 255 rounded to nearest, exact for 0 <= t <= 255 * 255.
inline uint8_t div255(uint32_t t) {
  t += 128;
  return uint8_t((t + (t >> 8)) >> 8);
}

bool isBlank(const Ch& c) { return c.cp == ' ' || c.cp == '\t'; }

size_t textLength(const char* text, int32_t count) {
  if (!text) return 0;
  // A given count is taken as it is, as GDI does (a zero byte inside it is a character).
  return count < 0 ? strlen(text) : size_t(count);
}

// Decodes CP932 text. With `prefix`, "&x" marks x underlined, "&&" is one "&" and a lone "&" at
// the end stays. With `lines`, CR, LF and CR LF become kLineBreak; otherwise they remain control
// characters, which take no room.
void decode(const char* text, size_t len, bool prefix, bool lines, std::vector<Ch>& out) {
  out.clear();
  size_t i = 0;
  bool underlineNext = false;
  while (i < len) {
    char32_t cp;
    size_t n = DecodeCp932Char(text, len, i, &cp);
    if (n == 0) break;
    if (prefix && cp == '&' && !underlineNext) {
      if (i + 1 >= len) {
        out.push_back({'&', false, false});
      } else if (text[i + 1] == '&') {
        out.push_back({'&', false, false});
        i += 2;
        continue;
      } else {
        underlineNext = true;
      }
      i += 1;
      continue;
    }
    if (lines && (cp == '\r' || cp == '\n')) {
      if (cp == '\r' && i + 1 < len && text[i + 1] == '\n') ++n;
      out.push_back({kLineBreak, false, false});
      underlineNext = false;
      i += n;
      continue;
    }
    out.push_back({cp, n == 2, underlineNext});
    underlineNext = false;
    i += n;
  }
}

class Layout {
 public:
  Layout(fontface::SizedFont& font, unsigned format) : font_(font), format_(format) {
    tabWidth_ = 8 * font.GetMetrics().aveCharWidth;
  }

  // The advance of c with the pen at x (relative to the line's start).
  int32_t advance(const Ch& c, int32_t x) {
    if (c.cp == '\t') {
      if (!(format_ & DT_EXPANDTABS) || tabWidth_ <= 0) return 0;
      int32_t pos = x < 0 ? 0 : x;
      return tabWidth_ - pos % tabWidth_;
    }
    return font_.GlyphFor(c.cp).advance;
  }

  // Splits chars into lines: at line breaks, and with DT_WORDBREAK where a line would pass
  // `avail`. A line may end after a run of blanks (which stay on it) or between two two-byte
  // characters; a word longer than the line is not broken and ends at its next break point.
  void split(const std::vector<Ch>& chars, int32_t avail, std::vector<Line>& lines) {
    lines.clear();
    const bool single = (format_ & DT_SINGLELINE) != 0;
    const bool wrap = (format_ & DT_WORDBREAK) && !single;
    const size_t n = chars.size();
    size_t i = 0;
    do {
      const size_t start = i;
      int32_t x = 0;
      bool haveBreak = false, overlong = false;
      Line atBreak{};
      size_t nextAtBreak = 0;
      Line line{start, n, 0};
      size_t next = n;
      bool ended = false;
      while (i < n && !ended) {
        const Ch& c = chars[i];
        if (c.cp == kLineBreak && !single) {
          line = {start, i, x};
          next = i + 1;
          ended = true;
          break;
        }
        if (wrap && isBlank(c)) {
          const size_t blanks = i;
          const int32_t before = x;
          while (i < n && isBlank(chars[i])) {
            x += advance(chars[i], x);
            ++i;
          }
          if (i < n && chars[i].cp != kLineBreak) {
            if (overlong) {
              line = {start, blanks, before};
              next = i;
              ended = true;
            } else {
              haveBreak = true;
              atBreak = {start, blanks, before};
              nextAtBreak = i;
            }
          }
          continue;
        }
        if (wrap && i > start && c.twoByte && chars[i - 1].twoByte) {
          if (overlong) {
            line = {start, i, x};
            next = i;
            ended = true;
            break;
          }
          haveBreak = true;
          atBreak = {start, i, x};
          nextAtBreak = i;
        }
        const int32_t w = advance(c, x);
        if (wrap && x + w > avail) {
          if (haveBreak) {
            line = atBreak;
            next = nextAtBreak;
            ended = true;
            break;
          }
          overlong = true;
        }
        x += w;
        ++i;
      }
      if (!ended) {
        line = {start, n, x};
        next = n;
      }
      lines.push_back(line);
      i = next;
    } while (i < n);
  }

 private:
  fontface::SizedFont& font_;
  unsigned format_;
  int32_t tabWidth_;
};

// Blends a glyph's coverage with colour (b, g, r) onto the image, clipped to it. Most glyph
// pixels are empty or fully covered, so those two skip the arithmetic.
void blendGlyph(TBitmap& bmp, const fontface::Glyph& g, int32_t gx, int32_t gy, uint8_t b,
                uint8_t gr, uint8_t r) {
  const int32_t w = bmp.Width(), h = bmp.Height();
  const int32_t x0 = std::max(0, gx), x1 = std::min(w, gx + g.width);
  const int32_t y0 = std::max(0, gy), y1 = std::min(h, gy + g.rows);
  if (x0 >= x1 || y0 >= y1) return;
  for (int32_t y = y0; y < y1; ++y) {
    const auto span = g.spans[size_t(y - gy)];
    const int32_t sx0 = std::max(x0, gx + span.first), sx1 = std::min(x1, gx + span.second);
    if (sx0 >= sx1) continue;
    uint8_t* p = bmp.WriteRows(y, 1) + size_t(sx0) * 3;
    const uint8_t* cov = g.coverage.data() + size_t(y - gy) * size_t(g.width) + size_t(sx0 - gx);
    for (int32_t n = sx1 - sx0; n > 0; --n, p += 3) {
      const uint32_t a = *cov++;
      if (a == 0) continue;
      if (a == 255) {
        p[0] = b, p[1] = gr, p[2] = r;
        continue;
      }
      const uint32_t ia = 255 - a;
      p[0] = div255(p[0] * ia + b * a);
      p[1] = div255(p[1] * ia + gr * a);
      p[2] = div255(p[2] * ia + r * a);
    }
  }
}

void fillSolid(TBitmap& bmp, int32_t left, int32_t top, int32_t right, int32_t bottom,
               uint8_t b, uint8_t g, uint8_t r) {
  left = std::max(0, left), top = std::max(0, top);
  right = std::min(bmp.Width(), right), bottom = std::min(bmp.Height(), bottom);
  for (int32_t y = top; y < bottom; ++y) {
    uint8_t* p = bmp.WriteRows(y, 1) + size_t(left) * 3;
    for (int32_t x = left; x < right; ++x, p += 3) p[0] = b, p[1] = g, p[2] = r;
  }
}

bool drawable(const TBitmap* bmp) {
  return bmp && !bmp->Empty() &&
         bmp->ByteSize() >= size_t(bmp->Width()) * size_t(bmp->Height()) * 3;
}

// Draws chars[begin, end) with the pen starting at (x, y) = top-left of the line.
void drawRun(TBitmap& bmp, fontface::SizedFont& sf, Layout& layout, const TFont& font,
             const std::vector<Ch>& chars, size_t begin, size_t end, int32_t x, int32_t y) {
  const fontface::Metrics& m = sf.GetMetrics();
  const uint8_t r = GetRValue(font.Color), g = GetGValue(font.Color), b = GetBValue(font.Color);
  const int32_t baseline = y + m.ascent;
  int32_t pen = 0;
  for (size_t k = begin; k < end; ++k) {
    const Ch& c = chars[k];
    const int32_t adv = layout.advance(c, pen);
    if (c.cp != '\t') {
      const fontface::Glyph& gl = sf.GlyphFor(c.cp);
      if (!gl.coverage.empty()) blendGlyph(bmp, gl, x + pen + gl.left, baseline - gl.top, b, g, r);
    }
    if ((font.Underline || c.underline) && adv > 0) {
      const int32_t uy = baseline + m.underlineOffset;
      fillSolid(bmp, x + pen, uy, x + pen + adv, uy + m.underlineThickness, b, g, r);
    }
    pen += adv;
  }
}

// Scratch buffers reused between calls (the engine draws from one thread).
std::vector<Ch>& scratchChars() {
  static std::vector<Ch> v;
  return v;
}
std::vector<Line>& scratchLines() {
  static std::vector<Line> v;
  return v;
}

}  // namespace

int32_t TFont::Size() const { return mulDiv(-int64_t(Height), 72, 96); }

void TFont::SetSize(int32_t points) { Height = -mulDiv(points, 96, 72); }

const char* FontMSGothic() { return SJ("ＭＳ ゴシック"); }
const char* FontMSPGothic() { return SJ("ＭＳ Ｐゴシック"); }

int32_t DrawTextA(TBitmap* target, const TFont& font, const char* text, int32_t count,
                  TRect* rect, unsigned format) {
  if (!rect) return 0;
  fontface::SizedFont& sf = fontface::Acquire(font);
  const int32_t lineHeight = sf.GetMetrics().height;
  std::vector<Ch>& chars = scratchChars();
  std::vector<Line>& lines = scratchLines();
  decode(text, textLength(text, count), !(format & DT_NOPREFIX), !(format & DT_SINGLELINE),
         chars);
  Layout layout(sf, format);
  layout.split(chars, rect->Width(), lines);

  int32_t widest = 0;
  for (const Line& l : lines) widest = std::max(widest, l.width);
  const int32_t total = lineHeight * int32_t(lines.size());

  if (format & DT_CALCRECT) {
    rect->Right = rect->Left + widest;
    rect->Bottom = rect->Top + total;
    return total;
  }

  int32_t y = rect->Top;
  int32_t result = total;
  if (format & DT_SINGLELINE) {
    if (format & DT_VCENTER) {
      y += (rect->Height() - lineHeight) / 2;
      result = y - rect->Top + lineHeight;
    } else if (format & DT_BOTTOM) {
      y = rect->Bottom - lineHeight;
      result = y - rect->Top + lineHeight;
    }
  }
  if (!drawable(target) || !sf.HasFace()) return result;
  for (const Line& l : lines) {
    int32_t x = rect->Left;
    if (format & DT_CENTER)
      x += (rect->Width() - l.width) / 2;
    else if (format & DT_RIGHT)
      x = rect->Right - l.width;
    drawRun(*target, sf, layout, font, chars, l.begin, l.end, x, y);
    y += lineHeight;
  }
  return result;
}

int32_t TextWidth(const TFont& font, const char* text, int32_t count) {
  fontface::SizedFont& sf = fontface::Acquire(font);
  std::vector<Ch>& chars = scratchChars();
  decode(text, textLength(text, count), false, false, chars);
  Layout layout(sf, 0);
  int32_t w = 0;
  for (const Ch& c : chars) w += layout.advance(c, w);
  return w;
}

int32_t TextHeight(const TFont& font) { return fontface::Acquire(font).GetMetrics().height; }

int32_t TextAveCharWidth(const TFont& font) {
  return fontface::Acquire(font).GetMetrics().aveCharWidth;
}

void TextOut(TBitmap& target, const TFont& font, int32_t x, int32_t y, const char* text,
             int32_t count) {
  fontface::SizedFont& sf = fontface::Acquire(font);
  if (!drawable(&target) || !sf.HasFace()) return;
  std::vector<Ch>& chars = scratchChars();
  decode(text, textLength(text, count), false, false, chars);
  Layout layout(sf, 0);
  drawRun(target, sf, layout, font, chars, 0, chars.size(), x, y);
}

std::string ResolvedFamily(const TFont& font) { return fontface::FamilyOf(font); }
