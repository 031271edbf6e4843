// Flags and conditional blocks. A condition that fails skips the lines up to the next "#ENDIF"
// of the current node by moving the line cursor; skipped lines are not interpreted at all.
#include <cstring>

#include "shell/main_form.h"

void TMainFrm::SkipToEndIf() {
  if (LineIndex < 0) LineIndex = 0;
  int count = NodeLines ? NodeLines->Count() : 0;
  // Without an "#ENDIF" the cursor stops at the end of the node, which then ends as usual.
  while (LineIndex < count) {
    if ((*NodeLines)[LineIndex].compare(0, 6, "#ENDIF") == 0) return;
    ++LineIndex;
  }
  LineIndex = count;
}

bool TMainFrm::cmdSetFlg(const char* args) {
  setFlag(GetIntArg(args, 0));
  return true;
}

bool TMainFrm::cmdDelFlg(const char* args) {
  toggleFlag(GetIntArg(args, 0));
  return true;
}

bool TMainFrm::cmdEndIf(const char*) { return true; }

bool TMainFrm::cmdIfWhitchFlg(const char* args) {
  int needed = GetIntArg(args, 0);
  int found = 0;
  // The list ends at the first flag number 0 (or the first missing field).
  for (int k = 1;; ++k) {
    int flag = GetIntArg(args, k);
    if (flag == 0) return true;
    if (testFlag(flag)) ++found;
    if (found >= needed) {
      SkipToEndIf();
      return true;
    }
  }
}

bool TMainFrm::cmdIfFlg(const char* args) {
  if (!testFlag(GetIntArg(args, 0))) SkipToEndIf();
  return true;
}

bool TMainFrm::cmdIfNFlg(const char* args) {
  if (testFlag(GetIntArg(args, 0))) SkipToEndIf();
  return true;
}

namespace {

// The first node, in index order, whose title begins with prefix and whose read mark equals
// wantRead; false when there is none.
bool anyTitledNode(TMainFrm& f, const char* prefix, bool wantRead) {
  size_t n = std::strlen(prefix);
  int count = f.TreeViewSinario.Count();
  for (int i = 0; i < count; ++i) {
    TScenarioNode* node = f.TreeViewSinario.Item(i);
    if (!node || node->Text().compare(0, n, prefix, n) != 0) continue;
    if (f.IsNodeRead(i) == wantRead) return true;
  }
  return false;
}

}  // namespace

bool TMainFrm::cmdIfRead(const char* args) {
  char title[kTextBytes];
  GetStrArg(args, title, sizeof title, 0);
  if (anyTitledNode(*this, title, false)) SkipToEndIf();
  return true;
}

bool TMainFrm::cmdIfNRead(const char* args) {
  char title[kTextBytes];
  GetStrArg(args, title, sizeof title, 0);
  if (anyTitledNode(*this, title, true)) SkipToEndIf();
  return true;
}
