// Face resolution through fontconfig and glyph rendering through FreeType.
//
// fontconfig knows nothing of the Windows font names the games ask for, so the names are mapped
// here to chains of candidates, and a candidate counts only when fontconfig really returned that
// family (FcFontMatch always returns some font). Faces without a bold or italic variant are
// emboldened or slanted by FreeType, as GDI synthesises them.
#include "platform/text/font_face.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <tuple>

#include "platform/text/cp932.h"
#include "platform/text/text.h"

namespace fontface {

struct Face {
  FT_Face ft = nullptr;
  std::string family;
  int32_t curEm = 0;  // pixel size last set on ft
  // Design metrics in font units.
  int32_t upem = 2048;
  int32_t winAscent = 0, winDescent = 0;
  int32_t avgCharWidth = 0;
  int32_t underlinePosition = 0, underlineThickness = 0;
  // What the face file itself is (fontconfig reports a synthesised style as if it were real).
  bool isBold = false, isItalic = false;
};

namespace {

constexpr int32_t kMaxEm = 600;            // larger requests are drawn at this size
constexpr size_t kMaxCachedGlyphs = 8192;  // per sized font

FT_Library library() {
  static FT_Library lib = [] {
    FT_Library l = nullptr;
    if (FT_Init_FreeType(&l) != 0) l = nullptr;
    return l;
  }();
  return lib;
}

FcConfig* fcConfig() {
  static FcConfig* config = [] {
    if (!FcInit()) return static_cast<FcConfig*>(nullptr);
    return FcConfigGetCurrent();
  }();
  return config;
}

// Faces by file and index, opened once.
Face* openFace(const std::string& file, int index, const std::string& family) {
  static std::map<std::pair<std::string, int>, std::unique_ptr<Face>> faces;
  auto key = std::make_pair(file, index);
  auto it = faces.find(key);
  if (it != faces.end()) return it->second.get();
  std::unique_ptr<Face> f;
  FT_Library lib = library();
  FT_Face ft = nullptr;
  if (lib && FT_New_Face(lib, file.c_str(), index, &ft) == 0 && ft) {
    if (!FT_IS_SCALABLE(ft)) {
      FT_Done_Face(ft);
    } else {
      FT_Select_Charmap(ft, FT_ENCODING_UNICODE);
      f = std::make_unique<Face>();
      f->ft = ft;
      f->family = family;
      f->upem = ft->units_per_EM > 0 ? ft->units_per_EM : 2048;
      auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(ft, FT_SFNT_OS2));
      if (os2 && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
        f->winAscent = os2->usWinAscent;
        f->winDescent = os2->usWinDescent;
        f->avgCharWidth = os2->xAvgCharWidth;
      } else if (ft->ascender - ft->descender > 0) {
        f->winAscent = ft->ascender;
        f->winDescent = -ft->descender;
      } else {
        f->winAscent = f->upem * 7 / 8;
        f->winDescent = f->upem / 8;
      }
      f->isBold = (ft->style_flags & FT_STYLE_FLAG_BOLD) || (os2 && os2->version != 0xFFFF &&
                                                            os2->usWeightClass >= 600);
      f->isItalic = (ft->style_flags & FT_STYLE_FLAG_ITALIC) != 0;
      f->underlinePosition = ft->underline_position;
      f->underlineThickness = ft->underline_thickness;
    }
  }
  Face* result = f.get();
  faces.emplace(key, std::move(f));  // a failed open is remembered as null
  return result;
}

// Compares two UTF-8 names ignoring ASCII blanks and ASCII case, as fontconfig compares
// family names.
bool sameName(const char* a, const char* b) {
  auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : int(c); };
  for (;;) {
    while (*a == ' ') ++a;
    while (*b == ' ') ++b;
    if (lower(static_cast<unsigned char>(*a)) != lower(static_cast<unsigned char>(*b)))
      return false;
    if (!*a) return true;
    ++a, ++b;
  }
}

struct Match {
  std::string file;
  int index = 0;
  std::string family;  // the family that was asked for when it matched, else the first one
  bool hasJapanese = false;
};

// Asks fontconfig for `query`: a family name, or (generic) a pattern in fontconfig's name syntax
// such as "monospace:lang=ja". For a family the match counts only when the returned font has
// that family among its names.
bool matchFont(const std::string& query, bool generic, bool bold, bool italic, Match& out) {
  FcConfig* config = fcConfig();
  if (!config) return false;
  FcPattern* pat;
  if (generic) {
    pat = FcNameParse(reinterpret_cast<const FcChar8*>(query.c_str()));
  } else {
    pat = FcPatternCreate();
    if (pat) FcPatternAddString(pat, FC_FAMILY, reinterpret_cast<const FcChar8*>(query.c_str()));
  }
  if (!pat) return false;
  FcPatternAddInteger(pat, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pat, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pat, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(config, pat, FcMatchPattern);
  FcDefaultSubstitute(pat);
  FcResult result = FcResultNoMatch;
  FcPattern* m = FcFontMatch(config, pat, &result);
  FcPatternDestroy(pat);
  if (!m) return false;

  bool ok = true;
  FcChar8* fam = nullptr;
  std::string first, same;
  for (int k = 0; FcPatternGetString(m, FC_FAMILY, k, &fam) == FcResultMatch; ++k) {
    if (k == 0) first = reinterpret_cast<const char*>(fam);
    if (!generic && same.empty() && sameName(reinterpret_cast<const char*>(fam), query.c_str()))
      same = reinterpret_cast<const char*>(fam);
  }
  if (!generic && same.empty()) ok = false;
  FcChar8* file = nullptr;
  if (FcPatternGetString(m, FC_FILE, 0, &file) != FcResultMatch || !file) ok = false;
  if (ok) {
    out.file = reinterpret_cast<const char*>(file);
    int index = 0;
    if (FcPatternGetInteger(m, FC_INDEX, 0, &index) != FcResultMatch) index = 0;
    out.index = index & 0xFFFF;
    out.family = same.empty() ? first : same;
    FcLangSet* langs = nullptr;
    out.hasJapanese = FcPatternGetLangSet(m, FC_LANG, 0, &langs) == FcResultMatch && langs &&
                      FcLangSetHasLang(langs, reinterpret_cast<const FcChar8*>("ja")) ==
                          FcLangEqual;
  }
  FcPatternDestroy(m);
  return ok;
}

struct Candidate {
  const char* query;
  bool generic;
};

std::vector<Candidate> candidatesFor(const std::string& name) {
  static const std::vector<Candidate> gothic = {
      {"MS Gothic", false}, {"IPAGothic", false}, {"monospace:lang=ja", true}};
  static const std::vector<Candidate> pgothic = {
      {"MS PGothic", false}, {"IPAPGothic", false}, {"sans-serif:lang=ja", true}};
  static const std::vector<Candidate> mincho = {
      {"MS Mincho", false}, {"IPAMincho", false}, {"serif:lang=ja", true}};
  static const std::vector<Candidate> pmincho = {
      {"MS PMincho", false}, {"IPAPMincho", false}, {"serif:lang=ja", true}};
  struct Alias {
    const char* windowsName;
    const char* latinName;
    const std::vector<Candidate>* chain;
  };
  static const Alias aliases[] = {
      {"ＭＳ ゴシック", "MS Gothic", &gothic},
      {"ＭＳ Ｐゴシック", "MS PGothic", &pgothic},
      {"ＭＳ 明朝", "MS Mincho", &mincho},
      {"ＭＳ Ｐ明朝", "MS PMincho", &pmincho},
  };
  std::vector<Candidate> chain;
  for (const Alias& a : aliases) {
    if (sameName(name.c_str(), a.windowsName) || sameName(name.c_str(), a.latinName)) {
      // A machine with the real fonts may know them by their Japanese name only: that name
      // comes second, after the Latin one.
      for (size_t i = 0; i < a.chain->size(); ++i) {
        chain.push_back((*a.chain)[i]);
        if (i == 0) chain.push_back(Candidate{a.windowsName, false});
      }
      if (a.chain != &gothic) chain.insert(chain.end(), gothic.begin(), gothic.end());
      return chain;
    }
  }
  chain.push_back({nullptr, false});  // the name itself
  chain.insert(chain.end(), gothic.begin(), gothic.end());
  return chain;
}

struct Resolved {
  Face* face = nullptr;
  bool synthBold = false, synthItalic = false;
};

Resolved resolve(const std::string& cp932Name, bool bold, bool italic) {
  static std::map<std::tuple<std::string, bool, bool>, Resolved> cache;
  auto key = std::make_tuple(cp932Name, bold, italic);
  auto it = cache.find(key);
  if (it != cache.end()) return it->second;

  std::string name = Cp932ToUtf8(cp932Name);
  Resolved r;
  Match fallback;
  bool haveFallback = false;
  for (const Candidate& c : candidatesFor(name)) {
    std::string query = c.query ? c.query : name;
    if (query.empty()) continue;
    Match m;
    if (!matchFont(query, c.generic, bold, italic, m)) continue;
    // A generic pattern may hand back a font without Japanese glyphs; keep it only as the last
    // resort, so that at least Latin text is drawn.
    if (c.generic && !m.hasJapanese) {
      if (!haveFallback) fallback = m, haveFallback = true;
      continue;
    }
    r.face = openFace(m.file, m.index, m.family);
    if (r.face) break;
  }
  if (!r.face && haveFallback) r.face = openFace(fallback.file, fallback.index, fallback.family);
  if (r.face) {
    r.synthBold = bold && !r.face->isBold;
    r.synthItalic = italic && !r.face->isItalic;
  }
  cache.emplace(key, r);
  return r;
}

int32_t roundDiv(int64_t num, int64_t den) {
  if (den == 0) return 0;
  if (den < 0) num = -num, den = -den;
  return int32_t(num >= 0 ? (num + den / 2) / den : -((-num + den / 2) / den));
}

}  // namespace

SizedFont::SizedFont(Face* face, int32_t height, bool synthBold, bool synthItalic)
    : face_(face), synthBold_(synthBold), synthItalic_(synthItalic) {
  Metrics& m = metrics_;
  if (height == 0) height = -12;
  if (!face_) {
    int32_t em = int32_t(std::clamp<int64_t>(height < 0 ? -int64_t(height) : height, 1, kMaxEm));
    m.em = em;
    m.ascent = roundDiv(int64_t(em) * 7, 8);
    m.descent = em - m.ascent;
    m.height = em;
    m.aveCharWidth = em / 2;
    m.underlineOffset = 1;
    return;
  }
  const int64_t a = face_->winAscent, d = face_->winDescent, upem = face_->upem;
  if (height < 0) {
    // Negative: the em height.
    m.em = int32_t(std::min(-int64_t(height), int64_t(kMaxEm)));
    m.ascent = roundDiv(a * m.em, upem);
    m.descent = roundDiv(d * m.em, upem);
    m.height = m.ascent + m.descent;
  } else {
    // Positive: the cell height, ascent plus descent.
    int32_t cell = std::min(height, kMaxEm);
    m.height = cell;
    m.ascent = roundDiv(a * cell, a + d);
    m.descent = cell - m.ascent;
    m.em = std::max(1, roundDiv(upem * cell, a + d));
  }
  m.internalLeading = m.height - m.em;
  m.aveCharWidth = face_->avgCharWidth > 0 ? roundDiv(int64_t(face_->avgCharWidth) * m.em, upem)
                                           : 0;
  m.underlineOffset = std::max(1, roundDiv(-int64_t(face_->underlinePosition) * m.em, upem));
  m.underlineThickness =
      std::max(1, roundDiv(int64_t(face_->underlineThickness) * m.em, upem));
  if (m.underlineOffset + m.underlineThickness > m.descent)
    m.underlineOffset = std::max(0, m.descent - m.underlineThickness);
  if (m.aveCharWidth <= 0) m.aveCharWidth = std::max(1, GlyphFor('x').advance);
}

SizedFont::~SizedFont() = default;

void SizedFont::Trim() {
  if (glyphs_.size() <= kMaxCachedGlyphs) return;
  glyphs_.clear();
  std::fill(std::begin(ascii_), std::end(ascii_), nullptr);
}

const Glyph& SizedFont::GlyphFor(char32_t cp) {
  if (cp < 128 && ascii_[cp]) return *ascii_[cp];
  auto it = glyphs_.find(cp);
  if (it == glyphs_.end()) {
    it = glyphs_.emplace(cp, Glyph{}).first;
    render(cp, it->second);
  }
  if (cp < 128) ascii_[cp] = &it->second;
  return it->second;
}

void SizedFont::render(char32_t cp, Glyph& g) {
  g = Glyph{};
  if (cp < 0x20 || cp == 0x7F || !face_) return;  // control characters draw nothing
  FT_Face ft = face_->ft;
  FT_UInt index = 0;
  if (cp == 0xFFFD) {
    // Undecodable bytes: the code page's default character, the middle dot.
    for (char32_t alt : {char32_t(0x30FB), char32_t(0xFFFD), char32_t(0xFF65), char32_t('?')}) {
      index = FT_Get_Char_Index(ft, alt);
      if (index) break;
    }
  } else {
    index = FT_Get_Char_Index(ft, cp);  // 0 draws the face's missing-glyph box
  }
  if (face_->curEm != metrics_.em) {
    if (FT_Set_Pixel_Sizes(ft, 0, FT_UInt(metrics_.em)) != 0) return;
    face_->curEm = metrics_.em;
  }
  // Outlines only (no embedded bitmaps), hinted, so that advances are whole pixels.
  if (FT_Load_Glyph(ft, index, FT_LOAD_NO_BITMAP | FT_LOAD_TARGET_NORMAL) != 0) {
    g.advance = metrics_.em / 2;
    return;
  }
  FT_GlyphSlot slot = ft->glyph;
  if (synthItalic_) FT_GlyphSlot_Oblique(slot);
  if (synthBold_) FT_GlyphSlot_Embolden(slot);
  g.advance = int32_t((slot->advance.x + 32) >> 6);
  if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) return;
  const FT_Bitmap& bm = slot->bitmap;
  if (bm.pixel_mode != FT_PIXEL_MODE_GRAY || bm.width == 0 || bm.rows == 0) return;
  g.left = slot->bitmap_left;
  g.top = slot->bitmap_top;
  if (bm.width > 0xFFFF || bm.rows > 0xFFFF) return;
  g.width = int32_t(bm.width);
  g.rows = int32_t(bm.rows);
  g.coverage.resize(size_t(g.width) * size_t(g.rows));
  const int pitch = bm.pitch;
  for (int32_t y = 0; y < g.rows; ++y) {
    const unsigned char* src =
        pitch >= 0 ? bm.buffer + size_t(y) * size_t(pitch)
                   : bm.buffer + size_t(g.rows - 1 - y) * size_t(-pitch);
    memcpy(g.coverage.data() + size_t(y) * size_t(g.width), src, size_t(g.width));
  }
  g.spans.resize(size_t(g.rows));
  for (int32_t y = 0; y < g.rows; ++y) {
    const uint8_t* row = g.coverage.data() + size_t(y) * size_t(g.width);
    int32_t first = 0, last = g.width;
    while (first < last && row[first] == 0) ++first;
    while (last > first && row[last - 1] == 0) --last;
    g.spans[size_t(y)] = {uint16_t(first), uint16_t(last)};
  }
}

SizedFont& Acquire(const TFont& font) {
  using Key = std::tuple<std::string, int32_t, bool, bool>;
  static std::map<Key, std::unique_ptr<SizedFont>> fonts;
  // The same font is drawn many times in a row; remember the last one.
  static Key lastKey;
  static SizedFont* last = nullptr;
  const std::string& name = font.Name;
  if (last && std::get<1>(lastKey) == font.Height && std::get<2>(lastKey) == font.Bold &&
      std::get<3>(lastKey) == font.Italic && std::get<0>(lastKey) == name) {
    last->Trim();
    return *last;
  }
  Key key(name, font.Height, font.Bold, font.Italic);
  auto it = fonts.find(key);
  if (it == fonts.end()) {
    const std::string& faceName = name.empty() ? std::string(FontMSGothic()) : name;
    Resolved r = resolve(faceName, font.Bold, font.Italic);
    it = fonts.emplace(key, std::make_unique<SizedFont>(r.face, font.Height, r.synthBold,
                                                         r.synthItalic))
             .first;
  }
  lastKey = key;
  last = it->second.get();
  last->Trim();
  return *last;
}

std::string FamilyOf(const TFont& font) {
  const std::string faceName = font.Name.empty() ? std::string(FontMSGothic()) : font.Name;
  Resolved r = resolve(faceName, font.Bold, font.Italic);
  return r.face ? r.face->family : std::string();
}

}  // namespace fontface
