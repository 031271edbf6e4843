// The picture commands through the interpreter: what each leaves in BkGnd, Temp, OrgBkGnd and on
// the window, with transitions on and off; the transition frame pacing; the shakes; JPEG
// backgrounds.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "paint/splpaint.h"
#include "platform/text/cp932.h"
#include "screens/ending.h"
#include "support/jpeg_encode.h"
#include "support/picture_game.h"

namespace {

constexpr TColor kA = RGB(40, 80, 120);  // the scene's background
constexpr TColor kB = RGB(90, 60, 30);   // another background
constexpr TColor kC = RGB(250, 10, 10);  // sprite 1
constexpr TColor kD = RGB(10, 240, 10);  // sprite 2
constexpr TColor kE = RGB(0, 0, 200);    // sprite 0, the message-window frame slot
constexpr TColor kM = RGB(255, 0, 255);  // "text" on BkGnd only
constexpr TColor kK = clBlack;
constexpr TColor kW = clWhite;

TColor scaled(TColor c, int percent) {
  auto ch = [percent](uint8_t v) { return uint8_t(std::min(255, v * percent / 100)); };
  return RGB(ch(GetRValue(c)), ch(GetGValue(c)), ch(GetBValue(c)));
}
const TColor kAdark = scaled(kA, 60);
const TColor kWdark = scaled(kW, 60);

// Sample points: sprite 1, sprite 2, the text mark, the message window, plain background,
// sprite 0.
constexpr TPoint pS1{110, 110}, pS2{210, 110}, pM{305, 205}, pW{300, 400}, pO{500, 250},
    pE{405, 35};

enum Image { kBk, kTemp, kOrg, kWin };
enum Mode { kBoth, kFadesOn, kFadesOff };

struct Check {
  Image image;
  TPoint at;
  TColor colour;
  Mode mode = kBoth;
};

bool near(TColor a, TColor b, int tolerance = 6) {
  return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance &&
         std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
         std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

class PictureCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(g.f, nullptr);
    f = g.f;
    f->HasTextFrame = 0;
    ASSERT_TRUE(g.WritePicture("other", PictureGame::Solid(kB)));
  }
  // The scene: background A, sprite 1 drawn, sprite 2 and sprite 0 loaded but not drawn, and
  // a mark on BkGnd alone standing for message text.
  void buildScene() {
    ASSERT_TRUE(g.SetScene(PictureGame::Solid(kA)));
    ASSERT_TRUE(g.SetSprite(1, PictureGame::Solid(kC, 32, 32), 100, 100));
    ASSERT_TRUE(g.SetSprite(2, PictureGame::Solid(kD, 32, 32), 200, 100));
    ASSERT_TRUE(g.SetSprite(0, PictureGame::Solid(kE, 20, 10), 400, 30));
    g.sp().DrawSplite(1, true);
    FillRect(g.sp().BkGnd, Rect(300, 200, 310, 210), kM);
    g.sp().DrawToScreen(true);
  }
  TColor pixel(Image image, TPoint p) {
    switch (image) {
      case kBk:
        return g.sp().BkGnd.Pixel(p.x, p.y);
      case kTemp:
        return g.sp().Temp.Pixel(p.x, p.y);
      case kOrg:
        return g.sp().OrgBkGnd.Pixel(p.x, p.y);
      case kWin:
        return g.h.fake.ClientPixel(p.x, p.y);
    }
    return 0;
  }
  void run(const std::vector<std::string>& lines) {
    for (const std::string& line : lines) EXPECT_TRUE(f->ExecuteCommand(line.c_str())) << line;
  }

  PictureGame g;
  TMainFrm* f = nullptr;
};

TEST_F(PictureCommands, SequencesLeaveTheImagesAndTheWindowAsExpected) {
  struct Case {
    std::vector<std::string> lines;
    std::vector<Check> checks;
    bool animated;      // a transition runs when fades are on
    bool showsNothing;  // the window is not touched
  };
  const std::vector<Case> cases = {
      {{"#DRAWBKGRP"},
       {{kBk, pS1, kC}, {kBk, pM, kA}, {kBk, pW, kAdark}, {kTemp, pW, kA}, {kOrg, pS1, kA}},
       false,
       true},
      {{"#LOADBKGRP=other"},
       {{kBk, pS1, kC}, {kBk, pM, kM}, {kTemp, pS1, kB}, {kOrg, pS1, kB}, {kWin, pO, kA}},
       false,
       true},
      {{"#LOADBKGRP=missing"}, {{kOrg, pO, kA}, {kTemp, pS1, kC}}, false, true},
      {{"#DRAWSPLITE=2,0"},
       {{kBk, pS2, kD}, {kBk, pM, kA}, {kBk, pW, kAdark}, {kTemp, pS2, kD}, {kOrg, pS2, kA}},
       false,
       true},
      {{"#DRAWSPLITE=2,1"},
       {{kBk, pS2, kD}, {kBk, pM, kM}, {kBk, pW, kA}, {kTemp, pS2, kD}},
       false,
       true},
      // Slot 0 holds the message-window frame and stays out of the redraw.
      {{"#DRAWALL=0"},
       {{kBk, pS1, kC},
        {kBk, pS2, kD},
        {kBk, pE, kA},
        {kBk, pM, kA},
        {kBk, pW, kAdark},
        {kTemp, pS2, kD},
        {kTemp, pE, kA}},
       false,
       true},
      {{"#DRAWALL=1"}, {{kBk, pS2, kD}, {kBk, pE, kA}, {kBk, pW, kA}}, false, true},
      // No sign: a "-" is ignored, so both move right and down.
      {{"#MOVESPLITE=1,10,20", "#PATCHALLSPLITE", "#DRAWSPLITE=1,0"},
       {{kBk, TPoint{105, 105}, kA}, {kBk, TPoint{135, 145}, kC}},
       false,
       false},
      {{"#MOVESPLITE=1,-10,-20", "#PATCHALLSPLITE", "#DRAWSPLITE=1,0"},
       {{kBk, TPoint{105, 105}, kA}, {kBk, TPoint{135, 145}, kC}},
       false,
       false},
      {{"#PATCHSPLITE=1"},
       {{kBk, pS1, kA},
        {kBk, pM, kA},
        {kBk, pW, kAdark},
        {kTemp, pS1, kA},
        {kWin, pS1, kA},
        {kWin, pW, kAdark}},
       false,
       false},
      {{"#PATCHALLSPLITE"}, {{kBk, pS1, kA}, {kTemp, pS1, kA}, {kWin, pM, kA}}, false, false},
      {{"#FILLBLACK=0"}, {{kBk, pO, kK}, {kTemp, pS1, kC}, {kOrg, pO, kA}}, false, true},
      {{"#FILLBLACK=1"}, {{kBk, pO, kK}, {kTemp, pS1, kK}, {kOrg, pO, kK}}, false, true},
      {{"#FILLWHITE=0"}, {{kBk, pO, kW}, {kTemp, pO, kA}, {kOrg, pO, kA}}, false, true},
      {{"#FILLWHITE=1"}, {{kBk, pO, kW}, {kTemp, pO, kW}, {kOrg, pO, kW}}, false, true},
      {{"#FADEINSPLITE=2"},
       {{kBk, pS2, kD},
        {kBk, pS1, kC},
        {kBk, pW, kAdark},
        {kTemp, pS2, kD},
        {kWin, pS2, kD},
        {kWin, pS1, kC}},
       true,
       false},
      {{"#FADEOUTSPLITE=1"},
       {{kBk, pS1, kA}, {kTemp, pS1, kA}, {kWin, pS1, kA}, {kWin, pW, kAdark}},
       true,
       false},
      {{"#FADETOSPLITE=1,2"},
       {{kBk, pS1, kA}, {kBk, pS2, kD}, {kTemp, pS1, kA}, {kTemp, pS2, kD}, {kWin, pS2, kD}},
       true,
       false},
      {{"#FADEINBLACK=0"},
       {{kBk, pS1, kC}, {kBk, pM, kA}, {kBk, pW, kAdark}, {kWin, pS1, kC}, {kWin, pW, kAdark}},
       true,
       false},
      {{"#FADEINBLACK=1"}, {{kBk, pS1, kC}, {kBk, pW, kA}, {kOrg, pS1, kA}}, true, false},
      {{"#FADEINBLACKCONTRAST=0"}, {{kBk, pS1, kC}, {kWin, pW, kAdark}}, true, false},
      {{"#FADEINBLACKRGB=0"}, {{kBk, pS1, kC}, {kWin, pW, kAdark}}, true, false},
      {{"#FADEINWHITE=0"}, {{kBk, pS1, kC}, {kWin, pS1, kC}, {kWin, pW, kAdark}}, true, false},
      {{"#FADEINWHITECONTRAST=0"}, {{kBk, pS1, kC}, {kWin, pW, kAdark}}, true, false},
      {{"#FADEINWHITERGB=1"}, {{kBk, pS1, kC}, {kBk, pW, kA}}, true, false},
      // The dither fade to black also blackens Temp when it is prepared, and every fade to
      // black ends with a black clean background; without fades both stay.
      {{"#FADEOUTBLACK=0"},
       {{kBk, pS1, kK, kFadesOn},
        {kTemp, pS1, kK, kFadesOn},
        {kOrg, pO, kK, kFadesOn},
        {kBk, pS1, kC, kFadesOff},
        {kBk, pW, kAdark, kFadesOff},
        {kTemp, pS1, kC, kFadesOff},
        {kOrg, pO, kA, kFadesOff},
        {kWin, pW, kAdark, kFadesOff},
        {kWin, pO, kK, kFadesOn}},
       true,
       false},
      {{"#FADEOUTBLACKCONTRAST=0"},
       {{kBk, pS1, kC},
        {kBk, pW, kAdark},
        {kTemp, pS1, kC},
        {kOrg, pO, kK, kFadesOn},
        {kWin, pS1, kC},
        {kWin, pW, kAdark}},
       true,
       false},
      // With 1 the window stays as the fade left it, black, while BkGnd holds the scene.
      {{"#FADEOUTBLACKRGB=1"},
       {{kBk, pS1, kC}, {kBk, pW, kA}, {kWin, pS1, kK}, {kWin, pO, kK}, {kWin, pW, kK}},
       true,
       false},
      {{"#FADEOUTBLACKCONTRAST=1"}, {{kBk, pM, kA}, {kWin, pS1, kK}, {kWin, pO, kK}}, true, false},
      {{"#FADEOUTWHITE=1"},
       {{kBk, pS1, kW},
        {kBk, pW, kW},
        {kTemp, pS1, kW},
        {kOrg, pO, kW},
        {kWin, pS1, kW},
        {kWin, pO, kW}},
       true,
       false},
      {{"#FADEOUTWHITERGB=0"},
       {{kBk, pS1, kW}, {kBk, pW, kWdark}, {kTemp, pS1, kW}, {kOrg, pO, kW}, {kWin, pW, kWdark}},
       true,
       false},
      {{"#FADEOUTWHITECONTRAST=1"}, {{kTemp, pO, kW}, {kWin, pO, kW}}, true, false},
      {{"#SLITINLEFT=0"}, {{kBk, pS1, kC}, {kBk, pW, kAdark}, {kWin, pS1, kC}}, true, false},
      {{"#SLITINRIGHT=0"}, {{kBk, pM, kA}, {kWin, pW, kAdark}}, true, false},
      {{"#SLITOUTLEFT=0"},
       {{kBk, pS1, kC}, {kTemp, pS1, kC}, {kOrg, pO, kA}, {kWin, pW, kAdark}},
       true,
       false},
      {{"#SLITOUTRIGHT=1"}, {{kBk, pS1, kC}, {kBk, pW, kA}, {kOrg, pO, kA}}, true, false},
  };
  for (bool fadesOn : {true, false}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(::testing::Message() << c.lines[0] << (fadesOn ? " with fades" : " without"));
      buildScene();
      if (::testing::Test::HasFatalFailure()) return;
      f->ReadFlags.Options.NoScreenFade = fadesOn ? 0 : 1;
      const uint64_t frames = g.h.fake.FrameCount();
      const uint64_t start = g.h.fake.Elapsed();
      run(c.lines);
      const uint64_t shown = g.h.fake.FrameCount() - frames;
      const uint64_t took = g.h.fake.Elapsed() - start;
      for (const Check& k : c.checks) {
        if ((k.mode == kFadesOn && !fadesOn) || (k.mode == kFadesOff && fadesOn)) continue;
        EXPECT_EQ(pixel(k.image, k.at), k.colour)
            << "image " << k.image << " at " << k.at.x << "," << k.at.y;
      }
      if (c.showsNothing) {
        EXPECT_EQ(shown, 0u);
      }
      if (c.animated && fadesOn) {
        EXPECT_GE(shown, 5u);
        EXPECT_GE(took, 4u * 30u);
      } else {
        EXPECT_LE(shown, 3u) << "no intermediate frames";
        EXPECT_EQ(took, 0u);
      }
      EXPECT_FALSE(g.sp().GetFadeing());
    }
  }
}

TEST_F(PictureCommands, ScreenFadeKindsAndTheFillRule) {
  struct Case {
    int kind;
    bool fill;
    TColor after;  // BkGnd at a plain point afterwards; 0xFFFFFFFF: the scene is untouched
  } cases[] = {
      {1, true, kW},  {2, true, kK},  {3, true, kK},         {4, true, kK},
      {5, true, kW},  {6, true, kK},  {7, true, kW},         {8, true, kK},
      {2, false, kK}, {5, false, kW}, {0, true, 0xFFFFFFFF}, {9, true, 0xFFFFFFFF},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "kind " << c.kind << " fill " << c.fill);
    buildScene();
    const uint64_t frames = g.h.fake.FrameCount();
    f->FadeOutScreen(c.kind, c.fill);
    if (c.after == 0xFFFFFFFF) {
      EXPECT_EQ(g.h.fake.FrameCount(), frames);
      EXPECT_EQ(pixel(kBk, pM), kM);
      continue;
    }
    EXPECT_EQ(pixel(kBk, pO), c.after);
    EXPECT_EQ(pixel(kBk, pS1), c.after);
    EXPECT_EQ(pixel(kWin, pO), c.after) << "the last frame shows the end colour";
  }
  // Fade-ins end on the clean background and leave nothing prepared; unknown kinds do nothing.
  for (int kind : {1, 2, 3, 4, 5, 6, 7, 8, 0, 9, -1}) {
    SCOPED_TRACE(::testing::Message() << "fade in " << kind);
    buildScene();
    FillRect(g.sp().BkGnd, Rect(0, 0, 640, 480), kK);
    const uint64_t frames = g.h.fake.FrameCount();
    f->FadeInScreen(kind);
    const bool known = kind >= 1 && kind <= 8;
    EXPECT_EQ(pixel(kBk, pO), known ? kA : kK);
    EXPECT_EQ(g.h.fake.FrameCount() > frames, known);
    EXPECT_FALSE(g.sp().GetFadeing());
  }
}

// A fake whose clock stalls once: the first Sleep at or after a given moment takes longer.
class StallingFake : public FakeBackend {
 public:
  uint64_t stallAt = 0, stallMs = 0;
  uint64_t presentMs = 0;  // how long showing a frame takes
  bool stalled = false;
  std::vector<uint64_t> presents;  // elapsed time of every presented frame
  void Delay(uint32_t ms) override {
    if (!stalled && stallMs && Elapsed() >= stallAt) {
      stalled = true;
      FakeBackend::Delay(ms + uint32_t(stallMs));
      return;
    }
    FakeBackend::Delay(ms);
  }
  void Present(const TBitmap& picture) override {
    presents.push_back(Elapsed());
    FakeBackend::Present(picture);
    Advance(presentMs);
  }
};

TEST_F(PictureCommands, TransitionFramesCarryTheirLateness) {
  buildScene();
  struct Case {
    uint64_t stallAt, stallMs, presentMs;
    std::vector<uint64_t> firstFrames;
  } cases[] = {
      // Frame 2 comes 45 ms late: frame 3 follows without a wait and 15 ms are carried into
      // frame 4, after which the 30 ms rhythm resumes.
      {30, 74, 0, {30, 105, 105, 120, 150, 180}},
      // 100 ms late: three frames are caught up at once, 10 ms are carried.
      {30, 129, 0, {30, 160, 160, 160, 160, 180, 210}},
      {0, 0, 0, {30, 60, 90, 120}},
      // Showing a frame takes 4 ms: that time is part of the next wait, not added to it.
      {0, 0, 4, {30, 60, 90, 120}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "stall " << c.stallMs);
    buildScene();
    StallingFake clock;  // the current backend while it lives
    clock.stallAt = c.stallAt;
    clock.stallMs = c.stallMs;
    clock.presentMs = c.presentMs;
    const uint64_t messages = clock.ProcessMessagesCount();
    g.sp().FadeToBlackContrast();  // 20 frames
    f->RunTransition();
    EXPECT_EQ(clock.ProcessMessagesCount(), messages) << "no messages during a transition";
    ASSERT_GE(clock.presents.size(), c.firstFrames.size());
    for (size_t i = 0; i < c.firstFrames.size(); ++i)
      EXPECT_EQ(clock.presents[i], c.firstFrames[i]) << "frame " << i;
    EXPECT_EQ(f->FadeDone, 1);
    // The final copy follows the last frame at once.
    EXPECT_EQ(clock.presents.back(), clock.presents[clock.presents.size() - 2] + c.presentMs);
  }
}

TEST_F(PictureCommands, TransitionRequestedWhileOneIsPreparedEndsQuickly) {
  buildScene();
  g.sp().FadeToBlackContrast();
  g.sp().FadeFromWhite();  // ignored: a transition is already prepared
  f->RunTransition();
  EXPECT_EQ(pixel(kBk, pO), kK);
  const uint64_t frames = g.h.fake.FrameCount();
  f->RunTransition();  // nothing prepared: only the closing copy
  EXPECT_EQ(g.h.fake.FrameCount() - frames, 1u);
  EXPECT_EQ(f->FadeDone, 1);
}

TEST_F(PictureCommands, ShakesShowFourDisplacedFramesWithTheirPauses) {
  ASSERT_TRUE(g.SetScene(PictureGame::Gradient()));
  const int bar = f->ClientOriginInWindow().y;
  // A window pixel of frame `back` (0 = the last) at client coordinates.
  auto at = [&](size_t back, int x, int y) { return g.h.fake.Frame(back).Pixel(x, y + bar); };
  auto scene = [](int x, int y) { return RGB(uint8_t(x), uint8_t(y), 77); };

  struct Frame {
    int dx, dy;
    std::vector<TPoint> black;
  };
  const std::vector<Frame> tilt = {{0, -16, {{5, 470}, {600, 464}}},
                                   {0, 16, {{5, 5}, {600, 15}}},
                                   {0, -16, {{5, 470}}},
                                   {0, 16, {{5, 5}}}};
  const std::vector<Frame> quake = {
      {-16, -16, {{630, 10}, {5, 470}}},
      {16, -16, {{5, 10}, {300, 470}}},
      {-16, 16, {{300, 5}, {630, 300}}},
      {16, 16, {{300, 5}, {5, 300}}},
  };
  struct Case {
    std::string line;
    const std::vector<Frame>* frames;
    bool fadesOff;
    uint64_t pause;
  } cases[] = {
      {"#TILT=5", &tilt, false, 100},     {"#TILT=2000", &tilt, false, 100},
      {"#TILT=1001", &tilt, false, 100},  {"#TILT=10", &tilt, false, 10},
      {"#TILT=1000", &tilt, false, 1000}, {"#TILT", &tilt, false, 100},
      {"#TILT=250", &tilt, true, 0},      {"#QUAKE=50", &quake, false, 50},
      {"#QUAKE=3", &quake, true, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    f->ReadFlags.Options.NoScreenFade = c.fadesOff;
    g.sp().DrawToScreen(true);
    const uint64_t frames = g.h.fake.FrameCount();
    const uint64_t start = g.h.fake.Elapsed();
    EXPECT_TRUE(f->ExecuteCommand(c.line.c_str()));
    const uint64_t took = g.h.fake.Elapsed() - start;
    ASSERT_EQ(g.h.fake.FrameCount() - frames, 4u);
    // Message processing may let the virtual clock creep by a millisecond.
    EXPECT_GE(took, 4 * c.pause);
    EXPECT_LE(took, 4 * c.pause + 4);
    for (size_t i = 0; i < 4; ++i) {
      const Frame& fr = (*c.frames)[i];
      const size_t back = 3 - i;
      SCOPED_TRACE(::testing::Message() << "frame " << i);
      for (const TPoint& p : fr.black) EXPECT_EQ(at(back, p.x, p.y), kK);
      // Inside, the picture is displaced by (dx, dy).
      EXPECT_EQ(at(back, 320, 240), scene(320 - fr.dx, 240 - fr.dy));
      EXPECT_EQ(at(back, 100, 100), scene(100 - fr.dx, 100 - fr.dy));
    }
  }
}

TEST_F(PictureCommands, JpegBackgroundLoadsAllImagesAndTheEndingPicture) {
  buildScene();
  ASSERT_TRUE(g.h.folder.Write("grp/photo.jpg", EncodeJpeg(PictureGame::Solid(kB, 640, 480))));
  EXPECT_TRUE(f->ExecuteCommand("#LOADBKJPG=photo"));
  EXPECT_TRUE(g.h.fake.Boxes().empty());
  for (Image image : {kBk, kTemp, kOrg}) EXPECT_TRUE(near(pixel(image, pS1), kB)) << image;
  EXPECT_TRUE(g.sp().BkGnd.Is24Bit());
  EXPECT_EQ(f->frmEnding->RollPicture.Width(), 640);
  EXPECT_TRUE(near(f->frmEnding->RollPicture.Pixel(10, 10), kB));
}

TEST_F(PictureCommands, MissingOrEmptyJpegIsReportedAndChangesNothing) {
  ASSERT_TRUE(g.h.folder.Write("grp/broken.jpg", std::string("this is no picture")));
  ASSERT_TRUE(g.h.folder.Write("grp/empty.jpg", std::string()));
  for (const char* name : {"absent", "broken", "empty"}) {
    SCOPED_TRACE(name);
    buildScene();
    g.h.fake.ClearBoxes();
    const std::string line = std::string("#LOADBKJPG=") + name;
    EXPECT_TRUE(f->ExecuteCommand(line.c_str()));
    ASSERT_EQ(g.h.fake.Boxes().size(), 1u);
    const std::string expected =
        std::string(SJ("画像ファイル[")) + g.PicturePath(name, "JPG") + SJ("]が見つかりません。");
    EXPECT_EQ(g.h.fake.Boxes()[0].text, expected);
    EXPECT_EQ(g.h.fake.Boxes()[0].caption, SJ("エラー"));
    EXPECT_EQ(pixel(kOrg, pO), kA);
    EXPECT_EQ(pixel(kBk, pM), kM);
    EXPECT_TRUE(f->frmEnding->RollPicture.Empty());
  }
}

TEST_F(PictureCommands, PicturePathsNeverNameAnotherFile) {
  char out[kPathBytes];
  f->picturePath(out, sizeof out, "girl01", "BMP");
  EXPECT_EQ(std::string(out), std::string(f->GrpDir) + "girl01.BMP");
  // A name too long for the buffer gives no path rather than a cut one.
  const std::string longName(300, 'x');
  f->picturePath(out, sizeof out, longName.c_str(), "BMP");
  EXPECT_EQ(out[0], 0);
  buildScene();
  EXPECT_TRUE(f->ExecuteCommand(("#LOADBKGRP=" + longName).c_str()));
  EXPECT_EQ(pixel(kOrg, pO), kA);
  EXPECT_TRUE(f->ExecuteCommand(("#LOADSPLITE=3," + longName).c_str()));
  EXPECT_EQ(g.sp().GetWidth(3), 0);
  EXPECT_TRUE(f->ExecuteCommand("#LOADSPLITE=3,other"));
  EXPECT_EQ(g.sp().GetWidth(3), 640);
}

}  // namespace
