// Whole plays of a small game on the fake backend: the logo with and without a click, the title
// and its menu, the start of the story, the text reveal at each speed, click waits, the backlog
// buttons, a choice, a node that ends without a successor, and leaving the game.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/text/cp932.h"
#include "support/game_play.h"
#include "support/scenario_builder.h"

namespace {

// The story most plays use: a scene, then three text lines.
std::string threeLines() {
  return ScenarioText({"#LOADBKGRP=scene", "#DRAWBKGRP", "first", "second", "third"});
}

bool whiteText(TColor c) { return IsWhitish(c); }

}  // namespace

TEST(GamePlay, LogoWithoutAClickLastsAboutASecondThenFadesToTheTitle) {
  PlayGame g(threeLines());
  uint64_t fadeInDone = 0, title = 0;
  uint64_t framesAtFadeIn = 0;
  bool sawLogo = false;
  g.When([&] {
     // The first message processing that finds the logo on the screen: the fade-in is over.
     if (g.f->StepState != ssLogo || g.fake().ClientPixel(320, 240) != PlayGame::kLogo)
       return false;
     fadeInDone = g.fake().Elapsed();
     framesAtFadeIn = g.fake().FrameCount();
     sawLogo = g.fake().ClientPixel(320, 240) == PlayGame::kLogo;
     return true;
   })
      .When([&] {
        if (g.f->StepState != ssTitle) return false;
        title = g.fake().Elapsed();
        return true;
      });
  ASSERT_TRUE(g.Play());
  EXPECT_TRUE(sawLogo);
  // 100 passes of 10 ms, then a fade-out and a fade-in of several 30 ms frames each.
  EXPECT_GE(title - fadeInDone, 1000u);
  EXPECT_LT(title - fadeInDone, 3000u);
  EXPECT_GT(g.fake().FrameCount() - framesAtFadeIn, 10u);
  EXPECT_EQ(g.fake().ClientPixel(320, 240), PlayGame::kTitle);
}

TEST(GamePlay, ClickOnTheLogoShowsTheTitleAtOnce) {
  PlayGame g(threeLines());
  uint64_t clicked = 0, title = 0, framesAtClick = 0;
  g.When([&] {
     return g.f->StepState == ssLogo && g.fake().ClientPixel(320, 240) == PlayGame::kLogo;
   },
         [&] {
           clicked = g.fake().Elapsed();
           framesAtClick = g.fake().FrameCount();
           g.ClickAt(320, 240);
         })
      .When([&] {
        if (g.f->StepState != ssTitle) return false;
        title = g.fake().Elapsed();
        return true;
      });
  ASSERT_TRUE(g.Play());
  EXPECT_EQ(g.f->PrevStepState, ssLogo);
  EXPECT_LT(title - clicked, 100u);
  // No fade-out: the title picture follows the logo within a frame or two.
  EXPECT_LE(g.fake().FrameCount() - framesAtClick, 4u);
  EXPECT_EQ(g.fake().ClientPixel(320, 240), PlayGame::kTitle);
}

TEST(GamePlay, StartFromTheBeginningShowsTheFirstLine) {
  PlayGame g(threeLines());
  g.f->ReadFlags.PlayCount = 4;
  g.f->SaveData.SetFlag(7);  // left over from an earlier play in this session
  int titleMenuPixels = 0;
  g.When(InState(g, ssTitle), [&] { g.ClickAt(320, 100); })
      .When([&] { return g.f->StepState == ssTitleMenu && g.fake().FrameCount() > 0; },
            [&] { g.HoverItem(18); })
      .When([&] {
        // The hovered "はじめから" is yellow over the title darkened by 60.
        if (g.CountPixels(g.f->MenuRects[18], IsYellowish) == 0) return false;
        titleMenuPixels = g.CountPixels(Rect(0, 0, 100, 100), [](TColor c) {
          return c == RGB(0, 100, 0);
        });
        return true;
      }, [&] { g.ClickItem(18); })
      .When(InStory(g, tsWaitClick));
  ASSERT_TRUE(g.Play());
  EXPECT_EQ(titleMenuPixels, 100 * 100);
  EXPECT_EQ(int(g.f->ReadFlags.PlayCount), 5);
  EXPECT_FALSE(g.f->SaveData.TestFlag(7));
  ASSERT_EQ(g.f->Backlog->Count(), 1);
  EXPECT_EQ((*g.f->Backlog)[0], "first");
  EXPECT_EQ(g.f->BacklogPos, -1);
  EXPECT_GT(g.CountPixels(Rect(24, 356, 580, 462), whiteText), 20);
}

TEST(GamePlay, RevealTakesOneFramePerCharacterAtEachSpeed) {
  struct Case {
    uint8_t speed;
    uint64_t lo, hi;  // median interval between characters, ms
  } cases[] = {{0, 50, 52}, {1, 16, 18}, {2, 16, 18}};
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.speed));
    // Ten two-byte characters: one step each.
    PlayGame g(ScenarioText({"#LOADBKGRP=scene", "#DRAWBKGRP", "あいうえおかきくけこ"}));
    g.f->ReadFlags.Options.TextSpeed = c.speed;
    std::vector<uint64_t> times;
    uint32_t lastPos = 0;
    ToStory(g);
    g.When([&] {
      if (g.f->StepState != ssStory) return false;
      if (g.f->TextPos != lastPos) {
        lastPos = g.f->TextPos;
        times.push_back(g.fake().Elapsed());
      }
      return g.f->TextSubState == tsWaitClick;
    });
    ASSERT_TRUE(g.Play());
    ASSERT_EQ(times.size(), 10u);
    std::vector<uint64_t> gaps;
    for (size_t i = 1; i < times.size(); ++i) gaps.push_back(times[i] - times[i - 1]);
    std::sort(gaps.begin(), gaps.end());
    const uint64_t median = gaps[gaps.size() / 2];
    EXPECT_GE(median, c.lo);
    EXPECT_LE(median, c.hi);
  }
}

TEST(GamePlay, ClicksAdvanceLineByLineAndTheBacklogButtonsPageBack) {
  PlayGame g(threeLines());
  ToStory(g);
  const TPoint up = PlayGame::Centre(g.f->BacklogUpRect);
  const TPoint down = PlayGame::Centre(g.f->BacklogDownRect);
  std::vector<int> positions;
  auto waitingAfter = [&](int lines) {
    return [&g, lines] {
      return g.f->StepState == ssStory && g.f->TextSubState == tsWaitClick &&
             g.f->Backlog->Count() == lines && !g.f->NeedNextLine;
    };
  };
  auto backlogAt = [&](int pos) {
    return [&g, pos] { return g.f->BacklogPos == pos && g.f->StepState == ssStory; };
  };
  g.When(waitingAfter(1), [&] { g.ClickAt(320, 200); })
      .When(waitingAfter(2), [&] { g.ClickAt(up.x, up.y); })
      // The live line again, in the backlog colours.
      .When(backlogAt(1), [&] {
        positions.push_back(g.f->BacklogPos);
        g.ClickAt(up.x, up.y);
      })
      .When(backlogAt(0), [&] {
        positions.push_back(g.f->BacklogPos);
        g.ClickAt(up.x, up.y);
      })
      // Still the first entry; "▼" from there leaves the backlog and advances.
      .When([&] { return g.fake().ScriptPending() == 0 && g.f->BacklogPos == 0; },
            [&] {
              positions.push_back(g.f->BacklogPos);
              g.ClickAt(down.x, down.y);
            })
      .When(waitingAfter(3));
  ASSERT_TRUE(g.Play());
  EXPECT_EQ(positions, (std::vector<int>{1, 0, 0}));
  EXPECT_EQ((*g.f->Backlog)[2], "third");
  EXPECT_EQ(g.f->BacklogPos, -1);
}

TEST(GamePlay, ChoiceAmongTwoChildrenOffersTwoLines) {
  // The root ends with two children titled "Left" and "Right".
  PlayGame g(ScenarioText({"#LOADBKGRP=scene", "#DRAWBKGRP", "question", "\t", "Left ",
                           "in left", " ", "Right ", "in right"}));
  ToStory(g);
  int thirdLinePixels = -1, secondLinePixels = 0;
  g.When(InStory(g, tsWaitClick), [&] { g.ClickAt(320, 200); })
      .When(InStory(g, tsChoice), [&] { g.HoverItem(3); })
      .When([&] { return g.fake().ScriptPending() == 0 && g.fake().FrameCount() > 0; },
            [&] { g.ClickItem(3); })  // the empty third line: nothing happens
      .When([&] { return g.fake().ScriptPending() == 0; },
            [&] {
              thirdLinePixels = g.CountPixels(g.f->MenuRects[3], whiteText);
              secondLinePixels = g.CountPixels(g.f->MenuRects[2], whiteText);
              EXPECT_EQ(g.f->TextSubState, tsChoice);
              EXPECT_EQ(g.f->NodeIndex, 0);
              g.ClickItem(2);
            })
      .When([&] { return g.f->Backlog->Count() == 2 && g.f->TextSubState == tsWaitClick; });
  ASSERT_TRUE(g.Play());
  EXPECT_EQ(thirdLinePixels, 0);
  EXPECT_GT(secondLinePixels, 20);
  EXPECT_EQ(g.f->NodeIndex, 2);
  EXPECT_EQ((*g.f->Backlog)[1], "in right");
  EXPECT_TRUE(g.f->IsNodeRead(0));
}

TEST(GamePlay, NodeWithoutChildrenHaltsWithErrorOne) {
  PlayGame g(ScenarioText({"#LOADBKGRP=scene", "#DRAWBKGRP", "the only line"}));
  ToStory(g);
  uint64_t haltedAt = 0;
  g.When(InStory(g, tsWaitClick), [&] { g.ClickAt(320, 200); })
      .When([&] { return g.f->StepState == ssHalted && OpenMessageBoxCount() == 0; },
            [&] { haltedAt = g.fake().Elapsed(); })
      // Nothing advances any more; the close command still works.
      .When([&] { return g.fake().Elapsed() > haltedAt + 500; },
            [&] { EXPECT_EQ(g.f->StepState, ssHalted); });
  ASSERT_TRUE(g.Play());
  ASSERT_GE(g.fake().Boxes().size(), 1u);
  const auto& box = g.fake().Boxes()[0];
  EXPECT_EQ(box.text, SJ("ノードが見つかりません<Error 1>"));
  EXPECT_EQ(box.caption, SJ("エラーがありました"));
  EXPECT_EQ(g.f->PrevStepState, ssStory);
  std::vector<uint8_t> rf = g.h.folder.Read("orxrf.svd");
  ASSERT_EQ(rf.size(), 2051u);
  EXPECT_EQ(rf[0] & 1, 1);  // node 0 marked read
}

TEST(GamePlay, WindowMenuGoesBackToTheTitle) {
  PlayGame g(threeLines());
  ToStory(g);
  g.When(InStory(g, tsWaitClick), [&] {
     g.fake().AnswerBox(IDYES);
     g.fake().AtNow().MenuClick(0, 0);  // "タイトル画面に戻る(&T)"
   })
      .When(InState(g, ssTitle));
  ASSERT_TRUE(g.Play());
  ASSERT_GE(g.fake().Boxes().size(), 1u);
  EXPECT_EQ(g.fake().Boxes()[0].text, SJ("ゲームを中断しタイトル画面に戻りますか？"));
  EXPECT_EQ(g.f->NodeIndex, 0);
  EXPECT_EQ(g.f->LineIndex, 0);
  EXPECT_EQ(g.fake().ClientPixel(320, 240), PlayGame::kTitle);
}

TEST(GamePlay, QuitFromTheTitleMenuGoesThroughTheCloseConfirmation) {
  PlayGame g(threeLines());
  g.f->ReadFlags.PlayCount = 9;
  g.When(InState(g, ssTitle), [&] { g.ClickAt(320, 100); })
      .When(InState(g, ssTitleMenu), [&] { g.ClickItem(20); });
  ASSERT_TRUE(g.Play(/*close=*/false));
  ASSERT_EQ(g.fake().Boxes().size(), 1u);
  EXPECT_EQ(g.fake().Boxes()[0].text, SJ("本当に終了してよろしいですか？"));
  EXPECT_EQ(g.f->StepState, ssStopped);
  EXPECT_TRUE(g.h.app.Terminated());
  std::vector<uint8_t> rf = g.h.folder.Read("orxrf.svd");
  ASSERT_EQ(rf.size(), 2051u);
  EXPECT_EQ(rf[1024], 9);  // the read-flags file was written first
}

// A termination signal (the session ending, a kill) ends the game without the close question,
// also when a box is waiting for an answer.
TEST(GamePlay, TerminationSignalEndsTheGameWithoutAsking) {
  struct Case {
    const char* what;
    bool boxOpen;  // the quit confirmation is showing when the signal comes
  } cases[] = {{"in the story", false}, {"while the quit confirmation waits", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PlayGame g(threeLines());
    g.When(InState(g, ssTitle), [&] { g.ClickAt(320, 100); });
    if (c.boxOpen) {
      // The signal is on its way while the box opens, so the box waits for it.
      g.When(InState(g, ssTitleMenu), [&] {
        g.ClickItem(20);
        g.fake().At(g.fake().Elapsed() + 500).TerminateRequest();
      });
    } else {
      g.When(InState(g, ssTitleMenu), [&] { g.ClickItem(18); })
          .When(InStory(g, tsWaitClick), [&] { g.fake().AtNow().TerminateRequest(); });
    }
    ASSERT_TRUE(g.Play(/*close=*/false));
    g.h.app.ProcessMessages();
    // The quit item's own question was cancelled by the signal; no other one was asked.
    ASSERT_EQ(g.fake().Boxes().size(), c.boxOpen ? 1u : 0u);
    if (c.boxOpen) EXPECT_EQ(g.fake().Boxes()[0].answer, IDCANCEL);
    EXPECT_EQ(g.f->StepState, ssStopped);
    EXPECT_TRUE(g.h.app.Terminated());
    // The read-flags file is written as the program's own exit writes it: this session's play
    // count and options are kept.
    const std::vector<uint8_t> rf = g.h.folder.Read("orxrf.svd");
    ASSERT_EQ(rf.size(), sizeof g.f->ReadFlags);
    EXPECT_EQ(std::memcmp(rf.data(), &g.f->ReadFlags, rf.size()), 0);
  }
}

TEST(GamePlay, StartTransitionKindIsReadWhenUsed) {
  // Kind 9 is no transition: the story starts without a fade-out. Kind 1 fades in frames.
  struct Case {
    const char* value;
    bool fades;
  } cases[] = {{"9", false}, {"1", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    PlayGame g(threeLines(), "STARTFADEOUT=1\r\n");
    uint64_t framesAtClick = 0, framesAtStory = 0;
    g.When(InState(g, ssTitle), [&] {
       // The key is changed after start-up: the value at the moment of use counts.
       g.h.folder.Write("miravel.ini", std::string("[GRP]\r\nFRAMEGRP=\r\nLOGO=LOGO\r\n"
                                                   "TITLE=TITLE\r\nSTARTFADEOUT=") +
                                           c.value + "\r\n");
       g.ClickAt(320, 100);
     })
        .When(InState(g, ssTitleMenu), [&] {
          framesAtClick = g.fake().FrameCount();
          g.ClickItem(18);
        })
        .When(InState(g, ssStory), [&] { framesAtStory = g.fake().FrameCount(); });
    ASSERT_TRUE(g.Play());
    if (c.fades)
      EXPECT_GE(framesAtStory - framesAtClick, 8u);
    else
      EXPECT_LE(framesAtStory - framesAtClick, 4u);
  }
}

TEST(GamePlay, TitleMenuIsReachableWithoutLogoAndTitlePictures) {
  // With neither picture loadable the title menu is still drawn (over black) and takes a click.
  for (bool undecodable : {false, true}) {
    SCOPED_TRACE(undecodable ? "undecodable" : "missing");
    PlayGame g(threeLines());
    for (const char* name : {"grp/LOGO.BMP", "grp/TITLE.BMP"}) {
      if (undecodable)
        g.h.folder.Write(name, std::string("BM not a picture"));
      else
        std::remove(g.h.folder.File(name).c_str());
    }
    int inked = 0;
    g.When(InState(g, ssTitle), [&] { g.ClickAt(320, 240); })
        .When(IdleIn(g, ssTitleMenu), [&] {
          inked = g.CountPixels(g.f->MenuRects[18], IsWhitish);
          g.ClickItem(18);
        })
        .When(InState(g, ssStory));
    ASSERT_TRUE(g.Play());
    EXPECT_GT(inked, 20);
  }
}
