// The script's picture commands: backgrounds and sprites, drawing and patching, fills, the
// sprite and screen transitions and the two screen shakes.
//
// The play area keeps three images: BkGnd (what the window shows), OrgBkGnd (the clean
// background) and Temp (the scene with sprites but without the message window). The order of
// the calls below decides which of them a command changes, so each handler is the exact
// sequence for its command. "show" is the message window's background followed by a copy of
// BkGnd to the window.
#include <cstdio>
#include <functional>

#include "paint/splpaint.h"
#include "platform/text/cp932.h"
#include "scenario/game_paths.h"
#include "screens/ending.h"
#include "shell/main_form.h"

namespace {

// Shake pauses outside 10..1000 ms fall back to this.
constexpr int kShakeDefaultMs = 100;
constexpr int32_t kShake = 16;  // displacement of the shaken picture in pixels

struct ShakeFrame {
  int32_t x, y;     // displacement of BkGnd on the window
  TRect strips[2];  // the parts of the window the displaced picture uncovers
  int stripCount;
};

// (0, -16) uncovers the bottom rows, (0, 16) the top rows, and so on; the play area is
// 640 x 480.
constexpr ShakeFrame kTiltFrames[4] = {
    {0, -kShake, {Rect(0, 464, 640, 480)}, 1},
    {0, kShake, {Rect(0, 0, 640, 16)}, 1},
    {0, -kShake, {Rect(0, 464, 640, 480)}, 1},
    {0, kShake, {Rect(0, 0, 640, 16)}, 1},
};

constexpr ShakeFrame kQuakeFrames[4] = {
    {-kShake, -kShake, {Rect(624, 0, 640, 480), Rect(0, 464, 640, 480)}, 2},
    {kShake, -kShake, {Rect(0, 0, 16, 480), Rect(0, 464, 640, 480)}, 2},
    {-kShake, kShake, {Rect(0, 0, 640, 16), Rect(624, 0, 640, 480)}, 2},
    {kShake, kShake, {Rect(0, 0, 640, 16), Rect(0, 0, 16, 480)}, 2},
};

}  // namespace

void TMainFrm::picturePath(char* out, size_t size, const char* name, const char* ext) {
  // A path that does not fit would name some other file; it names none instead.
  FormatPicturePath(out, size, GrpDir, name, ext);
}

// ---- loading --------------------------------------------------------------------------------

// The picture path of the file named by argument k of a command, with extension ext.
static void argumentPicturePath(TMainFrm& f, const char* args, int k, const char* ext,
                                char (&path)[kPathBytes]) {
  char name[kPathBytes];
  f.GetStrArg(args, name, sizeof name, k);
  f.picturePath(path, sizeof path, name, ext);
}

bool TMainFrm::cmdLoadSplite(const char* args) {
  const int n = GetIntArg(args, 0);
  char path[kPathBytes];
  argumentPicturePath(*this, args, 1, ExtBmp, path);
  if (splPaintView && path[0]) splPaintView->LoadSplite(n, path);
  return true;
}

bool TMainFrm::cmdLoadBkGrp(const char* args) {
  char path[kPathBytes];
  argumentPicturePath(*this, args, 0, ExtBmp, path);
  // Only OrgBkGnd and Temp: the new background shows with the next redraw or fade-in.
  if (splPaintView && path[0]) splPaintView->LoadBkGnd(path, false, 0);
  return true;
}

bool TMainFrm::cmdLoadBkJpg(const char* args) {
  char path[kPathBytes];
  argumentPicturePath(*this, args, 0, ExtJpg, path);
  TBitmap picture;
  // A missing file, one that cannot be decoded and one with no picture in it all leave the
  // picture empty.
  if (!path[0] || !LoadJpegFile(path, picture)) picture = TBitmap();
  if (picture.Empty()) {
    char text[kPathBytes * 2];
    std::snprintf(text, sizeof text, SJ("画像ファイル[%s]が見つかりません。"), path);
    MessageBoxA(this, text, SJ("エラー"), MB_OK);
    return true;
  }
  // The ending screen starts from the last picture of the game.
  if (frmEnding) frmEnding->RollPicture = picture;
  picture.SetPixelFormat(pf24bit);
  if (splPaintView) splPaintView->SetBkGnd(&picture, true);
  return true;
}

// ---- drawing --------------------------------------------------------------------------------

bool TMainFrm::cmdDrawBkGrp(const char*) {
  if (!splPaintView) return true;
  splPaintView->DrawToBkGnd(false);
  DrawTextWindow();
  return true;
}

bool TMainFrm::cmdMoveSplite(const char* args) {
  // Arguments have no sign, so a sprite can only move right and down.
  if (splPaintView)
    splPaintView->MoveSplite2(GetIntArg(args, 0), GetIntArg(args, 1), GetIntArg(args, 2));
  return true;
}

bool TMainFrm::cmdDrawSplite(const char* args) {
  if (!splPaintView) return true;
  const int n = GetIntArg(args, 0);
  const int a = GetIntArg(args, 1);
  splPaintView->DrawSplite(n, true);
  if (a == 0) {
    splPaintView->DrawToBkGnd(false);
    DrawTextWindow();
  }
  return true;
}

bool TMainFrm::cmdDrawAll(const char* args) {
  if (!splPaintView) return true;
  const int a = GetIntArg(args, 0);
  splPaintView->DrawAll(0);  // slot 0 is the message-window frame
  if (a == 0) DrawTextWindow();
  return true;
}

// BkGnd redrawn from the scene, the message window over it, and the result shown.
static void showScene(TMainFrm& f) {
  TSplPaint& sp = *f.splPaintView;
  sp.DrawToBkGnd(false);
  f.DrawTextWindow();
  sp.DrawToScreen(true);
}

// Prepares a transition on the play area and runs it to its end; nothing when fades are off.
// prepare is a TSplPaint member or a callable taking the play area.
template <class Prepare>
static void runUnlessFadesOff(TMainFrm& f, Prepare prepare) {
  if (f.ReadFlags.Options.NoScreenFade) return;
  std::invoke(prepare, *f.splPaintView);
  f.RunTransition();
}

bool TMainFrm::cmdPatchSplite(const char* args) {
  if (!splPaintView) return true;
  splPaintView->PatchSplite(GetIntArg(args, 0));
  showScene(*this);
  return true;
}

bool TMainFrm::cmdPatchAllSplite(const char*) {
  if (!splPaintView) return true;
  splPaintView->PatchSplite();
  showScene(*this);
  return true;
}

bool TMainFrm::cmdFillBlack(const char* args) {
  if (splPaintView) splPaintView->FillBkBlack(GetIntArg(args, 0) != 0);
  return true;
}

bool TMainFrm::cmdFillWhite(const char* args) {
  if (splPaintView) splPaintView->FillBkWhite(GetIntArg(args, 0) != 0);
  return true;
}

bool TMainFrm::cmdChangeFade(const char* args) {
  if (splPaintView) splPaintView->ChangeFadeBrush(GetIntArg(args, 0));
  return true;
}

// ---- sprite transitions ---------------------------------------------------------------------

bool TMainFrm::cmdFadeInSplite(const char* args) {
  if (!splPaintView) return true;
  const int n = GetIntArg(args, 0);
  runUnlessFadesOff(*this, [n](TSplPaint& sp) { sp.FadeInSplite(n); });
  splPaintView->DrawSplite(n, true);
  showScene(*this);
  return true;
}

bool TMainFrm::cmdFadeOutSplite(const char* args) {
  if (!splPaintView) return true;
  const int n = GetIntArg(args, 0);
  runUnlessFadesOff(*this, [n](TSplPaint& sp) { sp.FadeOutSplite(n); });
  splPaintView->PatchSplite(n);
  showScene(*this);
  return true;
}

bool TMainFrm::cmdFadeToSplite(const char* args) {
  if (!splPaintView) return true;
  const int a = GetIntArg(args, 0);
  const int b = GetIntArg(args, 1);
  runUnlessFadesOff(*this, [a, b](TSplPaint& sp) { sp.FadeSplite(a, b); });
  splPaintView->PatchSplite(a);
  splPaintView->DrawSplite(b, true);
  showScene(*this);
  return true;
}

// ---- screen transitions ---------------------------------------------------------------------
// Their argument says whether to show the result at once (0) or to leave the window as the
// transition left it, so that the script can change the scene unseen.

// The frame of every screen transition: run does the variant's own part, then BkGnd is redrawn
// from the scene and, with argument 0, shown with the message window.
template <class Run>
static bool screenTransition(TMainFrm& f, const char* args, Run run) {
  if (!f.splPaintView) return true;
  TSplPaint& sp = *f.splPaintView;
  const int a = f.GetIntArg(args, 0);
  run(sp);
  sp.DrawToBkGnd(false);
  if (a == 0) {
    f.DrawTextWindow();
    sp.DrawToScreen(true);
  }
  return true;
}

bool TMainFrm::cmdFadeInBlack(const char* args, int kind) {
  return screenTransition(*this, args, [this, kind](TSplPaint&) {
    if (!ReadFlags.Options.NoScreenFade) FadeInScreen(kind);
  });
}

bool TMainFrm::cmdFadeInWhite(const char* args, int kind) {
  return screenTransition(*this, args, [this, kind](TSplPaint& sp) {
    sp.DrawToBkGnd(false);
    if (!ReadFlags.Options.NoScreenFade) FadeInScreen(kind);
  });
}

// Shows the scene, then fades the window out to colour. Without the animation the window goes
// straight to that colour, so that it looks the same afterwards whether fades are on or off.
static void fadeOutWindow(TMainFrm& f, int kind, TColor colour) {
  TSplPaint& sp = *f.splPaintView;
  sp.DrawToBkGnd(false);
  sp.DrawToScreen(true);
  if (!f.ReadFlags.Options.NoScreenFade) {
    f.FadeOutScreen(kind, true);
    return;
  }
  FillRect(sp.BkGnd, Rect(0, 0, f.ClientWidth(), f.ClientHeight()), colour);
  Sleep(0);
  sp.DrawToScreen(true);
}

bool TMainFrm::cmdFadeOutBlack(const char* args, int kind) {
  // Afterwards BkGnd is the scene again: shown at once with 0, else by a later command.
  return screenTransition(*this, args,
                          [this, kind](TSplPaint&) { fadeOutWindow(*this, kind, clBlack); });
}

bool TMainFrm::cmdFadeOutWhite(const char* args, int kind) {
  return screenTransition(*this, args, [this, kind](TSplPaint& sp) {
    fadeOutWindow(*this, kind, clWhite);
    // Unlike the fade to black, all three images become white, so the scene stays white.
    sp.FillBkWhite(true);
  });
}

bool TMainFrm::cmdSlitIn(const char* args, int kind) {
  return screenTransition(*this, args, [this, kind](TSplPaint&) {
    runUnlessFadesOff(*this, kind == fkSlitLeft ? &TSplPaint::SlitInLeft : &TSplPaint::SlitInRight);
  });
}

bool TMainFrm::cmdSlitOut(const char* args, int kind) {
  return screenTransition(*this, args, [this, kind](TSplPaint&) {
    runUnlessFadesOff(*this,
                      kind == fkSlitLeft ? &TSplPaint::SlitOutLeft : &TSplPaint::SlitOutRight);
  });
}

// ---- shakes ---------------------------------------------------------------------------------

// Four displaced frames of BkGnd, each after blacking out the strips it uncovers, with a pause
// of n ms after each (none when fades are off). Messages are let through between the frames.
// The last displaced frame stays until the next copy to the window.
static void shakeScreen(TMainFrm& f, const ShakeFrame (&frames)[4], int pause) {
  if (!f.splPaintView) return;
  TSplPaint& sp = *f.splPaintView;
  if (pause < 10 || pause > 1000) pause = kShakeDefaultMs;
  TBitmap& window = f.Canvas();
  const TColor brush = clBlack;
  for (const ShakeFrame& frame : frames) {
    for (int i = 0; i < frame.stripCount; ++i) FillRect(window, frame.strips[i], brush);
    sp.DrawToScreen(true, frame.x, frame.y);
    if (Application) Application->ProcessMessages();
    if (!f.ReadFlags.Options.NoScreenFade) Sleep(static_cast<uint32_t>(pause));
  }
}

bool TMainFrm::cmdTilt(const char* args) {
  shakeScreen(*this, kTiltFrames, GetIntArg(args, 0));
  return true;
}

bool TMainFrm::cmdQuake(const char* args) {
  shakeScreen(*this, kQuakeFrames, GetIntArg(args, 0));
  return true;
}
