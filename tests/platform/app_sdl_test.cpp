// The SDL backend: the autoplay script format, one short run on SDL's dummy video driver (no
// window system) that clicks, uses the menu, takes a screenshot and quits cleanly, and the
// pictures that reach the window when only their changed parts are drawn again.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>

#include "app_test_forms.h"
#include "platform/pictures/bitmap.h"
#include "platform/backend/input_script.h"
#include "support/temp_dir.h"
#include "platform/backend/sdl/sdl_backend.h"

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
  TempDir dir;
  std::string script = dir.File("play.txt");
  std::string shot = dir.File("shot.bmp");
  {
    std::ofstream out(script);
    out << "0 click 100 200\n"
        << "5 menu 0 0\n"
        << "10 shot " << shot << "\n"
        << "15 quit\n";
  }
  ASSERT_TRUE(InstallSdlBackend(script.c_str()));
  // SDL turns text input on with its video; nothing has asked for it yet.
  EXPECT_FALSE(SdlTextInputActive());
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
}

TEST(AppSdlRun, MissingScriptIsRefused) {
  setenv("SDL_VIDEODRIVER", "dummy", 0);
  EXPECT_FALSE(InstallSdlBackend("/nonexistent/miravel-script.txt"));
  EXPECT_EQ(&CurrentBackend(), &HeadlessBackend());
}

namespace {

// Blocks of 40 x 40 pixels, each of its own colour, shifted by `seed`.
void drawBlocks(TBitmap& b, int seed) {
  for (int32_t y = 0; y < b.Height(); y += 40)
    for (int32_t x = 0; x < b.Width(); x += 40)
      FillRect(b, Rect(x, y, x + 40, y + 40),
               RGB(uint8_t(x + seed), uint8_t(y * 2 + seed), uint8_t((x ^ y) + 7 * seed)));
}

}  // namespace

TEST(AppSdlRun, PartialPresentsLeaveTheWholePictureInTheWindow) {
  setenv("SDL_VIDEODRIVER", "dummy", 0);
  ASSERT_TRUE(InstallSdlBackend(nullptr));
  {
    TApplication app;
    RecordingForm main{"main"}, strip{"strip", &main};
    app.MainForm = &main;
    main.SetClientSize(640, 480);
    strip.SetBounds(480, 0, 160, 480);
    drawBlocks(strip.Canvas(), 3);
    main.Show();
    // What the window must show: the main canvas with the strip over it while it is shown.
    auto expected = [&](int32_t x, int32_t y) {
      if (strip.Visible() && x >= 480) return strip.Canvas().Pixel(x - 480, y);
      return main.Canvas().Pixel(x, y);
    };
    struct Step {
      const char* what;
      std::function<void()> change;
    } steps[] = {
        {"the first picture", [&] { drawBlocks(main.Canvas(), 0); }},
        {"one pixel", [&] { main.Canvas().SetPixel(321, 123, clWhite); }},
        {"two far apart", [&] {
           main.Canvas().SetPixel(0, 0, clRed);
           main.Canvas().SetPixel(639, 479, clRed);
         }},
        {"nothing", [] {}},
        {"the strip shown", [&] { strip.Show(); }},
        {"the strip scrolled by a row",
         [&] { BitBlt(strip.Canvas(), 0, 0, 160, 480, TBitmap(strip.Canvas()), 0, 1); }},
        {"the main canvas drawn under the strip", [&] { drawBlocks(main.Canvas(), 5); }},
        {"the strip hidden", [&] { strip.Hide(); }},
    };
    for (const Step& step : steps) {
      step.change();
      main.Present();
      int32_t w = 0, h = 0;
      if (!SdlWindowSurfaceSize(&w, &h)) break;  // an accelerated renderer: no read-back here
      ASSERT_EQ(w, 640) << step.what;
      ASSERT_EQ(h, 480) << step.what;
      int wrong = 0;
      for (int32_t y = 0; y < 480; ++y)
        for (int32_t x = 0; x < 640; ++x) wrong += SdlWindowSurfacePixel(x, y) != expected(x, y);
      EXPECT_EQ(wrong, 0) << step.what;
    }
    // Full screen scales the picture to the desktop: the middle of every block shows its colour.
    int32_t w = 0, h = 0;
    if (SdlWindowSurfaceSize(&w, &h) && SetFullScreenDisplay(true)) {
      for (int seed : {0, 9}) {
        drawBlocks(main.Canvas(), seed);
        main.Present();
        ASSERT_TRUE(SdlWindowSurfaceSize(&w, &h));
        const float s = std::min(w / 640.0f, h / 480.0f);
        const float x0 = (w - 640 * s) / 2, y0 = (h - 480 * s) / 2;
        int wrong = 0;
        for (int32_t y = 20; y < 480; y += 40)
          for (int32_t x = 20; x < 640; x += 40)
            wrong += SdlWindowSurfacePixel(int(x0 + x * s), int(y0 + y * s)) != expected(x, y);
        EXPECT_EQ(wrong, 0) << "full screen " << seed;
      }
      SetFullScreenDisplay(false);
    }
  }
  UninstallSdlBackend();
}

TEST(AppSdlRun, ScaledWindowKeepsTheAspectAndTheMappingWhenResized) {
  setenv("SDL_VIDEODRIVER", "dummy", 0);
  ASSERT_TRUE(InstallSdlBackend(nullptr));
  {
    TApplication app;
    RecordingForm main{"main"};
    app.MainForm = &main;
    main.SetClientSize(640, 480);
    drawBlocks(main.Canvas(), 0);
    main.Show();
    int32_t w = 0, h = 0;
    if (SdlWindowSurfaceSize(&w, &h)) {
      // Every view pixel shows as its own block of the window's pixels; `bars` must be black.
      auto wrongPixels = [&](int32_t x0, int32_t y0, int32_t k) {
        int wrong = 0;
        for (int32_t y = 0; y < 480; y += 3)
          for (int32_t x = 0; x < 640; x += 3)
            wrong += SdlWindowSurfacePixel(x0 + x * k + k - 1, y0 + y * k) !=
                     main.Canvas().Pixel(x, y);
        return wrong;
      };
      SetWindowScale(2, false);
      main.Present();
      ASSERT_TRUE(SdlWindowSurfaceSize(&w, &h));
      EXPECT_EQ(w, 1280);
      EXPECT_EQ(h, 960);
      EXPECT_EQ(wrongPixels(0, 0, 2), 0);
      // A part drawn again alone lands on its own blocks.
      FillRect(main.Canvas(), Rect(101, 37, 140, 41), clWhite);
      main.Present();
      EXPECT_EQ(wrongPixels(0, 0, 2), 0) << "a partial present";
      EXPECT_EQ(SdlWindowPointToView(203, 75), (TPoint{101, 37}));

      // The player drags the window wider: the picture stays at x2, centred between bars.
      SdlResizeWindow(1400, 1000);
      app.ProcessMessages();
      drawBlocks(main.Canvas(), 4);
      main.Present();
      ASSERT_TRUE(SdlWindowSurfaceSize(&w, &h));
      EXPECT_EQ(w, 1400) << "the window keeps the player's size";
      EXPECT_EQ(h, 1000);
      EXPECT_EQ(wrongPixels(60, 20, 2), 0);
      EXPECT_EQ(SdlWindowSurfacePixel(59, 500), clBlack);
      EXPECT_EQ(SdlWindowSurfacePixel(700, 19), clBlack);
      EXPECT_EQ(SdlWindowPointToView(60, 20), (TPoint{0, 0}));
      EXPECT_EQ(SdlWindowPointToView(1339, 979), (TPoint{639, 479}));
      EXPECT_EQ(SdlWindowPointToView(59, 500).x, -1);

      // Narrower than x1: scaled down, aspect kept.
      SdlResizeWindow(320, 400);
      app.ProcessMessages();
      main.Present();
      ASSERT_TRUE(SdlWindowSurfaceSize(&w, &h));
      EXPECT_EQ(w, 320);
      EXPECT_EQ(SdlWindowPointToView(0, 80), (TPoint{1, 1}));
      EXPECT_EQ(SdlWindowSurfacePixel(160, 79), clBlack);

      // Choosing x1 again sizes the window to the picture.
      SetWindowScale(1, false);
      main.Present();
      ASSERT_TRUE(SdlWindowSurfaceSize(&w, &h));
      EXPECT_EQ(w, 640);
      EXPECT_EQ(h, 480);
      EXPECT_EQ(wrongPixels(0, 0, 1), 0);
    }
  }
  UninstallSdlBackend();
}

TEST(AppSdlRun, GameControllerButtonsComeAsKeys) {
  setenv("SDL_VIDEODRIVER", "dummy", 0);
  // The dummy driver's window never has the focus, without which SDL drops controller input.
  setenv("SDL_JOYSTICK_ALLOW_BACKGROUND_EVENTS", "1", 1);
  ASSERT_TRUE(InstallSdlBackend(nullptr));
  Backend& be = CurrentBackend();
  // Every event that is there now, its key events as "d<vk>" / "u<vk>".
  auto drain = [&] {
    std::string keys;
    BackendEvent ev;
    while (be.WaitEvent(ev, 20)) {
      if (ev.kind == BackendEventKind::kKeyDown) keys += "d" + std::to_string(ev.key);
      if (ev.kind == BackendEventKind::kKeyUp) keys += "u" + std::to_string(ev.key);
    }
    return keys;
  };
  if (SdlAttachTestGamepad() < 0) {
    UninstallSdlBackend();
    GTEST_SKIP() << "SDL has no virtual controllers here";
  }
  drain();
  EXPECT_EQ(SdlOpenGamepads(), 1);  // opened as it was plugged in
  struct Case {
    int button;  // SDL_GameControllerButton
    int vk;      // 0: no key
  } cases[] = {{0, VK_RETURN},  {1, VK_ESCAPE}, {6, VK_ESCAPE}, {11, VK_UP},  {12, VK_DOWN},
               {13, VK_LEFT},   {14, VK_RIGHT}, {9, VK_PRIOR},  {10, VK_NEXT}, {2, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.button);
    SdlTestGamepadButton(c.button, true);
    SdlTestGamepadButton(c.button, false);
    const std::string vk = std::to_string(c.vk);
    EXPECT_EQ(drain(), c.vk ? "d" + vk + "u" + vk : "");
  }
  SdlDetachTestGamepad();
  drain();
  EXPECT_EQ(SdlOpenGamepads(), 0);  // closed as it went
  UninstallSdlBackend();
  unsetenv("SDL_JOYSTICK_ALLOW_BACKGROUND_EVENTS");
}
