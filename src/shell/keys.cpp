// The keyboard, the wheel and the game controller on the play area. The game is played with the
// mouse alone, so each of them does what the mouse would: a key is a click at the pointer, an
// arrow key moves the pointer onto an item (the screen's own hover and click rules then apply),
// and the wheel and Page Up / Page Down click the backlog's buttons. The controller's buttons
// arrive as keys (Enter, Escape, the arrows, Page Up / Page Down).
//
// Keys reach this form only when no child screen is shown and no text field has the focus (the
// layer gives them to the topmost child form and to its focused control first), and never while
// a message box is open.
#include <algorithm>
#include <cstdlib>

#include "paint/splpaint.h"
#include "shell/main_form.h"

namespace {

// MenuRects entries of the selectable items of each screen.
constexpr int kChoiceFirst = 1;  // the answers; entry 0 is the question
constexpr int kMaxChoices = 3;
constexpr int kGameMenuFirst = 4, kGameMenuCount = 6;
constexpr int kSlotFirst = 10;
constexpr int kConfirmFirst = 16, kConfirmCount = 2;
constexpr int kTitleMenuFirst = 18, kTitleMenuCount = 3;

TPoint centre(const TRect& r) { return TPoint{(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2}; }

bool isArrow(int key) {
  return key == VK_UP || key == VK_DOWN || key == VK_LEFT || key == VK_RIGHT;
}

}  // namespace

int TMainFrm::arrowTarget(const TRect* items, int count, int current, int key) {
  if (count <= 0) return -1;
  const bool back = key == VK_UP || key == VK_LEFT;
  if (current < 0 || current >= count) return back ? count - 1 : 0;
  const bool vertical = key == VK_UP || key == VK_DOWN;
  const TPoint from = centre(items[current]);
  int best = -1;
  int32_t bestScore = 0;
  for (int i = 0; i < count; ++i) {
    if (i == current) continue;
    const TPoint to = centre(items[i]);
    int32_t along = vertical ? to.y - from.y : to.x - from.x;
    if (back) along = -along;
    if (along <= 0) continue;
    // Straight ahead counts for more than the same distance to the side.
    const int32_t score = along + 2 * std::abs(vertical ? to.x - from.x : to.y - from.y);
    if (best < 0 || score < bestScore) {
      best = i;
      bestScore = score;
    }
  }
  if (best >= 0) return best;
  return back ? (current + count - 1) % count : (current + 1) % count;
}

bool TMainFrm::moveToNextItem(int key) {
  int first = 0, count = 0;
  switch (StepState) {
    case ssTitleMenu:
      first = kTitleMenuFirst;
      count = kTitleMenuCount;
      break;
    case ssGameMenu:
      first = kGameMenuFirst;
      count = kGameMenuCount;
      break;
    case ssSaveSlots:
    case ssLoadSlots:
    case ssContinueSlots:
      first = kSlotFirst;
      count = kSlotCount;
      break;
    case ssConfirm:
      first = kConfirmFirst;
      count = kConfirmCount;
      break;
    case ssStory:
      if (TextSubState != tsChoice) return false;
      if (TScenarioNode* node = CurrentNode()) {
        first = kChoiceFirst;
        count = std::min(node->Count(), kMaxChoices);
      }
      break;
    default:
      return false;
  }
  if (count <= 0) return false;
  const TRect* items = &MenuRects[first];
  int current = -1;
  TPoint p;
  if (mouseInClient(&p))
    for (int i = 0; i < count && current < 0; ++i)
      if (PtInRectStrict(items[i], p.x, p.y)) current = i;
  const int target = arrowTarget(items, count, current, key);
  const TPoint screen = ClientToScreen(centre(items[target]));
  SetCursorPos(screen.x, screen.y);
  return true;
}

bool TMainFrm::pressBacklogButton(int hit) {
  if (StepState != ssStory || LeftButtonDown) return false;
  // The buttons are shown in the click wait (not in an event scene's) and in the choice; while a
  // line is revealed "▼" is a plain click, which shows the line whole.
  const bool buttons = TextSubState == tsChoice || (TextSubState == tsWaitClick && !EventMode);
  if (!buttons && !(hit == 2 && TextSubState == tsTyping)) return false;
  // The step takes the click on its next frame and asks for the pointer then: until it has, the
  // pointer reads as lying on the button, wherever the player left it.
  const TPoint at = centre(hit == 1 ? BacklogUpRect : BacklogDownRect);
  HoldCursorPos(this, ClientToScreen(at), [this] { return ClickPending != 0; });
  splPaintViewMouseDown(this, mbLeft, ssLeft, at.x, at.y);
  splPaintViewMouseUp(this, mbLeft, 0, at.x, at.y);
  return true;
}

void TMainFrm::MouseWheel(int delta, TShiftState, int32_t, int32_t) {
  if (delta != 0) pressBacklogButton(delta > 0 ? 1 : 2);
}

bool TMainFrm::playerKey(int key, TShiftState shift) {
  if (shift & ssAlt) return false;  // the menu bar's
  TPoint p{0, 0};
  mouseInClient(&p);
  switch (key) {
    case VK_RETURN:
    case VK_SPACE:
      if (LeftButtonDown) return true;  // the button is held already
      splPaintViewMouseDown(this, mbLeft, shift | ssLeft, p.x, p.y);
      splPaintViewMouseUp(this, mbLeft, shift, p.x, p.y);
      return true;
    case VK_ESCAPE:
    case VK_BACK:
      splPaintViewMouseDown(this, mbRight, shift | ssRight, p.x, p.y);
      return true;
    case VK_PRIOR:
      pressBacklogButton(1);
      return true;
    case VK_NEXT:
      pressBacklogButton(2);
      return true;
    default:
      if (isArrow(key)) return moveToNextItem(key);
      return false;
  }
}
