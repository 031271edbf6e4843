// The wheel and the program-placed pointer: where wheel events go, SetCursorPos as a mouse move,
// HoldCursorPos for a program-made click, and the autoplay script's wheel entry.
#include <gtest/gtest.h>

#include "app_test_forms.h"
#include "platform/backend/input_script.h"

using Log = std::vector<std::string>;

namespace {

// A main form with a child a at (100,100)-(300,300).
struct WheelFixture : AppFixture {
  Log log;
  RecordingForm a{"a", &main};
  WheelFixture() {
    main.log = a.log = &log;
    a.SetBounds(100, 100, 200, 200);
    a.Show();
    app.ProcessMessages();
    log.clear();
  }
};

}  // namespace

TEST(AppWheel, GoesToTheFormUnderThePointer) {
  struct Case {
    const char* name;
    int32_t x, y;  // the pointer, main client coordinates
    int notches;
    bool captured;  // main holds the capture
    const char* expected;
  } cases[] = {
      {"over the main form", 50, 60, 1, false, "main: wheel 1 50,60"},
      {"over the child", 150, 120, -2, false, "a: wheel -2 50,20"},
      {"captured", 150, 120, 1, true, "main: wheel 1 150,120"},
      // Outside the window: the form keys go to, the topmost child.
      {"outside", -100, -100, 1, false, "a: wheel 1 -200,-200"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WheelFixture f;
    if (c.captured) SetCapture(&f.main);
    f.fake.SetCursor(c.x, c.y).Wheel(c.notches);
    f.fake.RunScript();
    EXPECT_EQ(f.log, (Log{c.expected}));
  }
}

TEST(AppWheel, SetCursorPosMovesThePointerAsTheMouseWould) {
  WheelFixture f;
  const TPoint to = f.main.ClientToScreen(TPoint{160, 150});
  SetCursorPos(to.x, to.y);
  EXPECT_EQ(f.log, (Log{"a: move 60,50"}));
  TPoint p;
  ASSERT_TRUE(GetCursorPos(&p));
  EXPECT_EQ(f.main.ScreenToClient(p).x, 160);
  EXPECT_EQ(f.main.ScreenToClient(p).y, 150);
}

TEST(AppWheel, HeldPointerLastsWhileItsConditionHoldsAndNoMouseMoves) {
  WheelFixture f;
  f.fake.SetCursor(10, 20);
  f.fake.RunScript();
  auto client = [&] {
    TPoint p{};
    EXPECT_TRUE(GetCursorPos(&p));
    return f.main.ScreenToClient(p);
  };
  bool hold = true;
  HoldCursorPos(&f.main, f.main.ClientToScreen(TPoint{500, 400}), [&] { return hold; });
  EXPECT_EQ(client().x, 500);
  hold = false;
  EXPECT_EQ(client().x, 10);  // the player's pointer again, for good
  hold = true;
  EXPECT_EQ(client().x, 10);

  HoldCursorPos(&f.main, f.main.ClientToScreen(TPoint{500, 400}), [] { return true; });
  f.fake.AtNow().MouseMove(30, 40);
  f.fake.RunScript();
  EXPECT_EQ(client().x, 30);

  {
    RecordingForm owner("owner", &f.main);
    HoldCursorPos(&owner, f.main.ClientToScreen(TPoint{500, 400}), [] { return true; });
    EXPECT_EQ(client().x, 500);
  }
  EXPECT_EQ(client().x, 30);  // its owner is gone
}

TEST(AppWheel, ScriptWheelEntries) {
  std::vector<ScriptEntry> e;
  std::string err;
  ASSERT_TRUE(ParseInputScript("10 wheel 3\n11 WHEEL -1\n", e, &err)) << err;
  ASSERT_EQ(e.size(), 2u);
  EXPECT_EQ(e[0].kind, ScriptEntry::kWheel);
  EXPECT_EQ(e[0].wheel, 3);
  EXPECT_EQ(e[1].wheel, -1);
  EXPECT_EQ(e[1].at, 11u);

  InputScript script;
  script.cursor = TPoint{7, 8};
  script.Add(e[1]);
  ScriptEntry due;
  ASSERT_TRUE(script.TakeDue(20, due));
  BackendEvent ev;
  ASSERT_TRUE(InputScript::ToEvent(due, 0, ev));
  EXPECT_EQ(ev.kind, BackendEventKind::kMouseWheel);
  EXPECT_EQ(ev.wheel, -1);
  EXPECT_EQ(ev.x, 7);  // at the pointer
  EXPECT_EQ(ev.y, 8);

  for (const char* bad : {"10 wheel", "10 wheel 0", "10 wheel up", "10 wheel 1 2"}) {
    EXPECT_FALSE(ParseInputScript(bad, e, &err)) << bad;
    EXPECT_EQ(err.rfind("line 1:", 0), 0u) << err;
  }
}
