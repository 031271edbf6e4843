#include "screens/option.h"

#include <cstring>

#include "paint/splpaint.h"
#include "platform/text/cp932.h"
#include "shell/main_form.h"

namespace {

constexpr TColor kChoiceColour = clWhite;  // an option not chosen, and the two buttons
constexpr TColor kSelectedColour = clRed;  // the chosen value of each option
constexpr TColor kHoverColour = clYellow;  // the label under the mouse

}  // namespace

TfrmOption::TfrmOption(TForm* owner) : TForm(owner) {
  SetBorderStyle(bsNone);
  SetClientSize(kPlayWidth, kPlayHeight);
  HoverActive = true;

  auto make = [this](const char* utf8, int32_t l, int32_t t, int32_t w, int32_t h, TAlignment a,
                     int32_t fontHeight) {
    auto label = std::make_unique<TNovelLabel>(this);
    label->SetAutoSize(false);
    label->SetBounds(l, t, w, h);
    label->SetTransparent(true);
    label->TextShadow = true;
    label->DrawRefresh = true;
    label->Color = clBtnText;
    label->Font.Name = FontMSGothic();
    label->Font.Height = -fontHeight;
    label->Font.Color = clWhite;
    label->SetAlignment(a);
    label->SetCaption(SJ(utf8));
    // Every label's press goes to the form's handler: a right press cancels.
    label->OnMouseDown = [this](TControl*, TMouseButton b, TShiftState, int32_t, int32_t) {
      FormMouseDown(b);
    };
    return label;
  };
  nlvlDispSpeed = make("文字表示速度", 56, 72, 169, 27, taLeftJustify, 27);
  nlvlDispFade = make("画面フェード", 56, 176, 169, 27, taLeftJustify, 27);
  nlvlTextBk = make("文字背景表示", 56, 240, 169, 27, taLeftJustify, 27);
  nlvlDispSpeedTop = make("遅い・・・・・速い", 304, 32, 241, 27, taCenter, 24);
  nlvlDispSpeed1 = make("１", 328, 72, 33, 27, taCenter, 27);
  nlvlDispSpeed2 = make("２", 408, 72, 33, 27, taCenter, 27);
  nlvlDispSpeed3 = make("３", 488, 72, 33, 27, taCenter, 27);
  nlvlDispFadeYes = make("する", 320, 176, 65, 27, taCenter, 27);
  nlvlDispFadeNo = make("しない", 440, 176, 89, 27, taCenter, 27);
  nlvlTextBkYes = make("する", 320, 240, 65, 27, taCenter, 27);
  nlvlTextBkNo = make("しない", 440, 240, 89, 27, taCenter, 27);
  nlvlIDYES = make("決定", 200, 368, 65, 27, taCenter, 27);
  nlvlIDCANCEL = make("キャンセル", 328, 368, 145, 27, taCenter, 27);

  TNovelLabel* selectable[9] = {nlvlDispSpeed1.get(),  nlvlDispSpeed2.get(), nlvlDispSpeed3.get(),
                                nlvlDispFadeYes.get(), nlvlDispFadeNo.get(), nlvlTextBkYes.get(),
                                nlvlTextBkNo.get(),    nlvlIDYES.get(),      nlvlIDCANCEL.get()};
  std::memcpy(selectable_, selectable, sizeof selectable_);
  for (TNovelLabel* l : selectable_)
    l->OnMouseMove = [this](TControl* sender, TShiftState, int32_t, int32_t) {
      FormMouseMove(sender);
    };
  for (int i = 0; i < 7; ++i)
    selectable_[i]->OnClick = [this](TControl* sender) { nlvlSelecterClick(sender); };
  nlvlIDYES->OnClick = [this](TControl* sender) { nlvlIDYESClick(sender); };
  nlvlIDCANCEL->OnClick = [this](TControl* sender) { nlvlIDCANCELClick(sender); };
}

// The labels are controls of this form and go before it.
TfrmOption::~TfrmOption() = default;

void TfrmOption::FormPaint() {
  if (MainFrm && MainFrm->splPaintView)
    BitBlt(Canvas(), 0, 0, ClientWidth(), ClientHeight(), MainFrm->splPaintView->BkGnd, 0, 0);
}

void TfrmOption::RefreshColours() {
  auto pick = [](TNovelLabel* label, bool selected) {
    label->Font.Color = selected ? kSelectedColour : kChoiceColour;
  };
  // Speed 0 and every value outside 0-2 show "１".
  const uint8_t speed = OptionCopy.TextSpeed;
  pick(nlvlDispSpeed1.get(), speed != 1 && speed != 2);
  pick(nlvlDispSpeed2.get(), speed == 1);
  pick(nlvlDispSpeed3.get(), speed == 2);
  pick(nlvlDispFadeYes.get(), OptionCopy.NoScreenFade == 0);
  pick(nlvlDispFadeNo.get(), OptionCopy.NoScreenFade != 0);
  pick(nlvlTextBkYes.get(), OptionCopy.NoTextBack == 0);
  pick(nlvlTextBkNo.get(), OptionCopy.NoTextBack != 0);
  nlvlIDYES->Font.Color = kChoiceColour;
  nlvlIDCANCEL->Font.Color = kChoiceColour;
  for (TNovelLabel* l : selectable_) l->Paint();
  if (Visible()) Present();
}

void TfrmOption::nlvlSelecterClick(TControl* Sender) {
  if (Sender == nlvlDispSpeed1.get()) OptionCopy.TextSpeed = 0;
  if (Sender == nlvlDispSpeed2.get()) OptionCopy.TextSpeed = 1;
  if (Sender == nlvlDispSpeed3.get()) OptionCopy.TextSpeed = 2;
  if (Sender == nlvlDispFadeYes.get()) OptionCopy.NoScreenFade = 0;
  if (Sender == nlvlDispFadeNo.get()) OptionCopy.NoScreenFade = 1;
  if (Sender == nlvlTextBkYes.get()) OptionCopy.NoTextBack = 0;
  if (Sender == nlvlTextBkNo.get()) OptionCopy.NoTextBack = 1;
  RefreshColours();
}

void TfrmOption::nlvlIDYESClick(TControl*) {
  if (MainFrm) std::memcpy(&MainFrm->ReadFlags.Options, &OptionCopy, sizeof OptionCopy);
  if (Application) Application->ProcessMessages();
  Hide();
}

void TfrmOption::nlvlIDCANCELClick(TControl*) { Hide(); }

void TfrmOption::FormMouseMove(TControl* Sender) {
  for (TNovelLabel* l : selectable_) {
    if (Sender != l) continue;
    l->Font.Color = kHoverColour;
    l->Paint();
    Present();
    HoverActive = true;
    return;
  }
  if (HoverActive) {
    HoverActive = false;
    RefreshColours();
  }
}

void TfrmOption::FormMouseDown(TMouseButton Button) {
  // Left presses on the selectable labels arrive as their clicks.
  if (Button == mbRight) nlvlIDCANCELClick(nullptr);
}

int TfrmOption::labelAtPointer() const {
  TPoint p;
  if (!GetCursorPos(&p)) return -1;
  p = ScreenToClient(p);
  for (int i = 0; i < 9; ++i) {
    const TRect r = selectable_[i]->BoundsRect();
    if (p.x >= r.Left && p.y >= r.Top && p.x < r.Right && p.y < r.Bottom) return i;
  }
  return -1;
}

void TfrmOption::KeyDown(int key, TShiftState shift) {
  if (shift & ssAlt) return;
  const int current = labelAtPointer();
  switch (key) {
    case VK_RETURN:
    case VK_SPACE:
      if (current >= 0 && selectable_[current]->OnClick)
        selectable_[current]->OnClick(selectable_[current]);
      return;
    case VK_ESCAPE:
    case VK_BACK:
      FormMouseDown(mbRight);
      return;
    case VK_UP:
    case VK_DOWN:
    case VK_LEFT:
    case VK_RIGHT: {
      TRect items[9];
      for (int i = 0; i < 9; ++i) items[i] = selectable_[i]->BoundsRect();
      const int target = TMainFrm::arrowTarget(items, 9, current, key);
      // The way the mouse goes: off the hovered label onto the background first, which takes
      // the hover colour off it, then onto the next one.
      if (current >= 0) {
        const TPoint off = ClientToScreen(TPoint{0, 0});
        SetCursorPos(off.x, off.y);
      }
      const TRect& r = items[target];
      const TPoint to = ClientToScreen(TPoint{(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2});
      SetCursorPos(to.x, to.y);
      return;
    }
    default:
      return;
  }
}
