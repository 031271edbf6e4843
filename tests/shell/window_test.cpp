// The main window at run time: the close protocol, the exit command, the display modes with the
// menu bar slide, the menu reactions and the sub-forms kept at the origin.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "paint/splpaint.h"
#include "platform/text/cp932.h"
#include "screens/ending.h"
#include "screens/input.h"
#include "screens/option.h"
#include "support/main_form_harness.h"

namespace {

const char* kScenario = "first line\r\n";

class Window : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(h.WriteScenario(kScenario));
    f = h.Start();
    ASSERT_FALSE(h.app.Terminated());
  }
  // Runs the game loop until the window closes, calling probe at virtual time `at`.
  void runWithProbe(uint64_t at, std::function<void()> probe) {
    bool done = false;
    h.fake.OnProcessMessages([&, at] {
      if (!done && h.fake.Elapsed() >= at) {
        done = true;
        probe();
      }
    });
    h.fake.RunScript();
    h.fake.OnProcessMessages({});
    EXPECT_TRUE(done);
  }
  std::vector<uint8_t> readFlagsFile() { return h.folder.Read("orxrf.svd"); }

  MainFormHarness h;
  TMainFrm* f = nullptr;
};

}  // namespace

TEST_F(Window, PlainCloseConfirmsAndDoesNotWriteReadFlags) {
  std::vector<uint8_t> before = readFlagsFile();
  f->ReadFlags.PlayCount = 7;
  h.fake.At(100).CloseRequest();
  h.fake.RunScript();
  ASSERT_EQ(h.fake.Boxes().size(), 1u);
  EXPECT_EQ(h.fake.Boxes()[0].text, SJ("本当に終了してよろしいですか？"));
  EXPECT_EQ(h.fake.Boxes()[0].flags, 0x1021u);
  EXPECT_TRUE(h.app.Terminated());
  EXPECT_FALSE(h.fake.WindowVisible());
  EXPECT_EQ(f->StepState, ssStopped);
  EXPECT_EQ(readFlagsFile(), before);
}

TEST_F(Window, PressesAfterAConfirmedCloseAskNothing) {
  // The second and third presses arrive while the confirmed close is still being completed.
  h.fake.AnswerBox(IDOK).AnswerBox(IDCANCEL);
  h.fake.At(100).CloseRequest().CloseRequest().Wait(10).CloseRequest();
  h.fake.RunScript();
  EXPECT_EQ(h.fake.Boxes().size(), 1u);
  EXPECT_TRUE(h.app.Terminated());
  EXPECT_EQ(f->StepState, ssStopped);
}

TEST_F(Window, ExitCommandWritesReadFlagsFirst) {
  f->ReadFlags.PlayCount = 7;
  h.fake.At(100).MenuClick(0, 1);  // "ゲームを終了(&E)"
  h.fake.RunScript();
  EXPECT_TRUE(h.app.Terminated());
  std::vector<uint8_t> rf = readFlagsFile();
  ASSERT_EQ(rf.size(), 2051u);
  EXPECT_EQ(rf[1024], 7);
  EXPECT_EQ(rf[1026], 1);
}

TEST_F(Window, CancelKeepsTheGameRunningAndHidesTheOptionScreen) {
  h.fake.AnswerBox(IDCANCEL);
  h.fake.At(100).CloseRequest();
  h.fake.At(400).CloseRequest();
  bool optionShownAtClose = false;
  runWithProbe(50, [&] {
    f->frmOption->Show();
    optionShownAtClose = f->frmOption->Visible();
  });
  EXPECT_TRUE(optionShownAtClose);
  ASSERT_EQ(h.fake.Boxes().size(), 2u);
  EXPECT_EQ(h.fake.Boxes()[0].answer, IDCANCEL);
  EXPECT_TRUE(h.app.Terminated());
  EXPECT_FALSE(f->frmOption->Visible());
}

TEST_F(Window, CancelKeepsTheLoopState) {
  h.fake.AnswerBox(IDCANCEL);
  h.fake.At(100).CloseRequest();
  h.fake.At(400).CloseRequest();
  int32_t state = -1;
  bool visible = false;
  runWithProbe(250, [&] {
    state = f->StepState;
    visible = h.fake.WindowVisible();
  });
  EXPECT_EQ(state, ssLogo);
  EXPECT_TRUE(visible);
}

TEST_F(Window, ConfirmedCloseHidesTheSubScreensAndAbortsTheRoll) {
  h.RunInGameLoop([&] {
    f->frmInput->Show();
    f->frmEnding->Show();
    f->splPaintView->FillBkWhite(true);
    bool canClose = false;
    f->FormCloseQuery(f, canClose);
    EXPECT_TRUE(canClose);
    EXPECT_FALSE(f->frmInput->Visible());
    EXPECT_FALSE(f->frmEnding->Visible());
    EXPECT_TRUE(f->frmEnding->AbortRoll);
    EXPECT_EQ(f->StepState, ssStopped);
  });
}

TEST_F(Window, RefusedCloseKeepsCanCloseFalse) {
  h.RunInGameLoop([&] {
    h.fake.AnswerBox(IDCANCEL);
    f->frmEnding->Show();
    bool canClose = true;
    f->FormCloseQuery(f, canClose);
    EXPECT_FALSE(canClose);
    EXPECT_TRUE(f->frmEnding->Visible());
    EXPECT_FALSE(f->frmEnding->AbortRoll);
  });
}

TEST_F(Window, FullScreenAndBack) {
  f->mndFullClick();
  EXPECT_TRUE(h.fake.FullScreen());
  EXPECT_EQ(f->FullScreen, 1);
  EXPECT_TRUE(f->mndFull->Checked);
  EXPECT_FALSE(f->mnd640_480->Checked);
  EXPECT_EQ(f->BorderStyle, bsNone);
  EXPECT_EQ(f->Left, 0);
  EXPECT_EQ(f->Top, f->ClientHeight() - f->Height());
  EXPECT_EQ(f->Top, -kMenuBarHeight);
  EXPECT_EQ(ViewOffset(), kMenuBarHeight);

  f->mnd640_480Click();
  EXPECT_FALSE(h.fake.FullScreen());
  EXPECT_EQ(f->FullScreen, 0);
  EXPECT_TRUE(f->mnd640_480->Checked);
  EXPECT_FALSE(f->mndFull->Checked);
  EXPECT_EQ(f->BorderStyle, bsSingle);
  EXPECT_EQ(f->ClientWidth(), 640);
  EXPECT_EQ(f->ClientHeight(), 480);
  EXPECT_EQ(ViewOffset(), 0);
  // Centred on the 1024 x 768 desktop.
  EXPECT_EQ(f->Left, (1024 - f->Width()) / 2);
}

TEST_F(Window, FullScreenRefusedChangesNothing) {
  h.fake.AllowFullScreen(false);
  int32_t left = f->Left, top = f->Top;
  f->mndFullClick();
  EXPECT_FALSE(h.fake.FullScreen());
  EXPECT_EQ(f->FullScreen, 0);
  EXPECT_TRUE(f->mnd640_480->Checked);
  EXPECT_FALSE(f->mndFull->Checked);
  EXPECT_EQ(f->BorderStyle, bsSingle);
  EXPECT_EQ(f->Left, left);
  EXPECT_EQ(f->Top, top);
}

TEST_F(Window, MenuBarSlidesInAtTheTopInFullScreen) {
  // In a window the handler leaves the position alone.
  int32_t top = f->Top;
  f->splPaintViewMouseMove(f, 0, 100, 5);
  EXPECT_EQ(f->Top, top);

  f->mndFullClick();
  struct Move {
    int32_t y;
    int32_t top;
  } moves[] = {{5, 0}, {19, 0}, {20, -20}, {300, -20}, {0, 0}, {-1, -20}, {479, -20}};
  for (const Move& m : moves) {
    f->splPaintViewMouseMove(f, 0, 100, m.y);
    EXPECT_EQ(f->Top, m.top) << m.y;
  }
}

TEST_F(Window, QuittingInFullScreenLeavesItBeforeClosing) {
  // The logo's fade-in processes no messages, so the menu click is taken after it; the probe and
  // the close request come well after that.
  h.fake.At(100).MenuClick(1, 1);  // "フルスクリーンモード(&F)"
  h.fake.At(3000).CloseRequest();
  bool fullDuringGame = false;
  runWithProbe(2000, [&] { fullDuringGame = h.fake.FullScreen() && f->mndFull->Checked; });
  EXPECT_TRUE(fullDuringGame);
  EXPECT_TRUE(h.app.Terminated());
  EXPECT_FALSE(h.fake.FullScreen());
}

TEST_F(Window, GoTitleFromTheMenuAsksFirst) {
  h.RunInGameLoop([&] {
    // In the title states the item is ignored.
    f->StepState = ssTitleMenu;
    f->mnfGoTitleClick();
    EXPECT_TRUE(h.fake.Boxes().empty());

    struct Case {
      int answer;
      int32_t expected;
    } cases[] = {{IDNO, ssStory}, {IDYES, ssTitle}};
    for (const Case& c : cases) {
      h.fake.ClearBoxes();
      f->StepState = ssStory;
      std::strcpy(f->SpeakerName, "name");
      f->NodeIndex = 3;
      h.fake.AnswerBox(c.answer);
      f->mnfGoTitleClick();
      ASSERT_EQ(h.fake.Boxes().size(), 1u);
      EXPECT_EQ(h.fake.Boxes()[0].text, SJ("ゲームを中断しタイトル画面に戻りますか？"));
      EXPECT_EQ(h.fake.Boxes()[0].caption, SJ("確認"));
      EXPECT_EQ(h.fake.Boxes()[0].flags & 0xF, unsigned(MB_YESNO));
      EXPECT_EQ(f->StepState, c.expected);
      EXPECT_EQ(f->SpeakerName[0], 0);  // cleared before asking
      EXPECT_EQ(f->NodeIndex, c.answer == IDYES ? 0 : 3);
    }
  });
}

TEST_F(Window, GoTitleIsIgnoredDuringATransition) {
  f->StepState = ssStory;
  f->splPaintView->FadeKind = 6;  // a transition is prepared
  ASSERT_TRUE(f->splPaintView->GetFadeing());
  f->mnfGoTitleClick();
  EXPECT_TRUE(h.fake.Boxes().empty());
}

TEST_F(Window, MovingTheWindowKeepsVisibleSubFormsAtTheOrigin) {
  f->frmOption->Left = 5;
  f->frmOption->Top = 7;
  f->frmOption->Show();
  f->frmInput->Left = 3;  // hidden: left where it is
  h.fake.At(100).WindowMoved(50, 60);
  h.fake.At(200).CloseRequest();
  h.fake.RunScript();
  EXPECT_EQ(f->frmOption->Left, 0);
  EXPECT_EQ(f->frmOption->Top, 0);
  EXPECT_EQ(f->frmInput->Left, 3);
}

TEST(WindowDrop, GameFolderEndsThisGameThroughItsQuestion) {
  // What is dropped, the answer to the close question (0: no question expected), and whether the
  // program then leaves for the dropped game.
  TempDir other, notAGame;
  ASSERT_TRUE(other.Write("mscs.ssf", "x"));
  ASSERT_TRUE(notAGame.Write("readme.txt", "x"));
  struct Case {
    const char* name;
    std::string path;
    int answer;
    bool leaves;
  } cases[] = {
      {"game folder, OK", other.Path(), IDOK, true},
      {"game folder, cancel", other.Path(), IDCANCEL, false},
      {"folder without a game", notAGame.Path(), 0, false},
      {"a file", other.File("mscs.ssf"), 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MainFormHarness g;
    ASSERT_TRUE(g.WriteScenario(kScenario));
    TMainFrm* form = g.Start();
    form->ReadFlags.PlayCount = 9;
    if (c.answer) g.fake.AnswerBox(c.answer);
    g.fake.At(100).DropFile(c.path);
    // A game that stays is closed afterwards with the window's close button.
    if (!c.leaves) g.fake.AnswerBox(IDOK).At(2000).CloseRequest();
    g.fake.RunScript();
    EXPECT_EQ(g.fake.Boxes().size(), (c.answer ? 1u : 0u) + (c.leaves ? 0u : 1u));
    EXPECT_TRUE(g.app.Terminated());
    EXPECT_EQ(form->DroppedGame, c.leaves ? c.path : "");
    // Leaving for the dropped game keeps the read marks and options, as the exit command does.
    std::vector<uint8_t> rf = g.folder.Read("orxrf.svd");
    ASSERT_EQ(rf.size(), 2051u);
    EXPECT_EQ(rf[1024] == 9, c.leaves);
  }
}
