// The configuration file and the game folder: defaults, empty values, the trailing backslash of
// the folder keys, the frame picture and its position, and where the game and its saves live.
#include "shell/config.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "paint/splpaint.h"
#include "platform/text/cp932.h"
#include "shell/game_folder.h"
#include "support/main_form_harness.h"
#include "support/pictures.h"
#include "support/scenario_builder.h"

namespace {

const char* kScenario = "line\r\n";

// A 20 x 10 message-window frame picture.
void writeFramePicture(const TempDir& folder, const std::string& relative) {
  ASSERT_FALSE(WriteBmp(folder, relative, TBitmap(20, 10, pf24bit)).empty());
}

}  // namespace

TEST(Config, WithoutAnIniFile) {
  MainFormHarness h;
  ASSERT_TRUE(h.WriteScenario(kScenario));
  writeFramePicture(h.folder, "grp/TEXTFORM.BMP");
  TMainFrm* f = h.Start();
  std::string dir = EnginePath(h.folder.Path()) + "\\";
  EXPECT_EQ(std::string(f->ProgramDir), dir);
  EXPECT_EQ(std::string(f->SaveDir), dir);
  EXPECT_EQ(std::string(f->IniPath), dir + "miravel.ini");
  EXPECT_EQ(std::string(f->GrpDir), dir + "grp\\");
  EXPECT_EQ(std::string(f->BgmDir), dir + "bgm\\");
  EXPECT_EQ(std::string(f->WavDir), dir + "wav\\");
  EXPECT_EQ(std::string(f->LogoPath), dir + "grp\\LOGO.BMP");
  EXPECT_EQ(std::string(f->TitlePath), dir + "grp\\TITLE.BMP");
  EXPECT_STREQ(f->ExtBmp, "BMP");
  EXPECT_STREQ(f->ExtJpg, "JPG");
  EXPECT_STREQ(f->EncodeBmp, "BMP");
  EXPECT_STREQ(f->EncodeJpg, "JPG");
  EXPECT_EQ(f->Caption, "MIRAVEL");
  EXPECT_EQ(h.app.Title, "MIRAVEL");
  f->Present();
  EXPECT_EQ(h.fake.WindowTitle(), "MIRAVEL");
  EXPECT_EQ(f->HasTextFrame, 1);
  EXPECT_EQ(f->splPaintView->Splite[0].DestRect, Rect(10, 342, 30, 352));
}

// Each case writes one INI file and checks the fields it changes (relative to ProgramDir).
struct IniCase {
  const char* name;
  const char* ini;
  const char* grp;
  const char* bgm;
  const char* wav;
  const char* logo;   // relative to GrpDir
  const char* title;  // relative to GrpDir
  uint8_t hasFrame;
  TRect frame;  // sprite 0's rectangle when hasFrame (the picture is 20 x 10)
};

class IniKeys : public ::testing::TestWithParam<IniCase> {};

TEST_P(IniKeys, Fields) {
  const IniCase& c = GetParam();
  MainFormHarness h;
  ASSERT_TRUE(h.WriteScenario(kScenario));
  ASSERT_TRUE(h.folder.Write("miravel.ini", c.ini));
  // The frame picture, wherever the case puts the picture folder.
  for (const char* d : {"grp", "GRP", "pics"})
    writeFramePicture(h.folder, std::string(d) + "/TEXTFORM.BMP");
  TMainFrm* f = h.Start();
  std::string dir = EnginePath(h.folder.Path()) + "\\";
  EXPECT_EQ(std::string(f->GrpDir), dir + c.grp);
  EXPECT_EQ(std::string(f->BgmDir), dir + c.bgm);
  EXPECT_EQ(std::string(f->WavDir), dir + c.wav);
  EXPECT_EQ(std::string(f->LogoPath), dir + c.grp + c.logo);
  EXPECT_EQ(std::string(f->TitlePath), dir + c.grp + c.title);
  EXPECT_EQ(f->HasTextFrame, c.hasFrame);
  if (c.hasFrame) {
    EXPECT_EQ(f->splPaintView->Splite[0].DestRect, c.frame);
  } else {
    EXPECT_TRUE(f->splPaintView->Splite[0].DestRect.IsEmpty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniKeys,
    ::testing::Values(
        IniCase{"EmptyTitle", "[GRP]\nTITLE=\n", "grp\\", "bgm\\", "wav\\", "LOGO.BMP", "0000.BMP",
                1, Rect(10, 342, 30, 352)},
        IniCase{"EmptyLogo", "[GRP]\nLOGO=\n", "grp\\", "bgm\\", "wav\\", "LOGO.BMP", "TITLE.BMP",
                1, Rect(10, 342, 30, 352)},
        IniCase{"EmptyFolders", "[SYSTEM]\nGrpPath=\nBgmPath=\nWavPath=\n", "GRP\\", "BGM\\",
                "WAV\\", "LOGO.BMP", "TITLE.BMP", 1, Rect(10, 342, 30, 352)},
        IniCase{"FoldersWithoutSeparator", "[SYSTEM]\nGrpPath=pics\nBgmPath=music\nWavPath=se\n",
                "pics\\", "music\\", "se\\", "LOGO.BMP", "TITLE.BMP", 1, Rect(10, 342, 30, 352)},
        IniCase{"FoldersWithSeparator", "[SYSTEM]\nGrpPath=pics\\\nBgmPath=music\\\nWavPath=se\\\n",
                "pics\\", "music\\", "se\\", "LOGO.BMP", "TITLE.BMP", 1, Rect(10, 342, 30, 352)},
        IniCase{"NestedFolder", "[SYSTEM]\nGrpPath=data\\pics\n", "data\\pics\\", "bgm\\", "wav\\",
                "LOGO.BMP", "TITLE.BMP", 1, Rect(10, 342, 10, 342)},
        IniCase{"EmptyExtension", "[GRP]\nEXTB=\nLOGO=start\nTITLE=menu\n", "grp\\", "bgm\\",
                "wav\\", "start.BMP", "menu.BMP", 1, Rect(10, 342, 30, 352)},
        IniCase{"OtherExtension", "[GRP]\nEXTB=bmp\n", "grp\\", "bgm\\", "wav\\", "LOGO.bmp",
                "TITLE.bmp", 1, Rect(10, 342, 30, 352)},
        IniCase{"EmptyFrame", "[GRP]\nFRAMEGRP=\n", "grp\\", "bgm\\", "wav\\", "LOGO.BMP",
                "TITLE.BMP", 0, Rect(0, 0, 0, 0)},
        IniCase{"SignedFramePos", "[GRP]\nFRAMEPOS=-20,300\n", "grp\\", "bgm\\", "wav\\",
                "LOGO.BMP", "TITLE.BMP", 1, Rect(20, 300, 40, 310)},
        IniCase{"OneFramePosField", "[GRP]\nFRAMEPOS=15\n", "grp\\", "bgm\\", "wav\\", "LOGO.BMP",
                "TITLE.BMP", 1, Rect(15, 0, 35, 10)},
        IniCase{"CaseOfKeys", "[system]\ngrppath=pics\n[grp]\ntitle=\n", "pics\\", "bgm\\", "wav\\",
                "LOGO.BMP", "0000.BMP", 1, Rect(10, 342, 30, 352)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Config, MissingFramePictureStillCountsAsAFrame) {
  // The load result is not looked at: the frame sprite stays empty, the flag is set.
  MainFormHarness h;
  ASSERT_TRUE(h.WriteScenario(kScenario));
  TMainFrm* f = h.Start();
  EXPECT_EQ(f->HasTextFrame, 1);
  EXPECT_EQ(f->splPaintView->Splite[0].DestRect, Rect(10, 342, 10, 342));
}

TEST(Config, CaptionIsCp932) {
  MainFormHarness h;
  ASSERT_TRUE(h.WriteScenario(kScenario));
  std::string ini = std::string("[SYSTEM]\nCAPTION=") + SJ("テストゲーム") + "\n";
  ASSERT_TRUE(h.folder.Write("miravel.ini", ini));
  TMainFrm* f = h.Start();
  EXPECT_EQ(f->Caption, SJ("テストゲーム"));
  EXPECT_EQ(h.app.Title, SJ("テストゲーム"));
}

TEST(Config, StartTransitionsAreReadWhenUsed) {
  MainFormHarness h;
  ASSERT_TRUE(h.WriteScenario(kScenario));
  TMainFrm* f = h.Start();
  EXPECT_EQ(f->readGrpInt("STARTFADEOUT", 1), 1);
  ASSERT_TRUE(h.folder.Write("miravel.ini", "[GRP]\nSTARTFADEOUT=9\n"));
  EXPECT_EQ(f->readGrpInt("STARTFADEOUT", 1), 9);
}

TEST(ConfigParse, FramePos) {
  struct {
    const char* value;
    int32_t x, y;
  } cases[] = {{"10,342", 10, 342}, {"-20,300", 20, 300}, {"15", 15, 0},
               {"", 0, 0},          {"=5,=6", 5, 6},      {"1a2,3b4", 12, 34},
               {",7", 0, 7},        {"1,2,3", 1, 2},      {"99999999999,1", INT32_MAX, 1}};
  for (const auto& c : cases) {
    int32_t x = -1, y = -1;
    ParseFramePos(c.value, &x, &y);
    EXPECT_EQ(x, c.x) << c.value;
    EXPECT_EQ(y, c.y) << c.value;
  }
}

TEST(ConfigParse, EndsWithBackslash) {
  EXPECT_TRUE(EndsWithBackslash("pics\\"));
  EXPECT_FALSE(EndsWithBackslash("pics"));
  EXPECT_FALSE(EndsWithBackslash(""));
  // "表" is 0x95 0x5C: its trail byte is not a separator.
  EXPECT_FALSE(EndsWithBackslash(SJ("図表")));
  EXPECT_TRUE(EndsWithBackslash((std::string(SJ("図表")) + "\\").c_str()));
}

TEST(Config, FolderNameEndingInTrailByte5CGetsASeparator) {
  MainFormHarness h;
  ASSERT_TRUE(h.WriteScenario(kScenario));
  std::string ini = std::string("[SYSTEM]\nGrpPath=") + SJ("図表") + "\n";
  ASSERT_TRUE(h.folder.Write("miravel.ini", ini));
  TMainFrm* f = h.Start();
  std::string dir = EnginePath(h.folder.Path()) + "\\";
  EXPECT_EQ(std::string(f->GrpDir), dir + SJ("図表") + "\\");
}

// ---- the game folder ------------------------------------------------------------------------

TEST(GameFolder, ProgramFolderAsStartedNotThroughLinks) {
  TempDir real, game;
  ASSERT_TRUE(real.Write("miravel", "#!/bin/sh\n"));
  std::filesystem::create_symlink(real.File("miravel"), game.File("mygame"));
  SetCommandLine({game.File("mygame")});
  TGameFolder g = LocateGameFolder();
  EXPECT_EQ(g.ProgramDir, EnginePath(game.Path()) + "\\");
  EXPECT_EQ(g.IniPath, EnginePath(game.Path()) + "\\mygame.ini");
  EXPECT_EQ(g.SaveDir, g.ProgramDir);
  SetCommandLine({});
}

TEST(GameFolder, RelativeProgramPathIsTakenFromTheCurrentFolder) {
  TempDir game;
  std::filesystem::path old = std::filesystem::current_path();
  std::filesystem::current_path(game.Path());
  SetCommandLine({"./sub/../miravel"});
  TGameFolder g = LocateGameFolder();
  std::filesystem::current_path(old);
  SetCommandLine({});
  EXPECT_EQ(g.ProgramDir, EnginePath(game.Path()) + "\\");
  EXPECT_EQ(g.IniPath, EnginePath(game.Path()) + "\\miravel.ini");
}

struct DirCase {
  const char* name;
  std::vector<std::string> files;
  const char* ini;  // expected configuration file name in DIR
};

class GameFolderDir : public ::testing::TestWithParam<DirCase> {};

TEST_P(GameFolderDir, ChoosesTheConfiguration) {
  const DirCase& c = GetParam();
  TempDir prog, game;
  for (const std::string& name : c.files) ASSERT_TRUE(game.Write(name, "x"));
  SetCommandLine({prog.File("miravel"), game.Path() + "/"});
  TGameFolder g = LocateGameFolder();
  SetCommandLine({});
  EXPECT_EQ(g.ProgramDir, EnginePath(game.Path()) + "\\");
  EXPECT_EQ(g.IniPath, EnginePath(game.Path()) + "\\" + c.ini);
  EXPECT_EQ(g.SaveDir, g.ProgramDir);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GameFolderDir,
    ::testing::Values(
        DirCase{"EngineName", {"miravel.ini", "Game.exe", "Game.ini"}, "miravel.ini"},
        DirCase{"CopiedFromWindows", {"Game.exe", "Game.ini", "other.ini"}, "Game.ini"},
        DirCase{"AnyCase", {"GAME.EXE", "game.INI"}, "game.INI"},
        DirCase{"TwoPairsAreAmbiguous", {"a.exe", "a.ini", "b.exe", "b.ini"}, "miravel.ini"},
        DirCase{"IniWithoutExe", {"setup.ini"}, "miravel.ini"},
        DirCase{"Nothing", {}, "miravel.ini"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(GameFolder, GameFolderArgumentRunsTheGameThere) {
  MainFormHarness h;
  TempDir game;
  ASSERT_TRUE(WriteScenarioFile(game.Path(), kScenario));
  ASSERT_TRUE(game.Write("Game.exe", "MZ"));
  ASSERT_TRUE(game.Write("Game.ini", "[SYSTEM]\nCAPTION=copied\n"));
  TMainFrm* f = h.Start({game.Path()});
  EXPECT_EQ(f->StartupFailed, 0);
  EXPECT_EQ(f->Caption, "copied");
  EXPECT_EQ(game.Read("orxdf01.svd").size(), 2048u);
  EXPECT_FALSE(h.folder.Exists("orxdf01.svd"));
}

TEST(GameFolder, ReadOnlyGameSavesInTheDataFolder) {
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
  TempDir prog, game, data;
  ASSERT_TRUE(::chmod(game.Path().c_str(), 0555) == 0);
  ::setenv("XDG_DATA_HOME", data.Path().c_str(), 1);
  SetCommandLine({prog.File("miravel"), game.Path()});
  TGameFolder g = LocateGameFolder();
  SetCommandLine({});
  ::unsetenv("XDG_DATA_HOME");
  std::string name = std::filesystem::path(game.Path()).filename().string();
  EXPECT_EQ(g.ProgramDir, EnginePath(game.Path()) + "\\");
  EXPECT_EQ(g.SaveDir, EnginePath(data.Path() + "/miravel/" + name) + "\\");
  EXPECT_TRUE(std::filesystem::is_directory(data.Path() + "/miravel/" + name));
}
