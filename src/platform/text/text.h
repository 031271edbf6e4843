// platform/text: fonts, DrawTextA, code page 932 (cp932.h) and the single-line text field
// (edit.h).
//
// Fonts and text drawing: the part of the platform that stands where GDI fonts and DrawTextA
// stood. Text is CP932; glyphs come from FreeType faces found through fontconfig.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/pictures/bitmap.h"
#include "platform/types.h"

struct TFont {
  // Face name in CP932; empty means "ＭＳ ゴシック".
  std::string Name;
  // Windows height rule: negative = character (em) height in pixels, positive = cell height
  // (em height plus internal leading).
  int32_t Height = -12;
  TColor Color = clBlack;
  bool Bold = false, Italic = false, Underline = false;
  uint8_t Charset = 128;  // SHIFTJIS_CHARSET

  // Size in points at 96 dpi: Size = -Height * 72 / 96 rounded as MulDiv rounds (so -27 px is
  // 20 pt); SetSize(14) gives Height -19.
  int32_t Size() const;
  void SetSize(int32_t points);
};

// The Windows font names the games use, in CP932.
const char* FontMSGothic();   // "ＭＳ ゴシック"
const char* FontMSPGothic();  // "ＭＳ Ｐゴシック"

// DrawTextA format flags (the Windows values).
constexpr unsigned DT_TOP = 0x0, DT_LEFT = 0x0, DT_CENTER = 0x1, DT_RIGHT = 0x2, DT_VCENTER = 0x4,
                   DT_BOTTOM = 0x8, DT_WORDBREAK = 0x10, DT_SINGLELINE = 0x20,
                   DT_EXPANDTABS = 0x40, DT_NOCLIP = 0x100, DT_CALCRECT = 0x400,
                   DT_NOPREFIX = 0x800;

// Draws count bytes of text (count -1: up to the terminator) into rect of target with font,
// transparent background, no clipping. With DT_CALCRECT nothing is drawn and rect's Right and
// Bottom are set to the size the text needs. Returns the height of the text drawn. A null
// target is allowed with DT_CALCRECT. A count of 0 draws nothing, returns 0 and leaves rect
// alone; an empty text with count -1 is one line high and measures zero by zero.
//
// With DT_WORDBREAK lines break as Windows breaks Japanese text: at blanks, between two-byte
// characters and between a two-byte character and a single-byte letter; no line starts with
// closing punctuation, a small kana or the prolonged sound mark, and none ends with an opening
// bracket. A word moves down when it does not fit together with the blank after it; blanks that
// end a line stay on it and count in its width. A word longer than the line runs past the edge.
int32_t DrawTextA(TBitmap* target, const TFont& font, const char* text, int32_t count,
                  TRect* rect, unsigned format);
// The byte offsets in text where DrawTextA starts its lines in a rectangle `width` pixels wide,
// one per line (none for a count of 0).
std::vector<int32_t> DrawTextLineStarts(const TFont& font, const char* text, int32_t count,
                                        int32_t width, unsigned format);

// Metrics of one line of text (no breaking, no prefix handling).
int32_t TextWidth(const TFont& font, const char* text, int32_t count = -1);
int32_t TextHeight(const TFont& font);  // GDI's text height: em height plus internal leading
// GDI's average character width; DT_EXPANDTABS puts a tab stop every 8 of them.
int32_t TextAveCharWidth(const TFont& font);
// Draws one line with its top-left at (x, y), transparent background.
void TextOut(TBitmap& target, const TFont& font, int32_t x, int32_t y, const char* text,
             int32_t count = -1);

// The face actually used for a font name, as the family name fontconfig returned (UTF-8);
// empty when no face could be found (text then draws nothing).
std::string ResolvedFamily(const TFont& font);
