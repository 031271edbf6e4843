// A game folder in a temporary directory and the real main form running on the fake backend,
// for tests that drive TMainFrm.
//
//   MainFormHarness h;
//   h.folder.Write("miravel.ini", "[GRP]\nTITLE=\n");
//   h.WriteScenario(ScenarioText({"line", "\tchild"}));
//   h.Start();                      // constructor and FormCreate, as the program entry does
//   h.fake.CloseRequest(); h.fake.RunScript();
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/windows/app.h"
#include "platform/backend/fake/fake_backend.h"
#include "shell/main_form.h"
#include "support/temp_dir.h"

// The engine path (CP932, "\\" separators) of a native path, as the engine builds its own.
std::string EnginePath(const std::string& native);

class MainFormHarness {
 public:
  MainFormHarness();   // installs the fake backend (and with it its audio), makes the application
  ~MainFormHarness();  // destroys the form first

  FakeBackend fake;
  TApplication app;
  TempDir folder;
  TMainFrm* form = nullptr;

  // Writes the scenario file of the game folder (scrambled as this engine reads it).
  bool WriteScenario(std::string_view utf8);
  // Sets the command line (program "<folder>/miravel", or "miravel DIR" with extraArgs) and
  // runs the program entry's start: the constructor and FormCreate, then shows the form when
  // the application was not ended meanwhile. Messages posted by FormCreate stay queued.
  TMainFrm* Start(const std::vector<std::string>& extraArgs = {});
  // Lets the posted WM_RUNGAME start the game loop, runs body once inside it (where the game
  // itself calls the main form: message boxes and message processing work as in the game),
  // then closes the window through its confirmation and returns when the loop has ended.
  void RunInGameLoop(const std::function<void()>& body);
  // Destroys the form (as the program entry does after the message loop).
  void Destroy();
};
