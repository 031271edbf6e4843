// Mouse input on the play area. The game is played with the mouse alone: the left button
// advances the text and picks menu items, slots and choices; the right button opens the in-game
// menu and steps back out of every screen; holding the left button fast-forwards.
//
// The handlers draw no menus and, apart from one redraw of the last line, no text: they set
// ClickPending and LeftButtonDown, change StepState and redraw the scene background. The game
// step does the rest on its next frame. They run inside the message processing of a step frame,
// so they change the state first, then wait for the frame in progress to end, then redraw.
#include "paint/splpaint.h"
#include "screens/option.h"
#include "shell/main_form.h"

namespace {

constexpr int kStepWaitPasses = 1000;

bool isSlotState(int32_t state) {
  return state == ssSaveSlots || state == ssLoadSlots || state == ssContinueSlots;
}

}  // namespace

void TMainFrm::waitForStep() {
  for (int i = 0; i < kStepWaitPasses && StepBusy; ++i) {
    Sleep(0);
    if (Application) Application->ProcessMessages();
  }
}

void TMainFrm::clickToState(int32_t from, int32_t to) {
  PrevStepState = from;
  StepState = to;
  waitForStep();
  splPaintView->DrawToBkGnd(false);
}

void TMainFrm::splPaintViewMouseDown(TForm* Sender, TMouseButton Button, TShiftState Shift,
                                     int32_t X, int32_t Y) {
  if (!splPaintView) return;
  TSplPaint& sp = *splPaintView;

  if (Button == mbLeft) {
    if (frmOption && frmOption->Visible()) frmOption->Hide();
    SetCapture(this);
    LeftButtonDown = 1;
    const bool story = StepState == ssStory && (TextSubState == tsTyping ||
                                                TextSubState == tsWaitClick ||
                                                TextSubState == tsChoice);
    if (story || StepState == ssGameMenu || StepState == ssLoadSlots ||
        StepState == ssSaveSlots || StepState == ssContinueSlots || StepState == ssConfirm ||
        StepState == ssTitleMenu)
      ClickPending = 1;

    switch (StepState) {
      case ssWindowHidden:
        // Back to the story with an empty window: the message text is not redrawn.
        ClickMarkShown = 0;
        clickToState(ssWindowHidden, ssStory);
        DrawTextWindow();
        sp.DrawToScreen(true);
        break;
      case ssTitle:
        // The title menu itself is drawn by the next step frame.
        PrevStepState = ssTitle;
        StepState = ssTitleMenu;
        waitForStep();
        TextPos = 0;
        sp.DrawToBkGnd(false);
        sp.RGBScreen(kMenuDarken);
        break;
      case ssLogo:
        // A click while a transition is prepared or running is ignored; afterwards the logo
        // wait notices the new state and shows the title picture.
        if (sp.GetFadeing()) break;
        waitForStep();
        PrevStepState = ssLogo;
        StepState = ssTitle;
        break;
      default:
        break;
    }
    return;
  }

  if (Button != mbRight) return;  // the middle button does nothing
  // The right button does nothing while the left one is held.
  if (LeftButtonDown) return;

  // Every reaction below leaves the screen shown. A left click that screen has not consumed yet
  // (the click wait of an event scene leaves its clicks pending) belongs to it and must not pick
  // an item of the screen that comes next.
  const int32_t before = StepState;
  const uint8_t pending = ClickPending;
  ClickPending = 0;
  switch (StepState) {
    case ssStory:
      // The in-game menu opens only once the line is complete or a choice is shown.
      if (TextSubState != tsWaitClick && TextSubState != tsChoice) break;
      clickToState(ssStory, ssGameMenu);
      sp.RGBScreen(kMenuDarken);
      sp.DrawToScreen(true);
      TextPos = 0;
      break;
    case ssGameMenu:
      // The clean scene without window, text or menu.
      clickToState(ssGameMenu, ssWindowHidden);
      sp.DrawToScreen(true);
      break;
    case ssWindowHidden:
      // Back to the story with the last line fetched redrawn, as it stands in the node (the
      // character names are not substituted).
      ClickMarkShown = 0;
      clickToState(ssWindowHidden, ssStory);
      DrawTextWindow();
      if (NodeLines && LineIndex > 0 && LineIndex <= NodeLines->Count())
        DrawMessage((*NodeLines)[LineIndex - 1].c_str(), SpeakerName, nullptr);
      sp.DrawToScreen(true);
      break;
    case ssConfirm:
      StepState = PrevStepState;
      waitForStep();
      sp.DrawToBkGnd(false);
      if (isSlotState(StepState)) sp.RGBScreen(kMenuDarken);
      sp.DrawToScreen(true);
      break;
    case ssSaveSlots:
    case ssLoadSlots:
      clickToState(StepState, ssGameMenu);
      sp.RGBScreen(kMenuDarken);
      sp.DrawToScreen(true);
      break;
    case ssContinueSlots:
      clickToState(ssContinueSlots, ssTitleMenu);
      sp.RGBScreen(kMenuDarken);
      sp.DrawToScreen(true);
      break;
    case ssTitleMenu:
      clickToState(ssTitleMenu, ssTitle);
      sp.DrawToScreen(true);
      break;
    default:
      break;
  }
  if (StepState == before) ClickPending = pending;  // nothing happened
}

void TMainFrm::splPaintViewMouseUp(TForm* Sender, TMouseButton Button, TShiftState Shift,
                                   int32_t X, int32_t Y) {
  if (Button != mbLeft) return;
  LeftButtonDown = 0;
  ReleaseCapture();
}

void TMainFrm::KeyDown(int key, TShiftState shift) {
  if (displayKey(key, shift) || modeKey(key, shift)) return;
  playerKey(key, shift);
}
