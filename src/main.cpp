// Program entry: miravel [--autoplay FILE] [GAME-FOLDER]
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include <unistd.h>

#include "platform/windows/app.h"
#include "platform/backend/sdl/sdl_backend.h"
#include "shell/game_folder.h"
#include "shell/main_form.h"

namespace {

constexpr const char* kUsage =
    "usage: miravel [GAME-FOLDER] [--autoplay SCRIPT]\n"
    "  Plays the game in GAME-FOLDER (its .ini file and its data files); without one, the game\n"
    "  whose files stand next to the program or, when there are none, the demo game installed\n"
    "  with it. A game folder dropped on the window is played next, once the running game has\n"
    "  ended through its close question.\n"
    "  --autoplay SCRIPT  drives the game from an input script (clicks, keys, screenshots)\n"
    "  --help             shows this text\n";

}  // namespace

int main(int argc, char** argv) {
  // The backend's own option is taken off the command line; the rest is the game's.
  const char* autoplay = nullptr;
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    }
  }
  for (int i = 0; i < argc; ++i) {
    if (i > 0 && std::strcmp(argv[i], "--autoplay") == 0) {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "miravel: --autoplay needs a file\n");
        return 2;
      }
      autoplay = argv[++i];
      continue;
    }
    args.emplace_back(argv[i]);
  }
  SetCommandLine(args);
  if (!InstallSdlBackend(autoplay)) return 1;

  std::string next;  // a game folder dropped on the window, started once this one has ended
  {
    TApplication app;
    try {
      app.Title = "";
      TMainFrm* form = CreateMainForm();
      app.MainForm = form;
      if (!app.Terminated()) {
        form->Show();
        app.Run();
      }
      next = form->DroppedGame;
      delete form;
    } catch (const std::exception& e) {
      app.ShowException(e.what());
    } catch (...) {
      app.ShowException("unknown exception");
    }
  }
  UninstallSdlBackend();
  if (!next.empty()) {
    // The same program, as it was started, on the dropped folder.
    std::vector<char*> argvNext{argv[0], next.data(), nullptr};
    execv("/proc/self/exe", argvNext.data());
    std::fprintf(stderr, "miravel: cannot start %s: %s\n", next.c_str(), std::strerror(errno));
    return 1;
  }
  return 0;
}
