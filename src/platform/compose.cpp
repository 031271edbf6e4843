// The compositor: builds the window picture from the menu bar, the main canvas, the visible child
// forms, an open drop-down and the modal boxes, and hands it to the backend at once. Also the
// mapping between view, window and client coordinates.
#include <algorithm>

#include "platform/app.h"
#include "platform/app_internal.h"
#include "platform/backend.h"

int32_t Gui::ViewOffset() const {
  TForm* main = Main();
  if (!fullScreen || !main) return 0;
  return std::clamp<int32_t>(-main->Top, 0, main->MenuBarHeight());
}

void Gui::SyncWindow() {
  TForm* main = Main();
  Backend& be = CurrentBackend();
  if (!main) {
    if (!windowShown) be.ShowWindow(true);  // a box with no window of its own
    windowShown = true;
    return;
  }
  const std::string& title =
      !main->Caption.empty() || !Application ? main->Caption : Application->Title;
  if (!syncValid || title != syncedTitle) be.SetWindowTitle(title);
  syncedTitle = title;
  if (!fullScreen) {
    bool bordered = main->BorderStyle != bsNone;
    if (!syncValid || bordered != syncedBordered) be.SetWindowBordered(bordered);
    syncedBordered = bordered;
    TPoint pos{main->Left, main->Top};
    if (!syncValid || !(pos == syncedPos)) be.SetWindowPosition(pos.x, pos.y);
    syncedPos = pos;
  }
  syncValid = true;
  if (!windowShown) {
    be.ShowWindow(true);
    windowShown = true;
  }
}

void Gui::ComposeForm(TForm* f, TPoint origin) {
  const TBitmap& c = f->canvas_;  // reading does not count as a change
  BitBlt(picture, origin.x, origin.y, c.Width(), c.Height(), c, 0, 0);
  for (TForm* child : f->ChildrenInZOrder())
    ComposeForm(child, TPoint{origin.x + child->Left, origin.y + child->Top});
}

void Gui::Compose() {
  TForm* main = Main();
  int32_t w = main ? main->ClientWidth() : 640;
  int32_t h = main ? main->Height() : 480;
  if (picture.Width() != w || picture.Height() != h) picture = TBitmap(w, h, pf24bit);
  if (!main) {
    FillRect(picture, Rect(0, 0, w, h), clBlack);
  } else {
    if (main->MenuBarHeight() > 0) DrawMenuBar(picture);
    if (main->Visible()) {
      ComposeForm(main, main->ClientOriginInWindow());
    } else {
      // A box shown before the window is: it appears over an empty face.
      FillRect(picture, Rect(0, main->MenuBarHeight(), w, h), kFaceColor);
    }
  }
  if (menu.open >= 0) DrawDropDown(picture);
  if (!boxes.empty()) DrawBoxes(picture);
}

void Gui::Present() {
  TForm* main = Main();
  presentedValid = false;
  // Nothing is on the screen while the window is hidden, except a message box.
  if (boxes.empty() && (!main || !main->Visible())) return;
  Compose();
  SyncWindow();
  Backend& be = CurrentBackend();
  if (!fullScreen || !main) {
    be.Present(picture);
  } else {
    int32_t vw = main->ClientWidth(), vh = main->ClientHeight();
    if (view.Width() != vw || view.Height() != vh) view = TBitmap(vw, vh, pf24bit);
    BitBlt(view, 0, 0, vw, vh, picture, 0, ViewOffset());
    be.Present(view);
  }
  if (!main) return;
  for (TForm* f : forms) f->canvasWritten_ = false;
  presentedValid = true;
  presentedFull = fullScreen;
  presentedOffset = ViewOffset();
}

void Gui::PresentIfChanged() {
  TForm* main = Main();
  const bool same = presentedValid && main && main->Visible() && !main->canvasWritten_ &&
                    boxes.empty() && menu.open < 0 && !repaintPending &&
                    main->ChildrenInZOrder().empty() && fullScreen == presentedFull &&
                    ViewOffset() == presentedOffset && syncValid && main->Caption == syncedTitle &&
                    (main->BorderStyle != bsNone) == syncedBordered &&
                    (fullScreen || TPoint{main->Left, main->Top} == syncedPos);
  if (same)
    CurrentBackend().PresentUnchanged();
  else
    Present();
}

TForm* Gui::FormAt(TPoint window, TPoint* client) {
  TForm* main = Main();
  if (!main || !main->Visible()) return nullptr;
  // Walks down from the main form, taking the topmost visible child under the point each time.
  TForm* f = main;
  for (;;) {
    TPoint o = f->ClientOriginInWindow();
    TForm* hit = nullptr;
    std::vector<TForm*> kids = f->ChildrenInZOrder();
    for (auto it = kids.rbegin(); it != kids.rend(); ++it) {
      TForm* c = *it;
      int32_t x = window.x - o.x - c->Left, y = window.y - o.y - c->Top;
      if (x >= 0 && y >= 0 && x < c->Width() && y < c->Height()) {
        hit = c;
        break;
      }
    }
    if (!hit) break;
    f = hit;
  }
  TPoint o = f->ClientOriginInWindow();
  int32_t x = window.x - o.x, y = window.y - o.y;
  if (f == main && (x < 0 || y < 0 || x >= main->ClientWidth() || y >= main->ClientHeight()))
    return nullptr;
  if (client) *client = TPoint{x, y};
  return f;
}

// ---- coordinates ----------------------------------------------------------------------------
TPoint ViewToWindow(TPoint view) { return TPoint{view.x, view.y + Gui::Get().ViewOffset()}; }

TPoint WindowToView(TPoint window) {
  return TPoint{window.x, window.y - Gui::Get().ViewOffset()};
}

TPoint MainClientToView(TPoint client) {
  TForm* main = Gui::Main();
  int32_t bar = main ? main->MenuBarHeight() : 0;
  return WindowToView(TPoint{client.x, client.y + bar});
}

int32_t ViewOffset() { return Gui::Get().ViewOffset(); }

// Shared by the menu and the boxes.
void DrawEdge3D(TBitmap& dst, const TRect& r, bool raised) {
  TColor tl = raised ? kLightColor : kShadowColor;
  TColor br = raised ? kShadowColor : kLightColor;
  FillRect(dst, Rect(r.Left, r.Top, r.Right, r.Top + 1), tl);
  FillRect(dst, Rect(r.Left, r.Top, r.Left + 1, r.Bottom), tl);
  FillRect(dst, Rect(r.Left, r.Bottom - 1, r.Right, r.Bottom), br);
  FillRect(dst, Rect(r.Right - 1, r.Top, r.Right, r.Bottom), br);
}
