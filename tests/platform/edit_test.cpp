// TEdit: typing and editing keys on CP932 text with the byte limit, the clipboard, the input
// method's composition, focus and text input, mouse selection, and what it paints.
#include "platform/text/edit.h"

#include <gtest/gtest.h>

#include <functional>

#include "app_test_forms.h"
#include "platform/windows/app_internal.h"
#include "platform/text/cp932.h"
#include "support/text.h"

using Log = std::vector<std::string>;

namespace {

// A child form covering the main form with one edit at (100, 100), 200 x 30, shown and so
// focused (with AutoSelect its text is selected).
struct EditFixture : AppFixture {
  RecordingForm form{"form", &main};
  TEdit edit{&form};
  int changes = 0;
  explicit EditFixture(const std::string& utf8 = "", int32_t maxLength = 0) {
    form.SetBounds(0, 0, 640, 480);
    edit.SetBounds(100, 100, 200, 30);
    edit.MaxLength = maxLength;
    edit.SetText(Cp932(utf8));
    edit.OnChange = [this](TEdit*) { ++changes; };
    form.Show();
    app.ProcessMessages();
    form.Log().clear();
  }
  void Run() { fake.RunScript(); }
  // The x of the boundary after `bytes` bytes of the text, in form client coordinates.
  int32_t X(size_t bytes) const {
    return 100 + 4 + TextWidth(edit.Font, edit.Text().data(), int32_t(bytes));
  }
};

}  // namespace

TEST(Edit, TypingAndEditingKeys) {
  struct Case {
    const char* name;
    const char* initial;  // UTF-8; selected at the start
    int32_t maxLength;
    std::function<void(FakeBackend&)> input;
    const char* text;             // UTF-8
    int32_t selStart, selLength;  // bytes
  } cases[] = {
      {"ASCII replaces the selected text", "name", 0,
       [](FakeBackend& k) { k.Text("ab").Text("c"); }, "abc", 3, 0},
      {"Japanese commit", "", 0, [](FakeBackend& k) { k.Text("日本"); }, "日本", 4, 0},
      {"a two-byte character that does not fit whole is refused", "abcd", 5,
       [](FakeBackend& k) { k.Key(VK_END).Text("あ").Text("e").Text("f"); }, "abcde", 5, 0},
      {"committed text is cut at the limit on a character boundary", "", 5,
       [](FakeBackend& k) { k.Text("ab日本"); }, "ab日", 4, 0},
      {"characters CP932 cannot hold are dropped", "", 0, [](FakeBackend& k) { k.Text("a😀한b"); },
       "ab", 2, 0},
      {"Backspace takes a two-byte character whole", "aあい", 0,
       [](FakeBackend& k) { k.Key(VK_END).Key(VK_BACK).Key(VK_BACK); }, "a", 1, 0},
      {"Delete takes a two-byte character whole", "あい", 0,
       [](FakeBackend& k) { k.Key(VK_HOME).Key(VK_DELETE); }, "い", 0, 0},
      {"Backspace and Delete at the ends do nothing", "ab", 0,
       [](FakeBackend& k) { k.Key(VK_HOME).Key(VK_BACK).Key(VK_END).Key(VK_DELETE); }, "ab", 2, 0},
      {"Backspace removes the selection", "abc", 0, [](FakeBackend& k) { k.Key(VK_BACK); }, "", 0,
       0},
      {"Left and Right step over two-byte characters", "あいう", 0,
       [](FakeBackend& k) { k.Key(VK_HOME).Key(VK_RIGHT).Key(VK_RIGHT).Key(VK_LEFT); }, "あいう", 2,
       0},
      {"Shift+arrows select from the caret", "abcd", 0,
       [](FakeBackend& k) { k.Key(VK_END).Key(VK_LEFT, ssShift).Key(VK_LEFT, ssShift); }, "abcd", 2,
       2},
      {"Shift+Home selects to the start; typing replaces it", "abあ", 0,
       [](FakeBackend& k) { k.Key(VK_END).Key(VK_LEFT).Key(VK_HOME, ssShift).Text("Z"); }, "Zあ", 1,
       0},
      {"Left collapses a selection to its start", "abcd", 0,
       [](FakeBackend& k) { k.Key(VK_LEFT).Text("x"); }, "xabcd", 1, 0},
      {"Right collapses a selection to its end", "abcd", 0,
       [](FakeBackend& k) { k.Key(VK_RIGHT).Text("x"); }, "abcdx", 5, 0},
      {"Ctrl+A selects all", "abc", 0, [](FakeBackend& k) { k.Key(VK_HOME).Key('A', ssCtrl); },
       "abc", 0, 3},
      {"paste replaces the selection, drops newlines and characters outside CP932", "xyz", 0,
       [](FakeBackend& k) { k.SetClipboard("a\r\nb😀c").Key('V', ssCtrl); }, "abc", 3, 0},
      {"paste is cut at the limit on a character boundary", "x", 4,
       [](FakeBackend& k) { k.SetClipboard("日本語").Key(VK_END).Key('V', ssCtrl); }, "x日", 3, 0},
      {"Shift+Insert pastes", "", 0,
       [](FakeBackend& k) { k.SetClipboard("名前").Key(VK_INSERT, ssShift); }, "名前", 4, 0},
      {"a full edit refuses a paste", "abc", 3,
       [](FakeBackend& k) { k.SetClipboard("d").Key(VK_END).Key('V', ssCtrl); }, "abc", 3, 0},
  };
  for (const auto& c : cases) {
    EditFixture f(c.initial, c.maxLength);
    c.input(f.fake);
    f.Run();
    EXPECT_EQ(f.edit.Text(), Cp932(c.text)) << c.name;
    EXPECT_EQ(f.edit.SelStart(), c.selStart) << c.name;
    EXPECT_EQ(f.edit.SelLength(), c.selLength) << c.name;
    EXPECT_FALSE(f.edit.Composing()) << c.name;
  }
}

TEST(Edit, CopyAndCutUseTheDesktopClipboardAndChangesAreReported) {
  EditFixture f("名前abc");
  f.fake.Key(VK_HOME).Key(VK_RIGHT, ssShift).Key('C', ssCtrl);
  f.Run();
  EXPECT_EQ(f.fake.Clipboard(), "名");
  EXPECT_EQ(f.changes, 0);
  f.fake.AtNow().Key(VK_END).Key(VK_LEFT, ssShift).Key('X', ssCtrl);
  f.fake.Key(VK_LEFT, ssShift).Key(VK_DELETE, ssShift);  // Shift+Delete cuts too
  f.Run();
  EXPECT_EQ(f.fake.Clipboard(), "b");
  EXPECT_EQ(f.edit.Text(), Cp932("名前a"));
  EXPECT_EQ(f.changes, 2);
  // Keys the edit acts on or that type are its own; Enter, Escape and Tab are the form's.
  f.fake.AtNow().Key('Q').Key(VK_F1).Key(VK_RETURN).Key(VK_ESCAPE);
  f.Run();
  EXPECT_EQ(WithoutPaints(f.form.Log()), (Log{"form: key 112", "form: key 13", "form: key 27"}));
}

TEST(Edit, CompositionIsShownButNotTextUntilCommittedAndOwnsTheKeys) {
  EditFixture f("山田");  // selected
  f.fake.Composition("ｔ").Composition("た").Composition("たろう").Composition("太郎", 0, 2);
  f.fake.Key(VK_RETURN).Key(VK_BACK).Key(VK_LEFT).Key(VK_ESCAPE).Key(VK_TAB);
  f.Run();
  // The composition replaced the selection, and is not in the text.
  EXPECT_TRUE(f.edit.Composing());
  EXPECT_EQ(f.edit.Text(), "");
  EXPECT_TRUE(f.edit.Focused());  // Tab belonged to the input method
  EXPECT_EQ(WithoutPaints(f.form.Log()), Log{});
  f.fake.AtNow().Composition("").Text("太郎").Key(VK_RETURN);
  f.Run();
  EXPECT_FALSE(f.edit.Composing());
  EXPECT_EQ(f.edit.Text(), Cp932("太郎"));
  EXPECT_EQ(WithoutPaints(f.form.Log()), (Log{"form: key 13"}));
  // Losing the focus drops an open composition.
  f.fake.AtNow().Composition("じろう");
  f.Run();
  f.form.Hide();
  EXPECT_FALSE(f.edit.Composing());
  EXPECT_EQ(f.edit.Text(), Cp932("太郎"));
}

TEST(Edit, TextInputIsOnOnlyWhileAnEditHasTheFocusAndFollowsTheCaret) {
  AppFixture a;
  RecordingForm form("form", &a.main);
  form.SetBounds(0, 0, 640, 480);
  TEdit e1(&form), e2(&form);
  e1.SetBounds(100, 100, 200, 30);
  e2.SetBounds(100, 200, 200, 30);
  e1.SetText("abc");
  e2.TabOrder = 1;
  EXPECT_FALSE(a.fake.TextInputOn());  // off at start, and while the form is hidden
  form.Show();
  a.app.ProcessMessages();
  ASSERT_TRUE(e1.Focused());
  EXPECT_EQ(e1.SelLength(), 3);  // AutoSelect
  EXPECT_TRUE(a.fake.TextInputOn());
  const int32_t endX = 100 + 4 + TextWidth(e1.Font, "abc");
  EXPECT_EQ(a.fake.TextInputRect(), Rect(endX, 100, endX + 1, 130));
  a.fake.Key(VK_HOME);
  a.fake.RunScript();
  EXPECT_EQ(a.fake.TextInputRect(), Rect(104, 100, 105, 130));
  a.fake.AtNow().Key(VK_TAB);
  a.fake.RunScript();
  EXPECT_TRUE(e2.Focused());
  EXPECT_TRUE(a.fake.TextInputOn());
  EXPECT_EQ(a.fake.TextInputRect(), Rect(104, 200, 105, 230));
  e2.SetEnabled(false);  // focus lost: off
  EXPECT_FALSE(a.fake.TextInputOn());
  e1.SetFocus();
  EXPECT_TRUE(a.fake.TextInputOn());
  form.Hide();
  EXPECT_FALSE(a.fake.TextInputOn());
  {
    RecordingForm other("other", &a.main);
    TEdit e3(&other);
    other.Show();
    EXPECT_TRUE(a.fake.TextInputOn());
  }
  EXPECT_FALSE(a.fake.TextInputOn());  // a focused edit destroyed
}

TEST(Edit, MousePlacesTheCaretAndDragsSelect) {
  EditFixture f("abあいc");
  // A click focuses without selecting all: the press places the caret at the nearer boundary.
  f.fake.Click(f.X(2) + 1, 115);
  f.Run();
  EXPECT_EQ(f.edit.SelStart(), 2);
  EXPECT_EQ(f.edit.SelLength(), 0);
  f.fake.AtNow().MouseDown(f.X(1), 115).MouseMove(f.X(4) - 1, 115).MouseMove(f.X(6) + 1, 120);
  f.fake.MouseUp(f.X(6) + 1, 120);
  f.Run();
  EXPECT_EQ(f.edit.SelStart(), 1);
  EXPECT_EQ(f.edit.SelLength(), 5);
  f.fake.AtNow().Shift(true).Wait(10).Click(290, 115).Wait(10).Shift(false);  // extends
  f.Run();
  EXPECT_EQ(f.edit.SelStart(), 1);
  EXPECT_EQ(f.edit.SelLength(), 6);
  f.fake.AtNow().Click(10, 10).Text("x");  // a click beside it: the form's; the edit keeps focus
  f.Run();
  EXPECT_EQ(f.edit.Text(), Cp932("ax"));
}

TEST(Edit, PaintsBorderTextSelectionCompositionAndABlinkingCaret) {
  EditFixture f("");
  TEdit other(&f.form);
  other.SetBounds(100, 200, 100, 30);
  f.edit.Font.Height = -20;
  f.edit.Invalidate();
  f.app.ProcessMessages();
  auto px = [&](int32_t x, int32_t y) { return f.fake.ClientPixel(x, y); };
  EXPECT_EQ(px(100, 100), kShadowColor);  // sunken, two pixels
  EXPECT_EQ(px(101, 101), kDarkColor);
  EXPECT_EQ(px(299, 129), kLightColor);
  EXPECT_EQ(px(298, 128), kFaceColor);
  // Empty and focused: only the caret differs from the background. It blinks every 530 ms
  // and shows at once when the caret moves.
  auto caretPixels = [&] {
    return CountPixelsNot(f.fake.LastFrame(), Rect(104, 102, 105, 128), clWhite);
  };
  EXPECT_GT(caretPixels(), 10);
  EXPECT_EQ(CountPixelsNot(f.fake.LastFrame(), Rect(102, 102, 298, 128), clWhite), caretPixels());
  for (int on : {0, 1, 0}) {
    f.fake.RunFor(TEdit::kCaretBlinkMs);
    EXPECT_EQ(caretPixels() > 10, on == 1);
  }
  f.fake.AtNow().Key(VK_HOME);
  f.Run();
  EXPECT_GT(caretPixels(), 10);

  // The selection is drawn in the highlight colour while focused only.
  auto highlighted = [&] {
    int n = 0;
    for (int32_t x = 102; x < 298; ++x) n += px(x, 115) == kHighlightColor;
    return n;
  };
  f.fake.AtNow().Text("ABC").Key('A', ssCtrl);
  f.Run();
  EXPECT_GT(highlighted(), 5);
  other.SetFocus();
  f.app.ProcessMessages();
  EXPECT_EQ(highlighted(), 0);

  // A composition is drawn underlined after the text, and is not part of it.
  f.edit.SetFocus();
  f.fake.AtNow().Key(VK_END).Composition("かな");
  f.Run();
  const int32_t th = TextHeight(f.edit.Font);
  const int32_t underline = 102 + (26 - th) / 2 + th - 1;
  const int32_t from = 104 + TextWidth(f.edit.Font, "ABC");
  const int32_t to = from + TextWidth(f.edit.Font, Cp932("かな").c_str());
  int under = 0;
  for (int32_t x = from; x < to; ++x) under += px(x, underline) == clBlack;
  EXPECT_EQ(under, to - from);
  EXPECT_EQ(f.edit.Text(), "ABC");
}

TEST(Edit, LongTextScrollsToTheCaretAndStaysInsideTheBox) {
  EditFixture f("");
  FillRect(f.form.Canvas(), Rect(0, 0, 640, 480), clRed);
  f.fake.Text("ABCDEFGHIJKLMNOPQRSTUVWXYZABCDEFGHIJKLMNOPQRSTUVWXYZ");
  f.Run();
  f.app.ProcessMessages();
  const TBitmap& p = f.fake.LastFrame();
  // Nothing drawn outside the edit; the caret at the end is inside the text area.
  EXPECT_EQ(CountPixelsNot(p, Rect(300, 100, 640, 130), clRed), 0);
  EXPECT_EQ(CountPixelsNot(p, Rect(0, 100, 100, 130), clRed), 0);
  const int32_t x = f.X(f.edit.Text().size());
  EXPECT_GT(x, 296);  // the unscrolled caret would lie beyond the box
  // The last letter is drawn near the right edge: the text was scrolled.
  EXPECT_GT(CountPixelsNot(p, Rect(270, 102, 296, 128), clWhite), 0);
  f.fake.AtNow().Key(VK_HOME);
  f.Run();
  f.app.ProcessMessages();
  // Back at the start: the first letter "A" is drawn at the left margin.
  EXPECT_GT(CountPixelsNot(f.fake.LastFrame(), Rect(104, 102, 112, 128), clWhite), 0);
}
