// The installed program: with no game beside it and no argument it plays the demo installed
// under <prefix>/share/miravel/demo; every older rule still comes first.
#include "shell/game_folder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/main_form_harness.h"

namespace {

namespace fs = std::filesystem;

struct InstalledCase {
  const char* name;
  std::vector<std::string> files;  // made in the prefix folder
  const char* program;             // as started, relative to the prefix ("link/miravel": a link
                                   // made there to bin/miravel)
  const char* argument;            // the game folder argument, relative to the prefix; "" none
  const char* gameDir;             // expected game folder, relative to the prefix
  const char* ini;                 // expected configuration file name in it
};

class InstalledDemo : public ::testing::TestWithParam<InstalledCase> {};

TEST_P(InstalledDemo, ChoosesTheGame) {
  const InstalledCase& c = GetParam();
  TempDir prefix;
  ASSERT_TRUE(prefix.Write("bin/miravel", "#!/bin/sh\n"));
  for (const std::string& name : c.files) ASSERT_TRUE(prefix.Write(name, "x"));
  if (std::string(c.program).rfind("link/", 0) == 0) {
    ASSERT_TRUE(prefix.MakeDir("link"));
    fs::create_symlink(prefix.File("bin/miravel"), prefix.File(c.program));
  }
  std::vector<std::string> args{prefix.File(c.program)};
  if (*c.argument) args.push_back(prefix.File(c.argument));
  SetCommandLine(args);
  TGameFolder g = LocateGameFolder();
  SetCommandLine({});
  const std::string dir = EnginePath(prefix.File(c.gameDir)) + "\\";
  EXPECT_EQ(g.ProgramDir, dir);
  EXPECT_EQ(g.IniPath, dir + c.ini);
}

const std::string kDemoIni = "share/miravel/demo/miravel.ini";

INSTANTIATE_TEST_SUITE_P(
    Cases, InstalledDemo,
    ::testing::Values(
        InstalledCase{"NothingBesidePlaysTheDemo", {kDemoIni}, "bin/miravel", "",
                      "share/miravel/demo", "miravel.ini"},
        InstalledCase{"ThroughALinkElsewhere", {kDemoIni}, "link/miravel", "",
                      "share/miravel/demo", "miravel.ini"},
        InstalledCase{"ConfigurationBesideWins", {kDemoIni, "bin/miravel.ini"}, "bin/miravel",
                      "", "bin", "miravel.ini"},
        InstalledCase{"ScenarioBesideWins", {kDemoIni, "bin/MSCS.SSF"}, "bin/miravel", "",
                      "bin", "miravel.ini"},
        InstalledCase{"ArgumentWins", {kDemoIni, "game/miravel.ini"}, "bin/miravel", "game",
                      "game", "miravel.ini"},
        InstalledCase{"NoDemoInstalled", {}, "bin/miravel", "", "bin", "miravel.ini"},
        InstalledCase{"DemoWithoutItsConfiguration", {"share/miravel/demo/mscs.ssf"},
                      "bin/miravel", "", "bin", "miravel.ini"},
        InstalledCase{"OtherProgramNameNeedsItsOwnConfiguration", {kDemoIni}, "bin/mygame",
                      "", "bin", "mygame.ini"}),
    [](const auto& info) { return std::string(info.param.name); });

// The demo as installed by the package saves in the data folder under the demo's folder name,
// whether or not its own folder can be written (the superuser can write it, but files left there
// would outlive the package).
TEST(InstalledDemo, DemoSavesInTheDataFolder) {
  TempDir prefix, data;
  ASSERT_TRUE(prefix.Write("bin/miravel", "#!/bin/sh\n"));
  ASSERT_TRUE(prefix.Write(kDemoIni, "[SYSTEM]\n"));
  ASSERT_EQ(::chmod(prefix.File("share/miravel/demo").c_str(), 0555), 0);
  ::setenv("XDG_DATA_HOME", data.Path().c_str(), 1);
  SetCommandLine({prefix.File("bin/miravel")});
  TGameFolder g = LocateGameFolder();
  SetCommandLine({});
  ::unsetenv("XDG_DATA_HOME");
  ::chmod(prefix.File("share/miravel/demo").c_str(), 0755);
  EXPECT_EQ(g.ProgramDir, EnginePath(prefix.File("share/miravel/demo")) + "\\");
  EXPECT_EQ(g.SaveDir, EnginePath(data.Path() + "/miravel/demo") + "\\");
}

}  // namespace
