// TControl, the focus and repaint requests of TForm, and the layer's routing of mouse, keys and
// paints to the controls of a form.
#include "platform/windows/controls.h"

#include <algorithm>

#include "platform/windows/app_internal.h"
#include "platform/backend/backend.h"

// ---- TControl -------------------------------------------------------------------------------
TControl::TControl(TForm* parent) : parent_(parent) {
  Gui::Get().controls.push_back(this);
  if (parent_) {
    parent_->controls_.push_back(this);
    parent_->Invalidate();
  }
}

TControl::~TControl() {
  Gui& g = Gui::Get();
  if (g.grab == this) g.ReleaseGrab();
  g.controls.erase(std::remove(g.controls.begin(), g.controls.end(), this), g.controls.end());
  if (!parent_) return;
  // A derived control has already ended its own part of the focus (TEdit stops text input in
  // its destructor); here the form only forgets it.
  if (parent_->active_ == this) parent_->active_ = nullptr;
  auto& v = parent_->controls_;
  v.erase(std::remove(v.begin(), v.end(), this), v.end());
  parent_->Invalidate();
}

TBitmap& TControl::Canvas() {
  if (parent_) return parent_->Canvas();
  static TBitmap none;  // a control whose form is gone draws nowhere
  return none;
}

void TControl::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) {
  Left = left;
  Top = top;
  Width = std::max(width, 0);
  Height = std::max(height, 0);
  Invalidate();
}

void TControl::SetVisible(bool v) {
  if (visible_ == v) return;
  visible_ = v;
  if (!v) loseFocusAndMouse();
  Invalidate();
}

void TControl::SetEnabled(bool e) {
  if (enabled_ == e) return;
  enabled_ = e;
  if (!e) loseFocusAndMouse();
  Invalidate();
}

void TControl::loseFocusAndMouse() {
  Gui& g = Gui::Get();
  if (g.grab == this) g.ReleaseGrab();
  if (!parent_ || parent_->active_ != this) return;
  const bool hadFocus = Focused();
  parent_->active_ = nullptr;
  if (hadFocus) DoExit();
}

void TControl::Invalidate() {
  if (parent_) parent_->Invalidate();
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int32_t x, int32_t y) {
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState shift, int32_t x, int32_t y) {
  if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int32_t x, int32_t y) {}

void TControl::Click() {
  if (OnClick) OnClick(this);
}

bool TControl::CanFocus() const {
  return Windowed() && visible_ && enabled_ && parent_ && parent_->Visible();
}

bool TControl::Focused() const { return parent_ && parent_->Visible() && parent_->active_ == this; }

bool TControl::SetFocus() {
  if (!CanFocus()) return false;
  parent_->focusTo(this);
  return true;
}

// ---- TForm: focus and repaint requests ------------------------------------------------------
void TForm::focusTo(TControl* c) {
  TControl* old = active_;
  if (old == c) return;
  active_ = c;
  // The old control lets go first (it stops text input), then the new one takes over.
  if (old) old->DoExit();
  if (c && active_ == c && Gui::Get().IsLiveControl(c)) c->DoEnter();
}

std::vector<TControl*> TForm::tabOrder() const {
  std::vector<TControl*> v;
  for (TControl* c : controls_)
    if (c->CanFocus()) v.push_back(c);
  std::stable_sort(v.begin(), v.end(),
                   [](const TControl* a, const TControl* b) { return a->TabOrder < b->TabOrder; });
  return v;
}

void TForm::enterFirstControl() {
  TControl* c = active_;
  if (!c || !c->CanFocus()) {
    std::vector<TControl*> order = tabOrder();
    c = order.empty() ? nullptr : order.front();
  }
  active_ = c;
  if (c) c->DoEnter();
}

bool TForm::SetActiveControl(TControl* c) {
  if (!c || c->parent_ != this || !c->Windowed() || !c->Visible() || !c->Enabled()) return false;
  if (visible_) return c->SetFocus();
  active_ = c;
  return true;
}

bool TForm::SelectNext(bool forward) {
  std::vector<TControl*> order = tabOrder();
  if (order.empty()) return false;
  auto it = std::find(order.begin(), order.end(), active_);
  size_t n = order.size(), next;
  if (it == order.end()) {
    next = forward ? 0 : n - 1;
  } else {
    size_t i = size_t(it - order.begin());
    next = forward ? (i + 1) % n : (i + n - 1) % n;
  }
  return order[next]->SetFocus();
}

void TForm::Invalidate() {
  invalid_ = true;
  Gui::Get().invalidPending = true;
}

// ---- routing --------------------------------------------------------------------------------
bool Gui::IsLiveControl(const TControl* c) const {
  return c && std::find(controls.begin(), controls.end(), c) != controls.end();
}

TControl* Gui::ControlAt(TForm* f, TPoint client) {
  // Windowed controls lie above graphic ones; among each kind a later one lies above.
  for (bool windowed : {true, false}) {
    const auto& v = f->controls_;
    for (auto it = v.rbegin(); it != v.rend(); ++it) {
      TControl* c = *it;
      if (c->Windowed() != windowed || !c->visible_ || !c->enabled_) continue;
      int32_t x = client.x - c->Left, y = client.y - c->Top;
      if (x >= 0 && y >= 0 && x < c->Width && y < c->Height) return c;
    }
  }
  return nullptr;
}

void Gui::ReleaseGrab() {
  grab = nullptr;
  // The mouse stays captured for a form that asked for it with SetCapture.
  if (!capture) CurrentBackend().CaptureMouse(false);
}

void Gui::DeliverToControl(TControl* c, const BackendEvent& ev, TPoint client) {
  int32_t x = client.x - c->Left, y = client.y - c->Top;
  switch (ev.kind) {
    case BackendEventKind::kMouseDown:
      if (ev.button == mbLeft) {
        grab = c;
        CurrentBackend().CaptureMouse(true);
        // A press focuses a windowed control before the control sees it, so that a click in
        // an edit places the caret after the focus has arrived.
        if (c->CanFocus()) c->SetFocus();
        if (!IsLiveControl(c) || !c->visible_ || !c->enabled_) return;
      }
      c->MouseDown(ev.button, ev.shift, x, y);
      break;
    case BackendEventKind::kMouseUp:
      c->MouseUp(ev.button, ev.shift, x, y);
      break;
    default:
      c->MouseMove(ev.shift, x, y);
      break;
  }
}

void Gui::DeliverToGrab(const BackendEvent& ev, TPoint window) {
  TControl* c = grab;
  if (!c->parent_) {
    ReleaseGrab();
    return;
  }
  TPoint o = c->parent_->ClientOriginInWindow();
  int32_t x = window.x - o.x - c->Left, y = window.y - o.y - c->Top;
  switch (ev.kind) {
    case BackendEventKind::kMouseUp:
      if (ev.button != mbLeft) {
        c->MouseUp(ev.button, ev.shift, x, y);
        return;
      }
      ReleaseGrab();
      c->MouseUp(ev.button, ev.shift, x, y);
      // The handler may have hidden, disabled or destroyed it.
      if (IsLiveControl(c) && c->parent_ && c->visible_ && c->enabled_ && x >= 0 && y >= 0 &&
          x < c->Width && y < c->Height)
        c->Click();
      return;
    case BackendEventKind::kMouseDown:
      c->MouseDown(ev.button, ev.shift, x, y);
      return;
    default:
      c->MouseMove(ev.shift, x, y);
      return;
  }
}

void Gui::PaintForm(TForm* f) {
  f->invalid_ = false;
  f->Paint();
  if (!IsLive(f)) return;
  // A paint handler may add or remove controls: the list is copied and each checked.
  std::vector<TControl*> v = f->controls_;
  for (bool windowed : {false, true})
    for (TControl* c : v)
      if (IsLiveControl(c) && c->parent_ == f && c->Windowed() == windowed && c->visible_)
        c->Paint();
}

bool Gui::Shown(const TForm* f) {
  for (; f; f = f->parent_)
    if (!f->visible_) return false;
  return true;
}

bool Gui::PaintInvalidForms() {
  invalidPending = false;
  bool painted = false;
  std::vector<TForm*> v = forms;
  for (TForm* f : v) {
    if (!IsLive(f) || !f->invalid_) continue;
    f->invalid_ = false;
    if (!Shown(f)) continue;
    PaintForm(f);
    painted = true;
  }
  return painted;
}

void Gui::RepaintInvalid() {
  if (PaintInvalidForms()) Present();
}

void Gui::IdleControls() {
  std::vector<TForm*> v = forms;
  for (TForm* f : v)
    if (IsLive(f) && f->active_ && Shown(f) && f->active_->Focused()) f->active_->Idle();
}

uint32_t Gui::IdleDueInMs() {
  uint32_t due = UINT32_MAX;
  for (TForm* f : forms)
    if (f->active_ && Shown(f) && f->active_->Focused())
      due = std::min(due, f->active_->IdleDueInMs());
  return due;
}
