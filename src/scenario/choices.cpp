// Jumps to a node named by its title, the two loop commands and the texts of a choice. The
// choice itself is offered by the step machine once a node with several children has ended.
#include <climits>

#include "shell/main_form.h"

int TMainFrm::FindNodeByTitle(const char* title) {
  return TreeViewSinario.FindTitlePrefix(title ? title : "");
}

namespace {

enum class JumpTo { First, End };

// Leaves the current node (marking it read) for the first node whose title begins with field 0
// of args; a title that no node begins with leaves everything as it was.
bool jump(TMainFrm& f, const char* args, JumpTo where) {
  char title[kTextBytes];
  f.GetStrArg(args, title, sizeof title, 0);
  int index = f.FindNodeByTitle(title);
  TScenarioNode* target = f.TreeViewSinario.Item(index);
  if (!target) return true;
  f.MarkNodeRead();
  f.NodeIndex = index;
  f.loadNodeLines(target);
  // At the end of the body the next fetch finishes the node: its only child or its choice.
  f.LineIndex = (where == JumpTo::End && f.NodeLines) ? f.NodeLines->Count() : 0;
  return true;
}

}  // namespace

bool TMainFrm::cmdGotoNodeSelect(const char* args) { return jump(*this, args, JumpTo::End); }

bool TMainFrm::cmdGotoNodeFirst(const char* args) { return jump(*this, args, JumpTo::First); }

bool TMainFrm::cmdGoto(const char* args) { return jump(*this, args, JumpTo::First); }

bool TMainFrm::cmdDoLoop(const char*) {
  LoopStartLine = LineIndex;  // already the line after #DOLOOP
  LoopCount = 0;
  return true;
}

bool TMainFrm::cmdWhileCount(const char* args) {
  if (LoopCount < INT_MAX) ++LoopCount;
  if (LoopCount <= GetIntArg(args, 0)) LineIndex = LoopStartLine;
  return true;
}

bool TMainFrm::cmdWhileClick(const char*) {
  // The click is left for the step machine to consume.
  if (!LeftButtonDown && !ClickPending) LineIndex = LoopStartLine;
  return true;
}

bool TMainFrm::cmdSelectString(const char* args) {
  GetStrArg(args, SelectText[0], sizeof SelectText[0], 0);
  return true;
}

bool TMainFrm::cmdSelectAnswer(const char* args) {
  for (int i = 0; i < 3; ++i) GetStrArg(args, SelectText[i + 1], sizeof SelectText[i + 1], i);
  return true;
}
