// Program entry: miravel [OPTION]... [GAME-FOLDER] (kUsage lists the options)
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "platform/audio/audio.h"
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
    "  A value may also follow its option after \"=\" (--scale=2); after \"--\" an argument is\n"
    "  the game folder even when it starts with \"-\". The options other than --autoplay and\n"
    "  --texthook override the player's settings file ($XDG_CONFIG_HOME/miravel/settings.ini,\n"
    "  default ~/.config/miravel/settings.ini) for this run.\n"
    "  Exit status: 0 when the game was closed, 1 with no display, 2 for a wrong command line.\n";

// Why the game folder given on the command line cannot be played; null when it is a folder.
const char* folderProblem(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0)
    return errno == ENOENT || errno == ENOTDIR ? "no such folder" : std::strerror(errno);
  return S_ISDIR(st.st_mode) ? nullptr : "not a folder";
}

// SDL would fall back to its invisible offscreen driver when there is no window system; a player
// over ssh would then wait for a window that never comes. A driver named in SDL_VIDEODRIVER
// (dummy, offscreen, ...) is a headless run asked for.
bool displayReachable() {
  for (const char* name : {"SDL_VIDEODRIVER", "DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* v = std::getenv(name);
    if (v && *v) return true;
  }
  return false;
}

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
    if (i > 0 && std::strncmp(argv[i], "--autoplay=", 11) == 0) {
      autoplay = argv[i] + 11;
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
  if (args.size() > 1) {
    if (const char* problem = folderProblem(args[1])) {
      std::fprintf(stderr, "miravel: %s: %s\n", args[1].c_str(), problem);
      return 2;
    }
  }
  if (!displayReachable()) {
    std::fputs(
        "miravel: no display\n"
        "  Neither DISPLAY nor WAYLAND_DISPLAY is set: start it in a desktop session (over ssh,\n"
        "  ssh -X), or set SDL_VIDEODRIVER=dummy to run it without a window.\n",
        stderr);
    return 1;
  }
  SetCommandLine(args);
  SetPlayerVolumes(PlayerSettings().musicVolume, PlayerSettings().soundVolume);
  SetSoundfontFile(PlayerSettings().soundfont);
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
