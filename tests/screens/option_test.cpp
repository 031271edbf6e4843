// The option screen in whole plays: opened from the in-game menu, clicks on its labels, "決定"
// and "キャンセル" (and the right button), the colours of the presented frame and the hover rules.
#include "screens/option.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <functional>
#include <vector>

#include "support/game_play.h"
#include "support/scenario_builder.h"

namespace {

std::string story() {
  return ScenarioText({"#LOADBKGRP=scene", "#DRAWBKGRP", "one", "two", "three"});
}

// Label rectangles (client coordinates: the screen covers the play area from its origin).
constexpr TRect kSpeed[3] = {Rect(328, 72, 361, 99), Rect(408, 72, 441, 99),
                             Rect(488, 72, 521, 99)};
constexpr TRect kFadeYes = Rect(320, 176, 385, 203), kFadeNo = Rect(440, 176, 529, 203);
constexpr TRect kBackYes = Rect(320, 240, 385, 267), kBackNo = Rect(440, 240, 529, 267);
constexpr TRect kDecide = Rect(200, 368, 265, 395), kCancel = Rect(328, 368, 473, 395);

bool IsReddish(TColor c) { return GetRValue(c) > 200 && GetGValue(c) < 80 && GetBValue(c) < 80; }

// Opens the option screen from the first line's click wait, with the stored options prepared.
void openOptions(PlayGame& g, std::function<void(TOptionData&)> prepare) {
  ToStory(g);
  g.When(WaitingAfter(g, 1),
         [&g, prepare] {
           prepare(g.f->ReadFlags.Options);
           g.RightClickAt(320, 200);
         })
      .When(IdleIn(g, ssGameMenu), [&g] { g.ClickItem(7); })  // "オプション"
      .When([&g] { return g.f->frmOption->Visible() && g.fake().ScriptPending() == 0; });
}

void click(PlayGame& g, const TRect& r) {
  TPoint p = PlayGame::Centre(r);
  g.ClickAt(p.x, p.y);
}

void moveTo(PlayGame& g, const TRect& r) {
  TPoint p = PlayGame::Centre(r);
  g.fake().AtNow().MouseMove(p.x, p.y);
}

void fillOptions(TOptionData& o) {
  uint8_t* bytes = reinterpret_cast<uint8_t*>(&o);
  for (size_t i = 0; i < sizeof o; ++i) bytes[i] = uint8_t(0x30 + i);
  o.TextSpeed = 0;
  o.NoScreenFade = 0;
  o.NoTextBack = 0;
}

}  // namespace

TEST(OptionScreen, CancelKeepsEveryByteAndDecideTakesTheChoices) {
  struct Case {
    const char* name;
    std::function<void(PlayGame&)> leave;
    bool taken;
  } cases[] = {
      {"キャンセル", [](PlayGame& g) { click(g, kCancel); }, false},
      {"right button", [](PlayGame& g) { g.RightClickAt(100, 300); }, false},
      {"決定", [](PlayGame& g) { click(g, kDecide); }, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PlayGame g(story());
    TOptionData before{};
    openOptions(g, [&](TOptionData& o) {
      fillOptions(o);
      before = o;
    });
    g.When([] { return true; },
           [&] {
             click(g, kSpeed[2]);
             click(g, kFadeNo);
             click(g, kBackNo);
             click(g, kSpeed[1]);
           })
        .When([&] { return g.fake().ScriptPending() == 0; }, [&] { c.leave(g); })
        .When(IdleIn(g, ssGameMenu));
    ASSERT_TRUE(g.Play());
    const TOptionData& now = g.f->ReadFlags.Options;
    if (!c.taken) {
      EXPECT_EQ(std::memcmp(&now, &before, sizeof now), 0);
      continue;
    }
    EXPECT_EQ(now.TextSpeed, 1);
    EXPECT_EQ(now.NoScreenFade, 1);
    EXPECT_EQ(now.NoTextBack, 1);
    EXPECT_EQ(std::memcmp(reinterpret_cast<const uint8_t*>(&now) + 3,
                          reinterpret_cast<const uint8_t*>(&before) + 3, sizeof now - 3),
              0);
    // The choice reaches the read-flags file the next time it is written.
    g.f->WriteReadFlags();
    std::vector<uint8_t> file = g.h.folder.Read("orxrf.svd");
    ASSERT_EQ(file.size(), sizeof(TReadFlagsData));
    EXPECT_EQ(std::memcmp(file.data() + offsetof(TReadFlagsData, Options), &now, sizeof now), 0);
  }
}

TEST(OptionScreen, SelectedValuesAreRedAndAnUnknownSpeedShowsTheFirst) {
  PlayGame g(story());
  int red[7] = {}, white[2] = {};
  openOptions(g, [](TOptionData& o) {
    o.TextSpeed = 3;
    o.NoScreenFade = 1;
    o.NoTextBack = 0;
  });
  g.When([] { return true; },
         [&] {
           const TRect rects[7] = {kSpeed[0], kSpeed[1], kSpeed[2], kFadeYes,
                                   kFadeNo,   kBackYes,  kBackNo};
           for (int i = 0; i < 7; ++i) red[i] = g.CountPixels(rects[i], IsReddish);
           white[0] = g.CountPixels(kDecide, IsWhitish);
           white[1] = g.CountPixels(kCancel, IsWhitish);
           click(g, kDecide);
         })
      .When(IdleIn(g, ssGameMenu));
  ASSERT_TRUE(g.Play());
  const bool selected[7] = {true, false, false, false, true, true, false};
  for (int i = 0; i < 7; ++i) EXPECT_EQ(red[i] > 20, selected[i]) << "label " << i;
  EXPECT_GT(white[0], 20);
  EXPECT_GT(white[1], 20);
  // Confirming without touching the speed keeps the stored value.
  EXPECT_EQ(g.f->ReadFlags.Options.TextSpeed, 3);
}

TEST(OptionScreen, HoverStaysUntilTheMouseTouchesTheBackground) {
  PlayGame g(story());
  int yellow2 = 0, yellow3 = 0, yellow2Later = 0, red1After = 0, yellowAfter = 0;
  openOptions(g, [](TOptionData& o) { o.TextSpeed = 0; });
  g.When([] { return true; }, [&] { moveTo(g, kSpeed[1]); })
      .When([&] { return g.fake().ScriptPending() == 0; },
            [&] {
              yellow2 = g.CountPixels(kSpeed[1], IsYellowish);
              moveTo(g, kSpeed[2]);
            })
      .When([&] { return g.fake().ScriptPending() == 0; },
            [&] {
              yellow3 = g.CountPixels(kSpeed[2], IsYellowish);
              yellow2Later = g.CountPixels(kSpeed[1], IsYellowish);
              g.fake().AtNow().MouseMove(600, 300);
            })
      .When([&] { return g.fake().ScriptPending() == 0; },
            [&] {
              red1After = g.CountPixels(kSpeed[0], IsReddish);
              yellowAfter =
                  g.CountPixels(kSpeed[1], IsYellowish) + g.CountPixels(kSpeed[2], IsYellowish);
              EXPECT_FALSE(g.f->frmOption->HoverActive);
              click(g, kCancel);
            })
      .When(IdleIn(g, ssGameMenu));
  ASSERT_TRUE(g.Play());
  EXPECT_GT(yellow2, 20);
  EXPECT_GT(yellow3, 20);
  EXPECT_GT(yellow2Later, 20);  // moving label to label leaves the first one yellow
  EXPECT_GT(red1After, 20);
  EXPECT_EQ(yellowAfter, 0);
}
