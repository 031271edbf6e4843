// Runs a built program as a child process, for the end-to-end tests.
//
//   ProgramSpawn p;
//   p.argv = {MIRAVEL_BINARY, game, "--autoplay", script};
//   p.setEnv = {"SDL_VIDEODRIVER=dummy"};
//   p.stdoutFile = p.stderrFile = log;   // one log for both
//   int status = RunProgram(p);
//
// A signal at a chosen moment (a kill in the middle of a run, a session ending):
//   p.signalAfterMs = 350;               // SIGKILL by default
//   ProgramEnd end;
//   RunProgram(p, &end);                 // end.pid, end.signalSent, end.termSignal
#pragma once
#include <csignal>
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
  // >= 0: `signal` is sent this many milliseconds after the start, unless the program has ended
  // by then; the run then goes on until the program ends (or its time is over).
  int signalAfterMs = -1;
  int signal = SIGKILL;
};

// How a run ended, beyond its exit status.
struct ProgramEnd {
  int pid = 0;              // the child's process id
  bool signalSent = false;  // the program was still running when its signal was due
  int termSignal = 0;       // the signal that ended the program; 0 when it exited
};

// The exit status, or -1 when the program was killed after its time or ended by a signal.
int RunProgram(const ProgramSpawn& spawn, ProgramEnd* end = nullptr);
