// The message window inside whole plays: a click during the reveal, Shift in read and unread
// nodes, and the click wait of an event scene.
#include <gtest/gtest.h>

#include <string>

#include "support/game_play.h"
#include "support/scenario_builder.h"

namespace {

bool typing(PlayGame& g) { return g.f->StepState == ssStory && g.f->TextSubState == tsTyping; }
bool waiting(PlayGame& g) {
  return g.f->StepState == ssStory && g.f->TextSubState == tsWaitClick && !g.f->NeedNextLine;
}

}  // namespace

TEST(MessageWindowPlay, ClickDuringTheRevealShowsTheLineThenTheNextClickAdvances) {
  PlayGame g(ScenarioText({"#LOADBKGRP=scene", "#DRAWBKGRP", "abcdefghijklmnopqrst", "next"}));
  g.f->ReadFlags.Options.TextSpeed = 0;  // 50 ms a character: a second for the line
  uint64_t clicked = 0, whole = 0;
  ToStory(g);
  g.When([&] { return typing(g) && g.f->TextPos == 3; },
         [&] {
           clicked = g.fake().Elapsed();
           g.ClickAt(320, 200);
         })
      .When([&] { return waiting(g); },
            [&] {
              whole = g.fake().Elapsed();
              EXPECT_EQ(g.f->Backlog->Count(), 1);
            })
      // The click that showed the line is used up: the wait goes on until the next one.
      .When([&] { return g.fake().Elapsed() > whole + 600; },
            [&] {
              EXPECT_TRUE(waiting(g));
              EXPECT_EQ(g.f->Backlog->Count(), 1);
              g.ClickAt(320, 200);
            })
      .When([&] { return waiting(g) && g.f->Backlog->Count() == 2; });
  ASSERT_TRUE(g.Play());
  EXPECT_LT(whole - clicked, 200u) << "the rest of the line came at once";
  EXPECT_EQ((*g.f->Backlog)[1], "next");
}

TEST(MessageWindowPlay, ShiftShowsLinesWholeOnlyInReadNodes) {
  for (bool read : {true, false}) {
    SCOPED_TRACE(read ? "read node" : "unread node");
    PlayGame g(ScenarioText({"#LOADBKGRP=scene", "#DRAWBKGRP", "0123456789"}));
    if (read) g.f->ReadFlags.ReadBits[0] |= 1;
    EXPECT_EQ(FramesToRevealFirstLine(g, [&] { g.fake().AtNow().Shift(true); }), read ? 1 : 10);
  }
}

TEST(MessageWindowPlay, EventSceneWaitIgnoresClicksButTheMenuOpens) {
  PlayGame g(ScenarioText({"#LOADBKGRP=scene", "#DRAWBKGRP", "#EVENTON", "event text", "after"}));
  ToStory(g);
  uint64_t since = 0;
  g.When([&] { return waiting(g); },
         [&] {
           since = g.fake().Elapsed();
           g.ClickAt(320, 200);
         })
      .When([&] { return g.fake().Elapsed() > since + 300; }, [&] { g.ClickAt(320, 200); })
      .When([&] { return g.fake().Elapsed() > since + 800; },
            [&] {
              EXPECT_EQ(g.f->Backlog->Count(), 1) << "the clicks did not advance";
              EXPECT_EQ(g.f->TextSubState, tsWaitClick);
              g.RightClickAt(320, 200);
            })
      .When(InState(g, ssGameMenu))
      // The clicks of the event scene are not taken for a menu item: the menu stays open.
      .When([&] { return g.fake().Elapsed() > since + 1300; },
            [&] { EXPECT_EQ(g.f->StepState, ssGameMenu); });
  ASSERT_TRUE(g.Play());
  EXPECT_EQ((*g.f->Backlog)[0], "event text");
}
