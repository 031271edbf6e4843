// Faces and glyphs behind TFont: fontconfig finds a face for a font name, FreeType renders its
// glyphs, and everything is cached for the program's life. Internal to the platform layer.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

struct TFont;

namespace fontface {

// One rendered glyph: 8-bit coverage rows (width bytes each), placed at (pen x + left,
// baseline - top); advance is the hinted integer advance in pixels.
struct Glyph {
  int32_t left = 0, top = 0;
  int32_t width = 0, rows = 0;
  int32_t advance = 0;
  std::vector<uint8_t> coverage;
  // Per row, the columns [first, last) that hold any coverage, so blending skips the empty rest.
  std::vector<std::pair<uint16_t, uint16_t>> spans;
};

// The text metrics GDI would report for the font, in pixels.
struct Metrics {
  int32_t em = 0;               // character (em) height
  int32_t ascent = 0;           // baseline offset from the top of the cell
  int32_t descent = 0;
  int32_t height = 0;           // cell height: ascent + descent = em + internal leading
  int32_t internalLeading = 0;
  int32_t aveCharWidth = 0;
  int32_t underlineOffset = 0;  // top of the underline, pixels below the baseline
  int32_t underlineThickness = 1;
};

struct Face;

// A face at one pixel size and style, with its glyph cache.
class SizedFont {
 public:
  SizedFont(Face* face, int32_t height, bool synthBold, bool synthItalic);
  ~SizedFont();
  SizedFont(const SizedFont&) = delete;
  SizedFont& operator=(const SizedFont&) = delete;

  bool HasFace() const { return face_ != nullptr; }
  const Metrics& GetMetrics() const { return metrics_; }
  // The glyph of a code point. Control characters are empty with no advance; U+FFFD is the
  // replacement glyph drawn for bytes that do not decode. The reference stays valid until the
  // next call of Acquire.
  const Glyph& GlyphFor(char32_t cp);
  // Drops the cached glyphs when there are very many of them; called between drawings only.
  void Trim();

 private:
  void render(char32_t cp, Glyph& g);
  Face* face_;
  bool synthBold_, synthItalic_;
  Metrics metrics_;
  const Glyph* ascii_[128] = {};
  std::unordered_map<char32_t, Glyph> glyphs_;
};

// The sized font for a TFont (never null; without any usable face it draws nothing and
// measures zero, but still has a line height).
SizedFont& Acquire(const TFont& font);

// The family name (UTF-8) of the face used for the font, empty when there is none.
std::string FamilyOf(const TFont& font);

}  // namespace fontface
