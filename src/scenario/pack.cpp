#include "scenario/pack.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <ostream>
#include <sstream>

#include "platform/text/cp932.h"

namespace {

constexpr size_t kMaxReportedErrors = 20;

// Characters (not continuation bytes) in s.
int utf8Chars(std::string_view s) {
  int n = 0;
  for (char c : s) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return n;
}

// Calls f(lineNumber, line) for every line, split as the engine splits them: CR, LF or CR LF;
// a break at the very end opens no further line.
template <typename F>
void forEachLine(std::string_view text, F f) {
  size_t p = 0;
  int line = 0;
  while (p < text.size()) {
    size_t eol = text.find_first_of("\r\n", p);
    if (eol == std::string_view::npos) eol = text.size();
    f(++line, text.substr(p, eol - p));
    if (eol >= text.size()) break;
    p = eol + 1;
    if (text[eol] == '\r' && p < text.size() && text[p] == '\n') ++p;
  }
}

std::string hexByte(unsigned char c) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "0x%02X", c);
  return buf;
}

std::string codePoint(char32_t cp) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(cp));
  return buf;
}

void addCapped(std::vector<TPackMessage>& list, size_t& total, TPackMessage m) {
  if (++total <= kMaxReportedErrors) list.push_back(std::move(m));
}

void closeCapped(std::vector<TPackMessage>& list, size_t total) {
  if (total > kMaxReportedErrors) {
    list.push_back({0, 0, std::to_string(total - kMaxReportedErrors) + " more errors not shown"});
  }
}

// Finds every character of utf8 that cannot become CP932 (only called once the whole text has
// failed to convert).
void collectPackErrors(std::string_view utf8, std::vector<TPackMessage>& errors) {
  size_t total = 0;
  forEachLine(utf8, [&](int lineNo, std::string_view line) {
    size_t from = 0;
    while (from < line.size()) {
      std::string ignored;
      size_t bad = 0;
      if (Utf8ToCp932(line.substr(from), ignored, &bad)) break;
      size_t at = from + bad;
      int column = utf8Chars(line.substr(0, at)) + 1;
      char32_t cp = 0;
      size_t n = DecodeUtf8Char(line, at, &cp);
      if (n == 0) {
        addCapped(errors, total,
                  {lineNo, column, "byte " + hexByte(static_cast<unsigned char>(line[at])) +
                                       " is not valid UTF-8"});
        n = 1;
      } else {
        addCapped(errors, total,
                  {lineNo, column,
                   "character " + codePoint(cp) + " (" + std::string(line.substr(at, n)) +
                       ") has no CP932 form"});
      }
      from = at + n;
    }
  });
  if (errors.empty()) errors.push_back({0, 0, "the text cannot be converted to CP932"});
  closeCapped(errors, total);
}

// Writes through a temporary file in the same folder and renames it over the target, so an
// interrupted run never leaves half a scenario behind.
bool writeNativeFileAtomic(const std::string& path, std::string_view data, std::string& why) {
  std::string temp = path + ".tmp" + std::to_string(::getpid());
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) {
    why = std::strerror(errno);
    return false;
  }
  size_t done = 0;
  while (done < data.size()) {
    ssize_t w = ::write(fd, data.data() + done, data.size() - done);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) {
      why = std::strerror(errno);
      ::close(fd);
      ::unlink(temp.c_str());
      return false;
    }
    done += static_cast<size_t>(w);
  }
  if (::fsync(fd) != 0 || ::close(fd) != 0) {
    why = std::strerror(errno);
    ::unlink(temp.c_str());
    return false;
  }
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    why = std::strerror(errno);
    ::unlink(temp.c_str());
    return false;
  }
  return true;
}

void printMessages(std::ostream& err, const std::string& file, const char* kind,
                   const std::vector<TPackMessage>& list) {
  for (const TPackMessage& m : list) {
    err << file;
    if (m.line > 0) err << ':' << m.line;
    if (m.column > 0) err << ':' << m.column;
    err << ": " << kind << ": " << m.text << '\n';
  }
}

bool endsWithSsf(const std::string& path) {
  if (path.size() < 4) return false;
  std::string ext = path.substr(path.size() - 4);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext == ".ssf";
}

const char kUsage[] =
    "usage: miravel-pack [--plain] IN.txt OUT.ssf     pack UTF-8 text into a scenario file\n"
    "       miravel-pack --unpack [--plain] IN.ssf OUT.txt\n"
    "                                                 unpack a scenario file into UTF-8 text\n"
    "       miravel-pack --tree [--plain] FILE        list the node tree of FILE (a .ssf\n"
    "                                                 scenario file, or UTF-8 text)\n"
    "--plain: the scenario file is not scrambled\n";

}  // namespace

bool ReadNativeFile(const std::string& path, std::string& data, std::string& why) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    why = std::strerror(errno);
    return false;
  }
  std::ostringstream buf;
  buf << in.rdbuf();
  if (in.bad()) {
    why = "read error";
    return false;
  }
  data = std::move(buf).str();
  return true;
}


bool PackScenario(std::string_view utf8, bool scramble, std::string& out,
                  std::vector<TPackMessage>& errors, std::vector<TPackMessage>* warnings) {
  out.clear();
  if (utf8.substr(0, 3) == "\xEF\xBB\xBF") utf8.remove_prefix(3);
  std::string converted;
  if (!Utf8ToCp932(utf8, converted)) {
    collectPackErrors(utf8, errors);
    return false;
  }
  if (warnings) {
    TNodeTree tree;
    std::vector<TScenarioNote> notes;
    BuildScenarioTree(converted.data(), converted.size(), tree, &notes);
    for (const TScenarioNote& n : notes) {
      warnings->push_back({n.line, 0, DescribeScenarioNote(n)});
    }
  }
  if (scramble) ScrambleBuffer(converted.data(), converted.size(), ScenarioSeed);
  out = std::move(converted);
  return true;
}

bool UnpackScenario(std::string_view packed, bool scrambled, std::string& out,
                    std::vector<TPackMessage>& errors) {
  out.clear();
  std::string text(packed);
  if (scrambled) ScrambleBuffer(text.data(), text.size(), ScenarioSeed);

  // Text made by an author holds hardly any control bytes; unscrambling a plain file (or the
  // other way round) turns about a quarter of its bytes into them.
  size_t controls = 0;
  for (char ch : text) {
    auto c = static_cast<unsigned char>(ch);
    if ((c < 0x20 && c != '\t' && c != '\r' && c != '\n') || c == 0x7F) ++controls;
  }
  if (controls > 0 && controls * 16 > text.size()) {
    errors.push_back({0, 0,
                      std::string("this does not look like a ") +
                          (scrambled ? "scrambled" : "plain") + " scenario file (" +
                          std::to_string(controls) + " control bytes); try " +
                          (scrambled ? "--plain" : "it without --plain")});
    return false;
  }

  size_t total = 0;
  forEachLine(text, [&](int lineNo, std::string_view line) {
    int column = 0;
    for (size_t i = 0; i < line.size();) {
      char32_t cp;
      size_t n = DecodeCp932Char(line.data(), line.size(), i, &cp);
      ++column;
      if (cp == 0xFFFD) {
        addCapped(errors, total,
                  {lineNo, column,
                   "byte " + hexByte(static_cast<unsigned char>(line[i])) + " is not CP932 text"});
      }
      i += n ? n : 1;
    }
  });
  if (total > 0) {
    closeCapped(errors, total);
    return false;
  }
  out = Cp932ToUtf8(text);
  return true;
}

std::string DescribeScenarioNote(const TScenarioNote& note) {
  std::string node = "node " + std::to_string(note.node);
  switch (note.kind) {
    case TScenarioNote::LineCut:
      // The packer keeps the line whole; the engine reads its start when it loads the file.
      return "line of " + std::to_string(note.count) + " bytes: the engine reads only its first " +
             std::to_string(kMaxScenarioLineBytes) + " bytes (" + node + ")";
    case TScenarioNote::TitleCut:
      return "title line of " + std::to_string(note.count) +
             " bytes: the engine reads only its first " + std::to_string(kMaxTitleLineBytes) +
             " bytes (" + node + ")";
    case TScenarioNote::BodyDropped:
      return "this marker line ends in a blank and becomes the title of " + node +
             ", which loses its " + std::to_string(note.count) +
             " line(s); remove the trailing blank or give the node a title line";
    case TScenarioNote::TextEnded:
      return "a NUL byte ends the scenario here; the rest of the file is ignored";
  }
  return {};
}

std::string FormatScenarioTree(const TNodeTree& tree) {
  std::string s = "index depth lines children  title\n";
  char buf[64];
  for (int i = 0; i < tree.Count(); ++i) {
    const TScenarioNode* n = tree.Item(i);
    int depth = n->Level();
    if (n->HasBody()) {
      std::snprintf(buf, sizeof buf, "%5d %5d %5d %8d  ", i, depth, n->LineCount(), n->Count());
    } else {
      std::snprintf(buf, sizeof buf, "%5d %5d %5s %8d  ", i, depth, "-", n->Count());
    }
    s += buf;
    s.append(static_cast<size_t>(std::min(depth, 32)) * 2, ' ');
    s += '"';
    for (char c : Cp932ToUtf8(n->Text())) {
      if (c == '\t') {
        s += "\\t";
      } else if (c == '"' || c == '\\') {
        s += '\\';
        s += c;
      } else {
        s += c;
      }
    }
    s += '"';
    if (n->HasChildren()) {
      s += "  ->";
      for (int k = 0; k < n->Count(); ++k) {
        s += ' ';
        s += std::to_string(n->Item(k)->AbsoluteIndex());
      }
    }
    s += '\n';
  }
  return s;
}

int RunPackTool(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
  bool plain = false, unpack = false, treeMode = false;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i] ? argv[i] : "";
    if (a == "--plain") {
      plain = true;
    } else if (a == "--unpack") {
      unpack = true;
    } else if (a == "--tree") {
      treeMode = true;
    } else if (a == "--help" || a == "-h") {
      out << kUsage;
      return 0;
    } else if (a.size() > 1 && a[0] == '-') {
      err << "miravel-pack: unknown option " << a << '\n' << kUsage;
      return 2;
    } else {
      files.push_back(a);
    }
  }
  if ((unpack && treeMode) || files.size() != (treeMode ? 1u : 2u) || files[0].empty() ||
      (!treeMode && files[1].empty())) {
    err << kUsage;
    return 2;
  }

  const std::string& in = files[0];
  std::string data, why;
  if (!ReadNativeFile(in, data, why)) {
    err << in << ": cannot read: " << why << '\n';
    return 1;
  }

  if (treeMode) {
    std::string cp932;
    std::vector<TPackMessage> errors;
    if (endsWithSsf(in)) {
      cp932 = std::move(data);
      if (!plain) ScrambleBuffer(cp932.data(), cp932.size(), ScenarioSeed);
    } else if (!PackScenario(data, false, cp932, errors)) {
      printMessages(err, in, "error", errors);
      return 1;
    }
    TNodeTree tree;
    std::vector<TScenarioNote> notes;
    BuildScenarioTree(cp932.data(), cp932.size(), tree, &notes);
    for (const TScenarioNote& n : notes) {
      printMessages(err, in, "warning", {{n.line, 0, DescribeScenarioNote(n)}});
    }
    out << FormatScenarioTree(tree);
    return 0;
  }

  const std::string& target = files[1];
  std::string result;
  std::vector<TPackMessage> errors, warnings;
  bool ok = unpack ? UnpackScenario(data, !plain, result, errors)
                   : PackScenario(data, !plain, result, errors, &warnings);
  printMessages(err, in, "warning", warnings);
  if (!ok) {
    printMessages(err, in, "error", errors);
    err << "miravel-pack: " << target << " not written\n";
    return 1;
  }
  if (!writeNativeFileAtomic(target, result, why)) {
    err << target << ": cannot write: " << why << '\n';
    return 1;
  }
  return 0;
}
