// Shadowed text: a black copy in the caller's rectangle, then the coloured copy in the
// rectangle grown by 2 pixels on every side. Left-aligned text thus shows its shadow 2 pixels to
// the right and below; centred text 2 pixels below only.
#include "paint/splpaint.h"

void TSplPaint::DoDrawText(int target, TRect& r, const char* text, TFont* font, bool center) {
  if (!text) return;
  TBitmap* canvas = nullptr;
  int32_t ox = 0, oy = 0;
  if (target == ttScreen) {
    if (!parent_) return;
    canvas = &parent_->Canvas();
    ox = Left;
    oy = Top;
  } else if (target == ttBkGnd) {
    canvas = &BkGnd;
  } else {
    return;
  }
  const TFont& own = font ? *font : Font;
  // The caller's font keeps its colour: the shadow is drawn with a black copy of it.
  TFont shadow = own;
  shadow.Color = clBlack;
  const unsigned format = DT_TOP | DT_WORDBREAK | DT_EXPANDTABS | DT_NOCLIP |
                          (center ? DT_CENTER : DT_LEFT);
  TRect below = Rect(r.Left + ox, r.Top + oy, r.Right + ox, r.Bottom + oy);
  DrawTextA(canvas, shadow, text, -1, &below, format);
  TRect grown = Rect(r.Left - 2 + ox, r.Top - 2 + oy, r.Right + 2 + ox, r.Bottom + 2 + oy);
  DrawTextA(canvas, own, text, -1, &grown, format);
  if (target == ttScreen) parent_->Present();
}
