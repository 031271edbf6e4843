#include "support/game_play.h"

#include <gtest/gtest.h>

#include "support/pictures.h"
#include "support/scenario_builder.h"

PlayGame::PlayGame(std::string_view scenarioUtf8, std::string_view grpIni) {
  std::string ini = "[GRP]\r\nFRAMEGRP=\r\nLOGO=LOGO\r\nTITLE=TITLE\r\n";
  ini.append(grpIni.data(), grpIni.size());
  h.folder.Write("miravel.ini", ini);
  h.folder.MakeDir("grp");
  struct Picture {
    const char* name;
    TColor colour;
  } pictures[] = {
      {"LOGO.BMP", kLogo}, {"TITLE.BMP", kTitle}, {"scene.bmp", kScene}, {"other.bmp", kOther}};
  for (const Picture& p : pictures)
    WriteBmp(h.folder, std::string("grp/") + p.name, SolidPicture(640, 480, p.colour));
  EXPECT_TRUE(h.WriteScenario(scenarioUtf8));
  f = h.Start();
  if (!f || h.app.Terminated()) ADD_FAILURE() << "the game did not start";
}

PlayGame& PlayGame::When(Cond cond, Act act) {
  steps_.push_back(Step{std::move(cond), std::move(act)});
  return *this;
}

bool PlayGame::Play(bool close, uint64_t limitMs) {
  if (!f) return false;
  bool closed = false;
  fake().SetTimeLimit(fake().Elapsed() + limitMs, [] {});
  fake().OnProcessMessages([&] {
    if (next_ < steps_.size()) {
      Step& s = steps_[next_];
      if (!s.cond || s.cond()) {
        ++next_;
        if (s.act) s.act();
      }
      return;
    }
    if (close && !closed) {
      closed = true;
      fake().AtNow().CloseRequest();
    }
  });
  fake().RunScript(limitMs + 120000);
  fake().OnProcessMessages({});
  if (next_ < steps_.size()) {
    ADD_FAILURE() << "step " << next_ << " of " << steps_.size() << " never came (state "
                  << f->StepState << ", sub-state " << f->TextSubState << ")";
    return false;
  }
  if (fake().TimeLimitHit()) {
    ADD_FAILURE() << "the game did not end in time";
    return false;
  }
  return true;
}

void PlayGame::ClickAt(int32_t x, int32_t y) { fake().AtNow().Click(x, y); }

void PlayGame::RightClickAt(int32_t x, int32_t y) { fake().AtNow().RightClick(x, y); }

void PlayGame::ClickItem(int i) {
  TPoint p = Centre(f->MenuRects[i]);
  ClickAt(p.x, p.y);
}

void PlayGame::HoverItem(int i) {
  TPoint p = Centre(f->MenuRects[i]);
  fake().AtNow().MouseMove(p.x, p.y);
}

int PlayGame::CountPixels(const TRect& r, const std::function<bool(TColor)>& pred) const {
  int n = 0;
  for (int32_t y = r.Top; y < r.Bottom; ++y)
    for (int32_t x = r.Left; x < r.Right; ++x)
      if (pred(h.fake.ClientPixel(x, y))) ++n;
  return n;
}

PlayGame::Cond InState(PlayGame& g, int32_t state) {
  return [&g, state] { return g.f->StepState == state; };
}

PlayGame::Cond InStory(PlayGame& g, int32_t subState) {
  return [&g, subState] { return g.f->StepState == ssStory && g.f->TextSubState == subState; };
}

void ToStory(PlayGame& g) {
  g.When(InState(g, ssTitle), [&] { g.ClickAt(320, 100); }).When(InState(g, ssTitleMenu), [&] {
    g.ClickItem(18);
  });
}

PlayGame::Cond WaitingAfter(PlayGame& g, int lines) {
  return [&g, lines] {
    return g.f->StepState == ssStory && g.f->TextSubState == tsWaitClick &&
           g.f->Backlog->Count() == lines && !g.f->NeedNextLine;
  };
}

PlayGame::Cond IdleIn(PlayGame& g, int32_t state) {
  return [&g, state] { return g.f->StepState == state && g.fake().ScriptPending() == 0; };
}

int FramesToRevealFirstLine(PlayGame& g, const std::function<void()>& atStart) {
  int frames = 0;
  uint32_t lastPos = 0;
  g.When(InState(g, ssTitle), [&] { g.ClickAt(320, 100); }).When(InState(g, ssTitleMenu), [&] {
    atStart();
    g.ClickItem(18);
  });
  g.When([&] {
    if (g.f->StepState != ssStory) return false;
    if (g.f->TextPos != lastPos) {
      lastPos = g.f->TextPos;
      ++frames;
    }
    return g.f->TextSubState == tsWaitClick;
  });
  return g.Play() ? frames : -1;
}

bool IsYellowish(TColor c) { return GetRValue(c) > 200 && GetGValue(c) > 200 && GetBValue(c) < 80; }

bool IsWhitish(TColor c) { return GetRValue(c) > 200 && GetGValue(c) > 200 && GetBValue(c) > 200; }
