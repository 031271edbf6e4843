#include "screens/input.h"

#include <cstring>

#include "paint/splpaint.h"
#include "platform/text/cp932.h"
#include "shell/main_form.h"

namespace {

// The designed layout: left, top, width, height.
constexpr TRect kCaption1{187, 64, 187 + 192, 64 + 32};
constexpr TRect kEdit1{187, 108, 187 + 265, 108 + 40};
constexpr TRect kCaption2{187, 200, 187 + 192, 200 + 32};
constexpr TRect kEdit2{187, 244, 187 + 265, 244 + 40};
constexpr TRect kOk{291, 376, 291 + 64, 376 + 32};
// In single-name mode the first pair sits this much lower.
constexpr int32_t kSingleNameShift = 30;
constexpr int32_t kNameMaxBytes = 30;
constexpr int32_t kFontHeight = 32;

void place(TControl& c, const TRect& r, int32_t dy = 0) {
  c.SetBounds(r.Left, r.Top + dy, r.Width(), r.Height());
}

}  // namespace

TfrmInput::TfrmInput(TForm* owner) : TForm(owner) {
  SetBorderStyle(bsNone);
  SetClientSize(kPlayWidth, kPlayHeight);

  auto caption = [this](const char* utf8, const TRect& r) {
    auto label = std::make_unique<TNovelLabel>(this);
    place(*label, r);
    label->Font.Name = FontMSGothic();
    label->Font.Height = -kFontHeight;
    label->Font.Color = clWindow;
    label->SetTransparent(true);
    label->SetCaption(SJ(utf8));
    label->Loaded();
    return label;
  };
  auto edit = [this](const char* text, const TRect& r, int order) {
    auto e = std::make_unique<TEdit>(this);
    place(*e, r);
    e->Font.Name = FontMSPGothic();
    e->Font.Height = -kFontHeight;
    e->MaxLength = kNameMaxBytes;
    e->TabOrder = order;
    e->SetText(text);
    return e;
  };
  nlvlCharaName1 = caption("主人公の苗字", kCaption1);
  edtCharaName1 = edit("edtCharaName1", kEdit1, 0);
  nlvlCharaName2 = caption("主人公の名前", kCaption2);
  edtCharaName2 = edit("edtCharaName2", kEdit2, 1);

  nlvlIDOK = std::make_unique<TNovelLabel>(this);
  place(*nlvlIDOK, kOk);
  nlvlIDOK->Font.Name = FontMSGothic();
  nlvlIDOK->Font.Height = -kFontHeight;
  nlvlIDOK->Font.Color = clWhite;
  nlvlIDOK->SetAlignment(taCenter);
  nlvlIDOK->SetTransparent(true);
  nlvlIDOK->SetCaption(SJ("ＯＫ"));
  nlvlIDOK->Loaded();
  nlvlIDOK->OnClick = [this](TControl* sender) { nlvlIDOKClick(sender); };
  nlvlIDOK->OnMouseMove = [this](TControl* sender, TShiftState, int32_t, int32_t) {
    FormMouseMove(sender);
  };
}

// The controls belong to this form and go before it.
TfrmInput::~TfrmInput() = default;

void TfrmInput::setupNames(int32_t firstIndex, const char* caption1, const char* text1,
                           int32_t secondIndex, const char* caption2, const char* text2) {
  // Each opening starts from the designed layout, so a single-name request does not move the
  // fields of later ones.
  place(*nlvlCharaName1, kCaption1);
  place(*edtCharaName1, kEdit1);
  place(*nlvlCharaName2, kCaption2);
  place(*edtCharaName2, kEdit2);
  nlvlCharaName2->Show();
  edtCharaName2->Show();

  nlvlCharaName1->SetCaption(caption1 ? caption1 : "");
  nlvlCharaName2->SetCaption(caption2 ? caption2 : "");
  nlvlCharaName1->AdjustBounds();
  nlvlCharaName2->AdjustBounds();
  edtCharaName1->SetText(text1 ? text1 : "");
  edtCharaName2->SetText(text2 ? text2 : "");
  FirstNameIndex = firstIndex;
  SecondNameIndex = secondIndex;

  if (!text2 || !text2[0]) {
    for (TControl* c : {static_cast<TControl*>(nlvlCharaName1.get()),
                        static_cast<TControl*>(edtCharaName1.get())})
      c->SetBounds(c->Left, c->Top + kSingleNameShift, c->Width, c->Height);
    nlvlCharaName2->Hide();
    edtCharaName2->Hide();
  }
}

void TfrmInput::showForInput() {
  Show();
  edtCharaName1->SetFocus();
}

void TfrmInput::FormPaint() {
  if (MainFrm && MainFrm->splPaintView)
    BitBlt(Canvas(), 0, 0, ClientWidth(), ClientHeight(), MainFrm->splPaintView->BkGnd, 0, 0);
}

void TfrmInput::FormMouseMove(TControl* Sender) {
  if (Sender == nlvlIDOK.get()) {
    nlvlIDOK->Font.Color = clYellow;
    nlvlIDOK->Paint();
    Present();
    HoverActive = true;
    return;
  }
  if (HoverActive) {
    HoverActive = false;
    nlvlIDOK->Font.Color = clWhite;
    nlvlIDOK->Paint();
    Present();
  }
}

void TfrmInput::nlvlIDOKClick(TControl*) {
  if (!Visible()) return;
  // An entry index outside the save record names no entry and is not written.
  auto store = [](int32_t index, const std::string& name) {
    if (!MainFrm) return;
    char* entry = MainFrm->SaveData.CharName(index);
    if (!entry) return;
    std::memset(entry, 0, kCharNameBytes);
    std::memcpy(entry, name.data(),
                CutAtCharBoundary(name.data(), name.size(), kCharNameBytes - 1));
  };
  store(FirstNameIndex, edtCharaName1->Text());
  if (edtCharaName2->Visible()) store(SecondNameIndex, edtCharaName2->Text());
  Hide();
  if (MainFrm && MainFrm->splPaintView) {
    MainFrm->splPaintView->DrawToBkGnd(false);
    MainFrm->DrawTextWindow();
  }
}

void TfrmInput::KeyDown(int key, TShiftState) {
  if (key == VK_RETURN) nlvlIDOKClick(nullptr);
}
