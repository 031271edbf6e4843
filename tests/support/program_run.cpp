#include "support/program_run.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

int RunProgram(const ProgramSpawn& spawn) {
  if (spawn.argv.empty()) return -1;
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
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(spawn.timeoutSec);
  int status = 0;
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
