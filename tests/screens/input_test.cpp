// The name entry screen in whole plays: "#SETCHARNAME" opens it over the darkened scene, the
// player types (committed text and input-method compositions), "ＯＫ" or Enter stores the names
// where "$1".."$8" find them, and a save keeps them.
#include "screens/input.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "platform/text/cp932.h"
#include "support/game_play.h"
#include "support/scenario_builder.h"

namespace {

constexpr TRect kOk = Rect(291, 376, 355, 408);

PlayGame::Cond entryOpen(PlayGame& g) {
  return [&g] { return g.f->frmInput->Visible() && g.fake().ScriptPending() == 0; };
}

std::string name(PlayGame& g, int entry) { return g.f->SaveData.CharNames[entry]; }

}  // namespace

TEST(NameEntry, StoresWhatThePlayerLeavesInTheFields) {
  enum Confirm { kEnter, kClickOk };
  struct Case {
    const char* name;
    const char* command;  // UTF-8
    std::function<void(FakeBackend&)> type;
    Confirm confirm;
    const char* entry1;  // UTF-8 expected in CharNames 1 and 2 afterwards
    const char* entry2;
    const char* line;  // the next line as shown ("$1$2さん")
  } cases[] = {
      {"pre-filled names kept", "#SETCHARNAME=1,苗字,山田,2,名前,花子", [](FakeBackend&) {},
       kClickOk, "山田", "花子", "山田花子さん"},
      {"typed over the selected text, Tab to the second field",
       "#SETCHARNAME=1,苗字,山田,2,名前,花子",
       [](FakeBackend& f) { f.Text("ミラ").Key(VK_TAB).Text("Bel"); }, kEnter, "ミラ", "Bel",
       "ミラBelさん"},
      {"a composition is not text until committed", "#SETCHARNAME=1,苗字,山田,2,名前,花子",
       [](FakeBackend& f) {
         f.Composition("みｒ").Composition("みら").Composition("").Text("未来");
       },
       kEnter, "未来", "花子", "未来花子さん"},
      {"an emptied field stores an empty name", "#SETCHARNAME=1,苗字,山田,2,名前,花子",
       [](FakeBackend& f) { f.Key(VK_BACK); }, kEnter, "", "花子", "花子さん"},
      {"single name leaves the second entry alone", "#SETCHARNAME=1,名前,クロ,2,,",
       [](FakeBackend&) {}, kEnter, "クロ", "前", "クロ前さん"},
      {"an entry outside the record is not written", "#SETCHARNAME=40,名前,X,2,名前,Y",
       [](FakeBackend&) {}, kClickOk, "", "Y", "Yさん"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PlayGame g(ScenarioText({"#LOADBKGRP=scene", "#DRAWBKGRP", "first", c.command, "$1$2さん"}));
    ToStory(g);
    g.When(WaitingAfter(g, 1),
           [&] {
             std::strcpy(g.f->SaveData.CharNames[1], "");
             std::strcpy(g.f->SaveData.CharNames[2], SJ("前"));
             g.ClickAt(320, 200);
           })
        .When(entryOpen(g),
              [&] {
                // The field has the focus and its pre-filled text is selected.
                EXPECT_TRUE(g.f->frmInput->edtCharaName1->Focused());
                EXPECT_EQ(g.f->frmInput->edtCharaName1->SelLength(),
                          int32_t(g.f->frmInput->edtCharaName1->Text().size()));
                g.fake().AtNow();
                c.type(g.fake());
                if (c.confirm == kEnter)
                  g.fake().Key(VK_RETURN);
                else
                  g.fake().Click(PlayGame::Centre(kOk).x, PlayGame::Centre(kOk).y);
              })
        .When(WaitingAfter(g, 2));
    ASSERT_TRUE(g.Play());
    EXPECT_FALSE(g.f->frmInput->Visible());
    EXPECT_EQ(name(g, 1), SJ(c.entry1));
    EXPECT_EQ(name(g, 2), SJ(c.entry2));
    EXPECT_EQ((*g.f->Backlog)[1], SJ(c.line));
  }
}

TEST(NameEntry, EnterDuringACompositionBelongsToTheInputMethod) {
  PlayGame g(
      ScenarioText({"#LOADBKGRP=scene", "first", "#SETCHARNAME=1,苗字,山田,2,名前,花子", "$1"}));
  ToStory(g);
  g.When(WaitingAfter(g, 1), [&] { g.ClickAt(320, 200); })
      .When(entryOpen(g), [&] { g.fake().AtNow().Composition("みら").Key(VK_RETURN); })
      .When([&] { return g.fake().ScriptPending() == 0; },
            [&] {
              EXPECT_TRUE(g.f->frmInput->Visible());
              g.fake().AtNow().Composition("").Text("みら").Key(VK_RETURN);
            })
      .When(WaitingAfter(g, 2));
  ASSERT_TRUE(g.Play());
  EXPECT_EQ(name(g, 1), SJ("みら"));
}

TEST(NameEntry, EachOpeningStartsFromTheDesignedLayout) {
  // A single-name request moves the first pair 30 pixels down and hides the second; the next
  // request, naming the same entry, shows both pairs where they were designed and overwrites it.
  PlayGame g(ScenarioText({"#LOADBKGRP=scene", "first", "#SETCHARNAME=1,名前,一,2,,", "$1",
                           "#SETCHARNAME=1,苗字,二,2,名前,三", "$1$2"}));
  struct Seen {
    int32_t editTop, labelTop;
    bool secondShown;
    int okYellow, okYellowAfter;
  } seen[2] = {};
  int opening = 0;
  ToStory(g);
  auto look = [&] {
    TfrmInput& in = *g.f->frmInput;
    Seen& s = seen[opening++];
    s.editTop = in.edtCharaName1->Top;
    s.labelTop = in.nlvlCharaName1->Top;
    s.secondShown = in.edtCharaName2->Visible() && in.nlvlCharaName2->Visible();
    TPoint ok = PlayGame::Centre(kOk);
    g.fake().AtNow().MouseMove(ok.x, ok.y);
  };
  auto hovered = [&] {
    seen[opening - 1].okYellow = g.CountPixels(kOk, IsYellowish);
    g.fake().AtNow().MouseMove(600, 20);
  };
  auto confirm = [&] {
    seen[opening - 1].okYellowAfter = g.CountPixels(kOk, IsYellowish);
    g.fake().AtNow().Key(VK_RETURN);
  };
  auto idle = [&] { return g.fake().ScriptPending() == 0; };
  g.When(WaitingAfter(g, 1), [&] { g.ClickAt(320, 200); })
      .When(entryOpen(g), look)
      .When(idle, hovered)
      .When(idle, confirm)
      .When(WaitingAfter(g, 2), [&] { g.ClickAt(320, 200); })
      .When(entryOpen(g), look)
      .When(idle, hovered)
      .When(idle, confirm)
      .When(WaitingAfter(g, 3));
  ASSERT_TRUE(g.Play());
  EXPECT_EQ(seen[0].editTop, 138);
  EXPECT_EQ(seen[0].labelTop, 94);
  EXPECT_FALSE(seen[0].secondShown);
  EXPECT_EQ(seen[1].editTop, 108);
  EXPECT_EQ(seen[1].labelTop, 64);
  EXPECT_TRUE(seen[1].secondShown);
  for (const Seen& s : seen) {
    EXPECT_GT(s.okYellow, 20);
    EXPECT_EQ(s.okYellowAfter, 0);
  }
  EXPECT_EQ((*g.f->Backlog)[1], SJ("一"));
  EXPECT_EQ((*g.f->Backlog)[2], SJ("二三"));

  // A save keeps the names.
  ASSERT_TRUE(g.f->SaveSlot(1));
  std::memset(g.f->SaveData.CharNames, 0, sizeof g.f->SaveData.CharNames);
  ASSERT_TRUE(g.f->LoadSlot(1, false));
  EXPECT_EQ(name(g, 1), SJ("二"));
  EXPECT_EQ(name(g, 2), SJ("三"));
}
