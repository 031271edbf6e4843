// The command interpreter: the line cursor over the current node (FetchNextLine), the dispatch
// of a line to its command (ExecuteCommand, with the names and the argument syntax of
// scenario/commands.h and the handlers of scenario/command_table.h), the name substitution,
// and the commands that belong to the interpreter itself (waits, text settings, names, event
// mode, the title and ending commands).
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

// Loops of the main form run messages through the application; none exists before it is made.
void processMessages() {
  if (Application) Application->ProcessMessages();
}

}  // namespace

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

  switch (ClassifyLine(line)) {
    case lkEmpty:
    case lkText:
      return false;
    case lkComment:
      return true;
    case lkCommand:
      break;
  }

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

// ---- arguments and names ---------------------------------------------------------------------

int TMainFrm::GetIntArg(const char* args, int k) { return ParseIntArg(args, k); }

void TMainFrm::GetStrArg(const char* args, char* dest, size_t size, int k) {
  ParseStrArg(args, dest, size, k);
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
    splPaintView->RGBScreen(kMenuDarken);
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
