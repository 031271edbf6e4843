// Leaving the story for the title picture, resetting the script cursor, the current node, and
// clearing the texts of a choice: small operations that the menus, the window menu, the game
// loop and the interpreter share.
#include <cstring>

#include "paint/splpaint.h"
#include "platform/windows/app.h"
#include "platform/audio/audio.h"
#include "shell/main_form.h"

void TMainFrm::GoTitle() {
  if (Application) Application->ProcessMessages();
  Sleep(100);
  if (MediaPlayer && MediaPlayer->Mode() == mpPlaying) MediaPlayer->Stop();
  SpeakerName[0] = 0;
  if (splPaintView) {
    splPaintView->LoadBkGnd(TitlePath, true, 0);
    splPaintView->DrawToScreen(true);
  }
  resetStepCursor();
  ClickPending = 0;
  NodeIndex = 0;
  TextSubState = tsTyping;
  StepState = ssTitle;
  PrevStepState = ssTitle;
}

void TMainFrm::resetStepCursor() {
  LeftButtonDown = 0;
  NeedNextLine = 0;
  StepBusy = 0;
  TextPos = 0;
  LineIndex = 0;
  NodeLineCount = 0;
}

TScenarioNode* TMainFrm::CurrentNode() { return TreeViewSinario.Item(NodeIndex); }

void TMainFrm::ClearChoiceTexts() {
  for (int i = 1; i <= 4; ++i) std::memset(SelectText[i], 0, sizeof SelectText[i]);
  std::memset(NodeTitle, 0, sizeof NodeTitle);
}
