// Reading the scenario file "mscs.ssf" of the game folder into the node tree.
#include "platform/text/cp932.h"
#include "scenario/scenario_file.h"
#include "shell/config.h"
#include "shell/main_form.h"

bool TMainFrm::LoadScenario() {
  NodeIndex = 0;
  char path[kPathBytes];
  CopyCut(path, sizeof path, ProgramDir);
  if (!EndsWithBackslash(path)) AppendCut(path, sizeof path, "\\");
  AppendCut(path, sizeof path, kScenarioFileName);
  return LoadScenarioFile(path, chkbTestCrypt, TreeViewSinario);
}
