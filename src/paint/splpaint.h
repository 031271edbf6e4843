// TSplPaint: the play area. A window-less control that keeps the scene in off-screen images,
// composes up to 64 keyed sprites onto them, runs the frame-by-frame transitions, applies the
// brightness and colour effects and paints shadowed text. It never repaints by itself: a change
// becomes visible only when a caller copies an image to the screen, which is the parent form's
// client canvas (every such copy presents the window picture at once).
#pragma once
#include <cstdint>

#include "platform/windows/app.h"
#include "platform/pictures/bitmap.h"
#include "platform/text/text.h"
#include "platform/types.h"

// Where DoDrawText draws.
enum TTextTarget : int32_t {
  ttScreen = 0,  // the parent's canvas at the play area's place, presented at once
  ttBkGnd = 1,   // the working image BkGnd
};

// One sprite slot.
struct TpbSplite {
  TBitmap Image;        // the sprite picture
  TBitmap Mask;         // white where transparent, black where opaque; Image's size
  TRect SrcRect;        // (0, 0, width, height) of Image, set at load
  TRect DestRect;       // where the sprite is drawn; stretched when its size differs from SrcRect
  bool Visible = true;  // DrawSplite skips a slot that is not visible
};

class TSplPaint {
 public:
  static constexpr int kSpliteCount = 64;

  // The control paints into parent's client canvas at (Left, Top). parent may be null (nothing
  // then reaches a screen, and reading from the screen reads nothing).
  explicit TSplPaint(TForm* parent);
  ~TSplPaint();
  TSplPaint(const TSplPaint&) = delete;
  TSplPaint& operator=(const TSplPaint&) = delete;

  TForm* Parent() const { return parent_; }

  // ---- the control --------------------------------------------------------------------------
  int32_t Left = 0, Top = 0, Width = 640, Height = 480;
  // "ＭＳ ゴシック", Shift-JIS character set, white, 27 pixels character height.
  TFont Font;

  // ---- surfaces -----------------------------------------------------------------------------
  TBitmap BkGnd;     // the working scene: background, sprites, message window and text
  TBitmap OrgBkGnd;  // the clean background picture
  TBitmap Temp;      // the scene with sprites but without message window and text
  TBitmap FadeFrom, FadeTo, FadeMix, FadePart;  // work images of the transitions

  TRect BkRect;          // (0, 0, w, h) of the background last loaded or set
  bool Loading = false;  // true while a load call runs

  TpbSplite Splite[kSpliteCount];

  // ---- transition state ---------------------------------------------------------------------
  uint8_t FadeKind = 0;  // 0 when no transition is prepared
  int32_t FadeStep = 0;  // frame counter, percentage or colour offset, by kind
  int32_t FadeSpriteFrom = 0, FadeSpriteTo = 0;
  TBrush FadeBrush[8];     // the current pattern set
  TBrush FadeBrushInv[8];  // the same patterns with black and white swapped
  TBrush BlackBrush, WhiteBrush;

  // ---- loading ------------------------------------------------------------------------------
  // The third argument is not used.
  bool LoadBkGnd(const char* fileName, bool alsoBkGnd, int unused = 0);
  // Copies picture (the caller keeps it) into the surfaces as LoadBkGnd would load a file.
  bool SetBkGnd(const TBitmap* picture, bool alsoBkGnd);
  // One file, keyed on pure green RGB(0, 255, 0).
  bool LoadSplite(int n, const char* fileName);
  // Image and mask from two files, no keying.
  bool LoadSplite(int n, const char* imageFile, const char* maskFile);

  // ---- moving (nothing is drawn) ------------------------------------------------------------
  void MoveSplite(int n, TRect r);
  void MoveSplite(int n, int32_t x, int32_t y);
  void MoveSplite2(int n, int32_t dx, int32_t dy);

  // ---- drawing sprites ----------------------------------------------------------------------
  void DrawSplite(int n, bool alsoTemp);
  void PatchSplite(int n);
  void PatchSplite();
  void DrawAll(int except);

  // ---- slot properties ----------------------------------------------------------------------
  int32_t GetWidth(int n) const;
  int32_t GetHeight(int n) const;
  void SetWidth(int n, int32_t w);
  void SetHeight(int n, int32_t h);
  bool GetVisible(int n) const;
  void SetVisible(int n, bool v);

  // ---- copies and fills ---------------------------------------------------------------------
  void DrawToScreen(bool fromBkGnd);
  void DrawToScreen(bool fromBkGnd, int32_t x, int32_t y);
  void CopyRectToScreen(bool fromBkGnd);
  void CopyRectToScreen(bool fromBkGnd, TRect r);
  void DrawToBkGnd(bool fromScreen);
  // Copies rows r.Top to r.Bottom inclusive.
  void CopyRectToBkGnd(bool fromScreen, TRect r);
  void DrawToTemp();
  void CopyRectToTemp();
  void CopyRectToTemp(TRect r);
  void FillBkBlack(bool all);
  void FillBkWhite(bool all);

  // ---- transitions --------------------------------------------------------------------------
  // Each does nothing while a transition is prepared or running.
  void FadeInSplite(int n);               // kind 1
  void FadeOutSplite(int n);              // kind 2
  void FadeSplite(int from, int to);      // kind 3
  void FadeFromBlack();                   // kind 5
  void FadeToBlack();                     // kind 6
  void FadeFromWhite();                   // kind 7
  void FadeToWhite();                     // kind 8
  void FadeFromWhiteContrast();           // kind 9
  void FadeToBlackContrast();             // kind 10
  void FadeFromBlackContrast();           // kind 11
  void FadeToWhiteContrast();             // kind 12
  void FadeFromBlackRGB();                // kind 13
  void FadeToBlackRGB();                  // kind 14
  void FadeFromWhiteRGB();                // kind 15
  void FadeToWhiteRGB();                  // kind 16
  void SlitInLeft();                      // kind 17
  void SlitInRight();                     // kind 18
  void SlitOutLeft();                     // kind 19
  void SlitOutRight();                    // kind 20

  // Composes one frame into BkGnd. True while more frames follow; false after the final frame
  // or at once when nothing is prepared. With pump, pending messages are processed once after
  // the frame.
  bool FadeExecute(bool pump);
  void FadeAbort();
  bool GetFadeing() const { return FadeKind != 0; }
  // Loads pattern set 0 to 3; any other number leaves the patterns as they are.
  void ChangeFadeBrush(int set);

  // ---- effects and text ---------------------------------------------------------------------
  bool ContrastScreen(int percent);
  // Rows r.Top to r.Bottom inclusive, columns r.Left to r.Right - 1.
  bool ContrastScreen(int percent, TRect r);
  bool ContrastSplite(int, int);
  bool RGBScreen(int delta);
  // target: a TTextTarget; any other number draws nothing. A null font means Font. The black
  // copy is drawn in r, the coloured copy in r grown by 2 pixels on every side.
  void DoDrawText(int target, TRect& r, const char* text, TFont* font, bool center);

 private:
  // Screen access: the control's rectangle on the parent's canvas.
  void copyToScreen(const TBitmap& src, int32_t dx, int32_t dy, const TRect& srcRect);
  void createEmptyBkGnd();
  bool prepareScreenFade(uint8_t kind, int32_t start);
  void prepareSpriteImage(TBitmap& out, int under, int slot);
  void fillAll(TColor c);

  // One frame of each family; they return true when more frames follow.
  bool executeSprite(int32_t k);
  bool executeDither(int32_t k);
  bool executeLevel(int32_t k);
  bool executeSlit(int32_t k);

  TForm* parent_ = nullptr;
};
