#include "support/main_form_harness.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "shell/game_folder.h"
#include "support/scenario_builder.h"

namespace fs = std::filesystem;

std::string EnginePath(const std::string& native) { return EnginePathFromNative(native); }

MainFormHarness::MainFormHarness() = default;

MainFormHarness::~MainFormHarness() {
  Destroy();
  SetCommandLine({});
}

bool MainFormHarness::WriteScenario(std::string_view utf8) {
  return WriteScenarioFile(folder.Path(), utf8);
}

TMainFrm* MainFormHarness::Start(const std::vector<std::string>& extraArgs) {
  std::vector<std::string> args{folder.File("miravel")};
  args.insert(args.end(), extraArgs.begin(), extraArgs.end());
  SetCommandLine(args);
  app.Title = "";
  form = CreateMainForm();
  app.MainForm = form;
  if (!app.Terminated()) form->Show();
  return form;
}

void MainFormHarness::RunInGameLoop(const std::function<void()>& body) {
  bool ran = false;
  fake.OnProcessMessages([&] {
    if (ran || !form || form->StepState != ssLogo) return;
    ran = true;
    body();
    fake.AtNow().CloseRequest();
  });
  fake.RunScript();
  fake.OnProcessMessages({});
  EXPECT_TRUE(ran) << "the game loop did not start";
}

void MainFormHarness::Destroy() {
  delete form;
  form = nullptr;
}
