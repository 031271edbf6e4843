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

#include "support/program_run.h"
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
  ProgramSpawn p;
  p.argv = {MIRAVEL_BINARY};
  p.argv.insert(p.argv.end(), args.begin(), args.end());
  p.unsetEnv = {"SDL_VIDEODRIVER", "DISPLAY", "WAYLAND_DISPLAY", "XDG_CONFIG_HOME"};
  p.setEnv = {"HOME=" + dir.Path(), "SDL_AUDIODRIVER=dummy"};
  p.setEnv.insert(p.setEnv.end(), env.begin(), env.end());
  p.stdoutFile = dir.File("out.txt");
  p.stderrFile = dir.File("err.txt");
  p.timeoutSec = 20;
  const int code = RunProgram(p);
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
