// The compositor: builds the window picture from the menu bar, the main canvas, the visible child
// forms, an open drop-down and the modal boxes, and hands it to the backend at once. Also the
// mapping between view, window and client coordinates.
//
// The picture is kept between presents and changed only where its parts changed: a canvas
// written since (by its generation) is copied where it differs, a canvas covered entirely by
// another is not drawn, and the backend is told which parts changed (PresentChanges), so that a
// step of the ending roll costs about its 160-pixel strip instead of the whole window.
#include <algorithm>
#include <cstring>

#include "platform/windows/app.h"
#include "platform/windows/app_internal.h"
#include "platform/backend/backend.h"

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

namespace {

TRect intersection(const TRect& a, const TRect& b) {
  return Rect(std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
              std::min(a.Bottom, b.Bottom));
}

bool contains(const TRect& outer, const TRect& inner) {
  return outer.Left <= inner.Left && outer.Top <= inner.Top && inner.Right <= outer.Right &&
         inner.Bottom <= outer.Bottom;
}

bool samePlace(const Gui::ComposedCanvas& a, const Gui::ComposedCanvas& b) {
  return a.form == b.form && a.shown == b.shown && a.origin == b.origin && a.rect == b.rect;
}

// The first byte in [from, to) where a and b differ, or to.
size_t firstDifference(const uint8_t* a, const uint8_t* b, size_t from, size_t to) {
  if (from >= to || std::memcmp(a + from, b + from, to - from) == 0) return to;
  constexpr size_t kChunk = 64;
  while (to - from > kChunk && std::memcmp(a + from, b + from, kChunk) == 0) from += kChunk;
  while (a[from] == b[from]) ++from;
  return from;
}

// The last byte in [from, to) where a and b differ, or to.
size_t lastDifference(const uint8_t* a, const uint8_t* b, size_t from, size_t to) {
  if (from >= to || std::memcmp(a + from, b + from, to - from) == 0) return to;
  constexpr size_t kChunk = 64;
  size_t end = to;
  while (end - from > kChunk && std::memcmp(a + end - kChunk, b + end - kChunk, kChunk) == 0)
    end -= kChunk;
  while (a[end - 1] == b[end - 1]) --end;
  return end - 1;
}

}  // namespace

void CopyChangedPart(TBitmap& dst, const TRect& part, const TBitmap& src, TPoint srcOrigin,
                     std::vector<TRect>& changes) {
  // Clipped to both images: src pixel (x, y) lands on dst (x + srcOrigin.x, y + srcOrigin.y).
  const TRect r = intersection(
      intersection(part, Rect(0, 0, dst.Width(), dst.Height())),
      Rect(srcOrigin.x, srcOrigin.y, srcOrigin.x + src.Width(), srcOrigin.y + src.Height()));
  if (r.IsEmpty()) return;
  const TBitmap& before = dst;  // reading does not count as writing
  const size_t n = size_t(r.Width()) * 3;
  const size_t dstFrom = size_t(r.Left) * 3, srcFrom = size_t(r.Left - srcOrigin.x) * 3;
  // The changed bytes' columns (from r.Left) and rows.
  size_t left = n, right = n;
  int32_t top = -1, bottom = -1;
  for (int32_t y = r.Top; y < r.Bottom; ++y) {
    const uint8_t* d = before.ScanLine(y) + dstFrom;
    const uint8_t* s = src.ScanLine(y - srcOrigin.y) + srcFrom;
    if (std::memcmp(d, s, n) == 0) continue;
    if (top < 0) {
      top = y;
      left = firstDifference(d, s, 0, n);
      right = lastDifference(d, s, 0, n);
    } else {
      // Only the bytes outside the columns found so far can widen them.
      left = std::min(left, firstDifference(d, s, 0, left));
      const size_t last = lastDifference(d, s, right + 1, n);
      if (last < n) right = last;
    }
    bottom = y;
    std::memcpy(dst.WriteRows(y, 1) + dstFrom, s, n);
  }
  if (top >= 0)
    changes.push_back(Rect(r.Left + int32_t(left / 3), top, r.Left + int32_t(right / 3) + 1,
                           bottom + 1));
}

void Gui::CollectCanvases(TForm* f, TPoint origin, const TRect& bounds) {
  const TBitmap& c = f->canvas_;  // reading does not count as a change
  const TRect whole = Rect(origin.x, origin.y, origin.x + c.Width(), origin.y + c.Height());
  composing.push_back(ComposedCanvas{f, f->showOrder_, origin, intersection(whole, bounds),
                                     c.Generation()});
  for (TForm* child : f->ChildrenInZOrder())
    CollectCanvases(child, TPoint{origin.x + child->Left, origin.y + child->Top}, bounds);
}

void Gui::Compose() {
  TForm* main = Main();
  int32_t w = main ? main->ClientWidth() : 640;
  int32_t h = main ? main->Height() : 480;
  const TRect whole = Rect(0, 0, w, h);
  const int32_t bar = main ? main->MenuBarHeight() : 0;
  const bool shown = main && main->Visible();
  const bool overlays = menu.open >= 0 || !boxes.empty();
  ++composeCount;
  composedChanges.clear();
  bool incremental = composedValid && !composedOverlays && shown && !overlays;
  bool resized = false;
  if (picture.Width() != w || picture.Height() != h) {
    picture = TBitmap(w, h, pf24bit);
    resized = true;
    incremental = false;
  }
  if (shown) {
    composing.clear();
    CollectCanvases(main, main->ClientOriginInWindow(), whole);
    // Canvases are opaque: one that a canvas above covers entirely is not drawn at all.
    size_t kept = 0;
    for (size_t i = 0; i < composing.size(); ++i) {
      bool hidden = composing[i].rect.IsEmpty();
      for (size_t j = i + 1; j < composing.size() && !hidden; ++j)
        hidden = contains(composing[j].rect, composing[i].rect);
      if (!hidden) composing[kept++] = composing[i];
    }
    composing.resize(kept);
    incremental = incremental && composing.size() == composed.size() &&
                  std::equal(composing.begin(), composing.end(), composed.begin(), samePlace);
  }

  if (incremental) {
    // The same canvases in the same places: only what changed is copied, and only where it
    // differs from the picture, so that composedChanges holds the parts that really changed.
    if (bar > 0) {
      if (barPicture.Width() != w || barPicture.Height() != bar)
        barPicture = TBitmap(w, bar, pf24bit);
      DrawMenuBar(barPicture);
      CopyChangedPart(picture, Rect(0, 0, w, bar), barPicture, TPoint{0, 0}, composedChanges);
    }
    for (size_t i = 0; i < composing.size(); ++i) {
      const ComposedCanvas& c = composing[i];
      const TBitmap& canvas = c.form->canvas_;
      if (c.generation != composed[i].generation) {
        CopyChangedPart(picture, c.rect, canvas, c.origin, composedChanges);
        continue;
      }
      // An unchanged canvas is copied again only where something below it changed.
      for (size_t k = 0, n = composedChanges.size(); k < n; ++k)
        CopyChangedPart(picture, intersection(c.rect, composedChanges[k]), canvas, c.origin,
                        composedChanges);
    }
    composed.swap(composing);
    return;
  }

  // Everything is drawn again, on a picture of its own, and copied where it differs.
  if (fullPicture.Width() != w || fullPicture.Height() != h)
    fullPicture = TBitmap(w, h, pf24bit);
  if (!main) {
    FillRect(fullPicture, whole, clBlack);
  } else {
    if (bar > 0) DrawMenuBar(fullPicture);
    if (shown) {
      for (const ComposedCanvas& c : composing) {
        const TBitmap& canvas = c.form->canvas_;
        BitBlt(fullPicture, c.origin.x, c.origin.y, canvas.Width(), canvas.Height(), canvas, 0,
               0);
      }
    } else {
      // A box shown before the window is: it appears over an empty face.
      FillRect(fullPicture, Rect(0, bar, w, h), kFaceColor);
    }
  }
  if (menu.open >= 0) DrawDropDown(fullPicture);
  if (!boxes.empty()) DrawBoxes(fullPicture);
  CopyChangedPart(picture, whole, fullPicture, TPoint{0, 0}, composedChanges);
  if (resized) composedChanges.assign(1, whole);
  composedValid = shown;
  composedOverlays = overlays;
  if (shown) composed.swap(composing);
}

void Gui::Present() {
  TForm* main = Main();
  presentedValid = false;
  // Nothing is on the screen while the window is hidden, except a message box.
  if (boxes.empty() && (!main || !main->Visible())) return;
  const uint64_t pictureBefore = picture.Generation();
  Compose();
  SyncWindow();
  Backend& be = CurrentBackend();
  if (!fullScreen || !main) {
    handed.image = &picture;
    handed.before = pictureBefore;
    handed.after = picture.Generation();
    handed.changes = composedChanges;
    be.Present(picture);
  } else {
    int32_t vw = main->ClientWidth(), vh = main->ClientHeight();
    const int32_t offset = ViewOffset();
    const uint64_t viewBefore = view.Generation();
    handed.changes.clear();
    if (view.Width() != vw || view.Height() != vh) {
      view = TBitmap(vw, vh, pf24bit);
      BitBlt(view, 0, 0, vw, vh, picture, 0, offset);
      handed.changes.push_back(Rect(0, 0, vw, vh));
    } else if (viewCompose + 1 != composeCount || viewOffset != offset) {
      CopyChangedPart(view, Rect(0, 0, vw, vh), picture, TPoint{0, -offset}, handed.changes);
    } else {
      // The view showed the previous picture: only the parts that changed in it can differ.
      for (const TRect& r : composedChanges)
        CopyChangedPart(view, Rect(r.Left, r.Top - offset, r.Right, r.Bottom - offset), picture,
                        TPoint{0, -offset}, handed.changes);
    }
    viewCompose = composeCount;
    viewOffset = offset;
    handed.image = &view;
    handed.before = viewBefore;
    handed.after = view.Generation();
    be.Present(view);
  }
  if (!main) return;
  for (TForm* f : forms) f->canvasWritten_ = false;
  presentedValid = true;
  presentedFull = fullScreen;
  presentedOffset = ViewOffset();
}

const std::vector<TRect>* PresentChanges(const TBitmap& image, const TBitmap* shown,
                                         uint64_t shownGeneration) {
  const Gui::Handed& h = Gui::Get().handed;
  // The image must be the one handed over, unwritten since, and the copy must have been taken
  // from it just before this present wrote it.
  if (&image != h.image || image.Generation() != h.after || shown != h.image ||
      shownGeneration != h.before)
    return nullptr;
  return &h.changes;
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

bool IsComposedImage(const TBitmap* image) {
  const Gui& g = Gui::Get();
  return image == &g.picture || image == &g.view;
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
