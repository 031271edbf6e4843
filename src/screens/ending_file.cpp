// Ending files: the record reader and writer, the text description and the command line of
// miravel-ending.
#include "screens/ending_file.h"

#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <ostream>
#include <sstream>
#include <system_error>

#include "platform/text/cp932.h"

namespace {

constexpr int16_t kDefaultInterval = 10;
// The roll measures time by the millisecond field of the clock, so an interval of 999 or more
// never completes.
constexpr int kIntervalNeverMoves = 999;

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view trim(std::string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  return s;
}

std::vector<std::string> splitWords(std::string_view s) {
  std::vector<std::string> words;
  size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && isBlank(s[i])) ++i;
    size_t start = i;
    while (i < s.size() && !isBlank(s[i])) ++i;
    if (i > start) words.emplace_back(s.substr(start, i - start));
  }
  return words;
}

std::string lower(std::string_view s) {
  std::string r(s);
  for (char& c : r) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return r;
}

// One statement of the description, or the reason it is not one.
struct Statement {
  std::vector<std::string> tokens;  // the keyword first; a quoted value is the last token
  std::string error;
};

Statement tokenize(std::string_view line) {
  Statement st;
  size_t q1 = line.find('"');
  if (q1 == std::string_view::npos) {
    for (std::string& w : splitWords(line)) {
      if (w[0] == '#') break;  // a comment after the values
      st.tokens.push_back(std::move(w));
    }
    return st;
  }
  // The closing quote is the first one after which the line ends or a comment begins; without
  // a comment that is the last quote of the line, so a value may hold quotes of its own.
  bool later = false;
  size_t q2 = std::string_view::npos;
  for (size_t q = line.find('"', q1 + 1); q != std::string_view::npos; q = line.find('"', q + 1)) {
    later = true;
    std::string_view rest = trim(line.substr(q + 1));
    if (rest.empty() || rest[0] == '#') {
      q2 = q;
      break;
    }
  }
  if (q2 == std::string_view::npos) {
    st.error = later ? "unexpected text after the closing quote" : "missing closing quote";
    return st;
  }
  st.tokens = splitWords(line.substr(0, q1));
  st.tokens.emplace_back(line.substr(q1 + 1, q2 - q1 - 1));
  return st;
}

bool parseInt16(const std::string& s, int16_t& out, std::string& why) {
  long long v = 0;
  const char* end = s.data() + s.size();
  auto [p, ec] = std::from_chars(s.data(), end, v);
  if (s.empty() || ec == std::errc::invalid_argument || p != end) {
    why = "'" + s + "' is not a number";
    return false;
  }
  if (ec == std::errc::result_out_of_range || v < std::numeric_limits<int16_t>::min() ||
      v > std::numeric_limits<int16_t>::max()) {
    why = "number " + s + " is out of range (-32768 to 32767)";
    return false;
  }
  out = static_cast<int16_t>(v);
  return true;
}

// Converts a string value into a name field: CP932, at most 39 bytes, no NUL.
bool toField(const std::string& utf8, char (&field)[kEndingNameBytes], std::string& why) {
  if (utf8.find('\0') != std::string::npos) {
    why = "a NUL character cannot be stored";
    return false;
  }
  std::string cp932;
  size_t bad = 0;
  if (!Utf8ToCp932(utf8, cp932, &bad)) {
    char32_t cp = 0;
    if (DecodeUtf8Char(utf8, bad, &cp) == 0) {
      why = "the text is not valid UTF-8";
    } else {
      char hex[16];
      std::snprintf(hex, sizeof hex, "U+%04X", static_cast<unsigned>(cp));
      why = "character " + std::string(hex) + " cannot be written in CP932";
    }
    return false;
  }
  if (cp932.size() > kEndingNameBytes - 1) {
    why = "\"" + utf8 + "\" is " + std::to_string(cp932.size()) +
          " bytes in CP932; the field holds " + std::to_string(kEndingNameBytes - 1);
    return false;
  }
  std::memset(field, 0, sizeof field);
  std::memcpy(field, cp932.data(), cp932.size());
  return true;
}

// What a statement adds to the file; false with why on a mistake.
struct Builder {
  TEndingFile file;
  int musicLine = 0, intervalLine = 0;

  bool add(int lineNo, const std::vector<std::string>& t, std::string& why) {
    const std::string key = lower(t[0]);
    auto count = [&](size_t want, const char* form) {
      if (t.size() < want) why = "missing value: " + std::string(form);
      if (t.size() > want) why = "too many values: " + std::string(form);
      return t.size() == want;
    };
    if (key == "music") {
      if (!count(2, "music \"NAME\"")) return false;
      if (musicLine) return twice("music", musicLine, why);
      musicLine = lineNo;
      return toField(t[1], file.Header.BgmName, why);
    }
    if (key == "interval") {
      if (!count(2, "interval MILLISECONDS")) return false;
      if (intervalLine) return twice("interval", intervalLine, why);
      intervalLine = lineNo;
      return parseInt16(t[1], file.Header.ScrollIntervalMs, why);
    }
    TEndingEntry e{};
    if (key == "picture") {
      if (!count(3, "picture Y \"NAME\"")) return false;
      if (!parseInt16(t[1], e.EntryY, why) || !toField(t[2], e.EntryText, why)) return false;
      file.Entries.push_back(e);
      return true;
    }
    if (key == "text") {
      if (t.size() < 4) {
        why = "missing value: text Y SIZE [bold] [italic] \"TEXT\"";
        return false;
      }
      if (!parseInt16(t[1], e.EntryY, why) || !parseInt16(t[2], e.EntryFontSize, why)) return false;
      if (e.EntryFontSize == 0) {
        why = "a text size of 0 would make a picture entry";
        return false;
      }
      for (size_t i = 3; i + 1 < t.size(); ++i) {
        const std::string flag = lower(t[i]);
        int16_t* target = flag == "bold"     ? &e.EntryBold
                          : flag == "italic" ? &e.EntryItalic
                                             : nullptr;
        if (!target) {
          why = "unknown flag '" + t[i] + "' (bold or italic)";
          return false;
        }
        if (*target) {
          why = flag + " given twice";
          return false;
        }
        *target = 1;
      }
      if (!toField(t.back(), e.EntryText, why)) return false;
      file.Entries.push_back(e);
      return true;
    }
    why = "unknown keyword '" + t[0] + "' (music, interval, text or picture)";
    return false;
  }

  static bool twice(const char* key, int firstLine, std::string& why) {
    why = std::string(key) + " given twice (first on line " + std::to_string(firstLine) + ")";
    return false;
  }
};

// True when a quote inside a quoted value would be read as its end: one followed by blanks
// and a '#'.
bool quoteEndsEarly(std::string_view v) {
  for (size_t q = v.find('"'); q != std::string_view::npos; q = v.find('"', q + 1)) {
    std::string_view rest = trim(v.substr(q + 1));
    if (!rest.empty() && rest[0] == '#') return true;
  }
  return false;
}

// A field as UTF-8 for the description; false when the text cannot come back the same.
bool fieldUtf8(const char (&field)[kEndingNameBytes], std::string& utf8) {
  const std::string cp932 = EndingFieldText(field);
  utf8 = Cp932ToUtf8(cp932);
  std::string back;
  return cp932.size() < kEndingNameBytes && Utf8ToCp932(utf8, back) && back == cp932 &&
         cp932.find_first_of("\r\n") == std::string::npos && !quoteEndsEarly(utf8);
}

void printMessages(std::ostream& err, const std::string& file, const char* kind,
                   const std::vector<TPackMessage>& list) {
  for (const TPackMessage& m : list) {
    err << file;
    if (m.line > 0) err << ':' << m.line;
    err << ": " << kind << ": " << m.text << '\n';
  }
}

bool readNative(const std::string& path, std::string& data) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream buf;
  buf << in.rdbuf();
  data = std::move(buf).str();
  return !in.bad();
}

// Through a temporary file renamed over the target, so a failed run leaves no half file.
bool writeNative(const std::string& path, const std::string& data) {
  const std::string temp = path + ".tmp" + std::to_string(::getpid());
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
    out.flush();
    if (!out) {
      out.close();
      std::remove(temp.c_str());
      return false;
    }
  }
  std::error_code ec;
  std::filesystem::rename(temp, path, ec);
  if (ec) std::remove(temp.c_str());
  return !ec;
}

const char kUsage[] =
    "usage: miravel-ending IN.txt OUT.esf           build an ending file from its UTF-8\n"
    "                                               description\n"
    "       miravel-ending --dump IN.esf [OUT.txt]  write the description of an ending file\n"
    "                                               (to standard output without OUT.txt)\n";

}  // namespace

TEndingFile ReadEndingFile(const uint8_t* data, size_t size) {
  TEndingFile f;
  if (!data) return f;
  std::memcpy(&f.Header, data, std::min(size, kEndingRecordBytes));
  for (size_t at = kEndingRecordBytes;
       size >= kEndingRecordBytes && at <= size - kEndingRecordBytes; at += kEndingRecordBytes) {
    TEndingEntry e;
    std::memcpy(&e, data + at, kEndingRecordBytes);
    f.Entries.push_back(e);
  }
  return f;
}

std::string EndingFileBytes(const TEndingFile& f) {
  std::string out(reinterpret_cast<const char*>(&f.Header), sizeof f.Header);
  for (const TEndingEntry& e : f.Entries) out.append(reinterpret_cast<const char*>(&e), sizeof e);
  return out;
}

std::string EndingFieldText(const char (&field)[kEndingNameBytes]) {
  size_t n = strnlen(field, kEndingNameBytes);
  if (n == kEndingNameBytes) n = CutAtCharBoundary(field, n, n);
  return std::string(field, n);
}

bool ParseEndingText(std::string_view utf8, TEndingFile& out, std::vector<TPackMessage>& errors,
                     std::vector<TPackMessage>* warnings) {
  if (utf8.substr(0, 3) == "\xEF\xBB\xBF") utf8.remove_prefix(3);
  Builder b;
  b.file.Header.ScrollIntervalMs = kDefaultInterval;
  const size_t errorsBefore = errors.size();
  int lineNo = 0;
  size_t start = 0;
  while (start <= utf8.size()) {
    size_t end = utf8.find('\n', start);
    if (end == std::string_view::npos) end = utf8.size();
    std::string_view line = trim(utf8.substr(start, end - start));
    start = end + 1;
    ++lineNo;
    if (line.empty() || line[0] == '#') continue;
    Statement st = tokenize(line);
    std::string why = st.error;
    if (why.empty() && !b.add(lineNo, st.tokens, why) && why.empty()) why = "bad statement";
    if (!why.empty()) errors.push_back({lineNo, 0, why});
  }
  if (errors.size() != errorsBefore) return false;
  const int interval = b.file.Header.ScrollIntervalMs;
  if (warnings && interval < 1) {
    warnings->push_back(
        {b.intervalLine, 0,
         "interval " + std::to_string(interval) + " is taken as 1 millisecond per pixel"});
  }
  if (warnings && interval >= kIntervalNeverMoves) {
    warnings->push_back(
        {b.intervalLine, 0,
         "interval " + std::to_string(interval) + " never completes: the roll would not move"});
  }
  out = std::move(b.file);
  return true;
}

std::string FormatEndingText(const TEndingFile& f, std::vector<TPackMessage>* warnings) {
  std::string s;
  int lineNo = 0;
  // Strings are built by appending: gcc 12 at -O3 takes "literal" + std::string for an
  // overlapping copy (-Wrestrict).
  auto quoted = [&](const char(&field)[kEndingNameBytes]) {
    std::string utf8;
    if (!fieldUtf8(field, utf8) && warnings) {
      warnings->push_back({lineNo, 0, "the text cannot be written back exactly"});
    }
    s += '"';
    s += utf8;
    s += "\"\n";
  };
  ++lineNo;
  s += "music ";
  quoted(f.Header.BgmName);
  ++lineNo;
  s += "interval ";
  s += std::to_string(f.Header.ScrollIntervalMs);
  s += '\n';
  for (const TEndingEntry& e : f.Entries) {
    ++lineNo;
    if (e.EntryFontSize == 0) {
      s += "picture ";
      s += std::to_string(e.EntryY);
      s += ' ';
      quoted(e.EntryText);
      continue;
    }
    s += "text ";
    s += std::to_string(e.EntryY);
    s += ' ';
    s += std::to_string(e.EntryFontSize);
    if (e.EntryBold) s += " bold";
    if (e.EntryItalic) s += " italic";
    s += ' ';
    quoted(e.EntryText);
  }
  return s;
}

int RunEndingTool(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
  bool dump = false;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i] ? argv[i] : "";
    if (a == "--dump") {
      dump = true;
    } else if (a == "--help" || a == "-h") {
      out << kUsage;
      return 0;
    } else if (a.size() > 1 && a[0] == '-') {
      err << "miravel-ending: unknown option " << a << '\n' << kUsage;
      return 2;
    } else {
      files.push_back(a);
    }
  }
  const bool countOk = dump ? (files.size() == 1 || files.size() == 2) : files.size() == 2;
  if (!countOk || std::any_of(files.begin(), files.end(), [](auto& f) { return f.empty(); })) {
    err << kUsage;
    return 2;
  }
  const std::string& in = files[0];
  std::string data;
  if (!readNative(in, data)) {
    err << in << ": cannot read\n";
    return 1;
  }
  std::vector<TPackMessage> errors, warnings;
  std::string result;
  if (dump) {
    TEndingFile f = ReadEndingFile(reinterpret_cast<const uint8_t*>(data.data()), data.size());
    result = FormatEndingText(f, &warnings);
    printMessages(err, files.size() == 2 ? files[1] : "<stdout>", "warning", warnings);
    if (files.size() == 1) {
      out << result;
      return 0;
    }
  } else {
    TEndingFile f;
    bool ok = ParseEndingText(data, f, errors, &warnings);
    printMessages(err, in, "warning", warnings);
    if (!ok) {
      printMessages(err, in, "error", errors);
      err << "miravel-ending: " << files[1] << " not written\n";
      return 1;
    }
    result = EndingFileBytes(f);
  }
  if (!writeNative(files[1], result)) {
    err << files[1] << ": cannot write\n";
    return 1;
  }
  return 0;
}
