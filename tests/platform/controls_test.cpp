// Controls on forms: mouse to the topmost control with the press-to-release grab and clicks,
// keys and text to the focused control, Tab order, focus on show, hide and destruction,
// repaint order, and the idle time of the focused control.
#include "platform/windows/controls.h"

#include <gtest/gtest.h>

#include <memory>

#include "app_test_forms.h"

using Log = std::vector<std::string>;

namespace {

// A control that logs what reaches it into the form's log, as "name: event".
class LogControl : public TControl {
 public:
  LogControl(RecordingForm* form, std::string name, bool windowed, TRect r, int tabOrder = 0)
      : TControl(form), form_(form), name_(std::move(name)), windowed_(windowed) {
    SetBounds(r.Left, r.Top, r.Width(), r.Height());
    TabOrder = tabOrder;
    OnClick = [this](TControl*) { add("click"); };
  }
  bool Windowed() const override { return windowed_; }
  bool takeKeys = false;
  uint32_t idleDue = UINT32_MAX;
  int idles = 0;

  void Paint() override { add("paint"); }
  void MouseDown(TMouseButton b, TShiftState, int32_t x, int32_t y) override {
    add("down " + std::to_string(x) + "," + std::to_string(y) + (Focused() ? " focused" : ""));
  }
  void MouseMove(TShiftState, int32_t x, int32_t y) override {
    add("move " + std::to_string(x) + "," + std::to_string(y));
  }
  void MouseUp(TMouseButton, TShiftState, int32_t x, int32_t y) override {
    add("up " + std::to_string(x) + "," + std::to_string(y));
  }
  void DoEnter() override { add("enter"); }
  void DoExit() override { add("exit"); }
  bool KeyDown(int key, TShiftState) override {
    add("key " + std::to_string(key));
    return takeKeys;
  }
  void KeyUp(int key, TShiftState) override { add("keyup " + std::to_string(key)); }
  void TextInput(const std::string& utf8) override { add("text " + utf8); }
  void TextEditing(const std::string& utf8, int32_t cursor, int32_t length) override {
    add("compose " + utf8 + " " + std::to_string(cursor) + " " + std::to_string(length));
  }
  void Idle() override { ++idles; }
  uint32_t IdleDueInMs() const override { return idleDue; }

 private:
  void add(const std::string& s) { form_->Log().push_back(name_ + ": " + s); }
  RecordingForm* form_;
  std::string name_;
  bool windowed_;
};

// A child form over the main form at (100, 100) with graphic controls g1 and g2, windowed
// controls w1 (tab order 2) and w2 (tab order 1), created in the order g1, w1, g2, w2.
struct ControlsFixture : AppFixture {
  Log log;
  RecordingForm form{"form", &main};
  LogControl g1{&form, "g1", false, Rect(10, 10, 110, 110)};
  LogControl w1{&form, "w1", true, Rect(60, 60, 160, 90), 2};
  LogControl g2{&form, "g2", false, Rect(50, 50, 150, 150)};
  LogControl w2{&form, "w2", true, Rect(200, 10, 300, 40), 1};
  ControlsFixture() {
    main.log = form.log = &log;
    form.SetBounds(100, 100, 400, 300);
    form.Show();
    app.ProcessMessages();
    log.clear();
  }
  void Run() { fake.RunScript(); }
};

}  // namespace

TEST(Controls, MouseGoesToTheTopmostVisibleEnabledControl) {
  struct Case {
    int32_t x, y;         // form client coordinates
    const char* hide;     // a control hidden first
    const char* disable;  // a control disabled first
    const char* expected;
  } cases[] = {
      {20, 20, nullptr, nullptr, "g1: move 10,10"},
      {55, 55, nullptr, nullptr, "g2: move 5,5"},    // g2 lies above g1
      {70, 70, nullptr, nullptr, "w1: move 10,10"},  // windowed above graphic
      {70, 70, "w1", nullptr, "g2: move 20,20"},
      {70, 70, nullptr, "w1", "g2: move 20,20"},
      {55, 55, "g2", nullptr, "g1: move 45,45"},
      {159, 89, nullptr, nullptr, "w1: move 99,29"},  // the last pixel inside
      {120, 90, nullptr, nullptr, "g2: move 70,40"},  // the first row below
      {5, 5, nullptr, nullptr, "form: move 5,5"},
      {5, 5, "g1", nullptr, "form: move 5,5"},
  };
  for (const auto& c : cases) {
    ControlsFixture f;
    auto byName = [&f](const std::string& n) {
      return n == "g1" ? &f.g1 : n == "w1" ? &f.w1 : n == "g2" ? &f.g2 : &f.w2;
    };
    if (c.hide) byName(c.hide)->Hide();
    if (c.disable) byName(c.disable)->SetEnabled(false);
    f.app.ProcessMessages();
    f.log.clear();
    f.fake.MouseMove(100 + c.x, 100 + c.y);
    f.Run();
    EXPECT_EQ(f.log, (Log{c.expected})) << c.x << "," << c.y;
  }
}

TEST(Controls, PressGrabsTheMouseAndReleaseInsideClicks) {
  struct Case {
    const char* name;
    std::function<void(FakeBackend&)> script;  // form client coordinates + (100, 100)
    Log expected;
  } cases[] = {
      {"click",
       [](FakeBackend& k) { k.Click(120, 120); },
       {"g1: down 10,10", "g1: up 10,10", "g1: click"}},
      {"drag out and back",
       [](FakeBackend& k) { k.MouseDown(120, 120).MouseMove(500, 20).MouseUp(115, 118); },
       {"g1: down 10,10", "g1: move 390,-90", "g1: up 5,8", "g1: click"}},
      {"release outside",
       [](FakeBackend& k) { k.MouseDown(120, 120).MouseUp(90, 90); },
       {"g1: down 10,10", "g1: up -20,-20"}},
      {"press on the form, release on a control",
       [](FakeBackend& k) { k.MouseDown(105, 105).MouseUp(120, 120); },
       {"form: down L 5,5", "g1: up 10,10"}},
      {"right button: no grab, no click",
       [](FakeBackend& k) { k.MouseDown(120, 120, mbRight).MouseUp(90, 90, mbRight); },
       {"g1: down 10,10", "main: up R 90,90"}},
      {"press on a windowed control focuses it first",
       [](FakeBackend& k) { k.Click(170, 170); },
       {"w2: exit", "w1: enter", "w1: down 10,10 focused", "w1: up 10,10", "w1: click"}},
  };
  for (const auto& c : cases) {
    ControlsFixture f;
    c.script(f.fake);
    f.Run();
    EXPECT_EQ(f.log, c.expected) << c.name;
    EXPECT_FALSE(f.fake.MouseCaptured()) << c.name;
  }
}

TEST(Controls, AControlHiddenDuringItsPressGetsNoClickAndLetsGo) {
  ControlsFixture f;
  f.fake.MouseDown(120, 120);
  f.Run();
  EXPECT_TRUE(f.fake.MouseCaptured());
  f.g1.Hide();
  EXPECT_FALSE(f.fake.MouseCaptured());
  f.fake.AtNow().MouseUp(120, 120);
  f.Run();
  EXPECT_EQ(WithoutPaints(f.log), (Log{"g1: down 10,10", "form: up L 20,20"}));
}

TEST(Controls, KeysGoToTheFocusedControlThenTheFormAndTabMovesTheFocus) {
  ControlsFixture f;
  // Shown: the first in TabOrder (w2) has the focus.
  EXPECT_EQ(f.form.ActiveControl(), &f.w2);
  EXPECT_TRUE(f.w2.Focused());
  f.w2.takeKeys = true;
  f.fake.Key('A').Key(VK_RETURN).Key(VK_TAB).Key(VK_TAB).Key(VK_TAB, ssShift);
  f.fake.Key(VK_TAB, ssCtrl);
  f.fake.Text("x").Composition("か", 1, 0);
  f.Run();
  // (The test form does not log releases; they reach it as well.)
  EXPECT_EQ(f.log, (Log{"w2: key 65", "w2: keyup 65", "w2: key 13", "w2: keyup 13", "w2: key 9",
                        "w2: keyup 9",  // w2 took the Tab itself
                        "w2: key 9", "w2: keyup 9", "w2: key 9", "w2: keyup 9", "w2: key 9",
                        "w2: keyup 9", "w2: text x", "w2: compose か 1 0"}));
  f.log.clear();
  f.w2.takeKeys = false;
  f.fake.AtNow().Key(VK_RETURN).Key(VK_TAB).Key(VK_TAB).Key(VK_TAB, ssShift).Key(VK_TAB, ssCtrl);
  f.Run();
  // Tab order w2 (1), w1 (2), wrapping; the release goes to the control focused by then.
  EXPECT_EQ(f.log, (Log{"w2: key 13", "form: key 13", "w2: keyup 13", "w2: key 9", "w2: exit",
                        "w1: enter", "w1: keyup 9", "w1: key 9", "w1: exit", "w2: enter",
                        "w2: keyup 9", "w2: key 9", "w2: exit", "w1: enter", "w1: keyup 9",
                        "w1: key 9", "form: key 9", "w1: keyup 9"}));  // Ctrl+Tab: the form's
}

TEST(Controls, FocusFollowsShowHideAndLeavesHiddenOrDestroyedControls) {
  ControlsFixture f;
  f.w1.SetFocus();
  f.form.Hide();
  EXPECT_FALSE(f.w1.Focused());
  EXPECT_EQ(f.form.ActiveControl(), &f.w1);  // kept for the next show
  EXPECT_FALSE(f.w2.SetFocus());             // a hidden form takes no focus
  f.form.Show();
  EXPECT_TRUE(f.w1.Focused());
  f.form.Hide();
  EXPECT_TRUE(f.form.SetActiveControl(&f.w2));
  EXPECT_FALSE(f.form.SetActiveControl(&f.g1));  // graphic controls take no focus
  f.form.Show();
  EXPECT_EQ(WithoutPaints(f.log),
            (Log{"w2: exit", "w1: enter", "w1: exit", "w1: enter", "w1: exit", "w2: enter"}));
  f.log.clear();
  f.w2.Hide();
  EXPECT_EQ(f.form.ActiveControl(), nullptr);
  EXPECT_TRUE(f.form.SelectNext(true));  // w1 is the only one left
  EXPECT_TRUE(f.w1.Focused());
  f.w1.SetEnabled(false);
  EXPECT_FALSE(f.form.SelectNext(true));
  EXPECT_EQ(WithoutPaints(f.log), (Log{"w2: exit", "w1: enter", "w1: exit"}));
  f.log.clear();
  f.fake.AtNow().Key(VK_TAB).Text("t");
  f.Run();
  EXPECT_EQ(WithoutPaints(f.log), (Log{"form: key 9", "form: text t"}));

  // A focused control that is destroyed leaves the form without one, and a control that
  // outlives its form is left without one.
  auto extra = std::make_unique<LogControl>(&f.form, "x", true, Rect(0, 200, 50, 220));
  extra->SetFocus();
  extra.reset();
  EXPECT_EQ(f.form.ActiveControl(), nullptr);
  EXPECT_EQ(f.form.Controls().size(), 4u);
  auto orphan = std::make_unique<LogControl>(nullptr, "o", true, Rect(0, 0, 1, 1));
  {
    RecordingForm gone("gone", &f.main);
    LogControl* c = new LogControl(&gone, "c", true, Rect(0, 0, 10, 10));
    orphan.reset(c);
  }
  EXPECT_EQ(orphan->Parent(), nullptr);
  EXPECT_FALSE(orphan->SetFocus());
  orphan->Invalidate();  // nothing to repaint, no crash
}

TEST(Controls, RepaintPaintsTheFormThenGraphicThenWindowedControls) {
  ControlsFixture f;
  f.g2.Hide();
  f.fake.AtNow().Expose();
  f.Run();
  EXPECT_EQ(f.log, (Log{"main: paint", "form: paint", "g1: paint", "w1: paint", "w2: paint"}));
  // Invalidate repaints that form only, once, at the end of the message processing.
  f.log.clear();
  f.w1.Invalidate();
  f.g1.Invalidate();
  uint64_t frames = f.fake.FrameCount();
  f.app.ProcessMessages();
  EXPECT_EQ(f.log, (Log{"form: paint", "g1: paint", "w1: paint", "w2: paint"}));
  EXPECT_EQ(f.fake.FrameCount(), frames + 1);
  f.log.clear();
  f.app.ProcessMessages();
  EXPECT_EQ(f.log, Log{});
}

TEST(Controls, TheFocusedControlIdlesAndBoundsTheWait) {
  ControlsFixture f;
  f.w2.idleDue = 30;
  f.w1.idleDue = 5;  // not focused: does not count
  uint64_t t0 = f.fake.Elapsed();
  WaitForEvents(1000);
  EXPECT_EQ(f.fake.Elapsed() - t0, 30u);
  f.fake.RunFor(300);
  EXPECT_GE(f.w2.idles, 10);
  EXPECT_EQ(f.w1.idles, 0);
  f.form.Hide();
  int idles = f.w2.idles;
  t0 = f.fake.Elapsed();
  WaitForEvents(1000);
  f.app.ProcessMessages();
  EXPECT_EQ(f.fake.Elapsed() - t0, 1000u);
  EXPECT_EQ(f.w2.idles, idles);
}
