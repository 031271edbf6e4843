// TForm: geometry, visibility, parenting and the close path; the registry of live forms.
#include <algorithm>
#include <cstring>

#include "platform/windows/app.h"
#include "platform/windows/app_internal.h"
#include "platform/backend/backend.h"
#include "platform/windows/controls.h"

Gui::Gui() {
  uiFont.Name = FontMSPGothic();
  uiFont.Height = -12;
  uiFont.Color = clBlack;
}

Gui& Gui::Get() {
  static Gui gui;
  return gui;
}

TForm* Gui::Main() {
  if (!Application) return nullptr;
  TForm* m = Application->MainForm;
  return (m && Get().IsLive(m)) ? m : nullptr;
}

bool Gui::IsLive(const TForm* f) const {
  return f && std::find(forms.begin(), forms.end(), f) != forms.end();
}

void Gui::Forget(TForm* f) {
  forms.erase(std::remove(forms.begin(), forms.end(), f), forms.end());
  if (capture == f) {
    capture = nullptr;
    CurrentBackend().CaptureMouse(false);
  }
  if (textInputForm == f) {
    textInputForm = nullptr;
    CurrentBackend().StopTextInput();
  }
  if (Application) {
    if (Application->MainForm == f) {
      Application->MainForm = nullptr;
      menu = MenuState{};
    }
    auto& q = Application->impl_->posted;
    q.erase(std::remove_if(q.begin(), q.end(), [f](const auto& p) { return p.form == f; }),
            q.end());
    std::lock_guard<std::mutex> lock(Application->impl_->threadMutex);
    auto& t = Application->impl_->fromThreads;
    t.erase(std::remove_if(t.begin(), t.end(), [f](const auto& p) { return p.form == f; }),
            t.end());
  }
}

TForm::TForm(TForm* parent) : canvas_(640, 480, pf24bit) {
  Gui::Get().forms.push_back(this);
  if (parent) SetParent(parent);
}

TForm::~TForm() {
  Gui& g = Gui::Get();
  bool wasShownMain = visible_ && Gui::Main() == this;
  SetParent(nullptr);
  for (TForm* c : children_) c->parent_ = nullptr;
  children_.clear();
  // Controls that outlive their form are left without one.
  if (g.grab && g.grab->parent_ == this) g.ReleaseGrab();
  for (TControl* c : controls_) c->parent_ = nullptr;
  controls_.clear();
  active_ = nullptr;
  if (g.heldOwner == this) g.heldWhile = nullptr;  // its condition may read this form
  g.Forget(this);
  if (wasShownMain) {
    CurrentBackend().ShowWindow(false);
    g.windowShown = false;
  }
}

void TForm::SetParent(TForm* parent) {
  if (parent == this) return;
  if (parent_) {
    auto& v = parent_->children_;
    v.erase(std::remove(v.begin(), v.end(), this), v.end());
  }
  parent_ = parent;
  if (parent_) parent_->children_.push_back(this);
  if (visible_) Gui::Get().repaintPending = true;
}

void TForm::SetClientSize(int32_t w, int32_t h) {
  canvas_.SetSize(std::max(w, 0), std::max(h, 0));
  Gui::Get().repaintPending = true;
}

int32_t TForm::MenuBarHeight() const { return (!parent_ && menu_) ? kMenuBarHeight : 0; }

int32_t TForm::Width() const { return ClientWidth(); }

int32_t TForm::Height() const { return ClientHeight() + MenuBarHeight(); }

void TForm::SetBounds(int32_t left, int32_t top, int32_t w, int32_t h) {
  Left = left;
  Top = top;
  SetClientSize(w, h - MenuBarHeight());
}

void TForm::CenterOnScreen() {
  if (parent_) {
    Left = (parent_->ClientWidth() - Width()) / 2;
    Top = (parent_->ClientHeight() - Height()) / 2;
    return;
  }
  Left = (ScreenWidth() - Width()) / 2;
  Top = (ScreenHeight() - Height()) / 2;
}

void TForm::SetCaption(const std::string& cp932) { Caption = cp932; }

void TForm::SetBorderStyle(TBorderStyle bs) { BorderStyle = bs; }

TMainMenu* TForm::CreateMenu() {
  if (!menu_) menu_ = std::make_unique<TMainMenu>();
  return menu_.get();
}

void TForm::Show() {
  Gui& g = Gui::Get();
  if (!visible_ || parent_) showOrder_ = ++g.showCounter;  // a child shown again comes to the top
  const bool wasVisible = visible_;
  visible_ = true;
  g.repaintPending = true;
  if (!wasVisible) enterFirstControl();
}

void TForm::Hide() {
  if (!visible_) return;
  visible_ = false;
  Gui& g = Gui::Get();
  g.repaintPending = true;
  if (g.capture == this) ReleaseCapture();
  if (g.grab && g.grab->parent_ == this) g.ReleaseGrab();
  // The active control stays the form's, to get the focus again when the form is shown.
  if (active_) active_->DoExit();
  if (!parent_ && Gui::Main() == this) {
    g.CloseMenu();
    CurrentBackend().ShowWindow(false);
    g.windowShown = false;
  }
}

std::vector<TForm*> TForm::ChildrenInZOrder() const {
  std::vector<TForm*> v;
  for (TForm* c : children_)
    if (c->visible_) v.push_back(c);
  std::stable_sort(v.begin(), v.end(),
                   [](const TForm* a, const TForm* b) { return a->showOrder_ < b->showOrder_; });
  return v;
}

TPoint TForm::ClientOriginInWindow() const {
  if (!parent_) return TPoint{0, MenuBarHeight()};
  TPoint o = parent_->ClientOriginInWindow();
  return TPoint{o.x + Left, o.y + Top};
}

TPoint TForm::ClientToScreen(TPoint p) const {
  const TForm* root = this;
  while (root->parent_) root = root->parent_;
  TPoint o = ClientOriginInWindow();
  return TPoint{p.x + o.x + root->Left, p.y + o.y + root->Top};
}

TPoint TForm::ScreenToClient(TPoint p) const {
  TPoint zero = ClientToScreen(TPoint{0, 0});
  return TPoint{p.x - zero.x, p.y - zero.y};
}

void TForm::Present() { Gui::Get().Present(); }

void TForm::CopyToCanvasAndPresent(int32_t x, int32_t y, int32_t w, int32_t h, const TBitmap& src,
                                   int32_t sx, int32_t sy) {
  // Clip in 64 bits to both images: positions may come from anywhere (shakes).
  int64_t dx = x, dy = y, srcX = sx, srcY = sy, cw = w, ch = h;
  // A start before 0 in one image moves both starts on and shortens the run.
  auto clipStart = [](int64_t& start, int64_t& otherStart, int64_t& length) {
    if (start >= 0) return;
    otherStart -= start;
    length += start;
    start = 0;
  };
  clipStart(srcX, dx, cw);
  clipStart(srcY, dy, ch);
  clipStart(dx, srcX, cw);
  clipStart(dy, srcY, ch);
  cw = std::min({cw, int64_t(canvas_.Width()) - dx, int64_t(src.Width()) - srcX});
  ch = std::min({ch, int64_t(canvas_.Height()) - dy, int64_t(src.Height()) - srcY});
  if (cw > 0 && ch > 0 && canvas_.Is24Bit() && src.Is24Bit()) {
    // Right after the previous copy the rectangle on the canvas equalled the source. With the
    // same source and placement, and neither image's record of written rows taken by anybody
    // else since, only rows written in either image since then can differ.
    const CanvasCopy& last = lastCopy_;
    const bool sinceLast = last.src == &src && last.x == dx && last.y == dy && last.w == cw &&
                           last.h == ch && last.sx == srcX && last.sy == srcY &&
                           src.WrittenRowsSerial() == last.srcSerial &&
                           canvas_.WrittenRowsSerial() == last.canvasSerial;
    TBitmap::WrittenRows& srcRows = copySrcRows_;
    TBitmap::WrittenRows& canvasRows = copyCanvasRows_;
    const uint64_t srcSerial = src.TakeWrittenRows(&srcRows);
    canvas_.TakeWrittenRows(&canvasRows);
    const size_t bytes = size_t(cw) * 3;
    bool changed = false;
    for (int64_t row = 0; row < ch; ++row) {
      const int64_t sr = srcY + row, cr = dy + row;
      if (sinceLast && !srcRows.Has(sr) && !canvasRows.Has(cr)) continue;
      uint8_t* d = canvas_.WriteRows(int32_t(cr), 1) + size_t(dx) * 3;
      const uint8_t* s = src.ScanLine(int32_t(sr)) + size_t(srcX) * 3;
      // Once one row differs the rest is copied without comparing.
      if (changed || std::memcmp(d, s, bytes) != 0) {
        std::memcpy(d, s, bytes);
        changed = true;
      }
    }
    if (changed) canvasWritten_ = true;
    // Takes the rows this copy itself wrote.
    lastCopy_ = CanvasCopy{
        &src, dx, dy, cw, ch, srcX, srcY, srcSerial, canvas_.TakeWrittenRows(&canvasRows)};
  } else if (cw > 0 && ch > 0) {
    BitBlt(canvas_, int32_t(dx), int32_t(dy), int32_t(cw), int32_t(ch), src, int32_t(srcX),
           int32_t(srcY), ropSrcCopy);
    canvasWritten_ = true;
    lastCopy_ = CanvasCopy{};
  }
  Gui::Get().PresentIfChanged();
}

void TForm::Close() {
  bool canClose = true;
  CloseQuery(canClose);
  if (!canClose) return;
  Hide();
  if (!parent_ && Application && Application->MainForm == this) Application->Terminate();
}

void TForm::Dispatch(TMessage& msg) {
  if (msg.Msg == WM_CLOSE) Close();
}
