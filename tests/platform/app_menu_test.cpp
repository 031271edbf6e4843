// The menu bar: access keys, keyboard and mouse navigation, check marks, item clicks.
#include <gtest/gtest.h>

#include "app_test_forms.h"
#include "platform/text/cp932.h"

using Log = std::vector<std::string>;

TEST(AppMenuAccessKey, FromCaption) {
  struct Case {
    const char* caption;  // UTF-8, converted
    char key;
  } cases[] = {
      {"ファイル(&F)", 'F'},  {"画面(&g)", 'G'},   {"&Exit", 'E'},    {"a&&b", 0},
      {"a&&&b", 'B'},         {"trailing&", 0},    {"none", 0},       {"&1st", '1'},
      {"表&x", 'X'},          {"&&", 0},           {"&ア", 0},
  };
  for (const auto& c : cases) {
    TMenuItem it(SJ(c.caption));
    EXPECT_EQ(it.AccessKey(), c.key) << c.caption;
  }
}

// The game's menu: "ファイル(&F)" and "画面(&G)".
struct MenuFixture : AppFixture {
  Log clicks;
  TMenuItem *file, *disp, *goTitle, *exit, *window, *full;
  int openWhenClicked = -2;
  MenuFixture() : AppFixture(true) {
    TMainMenu* m = main.Menu();
    auto item = [this](TMenuItem* parent, const char* caption, const char* name) {
      return parent->Add(SJ(caption), [this, name] {
        clicks.push_back(name);
        openWhenClicked = OpenMenuIndex();
      });
    };
    file = m->Add(SJ("ファイル(&F)"));
    goTitle = item(file, "タイトル画面に戻る(&T)", "goTitle");
    file->Add("-");
    exit = item(file, "ゲームを終了(&E)", "exit");
    disp = m->Add(SJ("画面(&G)"));
    window = item(disp, "ウィンドウモード(&W)", "window");
    full = item(disp, "フルスクリーンモード(&F)", "full");
    window->Checked = true;
    app.ProcessMessages();
  }
};

struct KeyCase {
  const char* name;
  std::vector<std::pair<int, TShiftState>> keys;
  Log clicks;
  int open;       // drop-down open afterwards
  int highlight;  // its highlighted item
};

class AppMenuKeys : public ::testing::TestWithParam<KeyCase> {};

TEST_P(AppMenuKeys, Navigate) {
  const KeyCase& c = GetParam();
  MenuFixture f;
  for (auto [vk, mods] : c.keys) f.fake.Key(vk, mods);
  f.fake.RunScript();
  EXPECT_EQ(f.clicks, c.clicks);
  EXPECT_EQ(OpenMenuIndex(), c.open);
  EXPECT_EQ(HighlightedMenuItem(), c.highlight);
  // Keys used by the menu never reach the form.
  EXPECT_EQ(f.main.Log(), Log{});
}

INSTANTIATE_TEST_SUITE_P(
    App, AppMenuKeys,
    ::testing::Values(
        KeyCase{"AltFOpensFile", {{'F', ssAlt}}, {}, 0, 0},
        KeyCase{"AltGOpensScreen", {{'G', ssAlt}}, {}, 1, 0},
        KeyCase{"F10OpensFirst", {{VK_F10, 0}}, {}, 0, 0},
        KeyCase{"EnterChoosesHighlighted", {{'F', ssAlt}, {VK_RETURN, 0}}, {"goTitle"}, -1, -1},
        KeyCase{"DownSkipsSeparator", {{'F', ssAlt}, {VK_DOWN, 0}}, {}, 0, 2},
        KeyCase{"UpWrapsToLast", {{'F', ssAlt}, {VK_UP, 0}}, {}, 0, 2},
        KeyCase{"DownDownWraps", {{'F', ssAlt}, {VK_DOWN, 0}, {VK_DOWN, 0}}, {}, 0, 0},
        KeyCase{"DownEnterExits", {{'F', ssAlt}, {VK_DOWN, 0}, {VK_RETURN, 0}}, {"exit"}, -1,
                -1},
        KeyCase{"RightSwitches", {{'F', ssAlt}, {VK_RIGHT, 0}}, {}, 1, 0},
        KeyCase{"LeftWraps", {{'F', ssAlt}, {VK_LEFT, 0}}, {}, 1, 0},
        KeyCase{"EscCloses", {{'F', ssAlt}, {VK_ESCAPE, 0}}, {}, -1, -1},
        KeyCase{"LetterChoosesItem", {{'G', ssAlt}, {'F', 0}}, {"full"}, -1, -1},
        KeyCase{"AltLetterInsideSwitches", {{'F', ssAlt}, {'G', ssAlt}}, {}, 1, 0},
        KeyCase{"UnknownLetterIgnored", {{'G', ssAlt}, {'Q', 0}}, {}, 1, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AppMenu, AltPressedAndReleasedAloneOpensTheBar) {
  MenuFixture f;
  f.fake.KeyDown(VK_MENU, ssAlt).KeyUp(VK_MENU);
  f.fake.RunScript();
  EXPECT_EQ(OpenMenuIndex(), 0);
  f.fake.AtNow().KeyDown(VK_MENU, ssAlt).KeyUp(VK_MENU);
  f.fake.RunScript();
  EXPECT_EQ(OpenMenuIndex(), -1);
}

TEST(AppMenu, KeysReachTheFormWhileTheMenuIsClosed) {
  MenuFixture f;
  f.fake.Key(VK_RETURN).Key('Q', ssAlt);
  f.fake.RunScript();
  EXPECT_EQ(f.main.Log(), (Log{"main: key 13", "main: key 81 alt"}));
}

TEST(AppMenu, MouseClickOnItemCallsOnClickAfterTheDropDownCloses) {
  MenuFixture f;
  f.fake.MenuClick(1, 1);
  f.fake.RunScript();
  EXPECT_EQ(f.clicks, (Log{"full"}));
  EXPECT_EQ(f.openWhenClicked, -1);
  // Nothing of it reached the form.
  EXPECT_EQ(f.main.Log(), Log{});
}

TEST(AppMenu, PressOutsideClosesWithoutClickingOrReachingTheForm) {
  MenuFixture f;
  TRect bar;
  ASSERT_TRUE(MenuBarItemRect(0, &bar));
  f.fake.WindowClick(bar.Left + 3, 10).Click(300, 300);
  f.fake.RunScript();
  EXPECT_EQ(OpenMenuIndex(), -1);
  EXPECT_TRUE(f.clicks.empty());
  EXPECT_EQ(f.main.Log(), Log{});
  // The next click reaches the form again.
  f.fake.AtNow().Click(300, 300);
  f.fake.RunScript();
  EXPECT_EQ(f.main.Log(), (Log{"main: down L 300,300", "main: up L 300,300"}));
}

TEST(AppMenu, ClickingTheOpenCaptionAgainCloses_HoverSwitches) {
  MenuFixture f;
  TRect bar0, bar1;
  ASSERT_TRUE(MenuBarItemRect(0, &bar0));
  ASSERT_TRUE(MenuBarItemRect(1, &bar1));
  EXPECT_LE(bar0.Right, bar1.Left);
  f.fake.WindowClick(bar0.Left + 3, 10);
  f.fake.RunScript();
  EXPECT_EQ(OpenMenuIndex(), 0);
  EXPECT_EQ(HighlightedMenuItem(), -1);  // opened by the mouse: nothing highlighted
  f.fake.AtNow().WindowMouseMove(bar1.Left + 3, 10);
  f.fake.RunScript();
  EXPECT_EQ(OpenMenuIndex(), 1);
  f.fake.AtNow().WindowClick(bar1.Left + 3, 10);
  f.fake.RunScript();
  EXPECT_EQ(OpenMenuIndex(), -1);
}

TEST(AppMenu, DisabledItemsAndSeparatorsAreNotChosen) {
  MenuFixture f;
  f.exit->Enabled = false;
  f.fake.MenuClick(0, 1).MenuClick(0, 2).Key('F', ssAlt).Key('E');
  f.fake.RunScript();
  EXPECT_TRUE(f.clicks.empty());
}

TEST(AppMenu, CheckMarkIsDrawnOnlyForCheckedItems) {
  MenuFixture f;
  f.window->Checked = true;
  f.full->Checked = false;
  f.fake.Key('G', ssAlt).Key(VK_DOWN);  // highlight the unchecked item
  f.fake.RunScript();
  const TBitmap& frame = f.fake.LastFrame();
  TRect checked, unchecked;
  ASSERT_TRUE(MenuDropDownItemRect(1, 0, &checked));
  ASSERT_TRUE(MenuDropDownItemRect(1, 1, &unchecked));
  // The check mark lives in the left margin of an item, before its caption.
  TRect markArea = Rect(checked.Left, checked.Top, checked.Left + 16, checked.Bottom);
  int32_t dy = unchecked.Top - checked.Top;
  TRect markArea2 = Rect(markArea.Left, markArea.Top + dy, markArea.Right, markArea.Bottom + dy);
  EXPECT_GT(CountPixelsNot(frame, markArea, frame.Pixel(checked.Left + 1, checked.Top + 1)), 8);
  // The highlighted unchecked item has an even background there.
  EXPECT_EQ(CountPixelsNot(frame, markArea2, frame.Pixel(unchecked.Left + 1, unchecked.Top + 1)),
            0);
  // And the captions were drawn.
  TRect caption = Rect(checked.Left + 18, checked.Top, checked.Right, checked.Bottom);
  EXPECT_GT(CountPixelsNot(frame, caption, frame.Pixel(checked.Right - 2, checked.Top + 1)), 30);
}

TEST(AppMenu, BarShowsCaptionsAndTheDropDownOverTheCanvas) {
  MenuFixture f;
  FillRect(f.main.Canvas(), Rect(0, 0, 640, 480), clRed);
  f.main.Present();
  const TBitmap& closed = f.fake.LastFrame();
  ASSERT_EQ(closed.Height(), 480 + kMenuBarHeight);
  TRect bar0;
  ASSERT_TRUE(MenuBarItemRect(0, &bar0));
  EXPECT_GT(CountPixelsNot(closed, bar0, closed.Pixel(1, 1)), 30);           // caption glyphs
  EXPECT_EQ(CountPixelsNot(closed, Rect(0, 20, 640, 500), clRed), 0);        // canvas under the bar
  EXPECT_EQ(CountPixelsNot(closed, Rect(400, 0, 640, 20), closed.Pixel(1, 1)), 0);  // empty bar
  f.fake.AtNow().Key('F', ssAlt);
  f.fake.RunScript();
  TRect item;
  ASSERT_TRUE(MenuDropDownItemRect(0, 0, &item));
  EXPECT_NE(f.fake.LastFrame().Pixel(item.Left + 2, item.Top + 2), clRed);
  f.fake.AtNow().Key(VK_ESCAPE);
  f.fake.RunScript();
  EXPECT_EQ(f.fake.LastFrame().Pixel(item.Left + 2, item.Top + 2), clRed);
}
