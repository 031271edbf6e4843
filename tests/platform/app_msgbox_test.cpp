// Modal message boxes: answers by script, keyboard, mouse and default; what is recorded; that the
// box is really drawn; that the nested loop keeps messages going without spinning.
#include <gtest/gtest.h>

#include "app_test_forms.h"
#include "platform/text/cp932.h"

using Log = std::vector<std::string>;
using Answered = FakeBackend::Answered;

enum class Input { kNone, kEnter, kEsc, kSpace, kClick0, kClick1, kRightEnter, kTabTabEnter };

struct BoxCase {
  const char* name;
  unsigned flags;
  int scripted;  // 0: no scripted answer
  Input input;
  int expected;
  Answered how;
};

class AppMsgBox : public ::testing::TestWithParam<BoxCase> {};

TEST_P(AppMsgBox, Answer) {
  const BoxCase& c = GetParam();
  AppFixture f;
  if (c.scripted) f.fake.AnswerBox(c.scripted);
  f.fake.At(f.fake.Elapsed() + 10);
  switch (c.input) {
    case Input::kNone: break;
    case Input::kEnter: f.fake.Key(VK_RETURN); break;
    case Input::kEsc: f.fake.Key(VK_ESCAPE); break;
    case Input::kSpace: f.fake.Key(VK_SPACE); break;
    case Input::kClick0: f.fake.ClickBoxButton(0); break;
    case Input::kClick1: f.fake.ClickBoxButton(1); break;
    case Input::kRightEnter: f.fake.Key(VK_RIGHT).Key(VK_RETURN); break;
    case Input::kTabTabEnter: f.fake.Key(VK_TAB).Key(VK_TAB).Key(VK_RETURN); break;
  }
  int r = MessageBoxA(&f.main, "text", "caption", c.flags);
  EXPECT_EQ(r, c.expected);
  ASSERT_EQ(f.fake.Boxes().size(), 1u);
  EXPECT_EQ(f.fake.Boxes()[0].answer, c.expected);
  EXPECT_EQ(f.fake.Boxes()[0].how, c.how);
  EXPECT_EQ(f.fake.Boxes()[0].flags, c.flags);
  EXPECT_EQ(OpenMessageBoxCount(), 0);
  // A scripted answer leaves the scripted keys for the program.
  if (c.scripted && c.input != Input::kNone) {
    EXPECT_GT(f.fake.ScriptPending(), 0u);
  }
}

INSTANTIATE_TEST_SUITE_P(
    App, AppMsgBox,
    ::testing::Values(
        BoxCase{"ScriptOk", MB_OK, IDOK, Input::kNone, IDOK, Answered::kScript},
        BoxCase{"ScriptBeatsKeys", MB_YESNO, IDNO, Input::kEnter, IDNO, Answered::kScript},
        BoxCase{"EnterOkCancel", MB_OKCANCEL, 0, Input::kEnter, IDOK, Answered::kInput},
        BoxCase{"EnterYesNo", MB_YESNO, 0, Input::kEnter, IDYES, Answered::kInput},
        BoxCase{"SpaceYesNo", MB_YESNO, 0, Input::kSpace, IDYES, Answered::kInput},
        BoxCase{"EscOkCancel", MB_OKCANCEL, 0, Input::kEsc, IDCANCEL, Answered::kInput},
        BoxCase{"EscYesNo", MB_YESNO, 0, Input::kEsc, IDNO, Answered::kInput},
        BoxCase{"EscOk", MB_OK, 0, Input::kEsc, IDOK, Answered::kInput},
        BoxCase{"ClickCancel", MB_OKCANCEL, 0, Input::kClick1, IDCANCEL, Answered::kInput},
        BoxCase{"ClickYes", MB_YESNO, 0, Input::kClick0, IDYES, Answered::kInput},
        BoxCase{"ClickNo", MB_YESNO | MB_ICONQUESTION, 0, Input::kClick1, IDNO,
                Answered::kInput},
        BoxCase{"ArrowMovesFocus", MB_YESNO, 0, Input::kRightEnter, IDNO, Answered::kInput},
        BoxCase{"TabWraps", MB_OKCANCEL, 0, Input::kTabTabEnter, IDOK, Answered::kInput},
        BoxCase{"QuitBoxDefault", MB_OKCANCEL | MB_ICONQUESTION | MB_SYSTEMMODAL, 0,
                Input::kNone, IDOK, Answered::kDefault},
        BoxCase{"YesNoDefault", MB_YESNO, 0, Input::kNone, IDYES, Answered::kDefault}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AppMsgBoxRecord, CaptionAndTextAreRecordedAsCp932) {
  AppFixture f;
  f.fake.AnswerBox(IDOK).AnswerBox(IDOK);
  MessageBoxA(&f.main, SJ("本当に終了してよろしいですか？"), SJ("終了？"),
              MB_OKCANCEL | MB_ICONQUESTION | MB_SYSTEMMODAL);
  MessageBoxA(nullptr, SJ("保存に失敗しました"), nullptr, MB_OK);
  ASSERT_EQ(f.fake.Boxes().size(), 2u);
  EXPECT_EQ(f.fake.Boxes()[0].caption, SJ("終了？"));
  EXPECT_EQ(f.fake.Boxes()[0].text, SJ("本当に終了してよろしいですか？"));
  EXPECT_EQ(f.fake.Boxes()[0].flags, 0x1021u);
  EXPECT_EQ(f.fake.Boxes()[1].caption, SJ("エラー"));  // no caption given
  EXPECT_EQ(f.fake.Boxes()[1].text, SJ("保存に失敗しました"));
}

// Pixels that are clearly dark: text and outlines, not the grey face.
int countDark(const TBitmap& b, const TRect& r) {
  return CountPixelsIf(
      b, r, [](TColor c) { return GetRValue(c) < 90 && GetGValue(c) < 90 && GetBValue(c) < 90; });
}

TEST(AppMsgBoxRecord, JapaneseTextPutsGlyphsOnTheWindowPicture) {
  AppFixture f;
  FillRect(f.main.Canvas(), Rect(0, 0, 640, 480), clWhite);
  f.fake.AnswerBox(IDOK).AnswerBox(IDOK);
  MessageBoxA(&f.main, "", SJ("確認"), MB_OK);
  MessageBoxA(&f.main, SJ("ゲームを中断しタイトル画面に戻りますか？"), SJ("確認"), MB_OK);
  const TBitmap& empty = f.fake.Boxes()[0].picture;
  const TBitmap& text = f.fake.Boxes()[1].picture;
  ASSERT_EQ(text.Width(), 640);
  ASSERT_EQ(text.Height(), 480);  // no menu: the client area only
  TRect all = Rect(0, 0, 640, 480);
  int glyphs = countDark(text, all) - countDark(empty, all);
  // Twenty characters of 12-pixel text leave hundreds of dark pixels.
  EXPECT_GT(glyphs, 300) << "the box text was not drawn";
  // After the box the window shows the form again.
  EXPECT_EQ(CountPixelsNot(f.fake.LastFrame(), all, clWhite), 0);
}

TEST(AppMsgBoxLoop, PostedMessagesRunButInputGoesOnlyToTheBox) {
  AppFixture f;
  int boxesSeen = -1;
  f.main.onMessage = [&](TMessage& m) {
    if (m.Msg == WM_APP) boxesSeen = OpenMessageBoxCount();
  };
  f.app.PostMessage(&f.main, WM_APP, 0, 0);
  f.fake.At(f.fake.Elapsed() + 5).Click(100, 100).Key('X').Wait(5).Key(VK_ESCAPE);
  EXPECT_EQ(MessageBoxA(&f.main, "t", "c", MB_YESNO), IDNO);
  EXPECT_EQ(boxesSeen, 1);
  EXPECT_EQ(f.main.Log(), (Log{"main: msg 8000 0 0"}));  // no click, no key
}

TEST(AppMsgBoxLoop, WaitingDoesNotSpin) {
  AppFixture f;
  f.fake.At(f.fake.Elapsed() + 5000).Key(VK_RETURN);
  uint64_t before = f.fake.ProcessMessagesCount();
  EXPECT_EQ(MessageBoxA(&f.main, "t", "c", MB_OK), IDOK);
  EXPECT_GE(f.fake.Elapsed(), 5000u);
  EXPECT_LT(f.fake.ProcessMessagesCount() - before, 300u);
}

TEST(AppMsgBoxLoop, NestedBoxTakesInputFirst) {
  AppFixture f;
  int inner = 0;
  f.main.onMessage = [&](TMessage& m) {
    if (m.Msg == WM_APP) inner = MessageBoxA(&f.main, "inner", "c", MB_OKCANCEL);
  };
  f.app.PostMessage(&f.main, WM_APP, 0, 0);
  f.fake.At(f.fake.Elapsed() + 10).Key(VK_RETURN).Wait(10).Key(VK_ESCAPE);
  int outer = MessageBoxA(&f.main, "outer", "c", MB_OKCANCEL);
  EXPECT_EQ(inner, IDOK);
  EXPECT_EQ(outer, IDCANCEL);
  ASSERT_EQ(f.fake.Boxes().size(), 2u);
  EXPECT_EQ(f.fake.Boxes()[0].text, "outer");
  EXPECT_EQ(f.fake.Boxes()[1].text, "inner");
}

TEST(AppMsgBoxLoop, PressOnAButtonAndReleaseElsewhereDoesNotAnswer) {
  AppFixture f;
  bool scripted = false;
  f.fake.OnProcessMessages([&] {
    TRect r;
    if (scripted || !MessageBoxButtonRect(1, &r)) return;
    scripted = true;
    f.fake.AtNow()
        .WindowMouseDown((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2)
        .WindowMouseMove(5, 5)
        .WindowMouseUp(5, 5)
        .Wait(10)
        .Key(VK_RETURN);  // the press moved the focus to "No"
  });
  EXPECT_EQ(MessageBoxA(&f.main, "t", "c", MB_YESNO), IDNO);
  EXPECT_TRUE(scripted);
  EXPECT_EQ(f.fake.Boxes()[0].how, Answered::kInput);
}

TEST(AppMsgBoxLoop, BoxBeforeTheWindowIsShownAppearsAndGoesAgain) {
  FakeBackend fake;
  TApplication app;
  RecordingForm main("main");
  app.MainForm = &main;
  fake.AnswerBox(IDOK);
  // A start-up error is reported before the form is shown.
  MessageBoxA(&main, SJ("セーブファイルエラー<Error 4>"), SJ("エラーがありました"), MB_OK);
  EXPECT_FALSE(fake.Boxes()[0].picture.Empty());
  EXPECT_FALSE(fake.WindowVisible());
}

TEST(AppMsgBoxLoop, WindowCloseButtonIsIgnoredWhileABoxIsOpen) {
  AppFixture f;
  f.fake.At(f.fake.Elapsed() + 5).CloseRequest().Wait(5).Key(VK_RETURN);
  EXPECT_EQ(MessageBoxA(&f.main, "t", "c", MB_OK), IDOK);
  EXPECT_EQ(f.main.closeQueries, 0);
  EXPECT_TRUE(f.main.Visible());
}
