// The message window: its darkened background, the speaker name and text, the backlog buttons
// and pages, and the two story sub-states that reveal a line and wait for the click after it.
//
// Everything is drawn into BkGnd of the play area and reaches the window through
// CopyRectToScreen or DrawToScreen. The message text itself lives nowhere else: a redraw of the
// scene from Temp erases it.
#include <cstring>

#include "paint/splpaint.h"
#include "platform/text/cp932.h"
#include "platform/trace.h"
#include "scenario/message_layout.h"
#include "shell/main_form.h"

namespace {

// Reveal waits per TextSpeed (0 slow, 1 medium, 2 fast); they run inside the step frame, so
// they add to the 16 ms the frame pacing already gives.
uint32_t speedWaitMs(uint8_t speed) {
  switch (speed) {
    case 0:
      return 50;
    case 1:
      return 10;
    default:
      return 0;
  }
}

// Shift held fast-forwards; Ctrl does the same.
bool shiftHeld() {
  return ((GetAsyncKeyState(VK_SHIFT) | GetAsyncKeyState(VK_CONTROL)) & 0x8000) != 0;
}

constexpr uint32_t kBlinkMs = 500;         // half period of the click-wait mark
constexpr uint32_t kHeldClickPause = 200;  // pause after a line when the button is held
constexpr int kBevelStep = 20;             // brightness step of the window's bevel edges
constexpr int kBacklogButtonPoints = 14;

}  // namespace

void TMainFrm::DrawTextWindow() {
  if (!splPaintView) return;
  if (ReadFlags.Options.NoTextBack || EventMode) return;
  TSplPaint& sp = *splPaintView;
  sp.ContrastScreen(TextBackContrast, TextWindowRect);
  if (HasTextFrame) {
    sp.DrawSplite(0, false);
    return;
  }
  // A 2-pixel bevel: lighter above and to the left, darker below and to the right.
  const int32_t L = TextWindowRect.Left, T = TextWindowRect.Top;
  const int32_t R = TextWindowRect.Right, B = TextWindowRect.Bottom;
  const int light = TextBackContrast + kBevelStep;
  const int dark = TextBackContrast - kBevelStep;
  sp.ContrastScreen(light, Rect(L - 2, T - 2, R, T - 1));
  sp.ContrastScreen(light, Rect(L - 2, T, L, B + 2));
  sp.ContrastScreen(dark, Rect(L, B + 1, R + 2, B + 2));
  sp.ContrastScreen(dark, Rect(R, T - 2, R + 2, B));
}

void TMainFrm::DrawMessage(const char* text, const char* name, TFont* font) {
  if (!splPaintView || !text) return;
  TSplPaint& sp = *splPaintView;
  TRect r = TextDrawRect;
  if (!name || !name[0]) {
    sp.DoDrawText(ttBkGnd, r, text, font, false);
    return;
  }
  // The text starts after the name and its wrapped lines keep that indent.
  const int32_t w = SpeakerIndent(std::strlen(name), sp.Font.Size());
  TRect nameRect = Rect(r.Left, r.Top, r.Right + w, r.Bottom);
  sp.DoDrawText(ttBkGnd, nameRect, name, font, false);
  TRect textRect = Rect(r.Left + w, r.Top, r.Right, r.Bottom);
  sp.DoDrawText(ttBkGnd, textRect, text, font, false);
}

int TMainFrm::DrawBacklogButtons() {
  if (!splPaintView) return 0;
  TPoint p;
  if (!GetCursorPos(&p)) return 0;
  p = ::ScreenToClient(this, p);
  const bool overUp = PtInRectStrict(BacklogUpRect, p.x, p.y);
  const bool overDown = PtInRectStrict(BacklogDownRect, p.x, p.y);
  TFont font = splPaintView->Font;
  font.SetSize(kBacklogButtonPoints);
  font.Color = overUp ? clYellow : clWhite;
  TRect up = BacklogUpRect;
  splPaintView->DoDrawText(ttBkGnd, up, SJ("▲"), &font, true);
  font.Color = overDown ? clYellow : clWhite;
  TRect down = BacklogDownRect;
  splPaintView->DoDrawText(ttBkGnd, down, SJ("▼"), &font, true);
  if (overDown) return 2;
  if (overUp) return 1;
  return 0;
}

int TMainFrm::MoveBacklogPos(int hit, int position) {
  const int count = Backlog ? Backlog->Count() : 0;
  if (hit == 1) {
    if (position < 0) return count - 1;  // the live line, now in backlog colours
    // A position past the end (the list shrank meanwhile) comes back to the last entry.
    if (position >= count) return count - 1;
    return position > 0 ? position - 1 : 0;
  }
  if (hit == 2) {
    if (position < 0 || position >= count) return -1;
    const int next = position + 1;
    // Reaching the live line leaves the backlog.
    return next >= count - 1 ? -1 : next;
  }
  return -1;
}

void TMainFrm::showBacklogEntry(int position) {
  if (!splPaintView) return;
  TSplPaint& sp = *splPaintView;
  TFont yellow = sp.Font;
  yellow.Color = clYellow;
  sp.DrawToBkGnd(false);
  DrawTextWindow();
  const char* entry = "";
  if (Backlog && position >= 0 && position < Backlog->Count()) entry = (*Backlog)[position].c_str();
  DrawMessage(entry, nullptr, &yellow);
  DrawBacklogButtons();
  sp.CopyRectToScreen(true);
}

bool TMainFrm::stepTyping(const char* line) {
  if (!line) line = "";
  const uint32_t length = static_cast<uint32_t>(std::strlen(line));
  const bool shift = shiftHeld();
  const bool firstOfLine = TextPos == 0;
  if (length > TextPos && skipShowsLine()) ShowLineAtOnce = 1;
  if (length > TextPos) {
    char shown[kLineBytes];
    if ((shift && IsNodeRead(NodeIndex)) || ClickPending || ShowLineAtOnce) {
      ClickPending = 0;
      ShowLineAtOnce = 0;
      CopyCut(shown, sizeof shown, line);
      TextPos = length;
    } else {
      // A two-byte character appears as a whole in one step.
      if (IsLeadByte(static_cast<unsigned char>(line[TextPos]))) ++TextPos;
      // The speed's wait and the #TEXTWAIT pause. After the first character of a line they are
      // counted from when the previous character was due, so that drawing and showing a
      // character does not slow the pace; the 16 ms between frames covers short waits already.
      const uint32_t wait = speedWaitMs(ReadFlags.Options.TextSpeed) + TextWaitMs;
      const uint32_t now = timeGetTime();
      uint32_t due = (firstOfLine ? now : revealDue) + wait;
      if (static_cast<int32_t>(due - now) > 0)
        Sleep(due - now);
      else
        due = now;
      revealDue = due;
      size_t n = TextPos + 1;
      if (n > length) n = length;  // a lead byte without its trail byte at the end
      if (n > sizeof shown - 1) n = sizeof shown - 1;
      std::memcpy(shown, line, n);
      shown[n] = 0;
    }
    if (splPaintView) {
      DrawMessage(shown, SpeakerName, nullptr);
      splPaintView->CopyRectToScreen(true, TextRefreshRect);
      Trace("char", static_cast<long>(TextPos));
    }
    ++TextPos;
    return false;
  }
  // The line is complete. Holding the button pages through the lines, with a short pause
  // after each so that it can still be read.
  if (LeftButtonDown && !shift) Sleep(kHeldClickPause);
  PrevTextSubState = tsTyping;
  TextSubState = tsWaitClick;
  return true;
}

bool TMainFrm::stepWaitClick() {
  if (!splPaintView) return true;
  TSplPaint& sp = *splPaintView;
  // An event scene waits here until the script leaves the mode; only the menus still work.
  // Its clicks are used up here: a click kept for later would pick whatever item of the
  // in-game menu lies under the pointer the moment the menu opens.
  if (EventMode) {
    ClickPending = 0;
    sp.DrawToScreen(true);
    return false;
  }
  if (modeAdvances()) return true;
  const int hit = DrawBacklogButtons();
  const bool held = LeftButtonDown && PrevTextSubState != tsTyping;
  const bool advance =
      ClickPending || (held && BacklogPos < 0) || (held && BacklogPos >= 0 && shiftHeld());
  if (advance) {
    ClickPending = 0;
    BacklogPos = MoveBacklogPos(hit, BacklogPos);
    if (BacklogPos >= 0) {
      showBacklogEntry(BacklogPos);
      return true;
    }
    TextPos = 0;
    NeedNextLine = 1;
    if (FadeDone) sp.DrawToBkGnd(false);  // the scene without the old text
    DrawTextWindow();
    PrevTextSubState = TextSubState;
    TextSubState = tsTyping;
    return true;
  }
  // No click yet: blink the mark.
  const uint32_t now = timeGetTime();
  if (now - BlinkTime > kBlinkMs) {
    ClickMarkShown = ClickMarkShown ? 0 : 1;
    BlinkTime = now;
    if (ClickMarkShown) {
      TRect r = ClickMarkRect;
      sp.DoDrawText(ttBkGnd, r, SJ("▼"), nullptr, false);
    } else {
      sp.CopyRectToBkGnd(false, ClickMarkRect);
      if (!ReadFlags.Options.NoTextBack) sp.ContrastScreen(TextBackContrast, ClickMarkRect);
    }
  }
  sp.CopyRectToScreen(true);
  PrevTextSubState = TextSubState;
  return false;
}
