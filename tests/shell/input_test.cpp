// Player input: the left and right button reactions in every state, the mouse capture between a
// press and its release, and, in whole plays, the re-entrancy cases: a click during a transition,
// a right click during the reveal or with the left button held, a release outside the window, and
// Shift with the button held in the choice display.
#include <gtest/gtest.h>

#include <cstring>

#include "paint/splpaint.h"
#include "screens/option.h"
#include "support/game_play.h"
#include "support/picture_game.h"
#include "support/scenario_builder.h"

namespace {

constexpr TColor kScene = RGB(200, 100, 50);
constexpr TColor kDark = RGB(140, 40, 0);      // the scene darkened by 60 in each channel
constexpr TColor kMarker = RGB(1, 2, 3);       // BkGnd before the handler runs
constexpr TPoint kWindowPoint{300, 400};       // inside the message window
constexpr TPoint kOpenPoint{320, 100};         // above it, on no menu item

class Handlers : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(g.f, nullptr);
    ASSERT_TRUE(g.SetScene(PictureGame::Solid(kScene)));
  }
  void press(TMouseButton b) {
    FillRect(g.sp().BkGnd, Rect(0, 0, 640, 480), kMarker);
    g.f->splPaintViewMouseDown(g.f, b, 0, kOpenPoint.x, kOpenPoint.y);
  }
  TColor at(TPoint p) { return g.sp().BkGnd.Pixel(p.x, p.y); }
  PictureGame g;
};

}  // namespace

TEST_F(Handlers, RightButtonStepsBackThroughTheScreens) {
  struct Case {
    int32_t state, sub, prev;
    bool leftHeld;
    int32_t wantState, wantPrev;
    TColor open;  // BkGnd above the message window afterwards
  } cases[] = {
      {ssStory, tsWaitClick, ssTitleMenu, false, ssGameMenu, ssStory, kDark},
      {ssStory, tsChoice, ssTitleMenu, false, ssGameMenu, ssStory, kDark},
      {ssStory, tsTyping, ssTitleMenu, false, ssStory, ssTitleMenu, kMarker},
      {ssStory, tsWaitClick, ssTitleMenu, true, ssStory, ssTitleMenu, kMarker},
      {ssGameMenu, tsWaitClick, ssStory, false, ssWindowHidden, ssGameMenu, kScene},
      {ssWindowHidden, tsWaitClick, ssGameMenu, false, ssStory, ssWindowHidden, kScene},
      {ssConfirm, tsWaitClick, ssSaveSlots, false, ssSaveSlots, ssSaveSlots, kDark},
      {ssConfirm, tsWaitClick, ssContinueSlots, false, ssContinueSlots, ssContinueSlots, kDark},
      {ssSaveSlots, tsWaitClick, ssGameMenu, false, ssGameMenu, ssSaveSlots, kDark},
      {ssLoadSlots, tsWaitClick, ssGameMenu, false, ssGameMenu, ssLoadSlots, kDark},
      {ssContinueSlots, tsTyping, ssTitleMenu, false, ssTitleMenu, ssContinueSlots, kDark},
      {ssTitleMenu, tsTyping, ssTitle, false, ssTitle, ssTitleMenu, kScene},
      {ssTitle, tsTyping, ssTitle, false, ssTitle, ssTitle, kMarker},
      {ssLogo, tsTyping, ssStopped, false, ssLogo, ssStopped, kMarker},
      {ssHalted, tsChoice, ssStory, false, ssHalted, ssStory, kMarker},
      {ssOptions, tsWaitClick, ssGameMenu, false, ssOptions, ssGameMenu, kMarker},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "state " << c.state << " sub " << c.sub);
    g.f->StepState = c.state;
    g.f->TextSubState = c.sub;
    g.f->PrevStepState = c.prev;
    g.f->LeftButtonDown = c.leftHeld;
    g.f->TextPos = 5;
    // A left click not yet consumed belongs to the screen that is left: it is dropped.
    g.f->ClickPending = 1;
    press(mbRight);
    EXPECT_EQ(g.f->StepState, c.wantState);
    EXPECT_EQ(g.f->PrevStepState, c.wantPrev);
    EXPECT_EQ(at(kOpenPoint), c.open);
    EXPECT_EQ(g.f->ClickPending, c.open == kMarker ? 1 : 0);
    if (c.wantState == ssGameMenu && c.state == ssStory) EXPECT_EQ(g.f->TextPos, 0u);
  }
}

TEST_F(Handlers, RightButtonFromTheHiddenWindowRedrawsTheLastLineUnexpanded) {
  g.f->NodeLines->SetText("first\n$1 speaks\n");
  std::strcpy(g.f->SaveData.CharName(1), "Bob");
  // Reference pictures: the window with the raw line, and with the substituted one.
  auto picture = [&](const char* text) {
    g.sp().DrawToBkGnd(false);
    g.f->DrawTextWindow();
    if (text) g.f->DrawMessage(text, "", nullptr);
    return g.sp().BkGnd;
  };
  const TBitmap raw = picture("$1 speaks");
  const TBitmap expanded = picture("Bob speaks");
  const TBitmap empty = picture(nullptr);
  struct Case {
    int32_t lineIndex;
    const TBitmap* want;
  } cases[] = {{2, &raw}, {0, &empty}, {3, &empty}, {-1, &empty}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lineIndex);
    g.f->StepState = ssWindowHidden;
    g.f->LineIndex = c.lineIndex;
    g.f->ClickMarkShown = 1;
    press(mbRight);
    EXPECT_EQ(g.f->StepState, ssStory);
    EXPECT_EQ(g.f->ClickMarkShown, 0);
    const TBitmap& bk = g.sp().BkGnd;
    bool same = true;
    for (int32_t y = 340; y < 480 && same; ++y)
      for (int32_t x = 0; x < 640 && same; ++x) same = bk.Pixel(x, y) == c.want->Pixel(x, y);
    EXPECT_TRUE(same);
  }
  // The two references really differ, so the comparison above tells them apart.
  bool differ = false;
  for (int32_t y = 356; y < 462 && !differ; ++y)
    for (int32_t x = 24; x < 300 && !differ; ++x) differ = raw.Pixel(x, y) != expanded.Pixel(x, y);
  EXPECT_TRUE(differ);
}

TEST_F(Handlers, LeftButtonSetsTheClickAndCapturesTheMouse) {
  struct Case {
    int32_t state, sub;
    bool pending;
    int32_t wantState;
    TColor open;
  } cases[] = {
      {ssStory, tsTyping, true, ssStory, kMarker},
      {ssStory, tsWaitClick, true, ssStory, kMarker},
      {ssStory, tsChoice, true, ssStory, kMarker},
      {ssStory, 1, false, ssStory, kMarker},
      {ssGameMenu, tsTyping, true, ssGameMenu, kMarker},
      {ssLoadSlots, tsTyping, true, ssLoadSlots, kMarker},
      {ssSaveSlots, tsTyping, true, ssSaveSlots, kMarker},
      {ssContinueSlots, tsTyping, true, ssContinueSlots, kMarker},
      {ssConfirm, tsTyping, true, ssConfirm, kMarker},
      {ssTitleMenu, tsTyping, true, ssTitleMenu, kMarker},
      {ssTitle, tsTyping, false, ssTitleMenu, kDark},
      {ssWindowHidden, tsWaitClick, false, ssStory, kScene},
      {ssLogo, tsTyping, false, ssTitle, kMarker},
      {ssHalted, tsChoice, false, ssHalted, kMarker},
      {ssEnding, tsTyping, false, ssEnding, kMarker},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "state " << c.state << " sub " << c.sub);
    g.f->StepState = c.state;
    g.f->TextSubState = c.sub;
    g.f->ClickPending = 0;
    press(mbLeft);
    EXPECT_EQ(g.f->ClickPending, c.pending ? 1 : 0);
    EXPECT_EQ(g.f->StepState, c.wantState);
    EXPECT_EQ(at(kOpenPoint), c.open);
    EXPECT_EQ(g.f->LeftButtonDown, 1);
    EXPECT_TRUE(g.h.fake.MouseCaptured());
    g.f->splPaintViewMouseUp(g.f, mbLeft, 0, 900, 900);
    EXPECT_EQ(g.f->LeftButtonDown, 0);
    EXPECT_FALSE(g.h.fake.MouseCaptured());
  }
}

TEST_F(Handlers, LeftButtonOnTheLogoWaitsForItsTransitionAndHidesTheOptionScreen) {
  g.f->StepState = ssLogo;
  g.sp().FadeToWhite();
  ASSERT_TRUE(g.sp().GetFadeing());
  press(mbLeft);
  EXPECT_EQ(g.f->StepState, ssLogo);
  g.f->splPaintViewMouseUp(g.f, mbLeft, 0, 0, 0);
  g.sp().FadeAbort();

  g.f->StepState = ssStory;
  g.f->TextSubState = tsWaitClick;
  g.f->frmOption->Show();
  press(mbLeft);
  EXPECT_FALSE(g.f->frmOption->Visible());
  g.f->splPaintViewMouseUp(g.f, mbLeft, 0, 0, 0);

  // The middle button does nothing at all.
  g.f->ClickPending = 0;
  g.f->StepState = ssTitle;
  press(mbMiddle);
  EXPECT_EQ(g.f->StepState, ssTitle);
  EXPECT_EQ(g.f->LeftButtonDown, 0);
  EXPECT_EQ(g.f->ClickPending, 0);
}

// ---- whole plays ---------------------------------------------------------------------------

TEST(InputPlay, ClickDuringTheLogoFadeInIsHandledAfterIt) {
  PlayGame g(ScenarioText({"line"}));
  // Scripted while the logo fades in: no messages are processed until the fade-in is over.
  g.fake().At(50).Click(320, 240);
  uint64_t logoShown = 0, title = 0;
  g.When([&] {
     if (g.fake().ClientPixel(320, 240) != PlayGame::kLogo) return false;
     logoShown = g.fake().Elapsed();
     return true;
   })
      .When([&] {
        if (g.f->StepState != ssTitle) return false;
        title = g.fake().Elapsed();
        return true;
      });
  ASSERT_TRUE(g.Play());
  EXPECT_GT(logoShown, 50u);
  EXPECT_LT(title - logoShown, 100u);
  EXPECT_EQ(g.f->PrevStepState, ssLogo);
}

TEST(InputPlay, RightClickDuringTheRevealDoesNothing) {
  PlayGame g(ScenarioText({"#LOADBKGRP=scene", "#DRAWBKGRP", "a rather long line of text"}));
  g.f->ReadFlags.Options.TextSpeed = 0;
  uint64_t complete = 0, rightAt = 0;
  g.When(InState(g, ssTitle), [&] { g.ClickAt(kOpenPoint.x, kOpenPoint.y); })
      .When(InState(g, ssTitleMenu), [&] { g.ClickItem(18); })
      .When([&] { return g.f->StepState == ssStory && g.f->TextPos >= 4; },
            [&] {
              rightAt = g.fake().Elapsed();
              g.RightClickAt(kOpenPoint.x, kOpenPoint.y);
            })
      .When(InStory(g, tsWaitClick), [&] { complete = g.fake().Elapsed(); })
      .When([&] { return g.fake().Elapsed() > complete + 300; }, [&] {
        EXPECT_EQ(g.f->StepState, ssStory);
        EXPECT_EQ(g.f->TextSubState, tsWaitClick);
      });
  ASSERT_TRUE(g.Play());
  // The rest of the line was still revealed one character at a time, at 50 ms each.
  EXPECT_GE(complete - rightAt, 21u * 50);
}

TEST(InputPlay, RightClickWithTheLeftButtonHeldDoesNothing) {
  PlayGame g(ScenarioText({"line"}));
  g.When(InState(g, ssTitle), [&] { g.ClickAt(kOpenPoint.x, kOpenPoint.y); })
      .When([&] { return g.f->StepState == ssTitleMenu && g.fake().ScriptPending() == 0; },
            [&] {
              g.fake().AtNow().MouseDown(20, 20).Wait(50).RightClick(20, 20);
            })
      .When([&] { return g.fake().ScriptPending() == 0; }, [&] {
        EXPECT_EQ(g.f->StepState, ssTitleMenu);
        g.fake().AtNow().MouseUp(20, 20).Wait(50).RightClick(20, 20);
      })
      .When(InState(g, ssTitle));
  ASSERT_TRUE(g.Play());
  EXPECT_EQ(g.f->PrevStepState, ssTitleMenu);
}

TEST(InputPlay, ReleaseOutsideTheWindowEndsTheFastForward) {
  PlayGame g(ScenarioText({"#LOADBKGRP=scene", "#DRAWBKGRP", "l1", "l2", "l3", "l4", "l5",
                           "l6", "l7", "l8", "l9", "l10", "l11", "l12"}));
  g.f->ReadFlags.Options.TextSpeed = 2;
  int linesAtRelease = 0;
  uint64_t released = 0;
  g.When(InState(g, ssTitle), [&] { g.ClickAt(kOpenPoint.x, kOpenPoint.y); })
      .When(InState(g, ssTitleMenu), [&] { g.ClickItem(18); })
      .When(InStory(g, tsWaitClick), [&] { g.fake().AtNow().MouseDown(300, 200); })
      // Held, the button pages through the lines.
      .When([&] { return g.f->Backlog->Count() >= 4; }, [&] {
        g.fake().AtNow().MouseMove(700, 200).MouseUp(700, 200);
      })
      .When([&] { return g.fake().ScriptPending() == 0; }, [&] {
        linesAtRelease = g.f->Backlog->Count();
        released = g.fake().Elapsed();
        EXPECT_EQ(g.f->LeftButtonDown, 0);
        EXPECT_FALSE(g.fake().MouseCaptured());
      })
      .When([&] { return g.fake().Elapsed() > released + 1500; });
  ASSERT_TRUE(g.Play());
  EXPECT_GE(linesAtRelease, 4);
  // At most the line being revealed at the release still comes.
  EXPECT_LE(g.f->Backlog->Count(), linesAtRelease + 1);
  EXPECT_LT(g.f->Backlog->Count(), 12);
}

TEST(InputPlay, ShiftWithTheButtonHeldPagesTheBacklogButNeverTakesAChoice) {
  PlayGame g(ScenarioText({"#LOADBKGRP=scene", "#DRAWBKGRP", "one", "two", "three", "\t",
                           "Left ", "in left", " ", "Right ", "in right"}));
  const TPoint up = PlayGame::Centre(g.f->BacklogUpRect);
  const TPoint choice1 = PlayGame::Centre(g.f->MenuRects[1]);
  auto clickWait = [&](int lines) {
    return [&g, lines] {
      return g.f->StepState == ssStory && g.f->TextSubState == tsWaitClick &&
             g.f->Backlog->Count() == lines && !g.f->NeedNextLine;
    };
  };
  g.When(InState(g, ssTitle), [&] { g.ClickAt(kOpenPoint.x, kOpenPoint.y); })
      .When(InState(g, ssTitleMenu), [&] { g.ClickItem(18); })
      .When(clickWait(1), [&] { g.ClickAt(kOpenPoint.x, kOpenPoint.y); })
      .When(clickWait(2), [&] { g.ClickAt(kOpenPoint.x, kOpenPoint.y); })
      .When(clickWait(3), [&] { g.ClickAt(kOpenPoint.x, kOpenPoint.y); })
      .When(InStory(g, tsChoice), [&] { g.fake().AtNow().Shift(true).MouseDown(up.x, up.y); })
      // Every frame counts as a click on "▲": from the live line down to the first entry.
      .When([&] { return g.f->BacklogPos == 0; },
            [&] { g.fake().AtNow().MouseMove(choice1.x, choice1.y); })
      // Over a choice, held, it only returns to the live choice.
      .When([&] { return g.f->BacklogPos == -1 && g.fake().ScriptPending() == 0; },
            [&] { g.fake().AtNow().Wait(200).MouseUp(choice1.x, choice1.y).Shift(false); })
      .When([&] { return g.fake().ScriptPending() == 0; }, [&] {
        EXPECT_EQ(g.f->TextSubState, tsChoice);
        EXPECT_EQ(g.f->NodeIndex, 0);
        g.ClickAt(choice1.x, choice1.y);
      })
      .When([&] { return g.f->NodeIndex == 1 && g.f->TextSubState == tsWaitClick; });
  ASSERT_TRUE(g.Play());
  EXPECT_EQ((*g.f->Backlog)[3], "in left");
}
