#include "support/fuzz_setup.h"

#include "shell/game_folder.h"
#include "support/scenario_builder.h"

void FuzzTouch(const uint8_t* data, size_t size) {
  unsigned sum = 0;
  for (size_t i = 0; i < size; ++i) sum += data[i];
  volatile unsigned sink = sum;
  (void)sink;
}

const TempDir& FuzzScratch() {
  static const TempDir dir;
  FuzzCheck(!dir.Path().empty());
  return dir;
}

FuzzGame::FuzzGame(std::initializer_list<std::string_view> scenarioLines, uint64_t timeLimitMs) {
  if (timeLimitMs) h.fake.SetTimeLimit(timeLimitMs);
  FuzzCheck(h.WriteScenario(ScenarioText(scenarioLines)));
  SetCommandLine({h.folder.File("miravel")});
  form = new TMainFrm();
  h.form = form;
  h.app.MainForm = form;
  FuzzCheck(form->StartupFailed == 0);
}
