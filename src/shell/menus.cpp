// The menus the engine draws into the play area over the darkened scene: the title menu, the
// in-game menu, the choice display, the five slots of the save and load screens and the yes/no
// confirmation. DrawMenu draws one of them for the current frame and reports the item under the
// mouse; the game step acts on it when a click is pending.
//
// Nothing is cleared before drawing: the step draws the menu every frame over the same darkened
// scene, so only the colours of the hovered item change from one frame to the next.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "paint/splpaint.h"
#include "platform/text/cp932.h"
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
// file); only a text too long for out is cut, at a character boundary.
void fieldText(char* out, size_t outSize, const char* field, size_t fieldSize) {
  size_t n = strnlen(field, fieldSize);
  n = FitToBuffer(field, n, outSize - 1);
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

namespace {

// One drawing of a menu screen: a shadowed text, or (with outline) a slot's 2-pixel frame.
struct MenuOp {
  TRect rect;
  std::string text;
  TFont* font = nullptr;
  bool center = false;
  bool outline = false;
  TColor pen = clWhite;
};

// Everything the drawing depends on, as one string: equal strings draw equal pixels.
std::string describe(int kind, const std::vector<MenuOp>& ops) {
  std::string d = std::to_string(kind);
  for (const MenuOp& op : ops) {
    char head[160];
    const TFont* f = op.font;
    std::snprintf(head, sizeof head, "|%d,%d,%d,%d,%d,%d,%u,%p,%u,%d,", int(op.rect.Left),
                  int(op.rect.Top), int(op.rect.Right), int(op.rect.Bottom), op.center ? 1 : 0,
                  op.outline ? 1 : 0, unsigned(op.pen), static_cast<const void*>(f),
                  f ? unsigned(f->Color) : 0u, f ? int(f->Height) : 0);
    d += head;
    if (f) d += f->Name + ",";
    d += op.text;
  }
  return d;
}

}  // namespace

int TMainFrm::DrawMenu(int kind) {
  if (!splPaintView) return 0;
  TSplPaint& sp = *splPaintView;
  TPoint mouse;
  const bool haveMouse = mouseInClient(&mouse);
  TFont* normal = MenuFont ? MenuFont : &sp.Font;
  TFont* hot = MenuHotFont ? MenuHotFont : normal;
  int result = 0;
  std::vector<MenuOp> ops;

  auto over = [&](const TRect& r) { return haveMouse && PtInRectStrict(r, mouse.x, mouse.y); };
  auto text = [&](const TRect& r, const char* t, TFont* font, bool center) {
    MenuOp op;
    op.rect = r;
    op.text = t;
    op.font = font;
    op.center = center;
    ops.push_back(std::move(op));
  };
  // One selectable item: hot when the mouse is strictly inside its rectangle.
  auto item = [&](int rectIndex, const char* t, int number, bool center) {
    const TRect r = MenuRects[rectIndex];
    const bool on = over(r);
    if (on) result = number;
    text(r, t, on ? hot : normal, center);
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
      text(MenuRects[kConfirmBox], prompt, normal, true);
      item(kConfirmYes, SJ("はい"), 1, true);
      item(kConfirmNo, SJ("いいえ"), 2, true);
      break;
    }
    case ssStory: {  // the choice
      char line[kTextBytes];
      fieldText(line, sizeof line, SelectText[0], sizeof SelectText[0]);
      text(MenuRects[kChoiceRects], line, normal, false);
      TScenarioNode* node = CurrentNode();
      const int children = node ? node->Count() : 0;
      for (int i = 1; i <= kMaxChoices && i <= children; ++i) {
        fieldText(line, sizeof line, SelectText[i], sizeof SelectText[i]);
        if (!line[0]) {
          TScenarioNode* child = node->Item(i - 1);
          CopyCut(line, sizeof line, child ? child->Title() : "");
        }
        item(kChoiceRects + i, line, i, false);
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
        const TRect r = MenuRects[kSlotRects + slot - 1];
        const bool on = over(r);
        if (on) result = slot;
        text(r, caption, on ? hot : normal, true);
        MenuOp frame;
        frame.rect = r;
        frame.outline = true;
        frame.pen = on ? clYellow : clWhite;
        ops.push_back(frame);
      }
      break;
    }
    default:
      return 0;
  }

  // The screen draws its menu every frame over the same scene. Once drawing it again was seen
  // to leave every pixel as it was, and nothing has written BkGnd since, the drawing is left
  // out: the picture is exactly what it would give. (Antialiased text drawn over its own shadow
  // again and again takes up to a few seconds of frames to stop changing, so until then every
  // repeat is drawn and checked.)
  const std::string drawn = describe(kind, ops);
  const bool repeat = menuMemo.drawn == drawn && menuMemo.generation == sp.BkGnd.Generation();
  if (repeat && menuMemo.settled) return result;
  TBitmap& before = menuMemo.before;
  if (repeat) before = sp.BkGnd;
  for (MenuOp& op : ops) {
    if (!op.outline) {
      sp.DoDrawText(ttBkGnd, op.rect, op.text.c_str(), op.font, op.center);
      continue;
    }
    // The outline: (left, top) to (right - 1, top) to (right - 1, bottom - 1) to
    // (left, bottom - 1) and back, with a 2-pixel pen.
    const TRect& r = op.rect;
    const int32_t x0 = r.Left, y0 = r.Top, x1 = r.Right - 1, y1 = r.Bottom - 1;
    DrawLine(sp.BkGnd, x0, y0, x1, y0, kSlotPenWidth, op.pen);
    DrawLine(sp.BkGnd, x1, y0, x1, y1, kSlotPenWidth, op.pen);
    DrawLine(sp.BkGnd, x1, y1, x0, y1, kSlotPenWidth, op.pen);
    DrawLine(sp.BkGnd, x0, y1, x0, y0, kSlotPenWidth, op.pen);
  }
  const TBitmap& after = sp.BkGnd;  // read only: reading does not count as a change
  const TBitmap& was = before;
  menuMemo.settled = repeat && was.Width() == after.Width() && was.Height() == after.Height() &&
                     std::memcmp(was.Bits(), after.Bits(), after.ByteSize()) == 0;
  if (menuMemo.settled) before = TBitmap();
  menuMemo.drawn = drawn;
  menuMemo.generation = sp.BkGnd.Generation();
  return result;
}
