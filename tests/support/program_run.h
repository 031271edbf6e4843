// Runs a built program as a child process, for the end-to-end tests.
//
//   ProgramSpawn p;
//   p.argv = {MIRAVEL_BINARY, game, "--autoplay", script};
//   p.setEnv = {"SDL_VIDEODRIVER=dummy"};
//   p.stdoutFile = p.stderrFile = log;   // one log for both
//   int status = RunProgram(p);
#pragma once
#include <string>
#include <vector>

struct ProgramSpawn {
  std::vector<std::string> argv;      // argv[0] is the program's path
  std::vector<std::string> unsetEnv;  // names taken out of the environment first
  std::vector<std::string> setEnv;    // "NAME=value", set after that
  // Where standard output and standard error go (the same path: one file for both); empty:
  // where the test's go.
  std::string stdoutFile, stderrFile;
  int timeoutSec = 60;  // the program is killed after it
};

// The exit status, or -1 when the program was killed after its time or ended by a signal.
int RunProgram(const ProgramSpawn& spawn);
