// Modal message boxes drawn inside the window: caption bar, optional icon, word-wrapped text and
// the buttons "OK", "キャンセル", "はい", "いいえ". The nested loop keeps posted messages and
// painting going and gives input only to the innermost box.
#include <algorithm>

#include "platform/windows/app.h"
#include "platform/windows/app_internal.h"
#include "platform/text/cp932.h"
#include "platform/text/text.h"

struct MessageBoxState {
  std::string text, caption;
  unsigned flags = 0;
  std::vector<int> buttons;  // answers, left to right; the first is the default
  int cancelAnswer = IDOK;
  int focus = 0;
  int pressed = -1;            // button under a left press, -1 none
  bool pressedInside = false;  // the pointer is still on the pressed button
  int result = 0;
  // Layout in window coordinates.
  TRect frame, captionBar, textRect, iconRect;
  std::vector<TRect> buttonRects;
};

namespace {

constexpr int32_t kBorder = 3;
constexpr int32_t kCaptionHeight = 18;
constexpr int32_t kMargin = 12;
constexpr int32_t kIconSize = 32;
constexpr int32_t kButtonWidth = 75, kButtonHeight = 23, kButtonGap = 6;
constexpr unsigned kTextFormat = DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX | DT_LEFT;

const char* buttonLabel(int answer) {
  switch (answer) {
    case IDCANCEL:
      return SJ("キャンセル");
    case IDYES:
      return SJ("はい");
    case IDNO:
      return SJ("いいえ");
    default:
      return SJ("OK");
  }
}

TFont captionFont(const TFont& ui) {
  TFont f = ui;
  f.Bold = true;
  f.Color = kHighlightTextColor;
  return f;
}

void layout(MessageBoxState& b, const Gui& g, int32_t pictureW, int32_t pictureH,
            TRect area) {
  const TFont& font = g.uiFont;
  int32_t maxTextW = std::max<int32_t>(120, pictureW * 5 / 8);
  TRect tr = Rect(0, 0, maxTextW, 0);
  DrawTextA(nullptr, font, b.text.c_str(), -1, &tr, DT_CALCRECT | kTextFormat);
  int32_t textW = std::max<int32_t>(tr.Width(), 0);
  int32_t textH = std::max<int32_t>(tr.Height(), TextHeight(font));
  bool icon = (b.flags & 0xF0) != 0;
  int32_t iconW = icon ? kIconSize + kMargin : 0;
  int32_t contentH = std::max(textH, icon ? kIconSize : 0);
  int32_t n = int32_t(b.buttons.size());
  int32_t buttonsW = n * kButtonWidth + (n - 1) * kButtonGap;
  TRect cr = Rect(0, 0, 0, 0);
  DrawTextA(nullptr, captionFont(font), b.caption.c_str(), -1, &cr,
            DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  int32_t innerW = std::max({iconW + textW + 2 * kMargin, buttonsW + 2 * kMargin,
                             cr.Width() + 24, int32_t(120)});
  int32_t w = innerW + 2 * kBorder;
  int32_t h = 2 * kBorder + kCaptionHeight + kMargin + contentH + 14 + kButtonHeight + 10;
  int32_t x = area.Left + (area.Width() - w) / 2;
  int32_t y = area.Top + (area.Height() - h) / 2;
  x = std::max(0, std::min(x, pictureW - w));
  y = std::max(0, std::min(y, pictureH - h));
  b.frame = Rect(x, y, x + w, y + h);
  b.captionBar = Rect(x + kBorder, y + kBorder, x + w - kBorder, y + kBorder + kCaptionHeight);
  int32_t top = b.captionBar.Bottom + kMargin;
  int32_t left = x + kBorder + kMargin;
  b.iconRect = icon ? Rect(left, top + (contentH - kIconSize) / 2, left + kIconSize,
                           top + (contentH - kIconSize) / 2 + kIconSize)
                    : TRect{};
  int32_t tx = left + iconW, ty = top + (contentH - textH) / 2;
  b.textRect = Rect(tx, ty, tx + std::max(textW, 1), ty + textH);
  b.buttonRects.clear();
  int32_t bx = x + (w - buttonsW) / 2, by = top + contentH + 14;
  for (int32_t i = 0; i < n; ++i) {
    int32_t l = bx + i * (kButtonWidth + kButtonGap);
    b.buttonRects.push_back(Rect(l, by, l + kButtonWidth, by + kButtonHeight));
  }
}

void fillCircle(TBitmap& dst, int32_t cx, int32_t cy, int32_t r, TColor c) {
  for (int32_t y = -r; y <= r; ++y)
    for (int32_t x = -r; x <= r; ++x)
      if (x * x + y * y <= r * r && cx + x >= 0 && cy + y >= 0 && cx + x < dst.Width() &&
          cy + y < dst.Height())
        dst.SetPixel(cx + x, cy + y, c);
}

void drawIcon(TBitmap& dst, const TRect& r, unsigned flags, const TFont& ui) {
  unsigned kind = flags & 0xF0;
  int32_t cx = r.Left + kIconSize / 2, cy = r.Top + kIconSize / 2;
  TFont f = ui;
  f.Bold = true;
  f.Height = -22;
  const char* mark = "i";
  if (kind == MB_ICONWARNING) {
    // A yellow triangle with a black outline.
    const int32_t rows = kIconSize - 2;
    for (int32_t y = 0; y < rows; ++y) {
      int32_t half = y / 2 + 1;
      int32_t row = r.Top + 1 + y;
      FillRect(dst, Rect(cx - half, row, cx + half, row + 1), clBlack);
      if (y >= 3 && y < rows - 2 && half > 2)
        FillRect(dst, Rect(cx - half + 2, row, cx + half - 2, row + 1), RGB(255, 220, 0));
    }
    f.Color = clBlack;
    mark = "!";
  } else {
    TColor body = kind == MB_ICONERROR ? RGB(200, 0, 0) : RGB(0, 70, 200);
    fillCircle(dst, cx, cy, kIconSize / 2 - 1, clBlack);
    fillCircle(dst, cx, cy, kIconSize / 2 - 2, body);
    f.Color = clWhite;
    mark = kind == MB_ICONERROR ? "x" : kind == MB_ICONQUESTION ? "?" : "i";
  }
  TRect tr = Rect(r.Left, r.Top + (kIconSize - TextHeight(f)) / 2 + 1, r.Right, r.Bottom);
  DrawTextA(&dst, f, mark, -1, &tr, DT_CENTER | DT_SINGLELINE | DT_NOPREFIX);
}

void drawButton(TBitmap& dst, const TRect& r, const char* label, bool focused, bool sunk,
                const TFont& font) {
  FillRect(dst, r, kFaceColor);
  TRect e = r;
  if (focused) {
    // The default (focused) button wears a black frame.
    DrawEdge3D(dst, e, false);
    FillRect(dst, Rect(e.Left, e.Top, e.Right, e.Top + 1), clBlack);
    FillRect(dst, Rect(e.Left, e.Bottom - 1, e.Right, e.Bottom), clBlack);
    FillRect(dst, Rect(e.Left, e.Top, e.Left + 1, e.Bottom), clBlack);
    FillRect(dst, Rect(e.Right - 1, e.Top, e.Right, e.Bottom), clBlack);
    e = Rect(e.Left + 1, e.Top + 1, e.Right - 1, e.Bottom - 1);
  }
  if (sunk) {
    FillRect(dst, Rect(e.Left, e.Top, e.Right, e.Top + 1), kShadowColor);
    FillRect(dst, Rect(e.Left, e.Top, e.Left + 1, e.Bottom), kShadowColor);
    FillRect(dst, Rect(e.Left, e.Bottom - 1, e.Right, e.Bottom), kShadowColor);
    FillRect(dst, Rect(e.Right - 1, e.Top, e.Right, e.Bottom), kShadowColor);
  } else {
    DrawEdge3D(dst, e, true);
    FillRect(dst, Rect(e.Left + 1, e.Bottom - 2, e.Right - 1, e.Bottom - 1), kShadowColor);
    FillRect(dst, Rect(e.Right - 2, e.Top + 1, e.Right - 1, e.Bottom - 1), kShadowColor);
  }
  int32_t shift = sunk ? 1 : 0;
  TRect tr = Rect(r.Left + shift, r.Top + (r.Height() - TextHeight(font)) / 2 + shift,
                  r.Right + shift, r.Bottom);
  DrawTextA(&dst, font, label, -1, &tr, DT_CENTER | DT_SINGLELINE | DT_NOPREFIX);
}

int buttonAt(const MessageBoxState& b, TPoint p) {
  for (size_t i = 0; i < b.buttonRects.size(); ++i) {
    const TRect& r = b.buttonRects[i];
    if (p.x >= r.Left && p.x < r.Right && p.y >= r.Top && p.y < r.Bottom) return int(i);
  }
  return -1;
}

}  // namespace

void Gui::DrawBoxes(TBitmap& dst) {
  TForm* main = Main();
  TRect area = main ? Rect(0, main->MenuBarHeight(), dst.Width(), dst.Height())
                    : Rect(0, 0, dst.Width(), dst.Height());
  // In full screen the box is centred on what the view shows.
  if (fullScreen && main) {
    int32_t off = ViewOffset();
    area = Rect(0, off, dst.Width(), off + main->ClientHeight());
  }
  for (MessageBoxState* b : boxes) {
    layout(*b, *this, dst.Width(), dst.Height(), area);
    FillRect(dst, b->frame, kFaceColor);
    DrawEdge3D(dst, b->frame, true);
    TRect in = Rect(b->frame.Left + 1, b->frame.Top + 1, b->frame.Right - 1, b->frame.Bottom - 1);
    FillRect(dst, Rect(in.Left, in.Bottom - 1, in.Right, in.Bottom), kShadowColor);
    FillRect(dst, Rect(in.Right - 1, in.Top, in.Right, in.Bottom), kShadowColor);
    FillRect(dst, Rect(b->frame.Left, b->frame.Bottom - 1, b->frame.Right, b->frame.Bottom),
             kDarkColor);
    FillRect(dst, Rect(b->frame.Right - 1, b->frame.Top, b->frame.Right, b->frame.Bottom),
             kDarkColor);
    FillRect(dst, b->captionBar, kHighlightColor);
    TFont cf = captionFont(uiFont);
    TRect cr = Rect(b->captionBar.Left + 4,
                    b->captionBar.Top + (kCaptionHeight - TextHeight(cf)) / 2,
                    b->captionBar.Right, b->captionBar.Bottom);
    DrawTextA(&dst, cf, b->caption.c_str(), -1, &cr, DT_SINGLELINE | DT_NOPREFIX | DT_LEFT);
    if (!b->iconRect.IsEmpty()) drawIcon(dst, b->iconRect, b->flags, uiFont);
    TRect tr = b->textRect;
    DrawTextA(&dst, uiFont, b->text.c_str(), -1, &tr, kTextFormat);
    for (size_t i = 0; i < b->buttons.size(); ++i)
      drawButton(dst, b->buttonRects[i], buttonLabel(b->buttons[i]), int(i) == b->focus,
                 int(i) == b->pressed && b->pressedInside, uiFont);
  }
}

void Gui::BoxMouse(const BackendEvent& ev, TPoint window) {
  MessageBoxState& b = *boxes.back();
  int hit = buttonAt(b, window);
  switch (ev.kind) {
    case BackendEventKind::kMouseDown:
      if (ev.button != mbLeft || hit < 0) return;
      b.pressed = hit;
      b.pressedInside = true;
      b.focus = hit;
      Present();
      return;
    case BackendEventKind::kMouseMove:
      if (b.pressed >= 0 && (hit == b.pressed) != b.pressedInside) {
        b.pressedInside = hit == b.pressed;
        Present();
      }
      return;
    case BackendEventKind::kMouseUp:
      if (ev.button != mbLeft || b.pressed < 0) return;
      if (hit == b.pressed) b.result = b.buttons[size_t(hit)];
      b.pressed = -1;
      b.pressedInside = false;
      Present();
      return;
    default:
      return;
  }
}

void Gui::CancelBoxes() {
  for (MessageBoxState* box : boxes)
    if (box->result == 0) box->result = box->cancelAnswer;
}

void Gui::BoxKey(const BackendEvent& ev) {
  if (ev.kind != BackendEventKind::kKeyDown) return;
  MessageBoxState& b = *boxes.back();
  int n = int(b.buttons.size());
  switch (ev.key) {
    case VK_RETURN:
    case VK_SPACE:
      b.result = b.buttons[size_t(b.focus)];
      return;
    case VK_ESCAPE:
      b.result = b.cancelAnswer;
      return;
    case VK_LEFT:
    case VK_UP:
      b.focus = (b.focus + n - 1) % n;
      break;
    case VK_RIGHT:
    case VK_DOWN:
      b.focus = (b.focus + 1) % n;
      break;
    case VK_TAB:
      b.focus = (ev.shift & ssShift) ? (b.focus + n - 1) % n : (b.focus + 1) % n;
      break;
    default:
      return;
  }
  Present();
}

bool MessageBoxButtonRect(size_t button, TRect* r) {
  Gui& g = Gui::Get();
  if (!r || g.boxes.empty() || button >= g.boxes.back()->buttonRects.size()) return false;
  *r = g.boxes.back()->buttonRects[button];
  return true;
}

int MessageBoxA(TForm* owner, const char* text, const char* caption, unsigned flags) {
  Gui& g = Gui::Get();
  Backend& be = CurrentBackend();
  MessageBoxState box;
  box.text = text ? text : "";
  box.caption = caption ? caption : SJ("エラー");
  box.flags = flags;
  switch (flags & 0xF) {
    case MB_OKCANCEL:
      box.buttons = {IDOK, IDCANCEL};
      box.cancelAnswer = IDCANCEL;
      break;
    case MB_YESNO:
      box.buttons = {IDYES, IDNO};
      box.cancelAnswer = IDNO;
      break;
    default:
      box.buttons = {IDOK};
      box.cancelAnswer = IDOK;
      break;
  }
  MessageBoxRequest req;
  req.text = box.text;
  req.caption = box.caption;
  req.flags = flags;
  req.defaultAnswer = box.buttons.front();
  req.cancelAnswer = box.cancelAnswer;

  // A box cancels what the mouse was doing: the open menu and the capture.
  g.CloseMenu();
  if (g.capture) ReleaseCapture();
  g.boxes.push_back(&box);
  int answer = 0;
  bool scripted = be.MessageBoxOpened(req, &answer);
  g.Present();
  if (scripted) box.result = answer;
  while (box.result == 0) {
    if (!Application) {
      box.result = req.defaultAnswer;
      break;
    }
    bool arrived = Gui::WaitForInput(20);
    Application->ProcessMessages();
    if (box.result == 0 && !arrived && be.MessageBoxIdle(&answer)) box.result = answer;
  }
  be.MessageBoxClosed(box.result);
  g.boxes.erase(std::remove(g.boxes.begin(), g.boxes.end(), &box), g.boxes.end());
  TForm* main = Gui::Main();
  if (main && main->Visible()) {
    g.Present();
  } else if (g.boxes.empty() && g.windowShown) {
    be.ShowWindow(false);
    g.windowShown = false;
  } else {
    g.Present();
  }
  (void)owner;
  return box.result;
}
