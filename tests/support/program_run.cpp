#include "support/program_run.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

int RunProgram(const ProgramSpawn& spawn, ProgramEnd* end) {
  ProgramEnd ignored;
  if (!end) end = &ignored;
  *end = ProgramEnd{};
  if (spawn.argv.empty()) return -1;
  const auto start = std::chrono::steady_clock::now();
  // What the test has printed goes out now, not again from the child's copy of the buffers.
  std::fflush(nullptr);
  pid_t pid = fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    for (const std::string& name : spawn.unsetEnv) ::unsetenv(name.c_str());
    for (const std::string& e : spawn.setEnv) ::putenv(::strdup(e.c_str()));
    if (!spawn.stdoutFile.empty() && !std::freopen(spawn.stdoutFile.c_str(), "w", stdout))
      _exit(126);
    if (spawn.stderrFile == spawn.stdoutFile && !spawn.stderrFile.empty()) {
      dup2(fileno(stdout), 2);
    } else if (!spawn.stderrFile.empty() && !std::freopen(spawn.stderrFile.c_str(), "w", stderr)) {
      _exit(126);
    }
    std::vector<char*> argv;
    for (const std::string& a : spawn.argv) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  end->pid = pid;
  const auto deadline = start + std::chrono::seconds(spawn.timeoutSec);
  const auto signalAt = start + std::chrono::milliseconds(spawn.signalAfterMs);
  bool signalDue = spawn.signalAfterMs >= 0;
  int status = 0;
  while (waitpid(pid, &status, WNOHANG) == 0) {
    const auto now = std::chrono::steady_clock::now();
    if (now > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      end->termSignal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
      return -1;
    }
    if (signalDue && now >= signalAt) {
      kill(pid, spawn.signal);
      end->signalSent = true;
      signalDue = false;
      continue;
    }
    // Short steps before a signal, so that it goes out on time.
    auto step = std::chrono::steady_clock::duration(std::chrono::milliseconds(20));
    if (signalDue) step = std::min(step, signalAt - now);
    std::this_thread::sleep_for(step);
  }
  end->termSignal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
