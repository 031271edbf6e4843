// Rebuilding the scene after a slot was loaded. This version places the cursor on the saved
// node and line; re-running the scene-setting commands and reopening the saved music come with
// the interpreter.
#include "paint/splpaint.h"
#include "shell/main_form.h"

bool TMainFrm::ReplayScene(bool redraw) {
  TScenarioNode* node = TreeViewSinario.Item(SaveData.SaveNodeIndex);
  if (!node) return false;
  NodeIndex = SaveData.SaveNodeIndex;
  if (NodeLines) NodeLines->SetText(node->BodyText());
  LineIndex = 0;
  LineIndex = SaveData.SaveLineIndex;
  if (redraw && splPaintView) splPaintView->DrawToScreen(true);
  return true;
}
