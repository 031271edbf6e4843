// Program entry: miravel [OPTION]... [GAME-FOLDER] (kUsage lists the options)
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "platform/audio/audio.h"
#include "platform/windows/app.h"
#include "platform/backend/fake/fake_backend.h"
#include "platform/backend/input_script.h"
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
    "  --autoplay SCRIPT     drives the game from an input script (clicks, keys, screenshots,\n"
    "                        checkpoints)\n"
    "  --headless            no window and no sound device: the game plays from --autoplay\n"
    "                        alone and is closed once the script is used up\n"
    "  --fast                with --headless, a virtual clock that skips every wait: a whole\n"
    "                        route plays in seconds, with the same frames, states and files\n"
    "  --record FILE         writes the input of this run to FILE as an --autoplay script\n"
    "  --help                shows this text\n"
    "  A value may also follow its option after \"=\" (--scale=2); after \"--\" an argument is\n"
    "  the game folder even when it starts with \"-\". The options other than --autoplay and\n"
    "  --texthook override the player's settings file ($XDG_CONFIG_HOME/miravel/settings.ini,\n"
    "  default ~/.config/miravel/settings.ini) for this run.\n"
    "  Exit status: 0 when the game was closed, 1 with no display, 2 for a wrong command line,\n"
    "  3 when a checkpoint of the --autoplay script failed (or its quit did not end the game).\n";

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

// The main form whose state the script's checkpoints read; null while there is none.
TMainFrm* gForm = nullptr;

bool checkpoint(const ScriptEntry& e, std::string* actual) {
  if (!gForm) {
    *actual = "not started";
    return false;
  }
  const bool ok = e.kind == ScriptEntry::kExpectText ? gForm->ShowsCheckpointText(e.text)
                                                     : gForm->InCheckpointState(e.text);
  if (ok) return true;
  const std::string line = gForm->CheckpointText();
  *actual = "in state \"" + gForm->CheckpointState() + "\"" +
            (line.empty() ? std::string(", showing no line") : ", showing \"" + line + "\"");
  return false;
}

// An option that takes a value, as "--name VALUE" or "--name=VALUE": true when argv[*i] is
// one, with *value set (null when the value is missing) and *i on its last word.
bool valueOption(const char* name, int argc, char** argv, int* i, const char** value) {
  const size_t n = std::strlen(name);
  if (std::strncmp(argv[*i], name, n) != 0) return false;
  if (argv[*i][n] == '=') {
    *value = argv[*i] + n + 1;
    return true;
  }
  if (argv[*i][n] != '\0') return false;
  *value = *i + 1 < argc ? argv[++*i] : nullptr;
  return true;
}

// The host of a headless run: the test backend, with the script loaded and its checkpoints
// wired to the main form. Null (with a line on stderr) when the script cannot be read.
std::unique_ptr<FakeBackend> installHeadless(const char* script, bool fast) {
  auto host = std::make_unique<FakeBackend>();
  host->SetKeptFrames(1);
  host->SetRealTime(!fast);
  host->SetLogBoxes(true);
  host->SetCloseWhenScriptEnds(true);
  SYSTEMTIME now{};
  RealLocalTime(&now);
  host->SetLocalTime(now);
  host->SetCheckpoint(checkpoint);
  if (script) {
    std::ifstream in(script, std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "miravel: cannot read the autoplay script %s\n", script);
      return nullptr;
    }
    std::stringstream text;
    text << in.rdbuf();
    std::string error;
    if (!host->LoadScript(text.str(), script, &error)) {
      std::fprintf(stderr, "miravel: autoplay script %s: %s\n", script, error.c_str());
      return nullptr;
    }
  }
  // The runaway guard: a run that goes on an hour past its script is closed.
  host->SetTimeLimit(host->ScriptEnd() + 3600000, [] {
    std::fprintf(stderr, "miravel: the headless run outlasted its script by an hour; closing\n");
  });
  return host;
}

}  // namespace

int main(int argc, char** argv) {
  // The backend's own option is taken off the command line; the rest is the game's.
  const char* autoplay = nullptr;
  const char* record = nullptr;
  bool headless = false, fast = false;
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    }
  }
  for (int i = 0; i < argc; ++i) {
    if (i > 0) {
      const char** value = nullptr;
      const char* name = nullptr;
      for (auto [opt, dest] : {std::pair{"--autoplay", &autoplay}, std::pair{"--record", &record}}) {
        int j = i;
        const char* v = nullptr;
        if (valueOption(opt, argc, argv, &j, &v)) {
          name = opt;
          value = dest;
          *value = v;
          i = j;
          break;
        }
      }
      if (name) {
        if (!*value) {
          std::fprintf(stderr, "miravel: %s needs a file\n", name);
          return 2;
        }
        continue;
      }
      if (std::strcmp(argv[i], "--headless") == 0) {
        headless = true;
        continue;
      }
      if (std::strcmp(argv[i], "--fast") == 0) {
        fast = true;
        continue;
      }
    }
    args.emplace_back(argv[i]);
  }
  if (fast && !headless) {
    std::fprintf(stderr, "miravel: --fast needs --headless (see miravel --help)\n");
    return 2;
  }
  if (record && headless) {
    std::fprintf(stderr, "miravel: --record records a player: it cannot go with --headless\n");
    return 2;
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
  if (!headless && !displayReachable()) {
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
  // The program entry picks the host: the SDL one, or for a headless run the test backend
  // (virtual clock, scripted input, no window or sound device).
  SetScriptStateNames(TMainFrm::CheckpointStateNames());
  std::unique_ptr<FakeBackend> headlessHost;
  if (headless) {
    headlessHost = installHeadless(autoplay, fast);
    if (!headlessHost) return 1;
  } else if (!InstallSdlBackend(autoplay, record, checkpoint)) {
    return 1;
  }

  std::string next;  // a game folder dropped on the window, started once this one has ended
  {
    TApplication app;
    try {
      app.Title = "";
      TMainFrm* form = CreateMainForm();
      gForm = form;
      app.MainForm = form;
      if (!app.Terminated()) {
        form->ApplyPlayerDisplay();
        form->Show();
        app.Run();
      }
      next = form->DroppedGame;
      gForm = nullptr;
      delete form;
    } catch (const std::exception& e) {
      app.ShowException(e.what());
    } catch (...) {
      app.ShowException("unknown exception");
    }
  }
  if (headlessHost) {
    headlessHost.reset();
    // A headless run plays the one game it was given.
    return 0;
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
