#include "platform/backend/input_script.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "platform/pictures/bitmap.h"

void InputScript::Add(ScriptEntry e) {
  e.seq = seq_++;
  auto pos = std::upper_bound(queue_.begin(), queue_.end(), e,
                              [](const ScriptEntry& a, const ScriptEntry& b) {
                                return a.at < b.at || (a.at == b.at && a.seq < b.seq);
                              });
  size_t index = size_t(pos - queue_.begin());
  queue_.insert(pos, std::move(e));
  // An entry for a time already passed lands among applied ones: its state counts at once.
  if (index < applied_) {
    applyOne(queue_[index]);
    ++applied_;
  }
}

uint64_t InputScript::NextTime() const { return queue_.empty() ? UINT64_MAX : queue_.front().at; }

void InputScript::applyOne(ScriptEntry& e) {
  if (e.kind == ScriptEntry::kDown || e.kind == ScriptEntry::kUp ||
      e.kind == ScriptEntry::kMove || e.kind == ScriptEntry::kCursor) {
    TPoint v;
    if (e.boxButton >= 0) {
      TRect r;
      if (!MessageBoxButtonRect(size_t(e.boxButton), &r)) r = Rect(-10, -10, -10, -10);
      v = WindowToView(TPoint{(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2});
    } else if (e.menu >= 0) {
      TRect r;
      bool ok = e.item < 0 ? MenuBarItemRect(size_t(e.menu), &r)
                           : MenuDropDownItemRect(size_t(e.menu), size_t(e.item), &r);
      if (!ok) r = Rect(-10, -10, -10, -10);
      v = WindowToView(TPoint{(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2});
    } else if (e.windowCoords) {
      v = WindowToView(TPoint{e.x, e.y});
    } else {
      v = MainClientToView(TPoint{e.x, e.y});
    }
    e.x = v.x;
    e.y = v.y;
    cursor = v;
  }
  if (e.kind == ScriptEntry::kWheel) {
    e.x = cursor.x;
    e.y = cursor.y;
  }
  TShiftState bit = e.button == mbLeft ? ssLeft : e.button == mbRight ? ssRight : ssMiddle;
  if (e.kind == ScriptEntry::kDown) buttons |= bit;
  if (e.kind == ScriptEntry::kUp) buttons &= ~bit;
  if (e.kind == ScriptEntry::kShift) shift = e.on;
  if ((e.kind == ScriptEntry::kKeyDown || e.kind == ScriptEntry::kKeyUp) && e.key == VK_CONTROL)
    ctrl = e.kind == ScriptEntry::kKeyDown;
  e.heldButtons = buttons;
}

void InputScript::ApplyState(uint64_t now) {
  while (applied_ < queue_.size() && queue_[applied_].at <= now) applyOne(queue_[applied_++]);
}

bool InputScript::TakeDue(uint64_t now, ScriptEntry& out) {
  ApplyState(now);
  if (applied_ == 0) return false;
  out = std::move(queue_.front());
  queue_.pop_front();
  --applied_;
  return true;
}

bool InputScript::ToEvent(const ScriptEntry& e, TShiftState mods, BackendEvent& ev) {
  ev = BackendEvent{};
  ev.x = e.x;
  ev.y = e.y;
  ev.button = e.button;
  ev.shift = mods | e.heldButtons;
  switch (e.kind) {
    case ScriptEntry::kDown:
      ev.kind = BackendEventKind::kMouseDown;
      return true;
    case ScriptEntry::kUp:
      ev.kind = BackendEventKind::kMouseUp;
      return true;
    case ScriptEntry::kMove:
      ev.kind = BackendEventKind::kMouseMove;
      return true;
    case ScriptEntry::kWheel:
      ev.kind = BackendEventKind::kMouseWheel;
      ev.wheel = e.wheel;
      return true;
    case ScriptEntry::kKeyDown:
    case ScriptEntry::kKeyUp:
      ev.kind = e.kind == ScriptEntry::kKeyDown ? BackendEventKind::kKeyDown
                                                : BackendEventKind::kKeyUp;
      ev.key = e.key;
      ev.shift = mods | e.mods;
      return true;
    case ScriptEntry::kShift:
      ev.kind = e.on ? BackendEventKind::kKeyDown : BackendEventKind::kKeyUp;
      ev.key = VK_SHIFT;
      ev.shift = e.on ? (mods | ssShift) : (mods & ~ssShift);
      return true;
    case ScriptEntry::kText:
      ev.kind = BackendEventKind::kTextInput;
      ev.text = e.text;
      return true;
    case ScriptEntry::kTextEditing:
      ev.kind = BackendEventKind::kTextEditing;
      ev.text = e.text;
      if (e.x < 0) {
        // The caret at the end: count the characters (bytes that do not continue one).
        ev.x = 0;
        for (unsigned char c : e.text) ev.x += (c & 0xC0) != 0x80;
      }
      return true;
    case ScriptEntry::kClose:
      ev.kind = BackendEventKind::kCloseRequest;
      return true;
    case ScriptEntry::kTerminate:
      ev.kind = BackendEventKind::kTerminate;
      return true;
    case ScriptEntry::kExpose:
      ev.kind = BackendEventKind::kExpose;
      return true;
    case ScriptEntry::kMoved:
      ev.kind = BackendEventKind::kMoved;
      return true;
    case ScriptEntry::kDrop:
      ev.kind = BackendEventKind::kDropFile;
      ev.text = e.text;
      return true;
    default:
      return false;
  }
}

// ---- names and parsing ----------------------------------------------------------------------
namespace {

std::vector<std::string>& stateNames() {
  static std::vector<std::string> names;
  return names;
}

std::string upper(std::string s) {
  for (char& c : s) c = char(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

bool parseInt(const std::string& s, int32_t* v) {
  if (s.empty()) return false;
  char* end = nullptr;
  long long x = std::strtoll(s.c_str(), &end, 10);
  if (*end != '\0' || x < INT32_MIN || x > INT32_MAX) return false;
  *v = int32_t(x);
  return true;
}

// What follows the time and the command word, with the blanks after them dropped.
std::string restAfterTwoWords(const std::string& line) {
  size_t p = 0;
  for (int word = 0; word < 2; ++word) {
    p = line.find_first_not_of(" \t", p);
    if (p == std::string::npos) return "";
    p = line.find_first_of(" \t", p);
    if (p == std::string::npos) return "";
  }
  p = line.find_first_not_of(" \t", p);
  return p == std::string::npos ? "" : line.substr(p);
}

}  // namespace

namespace {

const struct {
  const char* name;
  int vk;
} kKeyNames[] = {{"RETURN", VK_RETURN},   {"ENTER", VK_RETURN},   {"ESCAPE", VK_ESCAPE},
                 {"ESC", VK_ESCAPE},      {"SPACE", VK_SPACE},    {"TAB", VK_TAB},
                 {"BACKSPACE", VK_BACK},  {"DELETE", VK_DELETE},  {"INSERT", VK_INSERT},
                 {"HOME", VK_HOME},       {"END", VK_END},        {"PAGEUP", VK_PRIOR},
                 {"PAGEDOWN", VK_NEXT},   {"LEFT", VK_LEFT},      {"RIGHT", VK_RIGHT},
                 {"UP", VK_UP},           {"DOWN", VK_DOWN},      {"SHIFT", VK_SHIFT},
                 {"CTRL", VK_CONTROL},    {"ALT", VK_MENU}};

}  // namespace

std::string KeyName(int vk, TShiftState mods) {
  std::string name;
  if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) {
    name = std::string(1, char(vk));
  } else if (vk >= VK_F1 && vk <= VK_F1 + 11) {
    name = "F" + std::to_string(vk - VK_F1 + 1);
  } else {
    for (const auto& k : kKeyNames)
      if (k.vk == vk) {
        name = k.name;
        break;
      }
  }
  if (name.empty()) return name;
  if (mods & ssShift) name = "shift+" + name;
  if (mods & ssCtrl) name = "ctrl+" + name;
  if (mods & ssAlt) name = "alt+" + name;
  return name;
}

void SetScriptStateNames(std::vector<std::string> names) { stateNames() = std::move(names); }

int KeyFromName(const std::string& name, TShiftState* mods) {
  std::string n = upper(name);
  TShiftState m = 0;
  for (;;) {
    if (n.rfind("ALT+", 0) == 0) {
      m |= ssAlt;
      n.erase(0, 4);
    } else if (n.rfind("CTRL+", 0) == 0) {
      m |= ssCtrl;
      n.erase(0, 5);
    } else if (n.rfind("SHIFT+", 0) == 0) {
      m |= ssShift;
      n.erase(0, 6);
    } else {
      break;
    }
  }
  if (mods) *mods = m;
  if (n.size() == 1 && std::isalnum(static_cast<unsigned char>(n[0]))) return n[0];
  for (const auto& k : kKeyNames)
    if (n == k.name) return k.vk;
  if (n.size() >= 2 && n[0] == 'F') {
    int32_t f = 0;
    if (parseInt(n.substr(1), &f) && f >= 1 && f <= 12) return VK_F1 + f - 1;
  }
  return 0;
}

bool ParseInputScript(const std::string& text, std::vector<ScriptEntry>& out,
                      std::string* error) {
  std::istringstream in(text);
  std::string line;
  int lineNo = 0;
  auto fail = [&](const std::string& why) {
    if (error) *error = "line " + std::to_string(lineNo) + ": " + why;
    return false;
  };
  while (std::getline(in, line)) {
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::istringstream ls(line);
    std::string timeWord, cmd;
    if (!(ls >> timeWord) || timeWord[0] == '#') continue;
    int32_t ms = 0;
    if (!parseInt(timeWord, &ms) || ms < 0) return fail("bad time \"" + timeWord + "\"");
    if (!(ls >> cmd)) return fail("missing command");
    cmd = upper(cmd);
    std::vector<std::string> args;
    for (std::string a; ls >> a;) args.push_back(a);
    ScriptEntry e;
    e.at = uint64_t(ms);
    e.line = lineNo;
    auto point = [&](ScriptEntry& p) {
      return args.size() == 2 && parseInt(args[0], &p.x) && parseInt(args[1], &p.y);
    };
    if (cmd == "CLICK" || cmd == "RCLICK") {
      if (!point(e)) return fail("expected X Y");
      e.button = cmd == "CLICK" ? mbLeft : mbRight;
      e.kind = ScriptEntry::kDown;
      out.push_back(e);
      e.kind = ScriptEntry::kUp;
      out.push_back(e);
    } else if (cmd == "DOWN" || cmd == "UP" || cmd == "MOVE") {
      if (!point(e)) return fail("expected X Y");
      e.kind = cmd == "DOWN" ? ScriptEntry::kDown
                             : cmd == "UP" ? ScriptEntry::kUp : ScriptEntry::kMove;
      out.push_back(e);
    } else if (cmd == "MENU") {
      int32_t m = 0, i = 0;
      if (args.size() != 2 || !parseInt(args[0], &m) || !parseInt(args[1], &i) || m < 0 ||
          i < 0)
        return fail("expected MENU ITEM");
      for (int step = 0; step < 2; ++step) {
        e.menu = m;
        e.item = step == 0 ? -1 : i;
        e.kind = ScriptEntry::kDown;
        out.push_back(e);
        e.kind = ScriptEntry::kUp;
        out.push_back(e);
      }
    } else if (cmd == "WHEEL") {
      if (args.size() != 1 || !parseInt(args[0], &e.wheel) || e.wheel == 0)
        return fail("expected a non-zero number of notches");
      e.kind = ScriptEntry::kWheel;
      out.push_back(e);
    } else if (cmd == "KEY") {
      if (args.size() != 1) return fail("expected a key name");
      e.key = KeyFromName(args[0], &e.mods);
      if (e.key == 0) return fail("unknown key \"" + args[0] + "\"");
      e.kind = ScriptEntry::kKeyDown;
      out.push_back(e);
      e.kind = ScriptEntry::kKeyUp;
      out.push_back(e);
    } else if (cmd == "SHIFT") {
      std::string a = args.size() == 1 ? upper(args[0]) : "";
      if (a != "ON" && a != "OFF") return fail("expected on or off");
      e.kind = ScriptEntry::kShift;
      e.on = a == "ON";
      out.push_back(e);
    } else if (cmd == "TEXT") {
      std::string rest = restAfterTwoWords(line);
      if (rest.empty()) return fail("expected text");
      e.kind = ScriptEntry::kText;
      e.text = rest;
      out.push_back(e);
    } else if (cmd == "COMPOSE") {
      // The rest of the line, possibly empty (the composition ends).
      e.kind = ScriptEntry::kTextEditing;
      e.text = restAfterTwoWords(line);
      e.x = -1;
      out.push_back(e);
    } else if (cmd == "DROP") {
      std::string rest = restAfterTwoWords(line);
      if (rest.empty()) return fail("expected a path");
      e.kind = ScriptEntry::kDrop;
      e.text = rest;
      out.push_back(e);
    } else if (cmd == "SHOT") {
      if (args.size() != 1) return fail("expected a file name");
      e.kind = ScriptEntry::kShot;
      e.text = args[0];
      out.push_back(e);
    } else if (cmd == "EXPECT-STATE") {
      if (args.size() != 1) return fail("expected a state name");
      const auto& names = stateNames();
      if (!names.empty() && std::find(names.begin(), names.end(), args[0]) == names.end())
        return fail("unknown state \"" + args[0] + "\"");
      e.kind = ScriptEntry::kExpectState;
      e.text = args[0];
      out.push_back(e);
    } else if (cmd == "EXPECT-TEXT") {
      // The rest of the line as it stands: blanks inside the text count.
      e.kind = ScriptEntry::kExpectText;
      e.text = restAfterTwoWords(line);
      if (e.text.empty()) return fail("expected text");
      out.push_back(e);
    } else if (cmd == "CLOSE" || cmd == "QUIT" || cmd == "TERMINATE") {
      if (!args.empty()) return fail("no arguments expected");
      e.kind = cmd == "CLOSE" ? ScriptEntry::kClose
               : cmd == "QUIT" ? ScriptEntry::kQuit
                               : ScriptEntry::kTerminate;
      out.push_back(e);
    } else {
      return fail("unknown command \"" + cmd + "\"");
    }
  }
  return true;
}

void RunScriptCheckpoint(const ScriptEntry& e, const ScriptCheckpoint& check,
                         const std::string& scriptName) {
  if (!check) return;
  std::string actual;
  if (check(e, &actual)) return;
  const bool text = e.kind == ScriptEntry::kExpectText;
  std::fprintf(stderr, "%s:%d: expected %s \"%s\", the game is %s\n", scriptName.c_str(), e.line,
               text ? "the text" : "the state", e.text.c_str(), actual.c_str());
  std::fflush(nullptr);
  std::_Exit(3);
}

bool WriteScriptShot(const std::string& nativePath, const TBitmap& picture) {
  if (picture.Empty()) return false;
  std::string ext = nativePath.size() >= 4 ? upper(nativePath.substr(nativePath.size() - 4)) : "";
  return ext == ".PNG" ? SavePngFile(nativePath.c_str(), picture)
                       : SaveBitmapFile(nativePath.c_str(), picture);
}

// ---- recording ------------------------------------------------------------------------------
ScriptRecorder::~ScriptRecorder() {
  if (file_) std::fclose(file_);
}

bool ScriptRecorder::Open(const std::string& nativePath) {
  if (file_) std::fclose(file_);
  file_ = std::fopen(nativePath.c_str(), "w");
  if (!file_) return false;
  std::fputs("# recorded by miravel --record: replay with --autoplay\n", file_);
  std::fflush(file_);
  return true;
}

void ScriptRecorder::line(uint64_t ms, const std::string& text) {
  std::fprintf(file_, "%llu %s\n", static_cast<unsigned long long>(ms), text.c_str());
  std::fflush(file_);
}

void ScriptRecorder::Record(uint64_t ms, const BackendEvent& ev, TPoint client) {
  if (!file_) return;
  const std::string at = " " + std::to_string(client.x) + " " + std::to_string(client.y);
  switch (ev.kind) {
    case BackendEventKind::kMouseDown:
      if (ev.button == mbLeft) {
        leftHeld_ = true;
        movedSinceDown_ = false;
        line(ms, "down" + at);
      }
      break;
    case BackendEventKind::kMouseUp:
      if (ev.button == mbLeft) {
        leftHeld_ = false;
        line(ms, "up" + at);
      } else if (ev.button == mbRight) {
        line(ms, "rclick" + at);
      }
      break;
    case BackendEventKind::kMouseMove:
      if (leftHeld_ && (!movedSinceDown_ || ms >= lastMove_ + kMoveSampleMs)) {
        movedSinceDown_ = true;
        lastMove_ = ms;
        line(ms, "move" + at);
      }
      break;
    case BackendEventKind::kMouseWheel:
      if (ev.wheel != 0) line(ms, "wheel " + std::to_string(ev.wheel));
      break;
    case BackendEventKind::kKeyDown:
    case BackendEventKind::kKeyUp: {
      const bool down = ev.kind == BackendEventKind::kKeyDown;
      if (ev.key == VK_SHIFT) {
        if (down != shiftHeld_) line(ms, down ? "shift on" : "shift off");
        shiftHeld_ = down;
        break;
      }
      if (!down || ev.key == VK_CONTROL || ev.key == VK_MENU) break;
      // Shift already held by a `shift on` line is not repeated on the key.
      std::string name = KeyName(ev.key, shiftHeld_ ? (ev.shift & ~ssShift) : ev.shift);
      if (!name.empty()) line(ms, "key " + name);
      break;
    }
    case BackendEventKind::kTextInput:
      if (!ev.text.empty()) line(ms, "text " + ev.text);
      break;
    case BackendEventKind::kTextEditing:
      line(ms, ev.text.empty() ? "compose" : "compose " + ev.text);
      break;
    case BackendEventKind::kDropFile:
      line(ms, "drop " + ev.text);
      break;
    case BackendEventKind::kCloseRequest:
      line(ms, "close");
      break;
    case BackendEventKind::kTerminate:
      line(ms, "terminate");
      break;
    default:
      break;
  }
}
