// The transition engine: a preparing call records the kind and readies the work images; every
// FadeExecute then composes exactly one frame into BkGnd. Pacing and showing the frames belong
// to the caller.
//
// Kinds: 1-3 sprite dither fades, 5-8 screen dither fades, 9-12 brightness fades, 13-16 colour
// offset fades, 17-20 vertical slit wipes.
#include <algorithm>

#include "paint/paint_internal.h"
#include "paint/splpaint.h"

namespace {

enum : uint8_t {
  kSpriteIn = 1, kSpriteOut = 2, kSpriteChange = 3,
  kFromBlack = 5, kToBlack = 6, kFromWhite = 7, kToWhite = 8,
  kFromWhiteContrast = 9, kToBlackContrast = 10, kFromBlackContrast = 11, kToWhiteContrast = 12,
  kFromBlackRGB = 13, kToBlackRGB = 14, kFromWhiteRGB = 15, kToWhiteRGB = 16,
  kSlitInLeft = 17, kSlitInRight = 18, kSlitOutLeft = 19, kSlitOutRight = 20,
};

// Slit wipes run over this width whatever the picture's size.
constexpr int32_t kSlitWidth = 640;

TRect wholeRect(const TBitmap& b) { return Rect(0, 0, b.Width(), b.Height()); }

void copyWhole(TBitmap& dst, const TBitmap& src) {
  BitBlt(dst, 0, 0, src.Width(), src.Height(), src, 0, 0, ropSrcCopy);
}

void copySameRect(TBitmap& dst, const TBitmap& src, const TRect& r) {
  BitBlt(dst, r.Left, r.Top, r.Width(), r.Height(), src, r.Left, r.Top, ropSrcCopy);
}

void combineWhole(TBitmap& dst, const TBitmap& src, TRasterOp op) {
  BitBlt(dst, 0, 0, src.Width(), src.Height(), src, 0, 0, op);
}

bool sameSize(const TBitmap& a, const TBitmap& b) {
  return a.Width() == b.Width() && a.Height() == b.Height();
}

// Pattern indices come from the frame counter; a counter moved out of range from outside still
// picks a real pattern.
int patternIndex(int32_t p) { return std::clamp(p, 0, 7); }

// The six bands of a slit frame at position x, moving right or left.
void slitBands(int32_t x, bool movingRight, int32_t top, int32_t bottom, TRect bands[6]) {
  if (movingRight) {
    bands[0] = Rect(x - 1, top, x + 1, bottom);
    bands[1] = Rect(x - 18, top, x - 14, bottom);
    bands[2] = Rect(x - 36, top, x - 28, bottom);
    bands[3] = Rect(x - 54, top, x - 42, bottom);
    bands[4] = Rect(x - 72, top, x - 56, bottom);
    bands[5] = Rect(x - 90, top, x - 70, bottom);
  } else {
    bands[0] = Rect(x - 1, top, x + 1, bottom);
    bands[1] = Rect(x + 14, top, x + 18, bottom);
    bands[2] = Rect(x + 28, top, x + 36, bottom);
    bands[3] = Rect(x + 42, top, x + 54, bottom);
    bands[4] = Rect(x + 56, top, x + 72, bottom);
    bands[5] = Rect(x + 70, top, x + 80, bottom);
  }
}

}  // namespace

// ---- preparing ------------------------------------------------------------------------------

// The screen transitions size FadeMix and FadePart to BkGnd and record the kind and start value.
// False when a transition is already prepared or running: then nothing at all happens.
bool TSplPaint::prepareScreenFade(uint8_t kind, int32_t start) {
  if (FadeKind != 0) return false;
  FadeMix.SetSize(BkGnd.Width(), BkGnd.Height());
  FadePart.SetSize(BkGnd.Width(), BkGnd.Height());
  FadeStep = start;
  FadeKind = kind;
  return true;
}

// out := the clean background under slot `under`'s DestRect, brought into its SrcRect, with
// slot `slot` composed on it over its own SrcRect.
void TSplPaint::prepareSpriteImage(TBitmap& out, int under, int slot) {
  const TpbSplite& u = Splite[under];
  const TpbSplite& s = Splite[slot];
  StretchBlt(out, u.SrcRect, OrgBkGnd, u.DestRect, ropSrcCopy);
  StretchBlt(out, s.SrcRect, s.Mask, s.SrcRect, ropSrcAnd);
  StretchBlt(out, s.SrcRect, s.Image, s.SrcRect, ropSrcPaint);
}

void TSplPaint::FadeInSplite(int n) {
  if (FadeKind != 0 || n < 0 || n >= kSpliteCount) return;
  FadeSpriteFrom = FadeSpriteTo = n;
  const TBitmap& img = Splite[n].Image;
  for (TBitmap* b : {&FadeFrom, &FadeTo, &FadeMix, &FadePart}) b->SetSize(img.Width(), img.Height());
  prepareSpriteImage(FadeTo, n, n);
  FadeStep = 0;
  FadeKind = kSpriteIn;
}

void TSplPaint::FadeOutSplite(int n) {
  if (FadeKind != 0 || n < 0 || n >= kSpliteCount) return;
  FadeInSplite(n);
  FadeKind = kSpriteOut;
}

void TSplPaint::FadeSplite(int from, int to) {
  if (FadeKind != 0 || from < 0 || from >= kSpliteCount || to < 0 || to >= kSpliteCount) return;
  FadeSpriteFrom = from;
  FadeSpriteTo = to;
  const TBitmap& a = Splite[from].Image;
  const TBitmap& b = Splite[to].Image;
  FadeFrom.SetSize(a.Width(), a.Height());
  FadeTo.SetSize(a.Width(), a.Height());
  FadeMix.SetSize(b.Width(), b.Height());
  FadePart.SetSize(b.Width(), b.Height());
  prepareSpriteImage(FadeFrom, to, from);
  prepareSpriteImage(FadeTo, to, to);
  FadeStep = 0;
  FadeKind = kSpriteChange;
}

void TSplPaint::fillAll(TColor c) {
  FillRect(FadePart, BkRect, c);
  FillRect(FadeMix, BkRect, c);
  FillRect(BkGnd, BkRect, c);
  FillRect(Temp, BkRect, c);
}

void TSplPaint::FadeFromBlack() { prepareScreenFade(kFromBlack, 0); }

void TSplPaint::FadeToBlack() {
  if (prepareScreenFade(kToBlack, 0)) fillAll(clBlack);
}

void TSplPaint::FadeFromWhite() { prepareScreenFade(kFromWhite, 0); }

void TSplPaint::FadeToWhite() {
  if (prepareScreenFade(kToWhite, 0)) fillAll(clWhite);
}

void TSplPaint::FadeFromWhiteContrast() {
  if (prepareScreenFade(kFromWhiteContrast, 400)) copySameRect(BkGnd, OrgBkGnd, BkRect);
}

void TSplPaint::FadeToBlackContrast() { prepareScreenFade(kToBlackContrast, 100); }
void TSplPaint::FadeFromBlackContrast() { prepareScreenFade(kFromBlackContrast, 0); }
void TSplPaint::FadeToWhiteContrast() { prepareScreenFade(kToWhiteContrast, 100); }
void TSplPaint::FadeFromBlackRGB() { prepareScreenFade(kFromBlackRGB, -255); }
void TSplPaint::FadeToBlackRGB() { prepareScreenFade(kToBlackRGB, 0); }

void TSplPaint::FadeFromWhiteRGB() {
  if (prepareScreenFade(kFromWhiteRGB, 255)) copySameRect(BkGnd, OrgBkGnd, BkRect);
}

void TSplPaint::FadeToWhiteRGB() { prepareScreenFade(kToWhiteRGB, 0); }
void TSplPaint::SlitInLeft() { prepareScreenFade(kSlitInLeft, 0); }
void TSplPaint::SlitInRight() { prepareScreenFade(kSlitInRight, 0); }
void TSplPaint::SlitOutLeft() { prepareScreenFade(kSlitOutLeft, 0); }
void TSplPaint::SlitOutRight() { prepareScreenFade(kSlitOutRight, 0); }

// ---- running --------------------------------------------------------------------------------

void TSplPaint::FadeAbort() { FadeStep = 8; }

bool TSplPaint::FadeExecute(bool pump) {
  if (FadeKind == 0) return false;
  // A load still marked as running gets a bounded chance to finish while messages are
  // processed; after that the frame is composed from whatever the images hold.
  for (int pass = 0; pass < 100 && Loading; ++pass)
    if (Application) Application->ProcessMessages();

  const int32_t k = FadeStep;
  bool more = false;
  switch (FadeKind) {
    case kSpriteIn:
    case kSpriteOut:
    case kSpriteChange: more = executeSprite(k); break;
    case kFromBlack:
    case kToBlack:
    case kFromWhite:
    case kToWhite: more = executeDither(k); break;
    case kFromWhiteContrast:
    case kToBlackContrast:
    case kFromBlackContrast:
    case kToWhiteContrast:
    case kFromBlackRGB:
    case kToBlackRGB:
    case kFromWhiteRGB:
    case kToWhiteRGB: more = executeLevel(k); break;
    case kSlitInLeft:
    case kSlitInRight:
    case kSlitOutLeft:
    case kSlitOutRight: more = executeSlit(k); break;
    default: more = false; break;  // not a kind: end it rather than run forever
  }

  if (pump && Application) Application->ProcessMessages();
  if (!more) {
    FadeKind = 0;
    FadeStep = 0;
  }
  return more;
}

// Sprite fades: the frame is built in FadeMix at the image's own size and placed, unscaled, at
// the top-left corner of the target slot's DestRect. New content shows in the pattern's black
// cells, old content in its white cells.
bool TSplPaint::executeSprite(int32_t k) {
  if (FadeSpriteTo < 0 || FadeSpriteTo >= kSpliteCount) return false;
  const TpbSplite& s = Splite[FadeSpriteTo];
  const int32_t x = s.DestRect.Left, y = s.DestRect.Top;
  auto place = [&] { BitBlt(BkGnd, x, y, FadeMix.Width(), FadeMix.Height(), FadeMix, 0, 0); };

  if (FadeKind == kSpriteChange)
    StretchBlt(FadeMix, s.SrcRect, FadeTo, s.SrcRect, ropSrcCopy);
  else
    StretchBlt(FadeMix, s.SrcRect, OrgBkGnd, s.DestRect, ropSrcCopy);

  if (k >= 8) {
    if (FadeKind == kSpriteIn) StretchBlt(FadeMix, s.SrcRect, FadeTo, s.SrcRect, ropSrcCopy);
    place();
    return false;
  }
  if (k == 0) copyWhole(BkGnd, OrgBkGnd);

  const int p = patternIndex(FadeKind == kSpriteIn ? k : 7 - k);
  const TBitmap& src = FadeKind == kSpriteChange ? FadeFrom : FadeTo;
  if (sameSize(FadeMix, FadePart) && sameSize(FadeMix, src)) {
    // FadeMix AND pattern, FadePart := src AND inverse, FadeMix OR FadePart: in one pass.
    uint8_t lines[8][48], inv[8][48];
    paint::BrushLines(FadeBrush[p], lines);
    paint::BrushLines(FadeBrushInv[p], inv);
    for (int32_t row = 0; row < FadeMix.Height(); ++row)
      paint::MixRow(FadeMix.ScanLine(row), FadePart.ScanLine(row), src.ScanLine(row),
                    lines[row & 7], inv[row & 7], size_t(FadeMix.Stride()));
  } else {
    PatBlt(FadeMix, wholeRect(FadeMix), FadeBrush[p], popPatAnd);
    copyWhole(FadePart, src);
    PatBlt(FadePart, wholeRect(FadePart), FadeBrushInv[p], popPatAnd);
    combineWhole(FadeMix, FadePart, ropSrcPaint);
  }
  FadeStep = k + 1;
  place();
  return true;
}

// Screen dither fades over BkRect.
bool TSplPaint::executeDither(int32_t k) {
  const int p = patternIndex(k);
  // The usual case: the scene, the clean picture and the work image all cover BkRect exactly,
  // and a frame's copies and pattern operations fuse into one pass per row.
  const bool whole = sameSize(BkGnd, OrgBkGnd) && sameSize(BkGnd, FadePart) &&
                     BkRect == wholeRect(BkGnd);
  if (whole && k < 8) {
    const bool open = FadeKind == kFromBlack || FadeKind == kFromWhite;
    uint8_t lines[8][48];
    paint::BrushLines(open ? FadeBrushInv[p] : FadeBrush[p], lines);
    const size_t n = size_t(BkGnd.Stride());
    for (int32_t y = 0; y < BkGnd.Height(); ++y) {
      if (FadeKind == kFromBlack || FadeKind == kToBlack)
        paint::MaskRow(BkGnd.ScanLine(y), OrgBkGnd.ScanLine(y), lines[y & 7], n);
      else
        paint::WhitenRow(BkGnd.ScanLine(y), OrgBkGnd.ScanLine(y), FadePart.ScanLine(y),
                         lines[y & 7], n);
    }
    FadeStep = k + 1;
    return true;
  }
  switch (FadeKind) {
    case kFromBlack:
      copySameRect(BkGnd, OrgBkGnd, BkRect);
      if (k >= 8) return false;
      PatBlt(BkGnd, wholeRect(BkGnd), FadeBrushInv[p], popPatAnd);
      break;
    case kToBlack:
      copySameRect(BkGnd, OrgBkGnd, BkRect);
      if (k >= 8) {
        FillRect(BkGnd, BkRect, clBlack);
        FillRect(OrgBkGnd, BkRect, clBlack);
        return false;
      }
      PatBlt(BkGnd, wholeRect(BkGnd), FadeBrush[p], popPatAnd);
      break;
    case kFromWhite:
    case kToWhite:
      FillRect(FadePart, BkRect, clWhite);
      if (k >= 8) {
        if (FadeKind == kFromWhite) {
          copySameRect(BkGnd, OrgBkGnd, BkRect);
        } else {
          FillRect(BkGnd, BkRect, clWhite);
          FillRect(OrgBkGnd, BkRect, clWhite);
        }
        return false;
      }
      // Each frame keeps what the previous one showed where the picture is, then whitens the
      // cells that are still closed.
      combineWhole(BkGnd, OrgBkGnd, ropSrcAnd);
      PatBlt(FadePart, wholeRect(FadePart),
             FadeKind == kFromWhite ? FadeBrushInv[p] : FadeBrush[p], popPatAnd);
      combineWhole(BkGnd, FadePart, ropMergePaint);
      break;
    default: return false;
  }
  FadeStep = k + 1;
  return true;
}

// Brightness and colour offset fades: every frame starts again from the clean picture.
bool TSplPaint::executeLevel(int32_t k) {
  struct Rule {
    int32_t change;
    bool contrast;
    bool rising;    // goes on while the level is below the limit (else above it)
    int32_t limit;
    int finish;     // 0 the clean picture, 1 black, 2 white
  };
  static constexpr Rule kRules[8] = {
      {-20, true, false, 90, 0},    // 9  from white (contrast)
      {-5, true, false, 0, 1},      // 10 to black (contrast)
      {+5, true, true, 100, 0},     // 11 from black (contrast)
      {+20, true, true, 400, 2},    // 12 to white (contrast)
      {+20, false, true, 0, 0},     // 13 from black (RGB)
      {-20, false, false, -255, 1}, // 14 to black (RGB)
      {-20, false, false, 0, 0},    // 15 from white (RGB)
      {+20, false, true, 255, 2},   // 16 to white (RGB)
  };
  const Rule& rule = kRules[FadeKind - kFromWhiteContrast];
  // The counter can only have been moved far out of range from outside; clamping keeps the
  // arithmetic defined.
  FadeStep = int32_t(std::clamp<int64_t>(int64_t(k) + rule.change, -100000, 100000));
  copySameRect(BkGnd, OrgBkGnd, BkRect);
  if (rule.contrast)
    ContrastScreen(FadeStep);
  else
    RGBScreen(FadeStep);
  const bool more = rule.rising ? FadeStep < rule.limit : FadeStep > rule.limit;
  if (more) return true;
  if (rule.finish == 0) {
    copySameRect(BkGnd, OrgBkGnd, BkRect);
  } else {
    const TColor c = rule.finish == 1 ? clBlack : clWhite;
    FillRect(BkGnd, BkRect, c);
    FillRect(OrgBkGnd, BkRect, c);
  }
  return false;
}

// Slit wipes: six bands per frame, 16 pixels apart, each one wider than the band before it.
bool TSplPaint::executeSlit(int32_t k) {
  const bool in = FadeKind == kSlitInLeft || FadeKind == kSlitInRight;
  const bool movingRight = FadeKind == kSlitInLeft || FadeKind == kSlitOutLeft;
  const int64_t step = std::clamp<int64_t>(int64_t(k) + 1, -100000, 100000);
  const int32_t x = int32_t(movingRight ? 16 * step : kSlitWidth - 16 * step);
  TRect bands[6];
  slitBands(x, movingRight, BkRect.Top, BkRect.Bottom, bands);

  if (k == 0) {
    if (in)
      FillRect(BkGnd, BkRect, clBlack);
    else
      copySameRect(BkGnd, OrgBkGnd, BkRect);
  }
  for (const TRect& band : bands) {
    if (in)
      copySameRect(BkGnd, OrgBkGnd, band);
    else
      FillRect(BkGnd, band, clBlack);
  }
  FadeStep = int32_t(step);
  const bool more = movingRight ? x - 80 < kSlitWidth : x + 80 > 0;
  if (more) return true;
  if (in)
    copyWhole(BkGnd, OrgBkGnd);
  else
    FillRect(BkGnd, BkRect, clBlack);
  return false;
}
