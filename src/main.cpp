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
#include "shell/settings.h"

namespace {

constexpr const char* kUsage =
    "usage: miravel [OPTION]... [GAME-FOLDER]\n"
    "  Plays the game in GAME-FOLDER (its .ini file and its data files); without one, the game\n"
    "  whose files stand next to the program or, when there are none, the demo game installed\n"
    "  with it. A game folder dropped on the window is played next, once the running game has\n"
    "  ended through its close question.\n"
    "  --fullscreen          starts in full screen\n"
    "  --scale N             window scale: 1, 2, 3 or fit\n"
    "  --smooth              smooth filtering when the picture is scaled\n"
    "  --soundfont FILE      a SoundFont file for MIDI music\n"
    "  --volume-music N      music volume, 0 to 100, on top of the game's own\n"
    "  --volume-sound N      sound volume, 0 to 100, on top of the game's own\n"
    "  --texthook[=clipboard]  prints every text line as it is shown (UTF-8, one line each) on\n"
    "                        standard output, or puts it on the clipboard\n"
    "  --autoplay SCRIPT     drives the game from an input script (clicks, keys, screenshots)\n"
    "  --help                shows this text\n"
    "  The options other than --autoplay and --texthook override the player's settings file\n"
    "  ($XDG_CONFIG_HOME/miravel/settings.ini) for this run.\n";

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
  LoadPlayerSettings();
  std::string error;
  if (!ParsePlayerOptions(args, &error)) {
    std::fprintf(stderr, "miravel: %s (see miravel --help)\n", error.c_str());
    return 2;
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
        form->ApplyPlayerDisplay();
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
