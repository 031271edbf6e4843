// TFont rules and DrawTextA: line breaking, alignment, tabs, the "&" prefix and glyph blending
// onto 24-bit images, following the rules of GDI's DrawText that the game relies on.
#include "platform/text/text.h"

#include <linebreak.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <vector>

#include "platform/text/cp932.h"
#include "platform/text/font_face.h"

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
  uint32_t at;  // byte offset in the text where the character (with its "&" prefix) starts
  bool twoByte;
  bool underline;
};

constexpr char32_t kLineBreak = 0x0A;  // CR, LF, CR LF and LF CR all become this one mark

struct Line {
  size_t begin, end;  // characters drawn on the line
  int32_t width;      // pixels, blanks that end the line included
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
// the end stays. With `lines`, CR, LF, CR LF and LF CR become kLineBreak; otherwise they remain
// control characters, which take no room.
void decode(const char* text, size_t len, bool prefix, bool lines, std::vector<Ch>& out) {
  out.clear();
  size_t i = 0;
  bool underlineNext = false;
  uint32_t at = 0;
  while (i < len) {
    if (!underlineNext) at = uint32_t(i);
    char32_t cp;
    size_t n = DecodeCp932Char(text, len, i, &cp);
    if (n == 0) break;
    if (prefix && cp == '&' && !underlineNext) {
      if (i + 1 >= len) {
        out.push_back({'&', at, false, false});
      } else if (text[i + 1] == '&') {
        out.push_back({'&', at, false, false});
        i += 2;
        continue;
      } else {
        underlineNext = true;
      }
      i += 1;
      continue;
    }
    if (lines && (cp == '\r' || cp == '\n')) {
      const char other = cp == '\r' ? '\n' : '\r';
      if (i + 1 < len && text[i + 1] == other) ++n;
      out.push_back({kLineBreak, at, false, false});
      underlineNext = false;
      i += n;
      continue;
    }
    out.push_back({cp, at, n == 2, underlineNext});
    underlineNext = false;
    i += n;
  }
}

// ---- break opportunities ---------------------------------------------------------------------
//
// libunibreak finds where the Unicode line-breaking algorithm allows a break. A few characters
// break differently in Windows' Japanese layout than their Unicode class says; each is handed to
// the library as a character of the class it behaves as.

constexpr char32_t kAsIdeograph = 0x3042;   // あ: breaks on both sides
constexpr char32_t kAsNonStarter = 0x309D;  // ゝ: never starts a line
constexpr char32_t kAsOpening = 0x300C;     // 「: never ends a line
constexpr char32_t kAsClosing = 0x300D;     // 」: never starts a line

const char kLang[] = "ja";

bool breakable(char32_t a, char32_t b) {
  return is_line_breakable(utf32_t(a), utf32_t(b), kLang) == LINEBREAK_ALLOWBREAK;
}

// A two-byte character the library keeps together with its own kind although it breaks on both
// sides of an ideograph (Greek and Cyrillic letters): Windows breaks between any two of them.
// Computed once per code point.
bool breaksLikeIdeograph(char32_t cp) {
  static std::array<uint8_t, 0x10000> known{};  // 0 unknown, 1 no, 2 yes
  if (cp >= known.size()) return false;
  uint8_t& k = known[cp];
  if (k == 0)
    k = breakable(kAsIdeograph, cp) && breakable(cp, kAsIdeograph) && !breakable(cp, cp) ? 2 : 1;
  return k == 2;
}

char32_t tailored(const Ch& c) {
  const char32_t cp = c.cp;
  if (cp == kLineBreak) return '\n';
  if (cp == '\t') return ' ';
  if (!c.twoByte) {
    // Half-width katakana: the small ones and the prolonged sound mark never start a line, the
    // others break between any two, like their two-byte forms.
    if (cp >= 0xFF67 && cp <= 0xFF70) return kAsNonStarter;
    if (cp >= 0xFF66 && cp <= 0xFF9D) return kAsIdeograph;
    return cp;
  }
  switch (cp) {
    case 0x3041: case 0x3043: case 0x3045: case 0x3047: case 0x3049:  // ぁぃぅぇぉ
    case 0x3063: case 0x3083: case 0x3085: case 0x3087: case 0x308E:  // っゃゅょゎ
    case 0x30A1: case 0x30A3: case 0x30A5: case 0x30A7: case 0x30A9:  // ァィゥェォ
    case 0x30C3: case 0x30E3: case 0x30E5: case 0x30E7: case 0x30EE:  // ッャュョヮ
    case 0x30F5: case 0x30F6: case 0x30FC:                            // ヵヶー
      return kAsNonStarter;
    case 0x2018: case 0x201C:  // ‘“
      return kAsOpening;
    case 0x2019: case 0x201D:  // ’”
      return kAsClosing;
    default:
      return breaksLikeIdeograph(cp) ? kAsIdeograph : cp;
  }
}

bool isAsciiLetterOrDigit(const Ch& c) {
  return c.cp < 0x80 && ((c.cp | 0x20) - 'a' < 26 || c.cp - '0' < 10);
}

// breakBefore[i] is true where a line may end before chars[i] (index 0 is never a break).
void findBreaks(const std::vector<Ch>& chars, std::vector<utf32_t>& units,
                std::vector<char>& libBreaks, std::vector<uint8_t>& breakBefore) {
  static const bool ready = (init_linebreak(), true);
  (void)ready;
  const size_t n = chars.size();
  units.resize(n);
  libBreaks.resize(n);
  breakBefore.assign(n, 0);
  if (n == 0) return;
  for (size_t k = 0; k < n; ++k) units[k] = utf32_t(tailored(chars[k]));
  set_linebreaks_utf32(units.data(), n, kLang, libBreaks.data());
  for (size_t k = 1; k < n; ++k) {
    bool allowed = libBreaks[k - 1] == LINEBREAK_ALLOWBREAK;
    // Between a single-byte letter or digit and a two-byte character a line may break in both
    // directions, as between two ideographs (the library keeps a letter and an opening bracket
    // together).
    if (!allowed && chars[k].twoByte && isAsciiLetterOrDigit(chars[k - 1]))
      allowed = breakable(kAsIdeograph, units[k]);
    else if (!allowed && chars[k - 1].twoByte && isAsciiLetterOrDigit(chars[k]))
      allowed = breakable(units[k - 1], kAsIdeograph);
    breakBefore[k] = allowed;
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
  // `avail`, at the last break opportunity before that point. A word fits when it fits together
  // with the blank that follows it; the blanks after a word stay on its line. A word longer than
  // the line is not broken and ends at the next break opportunity.
  void split(const std::vector<Ch>& chars, int32_t avail, std::vector<Line>& lines) {
    lines.clear();
    const bool single = (format_ & DT_SINGLELINE) != 0;
    const bool wrap = (format_ & DT_WORDBREAK) && !single;
    // Scratch buffers reused between calls (the engine lays text out from one thread).
    static std::vector<utf32_t> units;
    static std::vector<char> libBreaks;
    static std::vector<uint8_t> breakBefore;
    if (wrap) findBreaks(chars, units, libBreaks, breakBefore);
    const size_t n = chars.size();
    size_t i = 0;
    do {
      const size_t start = i;
      int32_t x = 0;
      bool haveBreak = false, overlong = false, ended = false;
      Line atBreak{}, line{};
      size_t next = n;
      for (; i < n; ++i) {
        const Ch& c = chars[i];
        if (c.cp == kLineBreak && !single) {
          line = {start, i, x};
          next = i + 1;
          ended = true;
          break;
        }
        if (wrap && i > start && breakBefore[i]) {
          if (overlong) {
            line = {start, i, x};
            next = i;
            ended = true;
            break;
          }
          haveBreak = true;
          atBreak = {start, i, x};
        }
        const int32_t w = advance(c, x);
        // Only the first blank after a word has to fit; further blanks may pass the edge.
        const bool mustFit = !isBlank(c) || (i > start && !isBlank(chars[i - 1]));
        if (wrap && !overlong && mustFit && x + w > avail) {
          if (haveBreak) {
            line = atBreak;
            next = atBreak.end;
            ended = true;
            break;
          }
          overlong = true;
        }
        x += w;
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
  if (!rect || count == 0) return 0;
  fontface::SizedFont& sf = fontface::Acquire(font);
  const int32_t lineHeight = sf.GetMetrics().height;
  const size_t len = textLength(text, count);
  if (len == 0) {
    // An empty text is one line high but measures no room at all.
    if (format & DT_CALCRECT) rect->Right = rect->Left, rect->Bottom = rect->Top;
    return lineHeight;
  }
  std::vector<Ch>& chars = scratchChars();
  std::vector<Line>& lines = scratchLines();
  decode(text, len, !(format & DT_NOPREFIX), !(format & DT_SINGLELINE), chars);
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

std::vector<int32_t> DrawTextLineStarts(const TFont& font, const char* text, int32_t count,
                                        int32_t width, unsigned format) {
  std::vector<int32_t> starts;
  if (count == 0) return starts;
  const size_t len = textLength(text, count);
  std::vector<Ch>& chars = scratchChars();
  std::vector<Line>& lines = scratchLines();
  decode(text, len, !(format & DT_NOPREFIX), !(format & DT_SINGLELINE), chars);
  Layout layout(fontface::Acquire(font), format);
  layout.split(chars, width, lines);
  for (const Line& l : lines)
    starts.push_back(int32_t(l.begin < chars.size() ? chars[l.begin].at : len));
  return starts;
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
