// Forms: mouse routing to child forms and capture, composition of the window picture, full
// screen with the sliding menu bar, cursor and screen coordinates, Shift, text input.
#include <gtest/gtest.h>

#include "app_test_forms.h"

using Log = std::vector<std::string>;

// A main form with a menu and two overlapping children: a (100,100)-(300,300), b (200,200)-
// (400,400), b shown after a.
struct ChildFixture : AppFixture {
  Log log;
  RecordingForm a{"a", &main}, b{"b", &main};
  ChildFixture() : AppFixture(true) {
    main.Menu()->Add("&File")->Add("&Quit");
    main.log = a.log = b.log = &log;
    a.SetBounds(100, 100, 200, 200);
    b.SetBounds(200, 200, 200, 200);
    a.Show();
    b.Show();
    app.ProcessMessages();
    log.clear();
  }
};

TEST(AppForms, MouseGoesToTheTopmostFormUnderThePointer) {
  struct Case {
    int32_t x, y;  // main client coordinates
    const char* expected;
  } cases[] = {
      {50, 50, "main: down L 50,50"},      {150, 150, "a: down L 50,50"},
      {250, 250, "b: down L 50,50"},       {350, 350, "b: down L 150,150"},
      {100, 100, "a: down L 0,0"},         {299, 150, "a: down L 199,50"},
      {300, 150, "main: down L 300,150"},  {639, 479, "main: down L 639,479"},
  };
  for (const auto& c : cases) {
    ChildFixture f;
    f.fake.MouseDown(c.x, c.y);
    f.fake.RunScript();
    EXPECT_EQ(f.log, (Log{c.expected})) << c.x << "," << c.y;
  }
}

TEST(AppForms, OutsideTheClientAreaNothingIsDelivered) {
  ChildFixture f;
  f.fake.MouseDown(640, 10).MouseDown(-1, 10).MouseDown(10, 480).MouseMove(700, 700);
  f.fake.RunScript();
  EXPECT_EQ(f.log, Log{});
}

TEST(AppForms, ShowingAChildAgainBringsItToTheTopAndHiddenOnesGetNothing) {
  ChildFixture f;
  f.a.Show();
  f.fake.MouseDown(250, 250);
  f.fake.RunScript();
  f.a.Hide();
  f.fake.AtNow().MouseDown(250, 250).MouseDown(150, 150);
  f.fake.RunScript();
  EXPECT_EQ(WithoutPaints(f.log),
            (Log{"a: down L 150,150", "b: down L 50,50", "main: down L 150,150"}));
}

TEST(AppForms, CapturedFormGetsTheMouseEverywhere) {
  ChildFixture f;
  f.main.onDown = [&](TMouseButton, int32_t, int32_t) { SetCapture(&f.main); };
  f.fake.MouseDown(10, 10).MouseMove(250, 250).MouseMove(900, -50).MouseUp(900, -50);
  f.fake.RunScript();
  EXPECT_EQ(GetCapture(), &f.main);
  EXPECT_TRUE(f.fake.MouseCaptured());
  EXPECT_EQ(f.log, (Log{"main: down L 10,10", "main: move 250,250", "main: move 900,-50",
                        "main: up L 900,-50"}));
  ReleaseCapture();
  EXPECT_FALSE(f.fake.MouseCaptured());
  f.log.clear();
  f.fake.AtNow().MouseUp(900, -50).MouseMove(250, 250);
  f.fake.RunScript();
  EXPECT_EQ(f.log, (Log{"b: move 50,50"}));
}

TEST(AppForms, DestroyingTheCapturedFormReleasesTheCapture) {
  ChildFixture f;
  {
    RecordingForm c("c", &f.main);
    c.Show();
    SetCapture(&c);
    EXPECT_EQ(GetCapture(), &c);
  }
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_FALSE(f.fake.MouseCaptured());
  f.fake.MouseDown(10, 10);
  f.fake.RunScript();
  EXPECT_EQ(WithoutPaints(f.log), (Log{"main: down L 10,10"}));
}

TEST(AppForms, PictureHasBarCanvasAndChildrenInShowOrder) {
  ChildFixture f;
  FillRect(f.main.Canvas(), Rect(0, 0, 640, 480), clRed);
  FillRect(f.a.Canvas(), Rect(0, 0, 200, 200), clYellow);
  FillRect(f.b.Canvas(), Rect(0, 0, 200, 200), clWhite);
  f.main.Present();
  const TBitmap& p = f.fake.LastFrame();
  ASSERT_EQ(p.Width(), 640);
  ASSERT_EQ(p.Height(), 500);
  EXPECT_NE(p.Pixel(630, 5), clRed);             // the bar
  EXPECT_EQ(f.fake.ClientPixel(0, 0), clRed);
  EXPECT_EQ(f.fake.ClientPixel(150, 150), clYellow);
  EXPECT_EQ(f.fake.ClientPixel(250, 250), clWhite);  // b lies over a
  f.a.Show();                                        // now a lies over b
  f.app.ProcessMessages();
  EXPECT_EQ(f.fake.ClientPixel(250, 250), clYellow);
  EXPECT_EQ(f.fake.ClientPixel(350, 350), clWhite);
  // Each present is one frame, at once.
  uint64_t n = f.fake.FrameCount();
  f.b.Present();
  f.main.Present();
  EXPECT_EQ(f.fake.FrameCount(), n + 2);
}

// What the program does with the mouse in full screen: show the bar near the top.
struct FullScreenForm : RecordingForm {
  FullScreenForm() : RecordingForm("main") {}
  void MouseMove(TShiftState s, int32_t x, int32_t y) override {
    RecordingForm::MouseMove(s, x, y);
    int32_t bar = Height() - ClientHeight();
    Top = (y >= 0 && y < bar) ? 0 : ClientHeight() - Height();
    Present();
  }
};

TEST(AppForms, FullScreenHidesTheBarAboveTheScreenAndSlidesItIn) {
  FakeBackend fake;
  TApplication app;
  FullScreenForm main;
  app.MainForm = &main;
  main.CreateMenu()->Add("&File")->Add("&Quit");
  main.Show();
  FillRect(main.Canvas(), Rect(0, 0, 640, 480), clRed);
  app.ProcessMessages();
  ASSERT_TRUE(SetFullScreenDisplay(true));
  EXPECT_TRUE(fake.FullScreen());
  EXPECT_EQ(ScreenWidth(), 640);  // the program sees the screen at its picture size
  EXPECT_EQ(ScreenHeight(), 480);
  main.SetBorderStyle(bsNone);
  main.Left = 0;
  main.Top = main.ClientHeight() - main.Height();
  EXPECT_EQ(main.Top, -kMenuBarHeight);
  main.Present();
  const TBitmap& hidden = fake.LastFrame();
  ASSERT_EQ(hidden.Width(), 640);
  ASSERT_EQ(hidden.Height(), 480);
  EXPECT_EQ(CountPixelsNot(hidden, Rect(0, 0, 640, 480), clRed), 0);  // play area fills the screen
  // The pointer at the top of the screen: the bar slides in and the picture moves down.
  fake.MouseMove(300, 5);
  fake.RunScript();
  EXPECT_EQ(main.Top, 0);
  EXPECT_NE(fake.LastFrame().Pixel(630, 5), clRed);
  EXPECT_EQ(fake.LastFrame().Pixel(630, kMenuBarHeight), clRed);
  // Screen, view and client coordinates agree: the pointer is at screen row 5, client row -15.
  TPoint p;
  ASSERT_TRUE(GetCursorPos(&p));
  EXPECT_EQ(p, (TPoint{300, 5}));
  EXPECT_EQ(ScreenToClient(&main, p), (TPoint{300, 5 - kMenuBarHeight}));
  // The bar now takes clicks at the top of the screen.
  fake.AtNow().WindowClick(10, 10);  // window coordinates: the bar
  fake.RunScript();
  EXPECT_EQ(OpenMenuIndex(), 0);
  fake.AtNow().Key(VK_ESCAPE).MouseMove(300, 200);
  fake.RunScript();
  EXPECT_EQ(main.Top, -kMenuBarHeight);
  EXPECT_EQ(CountPixelsNot(fake.LastFrame(), Rect(0, 0, 640, 480), clRed), 0);
  // Back to the window.
  ASSERT_TRUE(SetFullScreenDisplay(false));
  EXPECT_EQ(ScreenWidth(), 1024);
  main.SetBorderStyle(bsSingle);
  main.CenterOnScreen();
  main.Present();
  EXPECT_EQ(fake.LastFrame().Height(), 500);
  EXPECT_EQ(fake.WindowPosition(), (TPoint{192, 134}));
  EXPECT_TRUE(fake.WindowBordered());
}

TEST(AppForms, FullScreenRefusedChangesNothing) {
  AppFixture f(true);
  f.fake.AllowFullScreen(false);
  EXPECT_FALSE(SetFullScreenDisplay(true));
  EXPECT_FALSE(IsFullScreenDisplay());
  EXPECT_EQ(ScreenWidth(), 1024);
  f.main.Present();
  EXPECT_EQ(f.fake.LastFrame().Height(), 500);
}

TEST(AppForms, CursorPositionInScreenAndClientCoordinates) {
  AppFixture f(true);
  f.main.Left = 100;
  f.main.Top = 50;
  f.fake.SetCursor(30, 40);
  TPoint p;
  ASSERT_TRUE(GetCursorPos(&p));
  EXPECT_EQ(p, (TPoint{130, 50 + kMenuBarHeight + 40}));
  EXPECT_EQ(ScreenToClient(&f.main, p), (TPoint{30, 40}));
  RecordingForm child("child", &f.main);
  child.SetBounds(10, 20, 100, 100);
  EXPECT_EQ(ScreenToClient(&child, p), (TPoint{20, 20}));
  EXPECT_EQ(child.ClientToScreen(TPoint{20, 20}), p);
}

TEST(AppForms, ShiftStateFollowsTheScriptInVirtualTime) {
  AppFixture f;
  f.fake.At(100).Shift(true).At(200).Shift(false);
  EXPECT_EQ(GetAsyncKeyState(VK_SHIFT), 0);
  Sleep(100);  // no message processing needed: the state is the keyboard's
  EXPECT_EQ(uint16_t(GetAsyncKeyState(VK_SHIFT)), 0x8000);
  EXPECT_TRUE(GetAsyncKeyState(VK_SHIFT) & 0x8000);
  Sleep(100);
  EXPECT_EQ(GetAsyncKeyState(VK_SHIFT), 0);
  f.fake.AtNow().MouseDown(5, 5);
  EXPECT_TRUE(GetAsyncKeyState(VK_LBUTTON) & 0x8000);
}

TEST(AppForms, TextInputIsOffUntilAnEditAsksAndGoesToTheTopForm) {
  AppFixture f(true);
  RecordingForm edit("edit", &f.main);
  edit.SetBounds(100, 100, 200, 100);
  edit.Show();
  EXPECT_FALSE(f.fake.TextInputOn());
  StartTextInput(&edit, Rect(10, 10, 110, 30));
  EXPECT_TRUE(f.fake.TextInputOn());
  EXPECT_EQ(f.fake.TextInputRect(), Rect(110, 110 + kMenuBarHeight, 210, 130 + kMenuBarHeight));
  f.fake.Text("abc");
  f.fake.RunScript();
  EXPECT_EQ(WithoutPaints(edit.Log()), (Log{"edit: text abc"}));
  StopTextInput();
  EXPECT_FALSE(f.fake.TextInputOn());
}

TEST(AppForms, WindowFollowsCaptionAndVisibility) {
  FakeBackend fake;
  TApplication app;
  app.Title = "title";
  RecordingForm main("main");
  app.MainForm = &main;
  app.ProcessMessages();
  EXPECT_FALSE(fake.WindowVisible());
  main.Show();
  app.ProcessMessages();
  EXPECT_TRUE(fake.WindowVisible());
  EXPECT_EQ(fake.WindowTitle(), "title");  // no caption of its own
  main.SetCaption("MIRAVEL");
  main.Present();
  EXPECT_EQ(fake.WindowTitle(), "MIRAVEL");
  main.Hide();
  EXPECT_FALSE(fake.WindowVisible());
}
