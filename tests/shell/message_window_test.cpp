// The message window: background pixels, the speaker-name indent, the reveal pacing and its
// skips, the click wait with its blinking mark, and the backlog.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "paint/splpaint.h"
#include "platform/text/cp932.h"
#include "support/picture_game.h"
#include "support/pixels.h"
#include "support/text.h"

namespace {

constexpr TColor kScene = RGB(200, 100, 50);

// What ContrastScreen makes of a colour.
TColor scaled(TColor c, int percent) {
  auto ch = [percent](uint8_t v) { return uint8_t(std::min(255, v * std::max(percent, 0) / 100)); };
  return RGB(ch(GetRValue(c)), ch(GetGValue(c)), ch(GetBValue(c)));
}

// Leftmost column in rows [top, bottom) where a differs from b; -1 when they agree.
int leftmostChange(const TBitmap& a, const TBitmap& b, int top, int bottom) {
  int best = -1;
  for (int y = top; y < bottom; ++y)
    for (int x = 0; x < a.Width(); ++x)
      if (a.Pixel(x, y) != b.Pixel(x, y)) {
        if (best < 0 || x < best) best = x;
        break;
      }
  return best;
}

class MessageWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(g.f, nullptr);
    f = g.f;
    ASSERT_TRUE(g.SetScene(PictureGame::Solid(kScene)));
    f->HasTextFrame = 0;
    f->FadeDone = 1;
  }
  uint64_t now() const { return g.h.fake.Elapsed(); }
  // Frames rows are window rows: the menu bar lies above the client area.
  int barHeight() const { return f->ClientOriginInWindow().y; }

  PictureGame g;
  TMainFrm* f = nullptr;
};

TEST_F(MessageWindow, BackgroundDarkeningBevelAndFrame) {
  struct Point {
    int x, y;
    int percent;  // 0 means "unchanged"
  };
  // Bevel: lighter above and left, darker below and right; the top-right corner belongs to the
  // right edge, the bottom-left corner to the left edge.
  const std::vector<Point> bevelled = {
      {300, 400, 60}, {17, 349, 60},  {624, 466, 60},                  // the window
      {300, 346, 80}, {300, 347, 80}, {14, 346, 80},  {14, 400, 80},   // top, left
      {15, 470, 80},  {300, 469, 40}, {300, 470, 40}, {627, 400, 40},  // bottom, right
      {626, 346, 40}, {627, 470, 40},                                  // corners
      {13, 400, 0},   {300, 345, 0},  {628, 400, 0},  {300, 471, 0},   // outside
      {100, 100, 0},
  };
  struct Case {
    const char* what;
    bool noTextBack, eventMode, frame;
  } cases[] = {
      {"bevel", false, false, false},     {"frame sprite", false, false, true},
      {"NoTextBack", true, false, false}, {"NoTextBack with frame", true, false, true},
      {"EventMode", false, true, true},
  };
  const TColor red = RGB(255, 0, 0);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(g.SetScene(PictureGame::Solid(kScene)));
    f->ReadFlags.Options.NoTextBack = c.noTextBack;
    f->EventMode = c.eventMode;
    f->HasTextFrame = c.frame;
    if (c.frame) ASSERT_TRUE(g.SetSprite(0, PictureGame::Solid(red, 20, 10), 100, 300));
    f->DrawTextWindow();
    const bool drawn = !c.noTextBack && !c.eventMode;
    const TBitmap& bk = g.sp().BkGnd;
    for (const Point& p : bevelled) {
      int percent = drawn ? p.percent : 0;
      // With a frame only the window itself is darkened: the frame stands for the bevel.
      if (c.frame && (p.x < 16 || p.x >= 626 || p.y < 348 || p.y > 468)) percent = 0;
      EXPECT_EQ(bk.Pixel(p.x, p.y), percent ? scaled(kScene, percent) : kScene)
          << "at " << p.x << "," << p.y;
    }
    EXPECT_EQ(bk.Pixel(105, 305), drawn && c.frame ? red : kScene);
    // The frame is never part of the scene without the window.
    EXPECT_EQ(g.sp().Temp.Pixel(105, 305), kScene);
    EXPECT_EQ(g.sp().Temp.Pixel(300, 400), kScene);
  }
}

TEST_F(MessageWindow, SpeakerNameIndentsEveryLineOfTheText) {
  std::string text;
  for (int i = 0; i < 40; ++i) text += "あ";  // wraps onto a second line at either width
  const std::string line = Cp932(text);
  const int lineHeight = TextHeight(g.sp().Font);
  ASSERT_GT(lineHeight, 20);
  const int top = f->TextDrawRect.Top;
  const int line2Top = top + lineHeight + lineHeight / 4, line2Bottom = top + 2 * lineHeight - 4;

  auto draw = [&](const std::string& name) {
    g.sp().DrawToBkGnd(false);
    f->DrawMessage(line.c_str(), name.c_str(), nullptr);
    return g.sp().BkGnd;
  };
  const TBitmap plain = draw("");
  const int plainLine2 = leftmostChange(plain, g.sp().Temp, line2Top, line2Bottom);
  ASSERT_GE(plainLine2, 20);
  ASSERT_LT(plainLine2, 32);

  struct Case {
    std::string name;  // UTF-8
    int indent;        // bytes x 20 points x 2 / 3
  } cases[] = {{"ABCD", 53}, {"太郎", 53}, {"A", 13}, {"AB", 26}, {"ABCDEFGH", 106}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TBitmap withName = draw(Cp932(c.name));
    EXPECT_EQ(leftmostChange(withName, g.sp().Temp, line2Top, line2Bottom), plainLine2 + c.indent);
    // The name itself starts at the left edge of the text area.
    const int nameLeft = leftmostChange(withName, g.sp().Temp, top, top + lineHeight - 4);
    EXPECT_GE(nameLeft, 20);
    EXPECT_LT(nameLeft, 32);
  }
}

TEST_F(MessageWindow, RevealPacingPerSpeedAndExtraWait) {
  struct Case {
    int speed;
    uint32_t waitMs;
    const char* utf8;
    int steps;
    uint64_t msPerStep;
  } cases[] = {
      {0, 0, "abc", 3, 50},
      {1, 0, "abc", 3, 10},
      {2, 0, "abc", 3, 0},
      {0, 7, "abc", 3, 57},
      {2, 5, "あいうえおかきくけこ", 10, 5},
      {1, 0, "aあb", 3, 10},
      {0, 0, "", 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.utf8);
    const std::string line = Cp932(c.utf8);
    f->ReadFlags.Options.TextSpeed = uint8_t(c.speed);
    f->TextWaitMs = c.waitMs;
    f->TextPos = 0;
    f->TextSubState = tsTyping;
    f->PrevTextSubState = tsWaitClick;
    g.sp().DrawToBkGnd(false);
    int steps = 0;
    for (;;) {
      const uint64_t start = now();
      const uint64_t frames = g.h.fake.FrameCount();
      const bool done = f->stepTyping(line.c_str());
      if (done) {
        EXPECT_EQ(now() - start, 0u) << "the button is not held";
        break;
      }
      ++steps;
      EXPECT_EQ(now() - start, c.msPerStep) << "step " << steps;
      EXPECT_EQ(g.h.fake.FrameCount() - frames, 1u) << "each character is shown at once";
      ASSERT_LE(steps, 100);
    }
    EXPECT_EQ(steps, c.steps);
    EXPECT_EQ(f->TextSubState, tsWaitClick);
    EXPECT_EQ(f->PrevTextSubState, tsTyping);
  }
}

// Showing a character takes time on a real screen. The reveal's pace counts it, so that the
// characters still come every 50 ms at speed 0 (and the extra wait is kept as well).
TEST_F(MessageWindow, RevealPaceIncludesTheTimeToShowACharacter) {
  class SlowScreen : public FakeBackend {
   public:
    void Present(const TBitmap& picture) override {
      FakeBackend::Present(picture);
      Advance(3);
    }
  };
  for (uint32_t extra : {0u, 20u}) {
    SCOPED_TRACE(extra);
    SlowScreen slow;  // the current backend while it lives
    const std::string line = "abcdef";
    f->ReadFlags.Options.TextSpeed = 0;
    f->TextWaitMs = extra;
    f->TextPos = 0;
    f->TextSubState = tsTyping;
    std::vector<uint64_t> shown;
    while (!f->stepTyping(line.c_str())) shown.push_back(slow.Elapsed());
    ASSERT_EQ(shown.size(), line.size());
    // The first character waits the whole pause before it is drawn; the others keep the pace.
    EXPECT_EQ(shown[0], 50 + extra + 3);
    for (size_t i = 1; i < shown.size(); ++i)
      EXPECT_EQ(shown[i] - shown[i - 1], 50 + extra) << "character " << i;
  }
}

TEST_F(MessageWindow, RevealShowsTheRestAtOnce) {
  enum What { kClick, kAtOnce, kShiftRead, kShiftUnread, kNothing };
  struct Case {
    const char* what;
    What kind;
    bool whole;
  } cases[] = {
      {"click", kClick, true},
      {"#TEXTDISPLINE", kAtOnce, true},
      {"Shift in a read node", kShiftRead, true},
      {"Shift in an unread node", kShiftUnread, false},
      {"nothing", kNothing, false},
  };
  const std::string line = "abcdef";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    f->ReadFlags.Options.TextSpeed = 0;
    f->TextWaitMs = 0;
    f->TextPos = 0;
    f->NodeIndex = 0;
    f->ClickPending = 0;
    f->ShowLineAtOnce = 0;
    std::fill(std::begin(f->ReadFlags.ReadBits), std::end(f->ReadFlags.ReadBits), 0);
    std::fill(std::begin(f->SaveData.SlotReadBits), std::end(f->SaveData.SlotReadBits), 0);
    ASSERT_FALSE(f->stepTyping(line.c_str()));
    ASSERT_EQ(f->TextPos, 1u);

    if (c.kind == kClick) f->ClickPending = 1;
    if (c.kind == kAtOnce) f->ShowLineAtOnce = 1;
    if (c.kind == kShiftRead || c.kind == kShiftUnread) g.h.fake.AtNow().Shift(true);
    if (c.kind == kShiftRead) f->ReadFlags.ReadBits[0] |= 1;

    const uint64_t start = now();
    EXPECT_FALSE(f->stepTyping(line.c_str()));
    if (c.whole) {
      EXPECT_EQ(f->TextPos, line.size() + 1);
      EXPECT_EQ(now() - start, 0u) << "no reveal wait for the rest of the line";
      EXPECT_EQ(f->ClickPending, 0);
      EXPECT_EQ(f->ShowLineAtOnce, 0);
      EXPECT_TRUE(f->stepTyping(line.c_str()));
      EXPECT_EQ(f->TextSubState, tsWaitClick);
    } else {
      EXPECT_EQ(f->TextPos, 2u);
      EXPECT_EQ(now() - start, 50u);
    }
    g.h.fake.AtNow().Shift(false);
  }
}

TEST_F(MessageWindow, HeldButtonPausesAfterTheLine) {
  struct Case {
    bool held, shift;
    uint64_t pause;
  } cases[] = {{true, false, 200}, {true, true, 0}, {false, false, 0}, {false, true, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "held " << c.held << " shift " << c.shift);
    f->TextPos = 1;
    f->LeftButtonDown = c.held;
    g.h.fake.AtNow().Shift(c.shift);
    const uint64_t start = now();
    EXPECT_TRUE(f->stepTyping("a"));
    EXPECT_EQ(now() - start, c.pause);
  }
  g.h.fake.AtNow().Shift(false);
}

TEST_F(MessageWindow, BacklogPositionSequences) {
  struct Case {
    int count, start;
    std::vector<int> hits, positions;
  } cases[] = {
      // Two lines, the second live: up shows it, then the older one, and stays there; down
      // from entry 0 reaches count - 1 and leaves the backlog.
      {2, -1, {1, 1, 1, 2}, {1, 0, 0, -1}},
      {3, 0, {2}, {1}},
      {3, 1, {2}, {-1}},
      {3, -1, {1, 2}, {2, -1}},
      {3, -1, {2, 2}, {-1, -1}},
      {3, 1, {0}, {-1}},
      {0, -1, {1, 2}, {-1, -1}},
      {1, -1, {1, 1, 2}, {0, 0, -1}},
      {2, 5, {1}, {1}},  // a position past the end comes back into the list
      {2, 5, {2}, {-1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.count << " lines from " << c.start);
    f->Backlog->Clear();
    for (int i = 0; i < c.count; ++i) f->Backlog->Add("line " + std::to_string(i));
    int p = c.start;
    for (size_t i = 0; i < c.hits.size(); ++i) {
      p = f->MoveBacklogPos(c.hits[i], p);
      EXPECT_EQ(p, c.positions[i]) << "after hit " << i;
    }
  }
}

TEST_F(MessageWindow, BacklogButtonsHitStrictlyInside) {
  struct Case {
    int x, y, hit;
  } cases[] = {
      {590, 332, 1}, {610, 332, 2}, {581, 323, 1}, {619, 341, 2}, {580, 332, 0},
      {600, 332, 0}, {620, 332, 0}, {590, 322, 0}, {610, 342, 0}, {300, 200, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.x << "," << c.y);
    g.sp().DrawToBkGnd(false);
    g.h.fake.AtNow().SetCursor(c.x, c.y);
    EXPECT_EQ(f->DrawBacklogButtons(), c.hit);
    const TBitmap& bk = g.sp().BkGnd;
    const int upYellow = CountPixels(bk, f->BacklogUpRect, clYellow);
    const int downYellow = CountPixels(bk, f->BacklogDownRect, clYellow);
    EXPECT_EQ(upYellow > 0, c.hit == 1);
    EXPECT_EQ(downYellow > 0, c.hit == 2);
    // Both buttons are always drawn, white when not hovered.
    EXPECT_EQ(CountPixels(bk, f->BacklogUpRect, clWhite) > 0, c.hit != 1);
    EXPECT_EQ(CountPixels(bk, f->BacklogDownRect, clWhite) > 0, c.hit != 2);
  }
}

TEST_F(MessageWindow, ClickWaitPagesThroughTheBacklogAndReturns) {
  f->Backlog->Clear();
  f->Backlog->Add("older");
  f->Backlog->Add("live");
  f->BacklogPos = -1;
  f->TextSubState = tsWaitClick;
  f->PrevTextSubState = tsWaitClick;
  const TRect textArea = f->TextDrawRect;
  auto click = [&](int x, int y) {
    g.h.fake.AtNow().SetCursor(x, y);
    f->ClickPending = 1;
    return f->stepWaitClick();
  };

  EXPECT_TRUE(click(590, 332));
  EXPECT_EQ(f->BacklogPos, 1);
  EXPECT_EQ(f->NeedNextLine, 0);
  EXPECT_EQ(f->ClickPending, 0);
  const TRect textInFrame = Rect(textArea.Left, textArea.Top + barHeight(), textArea.Right,
                                 textArea.Bottom + barHeight());
  EXPECT_GT(CountPixels(g.h.fake.LastFrame(), textInFrame, clYellow), 0)
      << "the entry is shown in the backlog colour";
  EXPECT_TRUE(click(590, 332));
  EXPECT_EQ(f->BacklogPos, 0);

  // Holding the button does not leave the backlog unless Shift is held too.
  g.h.fake.AtNow().SetCursor(300, 200);
  f->LeftButtonDown = 1;
  EXPECT_FALSE(f->stepWaitClick());
  EXPECT_EQ(f->BacklogPos, 0);
  EXPECT_EQ(f->NeedNextLine, 0);
  g.h.fake.AtNow().Shift(true);
  EXPECT_TRUE(f->stepWaitClick());
  EXPECT_EQ(f->BacklogPos, -1);
  EXPECT_EQ(f->NeedNextLine, 1);
  g.h.fake.AtNow().Shift(false);
  f->LeftButtonDown = 0;

  // A click elsewhere from the backlog advances to the next line, without the live line.
  f->NeedNextLine = 0;
  f->TextSubState = tsWaitClick;
  EXPECT_TRUE(click(590, 332));
  EXPECT_EQ(f->BacklogPos, 1);
  f->TextPos = 9;
  EXPECT_TRUE(click(300, 200));
  EXPECT_EQ(f->BacklogPos, -1);
  EXPECT_EQ(f->NeedNextLine, 1);
  EXPECT_EQ(f->TextPos, 0u);
  EXPECT_EQ(f->TextSubState, tsTyping);
  EXPECT_EQ(f->PrevTextSubState, tsWaitClick);
  // The window is cleared back to the scene and its background drawn again.
  EXPECT_EQ(CountPixels(g.sp().BkGnd, textArea, clYellow), 0);
  EXPECT_EQ(g.sp().BkGnd.Pixel(300, 400), scaled(kScene, 60));
}

TEST_F(MessageWindow, HeldButtonRightAfterTheRevealWaitsOneFrame) {
  f->BacklogPos = -1;
  f->TextSubState = tsWaitClick;
  f->PrevTextSubState = tsTyping;
  f->LeftButtonDown = 1;
  g.h.fake.AtNow().SetCursor(300, 200);
  EXPECT_FALSE(f->stepWaitClick()) << "the first frame after the reveal only blinks";
  EXPECT_EQ(f->PrevTextSubState, tsWaitClick);
  EXPECT_TRUE(f->stepWaitClick());
  EXPECT_EQ(f->NeedNextLine, 1);
}

TEST_F(MessageWindow, ClickMarkBlinksEveryHalfSecond) {
  for (bool noTextBack : {false, true}) {
    SCOPED_TRACE(noTextBack ? "NoTextBack" : "darkened");
    ASSERT_TRUE(g.SetScene(PictureGame::Solid(kScene)));
    f->ReadFlags.Options.NoTextBack = noTextBack;
    f->TextSubState = tsWaitClick;
    f->PrevTextSubState = tsWaitClick;
    f->BacklogPos = -1;
    f->ClickPending = 0;
    f->LeftButtonDown = 0;
    f->ClickMarkShown = 0;
    f->BlinkTime = timeGetTime();
    const uint64_t start = now();
    std::vector<uint64_t> toggles;
    uint8_t shown = 0;
    const TRect mark = f->ClickMarkRect;
    while (now() - start < 2100) {
      ASSERT_FALSE(f->stepWaitClick());
      if (f->ClickMarkShown != shown) {
        shown = f->ClickMarkShown;
        toggles.push_back(now() - start);
        const TBitmap& bk = g.sp().BkGnd;
        const TColor hidden = noTextBack ? kScene : scaled(kScene, 60);
        const int plain = CountPixels(bk, mark, hidden);
        if (shown)
          EXPECT_GT(CountPixels(bk, mark, clWhite), 0) << "mark drawn";
        else
          EXPECT_EQ(plain, mark.Width() * mark.Height()) << "mark erased to the scene";
      }
      Sleep(16);  // the step machine's frame pacing
    }
    // Quantised to 16 ms frames: the first frame more than 500 ms after the last toggle.
    EXPECT_EQ(toggles, (std::vector<uint64_t>{512, 1024, 1536, 2048}));
  }
}

TEST_F(MessageWindow, EventModeWaitIgnoresClicks) {
  f->EventMode = 1;
  f->TextSubState = tsWaitClick;
  f->PrevTextSubState = tsWaitClick;
  f->ClickPending = 1;
  f->LeftButtonDown = 1;
  const uint64_t frames = g.h.fake.FrameCount();
  for (int i = 0; i < 5; ++i) EXPECT_FALSE(f->stepWaitClick());
  EXPECT_EQ(f->NeedNextLine, 0);
  EXPECT_EQ(f->TextSubState, tsWaitClick);
  EXPECT_EQ(g.h.fake.FrameCount() - frames, 5u);
  // The ignored click is not kept for whatever comes next.
  EXPECT_EQ(f->ClickPending, 0);
  f->EventMode = 0;
  f->LeftButtonDown = 0;
  EXPECT_FALSE(f->stepWaitClick());
  f->ClickPending = 1;
  EXPECT_TRUE(f->stepWaitClick());
  EXPECT_EQ(f->NeedNextLine, 1);
}

TEST_F(MessageWindow, EmptyBacklogEntryShowsAnEmptyWindow) {
  f->Backlog->Clear();
  f->Backlog->Add("");
  f->Backlog->Add("live");
  g.h.fake.AtNow().SetCursor(300, 200);
  f->showBacklogEntry(0);
  EXPECT_EQ(CountPixels(g.sp().BkGnd, f->TextDrawRect, clYellow), 0);
  EXPECT_EQ(g.sp().BkGnd.Pixel(300, 400), scaled(kScene, 60));
  f->showBacklogEntry(7);  // out of range: also empty, never a crash
  EXPECT_EQ(CountPixels(g.sp().BkGnd, f->TextDrawRect, clYellow), 0);
}

}  // namespace
