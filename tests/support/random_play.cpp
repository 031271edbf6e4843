#include "support/random_play.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/text/edit.h"
#include "screens/ending.h"
#include "screens/input.h"
#include "screens/option.h"
#include "shell/game_folder.h"

namespace fs = std::filesystem;

namespace {

// MenuRects entries (see TMainFrm::MenuRects).
constexpr int kChoiceFirst = 1, kGameMenuFirst = 4, kSlotFirst = 10, kYes = 16, kNo = 17,
              kTitleMenuFirst = 18;

// Pauses after an action, in virtual ms: mostly a quick player, sometimes one who reads. Every
// virtual second costs some 60 step frames, so the pauses are short.
constexpr uint32_t kPauses[8] = {0, 0, 0, 0, 16, 16, 50, 200};

// Names a player types: kana, kanji, ASCII, half-width kana, a blank and one too long for its
// field.
const char* const kNames[] = {"山田", "花子", "ミラ", "abc", "ｸﾛ", "　",
                              "とてもながいなまえとてもながいなまえとてもながい"};

bool boxOpen(const FakeBackend& fake) {
  // A box's answer is set when it closes; answers are never 0.
  for (const FakeBackend::Box& b : fake.Boxes())
    if (b.answer == 0) return true;
  return false;
}

bool visible(const TForm* f) { return f && f->Visible(); }

}  // namespace

void RandomPlay::Begin() {
  nextAt_ = 0;
  lastState_ = -1;
  endingShown_ = false;
}

void RandomPlay::Observe(const TMainFrm& f) {
  const int32_t s = f.StepState;
  if (s != lastState_) {
    // The confirmation's "はい" is the only way from it into the story.
    if (lastState_ == ssConfirm && s == ssStory)
      ++(f.PrevStepState == ssSaveSlots ? counts_.saves : counts_.loads);
    if (lastState_ == ssTitleMenu && s == ssStory) ++counts_.newGames;
    lastState_ = s;
  }
  const bool ending = visible(f.frmEnding);
  if (ending && !endingShown_) ++counts_.endings;
  endingShown_ = ending;
}

void RandomPlay::Act(FakeBackend& fake, const TMainFrm& form) {
  ++counts_.events;
  fake.AtNow();
  // The pause after the action; an action may choose a longer one.
  nextAt_ = fake.Elapsed() + ms(kPauses[pick(8)]);
  const uint8_t b = byte();
  if (b < 120) {
    aim(fake, form);
  } else if (b < 190) {
    anywhere(fake, b % 4);
  } else if (b < 222) {
    key(fake);
  } else if (b < 246) {
    type(fake);
  } else if (b < 250) {
    // A player who stops to read, or waits out a transition.
    nextAt_ = fake.Elapsed() + ms(500 + 250u * pick(12));
  } else if (b < 252) {
    // The close button, answered either way (a box open takes the press itself).
    const int answer = pick(2) ? IDOK : IDCANCEL;
    if (!boxOpen(fake)) fake.AnswerBox(answer);
    fake.CloseRequest();
  } else {
    fake.Expose();
  }
}

bool RandomPlay::Due(const FakeBackend& fake) const {
  return fake.ScriptPending() == 0 && (fake.Elapsed() >= nextAt_ || boxOpen(fake));
}

void RandomPlay::Close(FakeBackend& fake) {
  fake.AtNow();
  // A second press comes only after a while, as a player's would: the game goes on processing
  // messages while it completes a confirmed close (presses there are ignored).
  nextAt_ = fake.Elapsed() + 1000;
  if (boxOpen(fake)) {
    fake.Key(VK_RETURN);  // the default button: OK, or "はい"
    return;
  }
  if (fake.AnswersQueued() == 0) fake.AnswerBox(IDOK);
  fake.CloseRequest();
}

TPoint RandomPlay::inside(const TRect& r) {
  const int32_t w = r.Right - r.Left, h = r.Bottom - r.Top;
  const int32_t x = r.Left + (w > 2 ? 1 + byte() % (w - 2) : 0);
  const int32_t y = r.Top + (h > 2 ? 1 + byte() % (h - 2) : 0);
  return TPoint{x, y};
}

void RandomPlay::clickIn(FakeBackend& fake, const TRect& r) {
  const TPoint p = inside(r);
  fake.MouseMove(p.x, p.y).Wait(16).Click(p.x, p.y);
}

// An action meant for the screen shown.
void RandomPlay::aim(FakeBackend& fake, const TMainFrm& f) {
  if (boxOpen(fake)) {
    switch (pick(4)) {
      case 0: fake.Key(VK_RETURN); break;
      case 1: fake.Key(VK_ESCAPE); break;
      default: fake.ClickBoxButton(pick(2)); break;
    }
    return;
  }
  if (visible(f.frmInput)) {
    const TfrmInput& in = *f.frmInput;
    switch (pick(6)) {
      case 0: type(fake); break;
      case 1: fake.Key(VK_TAB); break;
      case 2: fake.Key(VK_RETURN); break;
      case 3: fake.Key(VK_BACK); break;
      case 4: clickIn(fake, (pick(2) ? in.edtCharaName1 : in.edtCharaName2)->BoundsRect()); break;
      default: clickIn(fake, in.nlvlIDOK->BoundsRect()); break;
    }
    return;
  }
  if (visible(f.frmOption)) {
    // Mostly the nine labels; now and then the right button, which leaves the screen.
    const int i = pick(11);
    if (i < 9) {
      clickIn(fake, f.frmOption->Selectable()[i]->BoundsRect());
    } else {
      fake.RightClick(320, 240);
    }
    return;
  }
  if (visible(f.frmEnding)) {
    // The roll runs on its own for most of a minute; now and then the player closes the game
    // during it (the roll must stop for the close).
    if (pick(quick_ ? 2 : 6) == 0) {
      fake.AnswerBox(IDOK).CloseRequest();
      return;
    }
    nextAt_ = fake.Elapsed() + ms(2000u * pick(8));
    fake.MouseMove(pick(160), pick(240));
    return;
  }
  switch (f.StepState) {
    case ssTitleMenu: {
      static constexpr int kItems[16] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 2};
      if (pick(8) == 0) {
        fake.RightClick(320, 240);
      } else {
        clickIn(fake, f.MenuRects[kTitleMenuFirst + kItems[pick(16)]]);  // start, continue, quit
      }
      return;
    }
    case ssGameMenu: {
      // Back, save, load, options, title, quit: mostly to the slot screens.
      static constexpr int kItems[32] = {0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 2, 2,
                                         2, 2, 2, 2, 2, 2, 2, 2, 3, 3, 3, 4, 4, 0, 5, 1};
      clickIn(fake, f.MenuRects[kGameMenuFirst + kItems[pick(32)]]);
      return;
    }
    case ssSaveSlots:
    case ssLoadSlots:
    case ssContinueSlots:
      if (pick(10) == 0) {
        fake.RightClick(320, 240);
      } else {
        clickIn(fake, f.MenuRects[kSlotFirst + pick(kSlotCount)]);
      }
      return;
    case ssConfirm:
      clickIn(fake, f.MenuRects[pick(4) == 0 ? kNo : kYes]);
      return;
    case ssStory:
      if (f.TextSubState == tsChoice && pick(4) != 0) {
        clickIn(fake, f.MenuRects[kChoiceFirst + pick(3)]);
        return;
      }
      switch (pick(10)) {
        case 0:
        case 1:
        case 2: fake.RightClick(320, 200); break;  // to the game menu
        case 3: clickIn(fake, pick(2) ? f.BacklogUpRect : f.BacklogDownRect); break;
        case 4: {
          // The left button held: the text runs on.
          const TPoint p = inside(Rect(0, 0, kPlayWidth, kPlayHeight));
          fake.MouseDown(p.x, p.y).Wait(ms(50u * (1 + pick(20)))).MouseUp(p.x, p.y);
          break;
        }
        default: clickIn(fake, Rect(0, 0, kPlayWidth, kPlayHeight)); break;
      }
      return;
    case ssHalted:
      fake.MenuClick(0, 0);  // "タイトル画面に戻る"
      return;
    default:  // the logo, the title, the scene without its window
      clickIn(fake, Rect(0, 0, kPlayWidth, kPlayHeight));
      return;
  }
}

// kind 0: left click, 1: right click, 2: pointer move, 3: the menu bar, the wheel or a
// Shift-held click. Points cover the client area and the menu bar above it.
void RandomPlay::anywhere(FakeBackend& fake, int kind) {
  const int32_t x = byte() * kPlayWidth / 256;
  const int32_t y = byte() * (kPlayHeight + kMenuBarHeight) / 256 - kMenuBarHeight;
  switch (kind) {
    case 0: fake.Click(x, y); return;
    case 1: fake.RightClick(x, y); return;
    case 2: fake.MouseMove(x, y); return;
    default: break;
  }
  switch (pick(4)) {
    case 0: {
      // File: 2 items; display: 8 (the separator among them).
      const int menu = pick(2);
      fake.MenuClick(menu, pick(menu == 0 ? 2 : 8));
      return;
    }
    case 1: fake.MouseMove(x, y).Wheel(int(pick(7)) - 3); return;
    default: fake.Shift(true).Click(x, y).Wait(ms(16 + pick(200))).Shift(false); return;
  }
}

void RandomPlay::key(FakeBackend& fake) {
  constexpr int kF11 = VK_F1 + 10;
  switch (pick(20)) {
    case 0: fake.Key(VK_RETURN); return;
    case 1: fake.Key(VK_SPACE); return;
    case 2: fake.Key(VK_ESCAPE); return;
    case 3: fake.Key(VK_BACK); return;
    case 4: fake.Key(VK_UP); return;
    case 5: fake.Key(VK_DOWN); return;
    case 6: fake.Key(VK_LEFT); return;
    case 7: fake.Key(VK_RIGHT); return;
    case 8: fake.Key(VK_PRIOR); return;
    case 9: fake.Key(VK_NEXT); return;
    case 10: fake.Key(VK_TAB); return;
    case 11: fake.Key('S', ssCtrl); return;  // skip mode
    case 12: fake.Key('A', ssCtrl); return;  // auto mode
    case 13:
      // Ctrl held: the text runs on.
      fake.KeyDown(VK_CONTROL).Wait(ms(50u * (1 + pick(20)))).KeyUp(VK_CONTROL);
      return;
    case 14: fake.Key('F', ssAlt); return;  // opens a drop-down
    case 15: fake.Key(kF11); return;        // full screen and back
    case 16: fake.Key(VK_RETURN, ssAlt); return;
    case 17: fake.Key('1' + pick(3), ssCtrl); return;  // window scale
    case 18: fake.Shift(true).Key(VK_RETURN).Shift(false); return;
    default: fake.Key(VK_DOWN).Wait(30).Key(VK_RETURN); return;  // an item by the keyboard
  }
}

void RandomPlay::type(FakeBackend& fake) {
  const char* name = kNames[pick(sizeof kNames / sizeof kNames[0])];
  if (pick(3) == 0) {
    // Through the input method: a composition, then committed (or abandoned).
    fake.Composition("やまだ").Wait(30).Composition(name, -1, 1).Wait(30).Composition("");
    if (pick(2)) fake.Text(name);
    return;
  }
  fake.Text(name);
}

RandomPlayRun::RandomPlayRun(const std::string& gameDir, RandomPlay& play) : play_(play) {
  SetCommandLine({(fs::path(gameDir) / "miravel").string()});
  app.Title = "";
  form = CreateMainForm();
  app.MainForm = form;
  if (!app.Terminated()) form->Show();
  ++play_.Counts().programs;
  play_.Begin();
}

RandomPlayRun::~RandomPlayRun() {
  fake.OnProcessMessages({});
  delete form;
  form = nullptr;
  SetCommandLine({});
}

bool RandomPlayRun::Play(const std::function<bool()>& more,
                         const std::function<void(const TMainFrm&)>& check,
                         uint64_t limitMs) {
  if (!form || form->StartupFailed || app.Terminated()) return false;
  fake.SetKeptFrames(0);
  fake.SetTimeLimit(fake.Elapsed() + limitMs, [] {});
  bool closing = false;
  fake.OnProcessMessages([&] {
    play_.Observe(*form);
    if (check) check(*form);
    // The fake keeps every box with its picture and every audio call: bounded here.
    if (fake.Boxes().size() > 8 && !boxOpen(fake)) fake.ClearBoxes();
    if (fake.Audio().Calls().size() > 512) fake.Audio().ClearCalls();
    if (!play_.Due(fake)) return;
    if (form->StepState == ssStopped && !boxOpen(fake)) return;  // not started, or over
    if (!closing && more()) {
      play_.Act(fake, *form);
      return;
    }
    closing = true;
    play_.Close(fake);
  });
  fake.RunScript(limitMs + 120000);
  fake.OnProcessMessages({});
  return !fake.TimeLimitHit();
}

std::string CheckSaveFiles(const std::string& gameDir, int nodeCount) {
  std::string problems;
  auto read = [](const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  };
  for (int slot = 1; slot <= kSlotCount; ++slot) {
    const fs::path p = fs::path(gameDir) / ("orxdf0" + std::to_string(slot) + ".svd");
    if (!fs::exists(p)) continue;
    const std::string data = read(p);
    if (data.size() != sizeof(TSaveData)) {
      problems += p.filename().string() + " has " + std::to_string(data.size()) + " bytes; ";
      continue;
    }
    TSaveData save;
    std::memcpy(&save, data.data(), sizeof save);
    if (save.SaveNodeIndex < 0 || save.SaveNodeIndex >= nodeCount)
      problems += p.filename().string() + " names node " + std::to_string(save.SaveNodeIndex) +
                  " of " + std::to_string(nodeCount) + "; ";
  }
  const fs::path flags = fs::path(gameDir) / "orxrf.svd";
  if (fs::exists(flags) && fs::file_size(flags) != sizeof(TReadFlagsData))
    problems += "orxrf.svd has " + std::to_string(fs::file_size(flags)) + " bytes; ";
  return problems;
}

bool CopyGameFolder(const std::string& from, const std::string& to) {
  std::error_code ec;
  fs::create_directories(to, ec);
  fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::overwrite_existing, ec);
  if (ec) return false;
  for (const char* name : {"orxrf.svd", "orxdf01.svd", "orxdf02.svd", "orxdf03.svd",
                           "orxdf04.svd", "orxdf05.svd"})
    fs::remove(fs::path(to) / name, ec);
  return true;
}

bool ValidGameState(const TMainFrm& f) {
  switch (f.StepState) {
    case ssStopped:
    case ssTitle:
    case ssTitleMenu:
    case ssConfirm:
    case ssOptions:
    case ssEnding:
    case ssContinueSlots:
    case ssLogo:
      break;
    case ssStory:
    case ssWindowHidden:
    case ssGameMenu:
    case ssSaveSlots:
    case ssLoadSlots:
    case ssHalted:
      if (!f.TreeViewSinario.Item(f.NodeIndex)) return false;
      break;
    default:
      return false;
  }
  return f.TextSubState == tsTyping || f.TextSubState == tsWaitClick ||
         f.TextSubState == tsChoice;
}
