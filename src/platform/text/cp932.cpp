// Code page 932 helpers: lead bytes, cutting at character boundaries, and conversions through
// glibc's iconv under the name "CP932" (Microsoft's table: 0x5C is a backslash, the NEC and IBM
// extensions are included). "SHIFT_JIS" would be the JIS table and must not be used.
#include "platform/text/cp932.h"

#include <errno.h>
#include <iconv.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <unordered_map>
#include <vector>

namespace {

// The one lead-byte table, built once.
constexpr std::array<bool, 256> makeLeadTable() {
  std::array<bool, 256> t{};
  for (int c = 0x81; c <= 0x9F; ++c) t[c] = true;
  for (int c = 0xE0; c <= 0xFC; ++c) t[c] = true;
  return t;
}
constexpr std::array<bool, 256> kLeadTable = makeLeadTable();

// One iconv descriptor per direction, opened on first use and kept for the program's life.
// (The engine is single-threaded.)
iconv_t toUtf8() {
  static iconv_t cd = iconv_open("UTF-8", "CP932");
  return cd;
}

iconv_t fromUtf8() {
  static iconv_t cd = iconv_open("CP932", "UTF-8");
  return cd;
}

bool valid(iconv_t cd) { return cd != reinterpret_cast<iconv_t>(-1); }

void appendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += char(cp);
  } else if (cp < 0x800) {
    out += char(0xC0 | (cp >> 6));
    out += char(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += char(0xE0 | (cp >> 12));
    out += char(0x80 | ((cp >> 6) & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  } else {
    out += char(0xF0 | (cp >> 18));
    out += char(0x80 | ((cp >> 12) & 0x3F));
    out += char(0x80 | ((cp >> 6) & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  }
}

// Decodes one UTF-8 sequence at s[i]; returns its length, or 0 when it is malformed.
size_t decodeUtf8(const unsigned char* s, size_t len, size_t i, char32_t* cp) {
  unsigned char c = s[i];
  if (c < 0x80) {
    *cp = c;
    return 1;
  }
  size_t n;
  char32_t v;
  char32_t min;
  if ((c & 0xE0) == 0xC0) {
    n = 2, v = c & 0x1F, min = 0x80;
  } else if ((c & 0xF0) == 0xE0) {
    n = 3, v = c & 0x0F, min = 0x800;
  } else if ((c & 0xF8) == 0xF0) {
    n = 4, v = c & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (i + n > len) return 0;
  for (size_t k = 1; k < n; ++k) {
    if ((s[i + k] & 0xC0) != 0x80) return 0;
    v = (v << 6) | (s[i + k] & 0x3F);
  }
  if (v < min || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) return 0;
  *cp = v;
  return n;
}

// The decoding table for glyphs: every single byte and every lead/trail pair, filled from iconv
// once, so that drawing text does not call iconv per character. 0 marks "not mapped" (the NUL
// byte is handled before the table is consulted).
struct DecodeTable {
  std::array<char32_t, 256> single{};
  std::vector<char32_t> pairs;  // [lead index][trail byte]
  std::array<int16_t, 256> leadIndex{};

  DecodeTable() {
    int n = 0;
    for (int c = 0; c < 256; ++c) leadIndex[c] = kLeadTable[c] ? int16_t(n++) : int16_t(-1);
    pairs.assign(size_t(n) * 256, 0);
    iconv_t cd = toUtf8();
    if (!valid(cd)) return;
    auto convert = [cd](const char* in, size_t inLen) -> char32_t {
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
      char buf[8];
      char* ip = const_cast<char*>(in);
      char* op = buf;
      size_t il = inLen, ol = sizeof buf;
      if (iconv(cd, &ip, &il, &op, &ol) == size_t(-1) || il != 0) return 0;
      char32_t cp = 0;
      size_t got = size_t(op - buf);
      if (got == 0) return 0;
      if (decodeUtf8(reinterpret_cast<const unsigned char*>(buf), got, 0, &cp) != got) return 0;
      return cp;
    };
    for (int c = 1; c < 256; ++c) {
      if (kLeadTable[c]) continue;
      char b = char(c);
      single[c] = convert(&b, 1);
    }
    for (int lead = 0; lead < 256; ++lead) {
      if (!kLeadTable[lead]) continue;
      for (int trail = 1; trail < 256; ++trail) {
        char b[2] = {char(lead), char(trail)};
        pairs[size_t(leadIndex[lead]) * 256 + size_t(trail)] = convert(b, 2);
      }
    }
  }
};

const DecodeTable& decodeTable() {
  static const DecodeTable table;
  return table;
}

// Converts UTF-8 to CP932 where it can; characters without a CP932 form (and malformed UTF-8
// bytes) become "?" in `out`. Returns the offset of the first such character, or npos.
size_t utf8ToCp932Lenient(std::string_view s, std::string& out, bool dropBad = false) {
  out.clear();
  size_t bad = std::string_view::npos;
  iconv_t cd = fromUtf8();
  const auto* u = reinterpret_cast<const unsigned char*>(s.data());
  size_t i = 0;
  while (i < s.size()) {
    char32_t cp;
    size_t n = decodeUtf8(u, s.size(), i, &cp);
    if (n == 0) {
      if (bad == std::string_view::npos) bad = i;
      if (!dropBad) out += '?';
      ++i;
      continue;
    }
    if (n == 1) {  // ASCII is the same in CP932
      out += char(cp);
      ++i;
      continue;
    }
    bool ok = false;
    if (valid(cd)) {
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
      char buf[8];
      char* ip = const_cast<char*>(s.data() + i);
      char* op = buf;
      size_t il = n, ol = sizeof buf;
      if (iconv(cd, &ip, &il, &op, &ol) != size_t(-1) && il == 0) {
        out.append(buf, size_t(op - buf));
        ok = true;
      }
    }
    if (!ok) {
      if (bad == std::string_view::npos) bad = i;
      if (!dropBad) out += '?';
    }
    i += n;
  }
  return bad;
}

}  // namespace

bool IsLeadByte(unsigned char c) { return kLeadTable[c]; }

size_t CutAtCharBoundary(const char* s, size_t len, size_t maxBytes) {
  if (!s) return 0;
  size_t limit = len < maxBytes ? len : maxBytes;
  size_t i = 0;
  while (i < limit) {
    size_t n = kLeadTable[static_cast<unsigned char>(s[i])] ? 2 : 1;
    if (i + n > limit) break;
    i += n;
  }
  return i;
}

size_t FitToBuffer(const char* s, size_t len, size_t maxBytes) {
  if (!s) return 0;
  return len <= maxBytes ? len : CutAtCharBoundary(s, len, maxBytes);
}

void CopyCut(char* dst, size_t dstSize, const char* src) {
  if (!dst || dstSize == 0) return;
  if (!src) src = "";
  size_t n = FitToBuffer(src, strnlen(src, dstSize), dstSize - 1);
  memmove(dst, src, n);
  dst[n] = '\0';
}

void AppendCut(char* dst, size_t dstSize, const char* src) {
  if (!dst || dstSize == 0) return;
  size_t cur = strnlen(dst, dstSize);
  if (cur == dstSize) {
    // No terminator inside the buffer: end it at the last whole character that fits.
    cur = CutAtCharBoundary(dst, dstSize, dstSize - 1);
    dst[cur] = '\0';
  }
  if (!src) return;
  size_t room = dstSize - 1 - cur;
  size_t n = FitToBuffer(src, strnlen(src, room + 1), room);
  memmove(dst + cur, src, n);
  dst[cur + n] = '\0';
}

std::string Cp932ToUtf8(std::string_view s) {
  std::string out;
  out.reserve(s.size() * 3 / 2);
  size_t i = 0;
  while (i < s.size()) {
    char32_t cp;
    size_t n = DecodeCp932Char(s.data(), s.size(), i, &cp);
    appendUtf8(out, cp);
    i += n;
  }
  return out;
}

bool Utf8ToCp932(std::string_view s, std::string& out, size_t* badOffset) {
  std::string converted;
  size_t bad = utf8ToCp932Lenient(s, converted);
  if (bad != std::string_view::npos) {
    // Keep what converted before the offending character.
    std::string prefix;
    utf8ToCp932Lenient(s.substr(0, bad), prefix);
    out = std::move(prefix);
    if (badOffset) *badOffset = bad;
    return false;
  }
  out = std::move(converted);
  return true;
}

std::string Utf8ToCp932Dropping(std::string_view s) {
  std::string out;
  utf8ToCp932Lenient(s, out, true);
  return out;
}

const char* SJ(const char* utf8Literal) {
  if (!utf8Literal) return "";
  struct Entry {
    std::string utf8;
    std::string cp932;
  };
  // Keyed by the literal's address. The text is compared as well, so that a caller passing a
  // buffer whose contents changed gets a fresh conversion; superseded results stay alive,
  // since earlier callers may still hold them.
  static std::unordered_map<const char*, std::unique_ptr<Entry>> cache;
  static std::vector<std::unique_ptr<Entry>> superseded;
  auto it = cache.find(utf8Literal);
  if (it != cache.end()) {
    if (it->second->utf8 == utf8Literal) return it->second->cp932.c_str();
    superseded.push_back(std::move(it->second));
    cache.erase(it);
  }
  auto e = std::make_unique<Entry>();
  e->utf8 = utf8Literal;
  utf8ToCp932Lenient(e->utf8, e->cp932);
  const char* result = e->cp932.c_str();
  cache.emplace(utf8Literal, std::move(e));
  return result;
}

size_t DecodeCp932Char(const char* s, size_t len, size_t i, char32_t* cp) {
  char32_t dummy;
  if (!cp) cp = &dummy;
  if (!s || i >= len) {
    *cp = 0;
    return 0;
  }
  auto c = static_cast<unsigned char>(s[i]);
  if (c < 0x80) {
    *cp = c;
    return 1;
  }
  const DecodeTable& t = decodeTable();
  if (kLeadTable[c]) {
    if (i + 1 < len) {
      auto trail = static_cast<unsigned char>(s[i + 1]);
      char32_t v = trail ? t.pairs[size_t(t.leadIndex[c]) * 256 + trail] : 0;
      if (v) {
        *cp = v;
        return 2;
      }
    }
    *cp = 0xFFFD;
    return 1;
  }
  char32_t v = t.single[c];
  *cp = v ? v : 0xFFFD;
  return 1;
}

unsigned char FoldAscii(unsigned char c) { return (c >= 'a' && c <= 'z') ? c - 32 : c; }

bool EqualCp932NoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char ca = static_cast<unsigned char>(a[i]);
    unsigned char cb = static_cast<unsigned char>(b[i]);
    if (IsLeadByte(ca) && i + 1 < a.size()) {
      if (ca != cb || a[i + 1] != b[i + 1]) return false;
      ++i;
    } else if (FoldAscii(ca) != FoldAscii(cb)) {
      return false;
    }
  }
  return true;
}

size_t DecodeUtf8Char(std::string_view s, size_t i, char32_t* cp) {
  if (i >= s.size()) return 0;
  return decodeUtf8(reinterpret_cast<const unsigned char*>(s.data()), s.size(), i, cp);
}
