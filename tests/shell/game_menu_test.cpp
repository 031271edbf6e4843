// The in-game menu and the slot screens in whole plays: the right-click path to the hidden window
// and back, saving to a slot and the bytes of its file, loading from the title's "つづきから"
// and from the in-game menu, the confirmation's "いいえ" and right click, failed loads, and a
// fetch that finds no node.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/text/cp932.h"
#include "screens/ending.h"
#include "screens/option.h"
#include "support/game_play.h"
#include "support/scenario_builder.h"

namespace {

std::string fourLines() {
  return ScenarioText({"#LOADBKGRP=scene", "#DRAWBKGRP", "one", "two", "three", "four"});
}

// Menu and slot rectangles.
constexpr int kBack = 4, kSave = 5, kLoad = 6, kToTitle = 8;
constexpr int kSlot1 = 10, kYes = 16, kNo = 17;
constexpr int kContinue = 19;

bool textPixel(TColor c) { return IsWhitish(c); }

// The message text area without the corner where the click-wait mark blinks.
constexpr TRect kTextOnly = Rect(24, 356, 580, 462);

// The scene colour darkened by 60 in each channel, as behind every menu.
constexpr TColor kDarkScene = RGB(60, 60, 60);

}  // namespace

TEST(GameMenu, RightClicksHideTheWindowAndTheRightButtonBringsTheLineBack) {
  // Right: back with the last line redrawn. Left: back with an empty window.
  struct Case {
    bool right;
    bool textShown;
  } cases[] = {{true, true}, {false, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.right ? "right" : "left");
    PlayGame g(fourLines());
    ToStory(g);
    TColor menuCorner = 0, hiddenWindow = 0;
    int32_t afterWindow = -1;
    int text = -1;
    g.When(WaitingAfter(g, 1), [&] { g.RightClickAt(320, 200); })
        .When(IdleIn(g, ssGameMenu), [&] {
          menuCorner = g.fake().ClientPixel(5, 5);
          g.RightClickAt(320, 200);
        })
        .When(IdleIn(g, ssWindowHidden), [&] {
          // The clean scene: no window, no text, no menu.
          hiddenWindow = g.fake().ClientPixel(300, 400);
          if (c.right)
            g.RightClickAt(320, 200);
          else
            g.ClickAt(320, 200);
        })
        .When(IdleIn(g, ssStory), [&] {
          afterWindow = g.f->PrevStepState;
          text = g.CountPixels(kTextOnly, textPixel);
        });
    ASSERT_TRUE(g.Play());
    EXPECT_EQ(menuCorner, kDarkScene);
    EXPECT_EQ(hiddenWindow, PlayGame::kScene);
    EXPECT_EQ(afterWindow, ssWindowHidden);
    if (c.textShown)
      EXPECT_GT(text, 10);
    else
      EXPECT_EQ(text, 0);
  }
}

TEST(GameMenu, BackReturnsToTheClickWaitWithAnEmptyWindow) {
  PlayGame g(fourLines());
  ToStory(g);
  g.When(WaitingAfter(g, 1), [&] { g.RightClickAt(320, 200); })
      .When(IdleIn(g, ssGameMenu), [&] { g.ClickItem(kBack); })
      .When(IdleIn(g, ssStory), [&] {
        EXPECT_EQ(g.CountPixels(kTextOnly, textPixel), 0);
        g.ClickAt(320, 200);
      })
      .When(WaitingAfter(g, 2));
  ASSERT_TRUE(g.Play());
  EXPECT_EQ((*g.f->Backlog)[1], "two");
}

TEST(GameMenu, SaveWritesTheSlotAndTheStoryGoesOn) {
  PlayGame g(fourLines());
  ToStory(g);
  std::string prompt;
  g.When(WaitingAfter(g, 1), [&] { g.ClickAt(320, 200); })
      .When(WaitingAfter(g, 2), [&] { g.RightClickAt(320, 200); })
      .When(IdleIn(g, ssGameMenu), [&] { g.ClickItem(kSave); })
      .When(IdleIn(g, ssSaveSlots), [&] { g.ClickItem(kSlot1 + 1); })
      .When(IdleIn(g, ssConfirm), [&] {
        prompt = g.f->ConfirmText;
        g.ClickItem(kYes);
      })
      .When(IdleIn(g, ssStory), [&] {
        // Back in the click wait with an empty window; the next click continues.
        EXPECT_EQ(g.f->TextSubState, tsWaitClick);
        EXPECT_EQ(g.CountPixels(kTextOnly, textPixel), 0);
        g.ClickAt(320, 200);
      })
      .When(WaitingAfter(g, 3));
  ASSERT_TRUE(g.Play());
  EXPECT_EQ(prompt, SJ("2番のデータに上書き保存します"));
  EXPECT_EQ(g.f->SelectedSlot, 2);
  EXPECT_EQ((*g.f->Backlog)[2], "three");

  std::vector<uint8_t> slot = g.h.folder.Read("orxdf02.svd");
  ASSERT_EQ(slot.size(), 2048u);
  auto i16 = [&](size_t at) { return int(int16_t(slot[at] | (slot[at + 1] << 8))); };
  // The fake clock's local time: 2024-04-01 12:00.
  EXPECT_EQ(i16(0), 2024);
  EXPECT_EQ(i16(2), 4);
  EXPECT_EQ(i16(4), 1);
  EXPECT_EQ(i16(6), 12);
  EXPECT_EQ(i16(8), 0);
  EXPECT_EQ(slot[10], 0);  // the root has an empty title
  EXPECT_EQ(i16(90), 0);   // node
  EXPECT_EQ(i16(92), 4);   // lines of the node consumed: two commands and two text lines
  // The other slots stay as they were made at start-up: all zero.
  std::vector<uint8_t> other = g.h.folder.Read("orxdf01.svd");
  ASSERT_EQ(other.size(), 2048u);
  EXPECT_EQ(std::count(other.begin(), other.end(), 0), 2048);
}

TEST(GameMenu, LoadFromTheTitleContinuesAfterTheSavedLine) {
  PlayGame g(fourLines());
  ToStory(g);
  std::string prompt;
  int slotPixelsYellow = 0;
  g.When(WaitingAfter(g, 1), [&] { g.ClickAt(320, 200); })
      .When(WaitingAfter(g, 2), [&] { g.RightClickAt(320, 200); })
      .When(IdleIn(g, ssGameMenu), [&] { g.ClickItem(kSave); })
      .When(IdleIn(g, ssSaveSlots), [&] { g.ClickItem(kSlot1 + 2); })
      .When(IdleIn(g, ssConfirm), [&] { g.ClickItem(kYes); })
      // Back to the title through the in-game menu's fifth item, confirmed.
      .When(IdleIn(g, ssStory), [&] { g.RightClickAt(320, 200); })
      .When(IdleIn(g, ssGameMenu), [&] {
        g.fake().AnswerBox(IDYES);
        g.ClickItem(kToTitle);
      })
      .When(IdleIn(g, ssTitle), [&] { g.ClickAt(320, 100); })
      .When(IdleIn(g, ssTitleMenu), [&] { g.ClickItem(kContinue); })
      .When(IdleIn(g, ssContinueSlots), [&] { g.HoverItem(kSlot1 + 2); })
      .When([&] { return g.fake().ScriptPending() == 0 && g.fake().FrameCount() > 0; },
            [&] {
              // The hovered slot's outline is yellow, the others white.
              TRect r = g.f->MenuRects[kSlot1 + 2];
              slotPixelsYellow = IsYellowish(g.fake().ClientPixel(r.Left + 100, r.Top)) +
                                 IsWhitish(g.fake().ClientPixel(r.Left + 100, 2));
              g.ClickItem(kSlot1 + 2);
            })
      .When(IdleIn(g, ssConfirm), [&] {
        prompt = g.f->ConfirmText;
        g.ClickItem(kYes);
      })
      .When(WaitingAfter(g, 1));
  ASSERT_TRUE(g.Play());
  EXPECT_EQ(slotPixelsYellow, 2);
  EXPECT_EQ(prompt, SJ("3番のデータから読みこみます"));
  // The backlog starts afresh with the line after the one shown when the game was saved.
  EXPECT_EQ((*g.f->Backlog)[0], "three");
  EXPECT_EQ(g.f->BacklogPos, -1);
}

TEST(GameMenu, LoadFromTheGameMenuAndTheConfirmationsWayBack) {
  PlayGame g(fourLines());
  ToStory(g);
  TColor slotScreenCorner = 0;
  g.When(WaitingAfter(g, 1), [&] { g.RightClickAt(320, 200); })
      .When(IdleIn(g, ssGameMenu), [&] { g.ClickItem(kSave); })
      .When(IdleIn(g, ssSaveSlots), [&] { g.ClickItem(kSlot1); })
      .When(IdleIn(g, ssConfirm), [&] { g.ClickItem(kYes); })
      .When(IdleIn(g, ssStory), [&] { g.ClickAt(320, 200); })
      .When(WaitingAfter(g, 2), [&] { g.ClickAt(320, 200); })
      .When(WaitingAfter(g, 3), [&] { g.RightClickAt(320, 200); })
      .When(IdleIn(g, ssGameMenu), [&] {
        std::strcpy(g.f->SpeakerName, "X");
        g.ClickItem(kLoad);
      })
      .When(IdleIn(g, ssLoadSlots), [&] {
        EXPECT_EQ(g.f->SpeakerName[0], 0);
        g.ClickItem(kSlot1);
      })
      // "いいえ" goes back to the slot screen...
      .When(IdleIn(g, ssConfirm), [&] { g.ClickItem(kNo); })
      .When(IdleIn(g, ssLoadSlots), [&] { g.ClickItem(kSlot1); })
      // ...and so does a right click, over a freshly darkened scene.
      .When(IdleIn(g, ssConfirm), [&] { g.RightClickAt(320, 200); })
      .When(IdleIn(g, ssLoadSlots), [&] {
        slotScreenCorner = g.fake().ClientPixel(320, 240);
        g.ClickItem(kSlot1);
      })
      .When(IdleIn(g, ssConfirm), [&] { g.ClickItem(kYes); })
      .When(WaitingAfter(g, 1));
  ASSERT_TRUE(g.Play());
  EXPECT_EQ(slotScreenCorner, kDarkScene);
  EXPECT_EQ((*g.f->Backlog)[0], "two");
}

TEST(GameMenu, FailedLoadReportsAndTheStoryGoesOnFromTheStart) {
  PlayGame g(fourLines());
  uint64_t framesAtYes = 0;
  g.When(InState(g, ssTitle), [&] {
     // Slot 4 cannot be read: its file is gone.
     std::remove(g.h.folder.File("orxdf04.svd").c_str());
     g.ClickAt(320, 100);
   })
      .When(IdleIn(g, ssTitleMenu), [&] { g.ClickItem(kContinue); })
      .When(IdleIn(g, ssContinueSlots), [&] { g.ClickItem(kSlot1 + 3); })
      .When(IdleIn(g, ssConfirm), [&] {
        framesAtYes = g.fake().FrameCount();
        g.ClickItem(kYes);
      })
      .When(WaitingAfter(g, 1));
  ASSERT_TRUE(g.Play());
  ASSERT_GE(g.fake().Boxes().size(), 1u);
  EXPECT_EQ(g.fake().Boxes()[0].text, SJ("読み込みに失敗しました"));
  EXPECT_EQ(g.fake().Boxes()[0].caption, SJ("エラー"));
  EXPECT_EQ((*g.f->Backlog)[0], "one");
  // Both start transitions ran (kind 1, several frames each).
  EXPECT_GE(g.fake().FrameCount() - framesAtYes, 16u);
}

TEST(GameMenu, ContinueScreenRightClickGoesBackToTheTitleMenu) {
  PlayGame g(fourLines());
  g.When(InState(g, ssTitle), [&] { g.ClickAt(320, 100); })
      .When(IdleIn(g, ssTitleMenu), [&] { g.ClickItem(kContinue); })
      .When(IdleIn(g, ssContinueSlots), [&] { g.RightClickAt(320, 240); })
      .When(IdleIn(g, ssTitleMenu), [&] { g.RightClickAt(320, 240); })
      .When(IdleIn(g, ssTitle));
  ASSERT_TRUE(g.Play());
  EXPECT_EQ(g.f->PrevStepState, ssTitleMenu);
  EXPECT_EQ(g.fake().ClientPixel(320, 240), PlayGame::kTitle);
}

TEST(GameMenu, FetchWithoutANodeReportsAndEndsTheLoop) {
  PlayGame g(fourLines());
  ToStory(g);
  g.When(WaitingAfter(g, 1), [&] {
    g.f->NodeIndex = 77;  // names no node
    g.ClickAt(320, 200);
  });
  ASSERT_TRUE(g.Play(/*close=*/false));
  ASSERT_EQ(g.fake().Boxes().size(), 1u);
  EXPECT_EQ(g.fake().Boxes()[0].text, SJ("ノードが見つかりません<Error 1>"));
  // The loop has ended, the window is still open.
  EXPECT_EQ(g.f->StepState, ssStopped);
  EXPECT_FALSE(g.h.app.Terminated());
  EXPECT_TRUE(g.fake().WindowVisible());
}

TEST(GameMenu, OptionScreenWaitsIdleAndLeadsBackToTheMenu) {
  PlayGame g(fourLines());
  ToStory(g);
  uint64_t openedAt = 0, callsAtOpen = 0, callsAfter = 0;
  g.When(WaitingAfter(g, 1), [&] {
     g.f->ReadFlags.Options.TextSpeed = 2;
     g.f->ReadFlags.Options.Reserved2[5] = 0x5A;
     g.RightClickAt(320, 200);
   })
      .When(IdleIn(g, ssGameMenu), [&] { g.ClickItem(7); })  // "オプション"
      .When([&] { return g.f->frmOption->Visible(); }, [&] {
        EXPECT_EQ(g.f->StepState, ssOptions);
        EXPECT_EQ(g.f->frmOption->OptionCopy.TextSpeed, 2);
        EXPECT_EQ(g.f->frmOption->OptionCopy.Reserved2[5], 0x5A);
        EXPECT_EQ(g.f->frmOption->ClientWidth(), 640);
        EXPECT_EQ(g.f->frmOption->ClientHeight(), 480);
        openedAt = g.fake().Elapsed();
        callsAtOpen = g.fake().ProcessMessagesCount();
      })
      // While it is open the loop waits for input instead of spinning.
      .When([&] { return g.fake().Elapsed() >= openedAt + 1000; }, [&] {
        callsAfter = g.fake().ProcessMessagesCount();
        EXPECT_EQ(g.f->StepState, ssOptions);
        g.f->frmOption->Hide();
      })
      .When(IdleIn(g, ssGameMenu), [&] {
        EXPECT_EQ(g.f->PrevStepState, ssOptions);
        EXPECT_EQ(g.fake().ClientPixel(5, 5), kDarkScene);
      });
  ASSERT_TRUE(g.Play());
  EXPECT_LT(callsAfter - callsAtOpen, 400u);
}

TEST(GameMenu, EndingScreenHiddenReturnsToTheStory) {
  PlayGame g(fourLines());
  ToStory(g);
  g.When(WaitingAfter(g, 1), [&] {
     g.f->StepState = ssEnding;
     g.f->frmEnding->Show();
   })
      .When([&] { return g.fake().Elapsed() > 0 && g.f->StepState == ssEnding; },
            [&] { g.f->frmEnding->Hide(); })
      .When(IdleIn(g, ssStory), [&] { g.ClickAt(320, 200); })
      .When(WaitingAfter(g, 2));
  ASSERT_TRUE(g.Play());
  EXPECT_EQ((*g.f->Backlog)[1], "two");
}
