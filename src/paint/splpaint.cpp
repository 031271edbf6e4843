// TSplPaint: construction, loading, sprite slots, and the copies between the scene images and
// the screen.
#include "paint/splpaint.h"

#include <algorithm>

#include "paint/paint_internal.h"
#include "platform/files/files.h"

namespace {

bool validSlot(int n) { return n >= 0 && n < TSplPaint::kSpliteCount; }

TRect imageRect(const TBitmap& b) { return Rect(0, 0, b.Width(), b.Height()); }

// Copies the whole of src onto dst at (0, 0).
void copyWhole(TBitmap& dst, const TBitmap& src) {
  BitBlt(dst, 0, 0, src.Width(), src.Height(), src, 0, 0, ropSrcCopy);
}

// Copies rectangle r of src onto the same rectangle of dst.
void copySameRect(TBitmap& dst, const TBitmap& src, const TRect& r) {
  BitBlt(dst, r.Left, r.Top, r.Width(), r.Height(), src, r.Left, r.Top, ropSrcCopy);
}

// Colour key: pure green becomes black in the image and white in the mask; every other pixel is
// opaque (black in the mask) and keeps its colour.
void keyPureGreen(TBitmap& image, TBitmap& mask) {
  for (int32_t y = 0; y < image.Height(); ++y) {
    uint8_t* ip = image.ScanLine(y);
    uint8_t* mp = mask.ScanLine(y);
    for (int32_t x = 0; x < image.Width(); ++x, ip += 3, mp += 3) {
      const bool key = ip[0] == 0 && ip[1] == 255 && ip[2] == 0;
      if (key) {
        ip[1] = 0;
        mp[0] = mp[1] = mp[2] = 255;
      } else {
        mp[0] = mp[1] = mp[2] = 0;
      }
    }
  }
}

// Sprite composition: target := target AND Mask, then target := target OR Image, both with
// SrcRect mapped onto DestRect, on BkGnd and optionally on Temp. Unstretched sprites whose mask
// and image agree in size (the usual case) do both steps in one pass, with the clipping the two
// block copies would apply, and on both targets at once when they have the same size.
void composeSprite(TBitmap& bk, TBitmap* temp, const TpbSplite& s) {
  const TRect& d = s.DestRect;
  const TRect& r = s.SrcRect;
  const bool plain = d.Width() == r.Width() && d.Height() == r.Height() &&
                     s.Mask.Width() == s.Image.Width() && s.Mask.Height() == s.Image.Height();
  const bool both = temp && temp->Width() == bk.Width() && temp->Height() == bk.Height();
  if (!plain || (temp && !both)) {
    for (TBitmap* target : {&bk, temp}) {
      if (!target) continue;
      StretchBlt(*target, d, s.Mask, r, ropSrcAnd);
      StretchBlt(*target, d, s.Image, r, ropSrcPaint);
    }
    return;
  }
  if (bk.ByteSize() == 0 || s.Image.ByteSize() == 0 || r.Width() <= 0 || r.Height() <= 0) return;
  const int64_t i0 = std::max<int64_t>({0, -int64_t(d.Left), -int64_t(r.Left)});
  const int64_t i1 = std::min<int64_t>(
      {r.Width(), int64_t(bk.Width()) - d.Left, int64_t(s.Image.Width()) - r.Left});
  const int64_t j0 = std::max<int64_t>({0, -int64_t(d.Top), -int64_t(r.Top)});
  const int64_t j1 = std::min<int64_t>(
      {r.Height(), int64_t(bk.Height()) - d.Top, int64_t(s.Image.Height()) - r.Top});
  if (i1 <= i0 || j1 <= j0) return;
  const size_t n = size_t(i1 - i0) * 3;
  const size_t so = size_t(r.Left + i0) * 3, dOff = size_t(d.Left + i0) * 3;
  for (int64_t j = j0; j < j1; ++j) {
    const uint8_t* m = s.Mask.ScanLine(int32_t(r.Top + j)) + so;
    const uint8_t* im = s.Image.ScanLine(int32_t(r.Top + j)) + so;
    const int32_t y = int32_t(d.Top + j);
    if (temp)
      paint::ComposeRow2(bk.ScanLine(y) + dOff, temp->ScanLine(y) + dOff, m, im, n);
    else
      paint::ComposeRow(bk.ScanLine(y) + dOff, m, im, n);
  }
}

}  // namespace

TSplPaint::TSplPaint(TForm* parent) : parent_(parent) {
  Font.Name = FontMSGothic();
  Font.Charset = 128;
  Font.Color = clWhite;
  Font.Height = -27;
  BlackBrush = TBrush::Solid(clBlack);
  WhiteBrush = TBrush::Solid(clWhite);
  ChangeFadeBrush(0);
  FadeStep = 0;
  Loading = false;
}

TSplPaint::~TSplPaint() = default;

// ---- loading --------------------------------------------------------------------------------

bool TSplPaint::SetBkGnd(const TBitmap* picture, bool alsoBkGnd) {
  if (!picture) return false;
  Loading = true;
  const TBitmap pic = *picture;  // picture may be one of our own surfaces
  if (alsoBkGnd) BkGnd = pic;
  OrgBkGnd = pic;
  Temp = pic;
  BkRect = Rect(0, 0, OrgBkGnd.Width(), OrgBkGnd.Height());
  Width = BkGnd.Width();
  Height = BkGnd.Height();
  Loading = false;
  return BkGnd.Width() == OrgBkGnd.Width() && BkGnd.Height() == OrgBkGnd.Height();
}

bool TSplPaint::LoadBkGnd(const char* fileName, bool alsoBkGnd, int) {
  if (!fileName || !FileExists(fileName)) return false;
  Loading = true;
  // The file is decoded once and copied into each surface. A file that exists but cannot be
  // decoded leaves every surface as it was.
  TBitmap pic;
  if (!LoadBitmapFile(fileName, pic)) {
    Loading = false;
    return false;
  }
  return SetBkGnd(&pic, alsoBkGnd);
}

bool TSplPaint::LoadSplite(int n, const char* fileName) {
  if (!validSlot(n) || !fileName || !FileExists(fileName)) return false;
  TpbSplite& s = Splite[n];
  Loading = true;
  TBitmap pic;
  if (!LoadBitmapFile(fileName, pic)) {
    Loading = false;
    return false;
  }
  s.Image = std::move(pic);
  if (!s.Image.Is24Bit()) {
    // The picture stays in the slot, but its mask and rectangles keep their old values.
    Loading = false;
    return false;
  }
  s.Mask = TBitmap(s.Image.Width(), s.Image.Height(), s.Image.PixelFormat());
  keyPureGreen(s.Image, s.Mask);
  s.SrcRect = s.DestRect = imageRect(s.Image);
  Loading = false;
  return s.Mask.Width() == s.Image.Width() && s.Mask.Height() == s.Image.Height() &&
         s.Image.Width() != 0 && s.Image.Height() != 0;
}

bool TSplPaint::LoadSplite(int n, const char* imageFile, const char* maskFile) {
  if (!validSlot(n) || !imageFile || !maskFile) return false;
  if (!FileExists(imageFile) || !FileExists(maskFile)) return false;
  TpbSplite& s = Splite[n];
  Loading = true;
  TBitmap image, mask;
  if (!LoadBitmapFile(imageFile, image) || !LoadBitmapFile(maskFile, mask)) {
    Loading = false;
    return false;
  }
  s.Image = std::move(image);
  s.Mask = std::move(mask);
  s.SrcRect = s.DestRect = imageRect(s.Image);
  Loading = false;
  return s.Mask.Width() == s.Image.Width() && s.Mask.Height() == s.Image.Height() &&
         s.Image.Width() != 0 && s.Image.Height() != 0;
}

// ---- moving ---------------------------------------------------------------------------------

void TSplPaint::MoveSplite(int n, TRect r) {
  if (validSlot(n)) Splite[n].DestRect = r;
}

void TSplPaint::MoveSplite(int n, int32_t x, int32_t y) {
  if (!validSlot(n)) return;
  TRect& d = Splite[n].DestRect;
  d = Rect(x, y, x + d.Width(), y + d.Height());
}

void TSplPaint::MoveSplite2(int n, int32_t dx, int32_t dy) {
  if (!validSlot(n)) return;
  TRect& d = Splite[n].DestRect;
  d = Rect(d.Left + dx, d.Top + dy, d.Right + dx, d.Bottom + dy);
}

// ---- drawing sprites ------------------------------------------------------------------------

// A first sprite drawn before any background: a dark green scene at the control's size. It keeps
// the default pixel format, so the pixel effects refuse it until a background is loaded.
void TSplPaint::createEmptyBkGnd() {
  BkGnd = TBitmap();
  BkGnd.SetSize(Width, Height);
  FillRect(BkGnd, Rect(0, 0, Width, Height), RGB(0, 128, 0));
  OrgBkGnd = BkGnd;
}

void TSplPaint::DrawSplite(int n, bool alsoTemp) {
  if (!validSlot(n) || !Splite[n].Visible) return;
  if (BkGnd.Empty()) createEmptyBkGnd();
  composeSprite(BkGnd, alsoTemp ? &Temp : nullptr, Splite[n]);
}

void TSplPaint::PatchSplite(int n) {
  if (!validSlot(n)) return;
  const TRect& d = Splite[n].DestRect;
  copySameRect(BkGnd, OrgBkGnd, d);
  copySameRect(Temp, OrgBkGnd, d);
}

void TSplPaint::PatchSplite() {
  const TRect r = Rect(0, 0, Width, Height);
  copySameRect(BkGnd, OrgBkGnd, r);
  copySameRect(Temp, OrgBkGnd, r);
}

void TSplPaint::DrawAll(int except) {
  PatchSplite();
  for (int i = 0; i < kSpliteCount; ++i)
    if (i != except) DrawSplite(i, true);
}

// ---- slot properties ------------------------------------------------------------------------

int32_t TSplPaint::GetWidth(int n) const { return validSlot(n) ? Splite[n].Image.Width() : 0; }
int32_t TSplPaint::GetHeight(int n) const { return validSlot(n) ? Splite[n].Image.Height() : 0; }

void TSplPaint::SetWidth(int n, int32_t w) {
  if (!validSlot(n)) return;
  Splite[n].Image.SetWidth(w);
  Splite[n].Mask.SetWidth(w);
}

void TSplPaint::SetHeight(int n, int32_t h) {
  if (!validSlot(n)) return;
  Splite[n].Image.SetHeight(h);
  Splite[n].Mask.SetHeight(h);
}

bool TSplPaint::GetVisible(int n) const { return validSlot(n) && Splite[n].Visible; }

void TSplPaint::SetVisible(int n, bool v) {
  if (validSlot(n)) Splite[n].Visible = v;
}

// ---- copies and fills -----------------------------------------------------------------------

// Copies srcRect of src to (dx, dy) in control coordinates on the parent's canvas, clipped to
// the control's own area, and shows the window picture at once.
void TSplPaint::copyToScreen(const TBitmap& src, int32_t dx, int32_t dy, const TRect& srcRect) {
  if (!parent_) return;
  // Clip in 64 bits: positions come from callers (shakes) and may be anything.
  int64_t x0 = int64_t(Left) + dx, y0 = int64_t(Top) + dy;
  int64_t sx = srcRect.Left, sy = srcRect.Top;
  int64_t w = int64_t(srcRect.Right) - srcRect.Left, h = int64_t(srcRect.Bottom) - srcRect.Top;
  const int64_t cl = Left, ct = Top, cr = int64_t(Left) + std::max(Width, 0),
                cb = int64_t(Top) + std::max(Height, 0);
  if (x0 < cl) { sx += cl - x0; w -= cl - x0; x0 = cl; }
  if (y0 < ct) { sy += ct - y0; h -= ct - y0; y0 = ct; }
  w = std::min(w, cr - x0);
  h = std::min(h, cb - y0);
  if (w <= 0 || h <= 0) {
    parent_->Present();
    return;
  }
  parent_->CopyToCanvasAndPresent(int32_t(x0), int32_t(y0), int32_t(w), int32_t(h), src,
                                  int32_t(sx), int32_t(sy));
}

void TSplPaint::DrawToScreen(bool fromBkGnd) { DrawToScreen(fromBkGnd, 0, 0); }

void TSplPaint::DrawToScreen(bool fromBkGnd, int32_t x, int32_t y) {
  const TBitmap& src = fromBkGnd ? BkGnd : Temp;
  if (src.Empty()) return;
  copyToScreen(src, x, y, imageRect(src));
}

void TSplPaint::CopyRectToScreen(bool fromBkGnd) {
  const TBitmap& src = fromBkGnd ? BkGnd : Temp;
  if (src.Empty()) return;
  copyToScreen(src, 0, 0, imageRect(src));
}

void TSplPaint::CopyRectToScreen(bool fromBkGnd, TRect r) {
  const TBitmap& src = fromBkGnd ? BkGnd : Temp;
  if (src.Empty()) return;
  copyToScreen(src, r.Left, r.Top, r);
}

void TSplPaint::DrawToBkGnd(bool fromScreen) {
  if (!BkGnd.Is24Bit()) return;
  if (fromScreen) {
    if (!parent_) return;
    BitBlt(BkGnd, 0, 0, BkGnd.Width(), BkGnd.Height(), parent_->Canvas(), Left, Top, ropSrcCopy);
  } else {
    copyWhole(BkGnd, Temp);
  }
}

void TSplPaint::CopyRectToBkGnd(bool fromScreen, TRect r) {
  if (BkGnd.Empty()) DrawToTemp();
  if (!BkGnd.Is24Bit()) return;
  // The bottom row of r is part of the copy.
  const int32_t w = r.Width();
  const int64_t h = int64_t(r.Bottom) + 1 - r.Top;
  if (h <= 0 || h > INT32_MAX) return;
  if (fromScreen) {
    if (!parent_) return;
    BitBlt(BkGnd, r.Left, r.Top, w, int32_t(h), parent_->Canvas(), Left + r.Left, Top + r.Top,
           ropSrcCopy);
  } else {
    BitBlt(BkGnd, r.Left, r.Top, w, int32_t(h), Temp, r.Left, r.Top, ropSrcCopy);
  }
}

void TSplPaint::DrawToTemp() { CopyRectToTemp(imageRect(BkGnd)); }

void TSplPaint::CopyRectToTemp() { CopyRectToTemp(imageRect(BkGnd)); }

void TSplPaint::CopyRectToTemp(TRect r) {
  if (Temp.Empty()) DrawToBkGnd(true);
  if (!BkGnd.Is24Bit()) return;
  Temp.SetSize(BkGnd.Width(), BkGnd.Height());
  Temp.SetPixelFormat(pf24bit);
  copySameRect(Temp, BkGnd, r);
}

void TSplPaint::FillBkBlack(bool all) {
  FillRect(BkGnd, BkRect, clBlack);
  if (all) {
    FillRect(OrgBkGnd, BkRect, clBlack);
    FillRect(Temp, BkRect, clBlack);
  }
}

void TSplPaint::FillBkWhite(bool all) {
  FillRect(BkGnd, BkRect, clWhite);
  if (all) {
    FillRect(OrgBkGnd, BkRect, clWhite);
    FillRect(Temp, BkRect, clWhite);
  }
}
