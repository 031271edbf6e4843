// Message processing: order, re-entrancy, posted and cross-thread messages, the close path,
// WM_MOVE, expose and the idle loop.
#include <gtest/gtest.h>

#include <thread>

#include "app_test_forms.h"

using Log = std::vector<std::string>;

constexpr uint32_t WM_RUNGAME = WM_APP + 0x3E9;

TEST(AppMessages, PrivateMessageReachesDispatchWithItsParameters) {
  AppFixture f;
  static_assert(WM_RUNGAME == 0x83E9);
  f.app.PostMessage(&f.main, WM_RUNGAME, 7, -3);
  f.app.ProcessMessages();
  EXPECT_EQ(f.main.Log(), (Log{"main: msg 83E9 7 -3"}));
}

TEST(AppMessages, NestedProcessingDispatchesEachItemOnceAndInOrder) {
  AppFixture f;
  // The first message's handler processes messages itself, as the game loop does; the click
  // scripted before it and the messages posted after it must each arrive once.
  f.fake.Click(10, 20);
  f.main.onMessage = [&](TMessage& m) {
    if (m.Msg == WM_APP + 1) {
      f.main.Log().push_back("nested start");
      f.app.PostMessage(&f.main, WM_APP + 4, 0, 0);  // posted from inside: comes last
      f.app.ProcessMessages();
      f.app.ProcessMessages();
      f.main.Log().push_back("nested end");
    }
  };
  f.app.PostMessage(&f.main, WM_APP + 1, 0, 0);
  f.app.PostMessage(&f.main, WM_APP + 2, 0, 0);
  f.app.PostMessage(&f.main, WM_APP + 3, 0, 0);
  f.app.ProcessMessages();
  f.app.ProcessMessages();
  EXPECT_EQ(f.main.Log(), (Log{"main: msg 8001 0 0", "nested start", "main: msg 8002 0 0",
                               "main: msg 8003 0 0", "main: msg 8004 0 0", "main: down L 10,20",
                               "main: up L 10,20", "nested end"}));
}

TEST(AppMessages, MessagesForADestroyedFormAreDropped) {
  AppFixture f;
  Log log;
  {
    RecordingForm gone("gone", &f.main);
    gone.log = &log;
    f.app.PostMessage(&gone, WM_APP + 9, 0, 0);
    f.app.PostMessageFromAnyThread(&gone, WM_APP + 9, 0, 0);
  }
  f.app.PostMessage(&f.main, WM_APP + 5, 0, 0);
  f.app.ProcessMessages();
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(f.main.Log(), (Log{"main: msg 8005 0 0"}));
}

TEST(AppMessages, MessagesFromAnotherThreadArriveOnTheMainThreadInOrder) {
  AppFixture f;
  std::thread::id seen;
  f.main.onMessage = [&](TMessage&) { seen = std::this_thread::get_id(); };
  std::thread t([&] {
    for (int i = 0; i < 100; ++i) f.app.PostMessageFromAnyThread(&f.main, MM_MCINOTIFY, i, 0);
  });
  t.join();
  // Something is waiting, so the idle wait returns at once without moving the clock.
  uint32_t before = timeGetTime();
  WaitForEvents(500);
  EXPECT_EQ(timeGetTime(), before);
  f.app.ProcessMessages();
  ASSERT_EQ(f.main.Log().size(), 100u);
  for (int i = 0; i < 100; ++i)
    EXPECT_EQ(f.main.Log()[size_t(i)], "main: msg 03B9 " + std::to_string(i) + " 0");
  EXPECT_EQ(seen, std::this_thread::get_id());
}

struct CloseCase {
  const char* name;
  bool viaWindowButton;  // else a posted WM_CLOSE
  bool allow;
};

class AppClose : public ::testing::TestWithParam<CloseCase> {};

TEST_P(AppClose, CloseQueryDecides) {
  const CloseCase& c = GetParam();
  AppFixture f;
  f.main.allowClose = c.allow;
  if (c.viaWindowButton)
    f.fake.CloseRequest();
  else
    f.app.PostMessage(&f.main, WM_CLOSE, 0, 0);
  f.app.ProcessMessages();
  EXPECT_EQ(f.main.closeQueries, 1);
  EXPECT_EQ(f.main.Visible(), !c.allow);
  EXPECT_EQ(f.fake.WindowVisible(), !c.allow);
  EXPECT_EQ(f.app.Terminated(), c.allow);
}

INSTANTIATE_TEST_SUITE_P(App, AppClose,
                         ::testing::Values(CloseCase{"ButtonCancel", true, false},
                                           CloseCase{"ButtonAllow", true, true},
                                           CloseCase{"PostedCancel", false, false},
                                           CloseCase{"PostedAllow", false, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(AppMessages, ClosingAChildFormOnlyHidesIt) {
  AppFixture f;
  RecordingForm child("child", &f.main);
  child.Show();
  f.app.PostMessage(&child, WM_CLOSE, 0, 0);
  f.app.ProcessMessages();
  EXPECT_FALSE(child.Visible());
  EXPECT_TRUE(f.main.Visible());
  EXPECT_FALSE(f.app.Terminated());
}

TEST(AppMessages, WindowMoveUpdatesThePositionAndSendsWmMove) {
  AppFixture f;
  f.fake.WindowMoved(120, 80);
  f.app.ProcessMessages();
  EXPECT_EQ(f.main.Left, 120);
  EXPECT_EQ(f.main.Top, 80);
  EXPECT_EQ(f.main.Log(), (Log{"main: msg 0003 0 5243000"}));  // MAKELPARAM(120, 80)
  // The form's own position is not sent back to the window as a move.
  f.main.Present();
  EXPECT_EQ(f.fake.WindowPosition(), (TPoint{120, 80}));
}

TEST(AppMessages, ExposePaintsMainAndVisibleChildrenThenPresents) {
  AppFixture f;
  Log log;
  f.main.log = &log;
  RecordingForm shown("shown", &f.main), hidden("hidden", &f.main);
  shown.log = hidden.log = &log;
  shown.Show();
  f.app.ProcessMessages();  // showing a form repaints once
  log.clear();
  uint64_t frames = f.fake.FrameCount();
  f.fake.AtNow().Expose();
  f.app.ProcessMessages();
  EXPECT_EQ(log, (Log{"main: paint", "shown: paint"}));
  EXPECT_EQ(f.fake.FrameCount(), frames + 1);
}

TEST(AppMessages, RunWaitsInsteadOfSpinningAndEndsOnTerminate) {
  AppFixture f;
  f.main.onMessage = [&](TMessage& m) {
    if (m.Msg == WM_APP) f.app.Terminate();
  };
  f.fake.At(10000).Click(5, 5);
  f.main.onDown = [&](TMouseButton, int32_t, int32_t) {
    f.app.PostMessage(&f.main, WM_APP, 0, 0);
  };
  f.app.Run();
  EXPECT_TRUE(f.app.Terminated());
  EXPECT_GE(f.fake.Elapsed(), 10000u);
  // Ten virtual seconds of idling took a handful of passes, not a spin.
  EXPECT_LT(f.fake.ProcessMessagesCount(), 40u);
}

TEST(AppMessages, WaitForEventsReturnsWhenInputArrives) {
  AppFixture f;
  f.fake.At(f.fake.Elapsed() + 30).Key(VK_SPACE);
  uint64_t start = f.fake.Elapsed();
  WaitForEvents(1000);
  EXPECT_EQ(f.fake.Elapsed() - start, 30u);
  EXPECT_TRUE(f.app.HasPendingMessages());
  f.app.ProcessMessages();
  EXPECT_EQ(f.main.Log(), (Log{"main: key 32"}));
  // Nothing scripted: the whole timeout passes.
  start = f.fake.Elapsed();
  WaitForEvents(40);
  EXPECT_EQ(f.fake.Elapsed() - start, 40u);
}
