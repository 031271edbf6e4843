// Where the running game lives: its folder, its configuration file and the folder of its save
// files, decided from the command line.
//
//   miravel          the game is the folder of the program as it was started (argv[0], not
//                    resolved through links), with "<program base name>.ini" beside it
//   miravel DIR      the game is DIR; its configuration is DIR/<program base name>.ini or, when
//                    that is missing, the one ".ini" in DIR whose base name matches an ".exe"
//                    beside it (a game folder copied from Windows)
//
// A program with neither "<base name>.ini" nor "mscs.ssf" beside it and no argument plays the
// demo installed with it, <prefix>/share/miravel/demo for the program <prefix>/bin/miravel.
//
// When the game folder is not writable the save files go to
// $XDG_DATA_HOME/miravel/<game folder name>/ (default ~/.local/share).
#pragma once
#include <string>
#include <vector>

// The command line as the program was started: args[0] the program as invoked, args[1] (when
// present) the game folder. Options of the backend are removed before.
void SetCommandLine(std::vector<std::string> args);
const std::vector<std::string>& CommandLine();

struct TGameFolder {
  std::string ProgramDir;  // engine path (CP932, "\\" separators), ending in "\\"
  std::string IniPath;     // engine path of the configuration file
  std::string SaveDir;     // engine path ending in "\\"
};

TGameFolder LocateGameFolder();

// True when the native folder holds a game this program would play when given it as DIR: its
// configuration file (found as for "miravel DIR") or a scenario file.
bool IsGameFolder(const std::string& nativeDir);

// Engine path (CP932 with "\\" separators) of a native (UTF-8, "/") path. A name that CP932
// cannot hold keeps its native bytes and separators.
std::string EnginePathFromNative(const std::string& native);

// The user's home folder: $HOME, else the password database's; empty when neither names one.
std::string HomeDir();
