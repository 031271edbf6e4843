// The menus the engine draws into the play area over the darkened scene: the title menu, the
// in-game menu, the choice display, the five slots of the save and load screens and the yes/no
// confirmation. DrawMenu draws one of them for the current frame and reports the item under the
// mouse; the game step acts on it when a click is pending.
//
// Nothing is cleared before drawing: the step draws the menu every frame over the same darkened
// scene, so only the colours of the hovered item change from one frame to the next.
#include <cstdio>
#include <cstring>

#include "paint/splpaint.h"
#include "platform/cp932.h"
#include "shell/main_form.h"

namespace {

// First MenuRects entry of each group.
constexpr int kChoiceRects = 0;   // 0 the question, 1-3 the answers
constexpr int kGameMenuRects = 4;
constexpr int kSlotRects = 10;
constexpr int kConfirmBox = 15;
constexpr int kConfirmYes = 16;
constexpr int kConfirmNo = 17;
constexpr int kTitleMenuRects = 18;

constexpr int kMaxChoices = 3;
constexpr int32_t kSlotPenWidth = 2;

// A zero-terminated copy of a fixed text field that may lack its terminator (a field read from a
// file), cut at a character boundary.
void fieldText(char* out, size_t outSize, const char* field, size_t fieldSize) {
  size_t n = strnlen(field, fieldSize);
  n = CutAtCharBoundary(field, n, outSize - 1);
  std::memcpy(out, field, n);
  out[n] = 0;
}

}  // namespace

bool TMainFrm::mouseInClient(TPoint* p) {
  TPoint screen;
  if (!p || !GetCursorPos(&screen)) return false;
  *p = ::ScreenToClient(this, screen);
  return true;
}

int TMainFrm::DrawMenu(int kind) {
  if (!splPaintView) return 0;
  TSplPaint& sp = *splPaintView;
  TPoint mouse;
  const bool haveMouse = mouseInClient(&mouse);
  TFont* normal = MenuFont ? MenuFont : &sp.Font;
  TFont* hot = MenuHotFont ? MenuHotFont : normal;
  int result = 0;

  auto over = [&](const TRect& r) { return haveMouse && PtInRectStrict(r, mouse.x, mouse.y); };
  // One selectable item: hot when the mouse is strictly inside its rectangle.
  auto item = [&](int rectIndex, const char* text, int number, bool center) {
    TRect r = MenuRects[rectIndex];
    const bool on = over(r);
    if (on) result = number;
    sp.DoDrawText(1, r, text, on ? hot : normal, center);
  };

  switch (kind) {
    case ssTitleMenu: {
      static const char* const kTexts[] = {"はじめから", "つづきから", "ゲーム終了"};
      for (int i = 0; i < 3; ++i) item(kTitleMenuRects + i, SJ(kTexts[i]), i + 1, true);
      break;
    }
    case ssConfirm: {
      char prompt[kTextBytes];
      fieldText(prompt, sizeof prompt, ConfirmText, sizeof ConfirmText);
      TRect box = MenuRects[kConfirmBox];
      sp.DoDrawText(1, box, prompt, normal, true);
      item(kConfirmYes, SJ("はい"), 1, true);
      item(kConfirmNo, SJ("いいえ"), 2, true);
      break;
    }
    case ssStory: {  // the choice
      char text[kTextBytes];
      fieldText(text, sizeof text, SelectText[0], sizeof SelectText[0]);
      TRect question = MenuRects[kChoiceRects];
      sp.DoDrawText(1, question, text, normal, false);
      TScenarioNode* node = CurrentNode();
      const int children = node ? node->Count() : 0;
      for (int i = 1; i <= kMaxChoices && i <= children; ++i) {
        fieldText(text, sizeof text, SelectText[i], sizeof SelectText[i]);
        if (!text[0]) {
          TScenarioNode* child = node->Item(i - 1);
          CopyCut(text, sizeof text, child ? child->Title() : "");
        }
        item(kChoiceRects + i, text, i, false);
      }
      break;
    }
    case ssGameMenu: {
      static const char* const kTexts[] = {"戻る",       "セーブ",
                                           "ロード",     "オプション",
                                           "タイトル画面に戻る", "ゲームを終了する"};
      for (int i = 0; i < 6; ++i) item(kGameMenuRects + i, SJ(kTexts[i]), i + 1, true);
      break;
    }
    case ssSaveSlots:
    case ssLoadSlots:
    case ssContinueSlots: {
      const char* format = SJ("\n　　%04d年%02d月%02d日%02d時%02d分\n%s");
      for (int slot = 1; slot <= kSlotCount; ++slot) {
        const TSaveData& data = SlotCache[slot - 1];
        char title[kSaveTitleBytes + 1];
        fieldText(title, sizeof title, data.SaveTitle, sizeof data.SaveTitle);
        char caption[kTextBytes];
        std::snprintf(caption, sizeof caption, format, data.SaveYear, data.SaveMonth,
                      data.SaveDay, data.SaveHour, data.SaveMinute, title);
        TRect r = MenuRects[kSlotRects + slot - 1];
        const bool on = over(r);
        if (on) result = slot;
        const TColor pen = on ? clYellow : clWhite;
        TRect textRect = r;
        sp.DoDrawText(1, textRect, caption, on ? hot : normal, true);
        // The outline: (left, top) to (right - 1, top) to (right - 1, bottom - 1) to
        // (left, bottom - 1) and back, with a 2-pixel pen.
        const int32_t x0 = r.Left, y0 = r.Top, x1 = r.Right - 1, y1 = r.Bottom - 1;
        DrawLine(sp.BkGnd, x0, y0, x1, y0, kSlotPenWidth, pen);
        DrawLine(sp.BkGnd, x1, y0, x1, y1, kSlotPenWidth, pen);
        DrawLine(sp.BkGnd, x1, y1, x0, y1, kSlotPenWidth, pen);
        DrawLine(sp.BkGnd, x0, y1, x0, y0, kSlotPenWidth, pen);
      }
      break;
    }
    default:
      return 0;
  }
  return result;
}
