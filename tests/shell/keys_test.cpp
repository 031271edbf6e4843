// The keyboard and the wheel in whole plays: the wheel and Page Up / Page Down press the backlog's
// buttons in the click wait and in the choice, the arrows walk the items of every menu kind and
// Enter picks the one reached, Enter / Escape are the two clicks, and nothing reaches the game
// while the name entry's field has the focus.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "screens/input.h"
#include "screens/option.h"
#include "support/game_play.h"
#include "support/scenario_builder.h"

namespace {

constexpr TPoint kParked{1, 1};   // on no item of any screen
constexpr uint64_t kGapMs = 100;  // between two inputs: several step frames

// Input to give: a wheel notch count (0 = none) or a key.
struct In {
  int wheel = 0;
  int key = 0;
};
In Wheel(int n) { return In{n, 0}; }
In Key(int vk) { return In{0, vk}; }

void give(PlayGame& g, const std::vector<In>& input) {
  FakeBackend& f = g.fake().AtNow();
  for (const In& i : input) {
    if (i.wheel) f.Wheel(i.wheel);
    if (i.key) f.Key(i.key);
    f.Wait(kGapMs);
  }
}

// Once the scripted input is out and the step has had time to take it.
PlayGame::Cond settled(PlayGame& g) {
  return [&g, at = uint64_t(0)]() mutable {
    if (g.fake().ScriptPending() != 0) return false;
    if (at == 0) at = g.fake().Elapsed();
    return g.fake().Elapsed() > at + 500;
  };
}

TPoint pointer(PlayGame& g) {
  TPoint p{};
  EXPECT_TRUE(GetCursorPos(&p));
  return g.f->ScreenToClient(p);
}

}  // namespace

TEST(KeysPlay, WheelAndPageKeysPressTheBacklogButtonsInTheClickWait) {
  struct Case {
    const char* name;
    std::vector<In> input;
    int pos;    // BacklogPos afterwards
    int lines;  // lines fetched
  } cases[] = {
      {"up: the live line in backlog colours", {Wheel(1)}, 2, 3},
      {"up to the first line", {Wheel(1), Wheel(1), Wheel(1)}, 0, 3},
      {"up stops at the first line", {Wheel(2), Wheel(1), Wheel(1), Wheel(1)}, 0, 3},
      {"up three, down one", {Wheel(1), Wheel(1), Wheel(1), Wheel(-1)}, 1, 3},
      {"down from the backlog onto the live line: the next line",
       {Wheel(1), Wheel(1), Wheel(-1)},
       -1,
       4},
      {"down at the live line: a click", {Wheel(-1)}, -1, 4},
      {"Page Up and Page Down", {Key(VK_PRIOR), Key(VK_PRIOR), Key(VK_PRIOR), Key(VK_NEXT)}, 1, 3},
      {"Page Down at the live line", {Key(VK_NEXT)}, -1, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PlayGame g(ScenarioText({"#LOADBKGRP=scene", "#DRAWBKGRP", "l1", "l2", "l3", "l4", "l5"}));
    g.f->ReadFlags.Options.TextSpeed = 2;
    ToStory(g);
    g.When(WaitingAfter(g, 1), [&] { g.ClickAt(kParked.x, kParked.y); })
        .When(WaitingAfter(g, 2), [&] { g.ClickAt(kParked.x, kParked.y); })
        .When(WaitingAfter(g, 3), [&] { give(g, c.input); })
        .When(settled(g), [&] {
          EXPECT_EQ(g.f->BacklogPos, c.pos);
          EXPECT_EQ(g.f->Backlog->Count(), c.lines);
          EXPECT_EQ(g.f->StepState, ssStory);
          // The pointer reads where the player left it again.
          EXPECT_EQ(pointer(g).x, kParked.x);
          EXPECT_EQ(pointer(g).y, kParked.y);
        });
    ASSERT_TRUE(g.Play());
  }
}

TEST(KeysPlay, WheelInTheChoicePagesTheBacklogAndNeverPicks) {
  struct Case {
    const char* name;
    std::vector<In> input;
    int pos;
  } cases[] = {
      {"up", {Wheel(1)}, 2},
      {"up, then down to the live choice", {Wheel(1), Wheel(-1)}, -1},
      {"up twice", {Wheel(1), Wheel(1)}, 1},
      {"down at the live choice", {Wheel(-1)}, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PlayGame g(ScenarioText({"#LOADBKGRP=scene", "#DRAWBKGRP", "one", "two", "three", "\t", "Left ",
                             "in left", " ", "Right ", "in right"}));
    g.f->ReadFlags.Options.TextSpeed = 2;
    ToStory(g);
    // The pointer rests on the first answer: the wheel's clicks are the buttons' all the same.
    const TPoint onAnswer = PlayGame::Centre(g.f->MenuRects[1]);
    g.When(WaitingAfter(g, 1), [&] { g.ClickAt(kParked.x, kParked.y); })
        .When(WaitingAfter(g, 2), [&] { g.ClickAt(kParked.x, kParked.y); })
        .When(WaitingAfter(g, 3), [&] { g.ClickAt(onAnswer.x, onAnswer.y); })
        .When(InStory(g, tsChoice), [&] { give(g, c.input); })
        .When(settled(g), [&] {
          EXPECT_EQ(g.f->TextSubState, tsChoice);
          EXPECT_EQ(g.f->NodeIndex, 0);
          EXPECT_EQ(g.f->BacklogPos, c.pos);
        });
    ASSERT_TRUE(g.Play());
  }
}

TEST(KeysPlay, ArrowsWalkTheItemsOfEveryMenuAndEnterPicks) {
  // One line, then a choice between two answers.
  const auto scenario = ScenarioText({"#LOADBKGRP=scene", "#DRAWBKGRP", "one", "\t", "Left ",
                                      "in left", " ", "Right ", "in right"});
  struct Case {
    const char* name;
    // Keys at the click wait after the first line (the title menu: at the title menu).
    bool atTitle;
    std::vector<int> keys;
    // Keys once the option screen is shown (none: it is not opened).
    std::vector<int> optionKeys;
    std::function<bool(TMainFrm&)> check;
  } cases[] = {
      {"title menu: down four times wraps to the first item",
       true,
       {VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN},
       {},
       [](TMainFrm& f) { return f.StepState == ssStory && f.NodeIndex == 0; }},
      {"title menu: up from none is the last item, up again the one before",
       true,
       {VK_UP, VK_UP, VK_RETURN},
       {},
       [](TMainFrm& f) { return f.StepState == ssContinueSlots; }},
      {"in-game menu: the second item",
       false,
       {VK_ESCAPE, VK_DOWN, VK_DOWN, VK_RETURN},
       {},
       [](TMainFrm& f) { return f.StepState == ssSaveSlots; }},
      // The pointer left on the menu's "セーブ" lies on slot 2.
      {"slot screen: from the slot under the pointer up twice wraps to slot 5",
       false,
       {VK_ESCAPE, VK_DOWN, VK_DOWN, VK_RETURN, VK_UP, VK_UP, VK_RETURN},
       {},
       [](TMainFrm& f) { return f.StepState == ssConfirm && f.SelectedSlot == 5; }},
      {"confirmation: right from yes is no",
       false,
       {VK_ESCAPE, VK_DOWN, VK_DOWN, VK_RETURN, VK_DOWN, VK_RETURN, VK_RIGHT, VK_RIGHT, VK_RETURN},
       {},
       [](TMainFrm& f) { return f.StepState == ssSaveSlots; }},
      {"choice: the second answer",
       false,
       {VK_RETURN, VK_DOWN, VK_DOWN, VK_RETURN},
       {},
       [](TMainFrm& f) { return f.NodeIndex != 0 && (*f.Backlog)[1] == "in right"; }},
      {"choice: left from none is the last answer, right wraps to the first",
       false,
       {VK_RETURN, VK_LEFT, VK_RIGHT, VK_RETURN},
       {},
       [](TMainFrm& f) { return f.NodeIndex != 0 && (*f.Backlog)[1] == "in left"; }},
      {"option screen: fade off, then decide",
       false,
       {VK_ESCAPE, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN},
       {VK_DOWN, VK_DOWN, VK_RIGHT, VK_RETURN, VK_DOWN, VK_DOWN, VK_LEFT, VK_RETURN},
       [](TMainFrm& f) {
         return !f.frmOption->Visible() && f.ReadFlags.Options.NoScreenFade == 1 &&
                f.ReadFlags.Options.NoTextBack == 0;
       }},
      {"option screen: a choice, then Escape cancels it",
       false,
       {VK_ESCAPE, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN},
       {VK_DOWN, VK_DOWN, VK_RIGHT, VK_RETURN, VK_ESCAPE},
       [](TMainFrm& f) {
         return !f.frmOption->Visible() && f.ReadFlags.Options.NoScreenFade == 0;
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PlayGame g(scenario);
    g.f->ReadFlags.Options.TextSpeed = 2;
    auto keys = [&g](const std::vector<int>& ks) {
      FakeBackend& f = g.fake().AtNow().SetCursor(kParked.x, kParked.y);
      for (int k : ks) f.Key(k).Wait(kGapMs);
    };
    if (c.atTitle) {
      g.When(InState(g, ssTitle), [&] {
         g.ClickAt(kParked.x, kParked.y);
       }).When(InState(g, ssTitleMenu), [&] { keys(c.keys); });
    } else {
      ToStory(g);
      g.When(WaitingAfter(g, 1), [&] { keys(c.keys); });
    }
    if (!c.optionKeys.empty())
      g.When([&] { return g.f->frmOption->Visible() && g.fake().ScriptPending() == 0; },
             [&] { keys(c.optionKeys); });
    g.When(settled(g), [&] {
      EXPECT_TRUE(c.check(*g.f)) << "state " << g.f->StepState << " sub " << g.f->TextSubState;
    });
    ASSERT_TRUE(g.Play());
  }
}

TEST(KeysPlay, EnterAndEscapeAreTheTwoClicks) {
  struct Case {
    std::vector<int> keys;
    int32_t state;
    int lines;
  } cases[] = {
      {{VK_RETURN}, ssStory, 2},
      {{VK_SPACE, VK_SPACE}, ssStory, 3},
      {{VK_ESCAPE}, ssGameMenu, 1},
      {{VK_BACK, VK_ESCAPE}, ssWindowHidden, 1},
      {{VK_ESCAPE, VK_ESCAPE, VK_RETURN}, ssStory, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "keys " << c.keys.size() << " first " << c.keys[0]);
    PlayGame g(ScenarioText({"#LOADBKGRP=scene", "#DRAWBKGRP", "l1", "l2", "l3", "l4"}));
    g.f->ReadFlags.Options.TextSpeed = 2;
    ToStory(g);
    g.When(WaitingAfter(g, 1), [&] {
       FakeBackend& f = g.fake().AtNow().SetCursor(kParked.x, kParked.y);
       for (int k : c.keys) f.Key(k).Wait(kGapMs);
     }).When(settled(g), [&] {
      EXPECT_EQ(g.f->StepState, c.state);
      EXPECT_EQ(g.f->Backlog->Count(), c.lines);
    });
    ASSERT_TRUE(g.Play());
  }
}

TEST(KeysPlay, NothingReachesTheGameWhileTheNameFieldHasTheFocus) {
  PlayGame g(ScenarioText(
      {"#LOADBKGRP=scene", "#DRAWBKGRP", "first", "#SETCHARNAME=1,苗字,山田,2,名前,花子", "$1"}));
  ToStory(g);
  g.When(WaitingAfter(g, 1), [&] { g.ClickAt(320, 200); })
      .When([&] { return g.f->frmInput->Visible() && g.fake().ScriptPending() == 0; },
            [&] {
              ASSERT_TRUE(g.f->frmInput->edtCharaName1->Focused());
              give(g, {Key(VK_ESCAPE), Key(VK_BACK), Key(VK_SPACE), Key(VK_DOWN), Key(VK_PRIOR),
                       Key(VK_NEXT), Wheel(1)});
            })
      .When(settled(g),
            [&] {
              EXPECT_TRUE(g.f->frmInput->Visible());
              EXPECT_EQ(g.f->StepState, ssStory);
              EXPECT_EQ(g.f->BacklogPos, -1);
              EXPECT_EQ(g.f->Backlog->Count(), 1);
              g.fake().AtNow().Key(VK_RETURN);  // the entry's own Enter
            })
      .When(WaitingAfter(g, 2));
  ASSERT_TRUE(g.Play());
}

TEST(KeysPlay, CtrlHeldShowsLinesOfReadNodesWhole) {
  for (bool ctrl : {true, false}) {
    SCOPED_TRACE(ctrl ? "Ctrl held" : "nothing held");
    PlayGame g(ScenarioText({"#LOADBKGRP=scene", "#DRAWBKGRP", "0123456789"}));
    g.f->ReadFlags.ReadBits[0] |= 1;
    EXPECT_EQ(FramesToRevealFirstLine(g, [&] {
                if (ctrl) g.fake().AtNow().KeyDown(VK_CONTROL);
              }),
              ctrl ? 1 : 10);
  }
}
