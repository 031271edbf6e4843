// A game folder with generated logo, title and scene pictures, and the real main form running its
// whole game loop on the fake backend. A test lists steps: each waits until its condition holds
// (checked at every message processing of the game, that is once per step frame and inside the
// waits) and then acts once, usually by scripting input at the current virtual time.
//
//   PlayGame g(ScenarioText({"#LOADBKGRP=scene", "hello"}));
//   g.When(InState(g, ssTitle), [&] { g.ClickAt(320, 240); })
//    .When(InState(g, ssTitleMenu), [&] { g.ClickItem(18); });
//   EXPECT_TRUE(g.Play());   // runs the steps, then closes the window through its confirmation
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "paint/splpaint.h"
#include "platform/pictures/bitmap.h"
#include "support/main_form_harness.h"

class PlayGame {
 public:
  // Colours of the generated pictures: grp/LOGO.BMP, grp/TITLE.BMP, grp/scene.bmp and
  // grp/other.bmp.
  static constexpr TColor kLogo = RGB(0, 0, 200);
  static constexpr TColor kTitle = RGB(0, 160, 0);
  static constexpr TColor kScene = RGB(120, 120, 120);
  static constexpr TColor kOther = RGB(160, 40, 40);

  // grpIni: extra lines of section [GRP] (CR LF separated), e.g. "STARTFADEOUT=9\r\n".
  explicit PlayGame(std::string_view scenarioUtf8, std::string_view grpIni = "");

  MainFormHarness h;
  TMainFrm* f = nullptr;
  FakeBackend& fake() { return h.fake; }
  TSplPaint& sp() { return *f->splPaintView; }

  using Cond = std::function<bool()>;
  using Act = std::function<void()>;
  // Adds a step; the steps run one after another, at most one per message processing.
  PlayGame& When(Cond cond, Act act = {});
  // Runs the game loop from the start message until the steps are done; then, with close, asks
  // the window to close (the confirmation takes its default, OK). False when a step never came
  // within limitMs of virtual time (the test also fails, naming the step).
  bool Play(bool close = true, uint64_t limitMs = 120000);
  size_t StepsDone() const { return next_; }

  // Input at the current virtual time, in client coordinates.
  void ClickAt(int32_t x, int32_t y);
  void RightClickAt(int32_t x, int32_t y);
  // A left click in the middle of MenuRects entry i.
  void ClickItem(int i);
  void HoverItem(int i);
  static TPoint Centre(const TRect& r) {
    return TPoint{(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
  }

  // Counts pixels of the last presented frame inside r (client coordinates) for which pred holds.
  int CountPixels(const TRect& r, const std::function<bool(TColor)>& pred) const;

 private:
  struct Step {
    Cond cond;
    Act act;
  };
  std::vector<Step> steps_;
  size_t next_ = 0;
};

// Conditions for PlayGame::When.
PlayGame::Cond InState(PlayGame& g, int32_t state);
PlayGame::Cond InStory(PlayGame& g, int32_t subState);

// Steps from the title picture to the first line of the story ("はじめから").
void ToStory(PlayGame& g);
// The click wait after `lines` lines of the backlog.
PlayGame::Cond WaitingAfter(PlayGame& g, int lines);
// In `state` with no scripted input left.
PlayGame::Cond IdleIn(PlayGame& g, int32_t state);

// Starts the story from the title ("はじめから", with atStart run just before the click) and plays
// until its first line waits for a click; returns the number of frames in which the revealed
// text grew (1: the line came whole), or -1 when the play did not get there.
int FramesToRevealFirstLine(PlayGame& g, const std::function<void()>& atStart);

// Colour tests for frames: text in the menu fonts is white or yellow, antialiased at its edges.
bool IsYellowish(TColor c);
bool IsWhitish(TColor c);
