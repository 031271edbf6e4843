// The SDL backend: the autoplay script format, and one short run on SDL's dummy video driver
// (no window system) that clicks, uses the menu, takes a screenshot and quits cleanly.
#include <gtest/gtest.h>

#include <SDL.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "app_test_forms.h"
#include "platform/bitmap.h"
#include "platform/input_script.h"
#include "platform/sdl_backend.h"

TEST(AppSdlScript, ParsesEveryCommand) {
  std::vector<ScriptEntry> e;
  std::string err;
  ASSERT_TRUE(ParseInputScript("# comment\n"
                               "\n"
                               "10 click 1 2\r\n"
                               "20 rclick 3 -4\n"
                               "30 down 5 6\n"
                               "31 up 5 6\n"
                               "32 move 7 8\n"
                               "40 key alt+F\n"
                               "41 key Return\n"
                               "50 shift on\n"
                               "51 shift OFF\n"
                               "60 text  名前 です\n"
                               "70 shot out.bmp\n"
                               "80 menu 1 0\n"
                               "90 close\n"
                               "99 quit\n",
                               e, &err))
      << err;
  ASSERT_EQ(e.size(), 21u);
  EXPECT_EQ(e[0].kind, ScriptEntry::kDown);
  EXPECT_EQ(e[1].kind, ScriptEntry::kUp);
  EXPECT_EQ(e[0].at, 10u);
  EXPECT_EQ(e[2].button, mbRight);
  EXPECT_EQ(e[2].y, -4);
  EXPECT_EQ(e[6].kind, ScriptEntry::kMove);
  EXPECT_EQ(e[7].key, 'F');
  EXPECT_EQ(e[7].mods, ssAlt);
  EXPECT_EQ(e[9].key, VK_RETURN);
  EXPECT_TRUE(e[11].on);
  EXPECT_FALSE(e[12].on);
  EXPECT_EQ(e[13].text, "名前 です");
  EXPECT_EQ(e[14].text, "out.bmp");
  EXPECT_EQ(e[15].menu, 1);
  EXPECT_EQ(e[15].item, -1);
  EXPECT_EQ(e[17].item, 0);
  EXPECT_EQ(e[18].kind, ScriptEntry::kUp);
  EXPECT_EQ(e[19].kind, ScriptEntry::kClose);
  EXPECT_EQ(e[20].kind, ScriptEntry::kQuit);
  EXPECT_EQ(e[20].at, 99u);
}

TEST(AppSdlScript, ComposeLinesBecomeCompositionEvents) {
  std::vector<ScriptEntry> e;
  std::string err;
  ASSERT_TRUE(ParseInputScript("5 compose にほんご\n6 compose\n7 text 日本語\n", e, &err)) << err;
  ASSERT_EQ(e.size(), 3u);
  BackendEvent ev;
  ASSERT_TRUE(InputScript::ToEvent(e[0], 0, ev));
  EXPECT_EQ(ev.kind, BackendEventKind::kTextEditing);
  EXPECT_EQ(ev.text, "にほんご");
  EXPECT_EQ(ev.x, 4);  // the caret after its last character
  EXPECT_EQ(ev.y, 0);
  ASSERT_TRUE(InputScript::ToEvent(e[1], 0, ev));
  EXPECT_EQ(ev.kind, BackendEventKind::kTextEditing);
  EXPECT_EQ(ev.text, "");  // the composition ends
  EXPECT_EQ(e[2].kind, ScriptEntry::kText);
}

TEST(AppSdlScript, BadLinesAreRefusedWithTheirNumber) {
  const char* bad[] = {"x click 1 2",   "10 click 1",   "10 click a b",  "10 fly 1 2",
                       "10 key NOPE",   "10 shift up",  "10 text",       "-5 close",
                       "10 close now",  "10 menu 1",    "10 shot",       "99999999999 close"};
  for (const char* line : bad) {
    std::vector<ScriptEntry> e;
    std::string err;
    EXPECT_FALSE(ParseInputScript(std::string("0 move 1 1\n") + line + "\n", e, &err)) << line;
    EXPECT_EQ(err.rfind("line 2:", 0), 0u) << err;
  }
}

TEST(AppSdlScript, KeyNames) {
  struct Case {
    const char* name;
    int vk;
    TShiftState mods;
  } cases[] = {{"a", 'A', 0},          {"Z", 'Z', 0},           {"7", '7', 0},
               {"ESC", VK_ESCAPE, 0},  {"escape", VK_ESCAPE, 0}, {"enter", VK_RETURN, 0},
               {"F10", VK_F10, 0},     {"f1", VK_F1, 0},        {"F13", 0, 0},
               {"ctrl+shift+x", 'X', ssCtrl | ssShift},         {"alt+f10", VK_F10, ssAlt},
               {"pageup", VK_PRIOR, 0}, {"", 0, 0},             {"AB", 0, 0}};
  for (const auto& c : cases) {
    TShiftState m = 0;
    EXPECT_EQ(KeyFromName(c.name, &m), c.vk) << c.name;
    if (c.vk) {
      EXPECT_EQ(m, c.mods) << c.name;
    }
  }
}

// A main form whose close asks first, as the program's does.
struct QuitForm : RecordingForm {
  QuitForm() : RecordingForm("main") {}
  void CloseQuery(bool& canClose) override {
    canClose = MessageBoxA(this, "quit?", "c", MB_OKCANCEL) == IDOK;
  }
};

TEST(AppSdlRun, DummyDriverScriptClicksMenuShotAndQuits) {
  setenv("SDL_VIDEODRIVER", "dummy", 0);
  char dir[] = "/tmp/miravel-sdl-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  std::string script = std::string(dir) + "/play.txt";
  std::string shot = std::string(dir) + "/shot.bmp";
  {
    std::ofstream out(script);
    out << "0 click 100 200\n"
        << "5 menu 0 0\n"
        << "10 shot " << shot << "\n"
        << "15 quit\n";
  }
  ASSERT_TRUE(InstallSdlBackend(script.c_str()));
  // SDL turns text input on with its video; nothing has asked for it yet.
  EXPECT_FALSE(SDL_IsTextInputActive());
  {
    TApplication app;
    QuitForm main;
    app.MainForm = &main;
    std::vector<std::string> clicks;
    main.CreateMenu()->Add("&File")->Add("&Item", [&] { clicks.push_back("item"); });
    FillRect(main.Canvas(), Rect(0, 0, 640, 480), clRed);
    main.Show();
    app.Run();
    EXPECT_TRUE(app.Terminated());
    EXPECT_FALSE(main.Visible());
    EXPECT_EQ(WithoutPaints(main.Log()),
              (std::vector<std::string>{"main: down L 100,200", "main: up L 100,200",
                                        "main: msg 0010 0 0"}));
    EXPECT_EQ(clicks, (std::vector<std::string>{"item"}));
    EXPECT_TRUE(SdlAutoplayQuitting());
  }
  UninstallSdlBackend();
  EXPECT_EQ(&CurrentBackend(), &HeadlessBackend());
  TBitmap picture;
  ASSERT_TRUE(LoadBitmapFile(shot.c_str(), picture));
  EXPECT_EQ(picture.Width(), 640);
  EXPECT_EQ(picture.Height(), 480 + kMenuBarHeight);
  EXPECT_EQ(picture.Pixel(320, 300), clRed);
  EXPECT_NE(picture.Pixel(600, 5), clRed);  // the menu bar
  std::remove(shot.c_str());
  std::remove(script.c_str());
  rmdir(dir);
}

TEST(AppSdlRun, MissingScriptIsRefused) {
  setenv("SDL_VIDEODRIVER", "dummy", 0);
  EXPECT_FALSE(InstallSdlBackend("/nonexistent/miravel-script.txt"));
  EXPECT_EQ(&CurrentBackend(), &HeadlessBackend());
}
