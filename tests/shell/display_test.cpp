// The player's window scale in the display menu: the items after the game's own two, their check
// marks, the keys, the stored settings, and the settings applied at start-up.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

#include "platform/text/cp932.h"
#include "shell/settings.h"
#include "support/main_form_harness.h"

namespace {

class Display : public ::testing::Test {
 protected:
  void SetUp() override {
    ::setenv("XDG_CONFIG_HOME", config.Path().c_str(), 1);
    ResetPlayerSettings();
    ASSERT_TRUE(h.WriteScenario("first line\r\n"));
  }
  void TearDown() override {
    ResetPlayerSettings();
    ::unsetenv("XDG_CONFIG_HOME");
  }
  void start() {
    f = h.Start();
    ASSERT_FALSE(h.app.Terminated());
  }
  // "1" for the checked items of ×1, ×2, ×3, fit and smooth, in that order.
  std::string checks() const {
    std::string s;
    for (TMenuItem* i : {f->mndScale1, f->mndScale2, f->mndScale3, f->mndScaleFit, f->mndSmooth})
      s += i->Checked ? '1' : '0';
    return s;
  }
  std::string stored() const { return config.ReadText("miravel/settings.ini"); }

  TempDir config;
  MainFormHarness h;
  TMainFrm* f = nullptr;
};

}  // namespace

TEST_F(Display, ItemsFollowTheGamesOwnAndAnUntouchedStartChangesNothing) {
  start();
  const auto& items = f->mnDisp->Items;
  ASSERT_EQ(items.size(), 8u);
  EXPECT_EQ(items[0]->Caption, SJ("ウィンドウモード(&W)"));
  EXPECT_EQ(items[1]->Caption, SJ("フルスクリーンモード(&F)"));
  EXPECT_TRUE(items[2]->IsSeparator());
  EXPECT_EQ(items[3]->Caption, SJ("等倍(&1)"));
  EXPECT_EQ(items[6]->Caption, SJ("画面に合わせる(&A)"));
  EXPECT_EQ(items[7]->Caption, SJ("なめらかに拡大(&S)"));
  f->ApplyPlayerDisplay();
  EXPECT_EQ(checks(), "10000");
  EXPECT_EQ(h.fake.WindowScale(), 1);
  EXPECT_FALSE(h.fake.FullScreen());
  EXPECT_TRUE(f->mnd640_480->Checked);
  EXPECT_FALSE(config.Exists("miravel/settings.ini"));
}

TEST_F(Display, ItemsAndKeysChooseCheckAndStoreTheScale) {
  start();
  struct Step {
    const char* what;
    std::function<void()> act;
    int scale;
    bool smooth;
    const char* checks;
  } steps[] = {
      {"x2 item", [&] { f->mndScale2->OnClick(); }, 2, false, "01000"},
      {"smooth item", [&] { f->mndSmooth->OnClick(); }, 2, true, "01001"},
      {"fit item", [&] { f->mndScaleFit->OnClick(); }, 0, true, "00011"},
      {"Ctrl+3", [&] { f->KeyDown('3', ssCtrl); }, 3, true, "00101"},
      {"smooth off", [&] { f->mndSmooth->OnClick(); }, 3, false, "00100"},
      {"Ctrl+1", [&] { f->KeyDown('1', ssCtrl); }, 1, false, "10000"},
  };
  for (const Step& s : steps) {
    s.act();
    EXPECT_EQ(checks(), s.checks) << s.what;
    EXPECT_EQ(h.fake.WindowScale(), s.scale) << s.what;
    EXPECT_EQ(h.fake.WindowSmooth(), s.smooth) << s.what;
    EXPECT_EQ(PlayerSettings().scale, s.scale) << s.what;
    EXPECT_NE(stored().find(s.scale ? "scale=" + std::to_string(s.scale) : "scale=fit"),
              std::string::npos)
        << s.what;
    EXPECT_NE(stored().find(s.smooth ? "smooth=1" : "smooth=0"), std::string::npos) << s.what;
  }
  // A digit without Ctrl, or with Alt too, is not a scale key.
  f->KeyDown('2', 0);
  f->KeyDown('2', ssCtrl | ssAlt);
  EXPECT_EQ(h.fake.WindowScale(), 1);
}

TEST_F(Display, AltEnterAndF11SwitchFullScreenAsTheGamesItemsDo) {
  start();
  for (auto [key, shift] : {std::pair{int(VK_RETURN), TShiftState(ssAlt)},
                            std::pair{int(VK_F1 + 10), TShiftState(0)}}) {
    f->KeyDown(key, shift);
    EXPECT_TRUE(h.fake.FullScreen()) << key;
    EXPECT_TRUE(f->mndFull->Checked);
    EXPECT_FALSE(f->mnd640_480->Checked);
    EXPECT_EQ(f->FullScreen, 1);
    EXPECT_EQ(f->Top, f->ClientHeight() - f->Height()) << "the menu bar above the screen";
    EXPECT_TRUE(PlayerSettings().fullscreen);
    EXPECT_NE(stored().find("fullscreen=1"), std::string::npos);
    f->KeyDown(key, shift);
    EXPECT_FALSE(h.fake.FullScreen()) << key;
    EXPECT_TRUE(f->mnd640_480->Checked);
    EXPECT_EQ(f->FullScreen, 0);
    EXPECT_FALSE(PlayerSettings().fullscreen);
  }
}

TEST_F(Display, StoredSettingsAreAppliedAtStart) {
  ChangePlayerSettings([](TPlayerSettings& s) {
    s.scale = 0;
    s.smooth = true;
    s.fullscreen = true;
  });
  start();
  f->ApplyPlayerDisplay();
  EXPECT_EQ(checks(), "00011");
  EXPECT_EQ(h.fake.WindowScale(), 0);
  EXPECT_TRUE(h.fake.WindowSmooth());
  EXPECT_TRUE(h.fake.FullScreen());
  EXPECT_TRUE(f->mndFull->Checked);
}
