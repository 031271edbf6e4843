// The command interpreter: the line cursor over the current node (FetchNextLine), the command
// table and its dispatch (ExecuteCommand), the argument syntax, the name substitution, and the
// commands that belong to the interpreter itself (waits, text settings, names, event mode, the
// title and ending commands).
#include <climits>
#include <cstring>
#include <string>

#include "paint/splpaint.h"
#include "platform/windows/app.h"
#include "platform/text/cp932.h"
#include "scenario/command_table.h"
#include "screens/ending.h"
#include "screens/input.h"
#include "shell/main_form.h"

namespace {

using M = TMainFrm;

constexpr TCommandEntry cmd(const char* name, bool (M::*h)(const char*)) {
  return TCommandEntry{name, h, nullptr, 0};
}
constexpr TCommandEntry cmdKind(const char* name, bool (M::*h)(const char*, int), int kind) {
  return TCommandEntry{name, nullptr, h, kind};
}
// A name that is compared but decides nothing.
constexpr TCommandEntry ignored(const char* name) {
  return TCommandEntry{name, nullptr, nullptr, 0};
}

const TCommandEntry kFadeGroup[] = {
    cmd("#FADEINSPLITE", &M::cmdFadeInSplite),
    cmd("#FADEOUTSPLITE", &M::cmdFadeOutSplite),
    cmd("#FADETOSPLITE", &M::cmdFadeToSplite),
    cmdKind("#FADEINBLACKCONTRAST", &M::cmdFadeInBlack, 6),
    cmdKind("#FADEINBLACKRGB", &M::cmdFadeInBlack, 8),
    cmdKind("#FADEINBLACK", &M::cmdFadeInBlack, 2),
    cmdKind("#FADEINWHITECONTRAST", &M::cmdFadeInWhite, 5),
    cmdKind("#FADEINWHITERGB", &M::cmdFadeInWhite, 7),
    cmdKind("#FADEINWHITE", &M::cmdFadeInWhite, 1),
    cmdKind("#FADEOUTBLACKCONTRAST", &M::cmdFadeOutBlack, 6),
    cmdKind("#FADEOUTBLACKRGB", &M::cmdFadeOutBlack, 8),
    cmdKind("#FADEOUTBLACK", &M::cmdFadeOutBlack, 2),
    cmdKind("#FADEOUTWHITECONTRAST", &M::cmdFadeOutWhite, 5),
    cmdKind("#FADEOUTWHITERGB", &M::cmdFadeOutWhite, 7),
    cmdKind("#FADEOUTWHITE", &M::cmdFadeOutWhite, 1),
};

const TCommandEntry kSlitGroup[] = {
    cmdKind("#SLITINLEFT", &M::cmdSlitIn, 3),
    cmdKind("#SLITINRIGHT", &M::cmdSlitIn, 4),
    cmdKind("#SLITOUTLEFT", &M::cmdSlitOut, 3),
    cmdKind("#SLITOUTRIGHT", &M::cmdSlitOut, 4),
};

const TCommandEntry kBgmGroup[] = {
    cmd("#BGMLOAD", &M::cmdBgmLoad),
    cmd("#BGMNLOAD", &M::cmdBgmNLoad),
    cmd("#BGMPLAY", &M::cmdBgmPlay),
    cmd("#BGMSTOP", &M::cmdBgmStop),
    cmd("#BGMPAUSEONLY", &M::cmdBgmPauseOnly),
    cmd("#BGMPAUSE", &M::cmdBgmPause),
    cmd("#BGMFADEOUT", &M::cmdBgmFadeOut),
    cmd("#BGMFADEIN", &M::cmdBgmFadeIn),
    cmd("#BGMVOLDEF", &M::cmdBgmVolDef),
};

const TCommandEntry kWaveGroup[] = {
    cmd("#WAVEPLAYSOUND", &M::cmdWavePlaySound),
    cmd("#WAVEPLAYBGM", &M::cmdWavePlayBgm),
    cmd("#WAVESTOP", &M::cmdWaveStop),
    cmd("#WAVEFADEOUT", &M::cmdWaveFadeOut),
    cmd("#WAVEFADEIN", &M::cmdWaveFadeIn),
    cmd("#WAVEVOLDEF", &M::cmdWaveVolDef),
};

// One test of the table: a command, or a group prefix with its members.
struct TTest {
  TCommandEntry entry;
  const TCommandEntry* members = nullptr;
  size_t memberCount = 0;
};

template <size_t N>
constexpr TTest group(const char* prefix, const TCommandEntry (&members)[N]) {
  return TTest{ignored(prefix), members, N};
}

const TTest kTests[] = {
    {cmd("#TIMEWAIT", &M::cmdTimeWait)},
    {cmd("#TEXTWAIT", &M::cmdTextWait)},
    {cmd("#TEXTDISPLINE", &M::cmdTextDispLine)},
    {cmd("#SETCHARNAME", &M::cmdSetCharName)},
    {cmd("#CHARNAME", &M::cmdCharName)},
    {cmd("#GOTONODESELECT", &M::cmdGotoNodeSelect)},
    {cmd("#GOTONODEFIRST", &M::cmdGotoNodeFirst)},
    {cmd("#GOTO", &M::cmdGoto)},
    {cmd("#DOLOOP", &M::cmdDoLoop)},
    {cmd("#WHILECOUNT", &M::cmdWhileCount)},
    {cmd("#WHILECLICK", &M::cmdWhileClick)},
    {cmd("#WAIT", &M::cmdWait)},
    {cmd("#GOTITLE", &M::cmdGoTitle)},
    {cmd("#SELECTSTRING", &M::cmdSelectString)},
    {cmd("#SELECTANSWER", &M::cmdSelectAnswer)},
    {cmd("#NODETITLE", &M::cmdNodeTitle)},
    {cmd("#EVENTON", &M::cmdEventOn)},
    {cmd("#EVENTOFF", &M::cmdEventOff)},
    {cmd("#SETFLG", &M::cmdSetFlg)},
    {cmd("#DELFLG", &M::cmdDelFlg)},
    {ignored("#SETPARAMVALUE")},
    {ignored("#SETPARAMPLUS")},
    {ignored("#SETPARAMMINAS")},
    {ignored("#GETPARAMEQ")},
    {ignored("#GETPARAMGE")},
    {ignored("#GETPARAMGT")},
    {ignored("#GETPARAMLE")},
    {ignored("#GETPARAMLT")},
    {cmd("#ENDIF", &M::cmdEndIf)},
    {cmd("#IFWHITCHFLG", &M::cmdIfWhitchFlg)},
    {cmd("#IFFLG", &M::cmdIfFlg)},
    {cmd("#IFNFLG", &M::cmdIfNFlg)},
    {cmd("#IFREAD", &M::cmdIfRead)},
    {cmd("#IFNREAD", &M::cmdIfNRead)},
    {cmd("#LOADSPLITE", &M::cmdLoadSplite)},
    {cmd("#LOADBKGRP", &M::cmdLoadBkGrp)},
    {cmd("#LOADBKJPG", &M::cmdLoadBkJpg)},
    {cmd("#DRAWBKGRP", &M::cmdDrawBkGrp)},
    {cmd("#MOVESPLITE", &M::cmdMoveSplite)},
    {cmd("#DRAWSPLITE", &M::cmdDrawSplite)},
    {cmd("#DRAWALL", &M::cmdDrawAll)},
    {cmd("#PATCHSPLITE", &M::cmdPatchSplite)},
    {cmd("#PATCHALLSPLITE", &M::cmdPatchAllSplite)},
    {cmd("#FILLBLACK", &M::cmdFillBlack)},
    {cmd("#FILLWHITE", &M::cmdFillWhite)},
    {cmd("#GOENDING", &M::cmdGoEnding)},
    {cmd("#CHANGEFADE", &M::cmdChangeFade)},
    group("#FADE", kFadeGroup),
    group("#SLIT", kSlitGroup),
    {cmd("#TILT", &M::cmdTilt)},
    {cmd("#QUAKE", &M::cmdQuake)},
    group("#BGM", kBgmGroup),
    group("#WAVE", kWaveGroup),
};

// The length of name when line begins with it, else 0.
size_t prefixLength(const char* line, const char* name) {
  size_t n = std::strlen(name);
  return std::strncmp(line, name, n) == 0 ? n : 0;
}

bool decides(const TCommandEntry& e) { return e.handler || e.kindHandler; }

// Field k of an argument text with every "=" dropped; the fields are separated by ",".
std::string argField(const char* args, int k) {
  std::string field;
  if (!args || k < 0) return field;
  int index = 0;
  for (const char* p = args; *p; ++p) {
    if (*p == '=') continue;
    if (*p == ',') {
      if (++index > k) break;
      continue;
    }
    if (index == k) field += *p;
  }
  return field;
}

// Loops of the main form run messages through the application; none exists before it is made.
void processMessages() {
  if (Application) Application->ProcessMessages();
}

}  // namespace

const TCommandEntry* MatchCommand(const char* line, const char** args) {
  if (args) *args = nullptr;
  if (!line || line[0] != '#') return nullptr;
  for (const TTest& test : kTests) {
    size_t n = prefixLength(line, test.entry.name);
    if (n == 0) continue;
    if (test.members) {
      for (size_t i = 0; i < test.memberCount; ++i) {
        const TCommandEntry& m = test.members[i];
        size_t mn = prefixLength(line, m.name);
        if (mn == 0 || !decides(m)) continue;
        if (args) *args = line + mn;
        return &m;
      }
      continue;  // the prefix alone decides nothing: on to the test after the group
    }
    if (!decides(test.entry)) continue;
    if (args) *args = line + n;
    return &test.entry;
  }
  return nullptr;
}

// ---- the line cursor -----------------------------------------------------------------------

void TMainFrm::loadNodeLines(TScenarioNode* node) {
  if (!NodeLines) return;
  if (node && node->HasBody()) {
    NodeLines->SetText(node->BodyText());
  } else {
    NodeLines->Clear();
  }
}

bool TMainFrm::FetchNextLine(char* buf, size_t size) {
  if (buf && size > 0) std::memset(buf, 0, size);
  TScenarioNode* node = CurrentNode();
  if (!node) return false;

  // A negative index (a damaged save) starts the node over rather than reading before it.
  if (LineIndex < 0) LineIndex = 0;
  if (LineIndex == 0) loadNodeLines(node);
  int count = NodeLines ? NodeLines->Count() : 0;

  if (LineIndex < count) {
    const std::string& line = (*NodeLines)[LineIndex];
    if (buf && size > 0) {
      size_t n = FitToBuffer(line.data(), line.size(), size - 1);
      std::memcpy(buf, line.data(), n);
    }
    ++LineIndex;
    return true;
  }

  // The node is finished: an only child follows at once (it is the next node in pre-order);
  // otherwise the step machine offers the choice, or halts when there is nothing to choose.
  if (node->Count() == 1) {
    MarkNodeRead();
    ++NodeIndex;
  } else {
    TextSubState = tsChoice;
  }
  NodeLineCount = LineIndex;
  LineIndex = 0;
  return true;
}

// ---- dispatch --------------------------------------------------------------------------------

bool TMainFrm::ExecuteCommand(const char* text) {
  if (!text) return false;
  // The line runs from a buffer of a line's size; a longer one is cut at a character boundary.
  char line[kLineBytes];
  CopyCut(line, sizeof line, text);

  if (line[0] == 0) return false;
  if (line[0] == ';' || line[0] == '/') return true;
  if (line[0] != '#') return false;

  const char* args = nullptr;
  const TCommandEntry* e = MatchCommand(line, &args);
  if (!e) return false;
  if (e->handler) return (this->*(e->handler))(args);
  return (this->*(e->kindHandler))(args, e->kind);
}

bool TMainFrm::ExecuteCommandText(const char* text) {
  char buf[kCommandTextBytes];
  std::memset(buf, 0, sizeof buf);
  if (text) CopyCut(buf, sizeof buf, text);
  return ExecuteCommand(buf);
}

// ---- arguments -------------------------------------------------------------------------------

int TMainFrm::GetIntArg(const char* args, int k) {
  // Only the digits count; there is no sign. A number too large for an int stays at the largest.
  int value = 0;
  for (char c : argField(args, k)) {
    if (c < '0' || c > '9') continue;
    int digit = c - '0';
    value = value > (INT_MAX - digit) / 10 ? INT_MAX : value * 10 + digit;
  }
  return value;
}

void TMainFrm::GetStrArg(const char* args, char* dest, size_t size, int k) {
  if (!dest || size == 0) return;
  std::string field = argField(args, k);
  size_t n = FitToBuffer(field.data(), field.size(), size - 1);
  std::memcpy(dest, field.data(), n);
  dest[n] = 0;
}

void TMainFrm::ExpandNames(char* dest, size_t size, const char* src) {
  if (!dest || size == 0) return;
  std::string out;
  if (src) {
    // Bytes beyond what fits are never looked at; a long name is still cut below.
    for (const char* p = src; *p && out.size() < size; ++p) {
      if (p[0] == '$' && p[1] >= '1' && p[1] <= '8') {
        const char* name = SaveData.CharName(p[1] - '0');
        out.append(name, strnlen(name, kCharNameBytes));
        ++p;
      } else {
        out += *p;
      }
    }
  }
  size_t n = FitToBuffer(out.data(), out.size(), size - 1);
  std::memcpy(dest, out.data(), n);
  dest[n] = 0;
}

// ---- the interpreter's own commands ----------------------------------------------------------

bool TMainFrm::cmdTimeWait(const char* args) {
  // A plain sleep: the window is not repainted and no message is let through.
  Sleep(static_cast<uint32_t>(GetIntArg(args, 0)));
  return true;
}

bool TMainFrm::cmdTextWait(const char* args) {
  TextWaitMs = static_cast<uint32_t>(GetIntArg(args, 0));
  return true;
}

bool TMainFrm::cmdTextDispLine(const char*) {
  ShowLineAtOnce = 1;
  return true;
}

bool TMainFrm::cmdSetCharName(const char* args) {
  if (splPaintView) {
    splPaintView->DrawToBkGnd(false);
    splPaintView->RGBScreen(-60);
    splPaintView->DrawToScreen(true);
  }
  if (!frmInput) return true;
  // Captions and pre-filled texts fit the screen's 32-byte fields.
  char label1[kCharNameBytes], text1[kCharNameBytes];
  char label2[kCharNameBytes], text2[kCharNameBytes];
  GetStrArg(args, label1, sizeof label1, 1);
  GetStrArg(args, text1, sizeof text1, 2);
  GetStrArg(args, label2, sizeof label2, 4);
  GetStrArg(args, text2, sizeof text2, 5);
  frmInput->setupNames(GetIntArg(args, 0), label1, text1, GetIntArg(args, 3), label2, text2);
  frmInput->SetBounds(0, 0, ClientWidth(), ClientHeight());
  frmInput->showForInput();
  return true;
}

bool TMainFrm::cmdCharName(const char* args) {
  char name[kTextBytes];
  GetStrArg(args, name, sizeof name, 0);
  ExpandNames(SpeakerName, sizeof SpeakerName, name);
  return true;
}

bool TMainFrm::cmdWait(const char*) {
  processMessages();
  return true;
}

bool TMainFrm::cmdGoTitle(const char*) {
  GoTitle();
  return false;
}

bool TMainFrm::cmdNodeTitle(const char* args) {
  GetStrArg(args, NodeTitle, sizeof NodeTitle, 0);
  return true;
}

bool TMainFrm::cmdEventOn(const char*) {
  EventMode = 1;
  if (splPaintView) {
    splPaintView->DrawToBkGnd(false);
    splPaintView->DrawToScreen(true);
  }
  return true;
}

bool TMainFrm::cmdEventOff(const char*) {
  EventMode = 0;
  if (splPaintView) {
    splPaintView->DrawToBkGnd(false);
    DrawTextWindow();
    splPaintView->DrawToScreen(true);
  }
  return true;
}

bool TMainFrm::cmdGoEnding(const char* args) {
  PrevStepState = StepState;
  StepState = ssEnding;
  MarkNodeRead();
  if (!frmEnding) return true;
  frmEnding->SetBounds(0, 0, ClientWidth(), ClientHeight());
  frmEnding->LoadEndingFile(GetIntArg(args, 0));
  frmEnding->Show();
  frmEnding->FormShow();
  return true;
}
