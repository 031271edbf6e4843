// DrawMenu on its own: the strict hit tests of every kind of menu, the texts and fonts it draws,
// the choice lines limited by the node's children, and the slot captions and outlines.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/text/cp932.h"
#include "platform/text/text.h"
#include "support/picture_game.h"

namespace {

constexpr TColor kBack = RGB(40, 40, 40);

class Menus : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(g.f, nullptr);
    ASSERT_TRUE(g.SetScene(PictureGame::Solid(kBack)));
  }
  void mouseAt(int32_t x, int32_t y) {
    g.h.fake.AtNow().SetCursor(x, y);
    g.h.app.ProcessMessages();
  }
  // What DrawMenu(kind) returns with the mouse at (x, y), drawn over a fresh scene.
  int itemAt(int kind, int32_t x, int32_t y) {
    mouseAt(x, y);
    g.sp().DrawToBkGnd(false);
    return g.f->DrawMenu(kind);
  }
  // BkGnd of the fresh scene with text drawn as DoDrawText draws it: the reference picture.
  TBitmap expected(const TRect& r, const char* text, bool hot, bool center) {
    g.sp().DrawToBkGnd(false);
    TRect rr = r;
    g.sp().DoDrawText(1, rr, text, hot ? g.f->MenuHotFont : g.f->MenuFont, center);
    TBitmap out = g.sp().BkGnd;
    g.sp().DrawToBkGnd(false);
    return out;
  }
  static bool sameIn(const TBitmap& a, const TBitmap& b, const TRect& r) {
    for (int32_t y = r.Top; y < r.Bottom; ++y)
      for (int32_t x = r.Left; x < r.Right; ++x)
        if (a.Pixel(x, y) != b.Pixel(x, y)) return false;
    return true;
  }
  PictureGame g;
};

}  // namespace

TEST_F(Menus, HitTestsAreStrict) {
  struct Case {
    int kind;
    int32_t x, y;
    int item;
  } cases[] = {
      // title menu item 1 (180, 250, 460, 274)
      {ssTitleMenu, 181, 262, 1}, {ssTitleMenu, 180, 262, 0}, {ssTitleMenu, 459, 262, 1},
      {ssTitleMenu, 460, 262, 0}, {ssTitleMenu, 300, 250, 0}, {ssTitleMenu, 300, 251, 1},
      {ssTitleMenu, 300, 273, 1}, {ssTitleMenu, 300, 274, 0}, {ssTitleMenu, 300, 400, 3},
      {ssTitleMenu, 300, 300, 0},
      // the in-game menu's first item is 26 pixels high, the others 24
      {ssGameMenu, 300, 41, 1}, {ssGameMenu, 300, 65, 1}, {ssGameMenu, 300, 66, 0},
      {ssGameMenu, 300, 110, 0}, {ssGameMenu, 300, 111, 2}, {ssGameMenu, 300, 133, 2},
      {ssGameMenu, 300, 134, 0}, {ssGameMenu, 300, 400, 6},
      // confirmation: the box is never an item; yes (220, 290, 300, 314), no (340, 290, 460, 314)
      {ssConfirm, 300, 200, 0}, {ssConfirm, 221, 291, 1}, {ssConfirm, 220, 300, 0},
      {ssConfirm, 299, 313, 1}, {ssConfirm, 341, 300, 2}, {ssConfirm, 460, 300, 0},
      // slots (2, 2, 638, 95), (2, 97, 638, 191), ...
      {ssSaveSlots, 3, 3, 1}, {ssSaveSlots, 2, 50, 0}, {ssLoadSlots, 300, 95, 0},
      {ssLoadSlots, 300, 96, 0}, {ssContinueSlots, 300, 98, 2}, {ssContinueSlots, 637, 478, 5},
      {ssContinueSlots, 300, 479, 0},
      // kinds without a screen
      {0, 300, 262, 0}, {ssTitle, 300, 262, 0}, {ssLogo, 300, 262, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.kind << " at " << c.x << "," << c.y);
    EXPECT_EQ(itemAt(c.kind, c.x, c.y), c.item);
  }
}

TEST_F(Menus, TextsAndTheHoveredFont) {
  struct Case {
    int kind, rect;
    const char* text;
    bool hot;
  } cases[] = {
      {ssTitleMenu, 18, "はじめから", true},
      {ssTitleMenu, 19, "つづきから", false},
      {ssTitleMenu, 20, "ゲーム終了", false},
      {ssGameMenu, 4, "戻る", false},
      {ssGameMenu, 5, "セーブ", true},
      {ssGameMenu, 6, "ロード", false},
      {ssGameMenu, 7, "オプション", false},
      {ssGameMenu, 8, "タイトル画面に戻る", false},
      {ssGameMenu, 9, "ゲームを終了する", false},
      {ssConfirm, 16, "はい", false},
      {ssConfirm, 17, "いいえ", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    // The hovered item of each case is the one named hot; otherwise the mouse is elsewhere.
    TPoint mouse{2, 2};
    if (c.hot) {
      const TRect& r = g.f->MenuRects[c.rect];
      mouse = TPoint{(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
    }
    TBitmap want = expected(g.f->MenuRects[c.rect], SJ(c.text), c.hot, true);
    itemAt(c.kind, mouse.x, mouse.y);
    TRect area = g.f->MenuRects[c.rect];
    area = Rect(area.Left - 2, area.Top - 2, area.Right + 2, area.Bottom + 2);
    EXPECT_TRUE(sameIn(g.sp().BkGnd, want, area));
  }
}

TEST_F(Menus, ConfirmationShowsItsPromptInTheBox) {
  std::strcpy(g.f->ConfirmText, SJ("3番のデータから読みこみます"));
  TBitmap want = expected(g.f->MenuRects[15], g.f->ConfirmText, false, true);
  // Even with the mouse on the box the prompt is not highlighted.
  EXPECT_EQ(itemAt(ssConfirm, 300, 200), 0);
  EXPECT_TRUE(sameIn(g.sp().BkGnd, want, Rect(118, 148, 522, 246)));
}

TEST_F(Menus, ChoiceLinesFollowTheChildrenOfTheNode) {
  // A node with two children: two answer lines, the third neither drawn nor selectable.
  TNodeTree& tree = g.f->TreeViewSinario;
  tree.Clear();
  TScenarioNode* root = tree.AddChild(nullptr, "");
  tree.AddChild(root, SJ("左の道"));
  tree.AddChild(root, SJ("右の道"));
  g.f->NodeIndex = 0;
  std::strcpy(g.f->SelectText[0], "Which way?");
  std::strcpy(g.f->SelectText[1], "Left");
  g.f->SelectText[2][0] = 0;  // the second child's title is shown instead
  std::strcpy(g.f->SelectText[3], "never shown");

  // The reference: the question and both answers, the second hovered.
  g.sp().DrawToBkGnd(false);
  struct Line {
    int rect;
    const char* text;
    bool hot;
  } lines[] = {{0, "Which way?", false}, {1, "Left", false}, {2, SJ("右の道"), true}};
  for (const Line& l : lines) {
    TRect r = g.f->MenuRects[l.rect];
    g.sp().DoDrawText(1, r, l.text, l.hot ? g.f->MenuHotFont : g.f->MenuFont, false);
  }
  TBitmap want = g.sp().BkGnd;

  const TRect line2 = g.f->MenuRects[2];
  EXPECT_EQ(itemAt(ssStory, 300, (line2.Top + line2.Bottom) / 2), 2);
  EXPECT_TRUE(sameIn(g.sp().BkGnd, want, Rect(0, 340, 640, 480)));

  const TRect line3 = g.f->MenuRects[3];
  EXPECT_EQ(itemAt(ssStory, 300, (line3.Top + line3.Bottom) / 2), 0);
  EXPECT_TRUE(sameIn(g.sp().BkGnd, g.sp().Temp, Rect(0, line3.Top + 4, 640, 480)));

  // A node without children offers nothing; a node index that names none as well.
  g.f->NodeIndex = 1;
  EXPECT_EQ(itemAt(ssStory, 300, (g.f->MenuRects[1].Top + g.f->MenuRects[1].Bottom) / 2), 0);
  g.f->NodeIndex = 50;
  EXPECT_EQ(itemAt(ssStory, 300, (g.f->MenuRects[1].Top + g.f->MenuRects[1].Bottom) / 2), 0);
}

TEST_F(Menus, SlotCaptionsAndOutlines) {
  TSaveData& s = g.f->SlotCache[1];
  s.SaveYear = 2024;
  s.SaveMonth = 4;
  s.SaveDay = 1;
  s.SaveHour = 9;
  s.SaveMinute = 5;
  std::strcpy(s.SaveTitle, SJ("第二章"));
  // Slot 4 holds a title that fills its field without a terminator.
  std::memset(g.f->SlotCache[3].SaveTitle, 'A', sizeof g.f->SlotCache[3].SaveTitle);

  const TRect slot2 = g.f->MenuRects[11];
  TBitmap want = expected(slot2, SJ("\n　　2024年04月01日09時05分\n第二章"), true, true);
  TBitmap never = expected(g.f->MenuRects[10],
                           SJ("\n　　0000年00月00日00時00分\n"), false, true);
  EXPECT_EQ(itemAt(ssSaveSlots, 300, 150), 2);
  const TBitmap& bk = g.sp().BkGnd;
  EXPECT_TRUE(sameIn(bk, want, Rect(6, 100, 634, 186)));
  // The outline runs on the rectangle's edges with a 2-pixel pen: yellow around the hovered
  // slot, white around the others.
  struct Probe {
    int32_t x, y;
    TColor c;
  } probes[] = {
      {300, slot2.Top, clYellow},        {300, slot2.Bottom - 1, clYellow},
      {slot2.Left, 150, clYellow},       {slot2.Right - 1, 150, clYellow},
      {300, slot2.Top + 3, kBack},       {300, 2, clWhite},
      {2, 50, clWhite},                  {637, 50, clWhite},
      {300, 478, clWhite},               {300, 97 - 4, clWhite},
  };
  for (const Probe& p : probes) {
    SCOPED_TRACE(testing::Message() << p.x << "," << p.y);
    EXPECT_EQ(bk.Pixel(p.x, p.y), p.c);
  }
  // The never-saved slot shows zeros and no title.
  itemAt(ssSaveSlots, 1, 1);
  EXPECT_TRUE(sameIn(g.sp().BkGnd, never, Rect(6, 6, 634, 90)));
}

// A menu drawn again and again over the same scene is left out once drawing it changes nothing
// more; the picture must stay exactly what drawing it would give, and any change (another item
// under the mouse, a write to the scene) draws it again.
TEST_F(Menus, RepeatedDrawingIsLeftOutOnlyWhileItWouldChangeNothing) {
  struct Case {
    int kind;
    int32_t x, y;  // the mouse over an item
  } cases[] = {{ssGameMenu, 320, 122}, {ssTitleMenu, 320, 262}, {ssLoadSlots, 320, 50}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    mouseAt(c.x, c.y);
    g.sp().DrawToBkGnd(false);
    TSplPaint& sp = g.sp();
    const int item = g.f->DrawMenu(c.kind);
    ASSERT_GT(item, 0);
    int frames = 0;
    while (!g.f->menuMemo.settled && frames < 400) {
      EXPECT_EQ(g.f->DrawMenu(c.kind), item);
      ++frames;
    }
    ASSERT_TRUE(g.f->menuMemo.settled) << "drawing over itself never stopped changing";
    const uint64_t generation = sp.BkGnd.Generation();
    EXPECT_EQ(g.f->DrawMenu(c.kind), item) << "the hit test still answers";
    EXPECT_EQ(sp.BkGnd.Generation(), generation) << "nothing drawn";

    // Drawing it anyway gives the same pixels.
    const TBitmap settled = sp.BkGnd;
    g.f->menuMemo = TMainFrm::MenuMemo{};
    g.f->DrawMenu(c.kind);
    EXPECT_EQ(std::memcmp(static_cast<const TBitmap&>(sp.BkGnd).Bits(), settled.Bits(),
                          settled.ByteSize()),
              0);

    // Another item under the mouse, or a write to the scene, draws again.
    mouseAt(0, 0);
    EXPECT_EQ(g.f->DrawMenu(c.kind), 0);
    EXPECT_FALSE(g.f->menuMemo.settled);
    for (int i = 0; i < 400 && !g.f->menuMemo.settled; ++i) g.f->DrawMenu(c.kind);
    sp.BkGnd.SetPixel(0, 0, clRed);
    const uint64_t written = sp.BkGnd.Generation();
    g.f->DrawMenu(c.kind);
    EXPECT_NE(sp.BkGnd.Generation(), written) << "a scene written meanwhile is drawn on again";
  }
}
