// The real program started as a new user would start it: a wrong folder, a wrong option or no
// display at all is said on standard error with an exit status, at once and without a window.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/temp_dir.h"

namespace {

struct ProgramRun {
  int status;  // -1: killed after the timeout (the program went on running) or by a signal
  std::string out, err;
};

// Runs the program with args in an environment without any display and with its own home and
// config folders, plus env ("NAME=value").
ProgramRun runProgram(const TempDir& dir, const std::vector<std::string>& args,
               const std::vector<std::string>& env) {
  const std::string outFile = dir.File("out.txt"), errFile = dir.File("err.txt");
  pid_t pid = fork();
  if (pid < 0) return {-1, "", "fork failed"};
  if (pid == 0) {
    for (const char* name : {"SDL_VIDEODRIVER", "DISPLAY", "WAYLAND_DISPLAY", "XDG_CONFIG_HOME"})
      ::unsetenv(name);
    ::setenv("HOME", dir.Path().c_str(), 1);
    ::setenv("SDL_AUDIODRIVER", "dummy", 1);
    for (const std::string& e : env) putenv(const_cast<char*>(e.c_str()));
    if (!std::freopen(outFile.c_str(), "w", stdout) || !std::freopen(errFile.c_str(), "w", stderr))
      _exit(126);
    std::vector<char*> argv{const_cast<char*>(MIRAVEL_BINARY)};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  int status = 0;
  bool killed = false;
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      killed = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  int code = !killed && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return {code, dir.ReadText("out.txt"), dir.ReadText("err.txt")};
}

class CommandLine : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(MIRAVEL_BINARY))
      GTEST_SKIP() << "the program is not built: " << MIRAVEL_BINARY;
    ASSERT_TRUE(dir.Write("a-file", "x"));
    ASSERT_TRUE(dir.MakeDir("game"));
  }
  TempDir dir;
};

TEST_F(CommandLine, MistakesAreSaidOnStandardError) {
  const std::string file = dir.File("a-file"), game = dir.File("game");
  const std::string headless = "SDL_VIDEODRIVER=dummy";
  struct Case {
    std::vector<std::string> args;
    std::vector<std::string> env;
    int status;
    std::string err;  // the first line of standard error
  };
  const Case cases[] = {
      {{"/no/such/dir"}, {headless}, 2, "miravel: /no/such/dir: no such folder"},
      {{file}, {headless}, 2, "miravel: " + file + ": not a folder"},
      {{file + "/x"}, {headless}, 2, "miravel: " + file + "/x: no such folder"},
      {{"--fullscreen", "/no/such/dir"}, {}, 2, "miravel: /no/such/dir: no such folder"},
      {{"--bogus"}, {headless}, 2, "miravel: unknown option --bogus (see miravel --help)"},
      {{"--scale", "9", game}, {headless}, 2,
       "miravel: --scale needs 1, 2, 3 or fit (see miravel --help)"},
      {{"--volume-music"}, {headless}, 2,
       "miravel: --volume-music needs a value (see miravel --help)"},
      {{"--autoplay"}, {headless}, 2, "miravel: --autoplay needs a file"},
      {{"--record"}, {headless}, 2, "miravel: --record needs a file"},
      {{"--fast", game}, {headless}, 2, "miravel: --fast needs --headless (see miravel --help)"},
      {{"--headless", "--record", file, game}, {}, 2,
       "miravel: --record records a player: it cannot go with --headless"},
      {{"--headless", "--autoplay", "/no/such/script"}, {}, 1,
       "miravel: cannot read the autoplay script /no/such/script"},
      {{"one", "two"}, {headless}, 2,
       "miravel: one game folder only (\"one\" and \"two\") (see miravel --help)"},
      // Over ssh: no display at all.
      {{game}, {}, 1, "miravel: no display"},
      {{game}, {"DISPLAY="}, 1, "miravel: no display"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.args) + " " + ::testing::PrintToString(c.env));
    ProgramRun r = runProgram(dir, c.args, c.env);
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_EQ(r.err.substr(0, r.err.find('\n')), c.err) << r.err;
    EXPECT_EQ(r.out, "");
  }
}

// --help lists every option the program takes.
TEST_F(CommandLine, HelpListsEveryOption) {
  ProgramRun r = runProgram(dir, {"--help"}, {});
  EXPECT_EQ(r.status, 0) << r.err;
  for (const char* option :
       {"--fullscreen", "--scale N", "--smooth", "--soundfont FILE", "--volume-music N",
        "--volume-sound N", "--texthook[=clipboard]", "--autoplay SCRIPT", "--headless",
        "--fast", "--record FILE", "--help",
        "settings.ini"}) {
    EXPECT_NE(r.out.find(option), std::string::npos) << option << " missing in\n" << r.out;
  }
}

}  // namespace
