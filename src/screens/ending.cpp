// TfrmEnding: loading an ending file, the shrink animation of the first paint, and the roll.
//
// The visible part of the scroll box is the strip x = 480..640 of the form, drawn black with the
// labels at their top minus the scroll position whenever the box is visible and something is
// drawn on the form. The strip is a child form of its own (scrollBox_), always shown: a step of
// the roll then changes only the strip's canvas, and the window picture is composed again only
// there. It shows either the box or, while the box has not been drawn since the form's canvas
// was drawn over the strip, the canvas's own pixels there.
#include "screens/ending.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "paint/splpaint.h"
#include "platform/text/cp932.h"
#include "platform/files/files.h"
#include "scenario/game_paths.h"
#include "shell/main_form.h"

namespace {

constexpr TRect kPictureRect{0, 0, 480, 360};  // where the roll's pictures are shown
constexpr int32_t kShrinkStep = 3;             // pixels of width per animation frame
constexpr uint32_t kShrinkFrameMs = 20;
constexpr int32_t kRangeMargin = 500;  // the range reaches this far below the lowest label
constexpr int32_t kNoMorePictures = 9999999;
// The longest wait of the roll when its interval never completes, so the loop still looks at
// AbortRoll and the messages now and then.
constexpr uint32_t kRollIdleWaitMs = 500;

// The roll's timing reference: the millisecond value of the last step. It survives between
// calls and between rolls.
int rollReference = 0;
bool rollReferenceSet = false;

int currentMillisecond() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  return st.wMilliseconds;
}

TRect wholeOf(const TBitmap& b) { return Rect(0, 0, b.Width(), b.Height()); }

void runMusicCommand(const char* command) {
  if (MainFrm) MainFrm->ExecuteCommandText(command);
}

}  // namespace

int RollTimerSteps(int& r, int c, int a) {
  if (a < 1) a = 1;
  const int d = c - r;
  int steps = 0;
  if (c < r) {  // the second has rolled over
    if (a >= d + 1000) return 0;
    steps = (d + 1000) / a;
    r += a * steps;
    if (r > 1000) r -= 1000;
  } else {
    if (a >= d) return 0;
    steps = d / a;
    r += a * steps;
  }
  if (r > 1000) r -= 1000;
  return steps;
}

uint32_t RollTimerWaitMs(int r, int c, int a) {
  if (a < 1) a = 1;
  // The millisecond field cannot show more than 999 ms since the reference.
  if (a >= 999) return kRollIdleWaitMs;
  const int elapsed = c >= r ? c - r : c - r + 1000;
  return static_cast<uint32_t>(std::max(1, a + 1 - elapsed));
}

TfrmEnding::TfrmEnding(TForm* owner) : TForm(owner), scrollBox_(this) {
  SetBorderStyle(bsNone);
  SetClientSize(kPlayWidth, kPlayHeight);
  scrollBox_.SetBorderStyle(bsNone);
  scrollBox_.SetBounds(kRollStripLeft, 0, kRollStripWidth, kRollViewHeight);
  scrollBox_.Show();
}

TfrmEnding::~TfrmEnding() = default;

void TfrmEnding::LoadEndingFile(int n) {
  forgetRollBands();
  setScrollPosition(0);
  // Every roll starts from the designed range, so an earlier long roll does not lengthen it.
  ScrollRange = kRollDesignedRange;
  RollLabels.clear();
  PictureEvents.clear();

  const char* dir = MainFrm ? MainFrm->ProgramDir : "";
  char path[kPathBytes];
  std::vector<uint8_t> data;
  // A path that does not fit would name another file: it counts as one that cannot be opened.
  if (!FormatEndingFilePath(path, sizeof path, dir, n) || !ReadWholeFile(path, data)) {
    MessageBoxA(MainFrm, SJ("ファイルが開けません"), SJ("エラー"), MB_OK);
    return;
  }

  ScrollBoxVisible = true;
  TEndingFile file = ReadEndingFile(data.data(), data.size());
  EndingHeader = file.Header;

  runMusicCommand("#BGMSTOP");
  const std::string load = "#BGMNLOAD=" + EndingFieldText(EndingHeader.BgmName);
  runMusicCommand(load.c_str());
  runMusicCommand("#BGMVOLDEF");
  runMusicCommand("#BGMPLAY");

  for (const TEndingEntry& e : file.Entries) {
    if (e.EntryFontSize == 0) {
      char event[64];
      std::snprintf(event, sizeof event, "%05d,%s", e.EntryY, EndingFieldText(e.EntryText).c_str());
      PictureEvents.push_back(event);
      continue;
    }
    TRollLabel label;
    label.Caption = EndingFieldText(e.EntryText);
    label.Font.Name = FontMSPGothic();
    label.Font.Color = clWhite;
    label.Font.SetSize(e.EntryFontSize);
    label.Font.Bold = e.EntryBold != 0;
    label.Font.Italic = e.EntryItalic != 0;
    // An auto-sized label measures an empty caption as one blank.
    TRect size{};
    DrawTextA(nullptr, label.Font, label.Caption.empty() ? " " : label.Caption.c_str(), -1, &size,
              DT_CALCRECT | DT_EXPANDTABS);
    label.Width = size.Width();
    label.Height = size.Height();
    label.Top = e.EntryY;
    label.Left = (kRollStripWidth - label.Width) / 2;
    ScrollRange = std::max(ScrollRange, label.Top + label.Height + kRangeMargin);
    RollLabels.push_back(std::move(label));
  }
  // Zero-padded positions make the string order the order of the positions.
  std::sort(PictureEvents.begin(), PictureEvents.end());
  ScrollBoxVisible = false;
}

void TfrmEnding::FormShow() { FirstPaint = true; }

void TfrmEnding::FormPaint() {
  TBitmap& canvas = Canvas();
  if (!FirstPaint) {
    if (!RollPicture.Empty()) StretchBlt(canvas, kPictureRect, RollPicture, wholeOf(RollPicture));
    if (ScrollBoxVisible) drawScrollBox();
    return;
  }

  // The shrink animation: the last picture of the game moves into the upper-left corner.
  FirstPaint = false;
  const TBitmap* last = nullptr;
  if (MainFrm && MainFrm->splPaintView) last = &MainFrm->splPaintView->OrgBkGnd;
  // Every frame draws over the strip, so the canvas takes the strip's pixels first.
  auto drawLast = [&](const TRect& r) {
    flattenStrip();
    if (last) StretchBlt(canvas, r, *last, wholeOf(*last));
  };
  auto showFrame = [&] {
    if (ScrollBoxVisible)
      drawScrollBox();
    else
      showCanvasStrip();
    Present();
  };
  TRect r = Rect(0, 0, kPlayWidth, kPlayHeight);
  drawLast(r);
  showFrame();
  for (;;) {
    const int32_t w = r.Right;
    r = Rect(0, 0, w - kShrinkStep, (3 * w) / 4);
    if (r.Right <= kPictureRect.Right) break;
    drawLast(r);
    FillRect(canvas, Rect(r.Right - kShrinkStep, 0, kPlayWidth, kPlayHeight), clBlack);
    FillRect(canvas, Rect(0, (3 * r.Right) / 4, kPlayWidth, kPlayHeight), clBlack);
    showFrame();
    Sleep(kShrinkFrameMs);
  }
  drawLast(kPictureRect);
  FillRect(canvas, Rect(0, kPictureRect.Bottom, kPlayWidth, kPlayHeight), clBlack);
  showFrame();
  if (Application) Application->PostMessage(this, WM_ENDINGROLL, 0, 0);
}

int TfrmEnding::RollTimerStep(int a) {
  const int now = currentMillisecond();
  if (!rollReferenceSet) {
    rollReference = now;
    rollReferenceSet = true;
  }
  return RollTimerSteps(rollReference, now, a);
}

void TfrmEnding::RunEndingRoll() {
  forgetRollBands();
  ScrollBoxVisible = true;
  if (MainFrm && MainFrm->splPaintView) MainFrm->splPaintView->FillBkBlack(true);
  drawScrollBox();
  Present();

  // The next picture event: its position and its picture's path.
  size_t next = 0;
  int32_t nextY = kNoMorePictures;
  char path[kPathBytes] = {};
  auto takeNext = [&] {
    if (next >= PictureEvents.size()) {
      nextY = kNoMorePictures;
      return;
    }
    const std::string& event = PictureEvents[next++];
    nextY = static_cast<int32_t>(std::strtol(event.substr(0, 5).c_str(), nullptr, 10));
    const size_t comma = event.find(',');
    const std::string name = comma == std::string::npos ? "" : event.substr(comma + 1);
    if (MainFrm) MainFrm->picturePath(path, sizeof path, name.c_str(), MainFrm->ExtJpg);
  };
  takeNext();

  do {
    const int steps = RollTimerStep(EndingHeader.ScrollIntervalMs);
    EndingHeader.LastStep = static_cast<int16_t>(steps);
    const int16_t scrolled = static_cast<int16_t>(steps);
    if (scrolled != 0) {
      setScrollPosition(ScrollPosition + scrolled);
      drawScrollBox();
      // One picture per step at most: the one whose position has entered the view.
      if (nextY - kRollViewHeight < ScrollPosition && path[0] && FileExists(path)) {
        TBitmap picture;
        // A file that cannot be decoded counts as an empty picture: it stays pending.
        if (!LoadJpegFile(path, picture)) picture = TBitmap();
        RollPicture = std::move(picture);
        if (!RollPicture.Empty()) {
          StretchBlt(Canvas(), kPictureRect, RollPicture, wholeOf(RollPicture));
          takeNext();
        }
      }
      Present();
    }
    if (AbortRoll) break;
    if (Application) Application->ProcessMessages();
    // Sleeps until the next step is due rather than polling every millisecond; input still
    // wakes the wait, and the steps come out as a 1 ms polling loop would see them.
    WaitForEvents(
        RollTimerWaitMs(rollReference, currentMillisecond(), EndingHeader.ScrollIntervalMs));
  } while (ScrollPosition < ScrollRange - kRollViewHeight);

  if (!AbortRoll) runMusicCommand("#BGMFADEOUT");
  runMusicCommand("#BGMSTOP");
  runMusicCommand("#BGMVOLDEF");
  Hide();
}

void TfrmEnding::Dispatch(TMessage& msg) {
  if (msg.Msg == WM_ENDINGROLL) {
    RunEndingRoll();
    return;
  }
  TForm::Dispatch(msg);
}

void TfrmEnding::setScrollPosition(int32_t position) {
  ScrollPosition = std::clamp(position, 0, std::max(0, ScrollRange - kRollViewHeight));
}

void TfrmEnding::drawLabels(TBitmap& dst, int32_t top, bool byInk) const {
  FillRect(dst, wholeOf(dst), clBlack);
  for (size_t i = 0; i < RollLabels.size(); ++i) {
    const TRollLabel& label = RollLabels[i];
    const int32_t y = label.Top - top;
    const InkReach reach = byInk ? rollInk_[i] : InkReach{};
    if (y - reach.above >= dst.Height() || y + label.Height + reach.below <= 0) continue;
    TRect r = Rect(label.Left, y, label.Left + label.Width, y + label.Height);
    DrawTextA(&dst, label.Font, label.Caption.c_str(), -1, &r, DT_EXPANDTABS);
  }
}

bool TfrmEnding::measureLabelInk() {
  rollInk_.assign(RollLabels.size(), InkReach{});
  TBitmap probe;
  for (size_t i = 0; i < RollLabels.size(); ++i) {
    const TRollLabel& label = RollLabels[i];
    // The label with as many free rows above and below it as it has itself: glyphs reaching
    // into the outermost rows may reach further and are not measured.
    const int32_t margin = std::max(label.Height, 1);
    probe.SetSize(kRollStripWidth, label.Height + 2 * margin);
    FillRect(probe, wholeOf(probe), clBlack);
    TRect r = Rect(label.Left, margin, label.Left + label.Width, margin + label.Height);
    DrawTextA(&probe, label.Font, label.Caption.c_str(), -1, &r, DT_EXPANDTABS);
    const TBitmap& drawn = probe;
    auto inked = [&](int32_t y) {
      const uint8_t* row = drawn.ScanLine(y);
      return std::any_of(row, row + drawn.Stride(), [](uint8_t b) { return b != 0; });
    };
    if (inked(0) || inked(probe.Height() - 1)) return false;
    for (int32_t y = 1; y < margin && !rollInk_[i].above; ++y)
      if (inked(y)) rollInk_[i].above = margin - y;
    for (int32_t y = probe.Height() - 2; y >= margin + label.Height && !rollInk_[i].below; --y)
      if (inked(y)) rollInk_[i].below = y + 1 - (margin + label.Height);
  }
  return true;
}

bool TfrmEnding::inkCrossesViewEdge() const {
  const int32_t viewTop = ScrollPosition, viewBottom = ScrollPosition + kRollViewHeight;
  for (size_t i = 0; i < RollLabels.size(); ++i) {
    const TRollLabel& label = RollLabels[i];
    const int32_t top = label.Top, bottom = label.Top + label.Height;
    const bool drawn = top < viewBottom && bottom > viewTop;
    const bool reaches =
        top - rollInk_[i].above < viewBottom && bottom + rollInk_[i].below > viewTop;
    if (drawn != reaches) return true;
  }
  return false;
}

const TBitmap& TfrmEnding::rollBand(int32_t index) {
  RollBand* slot = &bands_[0];
  for (RollBand& b : bands_) {
    if (b.index == index) return b.image;
    // The roll moves down: the band farthest from this one is the least likely to be needed.
    if (slot->index >= 0 &&
        (b.index < 0 || std::abs(b.index - index) > std::abs(slot->index - index)))
      slot = &b;
  }
  if (slot->image.Width() != kRollStripWidth || slot->image.Height() != kRollBandHeight)
    slot->image = TBitmap(kRollStripWidth, kRollBandHeight, pf24bit);
  drawLabels(slot->image, index * kRollBandHeight, true);
  slot->index = index;
  return slot->image;
}

void TfrmEnding::forgetRollBands() {
  for (RollBand& b : bands_) b.index = -1;
  bandUse_ = BandUse::kUnknown;
}

void TfrmEnding::flattenStrip() {
  if (!stripOwnPicture_) return;
  BitBlt(Canvas(), kRollStripLeft, 0, kRollStripWidth, kRollViewHeight, scrollBox_.Canvas(), 0, 0);
  stripOwnPicture_ = false;
}

void TfrmEnding::showCanvasStrip() {
  const TBitmap& canvas = std::as_const(*this).Canvas();
  BitBlt(scrollBox_.Canvas(), 0, 0, kRollStripWidth, kRollViewHeight, canvas, kRollStripLeft, 0);
}

void TfrmEnding::drawScrollBox() {
  if (bandUse_ == BandUse::kUnknown || rollInk_.size() != RollLabels.size()) {
    forgetRollBands();
    bandUse_ = measureLabelInk() ? BandUse::kBands : BandUse::kDirect;
  }
  stripOwnPicture_ = true;
  TBitmap& canvas = scrollBox_.Canvas();
  if (bandUse_ == BandUse::kDirect || inkCrossesViewEdge()) {
    drawLabels(canvas, ScrollPosition, false);
    return;
  }
  for (int32_t y = 0; y < kRollViewHeight;) {
    const int32_t row = ScrollPosition + y;
    const int32_t inBand = row % kRollBandHeight;
    const int32_t rows = std::min(kRollBandHeight - inBand, kRollViewHeight - y);
    BitBlt(canvas, 0, y, kRollStripWidth, rows, rollBand(row / kRollBandHeight), 0, inBand);
    y += rows;
  }
}
