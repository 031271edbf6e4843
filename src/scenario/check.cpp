#include "scenario/check.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <sstream>

#include "platform/files/files.h"
#include "platform/text/cp932.h"
#include "platform/text/text.h"
#include "scenario/commands.h"
#include "scenario/game_paths.h"
#include "scenario/message_layout.h"
#include "scenario/pack.h"
#include "scenario/scenario_file.h"
#include "screens/ending_file.h"

namespace {

// The engine's buffers: a path, an argument read as text (a title, a name).
constexpr size_t kPathBytes = 256;
constexpr size_t kArgTextBytes = 256;
// The play area's font, which the message window draws with.
constexpr int32_t kMessageFontHeight = -27;
// The engine's name substitution: "$1".."$8".
constexpr int kFirstShownName = 1, kLastShownName = 8;

bool isNumberKind(TArgKind k) {
  return k == akNumber || k == akSwitch || k == akFlag || k == akNameEntry ||
         k == akMusicNumber || k == akEnding;
}

TArgKind fieldKind(const TArgShape& s, size_t k) {
  return s.kinds[std::min(k, std::size(s.kinds) - 1)];
}

// Characters (CP932) in the first n bytes of line, plus one: a column.
int columnOf(std::string_view line, size_t n) {
  int col = 1;
  for (size_t i = 0; i < n && i < line.size(); ++i, ++col) {
    if (IsLeadByte(static_cast<unsigned char>(line[i])) && i + 1 < line.size()) ++i;
  }
  return col;
}

std::string trimmed(const std::string& s) {
  size_t a = s.find_first_not_of(" \t"), b = s.find_last_not_of(" \t");
  return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

bool allDigits(const std::string& s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Edit distance 1 (one byte replaced, inserted or deleted).
bool oneEditAway(std::string_view a, std::string_view b) {
  if (a.size() > b.size()) std::swap(a, b);
  if (b.size() - a.size() > 1) return false;
  size_t i = 0;
  while (i < a.size() && a[i] == b[i]) ++i;
  if (a.size() == b.size()) {
    if (i >= a.size()) return false;
    // one byte replaced, or two neighbours swapped
    return a.substr(i + 1) == b.substr(i + 1) ||
           (i + 1 < a.size() && a[i] == b[i + 1] && a[i + 1] == b[i] && a.substr(i + 2) == b.substr(i + 2));
  }
  return a.substr(i) == b.substr(i + 1);
}

// The name an author meant at the start of a "#" line: "#" and the letters after it.
std::string nameToken(std::string_view line) {
  size_t n = 1;
  while (n < line.size() && ((line[n] >= 'A' && line[n] <= 'Z') || (line[n] >= 'a' && line[n] <= 'z')))
    ++n;
  return std::string(line.substr(0, n));
}

std::string suggestion(const std::string& token, const char* not_ = "") {
  for (const char* name : AllCommandNames()) {
    if (std::strcmp(name, not_) != 0 && oneEditAway(token, name)) return std::string("; did you mean '") + name + "'?";
  }
  return {};
}

class Checker {
 public:
  explicit Checker(const TCheckInput& in) : in_(in) {}

  std::vector<TCheckDiagnostic> run() {
    std::string cp932;
    if (!in_.packed) {
      std::vector<TPackMessage> errors;
      if (!PackScenario(in_.data, false, cp932, errors)) {
        for (const TPackMessage& m : errors) add(m.line, m.column, true, m.text);
        return finish();
      }
    } else {
      cp932.assign(in_.data.data(), in_.data.size());
      if (in_.scrambled) ScrambleBuffer(cp932.data(), cp932.size(), ScenarioSeed);
    }
    std::vector<TScenarioNote> notes;
    BuildScenarioTree(cp932.data(), cp932.size(), tree_, &notes, &sources_);
    for (const TScenarioNote& n : notes) add(n.line, 0, false, DescribeScenarioNote(n));

    setUpGame();
    collectNames();
    reached_.assign(tree_.Count(), false);
    jumps_.assign(tree_.Count(), {});
    leaves_.assign(tree_.Count(), false);
    for (int i = 0; i < tree_.Count(); ++i) checkNode(i);
    checkReach();
    return finish();
  }

 private:
  struct Line {
    std::string_view text;
    int number;
  };

  void add(int line, int column, bool error, std::string text) {
    out_.push_back(TCheckDiagnostic{line, column, error, std::move(text)});
  }

  std::vector<TCheckDiagnostic> finish() {
    std::stable_sort(out_.begin(), out_.end(), [](const auto& a, const auto& b) {
      return a.line != b.line ? a.line < b.line : a.column < b.column;
    });
    return std::move(out_);
  }

  static std::string utf8(std::string_view cp932) { return Cp932ToUtf8(cp932); }

  // ---- the game folder ----------------------------------------------------------------------

  void setUpGame() {
    if (in_.gameDir.empty()) return;
    programDir_ = in_.gameDir + "\\";
    std::string ini = in_.gameDir + "/miravel.ini";
    char buf[kPathBytes];
    ReadGameFolder(gfPictures, programDir_.c_str(), ini.c_str(), buf, sizeof buf);
    grpDir_ = buf;
    ReadGameFolder(gfMusic, programDir_.c_str(), ini.c_str(), buf, sizeof buf);
    bgmDir_ = buf;
    ReadGameFolder(gfSounds, programDir_.c_str(), ini.c_str(), buf, sizeof buf);
    wavDir_ = buf;
    char extB[kPathBytes], extJ[kPathBytes];
    ReadPictureExtensions(ini.c_str(), extB, extJ, kPathBytes);
    extBmp_ = extB;
    extJpg_ = extJ;
  }

  // Whether the engine finds the file at enginePath; a name found only by a case-insensitive
  // match gives a warning.
  bool lookUp(const std::string& enginePath, int line, int column, const std::string& what) {
    if (enginePath.empty() || !FileExists(enginePath.c_str())) {
      std::string shown = enginePath.substr(std::min(programDir_.size(), enginePath.size()));
      add(line, column, true, what + " '" + utf8(shown) + "' is not in the game folder");
      return false;
    }
    std::string tail = enginePath.substr(programDir_.size());
    std::string asWritten = tail;
    std::replace(asWritten.begin(), asWritten.end(), '\\', '/');
    std::string resolved = ResolvePath(enginePath.c_str());
    auto endsWith = [&](const std::string& s) {
      return resolved.size() >= s.size() && resolved.compare(resolved.size() - s.size(), s.size(), s) == 0;
    };
    if (!endsWith(Cp932ToUtf8(asWritten)) && !endsWith(asWritten)) {
      std::string found = resolved.substr(resolved.size() - std::min(resolved.size(), Cp932ToUtf8(asWritten).size()));
      add(line, column, false,
          what + " '" + utf8(tail) + "' is found only as '" + found +
              "' (letter case differs: it works here, but keep the names the same)");
    }
    return true;
  }

  void checkFile(TArgKind kind, const std::string& field, int line, int column) {
    if (in_.gameDir.empty()) return;
    char path[kPathBytes] = {};
    char name[kPathBytes];
    std::snprintf(name, sizeof name, "%s", field.c_str());
    switch (kind) {
      case akPicture:
        FormatPicturePath(path, sizeof path, grpDir_.c_str(), name, extBmp_.c_str());
        lookUp(path, line, column, "picture");
        break;
      case akJpeg:
        FormatPicturePath(path, sizeof path, grpDir_.c_str(), name, extJpg_.c_str());
        lookUp(path, line, column, "picture");
        break;
      case akMusicNumber:
        FormatMusicNumberPath(path, sizeof path, bgmDir_.c_str(), ParseIntArg(field.c_str(), 0));
        lookUp(path, line, column, "music");
        break;
      case akMusicFile:
        FormatFolderFilePath(path, sizeof path, bgmDir_.c_str(), name);
        lookUp(path, line, column, "music");
        break;
      case akSoundFile:
        FormatFolderFilePath(path, sizeof path, wavDir_.c_str(), name);
        lookUp(path, line, column, "sound");
        break;
      case akEnding:
        checkEnding(ParseIntArg(field.c_str(), 0), line, column);
        break;
      default:
        break;
    }
  }

  // The ending file and the music and pictures its roll names.
  void checkEnding(int n, int line, int column) {
    char path[kPathBytes];
    if (!FormatEndingFilePath(path, sizeof path, programDir_.c_str(), n)) {
      add(line, column, true, "ending " + std::to_string(n) + ": the path is too long");
      return;
    }
    if (!lookUp(path, line, column, "ending file")) return;
    if (!checkedEndings_.insert(n).second) return;
    std::vector<uint8_t> data;
    if (!ReadWholeFile(path, data)) return;
    TEndingFile file = ReadEndingFile(data.data(), data.size());
    std::string music = EndingFieldText(file.Header.BgmName);
    // The roll plays its music with "#BGMNLOAD=" + the name.
    std::string args = music;
    char name[kPathBytes];
    ParseStrArg(args.c_str(), name, sizeof name, 0);
    char file_[kPathBytes];
    FormatFolderFilePath(file_, sizeof file_, bgmDir_.c_str(), name);
    if (name[0]) lookUp(file_, line, column, "ending " + std::to_string(n) + ": music");
    for (const TEndingEntry& e : file.Entries) {
      if (e.EntryFontSize != 0) continue;
      std::string pic = EndingFieldText(e.EntryText);
      FormatPicturePath(file_, sizeof file_, grpDir_.c_str(), pic.c_str(), extJpg_.c_str());
      lookUp(file_, line, column, "ending " + std::to_string(n) + ": picture");
    }
  }

  // ---- names ---------------------------------------------------------------------------------

  // The names the story offers as defaults in "#SETCHARNAME" stand for "$N" when a line is
  // measured; the player may type others.
  void collectNames() {
    for (int i = 0; i < tree_.Count(); ++i) {
      for (const Line& l : lines(i)) {
        std::string s(l.text);
        const char* args = nullptr;
        const TCommandName* c = MatchCommandName(s.c_str(), &args);
        if (!c || c->id != ciSetCharName) continue;
        char text[kArgTextBytes];
        for (int k : {0, 3}) {
          int entry = ParseIntArg(args, k);
          ParseStrArg(args, text, sizeof text, k + 2);
          if (text[0] && entry >= kFirstShownName && entry <= kLastShownName) names_[entry] = text;
        }
      }
    }
  }

  std::string expandNames(std::string_view s) const {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
      if (s[i] == '$' && i + 1 < s.size() && s[i + 1] >= '1' && s[i + 1] <= '8') {
        auto it = names_.find(s[i + 1] - '0');
        if (it != names_.end()) {
          out += it->second;
          ++i;
          continue;
        }
      }
      out += s[i];
    }
    return out;
  }

  void checkDollars(const Line& l, size_t from) {
    for (size_t i = from; i + 1 < l.text.size(); ++i) {
      if (IsLeadByte(static_cast<unsigned char>(l.text[i]))) {
        ++i;
        continue;
      }
      if (l.text[i] != '$' || l.text[i + 1] < '0' || l.text[i + 1] > '9') continue;
      size_t j = i + 1;
      long n = 0;
      while (j < l.text.size() && l.text[j] >= '0' && l.text[j] <= '9' && n < 100000)
        n = n * 10 + (l.text[j++] - '0');
      if (n < kFirstShownName || n > kLastShownName) {
        std::string written(l.text.substr(i, j - i));
        bool one = l.text[i + 1] >= '1' && l.text[i + 1] <= '8';
        add(l.number, columnOf(l.text, i), false,
            "'" + written + "' is no name: names are $1 to $8 (" +
                (one ? "this shows name $" + std::string(1, l.text[i + 1]) + " followed by '" +
                           written.substr(2) + "')"
                     : "it is shown as written)"));
      }
    }
  }

  void checkOverflow(const Line& l) {
    TFont font;
    font.Name = FontMSGothic();
    font.Height = kMessageFontHeight;
    std::string shown = expandNames(l.text);
    TRect r = kTextDrawRect;
    if (!speaker_.empty()) r.Left += SpeakerIndent(speaker_.size(), font.Size());
    if (r.Left >= r.Right) return;
    TRect need = r;
    DrawTextA(nullptr, font, shown.c_str(), -1, &need,
              DT_CALCRECT | DT_TOP | DT_WORDBREAK | DT_EXPANDTABS | DT_NOCLIP);
    if (need.Height() > r.Height()) {
      add(l.number, 0, false,
          "the line needs " + std::to_string(need.Height()) + " pixels of height; the message "
          "window shows " + std::to_string(r.Height()) + " (the rest is drawn outside it)");
    }
  }

  // ---- one node ------------------------------------------------------------------------------

  std::vector<Line> lines(int index) const {
    std::vector<Line> out;
    TScenarioNode* node = tree_.Item(index);
    const std::vector<int>& numbers = sources_[index].bodyLines;
    if (!node || !node->HasBody()) return out;
    std::string_view body = node->BodyText();
    size_t p = 0, k = 0;
    while (p < body.size()) {
      size_t e = body.find('\n', p);
      if (e == std::string_view::npos) e = body.size();
      out.push_back(Line{body.substr(p, e - p), k < numbers.size() ? numbers[k] : 0});
      ++k;
      p = e + 1;
    }
    return out;
  }

  int nodeLine(int index) const {
    const TNodeSource& s = sources_[index];
    return s.markerLine ? s.markerLine : (s.titleLine ? s.titleLine : 1);
  }

  std::string nodeName(int index) const {
    TScenarioNode* node = tree_.Item(index);
    std::string t = node ? utf8(node->Text()) : "";
    return "node " + std::to_string(index) + (t.empty() ? "" : " '" + t + "'");
  }

  void checkNode(int index) {
    TScenarioNode* node = tree_.Item(index);
    std::vector<Line> ls = lines(index);
    int lastAnswers = -1, answersLine = 0;
    bool loopOpen = false, ifOpen = false;
    int loopLine = 0;
    for (size_t i = 0; i < ls.size(); ++i) {
      const Line& l = ls[i];
      std::string s(l.text);
      TLineKind kind = ClassifyLine(s.c_str());
      if (kind == lkText) {
        checkDollars(l, 0);
        checkOverflow(l);
        continue;
      }
      if (kind != lkCommand) continue;
      const char* args = nullptr;
      const TCommandName* c = MatchCommandName(s.c_str(), &args);
      std::string token = nameToken(l.text);
      if (!c) {
        add(l.number, 1, true, "unknown command '" + utf8(token) + "'" + suggestion(token));
        continue;
      }
      size_t argsAt = static_cast<size_t>(args - s.c_str());
      if (argsAt < s.size() && std::isalpha(static_cast<unsigned char>(s[argsAt]))) {
        add(l.number, 1, true,
            "'" + utf8(token) + "' is read as '" + c->name + "' followed by '" +
                utf8(token.substr(std::strlen(c->name))) + "'" + suggestion(token, c->name));
        continue;
      }
      if (!checkArgs(*c, l, args, argsAt)) continue;

      switch (c->id) {
        case ciCharName: {
          char name[kArgTextBytes];
          ParseStrArg(args, name, sizeof name, 0);
          speaker_ = expandNames(name);
          checkDollars(l, argsAt);
          break;
        }
        case ciGoto:
        case ciGotoNodeFirst:
        case ciGotoNodeSelect:
        case ciIfRead:
        case ciIfNRead: {
          char title[kArgTextBytes];
          ParseStrArg(args, title, sizeof title, 0);
          int target = tree_.FindTitlePrefix(title);
          bool jump = c->id != ciIfRead && c->id != ciIfNRead;
          if (target < 0) {
            add(l.number, columnOf(l.text, argsAt + SplitArgFields(args)[0].offset), jump,
                std::string(jump ? "jump" : "condition") + " to '" + utf8(title) +
                    "': no node title begins with it");
          } else if (jump) {
            jumps_[index].push_back(target);
            // A jump outside a condition always leaves: the node's end is never reached.
            if (!ifOpen) leaves_[index] = true;
          }
          break;
        }
        case ciSelectAnswer:
          lastAnswers = static_cast<int>(SplitArgFields(args).size());
          answersLine = l.number;
          break;
        case ciDoLoop:
          loopOpen = true;
          loopLine = l.number;
          break;
        case ciWhileCount:
        case ciWhileClick:
          if (!loopOpen) add(l.number, 1, true, std::string(c->name) + " without a #DOLOOP before it in its node");
          loopOpen = false;
          break;
        default:
          break;
      }
      if (c->id == ciIfFlg || c->id == ciIfNFlg || c->id == ciIfWhitchFlg || c->id == ciIfRead ||
          c->id == ciIfNRead) {
        // A failed condition skips to the next line that begins with "#ENDIF" in the node.
        bool closed = false;
        for (size_t j = i + 1; j < ls.size() && !closed; ++j)
          closed = ls[j].text.substr(0, 6) == "#ENDIF";
        if (!closed) add(l.number, 1, true, std::string(c->name) + " without an #ENDIF after it in its node");
        ifOpen = true;
      }
      if (c->id == ciEndIf) ifOpen = false;
    }
    if (loopOpen) add(loopLine, 1, true, "#DOLOOP without #WHILECOUNT or #WHILECLICK after it in its node");

    int children = node ? node->Count() : 0;
    if (children > 1) {
      if (children > 3) {
        add(nodeLine(index), 0, true,
            nodeName(index) + " has " + std::to_string(children) + " children; a choice offers at most 3");
      }
      if (lastAnswers < 0) {
        add(nodeLine(index), 0, true,
            nodeName(index) + " has " + std::to_string(children) + " children but no #SELECTANSWER");
      } else if (lastAnswers != children) {
        add(answersLine, 1, true,
            "#SELECTANSWER gives " + std::to_string(lastAnswers) + " answers for " + nodeName(index) +
                " with " + std::to_string(children) + " children");
      }
    }
  }

  // Count and kind of the fields; false when the line is too broken to look further.
  bool checkArgs(const TCommandName& c, const Line& l, const char* args, size_t argsAt) {
    const TArgShape* shape = CommandArgShape(c.id);
    if (!shape) return false;
    std::vector<TArgField> fields = SplitArgFields(args);
    size_t n = fields.size();
    std::string name = c.name;
    if (n < shape->minFields) {
      add(l.number, columnOf(l.text, argsAt), true,
          name + " expects " + (shape->minFields == shape->maxFields ? "" : "at least ") +
              std::to_string(shape->minFields) + " argument" + (shape->minFields == 1 ? "" : "s") +
              ", got " + std::to_string(n));
      return false;
    }
    if (shape->maxFields != kAnyFields && n > shape->maxFields) {
      add(l.number, columnOf(l.text, argsAt + fields[shape->maxFields].offset), true,
          name + " takes " + (shape->maxFields == 0 ? "no arguments" : "at most " + std::to_string(shape->maxFields) +
              " argument" + (shape->maxFields == 1 ? "" : "s")) + ", got " + std::to_string(n) +
              " (the rest is ignored)");
    }
    bool ok = true;
    size_t used = shape->maxFields == kAnyFields ? n : std::min<size_t>(n, shape->maxFields);
    for (size_t k = 0; k < used; ++k) {
      TArgKind kind = fieldKind(*shape, k);
      std::string text = trimmed(fields[k].text);
      int column = columnOf(l.text, argsAt + fields[k].offset);
      // #SETCHARNAME: the second entry is written only when its default text is given.
      if (c.id == ciSetCharName && k == 3 && (n < 6 || trimmed(fields[5].text).empty())) continue;
      if (isNumberKind(kind)) {
        if (!allDigits(text)) {
          add(l.number, column, true,
              name + ": argument " + std::to_string(k + 1) + " must be a number, not '" +
                  utf8(fields[k].text) + "'");
          ok = false;
          continue;
        }
        int value = ParseIntArg(text.c_str(), 0);
        if (kind == akFlag && value >= kFlagLimit) {
          add(l.number, column, true,
              name + ": flag " + text + " does not exist (flags are 0 to " + std::to_string(kFlagLimit - 1) + ")");
        } else if (kind == akNameEntry && value >= kNameEntryLimit) {
          add(l.number, column, true,
              name + ": name entry " + text + " is outside the record (entries 0 to " +
                  std::to_string(kNameEntryLimit - 1) + ")");
        }
        // #IFWHITCHFLG reads its flags up to the first 0.
        if (c.id == ciIfWhitchFlg && k > 0 && value == 0) break;
      }
      if (kind == akPicture || kind == akJpeg || kind == akMusicNumber || kind == akMusicFile ||
          kind == akSoundFile || kind == akEnding) {
        char value[kPathBytes];
        ParseStrArg(args, value, sizeof value, static_cast<int>(k));
        if (!value[0]) {
          add(l.number, column, true, name + ": argument " + std::to_string(k + 1) + " names no file");
          continue;
        }
        checkFile(kind, value, l.number, column);
      }
    }
    return ok;
  }

  // ---- reach ---------------------------------------------------------------------------------

  void checkReach() {
    std::vector<int> todo{0};
    if (tree_.Count() == 0) return;
    reached_[0] = true;
    while (!todo.empty()) {
      int i = todo.back();
      todo.pop_back();
      std::vector<int> next = jumps_[i];
      TScenarioNode* node = tree_.Item(i);
      for (int k = 0; node && !leaves_[i] && k < node->Count(); ++k) next.push_back(node->Item(k)->AbsoluteIndex());
      for (int j : next) {
        if (j >= 0 && j < tree_.Count() && !reached_[j]) {
          reached_[j] = true;
          todo.push_back(j);
        }
      }
    }
    for (int i = 0; i < tree_.Count(); ++i) {
      if (!reached_[i]) add(nodeLine(i), 0, false, nodeName(i) + " is never reached (no choice or jump leads to it)");
    }
  }

  const TCheckInput& in_;
  TNodeTree tree_;
  std::vector<TNodeSource> sources_;
  std::vector<TCheckDiagnostic> out_;
  std::string programDir_, grpDir_, bgmDir_, wavDir_, extBmp_, extJpg_;
  std::map<int, std::string> names_;
  std::string speaker_;
  std::set<int> checkedEndings_;
  std::vector<bool> reached_, leaves_;
  std::vector<std::vector<int>> jumps_;
};

constexpr const char* kUsage =
    "usage: miravel-check [--game DIR] [--werror] [--plain] FILE\n"
    "  FILE      UTF-8 story text (the packer's input) or a packed mscs.ssf\n"
    "  --game    the game folder to look files up in (default: FILE's folder when it holds\n"
    "            miravel.ini)\n"
    "  --werror  treat warnings as errors\n"
    "  --plain   FILE is a packed mscs.ssf that is not scrambled\n";

bool endsWith(const std::string& s, const char* tail) {
  size_t n = std::strlen(tail);
  if (s.size() < n) return false;
  for (size_t i = 0; i < n; ++i) {
    if (FoldAscii(static_cast<unsigned char>(s[s.size() - n + i])) !=
        FoldAscii(static_cast<unsigned char>(tail[i])))
      return false;
  }
  return true;
}

}  // namespace

std::vector<TCheckDiagnostic> CheckScenario(const TCheckInput& input) { return Checker(input).run(); }

int RunCheckTool(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
  bool werror = false, plain = false, gameGiven = false;
  std::string game, file;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i] ? argv[i] : "";
    if (a == "--werror") {
      werror = true;
    } else if (a == "--plain") {
      plain = true;
    } else if (a == "--game" && i + 1 < argc) {
      game = argv[++i];
      gameGiven = true;
    } else if (a == "--help" || a == "-h") {
      out << kUsage;
      return 0;
    } else if (a.size() > 1 && a[0] == '-') {
      err << "miravel-check: unknown option " << a << '\n' << kUsage;
      return 2;
    } else if (file.empty()) {
      file = a;
    } else {
      err << kUsage;
      return 2;
    }
  }
  if (file.empty() || (gameGiven && game.empty())) {
    err << kUsage;
    return 2;
  }
  std::ifstream f(file, std::ios::binary);
  std::stringstream bytes;
  if (!f || !(bytes << f.rdbuf())) {
    err << file << ": cannot read\n";
    return 1;
  }
  std::string data = bytes.str();
  namespace fs = std::filesystem;
  if (!gameGiven) {
    fs::path dir = fs::path(file).parent_path();
    if (dir.empty()) dir = ".";
    std::error_code ec;
    if (fs::is_regular_file(dir / "miravel.ini", ec)) game = dir.string();
  } else if (std::error_code ec; !fs::is_directory(game, ec)) {
    err << game << ": not a folder\n";
    return 1;
  }
  while (game.size() > 1 && game.back() == '/') game.pop_back();

  TCheckInput input;
  input.data = data;
  input.packed = endsWith(file, ".ssf");
  input.scrambled = !plain;
  input.gameDir = game;
  bool failed = false;
  for (const TCheckDiagnostic& d : CheckScenario(input)) {
    bool error = d.error || werror;
    failed = failed || error;
    out << file << ':' << std::max(d.line, 1) << ':' << std::max(d.column, 1) << ": "
        << (error ? "error" : "warning") << ": " << d.text << '\n';
  }
  return failed ? 1 : 0;
}
