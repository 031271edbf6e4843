// INI reading with the rules the game data was written against: section and key names are
// compared case-insensitively (ASCII) with surrounding blanks ignored, the first matching section
// and the first matching key win, keys before the first section header belong to the section
// named "", values are trimmed and lose one pair of matching quotes, and there are no comments:
// a line "; name = x" defines the key "; name", which nobody asks for. The file is read whole at
// every call.
#include "platform/files/ini.h"

#include <cstring>
#include <string_view>
#include <vector>

#include "platform/text/cp932.h"
#include "platform/files/files.h"

namespace {

bool isBlank(unsigned char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && isBlank(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && isBlank(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

// Drops one pair of matching surrounding quotes.
std::string_view unquote(std::string_view v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    v = v.substr(1, v.size() - 2);
  return v;
}

// Looks the key up in the file's bytes. Returns true and the raw (trimmed, unquoted) value when
// the first section of that name holds the key.
bool findValue(std::string_view text, std::string_view section, std::string_view key,
               std::string_view* value) {
  if (text.size() >= 3 && static_cast<unsigned char>(text[0]) == 0xEF &&
      static_cast<unsigned char>(text[1]) == 0xBB && static_cast<unsigned char>(text[2]) == 0xBF) {
    text.remove_prefix(3);
  }
  section = trim(section);
  key = trim(key);

  enum { kBefore, kInside, kAfter } where = section.empty() ? kInside : kBefore;
  size_t pos = 0;
  while (pos < text.size() && where != kAfter) {
    // Lines end at CR, LF or CR LF; the empty lines a CR LF pair leaves are skipped below.
    size_t end = pos;
    while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
    std::string_view line = trim(text.substr(pos, end - pos));
    pos = end + 1;
    if (line.empty()) continue;

    if (line.front() == '[') {
      if (where == kInside) {
        where = kAfter;  // only the first section of that name is searched
        break;
      }
      std::string_view name = line.substr(1);
      size_t close = name.rfind(']');
      if (close != std::string_view::npos) name = name.substr(0, close);
      if (EqualCp932NoCase(trim(name), section)) where = kInside;
      continue;
    }
    if (where != kInside) continue;

    size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;  // lines without "=" carry nothing
    if (!EqualCp932NoCase(trim(line.substr(0, eq)), key)) continue;

    std::string_view v = unquote(trim(line.substr(eq + 1)));
    // A NUL byte cannot travel in a zero-terminated result; the value ends there.
    size_t nul = v.find('\0');
    if (nul != std::string_view::npos) v = v.substr(0, nul);
    *value = v;
    return true;
  }
  return false;
}

// The file's text read into buf; false when it cannot be read.
bool readText(const char* file, std::vector<uint8_t>& buf, std::string_view* text) {
  if (!file || !ReadWholeFile(file, buf)) return false;
  *text = std::string_view(reinterpret_cast<const char*>(buf.data()), buf.size());
  return true;
}

int hexDigit(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

uint32_t copyOut(std::string_view v, char* out, uint32_t size) {
  if (!out || size == 0) return 0;
  size_t n = CutAtCharBoundary(v.data(), v.size(), size - 1);
  if (n > 0) std::memcpy(out, v.data(), n);
  out[n] = '\0';
  return static_cast<uint32_t>(n);
}

}  // namespace

uint32_t ProfileStringFromText(std::string_view text, const char* section, const char* key,
                               const char* def, char* out, uint32_t size) {
  std::string_view value;
  if (section && key && findValue(text, section, key, &value)) return copyOut(value, out, size);

  // The default is returned with its trailing blanks removed (leading ones stay), and loses a
  // pair of surrounding quotes as a stored value does.
  std::string_view d = def ? std::string_view(def) : std::string_view();
  while (!d.empty() && (d.back() == ' ' || d.back() == '\t')) d.remove_suffix(1);
  return copyOut(unquote(d), out, size);
}

bool ProfileKeyInText(std::string_view text, const char* section, const char* key) {
  std::string_view value;
  return section && key && findValue(text, section, key, &value);
}

int32_t ProfileIntFromText(std::string_view text, const char* section, const char* key,
                           int32_t def) {
  std::string_view v;
  if (!section || !key || !findValue(text, section, key, &v) || v.empty()) return def;

  size_t i = 0;
  while (i < v.size() && isBlank(static_cast<unsigned char>(v[i]))) ++i;
  bool negative = false;
  if (i < v.size() && (v[i] == '+' || v[i] == '-')) {
    negative = v[i] == '-';
    ++i;
  }
  // Unsigned arithmetic wraps modulo 2^32, which is the intended overflow rule.
  uint32_t n = 0;
  // Only a lower-case "0x" starts a hexadecimal number ("0X1F" reads as 0).
  if (i + 1 < v.size() && v[i] == '0' && v[i + 1] == 'x') {
    for (i += 2; i < v.size() && hexDigit(static_cast<unsigned char>(v[i])) >= 0; ++i) {
      n = n * 16 + uint32_t(hexDigit(static_cast<unsigned char>(v[i])));
    }
  } else {
    for (; i < v.size() && v[i] >= '0' && v[i] <= '9'; ++i) n = n * 10 + uint32_t(v[i] - '0');
  }
  if (negative) n = 0u - n;
  return static_cast<int32_t>(n);
}

// A file that cannot be read is an empty text: every key gives its default.
uint32_t GetPrivateProfileStringA(const char* section, const char* key, const char* def, char* out,
                                  uint32_t size, const char* file) {
  std::vector<uint8_t> buf;
  std::string_view text;
  readText(file, buf, &text);
  return ProfileStringFromText(text, section, key, def, out, size);
}

bool ProfileKeyExists(const char* section, const char* key, const char* file) {
  std::vector<uint8_t> buf;
  std::string_view text;
  return readText(file, buf, &text) && ProfileKeyInText(text, section, key);
}

int32_t GetPrivateProfileIntA(const char* section, const char* key, int32_t def, const char* file) {
  std::vector<uint8_t> buf;
  std::string_view text;
  readText(file, buf, &text);
  return ProfileIntFromText(text, section, key, def);
}
