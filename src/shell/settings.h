// The player's own settings: what a player may change that the game itself never sets (window
// scale and filtering, full screen at start, the auto and skip modes, volumes on top of the
// game's, the MIDI soundfont, the screenshot folder, the text hook).
//
// They live in $XDG_CONFIG_HOME/miravel/settings.ini (default ~/.config), never in a game
// folder. The file is made on the first change the player makes in the program and rewritten
// atomically on each; a player may also edit it by hand:
//
//   [settings]
//   scale=2              window scale at start: 1, 2, 3, or 0 for "fit" (the largest that fits)
//   smooth=0             1: smooth filtering when the picture is scaled
//   fullscreen=0         1: start in full screen
//   auto_pause_ms=1500   auto mode: the pause after a complete line ...
//   auto_char_ms=60      ... plus this much per character of the line
//   skip_unread=0        1: skip mode also runs through text not read yet
//   music_volume=100     0-100, applied on top of the game's own device volumes
//   sound_volume=100
//   soundfont=           a SoundFont file for MIDI music; empty: the system's default
//   screenshots=         the screenshot folder; empty: the XDG pictures folder + /miravel/
//
// "~/" at the start of a path stands for the home folder; lines starting with "#" or ";" are
// comments. A value that cannot be read is reported on stderr and the default kept.
// Command-line options override the file for one run without changing it (ParsePlayerOptions).
#pragma once
#include <functional>
#include <string>
#include <vector>

enum class TextHook { kOff, kStdout, kClipboard };

struct TPlayerSettings {
  int scale = 1;  // 0 = fit, 1..3
  bool smooth = false;
  bool fullscreen = false;
  int autoPauseMs = 1500;
  int autoCharMs = 60;
  bool skipUnread = false;
  int musicVolume = 100;  // 0..100
  int soundVolume = 100;
  std::string soundfont;        // native path; empty = the system's default
  std::string screenshotDir;    // native path; empty = ScreenshotDir()'s default
  // For this run only (command line), never stored:
  TextHook textHook = TextHook::kOff;
};

// The settings in effect for this run: the file's, with the command line's options over them.
const TPlayerSettings& PlayerSettings();

// Reads the settings file (when present) into the settings in effect. Called once at start-up,
// before ParsePlayerOptions.
void LoadPlayerSettings();

// Takes the player options out of args (args[0], the program, stays) and applies them to this
// run; what is left is the program and at most one game folder. Returns false with *error set
// ("--scale needs 1, 2, 3 or fit", "unknown option --x", ...) on a bad option, an unknown one
// (anything else starting with "-") or a second game folder. A value follows its option as the
// next argument or after "=" (--scale=2); after "--" every argument is a game folder.
//   --fullscreen  --scale N|fit  --smooth  --soundfont FILE  --volume-music N  --volume-sound N
//   --texthook[=stdout|clipboard]
bool ParsePlayerOptions(std::vector<std::string>& args, std::string* error);

// A change the player made in the program (a menu item, a key): applied to the settings in
// effect, and the keys it changed there written to the file, whose other values stay as they
// were there (a command-line override of another key is not stored).
// False when the file could not be written; the run keeps the change.
bool ChangePlayerSettings(const std::function<void(TPlayerSettings&)>& change);

// The settings file's native path ($XDG_CONFIG_HOME/miravel/settings.ini).
std::string PlayerSettingsPath();

// The folder screenshots go to: the setting, else the XDG pictures folder (xdg-user-dir
// PICTURES, else ~/Pictures) + "/miravel". Not created here.
std::string ScreenshotDir();

// Tests: forgets everything loaded, changed and overridden (the defaults are in effect again).
void ResetPlayerSettings();
