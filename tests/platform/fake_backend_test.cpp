// The fake backend itself: virtual clock and its wrap, release of scripted input at virtual
// times, kept frames, the per-pass hook, the runaway guard, local time.
#include <gtest/gtest.h>

#include "app_test_forms.h"
#include "platform/audio/audio.h"
#include "platform/backend/fake/fake_audio.h"

using Log = std::vector<std::string>;

TEST(FakeClock, SleepAdvancesAtOnceAndTimeGetTimeWraps) {
  FakeBackend fake;
  EXPECT_EQ(timeGetTime(), 1000u);
  Sleep(25);
  EXPECT_EQ(timeGetTime(), 1025u);
  EXPECT_EQ(fake.Elapsed(), 25u);
  fake.SetClock(0xFFFFFFF0u);
  uint32_t before = timeGetTime();
  Sleep(0x20);
  EXPECT_EQ(timeGetTime(), 0x10u);
  EXPECT_EQ(timeGetTime() - before, 0x20u);  // unsigned differences survive the wrap
  EXPECT_EQ(fake.Elapsed(), 25u + 0x20u);
}

TEST(FakeClock, UninstallingGoesBackToTheRealClock) {
  {
    FakeBackend fake;
    EXPECT_EQ(&CurrentBackend(), &fake);
  }
  EXPECT_EQ(&CurrentBackend(), &HeadlessBackend());
}

TEST(FakeClock, LocalTimeRunsWithTheVirtualClock) {
  FakeBackend fake;
  SYSTEMTIME st{};
  GetLocalTime(&st);
  EXPECT_EQ(st.wYear, 2024);
  EXPECT_EQ(st.wMonth, 4);
  EXPECT_EQ(st.wDay, 1);
  EXPECT_EQ(st.wDayOfWeek, 1);
  fake.SetLocalTime(SYSTEMTIME{2023, 12, 0, 31, 23, 59, 59, 500});
  Sleep(1000);
  GetLocalTime(&st);
  EXPECT_EQ(st.wYear, 2024);
  EXPECT_EQ(st.wMonth, 1);
  EXPECT_EQ(st.wDay, 1);
  EXPECT_EQ(st.wDayOfWeek, 1);  // a Monday
  EXPECT_EQ(st.wHour, 0);
  EXPECT_EQ(st.wMinute, 0);
  EXPECT_EQ(st.wSecond, 0);
  EXPECT_EQ(st.wMilliseconds, 500);
  fake.SetLocalTime(SYSTEMTIME{2024, 2, 0, 28, 23, 0, 0, 0});
  Sleep(3600000);
  GetLocalTime(&st);
  EXPECT_EQ(st.wMonth, 2);
  EXPECT_EQ(st.wDay, 29);  // a leap year
  EXPECT_EQ(st.wDayOfWeek, 4);
}

TEST(FakeScript, InputIsReleasedAtItsVirtualTime) {
  AppFixture f;
  f.fake.At(100).Click(1, 2).At(250).RightClick(3, 4);
  f.fake.RunFor(99);
  EXPECT_EQ(f.main.Log(), Log{});
  f.fake.RunFor(1);
  EXPECT_EQ(f.main.Log(), (Log{"main: down L 1,2", "main: up L 1,2"}));
  f.fake.RunFor(200);
  EXPECT_EQ(f.main.Log().size(), 4u);
  EXPECT_EQ(f.main.Log()[2], "main: down R 3,4");
  EXPECT_EQ(f.fake.ScriptPending(), 0u);
}

TEST(FakeScript, EntriesForThePastComeFirstInScriptOrder) {
  AppFixture f;
  Sleep(500);
  f.fake.At(50).Key('B').At(10).Key('A').At(600).Key('C');
  f.app.ProcessMessages();
  EXPECT_EQ(f.main.Log(), (Log{"main: key 65", "main: key 66"}));
  f.fake.RunScript();
  EXPECT_EQ(f.main.Log().back(), "main: key 67");
}

TEST(FakeScript, HeldClickAndHeldButtonState) {
  AppFixture f;
  f.fake.Click(5, 5, 300);
  f.app.ProcessMessages();
  EXPECT_TRUE(GetAsyncKeyState(VK_LBUTTON) & 0x8000);
  EXPECT_EQ(f.main.Log(), (Log{"main: down L 5,5"}));
  f.fake.RunFor(300);
  EXPECT_FALSE(GetAsyncKeyState(VK_LBUTTON) & 0x8000);
  EXPECT_EQ(f.main.Log().back(), "main: up L 5,5");
}

TEST(FakeScript, MouseHandlersSeeShiftAndTheButtonsOfTheirMoment) {
  AppFixture f;
  f.fake.Shift(true).Click(5, 5).Shift(false).RightClick(6, 6);
  f.fake.RunScript();
  EXPECT_EQ(f.main.downShift, ssRight);  // the right press, Shift released before it
  EXPECT_EQ(f.main.upShift, 0u);
  f.fake.AtNow().Shift(true).MouseDown(1, 1);
  f.fake.RunScript();
  EXPECT_EQ(f.main.downShift, ssShift | ssLeft);
  f.fake.AtNow().MouseUp(1, 1);
  f.fake.RunScript();
  EXPECT_EQ(f.main.upShift, ssShift);
}

TEST(FakeScript, APollingLoopThatNeverSleepsStillGetsItsInput) {
  AppFixture f;
  bool clicked = false;
  f.main.onDown = [&](TMouseButton, int32_t, int32_t) { clicked = true; };
  f.fake.At(5).Click(1, 1);
  // A loop of the kind that spins on message processing while a sub-screen is open.
  for (int i = 0; i < 100000 && !clicked; ++i) f.app.ProcessMessages();
  EXPECT_TRUE(clicked);
  EXPECT_EQ(f.fake.Elapsed(), 5u);
}

TEST(FakeFrames, LastFramesAreKeptAndCounted) {
  AppFixture f;
  f.fake.SetKeptFrames(3);
  uint64_t base = f.fake.FrameCount();
  for (int i = 1; i <= 5; ++i) {
    FillRect(f.main.Canvas(), Rect(0, 0, 640, 480), RGB(uint8_t(i), 0, 0));
    f.main.Present();
  }
  EXPECT_EQ(f.fake.FrameCount(), base + 5);
  EXPECT_EQ(f.fake.LastFrame().Pixel(0, 0), RGB(5, 0, 0));
  EXPECT_EQ(f.fake.Frame(1).Pixel(0, 0), RGB(4, 0, 0));
  EXPECT_EQ(f.fake.Frame(2).Pixel(0, 0), RGB(3, 0, 0));
  EXPECT_TRUE(f.fake.Frame(3).Empty());
  EXPECT_EQ(f.fake.ClientPixel(10, 10), RGB(5, 0, 0));
}

// A long run (a fuzzer, the headless program) must not keep a screen copy per box or every
// box and sound call ever made.
TEST(FakeFrames, BoxesAndAudioCallsStayBoundedOverALongRun) {
  AppFixture f;
  const size_t boxes = 3 * FakeBackend::kBoxesKept + 5;
  for (size_t i = 0; i < boxes; ++i) {
    f.fake.AnswerBox(IDOK);
    MessageBoxA(&f.main, std::to_string(i).c_str(), "c", MB_OK);
  }
  EXPECT_EQ(f.fake.BoxCount(), boxes);
  const auto& kept = f.fake.Boxes();
  ASSERT_LE(kept.size(), FakeBackend::kBoxesKept);
  EXPECT_EQ(kept.back().text, std::to_string(boxes - 1));  // the newest stay, in order
  size_t pictures = 0;
  for (const auto& b : kept) pictures += b.picture.Empty() ? 0 : 1;
  EXPECT_EQ(pictures, FakeBackend::kBoxPicturesKept);
  EXPECT_FALSE(kept.back().picture.Empty());

  for (size_t i = 0; i < 2 * FakeAudio::kCallsKept; ++i) sndPlaySoundA(nullptr, 0);
  EXPECT_LE(FakeAudioCalls().size(), FakeAudio::kCallsKept);
  EXPECT_FALSE(FakeAudioCalls().empty());
}

TEST(FakeHook, RunsOncePerPassAndIsNotReentered) {
  AppFixture f;
  int calls = 0;
  f.fake.OnProcessMessages([&] {
    ++calls;
    f.app.ProcessMessages();  // a hook that processes messages itself
  });
  f.app.ProcessMessages();
  f.app.ProcessMessages();
  EXPECT_EQ(calls, 2);
}

// A main form whose close asks first, as the program's does.
struct AskingForm : RecordingForm {
  AskingForm() : RecordingForm("main") {}
  void CloseQuery(bool& canClose) override {
    canClose = MessageBoxA(this, "quit?", "c", MB_OKCANCEL) == IDOK;
  }
};

TEST(FakeGuard, ARunawayLoopIsClosedThroughItsNormalPath) {
  FakeBackend fake;
  TApplication app;
  AskingForm main;
  app.MainForm = &main;
  main.Show();
  int hits = 0;
  fake.SetTimeLimit(2000, [&] { ++hits; });
  // A game loop that never ends on its own.
  int passes = 0;
  while (!app.Terminated() && passes < 1000000) {
    app.ProcessMessages();
    Sleep(16);
    ++passes;
  }
  EXPECT_TRUE(app.Terminated());
  EXPECT_EQ(hits, 1);
  EXPECT_TRUE(fake.TimeLimitHit());
  ASSERT_EQ(fake.Boxes().size(), 1u);
  EXPECT_EQ(fake.Boxes()[0].how, FakeBackend::Answered::kDefault);
  EXPECT_LT(fake.Elapsed(), 2100u);
}

TEST(FakeGuard, NoScriptedInputLeftMeansTheDefaultButton) {
  AppFixture f;
  f.fake.At(f.fake.Elapsed() + 3).Click(600, 10);  // lands beside the box, is ignored
  EXPECT_EQ(MessageBoxA(&f.main, "t", "c", MB_YESNO), IDYES);
  EXPECT_EQ(f.fake.Boxes()[0].how, FakeBackend::Answered::kDefault);
  EXPECT_EQ(f.fake.ScriptPending(), 0u);
}
