#include "screens/novellbl.h"

#include <cctype>

TNovelLabel::TNovelLabel(TForm* parent) : TControl(parent) {
  Width = 65;
  Height = 17;
  Font.Name = FontMSGothic();
  Font.Color = clWindowText;
}

void TNovelLabel::SetCaption(const std::string& cp932) {
  if (caption_ == cp932) return;
  caption_ = cp932;
  // Without DrawRefresh the old text stays until something else repaints the control.
  if (DrawRefresh) Invalidate();
  AdjustBounds();
}

void TNovelLabel::FontChanged() { AdjustBounds(); }

void TNovelLabel::SetAlignment(TAlignment value) {
  if (FAlignment == value) return;
  FAlignment = value;
  Invalidate();
}

void TNovelLabel::SetAutoSize(bool value) {
  if (FAutoSize == value) return;
  FAutoSize = value;
  AdjustBounds();
}

void TNovelLabel::SetFocusControl(TControl* value) { FFocusControl = value; }

void TNovelLabel::SetShowAccelChar(bool value) {
  if (FShowAccelChar == value) return;
  FShowAccelChar = value;
  Invalidate();
}

void TNovelLabel::SetTransparent(bool value) {
  if (Transparent() == value) return;
  opaque_ = !value;
  Invalidate();
}

void TNovelLabel::SetLayout(TTextLayout value) {
  if (FLayout == value) return;
  FLayout = value;
  Invalidate();
}

void TNovelLabel::SetWordWrap(bool value) {
  if (FWordWrap == value) return;
  FWordWrap = value;
  AdjustBounds();
  Invalidate();
}

void TNovelLabel::Loaded() { AdjustBounds(); }

void TNovelLabel::Notification(TControl* component, TOperation operation) {
  if (operation == opRemove && component && component == FFocusControl) FFocusControl = nullptr;
}

std::string TNovelLabel::GetLabelText() const { return caption_; }

namespace {

unsigned alignmentFlag(TAlignment a) {
  switch (a) {
    case taRightJustify:
      return DT_RIGHT;
    case taCenter:
      return DT_CENTER;
    default:
      return DT_LEFT;
  }
}

}  // namespace

void TNovelLabel::Paint() {
  if (!Parent()) return;
  TBitmap& canvas = Canvas();
  if (!Transparent()) FillRect(canvas, BoundsRect(), Color);
  TRect r = ClientRect();
  const unsigned style =
      DT_EXPANDTABS | (FWordWrap ? DT_WORDBREAK : 0u) | alignmentFlag(FAlignment);
  if (FLayout != tlTop) {
    TRect calc = r;
    DoDrawText(calc, style | DT_CALCRECT);
    const int32_t offset = FLayout == tlBottom ? Height - calc.Bottom : (Height - calc.Bottom) / 2;
    r.Top += offset;
    r.Bottom += offset;
  }
  DoDrawText(r, style);
}

void TNovelLabel::DoDrawText(TRect& rect, unsigned flags) {
  std::string text = GetLabelText();
  // Measured, an empty caption and a lone accelerator prefix take the room of one blank.
  if ((flags & DT_CALCRECT) && (text.empty() || (FShowAccelChar && text == "&"))) text = " ";
  if (!FShowAccelChar) flags |= DT_NOPREFIX;
  // The text is drawn on the parent's canvas, where the control's origin is (Left, Top).
  TRect r = rect;
  if (flags & DT_CALCRECT) {
    DrawTextA(nullptr, Font, text.c_str(), int32_t(text.size()), &r, flags);
    rect = r;
    return;
  }
  if (!Parent()) return;
  TBitmap& canvas = Canvas();
  TFont font = Font;
  auto draw = [&](int32_t dx, int32_t dy, TColor colour) {
    TRect at = Rect(r.Left + Left + dx, r.Top + Top + dy, r.Right + Left + dx, r.Bottom + Top + dy);
    font.Color = colour;
    DrawTextA(&canvas, font, text.c_str(), int32_t(text.size()), &at, flags);
  };
  if (!Enabled()) {
    draw(1, 1, clBtnHighlight);
    draw(0, 0, clBtnShadow);
  } else if (TextShadow) {
    draw(1, 1, Color);
    draw(0, 0, Font.Color);
  } else {
    draw(0, 0, Font.Color);
  }
  rect = r;
}

void TNovelLabel::AdjustBounds() {
  if (!FAutoSize) return;
  TRect r = ClientRect();
  DoDrawText(r, (FWordWrap ? DT_WORDBREAK : 0u) | DT_EXPANDTABS | DT_CALCRECT);
  int32_t x = Left;
  if (FAlignment == taRightJustify) x = Left + Width - r.Right;
  SetBounds(x, Top, r.Right, r.Bottom);
}

bool IsAccel(char key, const std::string& text) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '&') continue;
    if (i + 1 >= text.size()) return false;
    if (text[i + 1] == '&') {  // "&&" is a literal ampersand
      ++i;
      continue;
    }
    return std::toupper(static_cast<unsigned char>(text[i + 1])) ==
           std::toupper(static_cast<unsigned char>(key));
  }
  return false;
}

bool TNovelLabel::CMDialogChar(char key) {
  if (FFocusControl && Enabled() && FShowAccelChar && IsAccel(key, caption_) &&
      FFocusControl->CanFocus()) {
    FFocusControl->SetFocus();
    return true;
  }
  return false;
}
