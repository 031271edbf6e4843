// The game loop and the step machine that drives the whole game.
//
// RunGameLoop runs for the whole game on the one GUI thread: it calls GameStep again and again
// and lets pending messages through between the calls. GameStep fetches and interprets the next
// script line when one is due, then works frames of at least 16 ms of the current state until
// that state asks to return. Mouse handlers and menu commands run inside the message processing
// of a frame; StepBusy marks the part of a frame after the pacing, while the state is worked.
#include <cstdio>
#include <cstring>
#include <optional>

#include "paint/splpaint.h"
#include "platform/windows/app.h"
#include "platform/text/cp932.h"
#include "screens/ending.h"
#include "screens/input.h"
#include "screens/option.h"
#include "shell/main_form.h"

namespace {

// The shortest time from the start of one step frame to the start of the next.
constexpr uint32_t kStepFrameMs = 16;
constexpr int kLogoPasses = 100;
constexpr uint32_t kLogoPassMs = 10;
// How long the outer loop waits for an event while the step has nothing to do (a sub-screen is
// open). Short enough that a hidden sub-screen is noticed at once.
constexpr uint32_t kStepIdleWaitMs = 10;

// Shift held fast-forwards; Ctrl does the same.
bool shiftHeld() {
  return ((GetAsyncKeyState(VK_SHIFT) | GetAsyncKeyState(VK_CONTROL)) & 0x8000) != 0;
}

void processMessages() {
  if (Application) Application->ProcessMessages();
}

}  // namespace

bool TMainFrm::subFormVisible() const {
  return (frmOption && frmOption->Visible()) || (frmEnding && frmEnding->Visible()) ||
         (frmInput && frmInput->Visible());
}

void TMainFrm::RunGameLoop() {
  if (splPaintView) {
    // Every surface white; the logo waits in OrgBkGnd as the target of the fade-in.
    splPaintView->FillBkWhite(true);
    if (!splPaintView->LoadBkGnd(LogoPath, true, 0) && splPaintView->BkGnd.Width() == 0) {
      // No logo could be loaded and the surfaces hold no picture yet: they get a black picture
      // of the play area's size, so that the title menu can still be drawn and the game
      // started when the title picture cannot be loaded either.
      const TBitmap black(kPlayWidth, kPlayHeight);
      splPaintView->SetBkGnd(&black, true);
    }
    splPaintView->FillBkWhite(false);
  }
  resetStepCursor();
  NodeIndex = 0;
  TextSubState = tsTyping;
  StepState = ssLogo;

  bool stop = false;
  while (StepState != ssStopped && !stop) {
    GameStep(stop);
    processMessages();
    playModesFrame();
    // A window closed by other means than the close confirmation ends the game as well.
    if (Application && Application->Terminated()) break;
    // While a sub-screen is open the step returns at once; wait for input instead of spinning.
    if (stepIdle && !stop) WaitForEvents(kStepIdleWaitMs);
  }
  processMessages();
  StepState = ssStopped;
}

void TMainFrm::GameStep(bool& stop) {
  stop = false;
  stepIdle = 0;
  if (StepState == ssStopped) return;
  if (!splPaintView || StepBusy || (splPaintView && splPaintView->Loading) || subFormVisible()) {
    stepIdle = 1;
    return;
  }

  char line[kLineBytes];
  std::memset(line, 0, sizeof line);
  if (NeedNextLine) {
    NeedNextLine = 0;
    if (!FetchNextLine(line, sizeof line)) {
      ReportError(ecNodeNotFound);
      stop = true;
      return;
    }
    if (ExecuteCommand(line)) {
      NeedNextLine = 1;
      return;
    }
    if (line[0]) {
      char expanded[kLineBytes];
      std::memset(expanded, 0, sizeof expanded);
      ExpandNames(expanded, sizeof expanded, line);
      CopyCut(line, sizeof line, expanded);
      if (Backlog) Backlog->Add(line);
    }
    lineFetched(line);
    if (splPaintView) splPaintView->DrawToScreen(true);
  }

  for (;;) {
    if (stop) return;
    if (StepState == ssStopped) {
      stop = true;
      return;
    }
    FrameTime = timeGetTime();
    processMessages();
    // Frames are at least 16 ms apart. The difference is taken unsigned so that the wrap of the
    // millisecond clock neither skips nor stretches a frame. The time is read before each 1 ms
    // sleep, as a loop of 1 ms sleeps would; all but the last millisecond of the wait is slept
    // in one call, so that a waiting game does not wake the processor every millisecond.
    while (LastFrameTime != 0 && FrameTime - LastFrameTime < kStepFrameMs) {
      FrameTime = timeGetTime();
      const uint32_t since = FrameTime - LastFrameTime;
      if (since + 1 < kStepFrameMs) {
        Sleep(kStepFrameMs - 1 - since);
        FrameTime = timeGetTime();
      }
      Sleep(1);
    }
    LastFrameTime = FrameTime;

    StepBusy = 1;
    bool done = false;
    switch (StepState) {
      case ssLogo: done = stepLogo(stop); break;
      case ssTitle: done = stepTitle(stop); break;
      case ssTitleMenu: done = stepTitleMenu(stop); break;
      case ssSaveSlots:
      case ssLoadSlots:
      case ssContinueSlots: done = stepSlots(stop); break;
      case ssConfirm: done = stepConfirm(stop); break;
      case ssStory: done = stepStory(line, stop); break;
      case ssWindowHidden: done = stepWindowHidden(stop); break;
      case ssGameMenu: done = stepGameMenu(stop); break;
      case ssOptions: done = stepOptions(stop); break;
      case ssEnding: done = stepEnding(stop); break;
      case ssHalted: done = stepHalted(stop); break;
      default: break;  // ssStopped (checked above) or a value no state has
    }
    StepBusy = 0;
    playModesFrame();
    if (done) return;
  }
}

// ---- menu screens ---------------------------------------------------------------------------

std::optional<int> TMainFrm::takeMenuClick(int kind) {
  const int item = DrawMenu(kind);
  if (!ClickPending) {
    splPaintView->DrawToScreen(true);
    return std::nullopt;
  }
  ClickPending = 0;
  return item;
}

void TMainFrm::openMenuScreen(int32_t from, int32_t to) {
  TSplPaint& sp = *splPaintView;
  PrevStepState = from;
  StepState = to;
  sp.DrawToBkGnd(false);
  sp.RGBScreen(kMenuDarken);
  sp.DrawToScreen(true);
}

// ---- states ---------------------------------------------------------------------------------

bool TMainFrm::stepLogo(bool& stop) {
  if (!splPaintView) {
    StepState = ssTitle;
    return true;
  }
  TSplPaint& sp = *splPaintView;
  FadeInScreen(fkWhiteContrast);
  sp.DrawToScreen(true);
  for (int pass = 0; pass < kLogoPasses; ++pass) {
    Sleep(kLogoPassMs);
    processMessages();
    // A click (once the fade-in is over) skips to the title picture without the fade-out.
    if (StepState == ssTitle) {
      sp.LoadBkGnd(TitlePath, true, 0);
      sp.DrawToScreen(true);
      return true;
    }
    // The window was closed meanwhile: nothing more is shown.
    if (StepState == ssStopped) {
      stop = true;
      return true;
    }
  }
  FadeOutScreen(fkWhiteContrast, true);
  sp.DrawToScreen(true);
  if (StepState != ssTitle) {
    StepState = ssTitle;
    sp.LoadBkGnd(TitlePath, true, 0);
    FadeInScreen(fkWhiteContrast);
  } else {
    sp.LoadBkGnd(TitlePath, true, 0);
  }
  sp.DrawToScreen(true);
  return true;
}

bool TMainFrm::stepTitle(bool&) {
  FadeDone = 1;
  if (splPaintView) splPaintView->DrawToScreen(true);
  return true;
}

bool TMainFrm::stepTitleMenu(bool&) {
  TSplPaint& sp = *splPaintView;
  const std::optional<int> item = takeMenuClick(ssTitleMenu);
  if (!item) return false;
  TextPos = 0;
  switch (*item) {
    case 1:  // from the beginning
      FadeOutScreen(readGrpInt("STARTFADEOUT", fkWhite), true);
      sp.DrawToScreen(true);
      ClearChoiceTexts();
      // A new game starts with no flag set, whatever an earlier play in this session left.
      std::memset(SaveData.Flags, 0, sizeof SaveData.Flags);
      NeedNextLine = 1;
      ClickMarkShown = 0;
      PrevStepState = ssTitleMenu;
      StepState = ssStory;
      TextSubState = tsTyping;
      sp.DrawToBkGnd(false);
      ReadFlags.PlayCount = static_cast<int16_t>(ReadFlags.PlayCount + 1);
      if (Backlog) Backlog->Clear();
      BacklogPos = -1;
      return true;
    case 2:  // continue
      ClearChoiceTexts();
      ReadSlotHeaders();
      openMenuScreen(ssTitleMenu, ssContinueSlots);
      return false;
    case 3:  // quit
      QuitGame();
      Sleep(0);
      sp.DrawToScreen(true);
      return false;
    default:
      sp.DrawToScreen(true);
      return false;
  }
}

bool TMainFrm::stepSlots(bool&) {
  const std::optional<int> clicked = takeMenuClick(StepState);
  if (!clicked) return false;
  const int item = *clicked;
  TextPos = 0;
  std::memset(ConfirmText, 0, sizeof ConfirmText);
  const char* format = StepState == ssSaveSlots ? SJ("%d番のデータに上書き保存します")
                                                : SJ("%d番のデータから読みこみます");
  std::snprintf(ConfirmText, sizeof ConfirmText, format, item);
  SelectedSlot = static_cast<int16_t>(item);
  if (item != 0) {
    openMenuScreen(StepState, ssConfirm);
    return true;
  }
  splPaintView->DrawToScreen(true);
  return false;
}

bool TMainFrm::stepConfirm(bool&) {
  TSplPaint& sp = *splPaintView;
  const std::optional<int> item = takeMenuClick(ssConfirm);
  if (!item) return false;
  if (*item == 1) {
    if (PrevStepState == ssSaveSlots) {
      if (!SaveSlot(SelectedSlot))
        MessageBoxA(this, SJ("保存に失敗しました"), SJ("エラー"), MB_OK);
    } else if (PrevStepState == ssLoadSlots || PrevStepState == ssContinueSlots) {
      FadeOutScreen(readGrpInt("STARTFADEOUT", fkWhite), true);
      sp.DrawToScreen(true);
      if (!LoadSlot(SelectedSlot, false))
        MessageBoxA(this, SJ("読み込みに失敗しました"), SJ("エラー"), MB_OK);
      FadeInScreen(readGrpInt("STARTFADEIN", fkWhite));
      TextPos = 0;
      NeedNextLine = 1;
      TextSubState = tsTyping;
      if (Backlog) Backlog->Clear();
      BacklogPos = -1;
    }
    sp.DrawToScreen(true);
    sp.DrawToBkGnd(false);
    DrawTextWindow();
    ClickMarkShown = 0;
    sp.DrawToScreen(true);
    StepState = ssStory;
    return true;
  }
  if (*item == 2) {
    sp.DrawToBkGnd(false);
    sp.RGBScreen(kMenuDarken);
    StepState = PrevStepState;
    return true;
  }
  sp.DrawToScreen(true);
  return false;
}

bool TMainFrm::stepStory(const char* line, bool& stop) {
  switch (TextSubState) {
    case tsTyping: return stepTyping(line);
    case tsWaitClick: return stepWaitClick();
    case tsChoice: return stepChoice(stop);
    default:
      if (splPaintView) splPaintView->DrawToScreen(true);
      return true;
  }
}

bool TMainFrm::stepChoice(bool&) {
  TSplPaint& sp = *splPaintView;
  TScenarioNode* node = CurrentNode();
  if (!node || !node->HasChildren()) {
    PrevStepState = ssStory;
    StepState = ssHalted;
    haltedMarked = 0;
    ReportError(ecNodeNotFound);
    return true;
  }
  const int item = DrawMenu(ssStory);
  const int hit = DrawBacklogButtons();
  if ((LeftButtonDown && shiftHeld()) || ClickPending) {
    // A choice is taken only by a real click; Shift with the button held pages the backlog.
    TScenarioNode* child = item > 0 ? node->Item(item - 1) : nullptr;
    if (child && ClickPending) {
      ClickPending = 0;
      MarkNodeRead();
      NodeIndex = child->AbsoluteIndex();
      ClearChoiceTexts();
      TextPos = 0;
      NeedNextLine = 1;
      sp.DrawToBkGnd(false);
      DrawTextWindow();
      TextSubState = tsTyping;
      return true;
    }
    ClickPending = 0;
    BacklogPos = MoveBacklogPos(hit, BacklogPos);
  }
  if (BacklogPos >= 0) {
    showBacklogEntry(BacklogPos);
    return true;
  }
  sp.DrawToBkGnd(false);
  DrawTextWindow();
  DrawMenu(ssStory);
  DrawBacklogButtons();
  sp.CopyRectToScreen(true);
  return true;
}

bool TMainFrm::stepWindowHidden(bool&) {
  if (splPaintView) splPaintView->DrawToScreen(true);
  return true;
}

bool TMainFrm::stepGameMenu(bool&) {
  TSplPaint& sp = *splPaintView;
  const std::optional<int> item = takeMenuClick(ssGameMenu);
  if (!item) return false;
  TextPos = 0;
  switch (*item) {
    case 1:  // back to the story; the message text is not redrawn
      ClickMarkShown = 0;
      PrevStepState = ssGameMenu;
      StepState = ssStory;
      sp.DrawToBkGnd(false);
      DrawTextWindow();
      sp.DrawToScreen(true);
      return false;
    case 2:  // save
      ReadSlotHeaders();
      openMenuScreen(ssGameMenu, ssSaveSlots);
      return false;
    case 3:  // load
      SpeakerName[0] = 0;
      ReadSlotHeaders();
      openMenuScreen(ssGameMenu, ssLoadSlots);
      return false;
    case 4:  // options
      openMenuScreen(ssGameMenu, ssOptions);
      if (frmOption) {
        frmOption->SetBounds(0, 0, ClientWidth(), ClientHeight());
        std::memcpy(&frmOption->OptionCopy, &ReadFlags.Options, sizeof frmOption->OptionCopy);
        frmOption->RefreshColours();
        frmOption->Show();
      }
      return true;
    case 5:  // back to the title
      if (MessageBoxA(this, SJ("ゲームを中断しタイトル画面に戻りますか？"), SJ("確認"),
                      MB_YESNO | MB_ICONQUESTION) == IDYES)
        GoTitle();
      return true;
    case 6:  // quit
      QuitGame();
      Sleep(0);
      return true;
    default:
      sp.DrawToScreen(true);
      return false;
  }
}

bool TMainFrm::stepOptions(bool&) {
  // Reached once the option screen has been hidden: back to the in-game menu.
  openMenuScreen(ssOptions, ssGameMenu);
  return false;
}

bool TMainFrm::stepEnding(bool&) {
  // Reached once the ending screen has been hidden.
  StepState = ssStory;
  DrawTextWindow();
  return false;
}

bool TMainFrm::stepHalted(bool&) {
  if (splPaintView) splPaintView->DrawToScreen(true);
  // The read mark of the node that ended is written once; nothing changes it afterwards.
  if (!haltedMarked) {
    MarkNodeRead();
    haltedMarked = 1;
  }
  return false;
}
