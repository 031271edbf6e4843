// The ending screen on the fake backend: loading a file into labels and picture events, the
// roll's clock, the shrink animation, the roll's pace, its strip at every step, pictures and end,
// a close during the roll, a missing file, and the story going on after the roll.
#include "screens/ending.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "paint/splpaint.h"
#include "platform/audio/audio.h"
#include "platform/text/cp932.h"
#include "support/game_play.h"
#include "support/interp_story.h"
#include "support/jpeg_encode.h"
#include "support/picture_game.h"
#include "support/scenario_builder.h"

namespace {

bool near(TColor a, TColor b) {
  return std::abs(GetRValue(a) - GetRValue(b)) <= 8 && std::abs(GetGValue(a) - GetGValue(b)) <= 8 &&
         std::abs(GetBValue(a) - GetBValue(b)) <= 8;
}

// Writes mscsNN.esf from its description into folder.
void writeEnding(const TempDir& folder, int n, const char* description) {
  TEndingFile file;
  std::vector<TPackMessage> errors;
  ASSERT_TRUE(ParseEndingText(description, file, errors));
  char name[16];
  std::snprintf(name, sizeof name, "mscs%02d.esf", n);
  ASSERT_TRUE(folder.Write(name, EndingFileBytes(file)));
}

class Ending : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(g.f, nullptr);
    f = g.f;
    e = f->frmEnding;
    ASSERT_TRUE(g.h.folder.Write("bgm/END.MID", "music"));
    FakeAudioClearCalls();
  }
  void writePicture(const char* name, TColor c) {
    ASSERT_TRUE(g.h.folder.Write(std::string("grp/") + name + ".JPG",
                                 EncodeJpeg(PictureGame::Solid(c, 64, 48))));
  }
  // Opens ending n as the script command does; the first message processing paints the
  // shrink animation, the second runs the roll to its end.
  void play(int n) {
    ASSERT_TRUE(f->ExecuteCommand(("#GOENDING=" + std::to_string(n)).c_str()));
    g.h.app.ProcessMessages();
    g.h.app.ProcessMessages();
  }
  size_t calls(const char* name) { return FakeAudioCalls(name).size(); }

  PictureGame g;
  TMainFrm* f = nullptr;
  TfrmEnding* e = nullptr;
};

}  // namespace

TEST(RollTimer, StepsAfterStrictlyMoreThanAnInterval) {
  struct Case {
    int reference, now, interval;
    int steps, newReference;
  } cases[] = {
      {0, 10, 10, 0, 0},        // exactly one interval is not enough
      {0, 11, 10, 1, 10},       // one step
      {0, 35, 10, 3, 30},       // three, the rest carried
      {995, 3, 10, 0, 995},     // 8 ms across the second
      {995, 7, 10, 1, 5},       // 12 ms across the second
      {990, 5, 10, 1, 1000},    // a reference of exactly 1000 stays
      {1000, 3, 1, 3, 3},       // and counts as 0
      {500, 499, 1, 999, 499},  // almost a second at once
      {0, 999, 999, 0, 0},      // the field never shows more than 999 ms
      {0, 2, 0, 2, 2},          // 0 and below count as 1
      {0, 1, -5, 0, 0},         // likewise
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.reference << " " << c.now << " " << c.interval);
    int r = c.reference;
    EXPECT_EQ(RollTimerSteps(r, c.now, c.interval), c.steps);
    EXPECT_EQ(r, c.newReference);
  }
  // The wait ends exactly at the millisecond the 1 ms polling loop would see the next step.
  for (int a : {1, 2, 10, 33, 998}) {
    for (int r0 : {0, 500, 999}) {
      for (int now = 0; now < 1000; now += 7) {
        int r = r0;
        if (RollTimerSteps(r, now, a) != 0) continue;
        const int w = int(RollTimerWaitMs(r0, now, a));
        int due = r0, before = r0;
        ASSERT_GT(RollTimerSteps(due, (now + w) % 1000, a), 0) << a << " " << r0 << " " << now;
        if (w > 1) ASSERT_EQ(RollTimerSteps(before, (now + w - 1) % 1000, a), 0);
      }
    }
  }
}

TEST_F(Ending, LoadPlacesLabelsSortsPicturesAndStartsTheMusic) {
  writeEnding(g.h.folder, 1,
              "music END.MID\ninterval 7\n"
              "text 900 12 \"後\"\n"
              "text 600 20 bold \"ミラの旅\"\n"
              "picture 800 \"P2\"\n"
              "picture 0 \"P1\"\n"
              "text 700 14 italic \"a line much wider than the strip\"\n");
  e->ScrollRange = 5000;  // left from an earlier roll
  e->LoadEndingFile(1);
  EXPECT_TRUE(g.h.fake.Boxes().empty());
  EXPECT_EQ(e->EndingHeader.ScrollIntervalMs, 7);
  EXPECT_EQ(e->PictureEvents, (std::vector<std::string>{"00000,P1", "00800,P2"}));
  ASSERT_EQ(e->RollLabels.size(), 3u);
  const int tops[] = {900, 600, 700}, sizes[] = {12, 20, 14};
  for (size_t i = 0; i < 3; ++i) {
    const TRollLabel& l = e->RollLabels[i];
    EXPECT_EQ(l.Top, tops[i]);
    EXPECT_EQ(l.Font.Size(), sizes[i]);
    EXPECT_EQ(l.Font.Color, clWhite);
    EXPECT_GT(l.Width, 0);
    EXPECT_NEAR(2 * l.Left + l.Width, 160, 1);  // centred in the strip
  }
  EXPECT_EQ(e->RollLabels[1].Caption, Cp932("ミラの旅"));
  EXPECT_TRUE(e->RollLabels[1].Font.Bold);
  EXPECT_TRUE(e->RollLabels[2].Font.Italic);
  EXPECT_LT(e->RollLabels[2].Left, 0);
  EXPECT_EQ(e->ScrollRange, 900 + e->RollLabels[0].Height + 500);
  EXPECT_FALSE(e->ScrollBoxVisible);
  EXPECT_EQ(f->MediaPlayer->FileName, std::string(f->BgmDir) + "END.MID");
  EXPECT_EQ(f->MediaPlayer->Mode(), mpPlaying);

  // A header-only file: no labels, no pictures, the designed range again.
  writeEnding(g.h.folder, 2, "interval 3\n");
  e->LoadEndingFile(2);
  EXPECT_TRUE(e->RollLabels.empty());
  EXPECT_TRUE(e->PictureEvents.empty());
  EXPECT_EQ(e->ScrollRange, 640);
}

TEST_F(Ending, FirstPaintShrinksTheLastPictureIntoTheCorner) {
  g.SetScene(PictureGame::Gradient());
  writeEnding(g.h.folder, 1, "interval 10\n");
  g.h.fake.SetKeptFrames(64);
  ASSERT_TRUE(f->ExecuteCommand("#GOENDING=1"));
  const uint64_t start = g.h.fake.Elapsed();
  g.h.app.ProcessMessages();
  // From 640 the width shrinks by 3 to 481: 53 frames of 20 ms.
  EXPECT_EQ(g.h.fake.Elapsed() - start, 53u * 20);
  EXPECT_FALSE(e->FirstPaint);
  EXPECT_TRUE(g.h.app.HasPendingMessages());  // the roll starts next

  // The first column of black on row 10 in every frame: 640 (none), then the picture
  // 637, 634, ..., 481 wide with its last 3 columns blacked, then 480.
  std::vector<int> edges;
  const int row = 10 + f->ClientOriginInWindow().y;
  for (size_t back = 63; back != size_t(-1); --back) {
    const TBitmap& frame = g.h.fake.Frame(back);
    if (frame.Empty()) continue;
    int x = 0;
    while (x < 640 && frame.Pixel(x, row) != clBlack) ++x;
    if (edges.empty() || edges.back() != x) edges.push_back(x);
  }
  std::vector<int> expected{640};
  for (int w = 637; w > 480; w -= 3) expected.push_back(w - 3);
  expected.push_back(480);
  ASSERT_GE(edges.size(), expected.size());
  EXPECT_EQ(std::vector<int>(edges.end() - long(expected.size()), edges.end()), expected);
  // The final picture: the whole scene in 480 x 360, black below and to the right.
  // Each pixel shows the source pixel under its centre: (100, 100) reads (134, 134).
  EXPECT_EQ(g.h.fake.ClientPixel(100, 100), RGB(134, 134, 77));
  EXPECT_EQ(g.h.fake.ClientPixel(479, 359), RGB(639 % 256, 479 % 256, 77));
  EXPECT_EQ(g.h.fake.ClientPixel(100, 360), clBlack);
  EXPECT_EQ(g.h.fake.ClientPixel(500, 100), clBlack);
}

TEST_F(Ending, RollScrollsAtItsIntervalAndEndsAtTheRange) {
  writeEnding(g.h.folder, 1, "music END.MID\ninterval 10\ntext 500 12 \"END\"\n");
  std::vector<std::pair<uint64_t, int32_t>> samples;  // virtual time, scroll position
  g.h.fake.OnProcessMessages([&] {
    if (e->ScrollBoxVisible && e->Visible())
      samples.push_back({g.h.fake.Elapsed(), e->ScrollPosition});
  });
  play(1);
  g.h.fake.OnProcessMessages({});
  ASSERT_GT(samples.size(), 100u);
  const int32_t range = 500 + e->RollLabels[0].Height + 500;
  EXPECT_EQ(e->ScrollRange, range);
  EXPECT_EQ(e->ScrollPosition, range - 480);
  EXPECT_FALSE(e->Visible());
  // About 100 pixels per virtual second once it runs.
  const auto at = [&](uint64_t t) {
    for (const auto& s : samples)
      if (s.first >= t) return s.second;
    return samples.back().second;
  };
  const uint64_t t0 = samples.front().first + 100;
  EXPECT_NEAR(at(t0 + 1000) - at(t0), 100, 1);
  EXPECT_NEAR(at(t0 + 2000) - at(t0 + 1000), 100, 1);
  // The music faded out (wave, then MIDI, 3 s each), then stopped with its volume reset.
  EXPECT_GT(calls("waveOutSetVolume"), 2u);
  EXPECT_EQ(calls("Stop"), 1u);
  EXPECT_EQ(FakeAudioCalls().back().Call, "midiOutSetVolume");
  uint64_t scrolled = 0;
  for (const auto& s : samples)
    if (s.second == range - 480 && !scrolled) scrolled = s.first;
  EXPECT_GE(g.h.fake.Elapsed() - scrolled, 6000u);
}

// The labels are drawn once and each step copies their rows; every step must still show what
// drawing the labels whose rectangles meet the view shows: overlapping labels, glyphs reaching
// out of their rows across the view's edges and the drawn bands' edges (every 512 rows), a label
// wider than the strip.
TEST_F(Ending, EveryStepShowsTheLabelsAsDrawnForItsPosition) {
  writeEnding(g.h.folder, 1,
              "interval 10\n"
              "text 500 20 bold \"海辺の約束\"\n"
              "text 512 12 \"重なる行 gjpq\"\n"
              "text 1024 20 bold \"海辺の約束\"\n"
              "text 1030 14 italic \"a line much wider than the strip\"\n");
  auto byHand = [&] {
    TBitmap strip(kRollStripWidth, kRollViewHeight);
    for (const TRollLabel& l : e->RollLabels) {
      const int32_t y = l.Top - e->ScrollPosition;
      if (y >= kRollViewHeight || y + l.Height <= 0) continue;
      TRect r = Rect(l.Left, y, l.Left + l.Width, y + l.Height);
      DrawTextA(&strip, l.Font, l.Caption.c_str(), -1, &r, DT_EXPANDTABS);
    }
    return strip;
  };
  std::vector<int32_t> wrong;
  int32_t checked = 0;
  g.h.fake.OnProcessMessages([&] {
    if (!e->ScrollBoxVisible || !e->Visible()) return;
    const TBitmap strip = byHand();
    const TBitmap& frame = g.h.fake.LastFrame();
    const int32_t top = f->ClientOriginInWindow().y;
    for (int32_t y = 0; y < kRollViewHeight; ++y)
      if (std::memcmp(frame.ScanLine(top + y) + kRollStripLeft * 3, strip.ScanLine(y),
                      kRollStripWidth * 3) != 0) {
        wrong.push_back(e->ScrollPosition);
        break;
      }
    ++checked;
  });
  play(1);
  g.h.fake.OnProcessMessages({});
  EXPECT_GT(checked, 1000);
  EXPECT_TRUE(wrong.empty()) << wrong.size() << " steps, the first at " << wrong.front();
}

TEST_F(Ending, PicturesAppearOnePerStepAndAMissingOneHoldsBackTheRest) {
  constexpr TColor kA = RGB(200, 30, 30), kB = RGB(30, 200, 30), kC = RGB(30, 30, 200);
  writePicture("A", kA);
  writePicture("B", kB);
  writePicture("C", kC);
  struct Case {
    const char* description;
    std::vector<std::pair<int32_t, TColor>> shown;  // scroll position, picture
  } cases[] = {
      {"interval 10\ntext 300 12 END\npicture 700 C\npicture 600 B\npicture 600 A\n",
       {{121, kA}, {122, kB}, {221, kC}}},
      {"interval 10\ntext 300 12 END\npicture 700 C\npicture 600 A\npicture 650 GONE\n",
       {{121, kA}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.description);
    writeEnding(g.h.folder, 1, c.description);
    std::vector<std::pair<int32_t, TColor>> shown;
    const TBitmap* last = nullptr;
    uint64_t lastGeneration = 0;
    g.h.fake.OnProcessMessages([&] {
      const TBitmap& p = e->RollPicture;
      if (!e->ScrollBoxVisible || p.Empty()) return;
      if (last == &p && lastGeneration == p.Generation()) return;
      last = &p;
      lastGeneration = p.Generation();
      shown.push_back({e->ScrollPosition, p.Pixel(10, 10)});
      EXPECT_TRUE(near(g.h.fake.ClientPixel(240, 180), p.Pixel(10, 10)));
    });
    play(1);
    g.h.fake.OnProcessMessages({});
    ASSERT_EQ(shown.size(), c.shown.size());
    for (size_t i = 0; i < shown.size(); ++i) {
      EXPECT_EQ(shown[i].first, c.shown[i].first) << i;
      EXPECT_TRUE(near(shown[i].second, c.shown[i].second)) << i;
    }
    e->RollPicture = TBitmap();
  }
}

TEST_F(Ending, CloseDuringTheRollStopsTheMusicWithoutFadingIt) {
  writeEnding(g.h.folder, 1, "music END.MID\ninterval 10\ntext 1000 12 \"END\"\n");
  bool asked = false;
  g.h.fake.OnProcessMessages([&] {
    if (!asked && e->ScrollPosition >= 50) {
      asked = true;
      FakeAudioClearCalls();
      g.h.fake.AtNow().CloseRequest();
    }
  });
  play(1);
  g.h.fake.OnProcessMessages({});
  EXPECT_TRUE(e->AbortRoll);
  EXPECT_FALSE(e->Visible());
  EXPECT_LT(e->ScrollPosition, 100);
  EXPECT_EQ(calls("Stop"), 1u);
  EXPECT_EQ(calls("waveOutSetVolume"), 1u);  // only the volume reset
  EXPECT_EQ(calls("midiOutSetVolume"), 1u);
  EXPECT_EQ(FakeAudioCalls("waveOutSetVolume")[0].Volume, f->WaveDefaultVolume);
}

TEST_F(Ending, MissingFileIsReportedAndAnEmptyRollRuns) {
  ASSERT_TRUE(f->ExecuteCommand("#BGMNLOAD=END.MID"));
  FakeAudioClearCalls();
  play(9);
  ASSERT_EQ(g.h.fake.Boxes().size(), 1u);
  EXPECT_EQ(g.h.fake.Boxes()[0].text, SJ("ファイルが開けません"));
  EXPECT_EQ(g.h.fake.Boxes()[0].caption, SJ("エラー"));
  EXPECT_EQ(calls("Open"), 0u);  // the music is not changed by the failed load
  EXPECT_EQ(e->ScrollPosition, 640 - 480);
  EXPECT_FALSE(e->Visible());
}

TEST(EndingPlay, StoryGoesOnAfterTheRoll) {
  PlayGame g(ScenarioText({"#LOADBKGRP=scene", "#DRAWBKGRP", "before", "#GOENDING=1", "after"}));
  writeEnding(g.h.folder, 1, "interval 1\ntext 200 12 \"END\"\n");
  bool rolled = false;
  g.When(InState(g, ssTitle), [&] { g.ClickAt(320, 100); })
      .When(InState(g, ssTitleMenu), [&] { g.ClickItem(18); })
      .When(InStory(g, tsWaitClick), [&] { g.ClickAt(320, 200); })
      .When([&] { return g.f->frmEnding->ScrollBoxVisible && g.f->StepState == ssEnding; },
            [&] { rolled = true; })
      .When([&] {
        return g.f->StepState == ssStory && g.f->TextSubState == tsWaitClick &&
               g.f->Backlog->Count() == 2;
      });
  ASSERT_TRUE(g.Play());
  EXPECT_TRUE(rolled);
  EXPECT_EQ((*g.f->Backlog)[1], "after");
  EXPECT_FALSE(g.f->frmEnding->Visible());
}
